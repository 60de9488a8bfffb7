#include "platform/win32/winlocaltime.h"

#include <time.h>

#include <atomic>
#include <cstring>

namespace win32 {

namespace {

std::atomic<bool> g_fixed{false};
SYSTEMTIME g_fixedTime{};
std::atomic<bool> g_fixedSystem{false};
FILETIME g_fixedSystemTime{};
std::atomic<bool> g_zoneFails{false};

// 100-ns intervals from 1601 to 1970.
constexpr std::int64_t kIntervalsTo1970 = 116444736000000000;
constexpr std::int64_t kIntervalsPerSecond = 10000000;
constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Seconds since 1970 of a UTC calendar date, and the calendar date of a
// count of seconds (UTC, no time zone involved).
std::int64_t SecondsOf(std::int64_t year, int month, int day)
{
    tm t{};
    t.tm_year = static_cast<int>(year - 1900);
    t.tm_mon = month - 1;
    t.tm_mday = day;
    return static_cast<std::int64_t>(timegm(&t));
}

tm CalendarOf(std::int64_t seconds)
{
    const time_t t = static_cast<time_t>(seconds);
    tm out{};
    gmtime_r(&t, &out);
    return out;
}

std::int64_t SystemSeconds()
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const auto intervals = static_cast<std::int64_t>((std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    return FloorDiv(intervals - kIntervalsTo1970, kIntervalsPerSecond);
}

struct Sample {
    bool ok = false;
    bool daylight = false;
    long offset = 0;   // seconds east of UTC
};

Sample At(std::int64_t seconds)
{
    const time_t t = static_cast<time_t>(seconds);
    tm local{};
    Sample s;
    if (!localtime_r(&t, &local))
        return s;
    s.ok = true;
    s.daylight = local.tm_isdst > 0;
    s.offset = local.tm_gmtoff;
    return s;
}

struct Transition {
    std::int64_t at = 0;        // first second of the new state
    long offsetBefore = 0;
    long offsetAfter = 0;
    bool found = false;
};

// The wall-clock time `wall` (seconds since 1970 in local time) in
// day-in-month form.
SYSTEMTIME DayInMonth(std::int64_t wall)
{
    const tm c = CalendarOf(wall);
    const std::int64_t year = c.tm_year + 1900;
    const int month = c.tm_mon + 1;
    const std::int64_t monthDays =
        (SecondsOf(month == 12 ? year + 1 : year, month == 12 ? 1 : month + 1, 1) - SecondsOf(year, month, 1)) /
        kSecondsPerDay;
    SYSTEMTIME s{};
    s.wMonth = static_cast<std::uint16_t>(month);
    s.wDayOfWeek = static_cast<std::uint16_t>(c.tm_wday);
    s.wDay = static_cast<std::uint16_t>(c.tm_mday + 7 > monthDays ? 5 : (c.tm_mday - 1) / 7 + 1);
    s.wHour = static_cast<std::uint16_t>(c.tm_hour);
    s.wMinute = static_cast<std::uint16_t>(c.tm_min);
    s.wSecond = static_cast<std::uint16_t>(c.tm_sec);
    return s;
}

void CopyName(char16_t (&to)[32], const char* from)
{
    std::memset(to, 0, sizeof to);
    for (int i = 0; from && from[i] && i < 31; ++i)
        to[i] = static_cast<unsigned char>(from[i]) < 0x80 ? static_cast<char16_t>(from[i]) : u'?';
}

} // namespace

void SetLocalTimeForTesting(const SYSTEMTIME* fixed)
{
    if (fixed)
        g_fixedTime = *fixed;
    g_fixed = fixed != nullptr;
}

void SetSystemTimeForTesting(const FILETIME* fixed)
{
    if (fixed)
        g_fixedSystemTime = *fixed;
    g_fixedSystem = fixed != nullptr;
}

void SetTimeZoneFailureForTesting(bool fail) { g_zoneFails = fail; }

void GetLocalTime(SYSTEMTIME* time)
{
    if (!time)
        return;
    if (g_fixed) {
        *time = g_fixedTime;
        return;
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    const time_t seconds = now.tv_sec;
    if (!localtime_r(&seconds, &local)) {
        *time = SYSTEMTIME{1970, 1, 4, 1, 0, 0, 0, 0};
        return;
    }
    time->wYear = static_cast<std::uint16_t>(local.tm_year + 1900);
    time->wMonth = static_cast<std::uint16_t>(local.tm_mon + 1);
    time->wDayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
    time->wDay = static_cast<std::uint16_t>(local.tm_mday);
    time->wHour = static_cast<std::uint16_t>(local.tm_hour);
    time->wMinute = static_cast<std::uint16_t>(local.tm_min);
    time->wSecond = static_cast<std::uint16_t>(local.tm_sec);
    time->wMilliseconds = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
}

void GetSystemTimeAsFileTime(FILETIME* time)
{
    if (!time)
        return;
    if (g_fixedSystem) {
        *time = g_fixedSystemTime;
        return;
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const auto intervals = static_cast<std::uint64_t>(static_cast<std::int64_t>(now.tv_sec) * kIntervalsPerSecond +
                                                      now.tv_nsec / 100 + kIntervalsTo1970);
    time->dwLowDateTime = static_cast<DWORD>(intervals);
    time->dwHighDateTime = static_cast<DWORD>(intervals >> 32);
}

DWORD GetTimeZoneInformation(TIME_ZONE_INFORMATION* info)
{
    if (!info || g_zoneFails)
        return kTimeZoneIdInvalid;
    tzset();
    const std::int64_t now = SystemSeconds();
    const Sample current = At(now);
    if (!current.ok)
        return kTimeZoneIdInvalid;
    const std::int64_t year = CalendarOf(now + current.offset).tm_year + 1900;

    // Watch the daylight flag every six hours from a day before the year to a
    // day after it; each change is narrowed down to its second.
    constexpr std::int64_t kStep = 6 * 3600;
    const std::int64_t from = SecondsOf(year, 1, 1) - kSecondsPerDay;
    const std::int64_t to = SecondsOf(year + 1, 1, 1) + kSecondsPerDay;
    Transition toDaylight, toStandard;
    Sample standard = current.daylight ? Sample{} : current;
    Sample daylight = current.daylight ? current : Sample{};
    Sample previous = At(from);
    if (!previous.ok)
        return kTimeZoneIdInvalid;
    for (std::int64_t t = from + kStep; t <= to; t += kStep) {
        const Sample next = At(t);
        if (!next.ok)
            return kTimeZoneIdInvalid;
        if (!next.daylight && !standard.ok)
            standard = next;
        if (next.daylight && !daylight.ok)
            daylight = next;
        if (next.daylight != previous.daylight) {
            std::int64_t lo = t - kStep, hi = t;
            while (hi - lo > 1) {
                const std::int64_t mid = lo + (hi - lo) / 2;
                (At(mid).daylight == previous.daylight ? lo : hi) = mid;
            }
            Transition& found = next.daylight ? toDaylight : toStandard;
            const Sample before = At(lo), after = At(hi);
            // Only transitions of this year, by the local date they happen on.
            if (!found.found && CalendarOf(hi + before.offset).tm_year + 1900 == year)
                found = Transition{hi, before.offset, after.offset, true};
        }
        previous = next;
    }

    std::memset(info, 0, sizeof *info);
    CopyName(info->StandardName, tzname[0]);
    CopyName(info->DaylightName, tzname[1]);
    const bool seasons = toDaylight.found && toStandard.found && standard.ok && daylight.ok;
    const long standardOffset = standard.ok ? standard.offset : current.offset;
    info->Bias = static_cast<LONG>(-standardOffset / 60);
    if (!seasons)
        return kTimeZoneIdUnknown;
    info->DaylightBias = static_cast<LONG>(-(daylight.offset - standardOffset) / 60);
    info->StandardDate = DayInMonth(toStandard.at + toStandard.offsetBefore);
    info->DaylightDate = DayInMonth(toDaylight.at + toDaylight.offsetBefore);
    return current.daylight ? kTimeZoneIdDaylight : kTimeZoneIdStandard;
}

} // namespace win32
