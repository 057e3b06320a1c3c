// POSIX only: local time through the C library's time-zone rules.
#include <time.h>

#include "platform/clock.h"

namespace vorlisk::platform {

LocalDateTime ToLocalDateTime(std::chrono::system_clock::time_point t) {
  const time_t secs = std::chrono::system_clock::to_time_t(t);
  struct tm parts {};
  LocalDateTime out;
  if (::localtime_r(&secs, &parts) == nullptr) return out;
  out.year = parts.tm_year + 1900;
  out.month = parts.tm_mon + 1;
  out.day = parts.tm_mday;
  out.hour = parts.tm_hour;
  out.minute = parts.tm_min;
  out.second = parts.tm_sec;
  return out;
}

}  // namespace vorlisk::platform
