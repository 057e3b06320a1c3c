// Fixtures shared by the tests: temporary folders (also mapped as drives), files, environment
// variables. Nothing here touches the real user's files. Portable: what needs POSIX (processes,
// owners, modes) is in posix_support.h.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drives.h"
#include "platform/file_lock.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace vorlisk::test {

// Removes a folder with everything in it, folders a test made read-only included; links are
// removed, never followed.
inline void RemoveTree(const std::string& path) {
  std::error_code ec;
  std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  for (auto it = std::filesystem::recursive_directory_iterator(path, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path, ec);
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  // A random name that no other folder holds yet; only the owner may use it.
  TempFolder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const uint64_t id = (uint64_t{random()} << 32) | random();
      const auto folder =
          std::filesystem::temp_directory_path() / ("vorlisk-" + std::to_string(id));
      if (!std::filesystem::create_directory(folder)) continue;  // taken
      std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
      path_ = folder.string();
    }
    if (path_.empty()) throw std::runtime_error("no temporary folder could be made");
  }
  ~TempFolder() { RemoveTree(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

 private:
  std::string path_;
};

// A temporary folder that is drive `letter` for the test's duration: Windows text "X:\..." names
// files inside it.
class TempDrive {
 public:
  explicit TempDrive(char letter = 'T') : letter_(letter), mapping_(letter, folder_.path()) {
    platform::ClearProfileCache();
  }

  // Windows text of the drive's root ("T:\") and of a name below it ("T:\a.ini").
  std::string Root() const { return std::string(1, letter_) + ":\\"; }
  std::string Win(std::string_view rel = "") const { return Root() + std::string(rel); }
  // Host path of the drive's folder, or of a name below it ("sub/a.ini").
  std::string Host(std::string_view rel = "") const {
    return rel.empty() ? folder_.path() : folder_.path() + "/" + std::string(rel);
  }
  const std::string& host() const { return folder_.path(); }

  std::string Read(std::string_view rel) const {
    std::ifstream in(Host(rel), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Replaces the file through a new inode, so caches keyed by file stamps always see the change.
  void Put(std::string_view rel, std::string_view bytes) const {
    const std::string tmp = Host(".put.tmp");
    std::ofstream(tmp, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::filesystem::rename(tmp, Host(rel));
  }
  bool Exists(std::string_view rel) const { return std::filesystem::exists(Host(rel)); }

 private:
  char letter_;
  TempFolder folder_;
  platform::ScopedDriveMapping mapping_;
};

// Sets (or, given nullopt, unsets) an environment variable and restores it afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value);
  ~ScopedEnv() { Set(previous_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Set(const std::optional<std::string>& value);  // test_support.cpp: the one OS-specific part
  std::string name_;
  std::optional<std::string> previous_;
};

// Makes a symbolic link `link` to `target` (a folder link when `target` is a folder). Returns
// empty text, or why no link can be made here: Windows gives links only to administrators or in
// developer mode, and Wine before 9 makes none. Tests that need one skip with that reason:
//   MAKE_SYMLINK_OR_SKIP(target, link);
std::string MakeSymlink(const std::string& target, const std::string& link);
#define MAKE_SYMLINK_OR_SKIP(target, link)                                            \
  if (const std::string why_no_link = ::vorlisk::test::MakeSymlink((target), (link)); \
      !why_no_link.empty())                                                           \
  GTEST_SKIP() << why_no_link

// Runs a program to its end, its standard input empty and its output and errors written to the
// given files, with the environment of the test program (ScopedEnv sets what it needs). The exit
// status, or -1 when it could not be started or did not end by itself.
int RunProgram(const std::vector<std::string>& args, const std::string& outFile,
               const std::string& errFile);

// What the system's Recycle Bin and URL history were asked to do during the test program: on
// Windows every test runs with them stubbed (platform::SetShellCallsForTesting), never the
// user's own; on POSIX the fixtures point XDG_DATA_HOME at their folders instead.
platform::ShellCallCounts& ShellCalls();

// Makes a file read-only to everyone: the read-only attribute on Windows, mode 0444 on POSIX.
inline void MakeReadOnly(const std::string& hostPath) {
  using std::filesystem::perms;
  std::filesystem::permissions(hostPath,
                               perms::owner_read | perms::group_read | perms::others_read);
}

inline void WriteHostFile(const std::string& hostPath, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string ReadHostFile(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Lines each ended by CRLF, as profile files are written.
inline std::string Crlf(std::initializer_list<const char*> lines) {
  std::string out;
  for (const char* l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}

// The emulated registry kept in a store file (Windows text) for the test's duration, filled from
// ".reg" text; afterwards the registry is empty and in memory again on POSIX, and the system's own
// on Windows.
class ScopedRegistryStore {
 public:
  ScopedRegistryStore(std::string_view storeFile, std::string_view regText) {
    platform::SetRegistryFile(storeFile);
    platform::ImportRegistryText(regText);
  }
  ~ScopedRegistryStore() { platform::SetRegistryFile(""); }
  ScopedRegistryStore(const ScopedRegistryStore&) = delete;
  ScopedRegistryStore& operator=(const ScopedRegistryStore&) = delete;
};

// The data rows of a wash log as "Mode|Status|Items|Note", in file order: what a reader of the
// log sees of each washed line.
inline std::vector<std::string> LogRows(const std::string& log) {
  std::vector<std::string> rows, cells;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    const auto open = line.find("<font size=\"2\"");
    if (open == std::string::npos) continue;
    const auto start = line.find('>', open) + 1;
    cells.push_back(line.substr(start, line.find("</font>", start) - start));
    if (cells.size() < 5) continue;
    rows.push_back(cells[1] + "|" + cells[2] + "|" + cells[3] + "|" + cells[4]);
    cells.clear();
  }
  return rows;
}

// Item files in the item-file layout, for catalogues that tests make. Tests name only the fields
// they need with designated initializers; the others keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
struct TestFolderEntry {
  std::string Name;
  bool Active = true;
  int Kind = 1;  // 0 RegistryFolder, 1 FolderMask, 2 SingleFile
  std::string DeletePath;
  bool Subfolders = false;
  std::string DeleteFileName;
  std::string RegisterName;
  std::string RegisterValue;
};
struct TestRegistryEntry {
  std::string Name;
  bool Active = true;
  int Type = 0;  // 0 WholeKey, 1 AllValues, 2 SingleValue
  std::string Key;
  std::string Value;
};
struct TestItem {
  std::string Name;
  bool Active = true;
  bool Special = false;
  std::vector<TestFolderEntry> Folders;
  std::vector<TestRegistryEntry> Registers;
};

inline std::string ItemFileText(const std::vector<TestItem>& items) {
  std::string t = "[Common]\r\nTotal=" + std::to_string(items.size()) + "\r\n";
  for (std::size_t i = 0; i < items.size(); ++i)
    t += "Item" + std::to_string(i) + "=" + items[i].Name + "\r\n";
  auto key = [&t](const std::string& k, const std::string& v) { t += k + "=" + v + "\r\n"; };
  for (const auto& item : items) {
    t += "[" + item.Name + "]\r\n";
    key("IsActive", item.Active ? "1" : "0");
    key("IsSpecial", item.Special ? "1" : "0");
    key("tFolder.Total", std::to_string(item.Folders.size()));
    for (std::size_t i = 0; i < item.Folders.size(); ++i) {
      const auto& f = item.Folders[i];
      const std::string p = "tFolder" + std::to_string(i) + ".";
      key(p + "ChildItemName", f.Name);
      key(p + "isactive", f.Active ? "1" : "0");
      key(p + "deletepath", f.DeletePath);
      key(p + "RegisterName", f.RegisterName);
      key(p + "RegisterValueofName", f.RegisterValue);
      key(p + "deletefilename", f.DeleteFileName);
      key(p + "bycategory", std::to_string(f.Kind));
      key(p + "IsIncludeSubfolder", f.Subfolders ? "1" : "0");
    }
    key("tRegister.Total", std::to_string(item.Registers.size()));
    for (std::size_t i = 0; i < item.Registers.size(); ++i) {
      const auto& r = item.Registers[i];
      const std::string p = "tRegister" + std::to_string(i) + ".";
      key(p + "ChildItemName", r.Name);
      key(p + "RegisterKeyName", r.Key);
      key(p + "RegisterSingleValue", r.Value);
      key(p + "isactive", r.Active ? "1" : "0");
      key(p + "CleanRegisterType", std::to_string(r.Type));
    }
  }
  return t;
}

// A program folder on drive P: ("P:\") with its own registry store, data on drive D:, a home
// (HOME and XDG_*) in a temporary folder, and no mounted volume whose trash a wash could reach.
class TestProgram {
 public:
  TestProgram()
      : home_("HOME", Home.Path()),
        data_("XDG_DATA_HOME", Home / "data"),
        cache_("XDG_CACHE_HOME", Home / "cache"),
        config_("XDG_CONFIG_HOME", Home / "config"),
        state_("XDG_STATE_HOME", Home / "state") {
    WriteHostFile(Home / "mounts", "");
    platform::SetMountTableForTesting(Home / "mounts");
    platform::SetRegistryFile("P:\\registry.reg");
  }
  ~TestProgram() {
    platform::SetProgramFolderLock("");
    platform::SetRegistryFile("");
    platform::SetMountTableForTesting("");
  }
  TestProgram(const TestProgram&) = delete;
  TestProgram& operator=(const TestProgram&) = delete;

  static std::string Folder() { return "P:\\"; }
  // Whether the Recycle Bin was emptied since the fixture was made: on POSIX the trash of the
  // test's home holds nothing, on Windows the stubbed shell was asked to empty it.
  bool RecycleBinEmptied() const {
#ifdef _WIN32
    return ShellCalls().RecycleBinsEmptied > binsEmptiedBefore_;
#else
    std::error_code ec;
    return std::filesystem::is_empty(Home / "data/Trash/files", ec) || ec;
#endif
  }
  // Writes an item file of the program folder ("const/system.txt", "plugin/x.txt", ...).
  void WriteItems(const std::string& rel, const std::vector<TestItem>& items) const {
    WriteHostFile(Program.Host(rel), ItemFileText(items));
  }

  TempDrive Program{'P'};
  TempDrive Data{'D'};
  TempFolder Home;
  int binsEmptiedBefore_ = ShellCalls().RecycleBinsEmptied;

 private:
  ScopedEnv home_, data_, cache_, config_, state_;
};

}  // namespace vorlisk::test
