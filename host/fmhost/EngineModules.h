// The host's internal modules, loaded before the plug-in: the set that a
// host of the given API level has, from the folder of the running program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fmhost {

// The host's API level as a plug-in works it out: from the interface version
// it offers and its version text.
std::int32_t HostApiLevel(std::int32_t extnVersion, const std::string& hostVersion);

// Module names ("Support", "FMEngine", ...) of a host of that API level.
std::vector<std::string> HostModuleNames(std::int32_t apiLevel);

// Loads the set (RTLD_NOW | RTLD_GLOBAL) and configures each module for the
// level. False with a message in `error` when a module is missing or lacks
// its control entry; modules loaded before the failure stay loaded.
bool LoadHostModules(std::int32_t apiLevel, std::string& error);

// The same from another folder (tests).
bool LoadHostModules(std::int32_t apiLevel, const std::string& folder, std::string& error);

} // namespace fmhost
