// Lines of text with their check marks, as the check lists hold them and the registry wash takes
// them (file lines: engine/file_lines.h).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vorlisk {

struct MarkedLine {
  std::string Text;
  bool Checked = false;
};
using MarkedLines = std::vector<MarkedLine>;

// The outcome of washing one list: lines removed and lines that could not be removed; for files,
// the bytes of the files whose data went with them (a name that leaves other hard links frees
// nothing).
struct WashCounts {
  int32_t Success = 0;
  int32_t Fails = 0;
  uint64_t FreedBytes = 0;
  // (path, the system's reason) of each failed line, in wash order; the log says "File Locked",
  // or, for a line whose file is now something else, that reason ("Not a File: ...").
  std::vector<std::pair<std::string, std::string>> Failed;
  // Files the search matched but could not list: their names hold a control character or a "\\",
  // which no line can hold. Neither washed nor counted above: "Success" is not "all gone".
  int32_t Unnamable = 0;
  // Folders removed after the wash had emptied them (entries that ask for it).
  int32_t FoldersRemoved = 0;
  bool operator==(const WashCounts&) const = default;
};

}  // namespace vorlisk
