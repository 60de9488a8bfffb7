#include "fmhost/MacHost.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "fmapi/fm_api.h"
#include "platform/corefoundation/CoreFoundation.h"
#include "platform/corefoundation/SystemSetup.h"
#include "world/World.h"

namespace fmhost {
namespace {

std::string RealPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

bool IsFolder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Folder(const std::string& path)
{
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The file of the interface library this process runs with.
std::string InterfaceLibrary()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&FM_Text_Constructor1), &info) || !info.dli_fname)
        return std::string();
    return RealPath(info.dli_fname);
}

CFBundleRef BundleAt(const std::string& path)
{
    CFStringRef text = CFStringCreateWithCString(kCFAllocatorDefault, path.c_str(), kCFStringEncodingUTF8);
    if (!text)
        return nullptr;
    CFURLRef url = CFURLCreateWithFileSystemPath(kCFAllocatorDefault, text, kCFURLPOSIXPathStyle, true);
    CFRelease(text);
    CFBundleRef bundle = url ? CFBundleCreate(kCFAllocatorDefault, url) : nullptr;
    if (url)
        CFRelease(url);
    return bundle;
}

void* FunctionOf(CFBundleRef bundle, const char* name)
{
    CFStringRef text = CFStringCreateWithCString(kCFAllocatorDefault, name, kCFStringEncodingUTF8);
    void* function = CFBundleGetFunctionPointerForName(bundle, text);
    CFRelease(text);
    return function;
}

} // namespace

bool IsPluginBundle(const std::string& path) { return IsFolder(path); }

std::string HostApplicationFolder(std::string& error)
{
    const std::string library = InterfaceLibrary();
    if (library.empty()) {
        error = "cannot find the interface library this program runs with";
        return std::string();
    }
    const std::string application = Folder(library) + "/FMHost.app";
    if (!IsFolder(application)) {
        error = "there is no host application folder " + application + " beside the interface library";
        return std::string();
    }
    return application;
}

std::vector<std::string> MacFrameworkNames(std::int32_t apiLevel)
{
    // From level 51 the database and support classes have frameworks of their own.
    if (apiLevel >= 51)
        return {"MSLRuntime", "Support", "FMEngine", "DBEngine", "FMWrapper"};
    return {"MSLRuntime", "FMEngine", "FMWrapper"};
}

bool LoadMacHost(std::int32_t apiLevel, const std::string& application, std::string& error)
{
    if (!macsetup::SetMainBundle(application)) {
        error = "the host application folder " + application + " does not exist";
        return false;
    }
    const std::string frameworks = application + "/Contents/Frameworks/";
    const std::string wrapper = RealPath(frameworks + "FMWrapper.framework/Versions/A/FMWrapper");
    if (wrapper.empty() || wrapper != InterfaceLibrary()) {
        error = "the interface framework of " + application + " is not the interface library this program runs with";
        return false;
    }
    hostworld::World::Get().SetApiLevel(apiLevel);
    for (const std::string& name : MacFrameworkNames(apiLevel)) {
        const std::string folder = frameworks + name + ".framework";
        CFBundleRef bundle = BundleAt(folder);
        if (!bundle || !CFBundleLoadExecutable(bundle)) {
            error = "cannot load the host framework " + folder;
            return false;
        }
        if (name == "FMWrapper")
            continue;
        using Configure = void (*)(std::int32_t);
        auto configure = reinterpret_cast<Configure>(FunctionOf(bundle, "PVFramework_Configure"));
        if (!configure) {
            error = "the host framework " + folder + " has no PVFramework_Configure";
            return false;
        }
        configure(apiLevel);
    }
    return true;
}

bool IsMacSystem(const std::string& version) { return version == "10.4" || version == "10.5"; }

void SetMacSystem(const std::string& version)
{
    if (version == "10.4")
        macsetup::SetSystemVersion(10, 4, 11);
    else
        macsetup::SetSystemVersion(10, 5, 8);
}

bool SetUpMacFiles(const std::string& home, const std::vector<std::pair<std::string, std::string>>& volumes,
                   std::string& error)
{
    auto absolute = [&](const std::string& folder, std::string& out) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        out = RealPath(folder);
        if (out.empty())
            error = "cannot make the folder " + folder;
        return !out.empty();
    };
    std::string path;
    if (!home.empty()) {
        if (!absolute(home, path))
            return false;
        setenv("HOME", path.c_str(), 1);
    }
    for (const auto& [name, folder] : volumes) {
        if (!absolute(folder, path))
            return false;
        if (!macsetup::MountVolume(name, path)) {
            error = "cannot mount the volume " + name + " (a name taken or the start-up volume's)";
            return false;
        }
    }
    return true;
}

bool PlaceMacFile(const std::string& location)
{
    static const std::string kPrefix = "filemac:/";
    if (location.compare(0, kPrefix.size(), kPrefix) != 0)
        return false;
    // Components between the slashes, each decoded; the last is the file.
    std::vector<std::string> parts;
    std::string part;
    for (std::size_t i = kPrefix.size(); i <= location.size(); ++i) {
        const char c = i < location.size() ? location[i] : '/';
        if (c == '/') {
            parts.push_back(part);
            part.clear();
        } else if (c == '%' && i + 2 < location.size() && std::isxdigit(static_cast<unsigned char>(location[i + 1])) &&
                   std::isxdigit(static_cast<unsigned char>(location[i + 2]))) {
            const char byte = static_cast<char>(std::stoi(location.substr(i + 1, 2), nullptr, 16));
            part += byte;
            i += 2;
        } else {
            part += c;
        }
    }
    if (parts.size() < 2 || parts.back().empty())
        return false;
    for (const std::string& p : parts)
        if (p.empty() || p == "." || p == ".." || p.find('\0') != std::string::npos)
            return false;
    const std::vector<macsetup::Volume> volumes = macsetup::Volumes();
    // The first is the start-up volume, over the machine's own root.
    for (std::size_t v = 1; v < volumes.size(); ++v) {
        if (volumes[v].name != parts.front())
            continue;
        std::filesystem::path file = volumes[v].folder;
        for (std::size_t k = 1; k < parts.size(); ++k) {
            std::string name = parts[k];
            std::replace(name.begin(), name.end(), '/', ':');
            file /= name;
        }
        std::error_code ec;
        std::filesystem::create_directories(file.parent_path(), ec);
        if (ec)
            return false;
        if (!std::filesystem::exists(file, ec))
            std::ofstream(file).flush();
        return std::filesystem::is_regular_file(file, ec);
    }
    return false;
}

bool LoadPluginBundle(const std::string& path, void** bundle, FMExternCallProcPtr* entry, std::string& error)
{
    CFBundleRef plugin = BundleAt(path);
    if (!plugin) {
        error = "cannot load the plug-in bundle " + path + ": it is no folder";
        return false;
    }
    if (!CFBundleLoadExecutable(plugin)) {
        error = "cannot load the plug-in bundle " + path + ": its executable does not load";
        return false;
    }
    *entry = reinterpret_cast<FMExternCallProcPtr>(FunctionOf(plugin, "FMExternCallProc"));
    if (!*entry) {
        error = "the plug-in bundle " + path + " has no entry point FMExternCallProc";
        return false;
    }
    *bundle = plugin;
    return true;
}

} // namespace fmhost
