#include "fmx/IdleTaskMgr.h"

namespace fmx {

IdleTaskMgr::IdleTaskMgr(const fmapi::CallRecord*) {}

IdleTaskMgr::~IdleTaskMgr() = default;

bool IdleTaskMgr::ProcessIdle(fmapi::CallRecord&) { return true; }

} // namespace fmx
