// Windows only: local time through the system's time-zone rules.
#include "platform/clock.h"
#include "platform/win32/win32_util.h"

namespace vorlisk::platform {

LocalDateTime ToLocalDateTime(std::chrono::system_clock::time_point t) {
  using namespace std::chrono;
  // 100 ns ticks since 1601-01-01 UTC; 11,644,473,600 seconds lie between 1601 and 1970.
  const int64_t ticks =
      duration_cast<duration<int64_t, std::ratio<1, 10000000>>>(t.time_since_epoch()).count() +
      11644473600LL * 10000000LL;
  LocalDateTime out;
  if (ticks < 0) return out;
  FILETIME utc{static_cast<DWORD>(static_cast<uint64_t>(ticks) & 0xFFFFFFFFu),
               static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32)};
  SYSTEMTIME universal{}, local{};
  if (!::FileTimeToSystemTime(&utc, &universal) ||
      !::SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
    return out;
  out.year = local.wYear;
  out.month = local.wMonth;
  out.day = local.wDay;
  out.hour = local.wHour;
  out.minute = local.wMinute;
  out.second = local.wSecond;
  return out;
}

}  // namespace vorlisk::platform
