#include "fmx/AccessMgr.h"

#include <stdexcept>

#include "fmx/FmImp.h"
#include "platform/win32/winsymbol.h"

namespace fmx {

const char* const kHostCallbackModule = reinterpret_cast<const char*>(~std::uintptr_t(0));

void* FmClassImpBase::Allocate(std::size_t size) { return ::operator new(size); }

void FmClassImpBase::Free(void* storage) { ::operator delete(storage); }

AccessMgr::AccessMgr(const fmapi::CallRecord* record)
{
    if (record)
        for (int i = 0; i < fmapi::kHostCallbackCount; ++i)
            callbacks_[i] = record->callbacks[i];
    SetImp(kSessionImp, std::make_unique<FmSessionImp>());
    SetImp(kDatabaseImp, std::make_unique<FmDatabaseImp>());
    SetImp(kWindowImp, std::make_unique<FmWindowImp>());
    SetImp(kLayoutImp, std::make_unique<FmLayoutImp>());
    SetImp(kScriptImp, std::make_unique<FmScriptImp>());
}

AccessMgr::~AccessMgr()
{
    imps_.clear();
    for (auto& callback : callbacks_)
        callback = nullptr;
}

FmClassImpBase& AccessMgr::GetImp(int classId) const
{
    auto it = imps_.find(classId);
    if (it == imps_.end() || !it->second)
        throw std::invalid_argument("invalid implementation class id");
    return *it->second;
}

void AccessMgr::SetImp(int classId, std::unique_ptr<FmClassImpBase> imp) { imps_[classId] = std::move(imp); }

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

fmapi::HostCallback AccessMgr::GetHostCallback(unsigned index) const
{
    return index < static_cast<unsigned>(fmapi::kHostCallbackCount) ? callbacks_[index] : nullptr;
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

namespace {

template <unsigned Index>
std::intptr_t CallHost(std::intptr_t a, std::intptr_t b)
{
    static fmapi::HostCallback cell = nullptr;
    if (!cell) {
        void* address = AccessMgr::GetInstance().FindFunction(
            kHostCallbackModule, reinterpret_cast<const char*>(std::uintptr_t(Index)));
        cell = reinterpret_cast<fmapi::HostCallback>(address);
    }
    return cell(a, b);
}

} // namespace

std::intptr_t HostCallback0(std::intptr_t a, std::intptr_t b) { return CallHost<0>(a, b); }
std::intptr_t HostCallback1(std::intptr_t a, std::intptr_t b) { return CallHost<1>(a, b); }
std::intptr_t HostCallback2(std::intptr_t a, std::intptr_t b) { return CallHost<2>(a, b); }
std::intptr_t HostCallback3(std::intptr_t a, std::intptr_t b) { return CallHost<3>(a, b); }
std::intptr_t HostCallback4(std::intptr_t a, std::intptr_t b) { return CallHost<4>(a, b); }
std::intptr_t HostCallback5(std::intptr_t a, std::intptr_t b) { return CallHost<5>(a, b); }
std::intptr_t HostCallback6(std::intptr_t a, std::intptr_t b) { return CallHost<6>(a, b); }
std::intptr_t HostCallback7(std::intptr_t a, std::intptr_t b) { return CallHost<7>(a, b); }
std::intptr_t HostCallback8(std::intptr_t a, std::intptr_t b) { return CallHost<8>(a, b); }
std::intptr_t HostCallback9(std::intptr_t a, std::intptr_t b) { return CallHost<9>(a, b); }
std::intptr_t HostCallback10(std::intptr_t a, std::intptr_t b) { return CallHost<10>(a, b); }
std::intptr_t HostCallback11(std::intptr_t a, std::intptr_t b) { return CallHost<11>(a, b); }

} // namespace fmx
