// The finders of the macOS flavour: the host's frameworks among the process's
// bundles, symbols by their Mach-O names (PlatSymFinder), and the host
// callbacks of the call record. The bound operations of macos/PlatStubs.h bind
// through the finder this manager registers.
#include "fmx/AccessMgr.h"

#include <stdexcept>

#include "fmx/Plugin.h"

namespace fmx {

namespace {

std::int32_t PluginLevel() { return Plugin::GetApiLevel(); }

} // namespace

void AccessMgr::StartFinder(const fmapi::CallRecord* record)
{
    // Throws "PlatSymFinder initialization failed" without a host application.
    finder_ = std::make_unique<PlatSymFinder>(record);
    mac::SetBindingLevelSource(&PluginLevel);
    mac::SetBindingFinder(finder_.get());
}

void AccessMgr::StopFinder() noexcept
{
    mac::SetBindingFinder(nullptr);
    finder_.reset();
}

// Frameworks are bundles here, never modules loaded by name.
void* AccessMgr::GetModule(const char*) { return nullptr; }

void* AccessMgr::FindMemberFunction(const char* moduleName, const char* decoratedName) const
{
    // The finder never adjusts: its members are {address, 0}.
    const PlatSymFinder::BoundMember member = finder_->FindMemberFunction(moduleName, decoratedName);
    if (!member.function)
        throw std::runtime_error("member function is not found");
    return reinterpret_cast<void*>(member.function);
}

void* AccessMgr::FindFunction(const char* moduleName, const char* name) const
{
    // kHostCallbackModule is the finder's callback framework (all ones).
    return finder_->FindStaticFunction(moduleName == kHostCallbackModule ? PlatSymFinder::kCallbackFramework
                                                                          : moduleName,
                                       name);
}

void* AccessMgr::FindDataSymbol(const char* moduleName, const char* name) const
{
    void* address = finder_->FindDataSymbol(moduleName, name);
    if (!address)
        throw std::runtime_error("data symbol is not found");
    return address;
}

const char* HostModuleName(fmapi::HostGroup group, std::int32_t apiLevel)
{
    switch (group) {
    case fmapi::HostGroup::kSupport:
        return mac::HostSupportModuleName(apiLevel);
    case fmapi::HostGroup::kDatabaseEngine:
        return mac::HostDBModuleName(apiLevel);
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
