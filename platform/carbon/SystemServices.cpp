#include "platform/carbon/SystemServices.h"

#include <algorithm>
#include <cstdint>
#include <ctime>

#include "platform/corefoundation/SystemSetup.h"

extern "C" {

OSErr Gestalt(OSType selector, SInt32* response) {
    if (response == nullptr) {
        return paramErr;
    }
    if (macsetup::ShouldFail("Gestalt")) {
        return static_cast<OSErr>(gestaltUndefSelectorErr);
    }
    int major = 0, minor = 0, bugfix = 0;
    macsetup::GetSystemVersion(major, minor, bugfix);
    switch (selector) {
    case FourCC("sysv"): {
        // Binary-coded decimal: 10.4.11 reads as 0x1049.
        const int m = std::clamp(major, 0, 99);
        *response = ((m / 10) << 12) | ((m % 10) << 8) | (std::clamp(minor, 0, 9) << 4) |
                    std::clamp(bugfix, 0, 9);
        return noErr;
    }
    case FourCC("sys1"):
        *response = major;
        return noErr;
    case FourCC("sys2"):
        *response = minor;
        return noErr;
    case FourCC("sys3"):
        *response = bugfix;
        return noErr;
    default:
        return static_cast<OSErr>(gestaltUndefSelectorErr);
    }
}

void Microseconds(UnsignedWide* microTickCount) {
    if (microTickCount == nullptr) {
        return;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t micros = static_cast<std::uint64_t>(now.tv_sec) * 1000000u +
                                 static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
    microTickCount->hi = static_cast<UInt32>(micros >> 32);
    microTickCount->lo = static_cast<UInt32>(micros & 0xFFFFFFFFu);
}

}  // extern "C"
