// Idle tasks, deferred tasks and timed tasks.
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
#include "platform/win32/winlocaltime.h"
#include "platform/win32/wintimer.h"
#include "plugin/DeferredTask.h"
#include "plugin/QSingleton.h"
#include "plugin/TickClock.h"
#include "plugin/TimedTask.h"

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

TEST_F(DeferredTasks, ATaskExactlyAtItsDeadlineStillRuns)
{
    // From the start of a second on the clock: the deadline is whole seconds.
    g_tick += static_cast<std::uint32_t>(1000 - __Quarrow__::ClockMilliseconds() % 1000);
    ASSERT_TRUE(mgr.AddTask(kRecord, 0, kIdle, 2, &c));
    g_tick += 2000;   // at the deadline
    mgr.Pump(1, kAll);
    g_tick += 999;    // its last millisecond
    mgr.Pump(1, kAll);
    EXPECT_EQ(Trace(), "c:1 c:1");
    g_tick += 1;      // past it
    mgr.Pump(1, kAll);
    EXPECT_EQ(Trace(), "c!-1");
    EXPECT_EQ(c.runs, 2);
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

// ---- timed tasks

using __Quarrow__::DateTime;
using __Quarrow__::TimeDiff;
using __Quarrow__::TimedTaskMgr;

std::int64_t g_now = 0;

void SetClock(std::int64_t seconds)
{
    g_now = seconds;
    const auto intervals = static_cast<std::uint64_t>(seconds * 10000000 + 116444736000000000);
    const win32::FILETIME t{static_cast<std::uint32_t>(intervals), static_cast<std::uint32_t>(intervals >> 32)};
    win32::SetSystemTimeForTesting(&t);
}

constexpr std::int64_t T = 1750000000;

// Records "name@due" (due relative to T) for each run and "name!reason" for
// each notification.
struct Timed : TimedTaskMgr::TaskLink {
    explicit Timed(std::string name, int finishOnRun = 0) : name(std::move(name)), finishOnRun(finishOnRun) {}
    void Notify(std::int32_t reason) override { g_trace.push_back(name + "!" + std::to_string(reason)); }

    std::string name;
    int finishOnRun;
    int runs = 0;
    std::function<void()> during;
};

void RunTimed(const DateTime& due, const TimeDiff&, TimedTaskMgr::TaskLink& link)
{
    auto& t = static_cast<Timed&>(link);
    ++t.runs;
    g_trace.push_back(t.name + "@" + std::to_string(due.Seconds() - T));
    if (t.during)
        t.during();
    if (t.runs == t.finishOnRun)
        t.Finish();
}

void ThrowTimed(const DateTime& due, const TimeDiff& interval, TimedTaskMgr::TaskLink& link)
{
    RunTimed(due, interval, link);
    throw std::runtime_error("timed task failed");
}

int g_linkless = 0;
void CountLinkless(const DateTime&, const TimeDiff&, TimedTaskMgr::TaskLink& link)
{
    if (++g_linkless == 2)
        link.Finish(5);   // a temporary link hears nothing
}

const TimedTaskMgr::Function kTimed(&RunTimed);
const TimeDiff kOnce = TimeDiff::Invalid();

DateTime At(std::int64_t offset) { return DateTime(T + offset); }

class TimedTasks : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetClock(T);
        g_trace.clear();
        deferred = &__Quarrow__::Singleton<DeferredTaskMgr>::Create();
        timed = std::make_unique<TimedTaskMgr>();
    }
    void TearDown() override
    {
        timed.reset();
        __Quarrow__::Singleton<DeferredTaskMgr>::Destroy();
        win32::SetSystemTimeForTesting(nullptr);
    }
    // An idle message at a time.
    void IdleAt(std::int64_t offset)
    {
        SetClock(T + offset);
        deferred->Pump(1, kAll);
    }

    Timed a{"a"}, b{"b"}, c{"c"}, d{"d"}, r{"r"};
    DeferredTaskMgr* deferred = nullptr;
    std::unique_ptr<TimedTaskMgr> timed;
};

TEST_F(TimedTasks, RunInDueOrderAtIdleMessagesWithOneCheckerWhileAnyWaits)
{
    EXPECT_FALSE(timed->AddTask(TimedTaskMgr::Function(), At(0), kOnce, &a));
    EXPECT_FALSE(timed->AddTask(kTimed, DateTime(-1), kOnce, &a));
    ASSERT_TRUE(timed->AddTask(kTimed, At(30), kOnce, &c));
    ASSERT_TRUE(timed->AddTask(kTimed, At(10), kOnce, &a));
    ASSERT_TRUE(timed->AddTask(kTimed, At(10), kOnce, &b));
    ASSERT_TRUE(timed->AddTask(kTimed, At(-5), kOnce, &d));
    EXPECT_FALSE(timed->AddTask(kTimed, At(0), kOnce, &a));   // link in use
    ASSERT_TRUE(timed->AddTask(TimedTaskMgr::Function(&CountLinkless), At(1), TimeDiff(1)));
    EXPECT_EQ(deferred->TaskCount(), 1u);
    EXPECT_TRUE(timed->CheckerQueued());

    deferred->Pump(DeferredTaskMgr::kEventFunctionCall, kAll);
    EXPECT_EQ(Trace(), "");   // the checker runs at idle messages only
    IdleAt(0);
    EXPECT_EQ(Trace(), "d@-5");
    EXPECT_FALSE(d.Attached());   // run once and done
    IdleAt(9);
    EXPECT_EQ(Trace(), "");
    IdleAt(10);
    EXPECT_EQ(Trace(), "a@10 b@10");
    EXPECT_EQ(g_linkless, 2);   // at 1 and 10, then it finished itself

    // Moved to an earlier time, and finished before its time.
    ASSERT_TRUE(timed->AddTask(kTimed, At(40), kOnce, &d));
    EXPECT_TRUE(c.Reschedule(At(50), kOnce));
    EXPECT_TRUE(d.Reschedule(At(20), TimeDiff(100)));
    EXPECT_FALSE(c.Reschedule(DateTime(-1), kOnce));
    EXPECT_FALSE(a.Reschedule(At(20), kOnce));   // its task is done
    IdleAt(30);
    EXPECT_EQ(Trace(), "d@20");
    EXPECT_TRUE(c.Finish(3));
    EXPECT_TRUE(d.Finish());
    EXPECT_EQ(Trace(), "c!3");
    EXPECT_EQ(timed->WaitingCount(), 0u);
    // Nothing waits: the checker finished itself at its last run.
    IdleAt(31);
    EXPECT_FALSE(timed->CheckerQueued());
    EXPECT_EQ(deferred->TaskCount(), 0u);
    ASSERT_TRUE(timed->AddTask(kTimed, At(32), kOnce, &a));
    EXPECT_EQ(deferred->TaskCount(), 1u);
    IdleAt(33);
    EXPECT_EQ(Trace(), "a@32");
}

TEST_F(TimedTasks, RepetitionsFollowTheirSeriesAtLeastASecondAfterTheRunWithoutBursts)
{
    ASSERT_TRUE(timed->AddTask(kTimed, At(0), TimeDiff(10), &r));
    IdleAt(0);
    IdleAt(0);
    IdleAt(9);
    IdleAt(10);
    EXPECT_EQ(Trace(), "r@0 r@10");
    // Busy for 45 seconds: the repetition due at 20 runs once, those missed
    // are skipped and the series goes on at 60.
    IdleAt(55);
    IdleAt(55);
    IdleAt(59);
    EXPECT_EQ(Trace(), "r@20");
    // A run that takes 15 seconds: the next is the first of the series at
    // least a second after it ended.
    r.during = [] { SetClock(g_now + 15); };
    IdleAt(60);
    r.during = nullptr;
    IdleAt(79);
    IdleAt(80);
    EXPECT_EQ(Trace(), "r@60 r@80");
    // Ending exactly a second before the next is due: that one stands.
    r.during = [] { SetClock(T + 89); };
    IdleAt(85);
    r.during = nullptr;
    IdleAt(90);
    EXPECT_EQ(Trace(), "r@90");
    IdleAt(100);
    EXPECT_EQ(Trace(), "r@100");

    // Half a second: still at least a second apart.
    ASSERT_TRUE(timed->AddTask(kTimed, At(200), TimeDiff(0.5), &a));
    IdleAt(200);
    IdleAt(200);
    IdleAt(201);
    EXPECT_EQ(Trace(), "r@110 a@200 a@201");   // r was due at 110
    EXPECT_TRUE(r.Finish());

    // A task that moves itself runs at its new time, once.
    a.during = [&] { a.Reschedule(At(300), kOnce); };
    IdleAt(202);
    a.during = nullptr;
    IdleAt(299);
    IdleAt(300);
    IdleAt(400);
    EXPECT_EQ(Trace(), "a@202 a@300");
    EXPECT_FALSE(a.Attached());

    // A series whose next time lies beyond the valid range ends (-1).
    ASSERT_TRUE(timed->AddTask(kTimed, At(401), TimeDiff(DateTime::kLast), &b));
    ASSERT_TRUE(timed->AddTask(kTimed, At(401), TimeDiff(std::numeric_limits<double>::infinity()), &c));
    IdleAt(401);
    EXPECT_EQ(Trace(), "b@401 b!-1 c@401 c!-1");
    EXPECT_FALSE(b.Attached());
}

TEST_F(TimedTasks, FailuresLateAdditionsLinksAndShutdown)
{
    // A task that throws ends (-1) and the others of the check still run.
    ASSERT_TRUE(timed->AddTask(TimedTaskMgr::Function(&ThrowTimed), At(0), TimeDiff(5), &a));
    ASSERT_TRUE(timed->AddTask(kTimed, At(0), TimeDiff(5), &b));
    // Work of a task: what it adds or moves to now runs at the next check,
    // what it finishes does not run.
    b.during = [&] {
        if (b.runs == 1) {
            EXPECT_TRUE(timed->AddTask(kTimed, At(0), kOnce, &c));
            EXPECT_TRUE(d.Reschedule(At(0), kOnce));
            EXPECT_TRUE(r.Finish());
        }
    };
    ASSERT_TRUE(timed->AddTask(kTimed, At(0), kOnce, &r));
    ASSERT_TRUE(timed->AddTask(kTimed, At(0), kOnce, &d));
    EXPECT_NO_THROW(IdleAt(0));
    EXPECT_EQ(Trace(), "a@0 a!-1 b@0");
    EXPECT_FALSE(a.Attached());
    IdleAt(0);
    EXPECT_EQ(Trace(), "c@0 d@0");

    // A link that goes away takes its task along, silently.
    auto gone = std::make_unique<Timed>("gone");
    ASSERT_TRUE(timed->AddTask(kTimed, At(1), kOnce, gone.get()));
    gone.reset();
    IdleAt(1);
    EXPECT_EQ(Trace(), "");

    // Shut down: the waiting tasks hear -2, the checker goes.
    ASSERT_TRUE(timed->AddTask(kTimed, At(50), kOnce, &c));
    timed.reset();
    EXPECT_EQ(Trace(), "b!-2 c!-2");
    EXPECT_FALSE(b.Attached());
    deferred->Pump(1, kAll);
    EXPECT_EQ(deferred->TaskCount(), 0u);

    // Without the deferred-task service no checker can run them: refused.
    __Quarrow__::Singleton<DeferredTaskMgr>::Destroy();
    TimedTaskMgr alone;
    EXPECT_FALSE(alone.AddTask(kTimed, At(60), kOnce, &c));
    EXPECT_FALSE(c.Attached());
    EXPECT_EQ(alone.WaitingCount(), 0u);
}

} // namespace
