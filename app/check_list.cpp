#include "app/check_list.h"

namespace vorlisk {

const FileLines& FileCheckList::Lines() const {
  if (dirty_) {
    lines_.Sort();
    dirty_ = false;
  }
  return lines_;
}

}  // namespace vorlisk
