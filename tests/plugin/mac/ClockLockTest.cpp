// The macOS flavour's clock and locks.
#include <gtest/gtest.h>

#include <threadsync>

#include <thread>

#include "plugin/DeferredTask.h"
#include "plugin/TickClock.h"

namespace {

TEST(MacClock, SecondsAreTheMicrosecondTickScaled)
{
    const std::uint64_t before = __Quarrow__::GetTickMicroseconds();
    const std::uint64_t seconds = __Quarrow__::ClockSeconds();
    const std::uint64_t milliseconds = __Quarrow__::ClockMilliseconds();
    const std::uint64_t after = __Quarrow__::GetTickMicroseconds();
    EXPECT_LE(before, after);
    EXPECT_GE(seconds, before / 1000000u);
    EXPECT_LE(seconds, after / 1000000u);
    EXPECT_GE(milliseconds, before / 1000u);
    EXPECT_LE(milliseconds, after / 1000u);
}

int g_runs = 0;
void Count(std::uint32_t, __Quarrow__::DeferredTaskMgr::TaskLink&) { ++g_runs; }

TEST(MacClock, ALifetimeInSecondsOutlastsManyPumps)
{
    // A deadline counted in microseconds would pass before the second pump.
    __Quarrow__::DeferredTaskMgr mgr;
    __Quarrow__::DeferredTaskMgr::TaskLink link;
    const __Quarrow__::DeferredTaskMgr::Function count(&Count);
    ASSERT_TRUE(mgr.AddTask(count, 0, __Quarrow__::DeferredTaskMgr::kOnIdle, 1, &link));
    for (int i = 0; i < 2000; ++i)
        mgr.Pump(1, ~std::uint64_t(0));
    EXPECT_EQ(g_runs, 2000);
    EXPECT_TRUE(link.Attached());
}

TEST(MacLock, RecursiveAndExclusive)
{
    RecursiveLock lock;
    lock.Lock();
    EXPECT_TRUE(lock.TryLock());
    bool other = true;
    std::thread([&] { other = lock.TryLock(); }).join();
    EXPECT_FALSE(other);
    lock.Unlock();
    lock.Unlock();
    std::thread([&] {
        other = lock.TryLock();
        if (other)
            lock.Unlock();
    }).join();
    EXPECT_TRUE(other);
}

} // namespace
