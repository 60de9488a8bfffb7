// Deferred tasks: work the framework's services queue to run on the host's
// thread after messages of given kinds or after calculation-function calls.
// The framework pumps the queue after every message and every function call.
#pragma once

#include <boost/intrusive_ptr.hpp>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <list>

#include <threadsync>

#include "plugin/FuncWrapper.h"
#include "plugin/RefCountedObj.h"

namespace __Quarrow__ {

class DeferredTask;

class DeferredTaskMgr {
public:
    // The owner's handle on its task. A task finished through its link (or
    // expired, failed or shut down) leaves it detached.
    class TaskLink {
    public:
        TaskLink() = default;
        // A link that goes away finishes its task (reason 0: no notification).
        virtual ~TaskLink();
        TaskLink(const TaskLink&) = delete;
        TaskLink& operator=(const TaskLink&) = delete;

        // Why the task ended without finishing itself: -1 expired or its
        // function threw, -2 the manager shut down.
        virtual void Notify(std::int32_t reason);

        // Marks the task done and detaches; a non-zero reason is notified.
        // False when no task is attached.
        bool Finish(std::int32_t reason = 0);
        bool Attached() const { return task_ != nullptr; }

    private:
        friend class DeferredTaskMgr;
        DeferredTask* task_ = nullptr;
    };

    // Called with the event and the task's link (a temporary one for a task
    // without a link, so the function can always finish the task).
    using Function = FuncWrapper<void(std::uint32_t event, TaskLink& link)>;

    // Condition flags and the events they match.
    enum Condition : std::uint32_t {
        kOnInit = 0x01,          // message 0
        kOnShutdown = 0x02,      // message 4
        kOnPreferences = 0x04,   // message 5
        kOnIdle = 0x08,          // message 1
        kOnFunctionCall = 0x10,  // event 3, after a calculation-function call
        kAllConditions = 0x1F,
    };
    static constexpr std::uint32_t kEventFunctionCall = 3;
    static constexpr std::int32_t kPriorities = 10;
    // A lifetime (and deadline) that never passes.
    static constexpr std::uint64_t kForever = ~std::uint64_t(0);

    DeferredTaskMgr() = default;
    // Every task not yet done is finished with reason -2.
    ~DeferredTaskMgr();
    DeferredTaskMgr(const DeferredTaskMgr&) = delete;
    DeferredTaskMgr& operator=(const DeferredTaskMgr&) = delete;

    // Queues `function` at priority 0 (first) to 9 to run at every event its
    // flags match until it finishes itself or `lifetime` seconds have passed.
    // False, and nothing queued, for a priority outside 0 to 9, no condition
    // flag, a zero lifetime, an empty function, a link that already has a
    // task, or no memory.
    bool AddTask(const Function& function, std::int32_t priority, std::uint32_t flags,
                 std::uint64_t lifetime, TaskLink* link = nullptr);

    // Runs the due tasks of `event` in priority order; the budget is not
    // consulted. An exception of a task function ends that task (reason -1)
    // and passes on. A pump started from a task's work takes the walk over
    // from the running task; the interrupted pump stops after that task.
    void Pump(std::uint32_t event, std::uint64_t budget);

    // Tasks held, finished ones not yet removed included.
    std::size_t TaskCount() const { return count_.load(); }
    // The lock every walk holds (for those that must wait for a walk).
    RecursiveLock& Lock() { return lock_; }

    // The condition flag that matches an event (0: none).
    static std::uint32_t ConditionOf(std::uint32_t event);

private:
    friend class TaskLink;
    using TaskList = std::list<boost::intrusive_ptr<DeferredTask>>;
    struct Walk {
        std::int32_t priority = 0;
        TaskList::iterator position;
        bool takenOver = false;
    };

    // Runs one task; true when it is done (to be removed).
    bool Run(DeferredTask& task, std::uint32_t event);
    void FinishTask(DeferredTask& task, std::int32_t reason);
    static void Attach(DeferredTask& task, TaskLink& link);
    static void Detach(DeferredTask& task);
    TaskList::iterator Remove(TaskList& list, TaskList::iterator position);

    RecursiveLock lock_;
    TaskList lists_[kPriorities];
    std::atomic<std::size_t> count_{0};
    Walk* walk_ = nullptr;
};

class DeferredTask : public RefCountedObj {
public:
    enum State : std::int32_t { kWaiting = 0, kDone = 1, kRunning = 2 };

    DeferredTask(DeferredTaskMgr& manager, const DeferredTaskMgr::Function& function,
                 std::uint32_t flags, std::uint64_t deadline)
        : manager_(manager), function_(function), flags_(flags), deadline_(deadline)
    {
    }

    std::int32_t State() const { return state_; }
    std::uint32_t Flags() const { return flags_; }
    // Seconds on the framework's clock after which the task expires.
    std::uint64_t Deadline() const { return deadline_; }

private:
    friend class DeferredTaskMgr;
    DeferredTaskMgr& manager_;
    DeferredTaskMgr::Function function_;
    std::uint32_t flags_;
    std::uint64_t deadline_;
    std::int32_t state_ = kWaiting;
    DeferredTaskMgr::TaskLink* link_ = nullptr;
};

// The pump of the framework's deferred-task service, when the service exists.
void PumpDeferredTasks(std::uint32_t event, std::uint64_t budget);

} // namespace __Quarrow__
