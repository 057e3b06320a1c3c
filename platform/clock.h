// The local clock: wall-clock time as the user's time zone shows it.
#pragma once

#include <chrono>

namespace vorlisk::platform {

// A local date and time to the second (month and day from 1, hour 0 to 23).
struct LocalDateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool operator==(const LocalDateTime&) const = default;
};

LocalDateTime ToLocalDateTime(std::chrono::system_clock::time_point t);
inline LocalDateTime LocalNow() { return ToLocalDateTime(std::chrono::system_clock::now()); }

}  // namespace vorlisk::platform
