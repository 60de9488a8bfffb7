#include "macos/PlatSymFinder.h"

#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>

#include "fmapi/mac_frameworks.h"
#include "platform/dyld/dyld.h"

namespace {

constexpr CFIndex kPathRoom = 1024;
constexpr std::size_t kNameRoom = 255;
constexpr char kFrameworkSuffix[] = ".framework";
constexpr char kImageFolder[] = "/Versions/A/";

// Lookup counts for tests; the finder itself runs on the host's thread.
struct Counts {
    std::mutex mutex;
    std::map<std::string, std::size_t> lookups;
    std::size_t searches = 0;
};

Counts& TheCounts()
{
    static Counts& counts = *new Counts;
    return counts;
}

template <class T>
void Release(T object)
{
    if (object)
        CFRelease(object);
}

} // namespace

const char* const PlatSymFinder::kCallbackFramework = reinterpret_cast<const char*>(~std::uintptr_t(0));

bool PlatSymFinder::FrameworkKey::operator<(const FrameworkKey& other) const
{
    const int order = std::memcmp(bytes, other.bytes, length < other.length ? length : other.length);
    return order != 0 ? order < 0 : length < other.length;
}

PlatSymFinder::PlatSymFinder(const fmapi::CallRecord* record)
{
    // The host application's bundle URL with its private frameworks' path.
    if (CFBundleRef main = CFBundleGetMainBundle()) {
        if (CFURLRef bundleURL = CFBundleCopyBundleURL(main)) {
            if (CFURLRef frameworksURL = CFBundleCopyPrivateFrameworksURL(main)) {
                if (CFStringRef path = CFURLCopyPath(frameworksURL)) {
                    privateFrameworks_ =
                        CFURLCreateCopyAppendingPathComponent(kCFAllocatorDefault, bundleURL, path, false);
                    CFRelease(path);
                }
                CFRelease(frameworksURL);
            }
            CFRelease(bundleURL);
        }
    }
    if (!privateFrameworks_) {
        cache_.clear();
        throw std::runtime_error("PlatSymFinder initialization failed");
    }
    if (record)
        for (int i = 0; i < fmapi::kHostCallbackCount; ++i)
            callbacks_[i] = record->callbacks[i];
}

PlatSymFinder::~PlatSymFinder()
{
    for (auto& callback : callbacks_)
        callback = nullptr;
    Release(privateFrameworks_);
    cache_.clear();
}

CFBundleRef PlatSymFinder::FindFramework(const char* name)
{
    if (!name)
        return nullptr;
    const std::size_t length = std::strlen(name);
    // The name and ".framework" must fit in a length-prefixed text.
    if (length + sizeof kFrameworkSuffix - 1 > kNameRoom)
        return nullptr;
    FrameworkKey key;
    key.length = static_cast<unsigned char>(length);
    std::memcpy(key.bytes, name, length);
    const auto cached = cache_.find(key);
    if (cached != cache_.end())
        return cached->second;

    {
        Counts& counts = TheCounts();
        std::lock_guard<std::mutex> lock(counts.mutex);
        ++counts.searches;
    }
    char folder[kNameRoom + 1];
    std::memcpy(folder, name, length);
    std::memcpy(folder + length, kFrameworkSuffix, sizeof kFrameworkSuffix);
    CFStringRef wanted = CFStringCreateWithCStringNoCopy(kCFAllocatorDefault, folder, kCFStringEncodingUTF8,
                                                         kCFAllocatorNull);
    if (!wanted)
        return nullptr;
    CFBundleRef found = nullptr;
    CFArrayRef bundles = CFBundleGetAllBundles();
    const CFIndex count = bundles ? CFArrayGetCount(bundles) : 0;
    for (CFIndex i = 0; i < count && !found; ++i) {
        auto* bundle = static_cast<CFBundleRef>(const_cast<void*>(CFArrayGetValueAtIndex(bundles, i)));
        CFURLRef url = CFBundleCopyBundleURL(bundle);
        if (!url)
            continue;
        if (CFStringRef last = CFURLCopyLastPathComponent(url)) {
            if (CFStringCompare(last, wanted, kCFCompareCaseInsensitive) == kCFCompareEqualTo)
                found = bundle;
            CFRelease(last);
        }
        CFRelease(url);
    }
    CFRelease(wanted);
    if (found)
        cache_.emplace(key, found);
    return found;
}

CFBundleRef PlatSymFinder::IsFrameworkLoaded(const char* name) noexcept
{
    try {
        return FindFramework(name);
    } catch (...) {
        return nullptr;
    }
}

void* PlatSymFinder::FindSymbol(const char* framework, const char* symbol)
{
    if (!symbol)
        return nullptr;
    {
        Counts& counts = TheCounts();
        std::lock_guard<std::mutex> lock(counts.mutex);
        ++counts.lookups[symbol];
    }
    CFBundleRef bundle = FindFramework(framework);
    if (!bundle)
        return nullptr;
    CFBundleLoadExecutable(bundle);

    char image[kPathRoom];
    bool converted = false;
    if (CFURLRef url = CFBundleCopyBundleURL(bundle)) {
        if (CFURLRef absolute = CFURLCopyAbsoluteURL(url)) {
            converted = CFURLGetFileSystemRepresentation(absolute, true, reinterpret_cast<UInt8*>(image), kPathRoom);
            CFRelease(absolute);
        }
        CFRelease(url);
    }
    if (!converted)
        return nullptr;
    // The framework's library: FOLDER/Versions/A/NAME.
    const std::size_t used = std::strlen(image);
    const std::size_t folderLength = sizeof kImageFolder - 1;
    const std::size_t nameLength = std::strlen(framework);
    if (used + folderLength + nameLength + 1 > sizeof image)
        return nullptr;
    std::memcpy(image + used, kImageFolder, folderLength);
    std::memcpy(image + used + folderLength, framework, nameLength + 1);

    if (!NSIsSymbolNameDefinedWithHint(symbol, image))
        return nullptr;
    NSSymbol found = NSLookupAndBindSymbolWithHint(symbol, image);
    return found ? NSAddressOfSymbol(found) : nullptr;
}

PlatSymFinder::BoundMember PlatSymFinder::FindMemberFunction(const char* framework, const char* symbol)
{
    BoundMember member;
    if (void* address = FindSymbol(framework, symbol))
        member.function = reinterpret_cast<std::uintptr_t>(address);
    return member;
}

void* PlatSymFinder::FindDataSymbol(const char* framework, const char* symbol)
{
    return FindSymbol(framework, symbol);
}

void* PlatSymFinder::FindStaticFunction(const char* framework, const char* symbol)
{
    void* address = nullptr;
    if (framework == kCallbackFramework) {
        const auto index = reinterpret_cast<std::uintptr_t>(symbol);
        if (index < static_cast<std::uintptr_t>(fmapi::kHostCallbackCount))
            address = reinterpret_cast<void*>(callbacks_[index]);
    } else {
        address = FindSymbol(framework, symbol);
    }
    if (!address)
        throw std::runtime_error("static function loading failed");
    return address;
}

std::size_t PlatSymFinder::LookupCount(const char* symbol)
{
    Counts& counts = TheCounts();
    std::lock_guard<std::mutex> lock(counts.mutex);
    const auto found = counts.lookups.find(symbol ? symbol : "");
    return found == counts.lookups.end() ? 0 : found->second;
}

std::size_t PlatSymFinder::FrameworkSearchCount()
{
    Counts& counts = TheCounts();
    std::lock_guard<std::mutex> lock(counts.mutex);
    return counts.searches;
}

namespace mac {

namespace {

PlatSymFinder* g_finder = nullptr;
std::int32_t (*g_level)() = nullptr;

} // namespace

const char* HostDBModuleName(std::int32_t apiLevel)
{
    return fmapi::mac::FrameworkName(fmapi::mac::ChosenFramework(fmapi::mac::Framework::kHostDB, apiLevel));
}

const char* HostSupportModuleName(std::int32_t apiLevel)
{
    return fmapi::mac::FrameworkName(fmapi::mac::ChosenFramework(fmapi::mac::Framework::kHostSupport, apiLevel));
}

void SetBindingFinder(PlatSymFinder* finder) { g_finder = finder; }

void SetBindingLevelSource(std::int32_t (*apiLevel)()) { g_level = apiLevel; }

PlatSymFinder& BindingFinder()
{
    if (!g_finder)
        throw std::runtime_error("Bad access to fmx::Singleton<>::GetInstance");
    return *g_finder;
}

std::int32_t BindingLevel() { return g_level ? g_level() : 0; }

PlatSymFinder::BoundMember FindMemberFunction(const char* framework, const char* symbol)
{
    const PlatSymFinder::BoundMember member = BindingFinder().FindMemberFunction(framework, symbol);
    if (!member.function)
        throw std::runtime_error("member function is not found");
    return member;
}

void* FindFunction(const char* framework, const char* symbol)
{
    return BindingFinder().FindStaticFunction(framework, symbol);
}

void* FindDataSymbol(const char* framework, const char* symbol)
{
    void* address = BindingFinder().FindDataSymbol(framework, symbol);
    if (!address)
        throw std::runtime_error("data symbol is not found");
    return address;
}

} // namespace mac
