// The plug-in's only entry point.
#include "fmapi/call_record.h"
#include "fmx/Plugin.h"
#include "plugin/TickClock.h"

extern "C" __attribute__((visibility("default"))) void FMExternCallProc(fmapi::CallRecord* record) noexcept
{
    if (!record || record->unsafeCalls)
        return;
    try {
        // The host idles once its message queue is empty, which is when its
        // loop would have run the timers that fell due.
        if (record->whichCall == fmapi::kMsgIdle)
            __Quarrow__::RunDueTimers();
        fmx::Plugin::Dispatch(record);
    } catch (...) {
        // Nothing leaves the entry: the host sees the record as it is now.
    }
}
