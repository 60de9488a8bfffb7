// Access to the host's internals: the twelve host callbacks of the call
// record, bound by index.
#pragma once

#include "fmapi/call_record.h"
#include "fmx/Singleton.h"

namespace fmx {

class AccessMgr : public Singleton<AccessMgr> {
public:
    explicit AccessMgr(const fmapi::CallRecord* record);
    ~AccessMgr() override;

    // The host callback with that index, or null (index 12 and above).
    fmapi::HostCallback GetHostCallback(unsigned index) const;
    // Address of a function exported by a module the host has loaded.
    void* FindFunction(const char* moduleName, const char* name) const;

private:
    fmapi::HostCallback callbacks_[fmapi::kHostCallbackCount] = {};
};

} // namespace fmx
