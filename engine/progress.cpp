#include "engine/progress.h"

namespace vorlisk {

void ProgressTracker::Begin(int64_t total) {
  info_ = ProgressInfo{0, total, {}};
  sinceLook_ = 0;
  last_ = std::chrono::steady_clock::now();
}

void ProgressTracker::Look(std::string_view current) {
  sinceLook_ = 0;
  const auto now = std::chrono::steady_clock::now();
  if (now - last_ < interval_) return;
  last_ = now;
  info_.Current = current;
  if (sink_) sink_(*this, info_);
}

void ProgressTracker::Finish() {
  last_ = std::chrono::steady_clock::now();
  if (sink_) sink_(*this, info_);
}

}  // namespace vorlisk
