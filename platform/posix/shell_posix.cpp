// POSIX only: the shell services as the freedesktop.org desktops provide them. The Recycle Bin is
// the Trash (the home trash and the trash folders at the top of every mounted file system), the
// URL history is the "recently used" store.
//
// Trash folders are walked by file descriptor (openat, fstatat, unlinkat): nothing found in a
// trash, nor any trash folder itself, is followed when it is a symbolic link; a link is removed as
// a link. A file system mounted inside a trash is left alone.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/posix/posix_util.h"
#include "platform/shell.h"

namespace vorlisk::platform {

namespace {

constexpr const char* kDefaultMountTable = "/proc/self/mounts";
// Deeper folders in a trash are left in place rather than holding a descriptor per level.
constexpr int kMaxTrashDepth = 256;

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

void EmptyFolder(int dirFd, dev_t device, int depth);

// Removes one entry of a trash folder: a folder with its contents, anything else (links
// included) as itself. Failures are ignored.
void RemoveEntry(int dirFd, const std::string& name, dev_t device, int depth) {
  struct stat st {};
  if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return;
  if (!S_ISDIR(st.st_mode)) {
    ::unlinkat(dirFd, name.c_str(), 0);
    return;
  }
  if (st.st_dev != device || depth >= kMaxTrashDepth) return;
  const Fd sub = OpenSubfolder(dirFd, name);
  struct stat opened {};
  if (!sub || !StatOf(sub.get(), opened) || opened.st_dev != device) return;
  // A trashed read-only folder of ours must be writable to be emptied.
  if (opened.st_uid == ::geteuid() && (opened.st_mode & S_IRWXU) != S_IRWXU)
    ::fchmod(sub.get(), (opened.st_mode & 07777) | S_IRWXU);
  EmptyFolder(sub.get(), device, depth + 1);
  ::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR);
}

void EmptyFolder(int dirFd, dev_t device, int depth) {
  for (const std::string& name : EntryNames(dirFd)) RemoveEntry(dirFd, name, device, depth);
}

// Empties files/, info/ and expunged/ of one trash; the folders themselves stay.
void EmptyTrash(int trashFd) {
  for (const char* part : {"files", "info", "expunged"}) {
    const Fd sub = OpenSubfolder(trashFd, part);
    struct stat st {};
    if (sub && StatOf(sub.get(), st)) EmptyFolder(sub.get(), st.st_dev, 0);
  }
}

std::string UserId() { return std::to_string(::getuid()); }

// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share; "" when there is no home.
std::string DataHome() {
  const char* xdg = ::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  std::string home;
  if (const char* h = ::getenv("HOME"); h != nullptr && h[0] == '/') {
    home = h;
  } else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
    home = pw->pw_dir;
  }
  if (home.empty()) return {};
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return (home == "/" ? "" : home) + "/.local/share";
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
void EmptyVolumeTrash(const std::string& topDir) {
  const Fd top = OpenFolder(topDir);
  if (!top) return;
  const Fd shared = OpenSubfolder(top.get(), ".Trash");
  struct stat st {};
  if (shared && StatOf(shared.get(), st) && (st.st_mode & S_ISVTX) != 0) {
    const Fd mine = OpenSubfolder(shared.get(), UserId());
    if (mine && OwnedByUser(mine.get())) EmptyTrash(mine.get());
  }
  const Fd own = OpenSubfolder(top.get(), ".Trash-" + UserId());
  if (own && OwnedByUser(own.get())) EmptyTrash(own.get());
}

// Writes the file in its folder through a temporary file renamed over it; returns 0 or errno.
int ReplaceFile(const std::string& folder, const std::string& name, std::string_view bytes) {
  std::string temp = folder + "/." + name + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);  // 0600, never through a link
  if (fd < 0) return errno;
  const std::string target = folder + "/" + name;
  struct stat old {};
  if (::lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
  int err = 0;
  for (std::size_t done = 0; err == 0 && done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0)
      done += static_cast<std::size_t>(n);
    else if (errno != EINTR)
      err = n == 0 ? EIO : errno;
  }
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(temp.c_str());
    return err;
  }
  if (const Fd dir = OpenFolder(folder)) ::fsync(dir.get());
  return 0;
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
  MountTable() = path.empty() ? kDefaultMountTable : std::string(path);
}

void EmptyRecycleBins() {
  if (const std::string data = DataHome(); !data.empty()) {
    if (const Fd dataFd = OpenFolder(data)) {
      const Fd home = OpenSubfolder(dataFd.get(), "Trash");
      if (home && OwnedByUser(home.get())) EmptyTrash(home.get());
    }
  }
  for (const std::string& point : MountPoints()) EmptyVolumeTrash(point);
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

}  // namespace vorlisk::platform
