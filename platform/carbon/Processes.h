// Process Manager: the current process and where its application bundle is.
#pragma once

#include "platform/carbon/FileManager.h"

extern "C" {

struct ProcessSerialNumber {
    UInt32 highLongOfPSN;
    UInt32 lowLongOfPSN;
};

enum : UInt32 { kNoProcess = 0, kSystemProcess = 1, kCurrentProcess = 2 };
enum : OSErr { procNotFound = -600 };

OSErr GetCurrentProcess(ProcessSerialNumber* psn);
// The folder of the process's main bundle (CFBundleGetMainBundle);
// procNotFound for another process or when there is no main bundle.
OSStatus GetProcessBundleLocation(const ProcessSerialNumber* psn, FSRef* location);

}  // extern "C"
