// POSIX only: the line-by-line text file of the wash log.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/posix/posix_util.h"

namespace vorlisk::platform {

namespace {

class PosixLineWriter final : public LineWriter {
 public:
  explicit PosixLineWriter(int fd) : fd_(fd) {}
  ~PosixLineWriter() override {
    if (fd_ >= 0) ::close(fd_);
  }
  PosixLineWriter(const PosixLineWriter&) = delete;
  PosixLineWriter& operator=(const PosixLineWriter&) = delete;

  void WriteLine(std::string_view line) override {
    if (fd_ < 0) throw Error(posix::FileErrorText(EBADF));
    std::string bytes(line);
    bytes += "\r\n";
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        throw Error(posix::FileErrorText(errno));
      }
      done += static_cast<std::size_t>(n);
    }
  }

  void Close() override {
    if (fd_ < 0) return;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw Error(posix::FileErrorText(errno));
  }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<LineWriter> LineWriter::OpenAppend(std::string_view path) {
  const auto host = posix::HostPathOf(path);
  if (!host) throw Error(posix::FileErrorText(ENOTDIR));  // "Path not found"
  // O_NOFOLLOW: never append through a link. O_NONBLOCK: a pipe planted at the path must not
  // hang the open; only a regular file is accepted below. An existing file is opened without
  // O_CREAT, so that the checks below know whether it was there before.
  constexpr int kFlags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  bool created = false;
  int fd = ::open(host->c_str(), kFlags);
  if (fd < 0 && errno == ENOENT) {
    fd = ::open(host->c_str(), kFlags | O_CREAT | O_EXCL, 0644);
    created = fd >= 0;
    // Another process created it meanwhile: open the file it made.
    if (fd < 0 && errno == EEXIST) fd = ::open(host->c_str(), kFlags);
  }
  if (fd < 0) throw Error(posix::FileErrorText(errno == ELOOP ? EACCES : errno));
  // Refused as a link is: a special file; a file with a second hard link, which may lie outside
  // the program folder; and a read-only file, whatever the process's privileges (as Windows
  // refuses to open it for writing).
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink > 1 ||
      (!created && (st.st_mode & S_IWUSR) == 0)) {
    ::close(fd);
    throw Error(posix::FileErrorText(EACCES));
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  // One writer at a time: a run of another process appends after this one has closed the file,
  // never into the middle of it.
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      const int err = errno;
      ::close(fd);
      throw Error(posix::FileErrorText(err));
    }
  }
  return std::make_unique<PosixLineWriter>(fd);
}

}  // namespace vorlisk::platform
