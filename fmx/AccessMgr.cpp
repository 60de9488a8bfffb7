#include "fmx/AccessMgr.h"

#include <stdexcept>

#include "fmx/FmImp.h"

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

fmapi::HostCallback AccessMgr::GetHostCallback(unsigned index) const
{
    return index < static_cast<unsigned>(fmapi::kHostCallbackCount) ? callbacks_[index] : nullptr;
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
