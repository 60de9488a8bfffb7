#include "plugin/TimedTask.h"

#include <cmath>
#include <new>

#include "plugin/QSingleton.h"

namespace __Quarrow__ {

// ---- TaskLink

TimedTaskMgr::TaskLink::~TaskLink()
{
    if (task_)
        task_->manager_.FinishTask(*task_, 0);
}

void TimedTaskMgr::TaskLink::Notify(std::int32_t) {}

bool TimedTaskMgr::TaskLink::Finish(std::int32_t reason)
{
    if (!task_)
        return false;
    task_->manager_.FinishTask(*task_, reason);
    return true;
}

bool TimedTaskMgr::TaskLink::Reschedule(const DateTime& due, const TimeDiff& interval)
{
    return task_ && task_->manager_.RescheduleTask(*task_, due, interval);
}

// ---- TimedTaskMgr

TimedTaskMgr::TimedTaskMgr() = default;

TimedTaskMgr::~TimedTaskMgr()
{
    ScopedLock hold(lock_);
    // Held here: finishing lets go of the manager's references.
    std::deque<boost::intrusive_ptr<TimedTask>> left(queue_.begin(), queue_.end());
    for (const auto& [due, task] : waiting_)
        left.push_back(task);
    for (const auto& task : left) {
        if (task->state_ == TimedTask::kDone)
            continue;
        try {
            FinishTask(*task, -2);
        } catch (...) {
            // An owner's complaint cannot stop the shutdown.
        }
    }
    waiting_.clear();
    queue_.clear();
    checker_.Finish();
}

void TimedTaskMgr::Attach(TimedTask& task, TaskLink& link)
{
    task.link_ = &link;
    link.task_ = &task;
}

void TimedTaskMgr::Detach(TimedTask& task)
{
    if (task.link_)
        task.link_->task_ = nullptr;
    task.link_ = nullptr;
}

void TimedTaskMgr::Insert(TimedTask& task)
{
    task.state_ = TimedTask::kWaiting;
    task.position_ = waiting_.emplace(task.due_.Seconds(), boost::intrusive_ptr<TimedTask>(&task));
}

// Takes the task out of the waiting tasks; a queued one is passed over by
// the check once its state has changed.
void TimedTaskMgr::Unlink(TimedTask& task)
{
    if (task.state_ == TimedTask::kWaiting)
        waiting_.erase(task.position_);
}

void TimedTaskMgr::FinishTask(TimedTask& task, std::int32_t reason)
{
    ScopedLock hold(lock_);
    const boost::intrusive_ptr<TimedTask> keep(&task);
    Unlink(task);
    task.state_ = TimedTask::kDone;
    TaskLink* link = task.link_;
    Detach(task);
    if (link && reason != 0)
        link->Notify(reason);
}

bool TimedTaskMgr::RescheduleTask(TimedTask& task, const DateTime& due, const TimeDiff& interval)
{
    if (!due.IsValid())
        return false;
    ScopedLock hold(lock_);
    if (task.state_ == TimedTask::kDone)
        return false;
    task.due_ = due;
    task.interval_ = interval;
    if (task.state_ == TimedTask::kRunning) {
        task.rescheduled_ = true;
        return true;
    }
    const boost::intrusive_ptr<TimedTask> keep(&task);
    Unlink(task);
    Insert(task);
    return QueueChecker();
}

bool TimedTaskMgr::QueueChecker()
{
    if (checker_.Attached())
        return true;
    if (!Singleton<DeferredTaskMgr>::exists())
        return false;
    return Singleton<DeferredTaskMgr>::getInstance().AddTask(DeferredTaskMgr::Function(&RunChecker), 0,
                                                             DeferredTaskMgr::kOnIdle, DeferredTaskMgr::kForever,
                                                             &checker_);
}

void TimedTaskMgr::RunChecker(std::uint32_t, DeferredTaskMgr::TaskLink& link)
{
    static_cast<CheckerLink&>(link).owner.Check();
}

bool TimedTaskMgr::AddTask(const Function& function, const DateTime& due, const TimeDiff& interval, TaskLink* link)
{
    if (function.Empty() || !due.IsValid() || (link && link->task_))
        return false;
    try {
        boost::intrusive_ptr<TimedTask> task(new TimedTask(*this, function, due, interval));
        ScopedLock hold(lock_);
        Insert(*task);
        if (!QueueChecker()) {
            waiting_.erase(task->position_);
            return false;
        }
        if (link)
            Attach(*task, *link);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void TimedTaskMgr::Check()
{
    ScopedLock hold(lock_);
    if (checking_)
        return;
    checking_ = true;
    struct Checked {
        bool& checking;
        ~Checked() { checking = false; }
    } checked{checking_};

    // What is due now runs in this check; whatever falls due during it waits
    // for the next one.
    const std::int64_t now = DateTime::Now().Seconds();
    while (!waiting_.empty() && waiting_.begin()->first <= now) {
        const boost::intrusive_ptr<TimedTask> task = waiting_.begin()->second;
        waiting_.erase(waiting_.begin());
        task->state_ = TimedTask::kQueued;
        queue_.push_back(task);
    }
    while (!queue_.empty()) {
        const boost::intrusive_ptr<TimedTask> task = queue_.front();
        queue_.pop_front();
        if (task->state_ == TimedTask::kQueued)
            Run(*task);
    }
    if (waiting_.empty())
        checker_.Finish();
}

void TimedTaskMgr::Run(TimedTask& task)
{
    task.state_ = TimedTask::kRunning;
    task.rescheduled_ = false;
    TaskLink temporary;
    if (!task.link_)
        Attach(task, temporary);
    struct DropTemporary {
        TimedTask& task;
        TaskLink& temporary;
        // The temporary link lasts for the call only.
        ~DropTemporary()
        {
            if (temporary.task_)
                Detach(task);
        }
    } drop{task, temporary};
    try {
        task.function_(task.due_, task.interval_, *task.link_);
    } catch (...) {
        if (task.state_ != TimedTask::kDone) {
            try {
                FinishTask(task, -1);
            } catch (...) {
                // The owner heard of it as far as it could.
            }
        }
        return;
    }
    if (task.state_ == TimedTask::kDone)
        return;
    if (task.rescheduled_) {
        Insert(task);
        return;
    }
    if (!task.Repeats()) {
        FinishTask(task, 0);
        return;
    }
    // The first due time in the series at least a second after the run.
    const double step = task.interval_.Seconds();
    const double earliest = static_cast<double>(DateTime::Now().Seconds()) + 1;
    double steps = 1;
    const double due = static_cast<double>(task.due_.Seconds());
    if (due + step < earliest)
        steps = std::ceil((earliest - due) / step);
    DateTime next = task.due_ + TimeDiff(steps * step);
    if (next.IsValid() && next.Seconds() < earliest)
        next += TimeDiff(step);
    if (!next.IsValid()) {
        FinishTask(task, -1);
        return;
    }
    task.due_ = next;
    Insert(task);
}

} // namespace __Quarrow__
