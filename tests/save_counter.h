// Counts the saves of one file in a folder: each atomic save renames a new file onto the name.
// Renames away are watched too, so that the kernel cannot merge two saves into one event.
// Used by the registry tests and the registry benchmark (no test framework needed).
#pragma once

#include <sys/inotify.h>
#include <unistd.h>

#include <string>

namespace vorlisk::test {

class SaveCounter {
 public:
  explicit SaveCounter(const std::string& hostFolder) : fd_(::inotify_init1(IN_NONBLOCK)) {
    ::inotify_add_watch(fd_, hostFolder.c_str(), IN_MOVED_FROM | IN_MOVED_TO);
  }
  ~SaveCounter() { ::close(fd_); }
  SaveCounter(const SaveCounter&) = delete;
  SaveCounter& operator=(const SaveCounter&) = delete;

  // Saves of `name` since the last call.
  int Saves(const std::string& name) {
    int saves = 0;
    alignas(inotify_event) char buf[4096];
    for (ssize_t n; (n = ::read(fd_, buf, sizeof buf)) > 0;)
      for (ssize_t at = 0; at < n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
        saves += (e->mask & IN_MOVED_TO) && e->len > 0 && name == e->name;
        at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
      }
    return saves;
  }

 private:
  int fd_;
};

}  // namespace vorlisk::test
