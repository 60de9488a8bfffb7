#include <threadsync>

#include <gtest/gtest.h>

#include <thread>

namespace {

// Whether another thread can take the lock right now.
bool FreeForOthers(RecursiveLock& lock)
{
    bool taken = false;
    std::thread other([&] {
        taken = lock.TryLock();
        if (taken)
            lock.Unlock();
    });
    other.join();
    return taken;
}

TEST(ThreadSync, TheOwnerTakesTheLockAgainAndOthersWaitForTheLastRelease)
{
    RecursiveLock lock;
    EXPECT_TRUE(FreeForOthers(lock));
    {
        ScopedLock outer(lock);
        ScopedLock inner(lock);   // the same thread: no deadlock
        EXPECT_TRUE(inner.Locked());
        EXPECT_FALSE(FreeForOthers(lock));
        inner.Unlock();
        EXPECT_FALSE(FreeForOthers(lock));
        {
            ScopedLock idle(lock, false);
            EXPECT_FALSE(idle.Locked());
        }
        EXPECT_FALSE(FreeForOthers(lock));
    }
    EXPECT_TRUE(FreeForOthers(lock));
    {
        ScopedLock later(lock, false);
        later.Lock();
        later.Lock();   // held once by this holder however often asked
        EXPECT_FALSE(FreeForOthers(lock));
    }
    EXPECT_TRUE(FreeForOthers(lock));
}

} // namespace
