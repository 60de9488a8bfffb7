// Time zones and Gregorian dates.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "platform/corefoundation/SystemSetup.h"
#include "tests/platform/corefoundation/Support.h"

using cftest::Ref;
using cftest::Str;

namespace {

// The same instant's calendar fields through the C library, in UTC.
std::tm Utc(double absolute, int offset) {
    const std::time_t t = static_cast<std::time_t>(std::floor(absolute + kCFAbsoluteTimeIntervalSince1970)) + offset;
    std::tm out{};
    gmtime_r(&t, &out);
    return out;
}

}  // namespace

TEST(CFTime, FixedZonesUpToEighteenHours) {
    for (double offset : {-64800.0, -3600.0, 0.0, 19800.0, 64800.0}) {
        Ref<CFTimeZoneRef> zone(CFTimeZoneCreateWithTimeIntervalFromGMT(nullptr, offset));
        ASSERT_TRUE(zone) << offset;
        EXPECT_EQ(offset, CFTimeZoneGetSecondsFromGMT(zone.get(), 1e8));
        EXPECT_FALSE(CFTimeZoneIsDaylightSavingTime(zone.get(), 1e8));
    }
    EXPECT_EQ(nullptr, CFTimeZoneCreateWithTimeIntervalFromGMT(nullptr, 64801));
    EXPECT_EQ(nullptr, CFTimeZoneCreateWithTimeIntervalFromGMT(nullptr, -64801));
    EXPECT_EQ(nullptr, CFTimeZoneCreateWithTimeIntervalFromGMT(nullptr, NAN));
}

TEST(CFTime, GregorianFieldsAgreeWithTheCLibraryAndRoundTrip) {
    // Thousands of instants from 1901 to 2100, in zones at both limits.
    for (double offset : {-64800.0, 0.0, 64800.0}) {
        Ref<CFTimeZoneRef> zone(CFTimeZoneCreateWithTimeIntervalFromGMT(nullptr, offset));
        for (double at = -3.1e9; at < 3.1e9; at += 1234567.891) {
            const CFGregorianDate d = CFAbsoluteTimeGetGregorianDate(at, zone.get());
            const std::tm tm = Utc(at, static_cast<int>(offset));
            ASSERT_EQ(tm.tm_year + 1900, d.year) << at;
            ASSERT_EQ(tm.tm_mon + 1, d.month);
            ASSERT_EQ(tm.tm_mday, d.day);
            ASSERT_EQ(tm.tm_hour, d.hour);
            ASSERT_EQ(tm.tm_min, d.minute);
            ASSERT_NEAR(tm.tm_sec + (at - std::floor(at)), d.second, 1e-6);
            ASSERT_EQ((tm.tm_wday + 6) % 7 + 1, CFAbsoluteTimeGetDayOfWeek(at, zone.get()));
            ASSERT_EQ(tm.tm_yday + 1, CFAbsoluteTimeGetDayOfYear(at, zone.get()));
            ASSERT_TRUE(CFGregorianDateIsValid(d, kCFGregorianAllUnits));
            ASSERT_NEAR(at, CFGregorianDateGetAbsoluteTime(d, zone.get()), 1e-6);
        }
    }
}

TEST(CFTime, WeekdaysAndDaysOfYearAtTheEdges) {
    // 2001-01-01 00:00 GMT, the reference instant, was a Monday.
    EXPECT_EQ(1, CFAbsoluteTimeGetDayOfWeek(0, nullptr));
    EXPECT_EQ(1, CFAbsoluteTimeGetDayOfYear(0, nullptr));
    Ref<CFTimeZoneRef> west(CFTimeZoneCreateWithTimeIntervalFromGMT(nullptr, -64800));
    const CFGregorianDate d = CFAbsoluteTimeGetGregorianDate(0, west.get());
    EXPECT_EQ(2000, d.year);
    EXPECT_EQ(12, d.month);
    EXPECT_EQ(31, d.day);
    EXPECT_EQ(6, d.hour);
    EXPECT_EQ(7, CFAbsoluteTimeGetDayOfWeek(0, west.get()));    // Sunday
    EXPECT_EQ(366, CFAbsoluteTimeGetDayOfYear(0, west.get()));  // 2000 was a leap year
}

TEST(CFTime, NamedZonesHaveDaylightSavingTime) {
    Ref<CFStringRef> name(Str("Europe/Berlin"));
    Ref<CFTimeZoneRef> berlin(CFTimeZoneCreateWithName(nullptr, name.get(), false));
    ASSERT_TRUE(berlin);
    CFGregorianDate july{2020, 7, 1, 12, 0, 0};
    CFGregorianDate january{2020, 1, 15, 12, 0, 0};
    const double summer = CFGregorianDateGetAbsoluteTime(july, berlin.get());
    const double winter = CFGregorianDateGetAbsoluteTime(january, berlin.get());
    EXPECT_TRUE(CFTimeZoneIsDaylightSavingTime(berlin.get(), summer));
    EXPECT_FALSE(CFTimeZoneIsDaylightSavingTime(berlin.get(), winter));
    EXPECT_EQ(7200, CFTimeZoneGetSecondsFromGMT(berlin.get(), summer));
    EXPECT_EQ(3600, CFTimeZoneGetSecondsFromGMT(berlin.get(), winter));
    EXPECT_EQ(12, CFAbsoluteTimeGetGregorianDate(summer, berlin.get()).hour);
    EXPECT_EQ(10, CFAbsoluteTimeGetGregorianDate(summer, nullptr).hour);
    Ref<CFStringRef> bogus(Str("Nowhere/Atlantis"));
    EXPECT_EQ(nullptr, CFTimeZoneCreateWithName(nullptr, bogus.get(), false));
}

TEST(CFTime, InvalidDatesAndTheSetUpClock) {
    EXPECT_FALSE(CFGregorianDateIsValid(CFGregorianDate{2019, 2, 29, 0, 0, 0}, kCFGregorianAllUnits));
    EXPECT_TRUE(CFGregorianDateIsValid(CFGregorianDate{2019, 2, 29, 0, 0, 0}, kCFGregorianUnitsYears));
    EXPECT_TRUE(CFGregorianDateIsValid(CFGregorianDate{2000, 2, 29, 23, 59, 59.5}, kCFGregorianAllUnits));
    EXPECT_FALSE(CFGregorianDateIsValid(CFGregorianDate{1900, 2, 29, 0, 0, 0}, kCFGregorianAllUnits));
    EXPECT_FALSE(CFGregorianDateIsValid(CFGregorianDate{2000, 1, 1, 24, 0, 0}, kCFGregorianAllUnits));
    EXPECT_FALSE(CFGregorianDateIsValid(CFGregorianDate{2000, 1, 1, 0, 0, 60}, kCFGregorianAllUnits));
    EXPECT_FALSE(CFGregorianDateIsValid(CFGregorianDate{2000, 1, 1, 0, 0, NAN}, kCFGregorianAllUnits));
    const CFGregorianDate none = CFAbsoluteTimeGetGregorianDate(NAN, nullptr);
    EXPECT_FALSE(CFGregorianDateIsValid(none, kCFGregorianAllUnits));

    const double before = static_cast<double>(std::time(nullptr)) - kCFAbsoluteTimeIntervalSince1970;
    const double now = CFAbsoluteTimeGetCurrent();
    const double after = static_cast<double>(std::time(nullptr)) - kCFAbsoluteTimeIntervalSince1970 + 1;
    EXPECT_LE(before, now);
    EXPECT_GE(after, now);
    const double past2038 = 2.2e9;
    macsetup::SetCurrentTime(&past2038);
    EXPECT_EQ(past2038, CFAbsoluteTimeGetCurrent());
    macsetup::SetCurrentTime(nullptr);
    EXPECT_GE(CFAbsoluteTimeGetCurrent(), now);
}
