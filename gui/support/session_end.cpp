#include "gui/support/session_end.h"

namespace vorlisk::window {

ShutdownWatch::ShutdownWatch(ShutdownLock& lock, std::function<bool()> wanted,
                             std::function<void()> endSession)
    : lock_(lock), wanted_(std::move(wanted)), endSession_(std::move(endSession)) {}

void ShutdownWatch::Update() {
  const bool wanted = wanted_();
  if (wanted && !held_) {
    held_ = lock_.Take();
  } else if (!wanted && held_) {
    lock_.Release();
    held_ = false;
  }
}

void ShutdownWatch::PrepareForShutdown(bool start) {
  if (!start) {
    Update();
    return;
  }
  endSession_();
  if (held_) {
    lock_.Release();
    held_ = false;
  }
}

}  // namespace vorlisk::window
