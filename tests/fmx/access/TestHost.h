// Test helpers for the host-access layer: the host plug-in object and access
// manager as initialisation builds them, the host's internal modules, temporary
// folders, and running this test program again under another file name (so
// that the plug-in file and its folder are the test's own).
#pragma once

#include <dlfcn.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "fmapi/call_record.h"
#include "fmx/AccessMgr.h"
#include "fmx/IdleTaskMgr.h"
#include "fmx/Plugin.h"
#include "fmx/TextMgr.h"

namespace pvtest {

// The host plug-in object at an API level and the access, text and idle-task
// managers built from a call record with the given callbacks. The test
// program is the module.
class HostEnv {
public:
    explicit HostEnv(std::int16_t apiLevel, std::uint8_t appType = 1,
                     const fmapi::HostCallback* callbacks = nullptr)
    {
        fmapi::CallRecord record{};
        if (callbacks)
            for (int i = 0; i < fmapi::kHostCallbackCount; ++i)
                record.callbacks[i] = callbacks[i];
        fmx::Plugin& plugin = fmx::Plugin::Create(apiLevel, appType, u"Pro 11.0v4", std::uint8_t(1),
                                                  std::uint16_t(0), nullptr);
        plugin.AddManager(&fmx::AccessMgr::Create(&record));
        plugin.AddManager(&fmx::Singleton<fmx::TextMgr>::Create(&record));
        plugin.AddManager(&fmx::IdleTaskMgr::Create(&record));
    }
    ~HostEnv() { fmx::Plugin::DestroyInstance(); }
    HostEnv(const HostEnv&) = delete;
    HostEnv& operator=(const HostEnv&) = delete;
};

inline std::string ModulePath(const std::string& name) { return std::string(PV_BIN_DIR) + "/lib" + name + ".so"; }

// Loads one of the host's modules as the host does and configures it for
// `apiLevel`. Non-strict modules count a call for another level as a fault
// instead of stopping the program.
inline void* LoadHostModule(const std::string& name, std::int32_t apiLevel, bool strict = true)
{
    void* handle = dlopen(ModulePath(name).c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (!handle)
        throw std::runtime_error(std::string("cannot load ") + name + ": " + dlerror());
    reinterpret_cast<void (*)(std::int32_t)>(dlsym(handle, "PVEngine_Configure"))(apiLevel);
    reinterpret_cast<void (*)(std::int32_t)>(dlsym(handle, "PVEngine_SetStrict"))(strict ? 1 : 0);
    return handle;
}

inline std::int32_t FaultCount(void* module)
{
    return reinterpret_cast<std::int32_t (*)()>(dlsym(module, "PVEngine_FaultCount"))();
}

inline std::string LastFault(void* module)
{
    return reinterpret_cast<const char* (*)()>(dlsym(module, "PVEngine_LastFault"))();
}

inline int RemoveEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return remove(path);
}

// Temporary folders made by this process, removed with their contents when
// it ends.
inline std::vector<std::string>& TempFolders()
{
    static std::vector<std::string> folders;
    static const bool cleanup = [] {
        std::atexit([] {
            for (const std::string& folder : TempFolders())
                nftw(folder.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
        });
        return true;
    }();
    (void)cleanup;
    return folders;
}

// A new empty folder under the system's temporary folder.
inline std::string MakeTempFolder()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && base[0] == '/' ? base : "/tmp") + "/pvtest.XXXXXX";
    if (!mkdtemp(&pattern[0]))
        throw std::runtime_error("mkdtemp failed");
    TempFolders().push_back(pattern);
    return pattern;
}

inline bool IsFolder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

inline bool IsFile(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(path));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

inline void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// Set in a program started by RunCopyAs: the folder it runs from.
constexpr const char* kChildFolderVariable = "PVTEST_CHILD_FOLDER";

inline const char* ChildFolder() { return std::getenv(kChildFolderVariable); }

// Copies this test program into `folder` as `fileName` and runs the one test
// `test` there; answers the exit status (0 when the test passed).
inline int RunCopyAs(const std::string& folder, const std::string& fileName, const std::string& test)
{
    const std::string copy = folder + "/" + fileName;
    {
        std::ifstream in("/proc/self/exe", std::ios::binary);
        std::ofstream out(copy, std::ios::binary | std::ios::trunc);
        out << in.rdbuf();
        if (!out)
            return -1;
    }
    chmod(copy.c_str(), 0755);
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        setenv(kChildFolderVariable, folder.c_str(), 1);
        // The copy finds its libraries where the original does.
        std::string libraries = PV_BIN_DIR;
        if (const char* old = std::getenv("LD_LIBRARY_PATH"))
            libraries = libraries + ":" + old;
        setenv("LD_LIBRARY_PATH", libraries.c_str(), 1);
        const std::string filter = "--gtest_filter=" + test;
        execl(copy.c_str(), copy.c_str(), filter.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace pvtest
