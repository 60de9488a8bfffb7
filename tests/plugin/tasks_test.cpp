// Idle tasks and deferred tasks.
#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "fmx/IdleTaskMgr.h"
#include "platform/win32/wintimer.h"
#include "plugin/DeferredTask.h"
#include "plugin/TickClock.h"

namespace {

using __Quarrow__::DeferredTaskMgr;

std::vector<std::string> g_trace;

std::string Trace()
{
    std::string all;
    for (const std::string& s : g_trace)
        all += (all.empty() ? "" : " ") + s;
    g_trace.clear();
    return all;
}

// ---- idle tasks

struct Step : fmx::IdleTask {
    Step(std::string name, int runs, int* deaths) : name(std::move(name)), runs(runs), deaths(deaths) {}
    ~Step() override { ++*deaths; }
    bool Run() override
    {
        g_trace.push_back(name);
        if (onRun)
            onRun();
        if (runs < 0)
            throw std::runtime_error("failing idle task");
        return --runs == 0;
    }
    std::string name;
    int runs;
    int* deaths;
    std::function<void()> onRun;
};

TEST(IdleTasks, RunUntilDoneLateTasksWaitAndFailingOnesGo)
{
    fmapi::CallRecord idle{};
    int deaths = 0;
    auto mgr = std::make_unique<fmx::IdleTaskMgr>(nullptr);
    EXPECT_TRUE(mgr->ProcessIdle(idle));
    EXPECT_FALSE(mgr->AddTask(nullptr));

    // Its first run adds a task; every run sends a nested idle message. The
    // added task waits for the next idle message, the nested one runs nothing.
    auto thrice = std::make_unique<Step>("thrice", 3, &deaths);
    bool addedLate = false;
    thrice->onRun = [&] {
        if (!addedLate)
            addedLate = mgr->AddTask(std::make_unique<Step>("late", 1, &deaths));
        EXPECT_TRUE(mgr->ProcessIdle(idle));
    };
    ASSERT_TRUE(mgr->AddTask(std::move(thrice)));
    ASSERT_TRUE(mgr->AddTask(std::make_unique<Step>("fails", -1, &deaths)));
    ASSERT_TRUE(mgr->AddTask(std::make_unique<Step>("once", 1, &deaths)));

    EXPECT_TRUE(mgr->ProcessIdle(idle));
    EXPECT_EQ(Trace(), "thrice fails once");
    EXPECT_EQ(deaths, 2);   // "fails" and "once"
    mgr->ProcessIdle(idle);
    EXPECT_EQ(Trace(), "thrice late");
    mgr->ProcessIdle(idle);
    EXPECT_EQ(Trace(), "thrice");
    EXPECT_EQ(deaths, 4);
    EXPECT_EQ(mgr->TaskCount(), 0u);

    ASSERT_TRUE(mgr->AddTask(std::make_unique<Step>("left", 5, &deaths)));
    mgr.reset();
    EXPECT_EQ(deaths, 5);   // the manager deletes what it still holds
}

// ---- deferred tasks

std::uint32_t g_tick = 1000;
std::uint32_t FakeTick() { return g_tick; }

// A link that records what its task did and what it heard.
struct Recorder : DeferredTaskMgr::TaskLink {
    explicit Recorder(std::string name, int finishOnRun = 0) : name(std::move(name)), finishOnRun(finishOnRun) {}
    void Notify(std::int32_t reason) override { g_trace.push_back(name + "!" + std::to_string(reason)); }

    std::string name;
    int finishOnRun;
    int runs = 0;
    std::function<void()> during;
};

void Record(std::uint32_t event, DeferredTaskMgr::TaskLink& link)
{
    auto& r = static_cast<Recorder&>(link);
    ++r.runs;
    g_trace.push_back(r.name + ":" + std::to_string(event));
    if (r.during)
        r.during();
    if (r.runs == r.finishOnRun)
        r.Finish();
}

void Throw(std::uint32_t event, DeferredTaskMgr::TaskLink& link)
{
    Record(event, link);
    throw std::runtime_error("task failed");
}

int g_tally = 0;
void Tally(std::uint32_t, DeferredTaskMgr::TaskLink& link)
{
    if (++g_tally == 3)
        link.Finish(7);   // a temporary link hears nothing
}

const DeferredTaskMgr::Function kRecord(&Record);
constexpr std::uint32_t kIdle = DeferredTaskMgr::kOnIdle;
constexpr std::uint64_t kAll = ~std::uint64_t(0);

class DeferredTasks : public ::testing::Test {
protected:
    void SetUp() override
    {
        win32::SetTickSourceForTesting(&FakeTick);
        __Quarrow__::ClockSeconds();   // the clock takes the fake ticks from here on
        g_trace.clear();
    }
    void TearDown() override { win32::SetTickSourceForTesting(nullptr); }

    // Links declared before the manager outlive it.
    Recorder a{"a", 1}, b{"b", 1}, c{"c"}, d{"d"};
    DeferredTaskMgr mgr;
};

TEST_F(DeferredTasks, PriorityOrderAndRefusals)
{
    ASSERT_TRUE(mgr.AddTask(kRecord, 9, kIdle, 5, &c));
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, kIdle, 5, &a));
    ASSERT_TRUE(mgr.AddTask(kRecord, 1, DeferredTaskMgr::kOnFunctionCall | kIdle, 5, &d));
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, kIdle, 5, &b));
    Recorder refused("refused");
    EXPECT_FALSE(mgr.AddTask(kRecord, 0, kIdle, 5, &a));   // link in use
    EXPECT_FALSE(mgr.AddTask(kRecord, 10, kIdle, 5, &refused));
    EXPECT_FALSE(mgr.AddTask(kRecord, -1, kIdle, 5, &refused));
    EXPECT_FALSE(mgr.AddTask(kRecord, 0, 0x20, 5, &refused));
    EXPECT_FALSE(mgr.AddTask(kRecord, 0, kIdle, 0, &refused));
    EXPECT_FALSE(mgr.AddTask(DeferredTaskMgr::Function(), 0, kIdle, 5, &refused));
    EXPECT_FALSE(refused.Attached());

    // Idle tasks run at idle messages only; a link-less task at every one.
    ASSERT_TRUE(mgr.AddTask(DeferredTaskMgr::Function(&Tally), 2, kIdle, 5));
    for (std::uint32_t event : {0u, 3u, 4u, 5u, 1u, 1u, 1u})
        mgr.Pump(event, kAll);
    EXPECT_EQ(Trace(), "d:3 a:1 b:1 d:1 c:1 d:1 c:1 d:1 c:1");
    EXPECT_EQ(g_tally, 3);
    EXPECT_EQ(mgr.TaskCount(), 2u);
}

TEST_F(DeferredTasks, DeadlinesPassAndTheUnlimitedLifetimeNever)
{
    g_tick += 5000;   // the clock off 0: lifetimes near all ones saturate
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, kIdle, 1, &c));
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, kIdle, kAll, &d));
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, kIdle, kAll - 2, &a));
    g_tick += 2000;
    mgr.Pump(1, kAll);
    EXPECT_EQ(Trace(), "c!-1 d:1 a:1");
    EXPECT_FALSE(c.Attached());
    EXPECT_EQ(c.runs, 0);
    // Weeks on the clock, folded by its timer as they pass.
    for (int i = 0; i < 4; ++i) {
        g_tick += __Quarrow__::kClockTimerPeriod;
        win32::DispatchDueTimers();
    }
    mgr.Pump(1, kAll);
    EXPECT_EQ(Trace(), "d:1");
}

TEST_F(DeferredTasks, NoTasksNoLock)
{
    std::mutex m;
    std::condition_variable cv;
    bool held = false, done = false, waitedOut = false;
    std::thread holder([&] {
        ScopedLock hold(mgr.Lock());
        std::unique_lock<std::mutex> lk(m);
        held = true;
        cv.notify_all();
        // Only a guard against a hang: a pump that takes the lock waits here.
        waitedOut = !cv.wait_for(lk, std::chrono::seconds(20), [&] { return done; });
    });
    {
        std::unique_lock<std::mutex> lk(m);
        cv.wait(lk, [&] { return held; });
    }
    mgr.Pump(1, kAll);
    {
        std::lock_guard<std::mutex> lk(m);
        done = true;
    }
    cv.notify_all();
    holder.join();
    EXPECT_FALSE(waitedOut) << "the pump waited for the lock although it held no task";
}

TEST_F(DeferredTasks, APumpFromATasksWorkTakesTheWalkOver)
{
    a.during = [&] {
        mgr.Pump(1, kAll);
        g_trace.push_back("back");
    };
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, kIdle, 5, &a));
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, kIdle, 5, &c));
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, kIdle, 5, &b));
    ASSERT_TRUE(mgr.AddTask(kRecord, 3, kIdle, 5, &d));
    mgr.Pump(1, kAll);
    // The nested pump ran the rest once; the outer one only finished its task.
    EXPECT_EQ(Trace(), "a:1 c:1 b:1 d:1 back");
    EXPECT_FALSE(a.Attached());
    mgr.Pump(1, kAll);
    EXPECT_EQ(Trace(), "c:1 d:1");
}

TEST_F(DeferredTasks, AThrowingTaskEndsAndItsExceptionPassesOn)
{
    ASSERT_TRUE(mgr.AddTask(DeferredTaskMgr::Function(&Throw), 0, kIdle, 5, &c));
    ASSERT_TRUE(mgr.AddTask(kRecord, 1, kIdle, 5, &d));
    EXPECT_THROW(mgr.Pump(1, kAll), std::runtime_error);
    EXPECT_EQ(Trace(), "c:1 c!-1");
    EXPECT_FALSE(c.Attached());
    EXPECT_EQ(mgr.TaskCount(), 1u);
    // The lock was let go on the way out.
    std::thread other([&] {
        EXPECT_TRUE(mgr.Lock().TryLock());
        mgr.Lock().Unlock();
    });
    other.join();
    mgr.Pump(1, kAll);
    EXPECT_EQ(Trace(), "d:1");
}

TEST_F(DeferredTasks, LinksFinishTasksAndShutdownNotifiesTheRest)
{
    {
        DeferredTaskMgr local;
        auto gone = std::make_unique<Recorder>("gone");
        ASSERT_TRUE(local.AddTask(kRecord, 0, kIdle, 5, gone.get()));
        ASSERT_TRUE(local.AddTask(kRecord, 0, kIdle, 5, &c));
        ASSERT_TRUE(local.AddTask(kRecord, 0, kIdle, 5, &d));
        gone.reset();   // finishes its task silently
        EXPECT_TRUE(c.Finish(3));
        EXPECT_FALSE(c.Finish(3));
        local.Pump(1, kAll);
        EXPECT_EQ(Trace(), "c!3 d:1");
        EXPECT_EQ(local.TaskCount(), 1u);
        ASSERT_TRUE(local.AddTask(kRecord, 4, DeferredTaskMgr::kOnShutdown, 5, &a));
    }
    EXPECT_EQ(Trace(), "d!-2 a!-2");
    EXPECT_FALSE(d.Attached());
}

} // namespace
