#include <sysmem>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace {

TEST(Counters, AnswerThePreviousValue)
{
    std::int32_t counter = 5;
    EXPECT_EQ(AtomicIncrement(&counter), 5);
    EXPECT_EQ(counter, 6);
    EXPECT_EQ(AtomicDecrement(&counter), 6);
    EXPECT_EQ(counter, 5);
    EXPECT_EQ(AtomicExchange(&counter, 42), 5);
    EXPECT_EQ(counter, 42);
    EXPECT_EQ(AtomicCompareExchange(&counter, 7, 41), 42);  // comparand differs
    EXPECT_EQ(counter, 42);
    EXPECT_EQ(AtomicCompareExchange(&counter, 7, 42), 42);
    EXPECT_EQ(counter, 7);
}

TEST(Counters, WrapAround)
{
    std::int32_t counter = INT_MAX;
    EXPECT_EQ(AtomicIncrement(&counter), INT_MAX);
    EXPECT_EQ(counter, INT_MIN);
    EXPECT_EQ(AtomicDecrement(&counter), INT_MIN);
    EXPECT_EQ(counter, INT_MAX);
}

TEST(Counters, ConcurrentUpdatesAreNotLost)
{
    std::int32_t counter = 0;
    std::int32_t claimed = 0;
    const int threads = 4;
    const int rounds = 50000;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&counter, &claimed] {
            for (int i = 0; i < rounds; ++i) {
                AtomicIncrement(&counter);
                AtomicIncrement(&counter);
                AtomicDecrement(&counter);
                // A compare-exchange loop loses no update either.
                std::int32_t seen = 0;
                for (;;) {
                    const std::int32_t now = AtomicCompareExchange(&claimed, seen + 1, seen);
                    if (now == seen)
                        break;
                    seen = now;
                }
            }
        });
    }
    for (auto& w : workers)
        w.join();
    EXPECT_EQ(counter, threads * rounds);
    EXPECT_EQ(claimed, threads * rounds);
}

TEST(HeapEntries, AllocateGrowAndFree)
{
    char* block = static_cast<char*>(AllocateBytes(8));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "1234567", 8);
    block = static_cast<char*>(ReallocateBytes(block, 4096));
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(block, "1234567");
    FreeBytes(block);
    FreeBytes(nullptr);
}

} // namespace
