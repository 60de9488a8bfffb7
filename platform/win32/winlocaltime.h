// Local time, system time and the time zone as the Win32 calls give them,
// over CLOCK_REALTIME and the time zone the TZ variable names.
#pragma once

#include <cstdint>

namespace win32 {

using DWORD = std::uint32_t;
using LONG = std::int32_t;

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

// 100-nanosecond intervals since 1601-01-01 00:00 UTC.
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

// Biases are minutes to add to local time to get UTC (positive west of
// Greenwich). A transition date with wYear 0 is in day-in-month form: wDay is
// the week of the month (1 to 5, 5 the last), wDayOfWeek the weekday, and the
// time of day is the local time in force just before the transition.
struct TIME_ZONE_INFORMATION {
    LONG Bias;
    char16_t StandardName[32];
    SYSTEMTIME StandardDate;
    LONG StandardBias;
    char16_t DaylightName[32];
    SYSTEMTIME DaylightDate;
    LONG DaylightBias;
};

constexpr DWORD kTimeZoneIdUnknown = 0;    // no daylight saving
constexpr DWORD kTimeZoneIdStandard = 1;
constexpr DWORD kTimeZoneIdDaylight = 2;
constexpr DWORD kTimeZoneIdInvalid = 0xFFFFFFFFu;

void GetLocalTime(SYSTEMTIME* time);
void GetSystemTimeAsFileTime(FILETIME* time);

// The zone with this year's transitions (the year of the system time, in
// local time): both found by watching the C library's daylight flag through
// the year, so a zone from a TZ rule and one from the zone database read
// alike. A zone without both transitions in the year has no daylight saving
// and both dates zero. Answers the kTimeZoneId* in force now.
DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* info);

// Tests: every later GetLocalTime answers `fixed`; null returns to the clock.
void SetLocalTimeForTesting(const SYSTEMTIME* fixed);
// Tests: every later GetSystemTimeAsFileTime (and the year the time zone is
// read for) answers `fixed`; null returns to the clock.
void SetSystemTimeForTesting(const FILETIME* fixed);
// Tests: GetTimeZoneInformation fails while `fail` is set.
void SetTimeZoneFailureForTesting(bool fail);

} // namespace win32
