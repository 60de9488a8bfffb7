#include "EngineModules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace fmhost {

std::int32_t HostApiLevel(std::int32_t extnVersion, const std::string& hostVersion)
{
    std::int32_t level = extnVersion;
    auto has = [&](const char* s) { return hostVersion.find(s) != std::string::npos; };
    if (level == 51) {
        if (has("8.5"))
            level = 52;
        if (has("9.0"))
            level = 53;
        if (has("10.0"))
            level = 54;
    } else if (level == 52 && has("11.0")) {
        level = 55;
    }
    return level;
}

std::vector<std::string> HostModuleNames(std::int32_t apiLevel)
{
    // From level 54 the user model, scripts and layouts live in FMEngine.
    if (apiLevel >= 54)
        return {"Support", "DBEngine", "FMEngine", "XDraw"};
    return {"Support", "DBEngine", "FMUserModel", "FMScript", "FMLayout", "XDraw"};
}

bool LoadHostModules(std::int32_t apiLevel, const std::string& folder, std::string& error)
{
    for (const std::string& name : HostModuleNames(apiLevel)) {
        const std::string path = folder + "/lib" + name + ".so";
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
        if (!handle) {
            const char* why = dlerror();
            error = "cannot load host module " + path + ": " + (why ? why : "unknown error");
            return false;
        }
        using Configure = void (*)(std::int32_t);
        auto configure = reinterpret_cast<Configure>(dlsym(handle, "PVEngine_Configure"));
        if (!configure) {
            error = "host module " + path + " has no PVEngine_Configure";
            return false;
        }
        configure(apiLevel);
    }
    return true;
}

bool LoadHostModules(std::int32_t apiLevel, std::string& error)
{
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0) {
        error = "cannot find the folder of the running program";
        return false;
    }
    std::string folder(buffer, static_cast<std::size_t>(n));
    const std::string::size_type slash = folder.rfind('/');
    folder.resize(slash == std::string::npos ? 0 : slash);
    return LoadHostModules(apiLevel, folder.empty() ? "/" : folder, error);
}

} // namespace fmhost
