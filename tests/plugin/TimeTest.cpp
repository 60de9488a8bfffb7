// Points in time, differences, time zones and the time source.
#include <gtest/gtest.h>

#include <time.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

#include "platform/win32/winlocaltime.h"
#include "plugin/DateTime.h"
#include "plugin/TimeZone.h"
#include "support/message_of.h"

namespace {

using __Quarrow__::DateTime;
using __Quarrow__::DateTimeMgr;
using __Quarrow__::TimeDiff;
using __Quarrow__::TimeZoneImp;
using __Quarrow__::TimeZoneRef;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The system clock stands at `seconds` since 1970.
void SetClock(std::int64_t seconds)
{
    const auto intervals = static_cast<std::uint64_t>(seconds * 10000000 + 116444736000000000);
    const win32::FILETIME t{static_cast<std::uint32_t>(intervals), static_cast<std::uint32_t>(intervals >> 32)};
    win32::SetSystemTimeForTesting(&t);
}

std::int64_t Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return timegm(&t);
}

void UseZone(const char* tz)
{
    setenv("TZ", tz, 1);
    tzset();
}

using pvtest::MessageOf;

TEST(DateTime, RangeAndAdditionStayValidOrBecomeInvalid)
{
    EXPECT_TRUE(DateTime().IsValid());
    EXPECT_EQ(DateTime().Seconds(), 0);
    EXPECT_TRUE(DateTime(DateTime::kLast).IsValid());
    EXPECT_EQ(DateTime::kLast, 2147454847);
    for (std::int64_t bad : {std::int64_t(2147454848), std::int64_t(-1), std::int64_t(INT64_MIN),
                             std::int64_t(0x7FFFFFFF), std::int64_t(INT64_MAX)}) {
        EXPECT_FALSE(DateTime(bad).IsValid()) << bad;
        EXPECT_EQ(DateTime(bad).Seconds(), DateTime::kInvalid) << bad;
    }

    // An invalid point stays invalid whatever is added: all ones plus an hour
    // must not come out as a valid 3599.
    EXPECT_FALSE((DateTime(-1) + TimeDiff(3600)).IsValid());
    EXPECT_FALSE((DateTime(-5) + TimeDiff(1e9)).IsValid());
    // Sums outside the range, however large, are invalid and never converted.
    EXPECT_FALSE((DateTime(DateTime::kLast) + TimeDiff(1)).IsValid());
    EXPECT_FALSE((DateTime(0) - TimeDiff(1)).IsValid());
    EXPECT_FALSE((DateTime(5) + TimeDiff(1e300)).IsValid());
    EXPECT_FALSE((DateTime(5) + TimeDiff(kInf)).IsValid());
    EXPECT_FALSE((DateTime(5) + TimeDiff(-kInf)).IsValid());
    EXPECT_FALSE((DateTime(5) + TimeDiff(9.3e18)).IsValid());
    // Within the range: whole seconds, rounded down.
    EXPECT_EQ((DateTime(DateTime::kLast - 10) + TimeDiff(10)).Seconds(), DateTime::kLast);
    EXPECT_EQ((DateTime(100) + TimeDiff(2.9)).Seconds(), 102);
    EXPECT_EQ((DateTime(100) - TimeDiff(0.5)).Seconds(), 99);
    EXPECT_EQ((DateTime(DateTime::kLast) + TimeDiff(0.75)).Seconds(), DateTime::kLast);

    DateTime point(10);
    EXPECT_EQ(MessageOf([&] { point += TimeDiff(kNaN); }), "invalid time difference");
    EXPECT_EQ(MessageOf([] { (void)(DateTime(-1) + TimeDiff::Invalid()); }), "invalid time difference");
    EXPECT_EQ(point.Seconds(), 10);
}

TEST(DateTime, DifferencesEqualityAndOrderWithTolerance)
{
    const DateTime a(1000), b(1001), c(1003), invalid(-1);
    EXPECT_EQ((c - a).Seconds(), 3);
    EXPECT_EQ((a - c).Seconds(), -3);
    EXPECT_EQ(c.Difference(a, 3).Seconds(), 0);
    EXPECT_EQ(c.Difference(a, 2).Seconds(), 3);
    EXPECT_EQ(DateTime(DateTime::kLast).Difference(DateTime(0)).Seconds(), double(DateTime::kLast));

    EXPECT_EQ(MessageOf([&] { (void)(invalid - a); }), "incomparable objects");
    EXPECT_EQ(MessageOf([&] { (void)a.Difference(invalid, 5); }), "incomparable objects");
    EXPECT_FALSE(a.Difference(invalid, 0, false).IsValid());
    EXPECT_FALSE(invalid.Difference(invalid, 0, false).IsValid());

    EXPECT_TRUE(invalid.Equals(DateTime(-7), 0));
    EXPECT_FALSE(invalid.Equals(a, 1000000));
    EXPECT_FALSE(a.Equals(invalid, 1000000));
    EXPECT_TRUE(a.Equals(c, 3));
    EXPECT_FALSE(a.Equals(c, 2));

    // One second either way is equal.
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a < b);
    EXPECT_TRUE(a <= b && a >= b);
    EXPECT_TRUE(a != c);
    EXPECT_TRUE(a < c && c > a && a <= c && !(a >= c));
    EXPECT_TRUE(invalid == DateTime(-2));
    EXPECT_TRUE(invalid != a);
    EXPECT_EQ(MessageOf([&] { (void)(invalid < a); }), "incomparable objects");
    EXPECT_EQ(MessageOf([&] { (void)(a >= invalid); }), "incomparable objects");
}

// A zone with rules of its own, as another system might give them.
struct RuleZone : TimeZoneImp {
    RuleZone(std::int32_t base, std::int32_t shift, const std::tm& standard, const std::tm& daylight)
    {
        base_ = base;
        daylight_ = true;
        shift_ = shift;
        standardRule_ = standard;
        daylightRule_ = daylight;
    }
};

TEST(TimeZone, FixedOffsetsAndFixedDateRules)
{
    EXPECT_EQ(TimeZoneImp(64800).BaseOffset(), 64800);
    EXPECT_EQ(TimeZoneImp(-64800).BaseOffset(), -64800);
    EXPECT_EQ(MessageOf([] { TimeZoneImp(64801); }), "invalid time zone offset");
    EXPECT_EQ(MessageOf([] { TimeZoneImp(-64801); }), "invalid time zone offset");

    const TimeZoneImp east(5 * 3600 + 1800);
    const DateTime noon(Utc(2024, 2, 29, 12, 0, 0));
    std::int32_t offset = 0;
    ASSERT_TRUE(east.GetSecondsFromGMT(noon, offset));
    EXPECT_EQ(offset, 19800);
    EXPECT_FALSE(east.IsDaylightSavingTime(noon));
    std::tm local{};
    ASSERT_TRUE(east.ToLocalDate(noon, local));
    EXPECT_EQ(local.tm_hour, 17);
    EXPECT_EQ(local.tm_min, 30);
    EXPECT_EQ(local.tm_mday, 29);
    EXPECT_EQ(local.tm_wday, 4);    // a Thursday
    EXPECT_EQ(local.tm_yday, 59);
    EXPECT_EQ(local.tm_isdst, 0);
    EXPECT_EQ(east.FromLocalDate(local).Seconds(), noon.Seconds());
    EXPECT_FALSE(east.ToLocalDate(DateTime(-1), local));
    EXPECT_FALSE(east.GetSecondsFromGMT(DateTime(-1), offset));

    // Fields out of their ranges, and points out of the valid range.
    for (auto spoil : {+[](std::tm& t) { t.tm_mon = 12; }, +[](std::tm& t) { t.tm_mday = 30; },
                       +[](std::tm& t) { t.tm_mday = 0; }, +[](std::tm& t) { t.tm_hour = 24; },
                       +[](std::tm& t) { t.tm_min = -1; }, +[](std::tm& t) { t.tm_sec = 60; },
                       +[](std::tm& t) { t.tm_year = 40; }, +[](std::tm& t) { t.tm_year = 69; }}) {
        std::tm t{};
        t.tm_year = 123;
        t.tm_mon = 1;
        t.tm_mday = 28;
        spoil(t);
        EXPECT_FALSE(east.FromLocalDate(t).IsValid()) << t.tm_year << "-" << t.tm_mon << "-" << t.tm_mday;
    }
    std::tm leap{};
    leap.tm_year = 124;
    leap.tm_mon = 1;
    leap.tm_mday = 29;
    EXPECT_TRUE(east.FromLocalDate(leap).IsValid());

    // Rules with a year give the day of the month itself: 6 April 02:00 to
    // 7 September 03:00 local time, in every year.
    std::tm daylight{}, standard{};
    daylight.tm_year = 125;
    daylight.tm_mon = 3;
    daylight.tm_mday = 6;
    daylight.tm_hour = 2;
    standard = daylight;
    standard.tm_mon = 8;
    standard.tm_mday = 7;
    standard.tm_hour = 3;
    const RuleZone fixedDates(-3600, 3600, standard, daylight);
    for (int year : {2023, 2026}) {
        EXPECT_FALSE(fixedDates.IsDaylightSavingTime(DateTime(Utc(year, 4, 6, 2, 59, 59)))) << year;
        EXPECT_TRUE(fixedDates.IsDaylightSavingTime(DateTime(Utc(year, 4, 6, 3, 0, 0)))) << year;
        EXPECT_TRUE(fixedDates.IsDaylightSavingTime(DateTime(Utc(year, 9, 7, 2, 59, 59)))) << year;
        EXPECT_FALSE(fixedDates.IsDaylightSavingTime(DateTime(Utc(year, 9, 7, 3, 0, 0)))) << year;
    }
}

struct ZoneCase {
    const char* tz;
    std::int32_t base;
    std::int32_t shift;
    // Month (1-12), week of the month (5: the last), local hour of each rule.
    int standardMonth, standardWeek, standardHour;
    int daylightMonth, daylightWeek, daylightHour;
};

// Every hour and the second before it over three years: the offset,
// the daylight flag and the calendar fields as the C library gives them for
// the same zone, and the way back from the calendar fields.
void CompareWithTheCLibrary(const TimeZoneImp& zone, const char* tz)
{
    int mismatches = 0;
    for (std::int64_t grid = Utc(2024, 1, 1); grid < Utc(2027, 1, 1) && mismatches < 5; grid += 3600) {
        for (const std::int64_t t : {grid - 1, grid}) {
            const time_t tt = t;
            std::tm expected{};
            ASSERT_TRUE(localtime_r(&tt, &expected));
            std::tm local{};
            std::int32_t offset = 0;
            ASSERT_TRUE(zone.ToLocalDate(DateTime(t), local));
            ASSERT_TRUE(zone.GetSecondsFromGMT(DateTime(t), offset));
            const bool same = offset == expected.tm_gmtoff && local.tm_gmtoff == expected.tm_gmtoff &&
                              zone.IsDaylightSavingTime(DateTime(t)) == (expected.tm_isdst > 0) &&
                              local.tm_isdst == (expected.tm_isdst > 0 ? 1 : 0) && local.tm_sec == expected.tm_sec &&
                              local.tm_min == expected.tm_min && local.tm_hour == expected.tm_hour &&
                              local.tm_mday == expected.tm_mday && local.tm_mon == expected.tm_mon &&
                              local.tm_year == expected.tm_year && local.tm_wday == expected.tm_wday &&
                              local.tm_yday == expected.tm_yday;
            std::tm back = local;
            back.tm_wday = back.tm_yday = -9;
            const std::int64_t again = zone.FromLocalDate(back).Seconds();
            if (!same || again != t || back.tm_wday != expected.tm_wday || back.tm_yday != expected.tm_yday) {
                ADD_FAILURE() << tz << " at " << t << ": offset " << offset << " vs " << expected.tm_gmtoff
                              << ", " << local.tm_hour << ":" << local.tm_min << " vs " << expected.tm_hour << ":"
                              << expected.tm_min << ", back " << again;
                ++mismatches;
            }
        }
    }
}

TEST(TimeZone, SystemZonesReadLikeTheCLibraryTellsThem)
{
    const ZoneCase cases[] = {
        {"CET", 3600, 3600, 10, 5, 3, 3, 5, 2},
        {"EST5EDT", -18000, 3600, 11, 1, 2, 3, 2, 2},
        {"Australia/Sydney", 36000, 3600, 4, 1, 3, 10, 1, 2},
    };
    SetClock(Utc(2025, 6, 15, 12));
    for (const ZoneCase& c : cases) {
        UseZone(c.tz);
        const TimeZoneRef zone = TimeZoneImp::System();
        EXPECT_TRUE(zone->HasDaylightSaving()) << c.tz;
        EXPECT_EQ(zone->BaseOffset(), c.base) << c.tz;
        EXPECT_EQ(zone->DaylightShift(), c.shift) << c.tz;
        const std::tm& s = zone->StandardRule();
        const std::tm& d = zone->DaylightRule();
        EXPECT_EQ(s.tm_year, 0);
        EXPECT_EQ(s.tm_wday, 0) << c.tz;   // Sundays
        EXPECT_EQ(d.tm_wday, 0) << c.tz;
        EXPECT_EQ(s.tm_mon + 1, c.standardMonth) << c.tz;
        EXPECT_EQ(s.tm_mday, c.standardWeek) << c.tz;
        EXPECT_EQ(s.tm_hour, c.standardHour) << c.tz;
        EXPECT_EQ(d.tm_mon + 1, c.daylightMonth) << c.tz;
        EXPECT_EQ(d.tm_mday, c.daylightWeek) << c.tz;
        EXPECT_EQ(d.tm_hour, c.daylightHour) << c.tz;
        CompareWithTheCLibrary(*zone, c.tz);
    }

    // Without daylight saving both rules are zero.
    const std::tm zero{};
    for (const char* tz : {"Asia/Tokyo", "UTC", "<-0330>3:30"}) {
        UseZone(tz);
        const TimeZoneRef zone = TimeZoneImp::System();
        EXPECT_FALSE(zone->HasDaylightSaving()) << tz;
        EXPECT_EQ(zone->DaylightShift(), 0) << tz;
        EXPECT_EQ(std::memcmp(&zone->StandardRule(), &zero, sizeof zero), 0) << tz;
        EXPECT_EQ(std::memcmp(&zone->DaylightRule(), &zero, sizeof zero), 0) << tz;
        CompareWithTheCLibrary(*zone, tz);
    }
    UseZone("Asia/Tokyo");
    EXPECT_EQ(TimeZoneImp::System()->BaseOffset(), 32400);
    UseZone("<-0330>3:30");
    EXPECT_EQ(TimeZoneImp::System()->BaseOffset(), -12600);
    win32::SetSystemTimeForTesting(nullptr);
}

TEST(TimeZone, TheSystemCallCountsMinutesWestAndTheTimesBeforeEachTransition)
{
    UseZone("CET");
    SetClock(Utc(2025, 1, 10));
    win32::TIME_ZONE_INFORMATION info{};
    EXPECT_EQ(win32::GetTimeZoneInformation(&info), win32::kTimeZoneIdStandard);
    EXPECT_EQ(info.Bias, -60);
    EXPECT_EQ(info.StandardBias, 0);
    EXPECT_EQ(info.DaylightBias, -60);
    EXPECT_EQ(std::u16string(info.StandardName), u"CET");
    EXPECT_EQ(std::u16string(info.DaylightName), u"CEST");
    // Day-in-month form: the last Sunday of March at 02:00 standard time, of
    // October at 03:00 daylight time.
    EXPECT_EQ(info.DaylightDate.wYear, 0);
    EXPECT_EQ(info.DaylightDate.wMonth, 3);
    EXPECT_EQ(info.DaylightDate.wDay, 5);
    EXPECT_EQ(info.DaylightDate.wHour, 2);
    EXPECT_EQ(info.StandardDate.wMonth, 10);
    EXPECT_EQ(info.StandardDate.wHour, 3);
    SetClock(Utc(2025, 7, 1));
    EXPECT_EQ(win32::GetTimeZoneInformation(&info), win32::kTimeZoneIdDaylight);
    UseZone("UTC");
    EXPECT_EQ(win32::GetTimeZoneInformation(&info), win32::kTimeZoneIdUnknown);
    EXPECT_EQ(info.DaylightDate.wMonth, 0);
    EXPECT_EQ(win32::GetTimeZoneInformation(nullptr), win32::kTimeZoneIdInvalid);
    win32::SetSystemTimeForTesting(nullptr);
}

TEST(TimeZone, LocalTimesThatRepeatOrNeverHappen)
{
    UseZone("CET");
    SetClock(Utc(2025, 6, 15));
    const TimeZoneRef zone = TimeZoneImp::System();
    std::tm t{};
    t.tm_year = 125;

    // 30 March 2025, 02:30 does not happen: read as standard time it is
    // 03:30 daylight time.
    t.tm_mon = 2;
    t.tm_mday = 30;
    t.tm_hour = 2;
    t.tm_min = 30;
    t.tm_isdst = -1;
    EXPECT_EQ(zone->FromLocalDate(t).Seconds(), Utc(2025, 3, 30, 1, 30));
    EXPECT_EQ(t.tm_hour, 3);
    EXPECT_EQ(t.tm_isdst, 1);

    // 26 October 2025, 02:30 happens twice: daylight time first unless
    // standard time is asked for.
    for (int flag : {-1, 1, 0}) {
        t.tm_mon = 9;
        t.tm_mday = 26;
        t.tm_hour = 2;
        t.tm_min = 30;
        t.tm_isdst = flag;
        EXPECT_EQ(zone->FromLocalDate(t).Seconds(), Utc(2025, 10, 26, flag == 0 ? 1 : 0, 30)) << flag;
        EXPECT_EQ(t.tm_hour, 2);
        EXPECT_EQ(t.tm_isdst, flag == 0 ? 0 : 1);
        EXPECT_EQ(t.tm_wday, 0);
        EXPECT_EQ(t.tm_yday, 298);
    }
    // Outside the hour, the flag asked for does not matter.
    t.tm_hour = 12;
    t.tm_min = 0;
    t.tm_isdst = 1;
    EXPECT_EQ(zone->FromLocalDate(t).Seconds(), Utc(2025, 10, 26, 11));
    EXPECT_EQ(t.tm_isdst, 0);
    win32::SetSystemTimeForTesting(nullptr);
}

TEST(TimeSource, ClockAndAZoneThatIsKeptWhenTheSystemCannotSay)
{
    SetClock(1700000000);
    EXPECT_EQ(DateTime::Now().Seconds(), 1700000000);
    EXPECT_EQ(DateTimeMgr::GetCurrentTime().Seconds(), 1700000000);
    SetClock(DateTime::kLast + 1);
    EXPECT_FALSE(DateTime::Now().IsValid());
    SetClock(-1);
    EXPECT_FALSE(DateTime::Now().IsValid());
    SetClock(Utc(2025, 6, 15));

    // Unreadable from the start: the fixed zone of offset 0 stays.
    UseZone("CET");
    win32::SetTimeZoneFailureForTesting(true);
    EXPECT_EQ(MessageOf([] { TimeZoneImp::System(); }), "System time zone information is unavailable");
    {
        DateTimeMgr unreadable;
        EXPECT_EQ(unreadable.GetTimeZone()->BaseOffset(), 0);
        EXPECT_FALSE(unreadable.GetTimeZone()->HasDaylightSaving());
    }
    win32::SetTimeZoneFailureForTesting(false);

    DateTimeMgr source;
    const TimeZoneRef first = source.GetTimeZone();
    EXPECT_EQ(first->BaseOffset(), 3600);
    UseZone("EST5EDT");
    EXPECT_EQ(source.GetTimeZone(), first);   // read only when refreshed
    ASSERT_TRUE(source.RefreshTimeZone());
    const TimeZoneRef second = source.GetTimeZone();
    EXPECT_EQ(second->BaseOffset(), -18000);
    UseZone("Asia/Tokyo");
    win32::SetTimeZoneFailureForTesting(true);
    EXPECT_FALSE(source.RefreshTimeZone());
    EXPECT_EQ(source.GetTimeZone(), second);
    win32::SetTimeZoneFailureForTesting(false);
    win32::SetSystemTimeForTesting(nullptr);
}

} // namespace
