// The end of the desktop session or of the machine. The session manager's request reaches the
// window through Qt (and so does Windows' WM_QUERYENDSESSION); a shutdown of the machine announced
// by systemd-logind is held back by a delay lock while the shutdown wash is on, so that wash runs
// to its end before the machine goes on, and the lock goes as soon as it is done.
#pragma once

#include <functional>
#include <memory>

namespace vorlisk::window {

// The system's lock that delays a shutdown while it is held (up to the system's own limit).
class ShutdownLock {
 public:
  virtual ~ShutdownLock() = default;
  // Takes the lock; whether it is now held. Where there is no system to ask: false, silently.
  virtual bool Take() = 0;
  virtual void Release() = 0;
};

// When the lock is held, and what a shutdown notice does.
class ShutdownWatch {
 public:
  // wanted: whether the shutdown wash is on. endSession: the shutdown wash run to its end and the
  // orderly close (queued), both as the session manager's request does them.
  ShutdownWatch(ShutdownLock& lock, std::function<bool()> wanted, std::function<void()> endSession);

  // Holds the lock exactly while the shutdown wash is on: at start and after each Apply.
  void Update();
  // The system's notice. start: the machine is shutting down: the session ends, then the lock is
  // let go at once. Not start: the shutdown was called off: the lock is taken again if wanted.
  void PrepareForShutdown(bool start);
  bool Held() const { return held_; }

 private:
  ShutdownLock& lock_;
  std::function<bool()> wanted_;
  std::function<void()> endSession_;
  bool held_ = false;
};

// SIGTERM, which a session manager sends its programs at logout (and the system at shutdown), is
// from now on noted as the end of the session rather than ending the process. Call after
// platform::WatchTerminationRequests, which keeps SIGINT and SIGHUP. Nothing on Windows.
void WatchSessionEndSignal();
// Whether SIGTERM came since the last call.
bool TakeSessionEndSignal();

// systemd-logind's delay inhibitor for "shutdown" through the system bus, its PrepareForShutdown
// signal passed to `notice`. Without a system bus or logind, a lock that is never held. On Windows,
// where the session manager's request covers shutdown, the same.
std::unique_ptr<ShutdownLock> MakeShutdownLock(std::function<void(bool)> notice);

}  // namespace vorlisk::window
