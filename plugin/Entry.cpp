#include "fmapi/call_record.h"

extern "C" __attribute__((visibility("default"))) void FMExternCallProc(fmapi::CallRecord* record)
{
    (void)record;
}
