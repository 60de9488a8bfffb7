#include "fmx/AccessMgr.h"

namespace fmx {

AccessMgr::AccessMgr(const fmapi::CallRecord* record)
{
    if (record)
        for (int i = 0; i < fmapi::kHostCallbackCount; ++i)
            callbacks_[i] = record->callbacks[i];
}

AccessMgr::~AccessMgr()
{
    for (auto& callback : callbacks_)
        callback = nullptr;
}

fmapi::HostCallback AccessMgr::GetHostCallback(unsigned index) const
{
    return index < static_cast<unsigned>(fmapi::kHostCallbackCount) ? callbacks_[index] : nullptr;
}

} // namespace fmx
