// The framework's building blocks: reference counts, function wrappers, the
// in-place singleton, the text helpers, the tick clock and its timer, and the
// order of the framework's services.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/win32/wintimer.h"
#include "plugin/DeferredTask.h"
#include "plugin/FuncWrapper.h"
#include "plugin/NotificationMgr.h"
#include "plugin/QSingleton.h"
#include "plugin/RefCountedObj.h"
#include "plugin/Services.h"
#include "plugin/TextHelpers.h"
#include "plugin/TickClock.h"
#include "plugin/TimeZone.h"
#include "plugin/TimedTask.h"
#include "support/plugin_harness.h"

namespace {

using namespace __Quarrow__;

struct Counted : RefCountedObj {
    explicit Counted(int* deaths) : deaths_(deaths) {}
    ~Counted() override { ++*deaths_; }
    int* deaths_;
};

TEST(RefCounting, OneReleasePerAddRefAndAGuardBelowZero)
{
    int deaths = 0;
    auto* shared = new Counted(&deaths);
    EXPECT_EQ(shared->RefCount(), 0);
    EXPECT_EQ(shared->AddRef(), 1);
    EXPECT_EQ(shared->AddRef(), 2);
    EXPECT_EQ(shared->Release(), 1);
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(shared->Release(), 0);
    EXPECT_EQ(deaths, 1);

    // Released without ever being held: the count goes below zero and the
    // object can no longer be taken.
    Counted bad(&deaths);
    EXPECT_EQ(bad.Release(), -1);
    try {
        bad.AddRef();
        ADD_FAILURE() << "AddRef below zero must throw";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Bad access to RefCountedObj");
    }
}

int g_sum = 0;
void AddEvent(std::uint32_t event, int& link) { g_sum += static_cast<int>(event) * link; }
void TimedRun(const std::int64_t& due, const double& interval, double& link) { link = static_cast<double>(due) + interval; }

TEST(FuncWrapper, CopiesShareOneImplementationThatOutlivesTheOriginal)
{
    using Wrapper = FuncWrapper<void(std::uint32_t, int&)>;
    Wrapper copy;
    int factor = 5;
    EXPECT_THROW(copy(1, factor), std::runtime_error);
    {
        Wrapper original(&AddEvent);
        copy = original;
        EXPECT_EQ(original.Sharers(), 2);
    }
    EXPECT_EQ(copy.Sharers(), 1);
    copy(3, factor);
    EXPECT_EQ(g_sum, 15);
    EXPECT_TRUE(Wrapper(nullptr).Empty());

    // The timed-task form: (due time, interval, link).
    TimedTaskFunction<std::int64_t, double, double> timed(&TimedRun);
    double seen = 0;
    timed(100, 0.5, seen);
    EXPECT_EQ(seen, 100.5);
}

struct Service {
    explicit Service(int value) : value(value) { ++alive; }
    ~Service() { --alive; }
    int value;
    static inline int alive = 0;
};

TEST(QSingleton, ServicesLiveInTheirSlotsStorageAndGoAway)
{
    using Slot = Singleton<Service, 7>;
    Service* first = &Slot::Create(4);
    EXPECT_EQ(Slot::getInstance().value, 4);
    EXPECT_THROW(Slot::Create(5), std::logic_error);
    Slot::Destroy();
    EXPECT_EQ(Service::alive, 0);
    EXPECT_THROW(Slot::getInstance(), std::runtime_error);
    // The same static area again: nothing comes from the heap.
    EXPECT_EQ(&Slot::Create(6), first);
    Slot::Destroy();
    EXPECT_FALSE(Slot::exists());
}

TEST(TextHelpers, EncodingsLineBreaksCopiesAndResources)
{
    // "é" in Mac Roman (0x8E), Windows ANSI (0xE9) and UTF-8.
    std::wstring wide;
    WideFromBytes("caf\x8E", 4, kFMEncASCIIMac, wide);
    EXPECT_EQ(wide, L"caf\u00E9");
    WideFromBytes("caf\xC3\xA9\xF0\x9F\x8E\xA8", 9, kFMEncUTF8, wide);
    EXPECT_EQ(wide, L"caf\u00E9\U0001F3A8");
    std::string bytes;
    ASSERT_TRUE(BytesFromWide(L"caf\u00E9", kFMEncASCIIMac, bytes));
    EXPECT_EQ(bytes, "caf\x8E");
    ASSERT_TRUE(BytesFromWide(L"caf\u00E9", kFMEncASCIIWin, bytes));
    EXPECT_EQ(bytes, "caf\xE9");
    EXPECT_FALSE(BytesFromWide(L"x", 99, bytes));
    EXPECT_EQ(bytes, "caf\xE9");

    std::string lines = "a\nb\r\n";
    LineFeedsToReturns(lines);
    EXPECT_EQ(lines, "a\rb\r\r");
    std::wstring wideLines = L"\u00E9\r\r";
    ReturnsToLineFeeds(wideLines);
    EXPECT_EQ(wideLines, L"\u00E9\n\n");

    char buffer[12];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_FALSE(CopyWithZero("0123456789", 10, buffer, 10));
    EXPECT_EQ(buffer[0], '#');
    EXPECT_TRUE(CopyWithZero("0123456789", 10, buffer, 11));
    EXPECT_STREQ(buffer, "0123456789");

    // String resources come from the plug-in module once it is initialised.
    EXPECT_FALSE(LoadResourceString(128, wide));
    ASSERT_EQ(pvtest::Init(), 52);
    EXPECT_TRUE(LoadResourceString(128, wide));
    EXPECT_EQ(wide, L"Plotvane");
    EXPECT_FALSE(LoadResourceString(130, wide));
    EXPECT_TRUE(wide.empty());
    pvtest::Shutdown();
}

std::uint32_t g_tick = 0;
std::uint32_t FakeTick() { return g_tick; }

TEST(TickClock, FoldsTheTickCountAcrossItsWrapAndEvery28Days)
{
    g_tick = 0xFFFFF000u;
    win32::SetTickSourceForTesting(&FakeTick);
    const std::uint64_t start = ClockMilliseconds();
    g_tick = 0x00000800u;   // 6144 ms later, past the wrap
    EXPECT_EQ(ClockMilliseconds() - start, 0x1800u);

    // Unread for three timer periods (more than one wrap of the tick count):
    // the clock's timer folds the ticks in each time it fires.
    for (int i = 0; i < 3; ++i) {
        g_tick += kClockTimerPeriod;
        EXPECT_EQ(win32::DispatchDueTimers(), 1u) << "period " << i;
    }
    g_tick += 1000;
    const std::uint64_t expected = 0x1800u + 3ull * kClockTimerPeriod + 1000u;
    EXPECT_EQ(ClockMilliseconds() - start, expected);
    EXPECT_EQ(ClockSeconds(), (start + expected) / 1000u);
    win32::SetTickSourceForTesting(nullptr);
}

// A timed task's owner that looks, when the shutdown reaches it, at which
// services are still there.
struct ShutdownWitness : TimedTaskMgr::TaskLink {
    void Notify(std::int32_t reason) override
    {
        heard = reason;
        there = std::string(Singleton<DeferredTaskMgr>::exists() ? "deferred " : "") +
                (Singleton<DateTimeMgr>::exists() ? "time " : "") + (Singleton<LockService>::exists() ? "lock " : "") +
                (Singleton<TimedTaskMgr>::exists() ? "timed " : "") +
                (Singleton<NotificationMgr>::exists() ? "notification" : "");
    }
    std::int32_t heard = 0;
    std::string there;
};

void Nothing(const DateTime&, const TimeDiff&, TimedTaskMgr::TaskLink&) {}

TEST(FrameworkServices, MadeInOrderAndDestroyedBackwards)
{
    const std::uint32_t made = CreateFrameworkServices();
    EXPECT_EQ(made, 0x1Fu);
    EXPECT_EQ(CreateFrameworkServices(), 0u);   // each exists once
    EXPECT_EQ(Singleton<NotificationMgr>::getInstance().GetState(), NotificationMgr::kStopped);
    ShutdownWitness witness;
    ASSERT_TRUE(Singleton<TimedTaskMgr>::getInstance().AddTask(TimedTaskMgr::Function(&Nothing),
                                                               DateTime::Now() + TimeDiff(60), TimeDiff(), &witness));
    DestroyFrameworkServices(made);
    // The timed tasks go after attention requests, which use them, and
    // before the services they use.
    EXPECT_EQ(witness.heard, -2);
    EXPECT_EQ(witness.there, "deferred time lock ");
    EXPECT_FALSE(Singleton<DeferredTaskMgr>::exists());
}

} // namespace
