// Runs the idle tasks on every idle message before it goes on to the
// framework.
#pragma once

#include <list>
#include <memory>

#include <threadsync>

#include "fmapi/call_record.h"
#include "fmx/Singleton.h"

namespace fmx {

class IdleTask {
public:
    virtual ~IdleTask() = default;
    // True: the task is finished and is deleted; false: run it again at the
    // next idle message.
    virtual bool Run() = 0;
};

class IdleTaskMgr : public Singleton<IdleTaskMgr> {
public:
    explicit IdleTaskMgr(const fmapi::CallRecord* record);
    // Deletes every task.
    ~IdleTaskMgr() override;
    IdleTaskMgr(const IdleTaskMgr&) = delete;
    IdleTaskMgr& operator=(const IdleTaskMgr&) = delete;

    // Takes the task over. A task added while the tasks run waits for the next
    // idle message. False for a null task or when it cannot be added (the
    // task is then deleted).
    bool AddTask(std::unique_ptr<IdleTask> task);

    // Runs every task once; a task that answers true or throws is deleted.
    // A nested idle message while the tasks run does nothing. Always true:
    // the idle message continues to the framework.
    bool ProcessIdle(fmapi::CallRecord& message);

    // Tasks held, waiting ones included.
    std::size_t TaskCount();

private:
    using TaskList = std::list<std::unique_ptr<IdleTask>>;

    RecursiveLock lock_;
    bool busy_ = false;
    TaskList tasks_;
    TaskList pending_;
};

} // namespace fmx
