// Time zones and the framework's time source.
//
// Offsets are seconds EAST of Greenwich throughout, the seconds to add to UTC
// to get local time (Paris in winter +3600, New York -18000), as the C
// library's tm_gmtoff counts them and as the macOS zone calls take them. A
// platform whose own convention is the other way round (Windows' bias counts
// minutes west) turns it round where it reads the system.
//
// The bodies that read the system (the current time, the system zone and the
// zone's calendar arithmetic) are the flavour's own; plugin/win/ holds the
// Windows ones.
#pragma once

#include <boost/intrusive_ptr.hpp>

#include <cstdint>
#include <ctime>
#include <memory>

#include <threadsync>

#include "plugin/DateTime.h"
#include "plugin/RefCountedObj.h"

namespace __Quarrow__ {

class TimeZoneImp : public RefCountedObj {
public:
    // The widest offset a zone may have: 18 hours either way.
    static constexpr std::int32_t kMaxOffset = 64800;

    // A fixed zone without daylight saving. An offset beyond kMaxOffset
    // either way throws std::invalid_argument("invalid time zone offset").
    explicit TimeZoneImp(std::int32_t offset);

    // The system's zone as it is now; std::runtime_error("System time zone
    // information is unavailable") when the system cannot say.
    static boost::intrusive_ptr<TimeZoneImp> System();

    // Local time outside daylight saving is UTC + BaseOffset(); while
    // daylight saving is in force it is UTC + BaseOffset() + DaylightShift().
    std::int32_t BaseOffset() const { return base_; }
    bool HasDaylightSaving() const { return daylight_; }
    std::int32_t DaylightShift() const { return shift_; }

    // The rules of the two transitions as calendar fields, zero without
    // daylight saving and where the system keeps the rules to itself. tm_year 0 is the day-in-month form that holds every
    // year: the tm_mday-th (1 to 5, 5 the last) weekday tm_wday of month
    // tm_mon (0 January) at the local time of day in force just before the
    // transition. With another tm_year (years after 1900 less 1900) tm_mday
    // is the day of the month itself.
    const std::tm& StandardRule() const { return standardRule_; }
    const std::tm& DaylightRule() const { return daylightRule_; }

    // False for an invalid point.
    bool IsDaylightSavingTime(const DateTime& point) const;
    // The offset in force at the point; false for an invalid point.
    bool GetSecondsFromGMT(const DateTime& point, std::int32_t& offset) const;

    // The local calendar fields of a point (tm_isdst 1 while daylight saving
    // is in force, tm_gmtoff the offset); false for an invalid point.
    bool ToLocalDate(const DateTime& point, std::tm& local) const;
    // The point of local calendar fields; the weekday, day of the year, the
    // daylight flag and the offset are written back. A field outside its
    // range (month 0 to 11, day 1 to the month's length, hour 0 to 23,
    // minute and second 0 to 59) gives an invalid point. A local time that
    // occurs twice (the hour when clocks go back) is taken as daylight time
    // unless tm_isdst is 0; one that does not occur (the hour clocks skip) is
    // read with the offset in force before the change, so it lands after the
    // change.
    DateTime FromLocalDate(std::tm& local) const;

protected:
    TimeZoneImp() = default;

    std::int32_t base_ = 0;
    bool daylight_ = false;
    std::int32_t shift_ = 0;
    std::tm standardRule_{};
    std::tm daylightRule_{};
    // The system's own zone object, where the flavour answers through one
    // (released with it); empty where the flavour works from the rules.
    std::shared_ptr<const void> native_;
};

using TimeZoneRef = boost::intrusive_ptr<TimeZoneImp>;

// The framework's time source: the current time and the current zone. It
// starts with a fixed zone of offset 0 and then reads the system zone.
class DateTimeMgr {
public:
    DateTimeMgr();
    DateTimeMgr(const DateTimeMgr&) = delete;
    DateTimeMgr& operator=(const DateTimeMgr&) = delete;

    // The system clock; an invalid point when it lies outside the valid
    // range. It needs no instance.
    static DateTime GetCurrentTime();

    TimeZoneRef GetTimeZone();
    // Reads the system zone afresh; when that fails the zone held is kept
    // and the answer is false.
    bool RefreshTimeZone();

    RecursiveLock& Lock() { return lock_; }

private:
    RecursiveLock lock_;
    TimeZoneRef zone_;
};

} // namespace __Quarrow__
