// Progress of an expansion or a wash, and its cancellation. The work runs on the calling thread;
// the sink is called from it at a bounded rate (at most once per interval, checked every few
// lines so that a look at the clock costs nothing per line), and may cancel: the work then stops
// between two lines, keeping what it did.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/process.h"

namespace vorlisk {

struct ProgressInfo {
  int64_t Done = 0;     // lines washed, or files found, so far
  int64_t Total = -1;   // lines to wash; -1 while expanding (not known)
  std::string Current;  // the file or folder being worked on
};

class ProgressTracker {
 public:
  using Sink = std::function<void(ProgressTracker& progress, const ProgressInfo& info)>;
  static constexpr std::chrono::milliseconds kDefaultInterval{100};

  explicit ProgressTracker(Sink sink, std::chrono::milliseconds interval = kDefaultInterval)
      : sink_(std::move(sink)), interval_(interval) {}

  // A new stretch of work: `total` lines to come (-1 when not known); the count starts at 0.
  void Begin(int64_t total);
  // One more line done, `current` being worked on. Reports when the interval has passed.
  void Step(std::string_view current) {
    ++info_.Done;
    if (++sinceLook_ >= kLinesPerLook) Look(current);
  }
  // Step, the text of `current` made by `describe()` only when it is reported.
  template <class Describe>
  void StepDescribed(Describe&& describe) {
    ++info_.Done;
    if (++sinceLook_ >= kLinesPerLook) Look(describe());
  }
  // The last report of a stretch, whatever the interval.
  void Finish();

  void Cancel() { cancelled_ = true; }
  // Cancelled by Cancel, or by a request to end the program (Ctrl-C, SIGTERM; see
  // WatchTerminationRequests): the run stops between two lines in either case.
  bool Cancelled() const { return cancelled_ || platform::TerminationRequested(); }
  const ProgressInfo& Info() const { return info_; }

 private:
  static constexpr int kLinesPerLook = 64;
  void Look(std::string_view current);

  Sink sink_;
  std::chrono::milliseconds interval_;
  std::chrono::steady_clock::time_point last_{};
  ProgressInfo info_;
  int sinceLook_ = 0;
  bool cancelled_ = false;
};

// Null-safe forms for callers whose progress is optional.
inline bool Cancelled(const ProgressTracker* progress) { return progress && progress->Cancelled(); }
inline void Step(ProgressTracker* progress, std::string_view current) {
  if (progress) progress->Step(current);
}

}  // namespace vorlisk
