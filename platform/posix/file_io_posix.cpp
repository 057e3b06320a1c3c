// POSIX only: whole-file reads, atomic replacement and file stamps.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>  // renameat2
#include <cstring>
#include <ctime>
#include <mutex>
#include <random>

#include "platform/drives.h"
#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/posix/posix_util.h"
#include "platform/thread_check.h"

namespace vorlisk::platform {

namespace posix {

std::string FileErrorText(int err) {
  switch (err) {
    case ENOENT:
      return "File not found";
    case ENOTDIR:
      return "Path not found";
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      return "File access denied";
    case ENOSPC:
    case EDQUOT:
      return "Disk full";
    case EMFILE:
    case ENFILE:
      return "Too many open files";
    case EISDIR:
      return "File access denied";
    default:
      return std::string("I/O error: ") + std::strerror(err);
  }
}

std::optional<std::string> HostPathOf(std::string_view windowsPath,
                                      std::size_t* driveFolderLength) {
  const std::string full = FullPathName(windowsPath);
  auto host = ToHostPath(full);
  if (host && driveFolderLength) *driveFolderLength = DriveMapping(full[0]).value_or("").size();
  return host;
}

namespace {
std::string& FaultStorage() {
  static std::string fault;
  return fault;
}
}  // namespace

const std::string& WriteFault() { return FaultStorage(); }

namespace {
std::atomic<int> replacementsMade{0};
int replacementLimit = -1;  // the count at which replacements begin to fail; -1: never
}  // namespace

void SetReplacementLimitForTesting(int replacements) {
  TestSeamThread().Use();
  replacementLimit = replacements < 0 ? -1 : replacementsMade.load() + replacements;
}

int ReplacementsMade() { return replacementsMade.load(); }

namespace {

std::string FolderOf(const std::string& hostPath) {
  const auto slash = hostPath.rfind('/');
  return slash == 0 || slash == std::string::npos ? "/" : hostPath.substr(0, slash);
}

// Creates a new empty file with permissions `mode` beside `hostPath` (same folder, hidden name)
// for a write that ends in a rename over `hostPath`; never opens through a link. The file is
// locked (flock) while the descriptor stays open. Sets `tmpPath` and returns the descriptor, or -1
// with errno set.
int CreateTempBeside(const std::string& hostPath, unsigned mode, std::string& tmpPath) {
  const std::string dir = FolderOf(hostPath);
  const std::string base = hostPath.substr(hostPath.rfind('/') + 1);
  // Shared by every thread that writes.
  static std::mutex rngMutex;
  static std::mt19937_64 rng{std::random_device{}()};
  for (int attempt = 0; attempt < 16; ++attempt) {
    uint64_t number = 0;
    {
      std::lock_guard lock(rngMutex);
      number = rng() % 1000000000ULL;
    }
    tmpPath = dir + "/." + base + ".tmp" + std::to_string(number);
    const int fd = ::open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                          static_cast<mode_t>(mode));
    if (fd >= 0) ::flock(fd, LOCK_EX);  // a new file: nobody else holds it
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Is `name` one that CreateTempBeside makes: "." + a file's name + ".tmp" + 1 to 9 digits? Then
// the name of the file it was to replace; otherwise nullopt.
std::optional<std::string_view> TempNameFor(std::string_view name) {
  const auto tmp = name.rfind(".tmp");
  if (name.size() < 2 || name.front() != '.' || tmp == std::string_view::npos || tmp < 2)
    return std::nullopt;
  const std::string_view digits = name.substr(tmp + 4);
  if (digits.empty() || digits.size() > 9 ||
      digits.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  return name.substr(1, tmp - 1);
}

// How long a temporary file stays untouched before it may be taken for a dead writer's: it
// covers the moments a writer does not hold its lock (between creating the file and locking it,
// between closing it and renaming it).
constexpr time_t kStaleTempAgeSeconds = 60;
time_t staleTempAge = kStaleTempAgeSeconds;

// Flushes the folder that holds `hostPath`, so that a rename into it survives a crash.
void SyncFolderOf(const std::string& hostPath) {
  const int dfd = ::open(FolderOf(hostPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

}  // namespace

int WriteAll(int fd, std::string_view bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0)
      done += static_cast<std::size_t>(n);
    else if (n == 0)
      return EIO;
    else if (errno != EINTR)
      return errno;
  }
  return 0;
}

int ReplaceFileAtomically(const std::string& hostPath, const std::function<int(int fd)>& fill,
                          const ReplaceOptions& options) {
  std::string tmp;
  const int fd = CreateTempBeside(hostPath, options.newFileMode, tmp);
  if (fd < 0) return errno;
  // Keep the permissions of the file being replaced (never those of a link's target).
  struct stat old {};
  if (::lstat(hostPath.c_str(), &old) == 0 && S_ISREG(old.st_mode))
    ::fchmod(fd, old.st_mode & 07777);
  int err = WriteFault() == "write" ? ENOSPC : fill(fd);
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && (WriteFault() == "rename" ||
                   (replacementLimit >= 0 && replacementsMade.load() >= replacementLimit)))
    err = EIO;
  if (err == 0 && ::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, hostPath.c_str(),
                              options.failIfExists ? RENAME_NOREPLACE : 0) != 0)
    err = errno;
  if (err != 0) {
    ::unlink(tmp.c_str());
    return err;
  }
  SyncFolderOf(hostPath);  // make the rename itself durable
  ++replacementsMade;
  return 0;
}

int ReplaceFileAtomically(const std::string& hostPath, std::string_view bytes,
                          const ReplaceOptions& options) {
  return ReplaceFileAtomically(
      hostPath, [bytes](int fd) { return WriteAll(fd, bytes); }, options);
}

}  // namespace posix

void SetWriteFaultForTesting(std::string_view fault) {
  TestSeamThread().Use();
  posix::FaultStorage() = std::string(fault);
}

std::optional<std::string> ReadFileBytes(std::string_view path) {
  const auto host = posix::HostPathOf(path);
  if (!host) return std::nullopt;
  // O_NONBLOCK: a pipe planted at the path must not hang the open; only a regular file is read
  // (a pipe or device would hang the read or never end).
  const int fd = ::open(host->c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  std::string out;
  out.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return out;
}

void WriteFileAtomically(std::string_view path, std::string_view bytes) {
  const std::string shown(path);
  const auto host = posix::HostPathOf(path);
  if (!host) throw WriteError(shown);
  // A read-only file is not written, whatever the process's privileges (as Windows refuses it).
  struct stat old {};
  if (::lstat(host->c_str(), &old) == 0 && S_ISREG(old.st_mode) && (old.st_mode & S_IWUSR) == 0)
    throw WriteError(shown);
  if (posix::ReplaceFileAtomically(*host, bytes) != 0) throw WriteError(shown);
}

void SetStaleTempAgeForTesting(int seconds) {
  TestSeamThread().Use();
  posix::staleTempAge = seconds < 0 ? posix::kStaleTempAgeSeconds : seconds;
}

void RemoveStaleTempFiles(std::string_view folder, const std::vector<std::string>& names) {
  const auto host = posix::HostPathOf(folder);
  if (!host) return;
  const int dfd = ::open(host->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return;
  DIR* dir = ::fdopendir(dfd);
  if (!dir) {
    ::close(dfd);
    return;
  }
  // The fine clock: time() may lag a file's status change time, which the file system can take
  // from a finer clock.
  timespec clock{};
  ::clock_gettime(CLOCK_REALTIME, &clock);
  const time_t now = clock.tv_sec;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    const auto replaced = posix::TempNameFor(name);
    if (!replaced ||
        (!names.empty() && std::find(names.begin(), names.end(), *replaced) == names.end()))
      continue;
    // A regular file of its own (never a link, never one with other hard links), unchanged for a
    // while (the status change time, which a copy's kept times do not hide), and whose writer no
    // longer holds it: a writer locks its temporary file until it is renamed or removed.
    struct stat st {};
    if (::fstatat(dfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
        st.st_nlink != 1 || now - st.st_ctim.tv_sec < posix::staleTempAge)
      continue;
    const int fd =
        ::openat(dfd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) continue;
    struct stat opened {};
    if (::fstat(fd, &opened) == 0 && opened.st_dev == st.st_dev && opened.st_ino == st.st_ino &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      struct stat still {};
      if (::fstatat(dfd, name.c_str(), &still, AT_SYMLINK_NOFOLLOW) == 0 &&
          still.st_dev == st.st_dev && still.st_ino == st.st_ino)
        ::unlinkat(dfd, name.c_str(), 0);
    }
    ::close(fd);
  }
  ::closedir(dir);  // closes dfd too
}

std::optional<FileStamp> GetFileStamp(std::string_view path) {
  const auto host = posix::HostPathOf(path);
  if (!host) return std::nullopt;
  struct stat st {};
  if (::stat(host->c_str(), &st) != 0) return std::nullopt;
  FileStamp s;
  s.device = static_cast<uint64_t>(st.st_dev);
  s.inode = static_cast<uint64_t>(st.st_ino);
  s.size = static_cast<uint64_t>(st.st_size);
  s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  s.ctimeNs = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
  return s;
}

}  // namespace vorlisk::platform
