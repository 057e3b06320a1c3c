// Temporary folders for file-system tests: created fresh, mapped to a drive letter, removed after.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/drives.h"

namespace vorlisk::testing {

// A fresh host folder, removed with everything in it (links removed, never followed).
class TempFolder {
 public:
  TempFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vorlisk-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
    path_ = tmpl;
  }
  ~TempFolder() {
    std::error_code ec;
    // Read-only folders inside would stop the removal.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0755);
    }
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

 private:
  std::string path_;
};

// A temporary folder mapped to a drive letter for the test's lifetime.
class TempDrive {
 public:
  explicit TempDrive(char letter) : mapping_(letter, folder_.Path()), letter_(letter) {}
  const std::string& Host() const { return folder_.Path(); }
  std::string Host(const std::string& rel) const { return folder_ / rel; }
  // Windows text of a path inside the drive: Win("a\\b.txt") is "T:\a\b.txt".
  std::string Win(const std::string& rel = "") const {
    return std::string(1, letter_) + ":\\" + rel;
  }

 private:
  TempFolder folder_;
  platform::ScopedDriveMapping mapping_;
  char letter_;
};

inline void WriteHostFile(const std::string& hostPath, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
  std::ofstream(hostPath, std::ios::binary) << bytes;
}

inline std::string ReadHostFile(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace vorlisk::testing
