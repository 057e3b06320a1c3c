// Preview lines with their check marks, as the preview lists hold them and the washes take them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/filesystem.h"

namespace vorlisk {

struct MarkedLine {
  std::string Text;
  bool Checked = false;
  // Of a file line: where the search listed the file. A wash reaches the file only through the
  // folders the search walked, and only while its folder is the one listed.
  std::optional<platform::ListedIn> Listed = std::nullopt;
  // Of a listed file line: its entry removes the folders the wash empties below the folder whose
  // walk listed it (ListedIn::startLength).
  bool RemoveEmptiedFolders = false;
};
using MarkedLines = std::vector<MarkedLine>;

// The outcome of washing one list: lines removed and lines that could not be removed; for files,
// the bytes of the files whose data went with them (a name that leaves other hard links frees
// nothing).
struct WashCounts {
  int32_t Success = 0;
  int32_t Fails = 0;
  uint64_t FreedBytes = 0;
  // (path, the system's reason) of each failed line, in wash order; the log says "File Locked".
  std::vector<std::pair<std::string, std::string>> Failed;
  // Files the search matched but could not list: their names hold a control character or a "\\",
  // which no line can hold. Neither washed nor counted above: "Success" is not "all gone".
  int32_t Unnamable = 0;
  // Folders removed after the wash had emptied them (entries that ask for it).
  int32_t FoldersRemoved = 0;
  bool operator==(const WashCounts&) const = default;
};

}  // namespace vorlisk
