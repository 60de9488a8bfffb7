#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

#include "platform/corefoundation/Files.h"
#include "platform/corefoundation/Internal.h"
#include "platform/corefoundation/State.h"
#include "platform/corefoundation/SystemSetup.h"
#include "platform/corefoundation/URL.h"

namespace {

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

struct CFBundleObject : CFObject {
    CFBundleObject(std::string system, std::string host)
        : CFObject(pvcf::kBundleType), systemPath(std::move(system)), hostPath(std::move(host)) {
        application = IsFolder(hostPath + "/Contents");
        if (application) {
            contents = "Contents/";
            resources = "Contents/Resources";
        } else {
            for (const char* r : {"Resources", "Versions/Current/Resources", "Versions/A/Resources"}) {
                if (IsFolder(hostPath + "/" + r)) {
                    resources = r;
                    break;
                }
            }
            if (resources.empty()) {
                resources = "Resources";
            }
        }
    }
    ~CFBundleObject() override {
        if (info != nullptr) {
            CFRelease(info);
        }
    }

    // Info.plist, read once; the caller holds the mutex.
    CFDictionaryRef Info() {
        if (info == nullptr) {
            const std::string plist = application ? hostPath + "/Contents/Info.plist"
                                                  : hostPath + "/" + resources + "/Info.plist";
            std::string xml;
            if (pvcf::ReadFile(plist, pvcf::kInfoPlistLimit, xml)) {
                info = pvcf::ParsePropertyList(xml);
            }
            if (info == nullptr) {
                info = CFDictionaryCreate(nullptr, nullptr, nullptr, 0,
                                          &kCFTypeDictionaryKeyCallBacks,
                                          &kCFTypeDictionaryValueCallBacks);
            }
        }
        return info;
    }

    std::string InfoString(const char* key) {
        CFStringRef k = pvcf::NewStringFromUtf8(key);
        CFTypeRef v = CFDictionaryGetValue(Info(), k);
        CFRelease(k);
        if (v == nullptr || CFGetTypeID(v) != CFStringGetTypeID()) {
            return {};
        }
        return pvcf::Utf8(static_cast<CFStringRef>(v));
    }

    std::string ExecutableName() {
        std::string name = InfoString("CFBundleExecutable");
        if (name.empty() && !application) {
            name = systemPath.substr(systemPath.rfind('/') + 1);
            const std::size_t dot = name.rfind('.');
            if (dot != std::string::npos && dot > 0) {
                name.erase(dot);
            }
        }
        return name;
    }

    // The executable's path inside the bundle ("" when there is none).
    std::string ExecutableRelative() {
        const std::string name = ExecutableName();
        if (name.empty() || name.find('/') != std::string::npos) {
            return {};
        }
        if (application) {
            const std::string rel = "Contents/MacOS/" + name;
            return IsFile(hostPath + "/" + rel) ? rel : std::string();
        }
        for (const std::string& rel :
             {"Versions/Current/" + name, "Versions/A/" + name, name}) {
            if (IsFile(hostPath + "/" + rel)) {
                return rel;
            }
        }
        return {};
    }

    const std::map<std::u16string, std::u16string>* Table(const std::string& file) {
        auto found = tables.find(file);
        if (found == tables.end()) {
            std::string bytes;
            std::map<std::u16string, std::u16string> table;
            const bool ok = pvcf::ReadFile(file, pvcf::kStringsTableLimit, bytes) &&
                            pvcf::ParseStringsTable(bytes, table);
            found = tables.emplace(file, std::make_pair(ok, std::move(table))).first;
        }
        return found->second.first ? &found->second.second : nullptr;
    }

    const std::string systemPath;  // as the system names it, no final "/"
    const std::string hostPath;    // in the file system
    bool application = false;      // NAME/Contents/... rather than a framework
    std::string contents;          // "Contents/" or ""
    std::string resources;         // relative to the bundle
    CFDictionaryRef info = nullptr;
    void* handle = nullptr;        // the loaded executable
    std::map<std::string, std::pair<bool, std::map<std::u16string, std::u16string>>> tables;
};

namespace {

struct Registry {
    std::recursive_mutex mutex;
    std::vector<CFBundleObject*> bundles;  // one reference each, never given up
    CFBundleObject* main = nullptr;
    CFArrayRef all = nullptr;
    std::vector<CFArrayRef> retired;  // earlier answers of CFBundleGetAllBundles stay valid
};

Registry& TheRegistry() {
    static Registry& registry = *new Registry;
    return registry;
}

CFBundleObject* Bundle(CFBundleRef ref, const char* function) {
    return pvcf::As<CFBundleObject>(ref, pvcf::kBundleType, function);
}

std::string WithoutFinalSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// The bundle of a folder, known or new; null when the folder does not exist.
CFBundleObject* FindOrMake(const std::string& systemPath) {
    Registry& r = TheRegistry();
    std::lock_guard<std::recursive_mutex> lock(r.mutex);
    for (CFBundleObject* b : r.bundles) {
        if (b->systemPath == systemPath) {
            return b;
        }
    }
    const std::string host = macsetup::HostPath(systemPath);
    if (!IsFolder(host)) {
        return nullptr;
    }
    auto* bundle = new CFBundleObject(systemPath, host);
    r.bundles.push_back(bundle);
    if (r.all != nullptr) {
        r.retired.push_back(r.all);
        r.all = nullptr;
    }
    return bundle;
}

}  // namespace

namespace pvcf {

std::string BundleFolder(CFBundleRef bundle) { return Bundle(bundle, "BundleFolder")->hostPath; }

std::string BundleResourcesFolder(CFBundleRef bundle) {
    CFBundleObject* b = Bundle(bundle, "BundleResourcesFolder");
    return b->hostPath + "/" + b->resources;
}

std::string BundleExecutableName(CFBundleRef bundle) {
    CFBundleObject* b = Bundle(bundle, "BundleExecutableName");
    std::lock_guard<std::recursive_mutex> lock(TheRegistry().mutex);
    return b->ExecutableName();
}

}  // namespace pvcf

extern "C" {

CFTypeID CFBundleGetTypeID(void) { return pvcf::kBundleType; }

CFBundleRef CFBundleCreate(CFAllocatorRef, CFURLRef bundleURL) {
    const std::string path = WithoutFinalSlash(pvcf::URL(bundleURL, "CFBundleCreate")->Absolute());
    if (macsetup::ShouldFail("CFBundleCreate")) {
        return nullptr;
    }
    CFBundleObject* bundle = FindOrMake(path);
    if (bundle != nullptr) {
        CFRetain(bundle);
    }
    return bundle;
}

CFBundleRef CFBundleGetMainBundle(void) {
    Registry& r = TheRegistry();
    std::lock_guard<std::recursive_mutex> lock(r.mutex);
    return r.main;
}

CFArrayRef CFBundleGetAllBundles(void) {
    Registry& r = TheRegistry();
    std::lock_guard<std::recursive_mutex> lock(r.mutex);
    if (r.all == nullptr) {
        std::vector<const void*> values;
        if (r.main != nullptr) {
            values.push_back(r.main);
        }
        for (CFBundleObject* b : r.bundles) {
            if (b != r.main) {
                values.push_back(b);
            }
        }
        r.all = CFArrayCreate(nullptr, values.data(), static_cast<CFIndex>(values.size()),
                              &kCFTypeArrayCallBacks);
    }
    return r.all;
}

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle) {
    CFBundleObject* b = Bundle(bundle, "CFBundleCopyBundleURL");
    if (macsetup::ShouldFail("CFBundleCopyBundleURL")) {
        return nullptr;
    }
    return pvcf::NewFileURL(b->systemPath, true);
}

CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle) {
    CFBundleObject* b = Bundle(bundle, "CFBundleCopyExecutableURL");
    if (macsetup::ShouldFail("CFBundleCopyExecutableURL")) {
        return nullptr;
    }
    std::lock_guard<std::recursive_mutex> lock(TheRegistry().mutex);
    const std::string rel = b->ExecutableRelative();
    if (rel.empty()) {
        return nullptr;
    }
    return pvcf::NewFileURL(b->systemPath + "/" + rel, false);
}

CFURLRef CFBundleCopyPrivateFrameworksURL(CFBundleRef bundle) {
    CFBundleObject* b = Bundle(bundle, "CFBundleCopyPrivateFrameworksURL");
    if (macsetup::ShouldFail("CFBundleCopyPrivateFrameworksURL")) {
        return nullptr;
    }
    return new CFURLObject(b->contents + "Frameworks/", pvcf::NewFileURL(b->systemPath, true));
}

CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle) {
    CFBundleObject* b = Bundle(bundle, "CFBundleGetInfoDictionary");
    std::lock_guard<std::recursive_mutex> lock(TheRegistry().mutex);
    return b->Info();
}

CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key) {
    CFBundleObject* b = Bundle(bundle, "CFBundleGetValueForInfoDictionaryKey");
    pvcf::Text(key);  // a key that is no string is a caller's error
    std::lock_guard<std::recursive_mutex> lock(TheRegistry().mutex);
    return CFDictionaryGetValue(b->Info(), key);
}

CFStringRef CFBundleCopyLocalizedString(CFBundleRef bundle, CFStringRef key, CFStringRef value,
                                        CFStringRef tableName) {
    CFBundleObject* b = Bundle(bundle, "CFBundleCopyLocalizedString");
    const std::u16string& wanted = pvcf::Text(key);
    const std::string table =
        (tableName != nullptr && CFStringGetLength(tableName) > 0 ? pvcf::Utf8(tableName)
                                                                  : std::string("Localizable")) +
        ".strings";
    std::vector<std::string> folders;
    for (const std::string& l : macsetup::GetPreferredLocalizations()) {
        folders.push_back(l + ".lproj/");
    }
    {
        std::lock_guard<std::recursive_mutex> lock(TheRegistry().mutex);
        const std::string region = b->InfoString("CFBundleDevelopmentRegion");
        if (!region.empty()) {
            folders.push_back(region + ".lproj/");
        }
        folders.push_back("Base.lproj/");
        folders.push_back("");
        const std::string resources = b->hostPath + "/" + b->resources + "/";
        for (const std::string& folder : folders) {
            const auto* strings = b->Table(resources + folder + table);
            if (strings == nullptr) {
                continue;
            }
            const auto found = strings->find(wanted);
            if (found != strings->end()) {
                return pvcf::NewString(found->second);
            }
        }
    }
    CFStringRef answer = value != nullptr && CFStringGetLength(value) > 0 ? value : key;
    return static_cast<CFStringRef>(CFRetain(answer));
}

Boolean CFBundleLoadExecutable(CFBundleRef bundle) {
    CFBundleObject* b = Bundle(bundle, "CFBundleLoadExecutable");
    if (macsetup::ShouldFail("CFBundleLoadExecutable")) {
        return false;
    }
    std::lock_guard<std::recursive_mutex> lock(TheRegistry().mutex);
    if (b->handle != nullptr) {
        return true;
    }
    const std::string rel = b->ExecutableRelative();
    if (rel.empty()) {
        return false;
    }
    // A damaged file must be refused here: the loader maps it as it is, and a
    // segment past the file's end faults when first touched.
    const std::string path = b->hostPath + "/" + rel;
    std::string why;
    if (!pvcf::IsWholeSharedObject(path, why)) {
        std::fprintf(stderr, "CFBundleLoadExecutable: %s: %s\n", path.c_str(), why.c_str());
        return false;
    }
    b->handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (b->handle == nullptr) {
        std::fprintf(stderr, "CFBundleLoadExecutable: %s\n", dlerror());
        return false;
    }
    return true;
}

Boolean CFBundleIsExecutableLoaded(CFBundleRef bundle) {
    CFBundleObject* b = Bundle(bundle, "CFBundleIsExecutableLoaded");
    std::lock_guard<std::recursive_mutex> lock(TheRegistry().mutex);
    return b->handle != nullptr;
}

void* CFBundleGetFunctionPointerForName(CFBundleRef bundle, CFStringRef functionName) {
    CFBundleObject* b = Bundle(bundle, "CFBundleGetFunctionPointerForName");
    const std::string name = pvcf::Utf8(functionName);
    if (!CFBundleLoadExecutable(bundle)) {
        return nullptr;
    }
    std::lock_guard<std::recursive_mutex> lock(TheRegistry().mutex);
    return dlsym(b->handle, name.c_str());
}

}  // extern "C"

namespace macsetup {

bool SetMainBundle(const std::string& path) {
    Registry& r = TheRegistry();
    std::lock_guard<std::recursive_mutex> lock(r.mutex);
    CFBundleObject* main = nullptr;
    if (!path.empty()) {
        std::string absolute = path;
        if (absolute[0] != '/') {
            char* cwd = getcwd(nullptr, 0);
            absolute = std::string(cwd != nullptr ? cwd : "") + "/" + path;
            std::free(cwd);
        }
        CFURLRef url = pvcf::NewFileURL(absolute, true);
        main = FindOrMake(WithoutFinalSlash(pvcf::URL(url, "SetMainBundle")->Absolute()));
        CFRelease(url);
    }
    if (r.main != main) {
        r.main = main;
        if (r.all != nullptr) {
            r.retired.push_back(r.all);
            r.all = nullptr;
        }
    }
    return path.empty() || main != nullptr;
}

}  // namespace macsetup
