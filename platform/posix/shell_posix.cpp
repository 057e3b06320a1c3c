// POSIX only: the shell services as the freedesktop.org desktops provide them. The Recycle Bin is
// the Trash (the home trash and the trash folders at the top of every mounted file system), the
// URL history is the "recently used" store; starting at logon is an autostart entry.
//
// Trash folders are walked by file descriptor (openat, fstatat, unlinkat): nothing found in a
// trash, nor any trash folder itself, is followed when it is a symbolic link; a link is removed as
// a link. A file system mounted inside a trash is left alone.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/autostart.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/posix/posix_util.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "platform/thread_check.h"

namespace vorlisk::platform {

namespace {

constexpr const char* kDefaultMountTable = "/proc/self/mounts";

// File systems that hold no trash; opening an automount point would mount it.
constexpr const char* kPseudoFileSystems[] = {
    "proc",     "sysfs",   "devpts",     "devtmpfs",    "cgroup",   "cgroup2",    "autofs",
    "debugfs",  "tracefs", "securityfs", "pstore",      "bpf",      "mqueue",     "nsfs",
    "configfs", "fusectl", "hugetlbfs",  "binfmt_misc", "efivarfs", "rpc_pipefs", "selinuxfs"};

std::string& MountTable() {
  static std::string path = kDefaultMountTable;
  return path;
}

// A file descriptor closed when it goes.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_;
};

// A folder in dirFd that is a real folder, never a link.
Fd OpenSubfolder(int dirFd, const std::string& name) {
  return Fd(::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// A folder named by the user's settings or the mount table; links in its path are followed.
Fd OpenFolder(const std::string& path) {
  return Fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

bool StatOf(int fd, struct stat& st) { return ::fstat(fd, &st) == 0; }

bool OwnedByUser(int fd) {
  struct stat st {};
  return StatOf(fd, st) && st.st_uid == ::getuid();
}

std::vector<std::string> EntryNames(int dirFd) {
  std::vector<std::string> names;
  const int copy = ::dup(dirFd);
  if (copy < 0) return names;
  DIR* dir = ::fdopendir(copy);
  if (dir == nullptr) {
    ::close(copy);
    return names;
  }
  ::rewinddir(dir);
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

// Where a folder lies: its file system and the mount it was reached through. A bind mount of a
// folder of the same file system has the device of its surroundings but a mount of its own, so
// the mount identity tells it apart where the kernel gives one (statx STATX_MNT_ID).
struct Place {
  dev_t device = 0;
  ino_t inode = 0;
  uint64_t mount = 0;  // 0: unknown, the device alone decides
  bool operator==(const Place&) const = default;
};

std::optional<Place> PlaceOf(int dirFd, const char* name, int flags) {
  struct statx sx {};
  if (::statx(dirFd, name, flags | AT_SYMLINK_NOFOLLOW, STATX_INO | STATX_MNT_ID, &sx) != 0)
    return std::nullopt;
  Place p;
  p.device = ::makedev(sx.stx_dev_major, sx.stx_dev_minor);
  p.inode = sx.stx_ino;
  if (sx.stx_mask & STATX_MNT_ID) p.mount = sx.stx_mnt_id;
  return p;
}

bool SameMount(const Place& a, const Place& b) {
  return a.device == b.device && a.mount == b.mount;
}

// One folder on the way down from the folder being emptied: where it is, its name in its parent
// and the entries still to look at.
struct Level {
  Place place;
  std::string name;
  std::vector<std::string> pending;
};

// What a walk of a trash folder does at each entry: `atEntry` is called with the folder holding
// it and its look (never through a link) and returns whether to go into it (a folder only);
// `entered` is given each folder gone into, opened; `left` is called, from the folder above, with
// the name of each folder walked once it is done.
struct TrashVisit {
  std::function<bool(int dirFd, const std::string& name, const struct stat& st)> atEntry;
  std::function<void(int folderFd)> entered;
  std::function<void(int parentFd, const std::string& name)> left;
};

// Walks a folder of a trash, at any depth, holding one descriptor at a time: the walk goes down
// by name (never through a link) and back up through "..", which must be the folder it came from
// (else it stops there). Folders of another mount (a file system or a bind mount placed inside
// the trash) are never entered. Returns the number of entries of the top folder.
std::size_t WalkTrashFolder(int topFd, const TrashVisit& visit) {
  const auto top = PlaceOf(topFd, "", AT_EMPTY_PATH);
  if (!top) return 0;
  Fd current(::dup(topFd));
  if (!current) return 0;
  std::vector<Level> path;
  path.push_back({*top, {}, EntryNames(current.get())});
  const std::size_t entries = path.back().pending.size();
  while (!path.empty()) {
    Level& level = path.back();
    if (level.pending.empty()) {
      if (path.size() == 1) break;
      const std::string name = level.name;
      Fd parent(::openat(current.get(), "..", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      path.pop_back();
      const auto up = parent ? PlaceOf(parent.get(), "", AT_EMPTY_PATH) : std::nullopt;
      if (!up || !(*up == path.back().place)) break;  // moved meanwhile: stop here
      if (visit.left) visit.left(parent.get(), name);
      current = std::move(parent);
      continue;
    }
    const std::string name = std::move(level.pending.back());
    level.pending.pop_back();
    struct stat st {};
    if (::fstatat(current.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!visit.atEntry(current.get(), name, st) || !S_ISDIR(st.st_mode)) continue;
    const auto where = PlaceOf(current.get(), name.c_str(), 0);
    if (!where || !SameMount(*where, *top)) continue;  // a mount inside the trash
    Fd sub = OpenSubfolder(current.get(), name);
    const auto opened = sub ? PlaceOf(sub.get(), "", AT_EMPTY_PATH) : std::nullopt;
    if (!opened || !(*opened == *where)) continue;
    if (visit.entered) visit.entered(sub.get());
    path.push_back({*opened, name, EntryNames(sub.get())});
    current = std::move(sub);
  }
  return entries;
}

// Empties a folder of a trash at any depth (WalkTrashFolder); what cannot be removed stays.
// Failures are ignored.
void EmptyFolder(int topFd) {
  WalkTrashFolder(
      topFd,
      {.atEntry =
           [](int dirFd, const std::string& name, const struct stat& st) {
             if (!S_ISDIR(st.st_mode)) {
               ::unlinkat(dirFd, name.c_str(), 0);
               return false;
             }
             return ::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) != 0;  // gone when empty
           },
       // A trashed read-only folder of ours must be writable to be emptied.
       .entered =
           [](int folderFd) {
             struct stat own {};
             if (StatOf(folderFd, own) && own.st_uid == ::geteuid() &&
                 (own.st_mode & S_IRWXU) != S_IRWXU)
               ::fchmod(folderFd, (own.st_mode & 07777) | S_IRWXU);
           },
       // Emptied now: removed in the folder above (kept if not empty).
       .left = [](int parentFd,
                  const std::string& name) { ::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR); }});
}

// What the regular files at any depth below a folder of a trash hold on disk (their size, or
// less with holes), and how many entries the folder itself holds (WalkTrashFolder).
RecycleBinContents Contents(int topFd) {
  RecycleBinContents contents;
  const std::size_t entries = WalkTrashFolder(
      topFd, {.atEntry =
                  [&contents](int, const std::string&, const struct stat& st) {
                    if (S_ISREG(st.st_mode))
                      contents.bytes += std::min(static_cast<uint64_t>(st.st_size),
                                                 static_cast<uint64_t>(st.st_blocks) * 512);
                    return true;
                  },
              .entered = {},
              .left = {}});
  contents.entries = static_cast<int64_t>(entries);
  return contents;
}

// Empties files/, info/ and expunged/ of one trash; the folders themselves stay.
void EmptyTrash(int trashFd) {
  for (const char* part : {"files", "info", "expunged"}) {
    const Fd sub = OpenSubfolder(trashFd, part);
    if (sub) EmptyFolder(sub.get());
  }
}

std::string UserId() { return std::to_string(::getuid()); }

// The XDG base folder `variable` when it is an absolute path, else $HOME/`fallback`; "" when there
// is no home.
std::string XdgHome(const char* variable, const char* fallback) {
  const char* xdg = ::getenv(variable);
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  std::string home;
  if (const char* h = ::getenv("HOME"); h != nullptr && h[0] == '/') {
    home = h;
  } else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
    home = pw->pw_dir;
  }
  if (home.empty()) return {};
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return (home == "/" ? "" : home) + "/" + fallback;
}

std::string DataHome() { return XdgHome("XDG_DATA_HOME", ".local/share"); }

// Where the autostart entry lives.
std::string AutostartFolder() {
  const std::string config = XdgHome("XDG_CONFIG_HOME", ".config");
  return config.empty() ? config : config + "/autostart";
}

constexpr const char* kAutostartFile = "vorlisk.desktop";

// The entry's text: the window program beside the running executable, with "--home" and the
// program folder's host path when one is given. GLib looks for the program of an Exec line by
// its text before it reads "%%" as "%", and refuses the whole entry when no file has that name:
// a program whose path holds a "%" is started through env, whose name holds none, and the "%%"
// of its argument is read as "%" as the Desktop Entry rules say.
std::string AutostartEntry(const std::string& executable, const std::string& homeFolder) {
  const auto slash = executable.rfind('/');
  const std::string program = executable.substr(0, slash + 1) + "vorlisk";
  std::string exec =
      (program.find('%') != std::string::npos ? "env " : "") + DesktopExecArgument(program);
  if (!homeFolder.empty()) exec += " --home " + DesktopExecArgument(homeFolder);
  return std::string("[Desktop Entry]\nType=Application\nName=") + kAutostartName +
         "\nExec=" + exec + "\nTerminal=false\n";
}

// "\040" and the like in a mount table field.
std::string UnescapeMountField(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
        field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                               (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::vector<std::string> MountPoints() {
  std::vector<std::string> points;
  std::ifstream in(MountTable());
  std::string device, point, type, rest;
  while (in >> device >> point >> type) {
    std::getline(in, rest);
    bool pseudo = false;
    for (const char* p : kPseudoFileSystems) pseudo = pseudo || type == p;
    if (!pseudo) points.push_back(UnescapeMountField(point));
  }
  return points;
}

// The trash folders at the top of one file system: $topdir/.Trash/$uid, where .Trash must be a
// real folder with the sticky bit, and $topdir/.Trash-$uid; both must belong to the user.
void ForEachVolumeTrash(const std::string& topDir, const std::function<void(int)>& visit) {
  const Fd top = OpenFolder(topDir);
  if (!top) return;
  const Fd shared = OpenSubfolder(top.get(), ".Trash");
  struct stat st {};
  if (shared && StatOf(shared.get(), st) && (st.st_mode & S_ISVTX) != 0) {
    const Fd mine = OpenSubfolder(shared.get(), UserId());
    if (mine && OwnedByUser(mine.get())) visit(mine.get());
  }
  const Fd own = OpenSubfolder(top.get(), ".Trash-" + UserId());
  if (own && OwnedByUser(own.get())) visit(own.get());
}

// Each trash of the user, opened without following a link: the home trash, then those of the
// mounted file systems.
void ForEachTrash(const std::function<void(int)>& visit) {
  if (const std::string data = DataHome(); !data.empty()) {
    if (const Fd dataFd = OpenFolder(data)) {
      const Fd home = OpenSubfolder(dataFd.get(), "Trash");
      if (home && OwnedByUser(home.get())) visit(home.get());
    }
  }
  for (const std::string& point : MountPoints()) ForEachVolumeTrash(point, visit);
}

// Replaces the file in its folder atomically, private to the user when it is new; returns 0 or
// errno.
int ReplaceFile(const std::string& folder, const std::string& name, std::string_view bytes) {
  posix::ReplaceOptions options;
  options.newFileMode = 0600;
  return posix::ReplaceFileAtomically(folder + "/" + name, bytes, options);
}

// Creates the missing levels of a folder (mode 0700); returns 0 or errno.
int EnsureFolder(const std::string& folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  if (errno != ENOENT) return errno;
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string level = folder.substr(0, slash);
    if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    if (slash == std::string::npos) return 0;
  }
}

}  // namespace

void SetMountTableForTesting(std::string_view path) {
  TestSeamThread().Use();
  MountTable() = path.empty() ? kDefaultMountTable : std::string(path);
}

void SetShellCallsForTesting(ShellCallCounts*) {}

void EmptyRecycleBins() { ForEachTrash(EmptyTrash); }

RecycleBinContents QueryRecycleBins() {
  RecycleBinContents all;
  ForEachTrash([&all](int trashFd) {
    if (const Fd files = OpenSubfolder(trashFd, "files")) {
      const RecycleBinContents one = Contents(files.get());
      all.entries += one.entries;
      all.bytes += one.bytes;
    }
  });
  return all;
}

void ClearUrlHistoryStore() {
  static constexpr std::string_view kEmptyStore =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<xbel version=\"1.0\" "
      "xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\" "
      "xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\"></xbel>\n";
  const std::string folder = DataHome();
  int err = folder.empty() ? ENOENT : EnsureFolder(folder);
  if (err == 0) err = ReplaceFile(folder, "recently-used.xbel", kEmptyStore);
  if (err != 0) throw Error(posix::FileErrorText(err));
}

namespace {

// Writes the entry; `homeFolder` is the host folder that "--home" names, empty for none.
void WriteAutostartEntry(const std::string& homeFolder) {
  const std::string failed = "Failed to set data for '" + std::string(kAutostartName) + "'";
  const std::string folder = AutostartFolder();
  const std::string executable = posix::ExecutableHostPath();
  // A desktop entry is UTF-8 text: a path that is not would be unreadable (or read as another).
  for (const std::string* path : {&executable, &homeFolder})
    if (!IsUtf8(*path))
      throw Error(failed + ": the path " + *path +
                  " is not UTF-8 text, which a desktop entry cannot hold");
  int err = folder.empty() || executable.empty() ? ENOENT : EnsureFolder(folder);
  if (err == 0) err = ReplaceFile(folder, kAutostartFile, AutostartEntry(executable, homeFolder));
  if (err != 0) throw Error(failed);
}

}  // namespace

void EnableAutostart() { WriteAutostartEntry(""); }

void EnableAutostartFor(std::string_view programFolder) {
  if (programFolder.empty() || IsDefaultProgramFolder(programFolder)) {
    WriteAutostartEntry("");
    return;
  }
  const auto host = ToHostPath(programFolder);
  if (!host) throw Error("Failed to set data for '" + std::string(kAutostartName) + "'");
  std::string folder = *host;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  WriteAutostartEntry(folder);
}

void DisableAutostart() {
  if (const std::string folder = AutostartFolder(); !folder.empty())
    ::unlink((folder + "/" + std::string(kAutostartFile)).c_str());
}

}  // namespace vorlisk::platform
