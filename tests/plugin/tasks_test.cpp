// Idle tasks, deferred tasks, and the framework services that carry them.
#include <gtest/gtest.h>

#include <atomic>
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
#include "plugin/QSingleton.h"
#include "plugin/Services.h"
#include "plugin/TickClock.h"
#include "support/plugin_harness.h"

namespace {

using __Quarrow__::DeferredTaskMgr;

// ---- idle tasks

std::vector<std::string> g_trace;

struct Step : fmx::IdleTask {
    Step(std::string name, int runs, int* deaths = nullptr) : name(std::move(name)), runs(runs), deaths(deaths) {}
    ~Step() override
    {
        if (deaths)
            ++*deaths;
    }
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

std::string Trace()
{
    std::string all;
    for (const std::string& s : g_trace)
        all += (all.empty() ? "" : " ") + s;
    g_trace.clear();
    return all;
}

TEST(IdleTasks, RunUntilDoneLateTasksWaitAndFailingOnesGo)
{
    fmapi::CallRecord idle{};
    int deaths = 0;
    auto mgr = std::make_unique<fmx::IdleTaskMgr>(nullptr);
    EXPECT_TRUE(mgr->ProcessIdle(idle));
    EXPECT_FALSE(mgr->AddTask(nullptr));

    auto thrice = std::make_unique<Step>("thrice", 3, &deaths);
    // Its first run adds a task; every run sends a nested idle message. The
    // added task waits for the next idle message, the nested one runs nothing.
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
    EXPECT_EQ(mgr->TaskCount(), 2u);
    mgr->ProcessIdle(idle);
    EXPECT_EQ(Trace(), "thrice late");
    mgr->ProcessIdle(idle);
    EXPECT_EQ(Trace(), "thrice");
    EXPECT_EQ(deaths, 4);
    mgr->ProcessIdle(idle);
    EXPECT_EQ(Trace(), "");

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

const DeferredTaskMgr::Function kRecord(&Record);

class DeferredTasks : public ::testing::Test {
protected:
    void SetUp() override
    {
        win32::SetTickSourceForTesting(&FakeTick);
        __Quarrow__::ClockSeconds();   // the clock takes the fake ticks from here on
        g_trace.clear();
    }
    void TearDown() override { win32::SetTickSourceForTesting(nullptr); }

    DeferredTaskMgr mgr;
};

int g_tally = 0;
void Tally(std::uint32_t, DeferredTaskMgr::TaskLink&) { ++g_tally; }

TEST_F(DeferredTasks, EventsMatchTheirFlagsOnly)
{
    // Without a link of its own a task still runs at every matching event.
    ASSERT_TRUE(mgr.AddTask(DeferredTaskMgr::Function(&Tally), 0, DeferredTaskMgr::kOnIdle, 10));
    Recorder idle("idle"), calls("calls"), both("both");
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, DeferredTaskMgr::kOnIdle, 10, &idle));
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, DeferredTaskMgr::kOnFunctionCall, 10, &calls));
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, DeferredTaskMgr::kOnInit | DeferredTaskMgr::kOnShutdown |
                                            DeferredTaskMgr::kOnPreferences, 10, &both));
    for (std::uint32_t event : {3u, 1u, 1u, 0u, 2u, 4u, 5u, 6u, 7u})
        mgr.Pump(event, ~0ull);
    EXPECT_EQ(Trace(), "calls:3 idle:1 idle:1 both:0 both:4 both:5");
    EXPECT_EQ(g_tally, 2);
    EXPECT_EQ(mgr.TaskCount(), 4u);
}

TEST_F(DeferredTasks, RefusalsQueueNothing)
{
    Recorder ok("ok"), taken("taken");
    EXPECT_TRUE(mgr.AddTask(kRecord, 9, DeferredTaskMgr::kOnIdle, 1, &taken));
    EXPECT_FALSE(mgr.AddTask(kRecord, 0, DeferredTaskMgr::kOnIdle, 1, &taken));   // link in use
    EXPECT_FALSE(mgr.AddTask(kRecord, 10, DeferredTaskMgr::kOnIdle, 1, &ok));
    EXPECT_FALSE(mgr.AddTask(kRecord, -1, DeferredTaskMgr::kOnIdle, 1, &ok));
    EXPECT_FALSE(mgr.AddTask(kRecord, INT32_MIN, DeferredTaskMgr::kOnIdle, 1, &ok));
    EXPECT_FALSE(mgr.AddTask(kRecord, 0, 0, 1, &ok));
    EXPECT_FALSE(mgr.AddTask(kRecord, 0, 0x20, 1, &ok));
    EXPECT_FALSE(mgr.AddTask(kRecord, 0, DeferredTaskMgr::kOnIdle, 0, &ok));
    EXPECT_FALSE(mgr.AddTask(DeferredTaskMgr::Function(), 0, DeferredTaskMgr::kOnIdle, 1, &ok));
    EXPECT_FALSE(ok.Attached());
    EXPECT_EQ(mgr.TaskCount(), 1u);
}

TEST_F(DeferredTasks, PriorityFirstThenOrderOfAdding)
{
    Recorder x("x", 1), a("a", 1), b("b", 1), z("z", 1);
    ASSERT_TRUE(mgr.AddTask(kRecord, 1, DeferredTaskMgr::kOnIdle, 5, &x));
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, DeferredTaskMgr::kOnIdle, 5, &a));
    ASSERT_TRUE(mgr.AddTask(kRecord, 9, DeferredTaskMgr::kOnIdle, 5, &z));
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, DeferredTaskMgr::kOnIdle, 5, &b));
    mgr.Pump(1, ~0ull);
    EXPECT_EQ(Trace(), "a:1 b:1 x:1 z:1");
    EXPECT_EQ(mgr.TaskCount(), 0u);
    EXPECT_FALSE(a.Attached());
}

TEST_F(DeferredTasks, DeadlinesPassAndTheUnlimitedLifetimeNever)
{
    g_tick += 5000;   // the clock no longer at 0: lifetimes near all ones saturate
    Recorder brief("brief"), forever("forever"), almost("almost");
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, DeferredTaskMgr::kOnIdle, 1, &brief));
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, DeferredTaskMgr::kOnIdle, DeferredTaskMgr::kForever, &forever));
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, DeferredTaskMgr::kOnIdle, DeferredTaskMgr::kForever - 2, &almost));
    g_tick += 999;
    mgr.Pump(1, ~0ull);
    EXPECT_EQ(Trace(), "brief:1 forever:1 almost:1");
    g_tick += 2000;
    mgr.Pump(1, ~0ull);
    EXPECT_EQ(Trace(), "brief!-1 forever:1 almost:1");
    EXPECT_FALSE(brief.Attached());
    EXPECT_EQ(brief.runs, 1);
    // Weeks on the clock, folded by its timer as they pass.
    for (int i = 0; i < 4; ++i) {
        g_tick += __Quarrow__::kClockTimerPeriod;
        win32::DispatchDueTimers();
    }
    mgr.Pump(1, ~0ull);
    EXPECT_EQ(Trace(), "forever:1 almost:1");
    EXPECT_EQ(mgr.TaskCount(), 2u);
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
    mgr.Pump(1, ~0ull);
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
    Recorder outer("outer", 1), second("second"), third("third", 1), low("low");
    outer.during = [&] {
        mgr.Pump(1, ~0ull);
        g_trace.push_back("back");
    };
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, DeferredTaskMgr::kOnIdle, 5, &outer));
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, DeferredTaskMgr::kOnIdle, 5, &second));
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, DeferredTaskMgr::kOnIdle, 5, &third));
    ASSERT_TRUE(mgr.AddTask(kRecord, 3, DeferredTaskMgr::kOnIdle, 5, &low));
    mgr.Pump(1, ~0ull);
    // The nested pump ran the rest once; the outer one only finished its task.
    EXPECT_EQ(Trace(), "outer:1 second:1 third:1 low:1 back");
    EXPECT_FALSE(outer.Attached());
    EXPECT_EQ(mgr.TaskCount(), 2u);
    mgr.Pump(1, ~0ull);
    EXPECT_EQ(Trace(), "second:1 low:1");
}

void Throw(std::uint32_t event, DeferredTaskMgr::TaskLink& link)
{
    Record(event, link);
    throw std::runtime_error("task failed");
}

TEST_F(DeferredTasks, AThrowingTaskEndsAndItsExceptionPassesOn)
{
    Recorder bad("bad"), next("next");
    ASSERT_TRUE(mgr.AddTask(DeferredTaskMgr::Function(&Throw), 0, DeferredTaskMgr::kOnIdle, 5, &bad));
    ASSERT_TRUE(mgr.AddTask(kRecord, 1, DeferredTaskMgr::kOnIdle, 5, &next));
    // A task without a link of its own runs with a temporary one.
    ASSERT_TRUE(mgr.AddTask(DeferredTaskMgr::Function(&Throw), 2, DeferredTaskMgr::kOnFunctionCall, 5));
    EXPECT_THROW(mgr.Pump(1, ~0ull), std::runtime_error);
    EXPECT_EQ(Trace(), "bad:1 bad!-1");
    EXPECT_FALSE(bad.Attached());
    EXPECT_EQ(mgr.TaskCount(), 2u);
    // The lock was let go on the way out.
    std::thread other([&] {
        EXPECT_TRUE(mgr.Lock().TryLock());
        mgr.Lock().Unlock();
    });
    other.join();
    mgr.Pump(1, ~0ull);
    EXPECT_EQ(Trace(), "next:1");
}

void Anonymous(std::uint32_t, DeferredTaskMgr::TaskLink& link)
{
    g_trace.push_back("anonymous");
    link.Finish(7);   // a temporary link hears nothing
}

TEST_F(DeferredTasks, LinksFinishTasksAndShutdownNotifiesTheRest)
{
    int calls = 0;
    {
        // The links outlive the manager (a link that goes first finishes its task).
        Recorder finished("finished"), waiting("waiting"), running("running");
        DeferredTaskMgr local;
        auto gone = std::make_unique<Recorder>("gone");
        ASSERT_TRUE(local.AddTask(kRecord, 0, DeferredTaskMgr::kOnIdle, 5, gone.get()));
        ASSERT_TRUE(local.AddTask(kRecord, 0, DeferredTaskMgr::kOnIdle, 5, &finished));
        ASSERT_TRUE(local.AddTask(kRecord, 0, DeferredTaskMgr::kOnIdle, 5, &waiting));
        ASSERT_TRUE(local.AddTask(DeferredTaskMgr::Function(&Anonymous), 0, DeferredTaskMgr::kOnIdle, 5));
        gone.reset();   // finishes its task silently
        EXPECT_TRUE(finished.Finish(3));
        EXPECT_FALSE(finished.Finish(3));
        local.Pump(1, ~0ull);
        EXPECT_EQ(Trace(), "finished!3 waiting:1 anonymous");
        EXPECT_EQ(local.TaskCount(), 1u);
        calls = waiting.runs;
        ASSERT_TRUE(local.AddTask(kRecord, 4, DeferredTaskMgr::kOnShutdown, 5, &running));
    }
    EXPECT_EQ(Trace(), "waiting!-2 running!-2");
    EXPECT_EQ(calls, 1);
}

// ---- the services of the plug-in object and the two pump sites

void FailOnce(std::uint32_t event, DeferredTaskMgr::TaskLink& link)
{
    Record(event, link);
    throw std::runtime_error("once");
}

TEST(FrameworkServices, LiveWithTheProductAndArePumpedAfterMessagesAndCalls)
{
    using DeferredService = __Quarrow__::Singleton<DeferredTaskMgr>;
    using LockService = __Quarrow__::Singleton<__Quarrow__::LockService>;
    g_trace.clear();
    EXPECT_FALSE(DeferredService::exists());
    ASSERT_EQ(pvtest::Init(), 52);
    ASSERT_TRUE(DeferredService::exists());
    EXPECT_TRUE(LockService::exists());

    Recorder call("call", 2), idle("idle"), failing("failing"), waiting("waiting");
    DeferredTaskMgr& mgr = DeferredService::getInstance();
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, DeferredTaskMgr::kOnFunctionCall, DeferredTaskMgr::kForever, &call));
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, DeferredTaskMgr::kOnIdle, DeferredTaskMgr::kForever, &idle));
    EXPECT_EQ(pvtest::CallText(u"PVane_Version", {}).error, 0);
    fmapi::CallRecord r = pvtest::MakeRecord(fmapi::kMsgIdle);
    FMExternCallProc(&r);
    EXPECT_EQ(pvtest::CallText(u"PVane_Version", {}).error, 0);
    EXPECT_EQ(Trace(), "call:3 idle:1 call:3");
    EXPECT_FALSE(call.Attached());

    ASSERT_TRUE(mgr.AddTask(DeferredTaskMgr::Function(&FailOnce), 0, DeferredTaskMgr::kOnFunctionCall,
                            DeferredTaskMgr::kForever, &failing));
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, DeferredTaskMgr::kOnPreferences, DeferredTaskMgr::kForever, &waiting));
    EXPECT_EQ(pvtest::CallText(u"PVane_Version", {}).error, -2000);
    EXPECT_EQ(pvtest::CallText(u"PVane_Version", {}).error, 0);
    EXPECT_EQ(Trace(), "failing:3 failing!-1");

    pvtest::Shutdown();
    EXPECT_EQ(Trace(), "idle!-2 waiting!-2");
    EXPECT_FALSE(DeferredService::exists());
    EXPECT_FALSE(LockService::exists());
}

} // namespace
