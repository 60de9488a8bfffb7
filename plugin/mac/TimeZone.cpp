// The macOS bodies of the time source and the time zone: the system's
// absolute time and its zone objects, which know their own rules.
#include "plugin/TimeZone.h"

#include <cmath>
#include <stdexcept>

#include "platform/corefoundation/CoreFoundation.h"

namespace __Quarrow__ {
namespace {

CFTimeZoneRef ZoneOf(const std::shared_ptr<const void>& native)
{
    return static_cast<CFTimeZoneRef>(native.get());
}

std::shared_ptr<const void> Hold(CFTimeZoneRef zone)
{
    return std::shared_ptr<const void>(zone, [](const void* z) { CFRelease(z); });
}

CFAbsoluteTime AbsoluteOf(std::int64_t since1970)
{
    return static_cast<CFAbsoluteTime>(since1970) - kCFAbsoluteTimeIntervalSince1970;
}

// The weekday (Sunday 0), the day of the year (from 0) and the daylight flag.
void WriteBack(CFTimeZoneRef zone, CFAbsoluteTime at, std::tm& local)
{
    local.tm_wday = CFAbsoluteTimeGetDayOfWeek(at, zone) % 7;
    local.tm_yday = CFAbsoluteTimeGetDayOfYear(at, zone) - 1;
    local.tm_isdst = CFTimeZoneIsDaylightSavingTime(zone, at) ? 1 : 0;
    local.tm_gmtoff = static_cast<long>(CFTimeZoneGetSecondsFromGMT(zone, at));
    local.tm_zone = nullptr;
}

std::int32_t OffsetAt(CFTimeZoneRef zone, double since1970)
{
    return static_cast<std::int32_t>(CFTimeZoneGetSecondsFromGMT(zone, since1970 - kCFAbsoluteTimeIntervalSince1970));
}

} // namespace

DateTime DateTimeMgr::GetCurrentTime()
{
    const double now = CFAbsoluteTimeGetCurrent() + kCFAbsoluteTimeIntervalSince1970;
    // A clock that cannot say (not a number, beyond the 32-bit count) gives
    // no point rather than a wrapped one.
    if (!(now >= 0) || now > static_cast<double>(DateTime::kLast))
        return DateTime(DateTime::kInvalid);
    return DateTime(static_cast<std::int64_t>(now));
}

TimeZoneImp::TimeZoneImp(std::int32_t offset)
{
    if (offset < -kMaxOffset || offset > kMaxOffset)
        throw std::invalid_argument("invalid time zone offset");
    CFTimeZoneRef zone = CFTimeZoneCreateWithTimeIntervalFromGMT(kCFAllocatorDefault, offset);
    if (!zone)
        throw std::invalid_argument("invalid time zone offset");
    native_ = Hold(zone);
    base_ = offset;
}

boost::intrusive_ptr<TimeZoneImp> TimeZoneImp::System()
{
    CFTimeZoneRef system = CFTimeZoneCopySystem();
    if (!system)
        throw std::runtime_error("System time zone information is unavailable");
    boost::intrusive_ptr<TimeZoneImp> zone(new TimeZoneImp());
    zone->native_ = Hold(system);
    // The offsets in force in the middle of winter and of summer this year
    // give the standard offset and the daylight shift; the zone object keeps
    // the transitions themselves.
    std::tm now{};
    const std::time_t t = std::time(nullptr);
    gmtime_r(&t, &now);
    std::tm january{};
    january.tm_year = now.tm_year;
    january.tm_mday = 15;
    std::tm july = january;
    july.tm_mon = 6;
    const double winter = static_cast<double>(timegm(&january));
    const double summer = static_cast<double>(timegm(&july));
    const std::int32_t a = OffsetAt(system, winter);
    const std::int32_t b = OffsetAt(system, summer);
    const bool winterIsDaylight = CFTimeZoneIsDaylightSavingTime(system, winter - kCFAbsoluteTimeIntervalSince1970);
    zone->base_ = winterIsDaylight ? b : a;
    zone->daylight_ = a != b;
    zone->shift_ = winterIsDaylight ? a - b : b - a;
    return zone;
}

bool TimeZoneImp::IsDaylightSavingTime(const DateTime& point) const
{
    return point.IsValid() && CFTimeZoneIsDaylightSavingTime(ZoneOf(native_), AbsoluteOf(point.Seconds()));
}

bool TimeZoneImp::GetSecondsFromGMT(const DateTime& point, std::int32_t& offset) const
{
    if (!point.IsValid())
        return false;
    offset = static_cast<std::int32_t>(CFTimeZoneGetSecondsFromGMT(ZoneOf(native_), AbsoluteOf(point.Seconds())));
    return true;
}

bool TimeZoneImp::ToLocalDate(const DateTime& point, std::tm& local) const
{
    if (!point.IsValid())
        return false;
    CFTimeZoneRef zone = ZoneOf(native_);
    const CFAbsoluteTime at = AbsoluteOf(point.Seconds());
    const CFGregorianDate date = CFAbsoluteTimeGetGregorianDate(at, zone);
    if (!CFGregorianDateIsValid(date, kCFGregorianAllUnits))
        return false;
    local = std::tm{};
    local.tm_sec = static_cast<int>(date.second);
    local.tm_min = date.minute;
    local.tm_hour = date.hour;
    local.tm_mday = date.day;
    local.tm_mon = date.month - 1;
    local.tm_year = date.year - 1900;
    WriteBack(zone, at, local);
    return true;
}

DateTime TimeZoneImp::FromLocalDate(std::tm& local) const
{
    // Fields beyond what the 8-bit calendar fields hold are refused before
    // they are narrowed.
    if (local.tm_mon < 0 || local.tm_mon > 11 || local.tm_hour < 0 || local.tm_hour > 23 || local.tm_min < 0 ||
        local.tm_min > 59 || local.tm_sec < 0 || local.tm_sec > 59 || local.tm_year < -1900 ||
        local.tm_year > 9000 || local.tm_mday < 1 || local.tm_mday > 31)
        return DateTime(DateTime::kInvalid);
    CFGregorianDate date{};
    date.year = local.tm_year + 1900;
    date.month = static_cast<SInt8>(local.tm_mon + 1);
    date.day = static_cast<SInt8>(local.tm_mday);
    date.hour = static_cast<SInt8>(local.tm_hour);
    date.minute = static_cast<SInt8>(local.tm_min);
    date.second = local.tm_sec;
    if (!CFGregorianDateIsValid(date, kCFGregorianAllUnits))
        return DateTime(DateTime::kInvalid);
    CFTimeZoneRef zone = ZoneOf(native_);
    // The wall-clock time read as UTC, then the offsets in force a day
    // before and a day after: a wall time that occurs twice fits both, one
    // that the clocks skip fits neither.
    const double wall = CFGregorianDateGetAbsoluteTime(date, nullptr) + kCFAbsoluteTimeIntervalSince1970;
    const std::int32_t before = OffsetAt(zone, wall - 86400);
    const std::int32_t after = OffsetAt(zone, wall + 86400);
    const bool beforeFits = OffsetAt(zone, wall - before) == before;
    const bool afterFits = OffsetAt(zone, wall - after) == after;
    std::int32_t offset = before;
    if (beforeFits && afterFits && before != after) {
        const bool beforeIsDaylight =
            CFTimeZoneIsDaylightSavingTime(zone, wall - before - kCFAbsoluteTimeIntervalSince1970);
        const bool wantDaylight = local.tm_isdst != 0;
        offset = beforeIsDaylight == wantDaylight ? before : after;
    } else if (afterFits && !beforeFits) {
        offset = after;
    }
    const double t = std::floor(wall - offset);
    if (!(t >= 0) || t > static_cast<double>(DateTime::kLast))
        return DateTime(DateTime::kInvalid);
    const DateTime point(static_cast<std::int64_t>(t));
    ToLocalDate(point, local);
    return point;
}

} // namespace __Quarrow__
