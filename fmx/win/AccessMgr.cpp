// The finders of the Windows flavour: modules the host has loaded, found by
// their "X.dll" names, and their exports.
#include "fmx/AccessMgr.h"

#include <stdexcept>

#include "platform/win32/winsymbol.h"

namespace fmx {

void* AccessMgr::GetModule(const char* moduleName) { return win32::GetModuleHandleA(moduleName); }

namespace {

// The exported symbol `name` of the loaded module; `failure` is thrown when
// either is missing.
void* ExportedSymbol(const char* moduleName, const char* name, const char* failure)
{
    void* module = AccessMgr::GetModule(moduleName);
    void* address = module ? win32::GetProcAddress(module, name) : nullptr;
    if (!address)
        throw std::runtime_error(failure);
    return address;
}

} // namespace

void* AccessMgr::FindMemberFunction(const char* moduleName, const char* decoratedName) const
{
    return ExportedSymbol(moduleName, decoratedName, "member function is not found");
}

void* AccessMgr::FindFunction(const char* moduleName, const char* name) const
{
    void* address = nullptr;
    if (moduleName == kHostCallbackModule) {
        const auto index = reinterpret_cast<std::uintptr_t>(name);
        if (index < static_cast<std::uintptr_t>(fmapi::kHostCallbackCount))
            address = reinterpret_cast<void*>(callbacks_[index]);
    } else if (void* module = GetModule(moduleName)) {
        address = win32::GetProcAddress(module, name);
    }
    if (!address)
        throw std::runtime_error("static function loading failed");
    return address;
}

void* AccessMgr::FindDataSymbol(const char* moduleName, const char* name) const
{
    return ExportedSymbol(moduleName, name, "data symbol is not found");
}

const char* HostModuleName(fmapi::HostGroup group, std::int32_t apiLevel)
{
    // From level 54 the host keeps its user model, scripts and layouts in one
    // module.
    const bool merged = apiLevel >= 54;
    switch (group) {
    case fmapi::HostGroup::kSupport:
        return "Support.dll";
    case fmapi::HostGroup::kDatabaseEngine:
        return "DBEngine.dll";
    case fmapi::HostGroup::kUserModel:
        return merged ? "FMEngine.dll" : "FMUserModel.dll";
    case fmapi::HostGroup::kScripts:
        return merged ? "FMEngine.dll" : "FMScript.dll";
    case fmapi::HostGroup::kLayouts:
        return merged ? "FMEngine.dll" : "FMLayout.dll";
    case fmapi::HostGroup::kWindows:
        return "XDraw.dll";
    case fmapi::HostGroup::kInterface:
        return "FMWrapper.dll";
    }
    return "";
}

} // namespace fmx
