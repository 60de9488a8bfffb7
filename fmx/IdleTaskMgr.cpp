#include "fmx/IdleTaskMgr.h"

namespace fmx {

IdleTaskMgr::IdleTaskMgr(const fmapi::CallRecord*) {}

IdleTaskMgr::~IdleTaskMgr()
{
    ScopedLock hold(lock_);
    tasks_.clear();
    pending_.clear();
}

bool IdleTaskMgr::AddTask(std::unique_ptr<IdleTask> task)
{
    if (!task)
        return false;
    try {
        ScopedLock hold(lock_);
        (busy_ ? pending_ : tasks_).push_back(std::move(task));
        return true;
    } catch (...) {
        // `task` still owns what could not be added and deletes it.
        return false;
    }
}

bool IdleTaskMgr::ProcessIdle(fmapi::CallRecord&)
{
    ScopedLock hold(lock_);
    if (busy_ || tasks_.empty())
        return true;
    busy_ = true;
    for (auto it = tasks_.begin(); it != tasks_.end();) {
        bool finished = true;
        try {
            finished = (*it)->Run();
        } catch (...) {
            // A failing task is dropped; the others still run.
        }
        if (finished)
            it = tasks_.erase(it);
        else
            ++it;
    }
    tasks_.splice(tasks_.end(), pending_);
    busy_ = false;
    return true;
}

std::size_t IdleTaskMgr::TaskCount()
{
    ScopedLock hold(lock_);
    return tasks_.size() + pending_.size();
}

} // namespace fmx
