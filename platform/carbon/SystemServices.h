// Gestalt and the microsecond clock.
#pragma once

#include "platform/carbon/CarbonTypes.h"

extern "C" {

// 'sysv': the system version as 0x10MB (minor and bugfix digits, at most 9);
// 'sys1', 'sys2', 'sys3': major, minor and bugfix. Others: gestaltUndefSelectorErr.
OSErr Gestalt(OSType selector, SInt32* response);

// Microseconds of a monotonic clock since an arbitrary start.
void Microseconds(UnsignedWide* microTickCount);

}  // extern "C"
