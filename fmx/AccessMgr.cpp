#include "fmx/AccessMgr.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

namespace fmx {

AccessMgr::AccessMgr(const fmapi::CallRecord* record)
{
    if (record)
        for (int i = 0; i < fmapi::kHostCallbackCount; ++i)
            callbacks_[i] = record->callbacks[i];
}

AccessMgr::~AccessMgr()
{
    for (auto& callback : callbacks_)
        callback = nullptr;
}

fmapi::HostCallback AccessMgr::GetHostCallback(unsigned index) const
{
    return index < static_cast<unsigned>(fmapi::kHostCallbackCount) ? callbacks_[index] : nullptr;
}

} // namespace fmx

namespace fmx {

void* AccessMgr::FindFunction(const char* moduleName, const char* name) const
{
    std::string module(moduleName ? moduleName : "");
    if (module.size() > 4 && module.compare(module.size() - 4, 4, ".dll") == 0)
        module = "lib" + module.substr(0, module.size() - 4) + ".so";
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_NOLOAD);
    void* address = handle ? dlsym(handle, name) : nullptr;
    if (handle)
        dlclose(handle);
    if (!address)
        throw std::runtime_error("static function loading failed");
    return address;
}

} // namespace fmx
