#include "plugin/DeferredTask.h"

#include <iterator>
#include <new>

#include "plugin/QSingleton.h"
#include "plugin/TickClock.h"

namespace __Quarrow__ {

// ---- TaskLink

DeferredTaskMgr::TaskLink::~TaskLink()
{
    if (task_)
        task_->manager_.FinishTask(*task_, 0);
}

void DeferredTaskMgr::TaskLink::Notify(std::int32_t) {}

bool DeferredTaskMgr::TaskLink::Finish(std::int32_t reason)
{
    if (!task_)
        return false;
    task_->manager_.FinishTask(*task_, reason);
    return true;
}

// ---- DeferredTaskMgr

std::uint32_t DeferredTaskMgr::ConditionOf(std::uint32_t event)
{
    switch (event) {
    case 0:
        return kOnInit;
    case 1:
        return kOnIdle;
    case kEventFunctionCall:
        return kOnFunctionCall;
    case 4:
        return kOnShutdown;
    case 5:
        return kOnPreferences;
    default:
        return 0;
    }
}

void DeferredTaskMgr::Attach(DeferredTask& task, TaskLink& link)
{
    task.link_ = &link;
    link.task_ = &task;
}

void DeferredTaskMgr::Detach(DeferredTask& task)
{
    if (task.link_)
        task.link_->task_ = nullptr;
    task.link_ = nullptr;
}

void DeferredTaskMgr::FinishTask(DeferredTask& task, std::int32_t reason)
{
    ScopedLock hold(lock_);
    task.state_ = DeferredTask::kDone;
    TaskLink* link = task.link_;
    Detach(task);
    if (link && reason != 0)
        link->Notify(reason);
}

DeferredTaskMgr::TaskList::iterator DeferredTaskMgr::Remove(TaskList& list, TaskList::iterator position)
{
    Detach(**position);
    --count_;
    return list.erase(position);
}

DeferredTaskMgr::~DeferredTaskMgr()
{
    ScopedLock hold(lock_);
    for (TaskList& list : lists_) {
        for (const auto& task : list) {
            if (task->state_ == DeferredTask::kDone)
                continue;
            try {
                FinishTask(*task, -2);
            } catch (...) {
                // An owner's complaint cannot stop the shutdown.
            }
        }
        list.clear();
    }
    count_ = 0;
}

bool DeferredTaskMgr::AddTask(const Function& function, std::int32_t priority, std::uint32_t flags,
                              std::uint64_t lifetime, TaskLink* link)
{
    if (priority < 0 || priority >= kPriorities || (flags & kAllConditions) == 0 || lifetime == 0 ||
        function.Empty() || (link && link->task_))
        return false;
    const std::uint64_t now = ClockSeconds();
    const std::uint64_t deadline = lifetime > kForever - now ? kForever : now + lifetime;
    try {
        boost::intrusive_ptr<DeferredTask> task(new DeferredTask(*this, function, flags, deadline));
        ScopedLock hold(lock_);
        lists_[priority].push_back(task);
        ++count_;
        if (link)
            Attach(*task, *link);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool DeferredTaskMgr::Run(DeferredTask& task, std::uint32_t event)
{
    if (task.state_ != DeferredTask::kWaiting)
        return task.state_ == DeferredTask::kDone;
    if (!(task.flags_ & ConditionOf(event)))
        return false;
    if (ClockSeconds() > task.deadline_) {
        FinishTask(task, -1);
        return true;
    }
    task.state_ = DeferredTask::kRunning;
    TaskLink temporary;
    if (!task.link_)
        Attach(task, temporary);
    try {
        task.function_(event, *task.link_);
    } catch (...) {
        if (task.state_ != DeferredTask::kDone) {
            try {
                FinishTask(task, -1);
            } catch (...) {
                // The task's own exception is the one that passes on.
            }
        }
        if (temporary.task_)
            Detach(task);
        throw;
    }
    // The temporary link lasts for the call only.
    if (temporary.task_)
        Detach(task);
    if (task.state_ != DeferredTask::kDone)
        task.state_ = DeferredTask::kWaiting;
    return task.state_ == DeferredTask::kDone;
}

void DeferredTaskMgr::Pump(std::uint32_t event, std::uint64_t)
{
    if (count_.load() == 0)
        return;
    ScopedLock hold(lock_);

    Walk walk;
    Walk* const outer = walk_;
    if (outer) {
        // A task's work reached the framework again: go on after that task.
        walk.priority = outer->priority;
        walk.position = std::next(outer->position);
        outer->takenOver = true;
    } else {
        walk.position = lists_[0].begin();
    }
    struct Restore {
        Walk*& slot;
        Walk* outer;
        ~Restore() { slot = outer; }
    } restore{walk_, outer};
    walk_ = &walk;

    while (walk.priority < kPriorities) {
        TaskList& list = lists_[walk.priority];
        if (walk.position == list.end()) {
            if (++walk.priority < kPriorities)
                walk.position = lists_[walk.priority].begin();
            continue;
        }
        // Held for the run: the task's own work may finish it.
        const boost::intrusive_ptr<DeferredTask> task = *walk.position;
        bool done = false;
        try {
            done = Run(*task, event);
        } catch (...) {
            if (task->state_ == DeferredTask::kDone)
                Remove(list, walk.position);
            throw;
        }
        if (done)
            walk.position = Remove(list, walk.position);
        else
            ++walk.position;
        if (walk.takenOver)
            break;
    }
}

void PumpDeferredTasks(std::uint32_t event, std::uint64_t budget)
{
    if (Singleton<DeferredTaskMgr>::exists())
        Singleton<DeferredTaskMgr>::getInstance().Pump(event, budget);
}

} // namespace __Quarrow__
