// The macOS flavour's time source, time zones and attention signal.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <stdexcept>
#include <string>

#include "platform/carbon/Carbon.h"
#include "platform/corefoundation/SystemSetup.h"
#include "plugin/NotificationMgr.h"
#include "plugin/TimeZone.h"

namespace {

using __Quarrow__::DateTime;
using __Quarrow__::DateTimeMgr;
using __Quarrow__::TimeZoneImp;

class MacTime : public ::testing::Test {
protected:
    void TearDown() override
    {
        macsetup::SetCurrentTime(nullptr);
        macsetup::ClearFailures();
        unsetenv("TZ");
    }
    static std::string What(std::int32_t offset)
    {
        try {
            TimeZoneImp zone(offset);
        } catch (const std::invalid_argument& e) {
            return e.what();
        }
        return "ok";
    }
    static std::int64_t Utc(int year, int month, int day, int hour, int minute)
    {
        std::tm t{};
        t.tm_year = year - 1900;
        t.tm_mon = month - 1;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        return timegm(&t);
    }
    static std::tm Local(int year, int month, int day, int hour, int minute, int isdst)
    {
        std::tm t{};
        t.tm_year = year - 1900;
        t.tm_mon = month - 1;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        t.tm_isdst = isdst;
        return t;
    }
};

TEST_F(MacTime, TheClockIsTheSystemsAbsoluteTimeAndRefusesWhatItCannotHold)
{
    const std::int64_t before = std::time(nullptr);
    const DateTime now = DateTimeMgr::GetCurrentTime();
    EXPECT_GE(now.Seconds(), before);
    EXPECT_LE(now.Seconds(), std::time(nullptr));

    const double nan = std::numeric_limits<double>::quiet_NaN();
    macsetup::SetCurrentTime(&nan);
    EXPECT_FALSE(DateTimeMgr::GetCurrentTime().IsValid());
    const double beyond = 3e9;   // past 2038
    macsetup::SetCurrentTime(&beyond);
    EXPECT_FALSE(DateTimeMgr::GetCurrentTime().IsValid());
}

TEST_F(MacTime, FixedZonesReachEighteenHoursAndSundayIsZero)
{
    EXPECT_EQ(What(64800), "ok");
    EXPECT_EQ(What(-64800), "ok");
    EXPECT_EQ(What(64801), "invalid time zone offset");
    EXPECT_EQ(What(-64801), "invalid time zone offset");

    const TimeZoneImp zone(-18000);
    std::int32_t offset = 0;
    ASSERT_TRUE(zone.GetSecondsFromGMT(DateTime(0), offset));
    EXPECT_EQ(offset, -18000);
    EXPECT_FALSE(zone.IsDaylightSavingTime(DateTime(0)));
    EXPECT_FALSE(zone.GetSecondsFromGMT(DateTime(DateTime::kInvalid), offset));

    std::tm local{};
    ASSERT_TRUE(zone.ToLocalDate(DateTime(Utc(2026, 12, 6, 17, 30)), local));   // a Sunday
    EXPECT_EQ(local.tm_wday, 0);
    EXPECT_EQ(local.tm_hour, 12);
    EXPECT_EQ(local.tm_yday, 339);
    EXPECT_EQ(local.tm_mon, 11);
    EXPECT_EQ(local.tm_year, 126);
    ASSERT_TRUE(zone.ToLocalDate(DateTime(Utc(2026, 12, 7, 17, 30)), local));
    EXPECT_EQ(local.tm_wday, 1);
}

TEST_F(MacTime, TheSystemZoneKnowsItsTransitions)
{
    setenv("TZ", "Europe/Paris", 1);
    const auto zone = TimeZoneImp::System();
    EXPECT_EQ(zone->BaseOffset(), 3600);
    EXPECT_TRUE(zone->HasDaylightSaving());
    EXPECT_EQ(zone->DaylightShift(), 3600);
    EXPECT_TRUE(zone->IsDaylightSavingTime(DateTime(Utc(2026, 7, 1, 12, 0))));
    EXPECT_FALSE(zone->IsDaylightSavingTime(DateTime(Utc(2026, 12, 1, 12, 0))));

    // The hour the clocks go back occurs twice: daylight time unless asked
    // for standard time.
    std::tm twice = Local(2026, 10, 25, 2, 30, -1);
    EXPECT_EQ(zone->FromLocalDate(twice).Seconds(), Utc(2026, 10, 25, 0, 30));
    EXPECT_EQ(twice.tm_isdst, 1);
    twice = Local(2026, 10, 25, 2, 30, 0);
    EXPECT_EQ(zone->FromLocalDate(twice).Seconds(), Utc(2026, 10, 25, 1, 30));
    EXPECT_EQ(twice.tm_isdst, 0);
    // The hour they skip is read with the offset before, landing after it.
    std::tm skipped = Local(2026, 3, 29, 2, 30, -1);
    EXPECT_EQ(zone->FromLocalDate(skipped).Seconds(), Utc(2026, 3, 29, 1, 30));
    EXPECT_EQ(skipped.tm_hour, 3);

    std::tm bad = Local(2026, 2, 30, 12, 0, -1);
    EXPECT_FALSE(zone->FromLocalDate(bad).IsValid());
    bad = Local(2026, 13, 1, 12, 0, -1);
    EXPECT_FALSE(zone->FromLocalDate(bad).IsValid());

    // Every few hours over two years, through both transitions, both ways.
    for (std::int64_t t = Utc(2025, 1, 1, 0, 0); t < Utc(2027, 1, 1, 0, 0); t += 7 * 3600 + 13) {
        std::tm local{};
        ASSERT_TRUE(zone->ToLocalDate(DateTime(t), local));
        EXPECT_EQ(zone->FromLocalDate(local).Seconds(), t) << t;
    }
}

TEST_F(MacTime, AZoneThatCannotBeReadKeepsTheOneHeld)
{
    setenv("TZ", "Europe/Paris", 1);
    DateTimeMgr mgr;
    const DateTime summer(Utc(2026, 7, 1, 12, 0));
    std::int32_t offset = 0;
    ASSERT_TRUE(mgr.GetTimeZone()->GetSecondsFromGMT(summer, offset));
    EXPECT_EQ(offset, 7200);

    setenv("TZ", "Nowhere/Atlantis", 1);
    try {
        TimeZoneImp::System();
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "System time zone information is unavailable");
    }
    EXPECT_FALSE(mgr.RefreshTimeZone());
    ASSERT_TRUE(mgr.GetTimeZone()->GetSecondsFromGMT(summer, offset));
    EXPECT_EQ(offset, 7200);
}

TEST_F(MacTime, AnAttentionRequestIsOneQueuedNotification)
{
    __Quarrow__::NotificationMgr owner;
    auto signal = __Quarrow__::MakeAttentionSignal();
    ASSERT_TRUE(signal->Begin(owner));
    ASSERT_EQ(macsetup::InstalledNotifications().size(), 1u);
    EXPECT_EQ(macsetup::InstalledNotifications()[0]->qType, 8);
    EXPECT_EQ(macsetup::InstalledNotifications()[0]->nmMark, 1);
    ASSERT_TRUE(signal->Begin(owner));   // a new request replaces the old
    EXPECT_EQ(macsetup::InstalledNotifications().size(), 1u);
    signal->End();
    EXPECT_TRUE(macsetup::InstalledNotifications().empty());
    signal->End();

    macsetup::FailCalls("NMInstall");
    EXPECT_FALSE(signal->Begin(owner));
    EXPECT_TRUE(macsetup::InstalledNotifications().empty());
    signal.reset();
    EXPECT_TRUE(macsetup::InstalledNotifications().empty());
}

} // namespace
