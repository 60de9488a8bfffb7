// The finders of the macOS flavour before it binds the host's frameworks:
// the host callbacks of the call record answer; every framework lookup finds
// nothing and fails as a missing symbol does.
#include "fmx/AccessMgr.h"

#include <stdexcept>

namespace fmx {

void* AccessMgr::GetModule(const char*) { return nullptr; }

void* AccessMgr::FindMemberFunction(const char*, const char*) const
{
    throw std::runtime_error("member function is not found");
}

void* AccessMgr::FindFunction(const char* moduleName, const char* name) const
{
    if (moduleName == kHostCallbackModule) {
        const auto index = reinterpret_cast<std::uintptr_t>(name);
        if (index < static_cast<std::uintptr_t>(fmapi::kHostCallbackCount) && callbacks_[index])
            return reinterpret_cast<void*>(callbacks_[index]);
    }
    throw std::runtime_error("static function loading failed");
}

void* AccessMgr::FindDataSymbol(const char*, const char*) const
{
    throw std::runtime_error("data symbol is not found");
}

const char* HostModuleName(fmapi::HostGroup group, std::int32_t apiLevel)
{
    // The host's frameworks: before level 51 everything is in FMEngine.
    const bool split = apiLevel >= 51;
    switch (group) {
    case fmapi::HostGroup::kSupport:
        return split ? "Support" : "FMEngine";
    case fmapi::HostGroup::kDatabaseEngine:
        return split ? "DBEngine" : "FMEngine";
    case fmapi::HostGroup::kUserModel:
    case fmapi::HostGroup::kScripts:
    case fmapi::HostGroup::kLayouts:
    case fmapi::HostGroup::kWindows:
        return "FMEngine";
    case fmapi::HostGroup::kInterface:
        return "FMWrapper";
    }
    return "";
}

} // namespace fmx
