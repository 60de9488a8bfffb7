// The plug-in's only entry point.
#include "fmapi/call_record.h"
#include "fmx/Plugin.h"

extern "C" __attribute__((visibility("default"))) void FMExternCallProc(fmapi::CallRecord* record) noexcept
{
    if (!record || record->unsafeCalls)
        return;
    try {
        fmx::Plugin::Dispatch(record);
    } catch (...) {
        // Nothing leaves the entry: the host sees the record as it is now.
    }
}
