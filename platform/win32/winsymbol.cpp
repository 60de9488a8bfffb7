#include "platform/win32/winsymbol.h"

#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <map>
#include <mutex>

#include "fmapi/symbol_name.h"

namespace win32 {

namespace {

struct Lookups {
    std::mutex lock;
    std::size_t total = 0;
    std::map<std::string, std::size_t> byName;
};

Lookups& TheLookups()
{
    static Lookups lookups;
    return lookups;
}

bool EndsWithIgnoringCase(const std::string& text, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    if (text.size() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        char a = text[text.size() - n + i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (a != suffix[i])
            return false;
    }
    return true;
}

// The loaded object whose file name (without folder) is `file`.
struct FindByFile {
    const std::string* file;
    std::string path;
};

int MatchLoaded(struct dl_phdr_info* info, std::size_t, void* data)
{
    auto* find = static_cast<FindByFile*>(data);
    if (!info->dlpi_name || !info->dlpi_name[0])
        return 0;
    const char* base = std::strrchr(info->dlpi_name, '/');
    base = base ? base + 1 : info->dlpi_name;
    if (*find->file == base) {
        find->path = info->dlpi_name;
        return 1;
    }
    return 0;
}

} // namespace

std::string SharedObjectName(const char* moduleName)
{
    std::string name = moduleName ? moduleName : "";
    const std::string::size_type slash = name.find_last_of("/\\");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    if (EndsWithIgnoringCase(name, ".dll"))
        name.resize(name.size() - 4);
    return "lib" + name + ".so";
}

void* GetModuleHandleA(const char* moduleName)
{
    if (!moduleName || !moduleName[0])
        return nullptr;
    const std::string file = SharedObjectName(moduleName);
    // The loader knows the object by the name it was loaded with or its
    // SONAME; an object loaded by path is found by its file name.
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle) {
        FindByFile find{&file, std::string()};
        if (dl_iterate_phdr(MatchLoaded, &find) && !find.path.empty())
            handle = dlopen(find.path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    }
    if (handle) {
        // No reference is kept: the object stays loaded as long as its loader
        // keeps it, as a module handle does.
        dlclose(handle);
    }
    return handle;
}

void* GetProcAddress(void* module, const char* name)
{
    if (!name)
        return nullptr;
    {
        Lookups& lookups = TheLookups();
        std::lock_guard<std::mutex> guard(lookups.lock);
        ++lookups.total;
        ++lookups.byName[name];
    }
    if (!module)
        return nullptr;
    return dlsym(module, fmapi::EscapedSymbolName(name).c_str());
}

std::size_t LookupCount()
{
    Lookups& lookups = TheLookups();
    std::lock_guard<std::mutex> guard(lookups.lock);
    return lookups.total;
}

std::size_t LookupCount(const char* name)
{
    Lookups& lookups = TheLookups();
    std::lock_guard<std::mutex> guard(lookups.lock);
    auto it = lookups.byName.find(name ? name : "");
    return it == lookups.byName.end() ? 0 : it->second;
}

} // namespace win32
