// Local time as the Win32 call gives it, over CLOCK_REALTIME and the time
// zone the TZ variable names.
#pragma once

#include <cstdint>

namespace win32 {

struct SYSTEMTIME {
    std::uint16_t wYear;
    std::uint16_t wMonth;       // 1 to 12
    std::uint16_t wDayOfWeek;   // 0 Sunday to 6 Saturday
    std::uint16_t wDay;
    std::uint16_t wHour;
    std::uint16_t wMinute;
    std::uint16_t wSecond;
    std::uint16_t wMilliseconds;
};

void GetLocalTime(SYSTEMTIME* time);

// Tests: every later GetLocalTime answers `fixed`; null returns to the clock.
void SetLocalTimeForTesting(const SYSTEMTIME* fixed);

} // namespace win32
