// Process-wide state that only one thread may use (the test seams) carries a OneThreadCheck: the
// first thread that uses the state owns it, and in builds with thread checks (those without NDEBUG:
// Debug and the sanitizer build) a use from any other thread stops the program. Without thread
// checks it costs nothing and checks nothing.
//
// State that two threads may use is guarded by a mutex instead (the drive map, the profile cache,
// the registry store, the program folder lock, the temporary-name generator of atomic writes).
#pragma once

#include <atomic>
#include <cassert>
#include <thread>

namespace vorlisk::platform {

#ifdef NDEBUG
inline constexpr bool kThreadChecks = false;
#else
inline constexpr bool kThreadChecks = true;
#endif

class OneThreadCheck {
 public:
  // Marks a use of the state by the calling thread; with thread checks, asserts that it is the
  // thread that used it first (since construction or the last Reset).
  void Use() {
    if constexpr (kThreadChecks) {
      std::thread::id owner;
      const std::thread::id self = std::this_thread::get_id();
      const bool first = owner_.compare_exchange_strong(owner, self);
      assert((first || owner == self) && "one-thread state used from a second thread");
      (void)first;
    }
  }
  // Forgets the owner: the next use makes its thread the owner (for a test that sets the state up
  // anew from another thread).
  void Reset() { owner_.store(std::thread::id()); }

 private:
  std::atomic<std::thread::id> owner_{};
};

// The one check of every test seam (the *ForTesting setters that keep no mutex): tests set them
// from one thread.
inline OneThreadCheck& TestSeamThread() {
  static OneThreadCheck check;
  return check;
}

}  // namespace vorlisk::platform
