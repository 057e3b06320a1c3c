// The end of the session on Windows: WM_QUERYENDSESSION reaches the window through Qt and covers
// a shutdown of the machine too, so there is no lock to take and no signal to watch.
#include "gui/support/session_end.h"

namespace vorlisk::window {

namespace {

class NoShutdownLock : public ShutdownLock {
 public:
  bool Take() override { return false; }
  void Release() override {}
};

}  // namespace

std::unique_ptr<ShutdownLock> MakeShutdownLock(std::function<void(bool)>) {
  return std::make_unique<NoShutdownLock>();
}

void WatchSessionEndSignal() {}
bool TakeSessionEndSignal() { return false; }

}  // namespace vorlisk::window
