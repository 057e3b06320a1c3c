// The special targets (Recycle Bin, URL history) and the specific-file list.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlisk {

inline constexpr std::string_view kRecycleBinItem = "Recycle Bin";
inline constexpr std::string_view kUrlHistoryItem = "The history of Internet Explorer";

// Shows or hides the hourglass; the window supplies it, the terminal needs none.
using CursorCallback = std::function<void(bool busy)>;

// Brackets an operation with the hourglass; the cursor is set back on every exit, also when an
// error breaks the operation off.
class Hourglass {
 public:
  explicit Hourglass(const CursorCallback& cursor) : cursor_(cursor) {
    if (cursor_) cursor_(true);
  }
  ~Hourglass() {
    if (cursor_) cursor_(false);
  }
  Hourglass(const Hourglass&) = delete;
  Hourglass& operator=(const Hourglass&) = delete;

 private:
  const CursorCallback& cursor_;
};

// Runs the special target the name stands for (exact comparison); any other name does nothing.
// The cursor is set back also when an error breaks the operation off.
void WashSpecialItem(std::string_view name, const CursorCallback& cursor = {});
void EmptyRecycleBin();
void ClearUrlHistory();  // throws Error when the history store cannot be reached

// The cookie store's and the cache store's "index.dat", from the "Shell Folders" key.
using SpecificFileList = std::vector<std::string>;
void LoadSpecificFiles(SpecificFileList& list);
// Position of the path in the list, ignoring case; -1 when absent.
int IndexOfSpecificFile(const SpecificFileList& list, std::string_view path);

}  // namespace vorlisk
