#include "platform/win32/winmodule.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <climits>

namespace win32 {

namespace {

void* Handle(void* module)
{
    if (module)
        return module;
    static void* self = dlopen(nullptr, RTLD_NOW);
    return self;
}

} // namespace

bool GetModuleFileName(void* module, std::string& path)
{
    if (module) {
        struct link_map* map = nullptr;
        if (dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && map->l_name[0]) {
            char resolved[PATH_MAX];
            path = realpath(map->l_name, resolved) ? resolved : map->l_name;
            return true;
        }
    }
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0)
        return false;
    path.assign(buffer, static_cast<std::size_t>(n));
    return true;
}

bool LoadStringResource(void* module, unsigned id, std::u16string& text)
{
    void* handle = Handle(module);
    if (!handle)
        return false;
    const auto* table = static_cast<const std::uint16_t*>(dlsym(handle, "PVRes_StringTable"));
    if (!table)
        return false;
    const unsigned wantedBlock = id / 16 + 1;
    const unsigned slot = id % 16;
    // Blocks: number, then 16 entries of (length, units...); number 0 ends.
    for (const std::uint16_t* p = table; *p != 0;) {
        const unsigned block = *p++;
        for (unsigned i = 0; i < 16; ++i) {
            const unsigned length = *p++;
            if (block == wantedBlock && i == slot) {
                if (length == 0)
                    return false;
                text.assign(reinterpret_cast<const char16_t*>(p), length);
                return true;
            }
            p += length;
        }
    }
    return false;
}

bool GetProductVersion(void* module, std::uint32_t& high, std::uint32_t& low)
{
    void* handle = Handle(module);
    if (!handle)
        return false;
    const auto* version = static_cast<const std::uint32_t*>(dlsym(handle, "PVRes_ProductVersion"));
    if (!version)
        return false;
    high = version[0];
    low = version[1];
    return true;
}

} // namespace win32
