// The framework's building blocks: reference counts, function wrappers, the
// in-place singleton, the text helpers, the tick clock and its timer.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "fmx/FMWrapper.h"
#include "platform/win32/wintimer.h"
#include "plugin/FuncWrapper.h"
#include "plugin/QSingleton.h"
#include "plugin/RefCountedObj.h"
#include "plugin/TextHelpers.h"
#include "plugin/TickClock.h"
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
    auto* once = new Counted(&deaths);
    EXPECT_EQ(once->RefCount(), 0);
    EXPECT_EQ(once->AddRef(), 1);
    EXPECT_EQ(once->Release(), 0);
    EXPECT_EQ(deaths, 1);

    auto* twice = new Counted(&deaths);
    twice->AddRef();
    EXPECT_EQ(twice->AddRef(), 2);
    EXPECT_EQ(twice->Release(), 1);
    EXPECT_EQ(deaths, 1);
    twice->Release();
    EXPECT_EQ(deaths, 2);

    // Released without ever being held: the count goes below zero and the
    // object can no longer be taken.
    auto* bad = new Counted(&deaths);
    EXPECT_EQ(bad->Release(), -1);
    try {
        bad->AddRef();
        ADD_FAILURE() << "AddRef below zero must throw";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Bad access to RefCountedObj");
    }
    EXPECT_EQ(deaths, 2);
    delete bad;
}

int g_sum = 0;
void AddEvent(std::uint32_t event, int& link) { g_sum += static_cast<int>(event) * link; }

struct TimedLink {
    double seen = 0;
};
void TimedRun(const std::int64_t& due, const double& interval, TimedLink& link)
{
    link.seen = static_cast<double>(due) + interval;
}

TEST(FuncWrapper, CopiesShareOneImplementationThatOutlivesTheOriginal)
{
    using Wrapper = FuncWrapper<void(std::uint32_t, int&)>;
    Wrapper copy;
    EXPECT_TRUE(copy.Empty());
    EXPECT_THROW(
        {
            int x = 1;
            copy(1, x);
        },
        std::runtime_error);
    {
        Wrapper original(&AddEvent);
        copy = original;
        EXPECT_EQ(original.Sharers(), 2);
        Wrapper third(copy);
        EXPECT_EQ(copy.Sharers(), 3);
    }
    EXPECT_EQ(copy.Sharers(), 1);
    int factor = 5;
    copy(3, factor);
    EXPECT_EQ(g_sum, 15);
    EXPECT_TRUE(Wrapper(nullptr).Empty());

    // The timed-task form: (due time, interval, link).
    TimedTaskFunction<std::int64_t, double, TimedLink> timed(&TimedRun);
    TimedLink link;
    timed(100, 0.5, link);
    EXPECT_EQ(link.seen, 100.5);
}

struct Service {
    explicit Service(int value) : value(value) { ++alive; }
    ~Service() { --alive; }
    int value;
    static inline int alive = 0;
};
struct Failing {
    Failing() { throw std::runtime_error("no"); }
};

TEST(QSingleton, ServicesLiveInTheirSlotsStorageAndGoAway)
{
    using Slot = Singleton<Service, 7>;
    EXPECT_FALSE(Slot::exists());
    Service* first = &Slot::Create(4);
    EXPECT_EQ(Slot::getInstance().value, 4);
    EXPECT_THROW(Slot::Create(5), std::logic_error);
    Slot::Destroy();
    EXPECT_EQ(Service::alive, 0);
    try {
        Slot::getInstance();
        ADD_FAILURE() << "no instance after Destroy";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Bad access to Singleton::getInstance");
    }
    // The same static area again: nothing comes from the heap.
    EXPECT_EQ(&Slot::Create(6), first);
    Slot::Destroy();
    Slot::Destroy();
    EXPECT_EQ(Service::alive, 0);

    EXPECT_THROW(Singleton<Failing>::Create(), std::runtime_error);
    EXPECT_FALSE(Singleton<Failing>::exists());
}

TEST(TextHelpers, EncodingsLineBreaksCopiesAndResources)
{
    // "é" in Mac Roman (0x8E), Windows ANSI (0xE9) and UTF-8.
    std::wstring wide = L"keep";
    WideFromBytes("caf\x8E", 4, kFMEncASCIIMac, wide);
    EXPECT_EQ(wide, L"caf\u00E9");
    WideFromBytes("caf\xE9", 4, kFMEncASCIIWin, wide);
    EXPECT_EQ(wide, L"caf\u00E9");
    WideFromBytes("caf\xC3\xA9\xF0\x9F\x8E\xA8", 9, kFMEncUTF8, wide);
    EXPECT_EQ(wide, L"caf\u00E9\U0001F3A8");
    fmx::Text text;
    text.AssignWide(L"\U0001F3A8 x");
    WideFromText(text.get(), wide);
    EXPECT_EQ(wide, L"\U0001F3A8 x");

    std::string bytes = "keep";
    ASSERT_TRUE(BytesFromWide(L"caf\u00E9", kFMEncASCIIMac, bytes));
    EXPECT_EQ(bytes, "caf\x8E");
    ASSERT_TRUE(BytesFromWide(L"caf\u00E9", kFMEncASCIIWin, bytes));
    EXPECT_EQ(bytes, "caf\xE9");
    ASSERT_TRUE(BytesFromWide(L"\U0001F3A8", kFMEncUTF8, bytes));
    EXPECT_EQ(bytes, "\xF0\x9F\x8E\xA8");
    EXPECT_FALSE(BytesFromWide(L"x", 99, bytes));
    EXPECT_EQ(bytes, "\xF0\x9F\x8E\xA8");

    std::string lines = "a\nb\r\n\n";
    LineFeedsToReturns(lines);
    EXPECT_EQ(lines, "a\rb\r\r\r");
    ReturnsToLineFeeds(lines);
    EXPECT_EQ(lines, "a\nb\n\n\n");
    std::wstring wideLines = L"\u00E9\r\r";
    ReturnsToLineFeeds(wideLines);
    EXPECT_EQ(wideLines, L"\u00E9\n\n");

    const char ten[] = "0123456789";
    char buffer[12];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_FALSE(CopyWithZero(ten, 10, buffer, 10));
    EXPECT_EQ(buffer[0], '#');
    EXPECT_TRUE(CopyWithZero(ten, 10, buffer, 11));
    EXPECT_STREQ(buffer, ten);
    EXPECT_EQ(buffer[11], '#');
    EXPECT_FALSE(CopyWithZero(ten, 0, static_cast<char*>(nullptr), 5));

    // String resources come from the plug-in module once it is initialised.
    EXPECT_FALSE(LoadResourceString(128, wide));
    EXPECT_TRUE(wide.empty());
    ASSERT_EQ(pvtest::Init(), 52);
    EXPECT_TRUE(LoadResourceString(128, wide));
    EXPECT_EQ(wide, L"Plotvane");
    wide = L"old";
    EXPECT_FALSE(LoadResourceString(130, wide));
    EXPECT_TRUE(wide.empty());
    pvtest::Shutdown();
}

std::uint32_t g_tick = 0;
std::uint32_t FakeTick() { return g_tick; }

int g_fired = 0;
std::uintptr_t g_firedId = 0;
void CountFiring(void* window, std::uint32_t message, std::uintptr_t id, std::uint32_t time)
{
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(message, win32::kWmTimer);
    EXPECT_EQ(time, g_tick);
    ++g_fired;
    g_firedId = id;
}

TEST(TickClock, WindowlessTimersFireWhenDueAndStopWhenKilled)
{
    g_tick = 0xFFFFFF00u;
    win32::SetTickSourceForTesting(&FakeTick);
    EXPECT_EQ(win32::GetTickCount(), 0xFFFFFF00u);
    int window = 0;
    EXPECT_EQ(win32::SetTimer(&window, 0, 100, &CountFiring), 0u);
    EXPECT_EQ(win32::SetTimer(nullptr, 0, 100, nullptr), 0u);

    const std::uintptr_t id = win32::SetTimer(nullptr, 0, 0x200, &CountFiring);
    ASSERT_NE(id, 0u);
    g_tick += 0x1FF;   // wraps the tick count
    EXPECT_EQ(win32::DispatchDueTimers(), 0u);
    g_tick += 1;
    EXPECT_EQ(win32::DispatchDueTimers(), 1u);
    EXPECT_EQ(g_firedId, id);
    // The next period starts at the firing.
    g_tick += 0x1FF;
    EXPECT_EQ(win32::DispatchDueTimers(), 0u);
    // Setting a live id restarts that timer.
    EXPECT_EQ(win32::SetTimer(nullptr, id, 0x200, &CountFiring), id);
    g_tick += 0x1FF;
    EXPECT_EQ(win32::DispatchDueTimers(), 0u);
    EXPECT_TRUE(win32::KillTimer(nullptr, id));
    EXPECT_FALSE(win32::KillTimer(nullptr, id));
    g_tick += 0x10000;
    EXPECT_EQ(win32::DispatchDueTimers(), 0u);
    EXPECT_EQ(g_fired, 1);
    win32::SetTickSourceForTesting(nullptr);
}

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

} // namespace
