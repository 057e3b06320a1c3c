// Test fixture: a fresh temporary folder mapped as a drive letter, removed afterwards.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "platform/drives.h"

namespace vorlisk::testing {

class TempDrive {
 public:
  explicit TempDrive(char letter = 'T') : letter_(letter) {
    std::string templ = (std::filesystem::temp_directory_path() / "vorlisk-XXXXXX").string();
    host_ = ::mkdtemp(templ.data()) ? templ : std::string();
    mapping_.emplace(letter, host_);
  }
  ~TempDrive() {
    mapping_.reset();
    std::error_code ec;
    std::filesystem::permissions(host_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(host_, ec);
  }
  TempDrive(const TempDrive&) = delete;
  TempDrive& operator=(const TempDrive&) = delete;

  // Windows text of the drive's root ("T:\") and of a name below it ("T:\a.ini").
  std::string Root() const { return std::string(1, letter_) + ":\\"; }
  std::string Win(std::string_view name) const { return Root() + std::string(name); }
  // Host path of a name below the root ("sub/a.ini").
  std::string Host(std::string_view name = "") const { return host_ + "/" + std::string(name); }

  std::string Read(std::string_view name) const {
    std::ifstream in(Host(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Replaces the file through a new inode, so caches keyed by file stamps always see the change.
  void Put(std::string_view name, std::string_view bytes) const {
    const std::string tmp = Host(".put.tmp");
    std::ofstream(tmp, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::filesystem::rename(tmp, Host(name));
  }
  bool Exists(std::string_view name) const { return std::filesystem::exists(Host(name)); }

 private:
  char letter_;
  std::string host_;
  std::optional<platform::ScopedDriveMapping> mapping_;
};

}  // namespace vorlisk::testing
