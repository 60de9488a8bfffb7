// Gestalt, the microsecond clock, the application's encoding, comparisons and
// the notification queue.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "platform/carbon/Carbon.h"
#include "platform/corefoundation/SystemSetup.h"

namespace {

std::uint64_t Join(const UnsignedWide& w) { return (std::uint64_t(w.hi) << 32) | w.lo; }

std::uint64_t MonotonicMicros() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint64_t(now.tv_sec) * 1000000u + std::uint64_t(now.tv_nsec) / 1000u;
}

SInt32 Compare(UCCollateOptions options, const std::u16string& a, const std::u16string& b,
               Boolean* equivalent = nullptr) {
    SInt32 order = 99;
    Boolean eq = 2;
    EXPECT_EQ(noErr, UCCompareTextDefault(options, reinterpret_cast<const UniChar*>(a.data()),
                                          a.size(), reinterpret_cast<const UniChar*>(b.data()),
                                          b.size(), &eq, &order));
    EXPECT_EQ(order == 0, eq != 0);
    if (equivalent != nullptr) {
        *equivalent = eq;
    }
    return order;
}

}  // namespace

TEST(CarbonSystem, GestaltReportsTheSetUpVersion) {
    SInt32 v = 0;
    ASSERT_EQ(noErr, Gestalt(FourCC("sysv"), &v));
    EXPECT_EQ(0x1058, v);
    macsetup::SetSystemVersion(10, 4, 11);
    ASSERT_EQ(noErr, Gestalt(FourCC("sysv"), &v));
    EXPECT_EQ(0x1049, v);  // older than 10.5: at most 0x104F
    ASSERT_EQ(noErr, Gestalt(FourCC("sys3"), &v));
    EXPECT_EQ(11, v);
    ASSERT_EQ(noErr, Gestalt(FourCC("sys2"), &v));
    EXPECT_EQ(4, v);
    EXPECT_EQ(gestaltUndefSelectorErr, Gestalt(FourCC("none"), &v));
    EXPECT_EQ(paramErr, Gestalt(FourCC("sysv"), nullptr));
    macsetup::Reset();
}

TEST(CarbonSystem, MicrosecondsFollowTheMonotonicClock) {
    std::uint64_t last = 0;
    for (int i = 0; i < 1000; ++i) {
        const std::uint64_t before = MonotonicMicros();
        UnsignedWide w{};
        Microseconds(&w);
        const std::uint64_t after = MonotonicMicros();
        ASSERT_LE(before, Join(w));
        ASSERT_GE(after, Join(w));
        ASSERT_GE(Join(w), last);
        last = Join(w);
    }
}

TEST(CarbonSystem, ApplicationTextEncodingFromTheSetUp) {
    EXPECT_EQ(0u, GetApplicationTextEncoding());
    macsetup::SetApplicationTextEncoding(1);
    EXPECT_EQ(1u, GetApplicationTextEncoding());
    macsetup::Reset();
    EXPECT_EQ(0u, GetApplicationTextEncoding());
}

TEST(CarbonSystem, CompareTextWithTheFlavoursOptions) {
    const UCCollateOptions sensitive = 0x8006, insensitive = 0x800E;
    Boolean equivalent = false;
    EXPECT_EQ(0, Compare(insensitive, u"abc", u"ABC", &equivalent));
    EXPECT_TRUE(equivalent);
    EXPECT_NE(0, Compare(sensitive, u"abc", u"ABC", &equivalent));
    EXPECT_FALSE(equivalent);
    // Composed and decomposed é, full-width letters: equal under both.
    for (UCCollateOptions o : {sensitive, insensitive}) {
        EXPECT_EQ(0, Compare(o, u"caf\u00E9", u"cafe\u0301"));
        EXPECT_EQ(0, Compare(o, u"\uFF21\uFF22", u"AB"));
        EXPECT_NE(0, Compare(o, u"a-b", u"ab"));  // punctuation counts
        EXPECT_LT(Compare(o, u"apple", u"banana"), 0);
        EXPECT_GT(Compare(o, u"\u00E9t\u00E9", u"ete"), 0);
    }
    // The other bits do what they say.
    EXPECT_EQ(0, Compare(0x0006, u"a-b", u"ab"));
    EXPECT_NE(0, Compare(0x8004, u"caf\u00E9", u"cafe\u0301"));
    EXPECT_EQ(0, Compare(0x8016, u"\u00E9t\u00E9", u"ete"));
    SInt32 order = 0;
    EXPECT_EQ(paramErr, UCCompareTextDefault(1u << 20, nullptr, 0, nullptr, 0, nullptr, &order));
    EXPECT_EQ(paramErr, UCCompareTextDefault(0x8006, nullptr, 3, nullptr, 0, nullptr, &order));
    EXPECT_EQ(noErr, UCCompareTextDefault(0x8006, nullptr, 0, nullptr, 0, nullptr, &order));
    EXPECT_EQ(0, order);
}

TEST(CarbonSystem, NotificationQueueAsTheHostSeesIt) {
    NMRec request{};
    request.qType = 5;
    EXPECT_EQ(nmTypErr, NMInstall(&request));
    request.qType = nmType;
    request.nmMark = 1;
    EXPECT_TRUE(macsetup::InstalledNotifications().empty());
    ASSERT_EQ(noErr, NMInstall(&request));
    ASSERT_EQ(1u, macsetup::InstalledNotifications().size());
    EXPECT_EQ(&request, macsetup::InstalledNotifications()[0]);
    EXPECT_EQ(1, macsetup::InstalledNotifications()[0]->nmMark);
    EXPECT_EQ(qErr, NMInstall(&request));
    NMRec second{};
    second.qType = nmType;
    macsetup::FailCalls("NMInstall");
    EXPECT_NE(noErr, NMInstall(&second));
    ASSERT_EQ(noErr, NMInstall(&second));
    EXPECT_EQ(2u, macsetup::InstalledNotifications().size());
    EXPECT_EQ(noErr, NMRemove(&request));
    EXPECT_EQ(qErr, NMRemove(&request));
    ASSERT_EQ(1u, macsetup::InstalledNotifications().size());
    EXPECT_EQ(&second, macsetup::InstalledNotifications()[0]);
    EXPECT_EQ(noErr, NMRemove(&second));
    EXPECT_TRUE(macsetup::InstalledNotifications().empty());
}
