// The Windows bodies of the time source and the time zone: the system time
// and the zone's rules as the system gives them, the calendar arithmetic by
// those rules.
#include "plugin/TimeZone.h"

#include <time.h>

#include <stdexcept>

#include "platform/win32/winlocaltime.h"

namespace __Quarrow__ {
namespace {

// 100-ns intervals from 1601 to 1970.
constexpr std::int64_t kIntervalsTo1970 = 116444736000000000;
constexpr std::int64_t kIntervalsPerSecond = 10000000;
constexpr std::int64_t kSecondsPerDay = 86400;

// UTC calendar arithmetic; no zone is involved.
std::int64_t SecondsOf(std::int64_t year, int month, int day)
{
    std::tm t{};
    t.tm_year = static_cast<int>(year - 1900);
    t.tm_mon = month;
    t.tm_mday = day;
    return static_cast<std::int64_t>(timegm(&t));
}

std::tm CalendarOf(std::int64_t seconds)
{
    const time_t t = static_cast<time_t>(seconds);
    std::tm out{};
    gmtime_r(&t, &out);
    return out;
}

int DaysInMonth(std::int64_t year, int month)
{
    return static_cast<int>(
        (SecondsOf(month == 11 ? year + 1 : year, month == 11 ? 0 : month + 1, 1) - SecondsOf(year, month, 1)) /
        kSecondsPerDay);
}

// The local wall-clock time (seconds since 1970 as if local were UTC) at
// which a rule falls in a year.
std::int64_t WallTimeOf(const std::tm& rule, std::int64_t year)
{
    int day = rule.tm_mday;
    if (rule.tm_year == 0) {
        const int firstWeekday = CalendarOf(SecondsOf(year, rule.tm_mon, 1)).tm_wday;
        const int length = DaysInMonth(year, rule.tm_mon);
        day = 1 + (rule.tm_wday - firstWeekday + 7) % 7 + (rule.tm_mday - 1) * 7;
        while (day > length)
            day -= 7;
    }
    return SecondsOf(year, rule.tm_mon, day) + rule.tm_hour * 3600 + rule.tm_min * 60 + rule.tm_sec;
}

bool InDaylight(const TimeZoneImp& zone, std::int64_t t)
{
    if (!zone.HasDaylightSaving())
        return false;
    const std::int32_t base = zone.BaseOffset();
    const std::int64_t year = CalendarOf(t + base).tm_year + 1900;
    // Daylight saving starts at a standard wall-clock time and ends at a
    // daylight one.
    const std::int64_t starts = WallTimeOf(zone.DaylightRule(), year) - base;
    const std::int64_t ends = WallTimeOf(zone.StandardRule(), year) - base - zone.DaylightShift();
    if (starts < ends)
        return t >= starts && t < ends;
    // The southern hemisphere: daylight saving spans the turn of the year.
    return t >= starts || t < ends;
}

std::tm RuleOf(const win32::SYSTEMTIME& date)
{
    std::tm rule{};
    rule.tm_sec = date.wSecond;
    rule.tm_min = date.wMinute;
    rule.tm_hour = date.wHour;
    rule.tm_mday = date.wDay;
    rule.tm_mon = date.wMonth - 1;
    rule.tm_year = date.wYear > 1900 ? date.wYear - 1900 : date.wYear;
    rule.tm_wday = date.wDayOfWeek;
    return rule;
}

} // namespace

DateTime DateTimeMgr::GetCurrentTime()
{
    win32::FILETIME now{};
    win32::GetSystemTimeAsFileTime(&now);
    const auto intervals = static_cast<std::int64_t>((std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    const std::int64_t since1970 = intervals - kIntervalsTo1970;
    return DateTime(since1970 < 0 ? DateTime::kInvalid : since1970 / kIntervalsPerSecond);
}

TimeZoneImp::TimeZoneImp(std::int32_t offset)
{
    if (offset < -kMaxOffset || offset > kMaxOffset)
        throw std::invalid_argument("invalid time zone offset");
    base_ = offset;
}

boost::intrusive_ptr<TimeZoneImp> TimeZoneImp::System()
{
    win32::TIME_ZONE_INFORMATION info{};
    if (win32::GetTimeZoneInformation(&info) == win32::kTimeZoneIdInvalid)
        throw std::runtime_error("System time zone information is unavailable");
    boost::intrusive_ptr<TimeZoneImp> zone(new TimeZoneImp());
    // The system's biases are minutes west; ours are seconds east.
    std::int32_t west = info.Bias * 60;
    if (info.StandardDate.wMonth != 0)
        west += info.StandardBias * 60;
    zone->base_ = -west;
    if (info.DaylightDate.wMonth != 0 && info.DaylightBias != 0) {
        zone->daylight_ = true;
        zone->shift_ = -(info.DaylightBias - info.StandardBias) * 60;
        zone->standardRule_ = RuleOf(info.StandardDate);
        zone->daylightRule_ = RuleOf(info.DaylightDate);
    }
    return zone;
}

bool TimeZoneImp::IsDaylightSavingTime(const DateTime& point) const
{
    return point.IsValid() && InDaylight(*this, point.Seconds());
}

bool TimeZoneImp::GetSecondsFromGMT(const DateTime& point, std::int32_t& offset) const
{
    if (!point.IsValid())
        return false;
    offset = base_ + (InDaylight(*this, point.Seconds()) ? shift_ : 0);
    return true;
}

bool TimeZoneImp::ToLocalDate(const DateTime& point, std::tm& local) const
{
    std::int32_t offset = 0;
    if (!GetSecondsFromGMT(point, offset))
        return false;
    local = CalendarOf(point.Seconds() + offset);
    local.tm_isdst = InDaylight(*this, point.Seconds()) ? 1 : 0;
    local.tm_gmtoff = offset;
    local.tm_zone = nullptr;
    return true;
}

DateTime TimeZoneImp::FromLocalDate(std::tm& local) const
{
    if (local.tm_mon < 0 || local.tm_mon > 11 || local.tm_hour < 0 || local.tm_hour > 23 || local.tm_min < 0 ||
        local.tm_min > 59 || local.tm_sec < 0 || local.tm_sec > 59 || local.tm_year < -1900 ||
        local.tm_year > 9000 || local.tm_mday < 1 ||
        local.tm_mday > DaysInMonth(std::int64_t(local.tm_year) + 1900, local.tm_mon))
        return DateTime(DateTime::kInvalid);
    const std::int64_t wall = SecondsOf(std::int64_t(local.tm_year) + 1900, local.tm_mon, local.tm_mday) +
                              local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    std::int64_t t = wall - base_;
    if (daylight_) {
        const std::int64_t asDaylight = wall - base_ - shift_;
        const bool standardHolds = !InDaylight(*this, t);
        const bool daylightHolds = InDaylight(*this, asDaylight);
        if (daylightHolds && !(standardHolds && local.tm_isdst == 0))
            t = asDaylight;
    }
    const DateTime point(t);
    if (point.IsValid())
        ToLocalDate(point, local);
    return point;
}

} // namespace __Quarrow__
