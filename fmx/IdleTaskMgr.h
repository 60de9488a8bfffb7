// Runs the idle tasks on every idle message before it goes on to the
// framework. This product adds none.
#pragma once

#include "fmapi/call_record.h"
#include "fmx/Singleton.h"

namespace fmx {

class IdleTaskMgr : public Singleton<IdleTaskMgr> {
public:
    explicit IdleTaskMgr(const fmapi::CallRecord* record);
    ~IdleTaskMgr() override;

    // Always true: the idle message continues to the framework.
    bool ProcessIdle(fmapi::CallRecord& message);
};

} // namespace fmx
