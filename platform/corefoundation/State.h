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

// The machine's path of a system path on a mounted volume (false when it
// lies on none), and the start-up volume's folder (empty: the root).
bool MountedHostPath(const std::string& systemPath, std::string& host, std::string& startupFolder);

}  // namespace pvcf
