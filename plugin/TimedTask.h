// Timed tasks: functions run at points in time, once or repeatedly, on the
// host's thread. While any task waits, one deferred task checks the clock at
// every idle message and runs the tasks that have fallen due.
#pragma once

#include <boost/intrusive_ptr.hpp>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>

#include <threadsync>

#include "plugin/DateTime.h"
#include "plugin/DeferredTask.h"
#include "plugin/FuncWrapper.h"
#include "plugin/RefCountedObj.h"

namespace __Quarrow__ {

class TimedTask;

class TimedTaskMgr {
public:
    // The owner's handle on its task. A task that ends (finished, run for the
    // last time, failed or shut down) leaves it detached.
    class TaskLink {
    public:
        TaskLink() = default;
        // A link that goes away finishes its task (reason 0: no notification).
        virtual ~TaskLink();
        TaskLink(const TaskLink&) = delete;
        TaskLink& operator=(const TaskLink&) = delete;

        // Why the task ended without finishing itself: -1 its function threw
        // or its next due time lies beyond the valid range, -2 the manager
        // shut down.
        virtual void Notify(std::int32_t reason);

        // Ends the task; a non-zero reason is notified. False when no task
        // is attached.
        bool Finish(std::int32_t reason = 0);
        // Moves the task to a new due time and interval (taking effect after
        // the run when its function calls this). False when no task is
        // attached or the due time is invalid.
        bool Reschedule(const DateTime& due, const TimeDiff& interval);
        bool Attached() const { return task_ != nullptr; }

    private:
        friend class TimedTaskMgr;
        TimedTask* task_ = nullptr;
    };

    // Called with the due time it runs for, its interval and its link (a
    // temporary one for a task without a link).
    using Function = TimedTaskFunction<DateTime, TimeDiff, TaskLink>;

    TimedTaskMgr();
    // Every task not yet done ends with reason -2; the checker goes.
    ~TimedTaskMgr();
    TimedTaskMgr(const TimedTaskMgr&) = delete;
    TimedTaskMgr& operator=(const TimedTaskMgr&) = delete;

    // Queues `function` to run once the clock reaches `due`, and then every
    // `interval` seconds while the interval is a positive number. A repeating
    // task's next due time follows its previous one by whole intervals and
    // lies at least a second after the run ended: repetitions missed while
    // the host was busy are skipped, not made up. False, and nothing queued,
    // for an empty function, an invalid due time, a link that already has a
    // task, or when the checker cannot be queued (no deferred-task service).
    bool AddTask(const Function& function, const DateTime& due, const TimeDiff& interval,
                 TaskLink* link = nullptr);

    // Runs each task whose due time has come, in due-time order, at most once
    // per check. A task whose function throws ends with reason -1; the
    // exception goes no further. With nothing left waiting the checker
    // finishes itself. A check started from a task's work does nothing.
    void Check();

    // Tasks waiting for their due time.
    std::size_t WaitingCount() const { return waiting_.size(); }
    // The deferred checker is queued.
    bool CheckerQueued() const { return checker_.Attached(); }
    RecursiveLock& Lock() { return lock_; }

private:
    friend class TaskLink;
    friend class TimedTask;
    using Waiting = std::multimap<std::int64_t, boost::intrusive_ptr<TimedTask>>;

    class CheckerLink : public DeferredTaskMgr::TaskLink {
    public:
        explicit CheckerLink(TimedTaskMgr& owner) : owner(owner) {}
        TimedTaskMgr& owner;
    };
    static void RunChecker(std::uint32_t event, DeferredTaskMgr::TaskLink& link);

    bool QueueChecker();
    void Insert(TimedTask& task);
    void Unlink(TimedTask& task);
    void FinishTask(TimedTask& task, std::int32_t reason);
    bool RescheduleTask(TimedTask& task, const DateTime& due, const TimeDiff& interval);
    void Run(TimedTask& task);
    static void Attach(TimedTask& task, TaskLink& link);
    static void Detach(TimedTask& task);

    RecursiveLock lock_;
    Waiting waiting_;
    std::deque<boost::intrusive_ptr<TimedTask>> queue_;
    CheckerLink checker_{*this};
    bool checking_ = false;
};

class TimedTask : public RefCountedObj {
public:
    enum State : std::int32_t { kWaiting = 0, kDone = 1, kQueued = 2, kRunning = 4 };

    TimedTask(TimedTaskMgr& manager, const TimedTaskMgr::Function& function, const DateTime& due,
              const TimeDiff& interval)
        : manager_(manager), function_(function), due_(due), interval_(interval)
    {
    }

    std::int32_t State() const { return state_; }
    const DateTime& Due() const { return due_; }
    const TimeDiff& Interval() const { return interval_; }
    // Not-a-number or not positive: the task runs once.
    bool Repeats() const { return interval_.IsValid() && interval_.Seconds() > 0; }

private:
    friend class TimedTaskMgr;
    TimedTaskMgr& manager_;
    TimedTaskMgr::Function function_;
    DateTime due_;
    TimeDiff interval_;
    std::int32_t state_ = kWaiting;
    TimedTaskMgr::TaskLink* link_ = nullptr;
    TimedTaskMgr::Waiting::iterator position_{};   // while waiting
    bool rescheduled_ = false;                      // during its run
};

} // namespace __Quarrow__
