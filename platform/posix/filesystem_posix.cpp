// POSIX only: directory enumeration, attributes, deletion, copying and in-place writing.
//
// Nothing here follows a symbolic link found at the end of a path: entries are examined with
// lstat/fstatat(AT_SYMLINK_NOFOLLOW), links are deleted as links, attributes are never set
// through one, and files are opened for writing with O_NOFOLLOW. A link's target is looked at only
// to tell whether it is a folder (so that the link is reported as one and never descended into).
// As on Windows, a read-only file is not deleted, a folder keeps no read-only bit, and a copy
// reads its source through a link (only the target is never written through).
// POSIX keeps no creation time: the earlier of the change and modification times stands in.
// A name that cannot be Windows text (a "\", a control character) is never reported.
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/openat2.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/filesystem.h"
#include "platform/listed_folder.h"
#include "platform/posix/posix_util.h"
#include "platform/text.h"
#include "platform/wildcard.h"

namespace vorlisk::platform {

namespace {

// Host path of Windows text without a trailing "/" (which would make the system follow a final
// link), the root excepted.
std::optional<std::string> HostOf(std::string_view path, std::size_t* driveFolderLength = nullptr) {
  auto host = posix::HostPathOf(path, driveFolderLength);
  if (host)
    while (host->size() > 1 && host->back() == '/') host->pop_back();
  return host;
}

// Attribute bits of an entry from its own mode; nullopt for special files (never reported).
std::optional<uint32_t> AttributesOf(mode_t ownMode, bool linkTargetIsFolder) {
  if (S_ISREG(ownMode)) return (ownMode & S_IWUSR) ? kAttrArchive : (kAttrArchive | kAttrReadOnly);
  if (S_ISDIR(ownMode)) return kAttrDirectory;
  if (S_ISLNK(ownMode))
    return kAttrReparsePoint | (linkTargetIsFolder ? kAttrDirectory : kAttrArchive);
  return std::nullopt;
}

bool LinkTargetIsFolder(int dirFd, const char* name) {
  struct stat target {};
  return ::fstatat(dirFd, name, &target, 0) == 0 && S_ISDIR(target.st_mode);
}

void FillTimes(const struct stat& st, FindData& data) {
  data.lastWriteTime = st.st_mtim.tv_sec;
  data.lastAccessTime = st.st_atim.tv_sec;
  data.creationTime = std::min<int64_t>(st.st_mtim.tv_sec, st.st_ctim.tv_sec);
}

// Can the host name be Windows text? A "\" is a separator there: "a\..\..\x" would name another
// file or folder altogether (one outside this folder). A control character (a newline, say) is no
// part of a Windows name, and would split a path over two lines of any list or log.
bool IsWindowsName(const char* name) {
  for (const unsigned char* c = reinterpret_cast<const unsigned char*>(name); *c != 0; ++c)
    if (*c < 0x20 || *c == 0x7F || *c == '\\') return false;
  return true;
}

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

// More links than this on the way to one folder are a loop, as the system counts them.
constexpr int kMaxLinkHops = 40;

// The one entry of the folder `fd` whose name equals `name` when the letters a to z are folded,
// as Windows compares names; "" when there is none or more than one (no way to tell which).
std::string OnlyEntryIgnoringCase(int fd, const std::string& name) {
  const int listing = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return {};
  std::unique_ptr<DIR, DirCloser> dir(::fdopendir(listing));
  if (!dir) {
    ::close(listing);
    return {};
  }
  std::string found;
  int count = 0;
  while (const dirent* e = ::readdir(dir.get()))
    if (SameTextAZ(e->d_name, name) && ++count == 1) found = e->d_name;
  return count == 1 ? found : std::string();
}

// Opens a host folder (absolute) level by level, never following a link in passing: a link is
// followed only when it belongs to the process's user or to root, and its target is then walked
// the same way. -1 when the folder cannot be reached so.
// The levels after the first `foldFrom` characters came from Windows text, which ignores case: a
// level with no entry of exactly its name is the one entry that matches it ignoring case. The
// drive's own folder and the targets of links are host paths and match exactly.
int OpenWashFolder(const std::string& hostFolder, std::size_t foldFrom) {
  // Most folders have no link on their way: one call opens them, refusing any link. Any failure
  // (a link, a missing folder, a system without openat2) is left to the walk below.
  open_how how{};
  how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  how.resolve = RESOLVE_NO_SYMLINKS;
  const long direct = ::syscall(SYS_openat2, AT_FDCWD, hostFolder.c_str(), &how, sizeof how);
  if (direct >= 0) return static_cast<int>(direct);
  struct Level {
    std::string name;
    bool anyCase;
  };
  std::vector<Level> pending;  // levels still to walk, the next one last
  auto push = [&pending](std::string_view path, std::size_t foldAt) {
    std::vector<Level> levels;
    for (std::size_t at = 0; at <= path.size();) {
      const std::size_t slash = std::min(path.find('/', at), path.size());
      if (slash > at) levels.push_back({std::string(path.substr(at, slash - at)), at >= foldAt});
      at = slash + 1;
    }
    pending.insert(pending.end(), levels.rbegin(), levels.rend());
  };
  push(hostFolder, foldFrom);
  int fd = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
  int hops = 0;
  while (fd >= 0 && !pending.empty()) {
    const Level level = std::move(pending.back());
    pending.pop_back();
    if (level.name == ".") continue;
    int next = ::openat(fd, level.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0 && errno == ENOENT && level.anyCase) {
      const std::string other = OnlyEntryIgnoringCase(fd, level.name);
      if (!other.empty()) next = ::openat(fd, other.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    }
    struct stat st {};
    if (next >= 0 && ::fstat(next, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      fd = next;
      continue;
    }
    const bool trusted = next >= 0 && S_ISLNK(st.st_mode) &&
                         (st.st_uid == ::geteuid() || st.st_uid == 0) && ++hops <= kMaxLinkHops;
    char target[4096];
    const ssize_t n = trusted ? ::readlinkat(next, "", target, sizeof target) : -1;
    if (next >= 0) ::close(next);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target) {
      ::close(fd);
      return -1;
    }
    const std::string_view link(target, static_cast<std::size_t>(n));
    push(link, std::string_view::npos);
    if (link.front() == '/') {
      ::close(fd);
      fd = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
  }
  if (fd < 0) return -1;
  const int folder = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ::close(fd);
  return folder;
}

// Where a folder lies: its file system and the mount it was reached through (a bind mount of a
// folder of the same file system has the device of its surroundings but a mount of its own).
struct Place {
  uint64_t device = 0, inode = 0, mount = 0;  // mount 0: the kernel tells none
  bool directory = false;
};

std::optional<Place> PlaceOf(int dirFd, const char* name, int flags) {
  struct statx sx {};
  if (::statx(dirFd, name, flags, STATX_TYPE | STATX_INO | STATX_MNT_ID, &sx) != 0)
    return std::nullopt;
  Place p;
  p.device = static_cast<uint64_t>(::makedev(sx.stx_dev_major, sx.stx_dev_minor));
  p.inode = sx.stx_ino;
  if (sx.stx_mask & STATX_MNT_ID) p.mount = sx.stx_mnt_id;
  p.directory = S_ISDIR(sx.stx_mode);
  return p;
}

class PosixFolderHandle final : public FolderHandle {
 public:
  // Takes the descriptor of an open folder; nullptr when it is none.
  // The folder is read with getdents64 on the descriptor itself: a directory stream would cost
  // three more system calls at every folder a walk enters.
  static std::unique_ptr<PosixFolderHandle> Adopt(int fd) {
    if (fd < 0) return nullptr;
    const auto place = PlaceOf(fd, "", AT_EMPTY_PATH);
    if (!place || !place->directory) {
      ::close(fd);
      return nullptr;
    }
    return std::unique_ptr<PosixFolderHandle>(new PosixFolderHandle(fd, *place));
  }
  ~PosixFolderHandle() override { ::close(fd_); }
  PosixFolderHandle(const PosixFolderHandle&) = delete;
  PosixFolderHandle& operator=(const PosixFolderHandle&) = delete;

  int Fd() const { return fd_; }

  std::unique_ptr<FolderHandle> Subfolder(std::string_view name) const override {
    return OpenSubfolder(name);
  }
  std::unique_ptr<PosixFolderHandle> OpenSubfolder(std::string_view name) const {
    const std::string level(name);
    if (level.empty() || level == "." || level == ".." || level.find('/') != std::string::npos)
      return nullptr;
    // Looked at before it is opened, without triggering an automount: a link, or a folder of
    // another mount, is refused without being entered.
    const auto seen = PlaceOf(Fd(), level.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT);
    if (!seen || !seen->directory || !SameMount(*seen)) return nullptr;
    auto child =
        Adopt(::openat(Fd(), level.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // The folder opened must be the one looked at: nothing swapped in between.
    if (!child || child->place_.device != seen->device || child->place_.inode != seen->inode ||
        !SameMount(child->place_))
      return nullptr;
    return child;
  }

  std::unique_ptr<FolderHandle> Parent() const override { return OpenParent(); }
  // A second handle of this very folder.
  std::unique_ptr<PosixFolderHandle> Reopen() const {
    return Adopt(::openat(Fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  }
  std::unique_ptr<PosixFolderHandle> OpenParent() const {
    return Adopt(::openat(Fd(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  }

  FileIdentity Identity() const override { return {place_.device, place_.inode}; }

  bool List(std::string_view maskText, const std::function<bool(const FindData&)>& onEntry,
            std::vector<std::string>* subfolders, FindDetail detail) override;
  std::size_t UnnamableFiles() const override { return unnamable_; }

 private:
  PosixFolderHandle(int fd, const Place& place) : fd_(fd), place_(place) {}
  // A mount of its own (a file system or a bind mount placed there) tells a mount point; where the
  // kernel gives no mount identity, another device does. A subvolume of the same mount (btrfs),
  // which has a device number of its own, is a folder like any other.
  bool SameMount(const Place& other) const {
    if (other.mount != 0 && place_.mount != 0) return other.mount == place_.mount;
    return other.device == place_.device;
  }

  // One entry of a listing; false to stop.
  bool Entry(const dirent64& e, const char* name, const WildcardMask& mask,
             const std::function<bool(const FindData&)>& onEntry,
             std::vector<std::string>* subfolders, bool kindOnly, FindData& data);

  int fd_;
  Place place_;
  bool read_ = false;  // listed before: the next listing starts again from the beginning
  std::size_t unnamable_ = 0;
};

// One pass over the folder. Only entries that match the mask are examined further (one fstatat
// each, none for a regular file with FindDetail::KindOnly); subfolders are recognised from the
// entry type where the file system gives it. Without a look at the file, its identity is the
// folder's device and the inode number that the listing gives.
bool PosixFolderHandle::List(std::string_view maskText,
                             const std::function<bool(const FindData&)>& onEntry,
                             std::vector<std::string>* subfolders, FindDetail detail) {
  const WildcardMask mask(maskText);
  if (read_ && ::lseek(fd_, 0, SEEK_SET) != 0) return false;
  read_ = true;
  unnamable_ = 0;
  const bool kindOnly = detail == FindDetail::KindOnly;
  FindData data;
  alignas(dirent64) char buffer[32768];
  for (;;) {
    const ssize_t got = ::getdents64(fd_, buffer, sizeof buffer);
    if (got <= 0) break;  // the end, or a folder that can no longer be read
    for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
      dirent64 entry;  // copied out: the buffer's records are aligned for it, but say so
      const std::size_t fixed = offsetof(dirent64, d_name);
      std::memcpy(&entry, buffer + at, fixed);
      const char* name = buffer + at + fixed;
      at += entry.d_reclen;
      if (!Entry(entry, name, mask, onEntry, subfolders, kindOnly, data)) return true;
    }
  }
  return true;
}

bool PosixFolderHandle::Entry(const dirent64& e, const char* name, const WildcardMask& mask,
                              const std::function<bool(const FindData&)>& onEntry,
                              std::vector<std::string>* subfolders, bool kindOnly, FindData& data) {
  const int dirFd = fd_;
  if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) return true;
  if (!IsWindowsName(name)) {  // never reported or entered, only counted
    struct stat st {};
    if (mask.Matches(name) && ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(st.st_mode))
      ++unnamable_;
    return true;
  }
  const bool matches = mask.Matches(name);
  const bool typeKnown = e.d_type != DT_UNKNOWN;
  if (subfolders && typeKnown && e.d_type == DT_DIR) subfolders->emplace_back(name);
  if (!matches && (typeKnown || !subfolders)) return true;
  if (kindOnly && e.d_type == DT_REG) {
    data.name = name;
    data.attributes = kAttrArchive;
    data.size = 0;
    data.creationTime = data.lastAccessTime = data.lastWriteTime = 0;
    data.identity = {place_.device, static_cast<uint64_t>(e.d_ino)};
    return onEntry(data);
  }

  struct stat st {};
  if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return true;  // gone meanwhile
  if (subfolders && !typeKnown && S_ISDIR(st.st_mode)) subfolders->emplace_back(name);
  if (!matches) return true;
  const auto attributes =
      AttributesOf(st.st_mode, S_ISLNK(st.st_mode) && LinkTargetIsFolder(dirFd, name));
  if (!attributes) return true;

  data.name = name;
  data.attributes = *attributes;
  data.size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
  FillTimes(st, data);
  data.identity = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  return onEntry(data);
}

// The folder of Windows text, reached as a wash reaches it, so that a search lists no folder
// that a wash would not enter.
std::unique_ptr<PosixFolderHandle> OpenFolderOf(std::string_view folder) {
  std::size_t driveFolderLength = 0;
  const auto host = posix::HostPathOf(folder, &driveFolderLength);
  if (!host) return nullptr;
  return PosixFolderHandle::Adopt(OpenWashFolder(*host, driveFolderLength));
}

bool ReadFolder(std::string_view pattern, const std::function<bool(const FindData&)>& onEntry,
                std::vector<std::string>* subfolders, FindDetail detail) {
  const auto folder = OpenFolderOf(ExtractFilePath(pattern));
  return folder && folder->List(ExtractFileName(pattern), onEntry, subfolders, detail);
}

bool CopyAll(int in, int out) {
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (posix::WriteAll(out, {buf, static_cast<std::size_t>(n)}) != 0) return false;
  }
}

class PosixFileWriter final : public FileWriter {
 public:
  PosixFileWriter(int fd, uint64_t size) : fd_(fd), size_(size) {}
  ~PosixFileWriter() override { ::close(fd_); }
  PosixFileWriter(const PosixFileWriter&) = delete;
  PosixFileWriter& operator=(const PosixFileWriter&) = delete;

  uint64_t Size() const override { return size_; }

  bool WriteAt(uint64_t offset, const void* data, std::size_t size) override {
    const auto* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = ::pwrite(fd_, bytes + done, size - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    size_ = std::max<uint64_t>(size_, offset + done);
    return done == size;
  }

  std::optional<ByteRange> NextData(uint64_t from) override {
    if (from >= size_) return std::nullopt;
    const off_t start = ::lseek(fd_, static_cast<off_t>(from), SEEK_DATA);
    // ENXIO: nothing but holes from here. Any other failure (a file system that cannot tell)
    // counts the rest as data: overwriting too much is safe, too little is not.
    if (start < 0)
      return errno == ENXIO ? std::nullopt : std::optional<ByteRange>({from, size_ - from});
    const auto begin = static_cast<uint64_t>(start);
    if (begin >= size_) return std::nullopt;
    const off_t hole = ::lseek(fd_, start, SEEK_HOLE);
    const uint64_t end = hole < 0 ? size_ : std::min<uint64_t>(static_cast<uint64_t>(hole), size_);
    return ByteRange{begin, end - begin};
  }

  bool Flush() override {
    if (posix::WriteFault() == "flush") return false;
    for (;;) {
      if (::fdatasync(fd_) == 0) return true;
      if (errno != EINTR) return false;
    }
  }

 private:
  int fd_;
  uint64_t size_;
};

}  // namespace

std::unique_ptr<FolderHandle> FolderHandle::Open(std::string_view folder) {
  return OpenFolderOf(folder);
}

bool FindFiles(std::string_view pattern, const std::function<bool(const FindData&)>& onEntry,
               FindDetail detail) {
  return ReadFolder(pattern, onEntry, nullptr, detail);
}

bool FindFilesAndSubfolders(std::string_view pattern,
                            const std::function<bool(const FindData&)>& onEntry,
                            std::vector<std::string>& subfolders, FindDetail detail) {
  return ReadFolder(pattern, onEntry, &subfolders, detail);
}

namespace {

// What a regular file holds on disk: its size, or the blocks it has when that is less (holes).
uint64_t SizeOnDisk(const struct stat& st) {
  return std::min(static_cast<uint64_t>(st.st_size), static_cast<uint64_t>(st.st_blocks) * 512);
}

// GetFileStatus of `name` in the folder `dirFd` (AT_FDCWD: name is a whole path).
std::optional<FileStatus> StatusAt(int dirFd, const char* name) {
  struct stat st {};
  if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
  FileStatus s;
  s.isLink = S_ISLNK(st.st_mode);
  if (s.isLink) {
    struct stat target {};
    s.isDirectory = ::fstatat(dirFd, name, &target, 0) == 0 && S_ISDIR(target.st_mode);
    s.isFile = !s.isDirectory;
  } else {
    s.isDirectory = S_ISDIR(st.st_mode);
    s.isFile = S_ISREG(st.st_mode);
  }
  if (S_ISREG(st.st_mode)) {
    s.linkCount = static_cast<uint32_t>(st.st_nlink);
    s.size = static_cast<uint64_t>(st.st_size);
    s.sizeOnDisk = SizeOnDisk(st);
  }
  // A special file (pipe, socket, device) exists but is neither a file nor a folder.
  s.attributes = AttributesOf(st.st_mode, s.isLink && s.isDirectory).value_or(0);
  return s;
}

}  // namespace

std::optional<FileStatus> GetFileStatus(std::string_view path) {
  const auto host = HostOf(path);
  return host ? StatusAt(AT_FDCWD, host->c_str()) : std::nullopt;
}

std::optional<FileIdentity> GetFileIdentity(std::string_view path) {
  const auto host = HostOf(path);
  struct stat st {};
  if (!host || ::stat(host->c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

std::optional<uint32_t> FileAttributesOf(std::string_view path) {
  const auto status = GetFileStatus(path);
  if (!status || status->attributes == 0) return std::nullopt;
  return status->attributes;
}

bool SetFileAttributesOf(std::string_view path, uint32_t attributes) {
  const auto host = HostOf(path);
  struct stat st {};
  if (!host || ::lstat(host->c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) return true;  // a folder keeps no read-only bit, as on Windows
  if (!S_ISREG(st.st_mode)) return false;
  const mode_t mode =
      (attributes & kAttrReadOnly) ? (st.st_mode & ~mode_t{S_IWUSR}) : (st.st_mode | S_IWUSR);
  if (mode == st.st_mode) return true;
  // AT_SYMLINK_NOFOLLOW: should a link have taken the file's place meanwhile, nothing changes.
  return ::fchmodat(AT_FDCWD, host->c_str(), mode & 07777, AT_SYMLINK_NOFOLLOW) == 0;
}

bool FileExists(std::string_view path) {
  const auto status = GetFileStatus(path);
  return status && status->isFile;
}

bool DirectoryExists(std::string_view path) {
  const auto status = GetFileStatus(path);
  return status && status->isDirectory;
}

bool RemoveFile(std::string_view path) {
  const auto host = HostOf(path);
  struct stat st {};
  if (!host || ::lstat(host->c_str(), &st) != 0) return false;
  const bool readOnlyFile = S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR);
  if (!(S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) || readOnlyFile) return false;
  // unlink never removes a folder and removes a link itself, not its target.
  return ::unlink(host->c_str()) == 0;
}

namespace {

// DeleteExistingFile of `name` in the folder `dirFd` (AT_FDCWD: name is a whole path).
// DeleteExistingAt of a file whose look was taken already: one system call. A read-only file that
// is to be made writable first is looked at anew (its mode is needed).
std::optional<DeleteOutcome> DeleteLookedAt(int dirFd, const char* name, bool clearReadOnly,
                                            uint64_t* freedBytes, const FileStatus& looked) {
  if (!looked.isFile) return DeleteOutcome::Missing;
  if (!looked.isLink && (looked.attributes & kAttrReadOnly) != 0)
    return clearReadOnly ? std::nullopt : std::optional(DeleteOutcome::ReadOnly);
  if (::unlinkat(dirFd, name, 0) == 0) {
    if (freedBytes) *freedBytes = !looked.isLink && looked.linkCount == 1 ? looked.sizeOnDisk : 0;
    return DeleteOutcome::Deleted;
  }
  // A folder in the file's place since the look is not the file: it was never there to remove.
  return errno == ENOENT || errno == EISDIR ? DeleteOutcome::Missing : DeleteOutcome::Failed;
}

DeleteOutcome DeleteExistingAt(int dirFd, const char* name, bool clearReadOnly,
                               uint64_t* freedBytes = nullptr) {
  struct stat st {};
  if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return DeleteOutcome::Missing;
  if (S_ISLNK(st.st_mode)) {
    struct stat target {};
    if (::fstatat(dirFd, name, &target, 0) == 0 && S_ISDIR(target.st_mode))
      return DeleteOutcome::Missing;
  } else if (!S_ISREG(st.st_mode)) {
    return DeleteOutcome::Missing;
  } else if (!(st.st_mode & S_IWUSR)) {
    if (!clearReadOnly) return DeleteOutcome::ReadOnly;
    // AT_SYMLINK_NOFOLLOW: should a link have taken the file's place meanwhile, nothing changes.
    if (::fchmodat(dirFd, name, (st.st_mode | S_IWUSR) & 07777, AT_SYMLINK_NOFOLLOW) != 0)
      return errno == ENOENT ? DeleteOutcome::Missing : DeleteOutcome::Failed;
  }
  // unlinkat without AT_REMOVEDIR never removes a folder and removes a link itself. A file gone
  // since the look above is missing, not a failure.
  if (::unlinkat(dirFd, name, 0) == 0) {
    if (freedBytes) *freedBytes = S_ISREG(st.st_mode) && st.st_nlink == 1 ? SizeOnDisk(st) : 0;
    return DeleteOutcome::Deleted;
  }
  return errno == ENOENT ? DeleteOutcome::Missing : DeleteOutcome::Failed;
}

// Would unlinkat(dirFd, <file>) be allowed for this process? The folder must be writable and
// searchable for the effective user (root passes, as the unlink would), neither immutable nor
// append-only, and in a sticky folder the file or the folder must be the user's (or the user
// root).
bool NameRemovableAt(int dirFd, const struct stat& file) {
  if (::faccessat(dirFd, ".", W_OK | X_OK, AT_EACCESS) != 0) return false;
  struct stat folder {};
  if (::fstat(dirFd, &folder) != 0) return false;
  const uid_t user = ::geteuid();
  if ((folder.st_mode & S_ISVTX) && user != 0 && user != file.st_uid && user != folder.st_uid)
    return false;
  int flags = 0;  // a file system without these flags fails the call: nothing stops the unlink
  return ::ioctl(dirFd, FS_IOC_GETFLAGS, &flags) != 0 ||
         (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) == 0;
}

// FileWriter::OpenExisting of `name` in the folder `dirFd`.
std::unique_ptr<FileWriter> OpenExistingAt(int dirFd, const char* name) {
  struct stat before {};
  // Look before opening, so that a device or pipe is never opened at all.
  if (::fstatat(dirFd, name, &before, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(before.st_mode))
    return nullptr;
  const int fd = ::openat(dirFd, name, O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  // Re-check on the open file: the same regular file, writable by its owner, with no other name.
  const bool refused = ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
                       st.st_ino != before.st_ino || st.st_dev != before.st_dev ||
                       !(st.st_mode & S_IWUSR) || st.st_nlink != 1 || !NameRemovableAt(dirFd, st);
  // Shared with no other locker; a refusal above is the system's "access denied" to the caller
  // (LastFileErrorText), whatever the process's privileges.
  if (refused || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int err = refused ? EACCES : errno;
    ::close(fd);
    errno = err;
    return nullptr;
  }
  return std::make_unique<PosixFileWriter>(fd, static_cast<uint64_t>(st.st_size));
}

}  // namespace

DeleteOutcome DeleteExistingFile(std::string_view path) { return FileRemover().Remove(path); }

// The open folder of the last file. Without a listing, its host path and descriptor. With one, the
// folder the search listed it in, reached from the folder the entry named through real subfolders
// only (ListedFolder, platform/listed_folder.h).
struct FileRemover::OpenFolder {
  ~OpenFolder() {
    if (fd >= 0) ::close(fd);
  }
  // The open folder of `file` (-1 when it cannot be reached); `name` is the file's name in it.
  int For(FileInFolder file, std::string& name, const ListedIn* listed) {
    if (listed) return Listed(file, name, *listed);
    std::size_t driveFolderLength = 0;
    std::string path(file.folder);
    path += file.name;
    const auto host = HostOf(path, &driveFolderLength);
    if (!host) return -1;
    const auto slash = host->rfind('/');
    if (slash == std::string::npos || slash + 1 == host->size()) return -1;
    const std::string hostFolder = slash == 0 ? "/" : host->substr(0, slash);
    if (fd < 0 || hostFolder != hostPath) {
      if (fd >= 0) ::close(fd);
      fd = OpenWashFolder(hostFolder, driveFolderLength);
      hostPath = hostFolder;
    }
    name = host->substr(slash + 1);
    return fd;
  }

  int Listed(FileInFolder file, std::string& name, const ListedIn& listed) {
    const std::string_view folder = file.folder;
    if (file.name.empty() || file.name.find('\\') != std::string_view::npos || folder.empty() ||
        folder.back() != '\\' || listed.anchorLength == 0 || listed.anchorLength > folder.size() ||
        folder[listed.anchorLength - 1] != '\\')
      return -1;
    name.assign(file.name);
    PosixFolderHandle* const open = listed_.Find(folder, listed, OpenFolderOf);
    return open ? open->Fd() : -1;
  }

  // The name of the file in its folder, as the system call takes it (kept for its buffer).
  std::string fileName;
  // Without a listing.
  std::string hostPath;
  int fd = -1;
  // With one.
  ListedFolder<PosixFolderHandle> listed_;
};

FileRemover::FileRemover() : folder_(std::make_unique<OpenFolder>()) {}
FileRemover::~FileRemover() = default;

DeleteOutcome FileRemover::Remove(FileInFolder file, bool clearReadOnly, uint64_t* freedBytes,
                                  const ListedIn* listed, const FileStatus* looked) {
  std::string& name = folder_->fileName;
  const int dirFd = folder_->For(file, name, listed);
  if (dirFd < 0) return DeleteOutcome::Missing;
  if (looked)
    if (const auto outcome =
            DeleteLookedAt(dirFd, name.c_str(), clearReadOnly, freedBytes, *looked))
      return *outcome;
  return DeleteExistingAt(dirFd, name.c_str(), clearReadOnly, freedBytes);
}

std::optional<FileStatus> FileRemover::Status(FileInFolder file, const ListedIn* listed) {
  std::string& name = folder_->fileName;
  const int dirFd = folder_->For(file, name, listed);
  return dirFd < 0 ? std::nullopt : StatusAt(dirFd, name.c_str());
}

std::unique_ptr<FileWriter> FileRemover::OpenForOverwrite(FileInFolder file,
                                                          const ListedIn* listed) {
  std::string& name = folder_->fileName;
  const int dirFd = folder_->For(file, name, listed);
  return dirFd < 0 ? nullptr : OpenExistingAt(dirFd, name.c_str());
}

bool FileRemover::RemoveEmptyFolder(std::string_view folder, const ListedIn& parent,
                                    const FileIdentity& identity) {
  const std::size_t anchor = parent.anchorLength;
  if (anchor == 0 || folder.size() <= anchor + 1 || folder.back() != '\\' ||
      folder[anchor - 1] != '\\')
    return false;
  // The parent, reached as the folder of a listed file; the folder itself is only named there.
  const std::size_t cut = folder.rfind('\\', folder.size() - 2);
  const std::string name(folder.substr(cut + 1, folder.size() - cut - 2));
  PosixFolderHandle* const at =
      folder_->listed_.Find(folder.substr(0, cut + 1), parent, OpenFolderOf);
  if (!at) return false;
  // The folder the walk listed there, looked at right before it goes: not a link, and by its
  // identity (device included) neither another folder nor a mount point swapped in since.
  struct stat st {};
  if (::fstatat(at->Fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
      FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)} != identity)
    return false;
  return ::unlinkat(at->Fd(), name.c_str(), AT_REMOVEDIR) == 0;
}

std::string LastFileErrorText() { return posix::FileErrorText(errno); }

bool MakeDirectory(std::string_view path) {
  const auto host = HostOf(path);
  return host && ::mkdir(host->c_str(), 0777) == 0;
}

bool CopyFileTo(std::string_view source, std::string_view target, bool failIfExists) {
  const auto from = HostOf(source);
  const auto to = HostOf(target);
  if (!from || !to) return false;
  struct stat existing {};
  const bool exists = ::lstat(to->c_str(), &existing) == 0;
  if (failIfExists && exists) return false;
  // A read-only file is not replaced, whatever the process's privileges (as Windows refuses it).
  if (exists && S_ISREG(existing.st_mode) && (existing.st_mode & S_IWUSR) == 0) return false;

  const int in = ::open(from->c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (in < 0) return false;
  struct stat st {};
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    return false;
  }
  // The copy takes the source's permissions and times. The temporary file takes the target's
  // name in one step; a link there is replaced, never written through. With failIfExists the
  // rename keeps a file that appeared meanwhile.
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  posix::ReplaceOptions options;
  options.failIfExists = failIfExists;
  const int err = posix::ReplaceFileAtomically(
      *to,
      [&](int out) {
        return CopyAll(in, out) && ::fchmod(out, st.st_mode & 07777) == 0 &&
                       ::futimens(out, times) == 0
                   ? 0
                   : EIO;
      },
      options);
  ::close(in);
  return err == 0;
}

std::unique_ptr<FileWriter> FileWriter::OpenExisting(std::string_view path) {
  return FileRemover().OpenForOverwrite(path);
}

}  // namespace vorlisk::platform
