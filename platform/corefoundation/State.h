// Process-wide state of the stand-ins that the set-up interface changes.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/corefoundation/CoreFoundation.h"

namespace pvcf {

struct SystemState {
    std::mutex mutex;
    std::string systemRoot;
    int version[3] = {10, 5, 8};
    std::uint32_t systemEncoding = kCFStringEncodingMacRoman;
    std::uint32_t applicationEncoding = 0;
    std::vector<std::string> localizations{"English", "en"};
    std::optional<double> fixedTime;
};

// Never destroyed: the stand-ins stay usable from destructors at exit.
SystemState& State();

}  // namespace pvcf
