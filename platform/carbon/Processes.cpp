#include "platform/carbon/Processes.h"

#include "platform/corefoundation/SystemSetup.h"

extern "C" {

OSErr GetCurrentProcess(ProcessSerialNumber* psn) {
    if (psn == nullptr) {
        return paramErr;
    }
    psn->highLongOfPSN = 0;
    psn->lowLongOfPSN = kCurrentProcess;
    return noErr;
}

OSStatus GetProcessBundleLocation(const ProcessSerialNumber* psn, FSRef* location) {
    if (psn == nullptr || location == nullptr) {
        return paramErr;
    }
    if (macsetup::ShouldFail("GetProcessBundleLocation") || psn->highLongOfPSN != 0 ||
        psn->lowLongOfPSN != kCurrentProcess) {
        return procNotFound;
    }
    CFBundleRef bundle = CFBundleGetMainBundle();
    if (bundle == nullptr) {
        return procNotFound;
    }
    CFURLRef url = CFBundleCopyBundleURL(bundle);
    const bool found = url != nullptr && CFURLGetFSRef(url, location);
    if (url != nullptr) {
        CFRelease(url);
    }
    return found ? noErr : static_cast<OSStatus>(fnfErr);
}

}  // extern "C"
