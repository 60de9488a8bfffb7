// The host plug-in object's macOS bodies: its strings from the bundle's
// "Localizable" table, its version from Info.plist, its resource file, and
// initialisation under that resource file.
#include "fmx/Plugin.h"

#include <textconv>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "macos/CFText.h"
#include "macos/ResFileGuard.h"

namespace fmx {

namespace {

constexpr ResType kStringListType = FourCC("STR#");
constexpr ResID kFunctionNames = 144;
// Info.plist texts are read into this much.
constexpr CFIndex kInfoTextRoom = 256;

CFBundleRef BundleOrPlugin(CFBundleRef bundle)
{
    if (bundle)
        return bundle;
    return Plugin::Exists() ? static_cast<CFBundleRef>(Plugin::GetModule()) : nullptr;
}

// The localized string of an id, or null; the caller releases it.
CFStringRef CopyLocalized(std::int32_t id, CFBundleRef bundle)
{
    bundle = BundleOrPlugin(bundle);
    if (!bundle)
        return nullptr;
    CFStringRef format = mac::CFStringCache::Get("%d");
    CFStringRef table = mac::CFStringCache::Get("Localizable");
    if (!format || !table)
        return nullptr;
    CFStringRef key = CFStringCreateWithFormat(kCFAllocatorDefault, nullptr, format, static_cast<int>(id));
    if (!key)
        return nullptr;
    CFStringRef found = CFBundleCopyLocalizedString(bundle, key, key, table);
    // The key itself back means that the table has no such id; the
    // reference it carries is released with the key's own.
    if (found == key) {
        CFRelease(found);
        found = nullptr;
    }
    CFRelease(key);
    return found;
}

class Released {
public:
    explicit Released(CFTypeRef object) : object_(object) {}
    ~Released()
    {
        if (object_)
            CFRelease(object_);
    }
    Released(const Released&) = delete;
    Released& operator=(const Released&) = delete;

private:
    CFTypeRef object_;
};

template <class C, class Convert>
std::size_t CopyInto(std::int32_t id, C* target, std::size_t capacity, CFBundleRef bundle, Convert convert)
{
    std::auto_buffer<C, 256> text;
    const std::size_t length = convert(id, text, bundle);
    if (length > 0 && length <= capacity && target)
        std::memcpy(target, text.data(), length * sizeof(C));
    return length;
}

// The UTF-8 text of an Info.plist string value, in at most 256 bytes.
bool InfoText(CFBundleRef bundle, const char* key, char (&text)[kInfoTextRoom])
{
    CFStringRef name = mac::CFStringCache::Get(key);
    if (!name)
        return false;
    CFTypeRef value = CFBundleGetValueForInfoDictionaryKey(bundle, name);
    if (!value || CFGetTypeID(value) != CFStringGetTypeID())
        return false;
    return CFStringGetCString(static_cast<CFStringRef>(value), text, sizeof text, kCFStringEncodingUTF8);
}

// One "%d" conversion as the runtime's scanner reads it, checked: blanks,
// a sign and digits; false for no digits or a value outside 0 to 65535.
bool ScanNumber(const char*& at, std::uint16_t& value)
{
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(at, &end, 10);
    if (end == at || errno == ERANGE || number < 0 || number > 0xFFFF)
        return false;
    at = end;
    value = static_cast<std::uint16_t>(number);
    return true;
}

// "%d.%d.%d": exactly three numbers.
bool ScanVersion(const char* text, std::uint16_t (&numbers)[3])
{
    const char* at = text;
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && *at++ != '.')
            return false;
        if (!ScanNumber(at, numbers[i]))
            return false;
    }
    return true;
}

} // namespace

std::size_t Plugin::LoadString(std::int32_t id, std::basic_buffer<char16_t>& target, CFBundleRef bundle)
{
    CFStringRef found = CopyLocalized(id, bundle);
    const Released release(found);
    return mac::ToUtf16(found, target);
}

std::size_t Plugin::LoadString(std::int32_t id, std::basic_buffer<char>& target, CFBundleRef bundle)
{
    CFStringRef found = CopyLocalized(id, bundle);
    const Released release(found);
    return mac::ToUtf8(found, target);
}

bool Plugin::LoadString(std::int32_t id, std::basic_buffer<wchar_t>& target, CFBundleRef bundle)
{
    CFStringRef found = CopyLocalized(id, bundle);
    const Released release(found);
    return mac::ToWide(found, target);
}

std::size_t Plugin::LoadString(std::int32_t id, char16_t* target, std::size_t capacity, CFBundleRef bundle)
{
    return CopyInto(id, target, capacity, bundle, [](std::int32_t i, std::basic_buffer<char16_t>& t, CFBundleRef b) {
        return LoadString(i, t, b);
    });
}

std::size_t Plugin::LoadString(std::int32_t id, char* target, std::size_t capacity, CFBundleRef bundle)
{
    return CopyInto(id, target, capacity, bundle, [](std::int32_t i, std::basic_buffer<char>& t, CFBundleRef b) {
        return LoadString(i, t, b);
    });
}

bool Plugin::LoadModuleString(void* instance, unsigned id, std::u16string& out)
{
    if (!instance)
        return false;
    std::auto_buffer<char16_t, 256> text;
    if (LoadString(static_cast<std::int32_t>(id), text, static_cast<CFBundleRef>(instance)) == 0)
        return false;
    out.assign(text.data(), text.size());
    return true;
}

bool Plugin::GetVersionInfo(VersionInfo& info, CFBundleRef bundle, bool givenOnly)
{
    if (!bundle && givenOnly)
        return false;
    bundle = BundleOrPlugin(bundle);
    if (!bundle)
        return false;
    info = VersionInfo();
    char text[kInfoTextRoom];
    if (InfoText(bundle, "CFBundleShortVersionString", text)) {
        std::uint16_t numbers[3] = {0, 0, 0};
        if (ScanVersion(text, numbers)) {
            info.major = numbers[0];
            info.minor = numbers[1];
            info.revision = numbers[2];
        }
        if (InfoText(bundle, "CFBundleVersion", text)) {
            const char* at = text;
            ScanNumber(at, info.build);
        }
    }
    if (InfoText(bundle, "KestrinDevStage", text)) {
        if (std::strcmp(text, "development") == 0)
            info.stage = kDevelopment;
        else if (std::strcmp(text, "alpha") == 0)
            info.stage = kAlpha;
        else if (std::strcmp(text, "beta") == 0)
            info.stage = kBeta;
        else if (std::strcmp(text, "final") == 0 || std::strcmp(text, "release") == 0)
            info.stage = kFinal;
    }
    return true;
}

bool Plugin::ReadVersion(void* instance)
{
    VersionInfo info;
    if (!GetVersionInfo(info, static_cast<CFBundleRef>(instance), true))
        return false;
    version_[0] = info.major;
    version_[1] = info.minor;
    version_[2] = info.revision;
    version_[3] = info.build;
    stage_ = info.stage;
    return true;
}

std::string Plugin::GetModuleFolder() const
{
    CFURLRef url = instance_ ? CFBundleCopyBundleURL(static_cast<CFBundleRef>(instance_)) : nullptr;
    const Released releaseUrl(url);
    CFURLRef folder = url ? CFURLCreateCopyDeletingLastPathComponent(kCFAllocatorDefault, url) : nullptr;
    const Released releaseFolder(folder);
    char path[1024];
    if (!folder || !CFURLGetFileSystemRepresentation(folder, true, reinterpret_cast<UInt8*>(path), sizeof path))
        return std::string();
    std::string text(path);
    if (text.empty() || text.back() != '/')
        text += '/';
    return text;
}

ResFileRefNum Plugin::UsePluginResFile(CFBundleRef bundle)
{
    const ResFileRefNum previous = CurResFile();
    bundle = BundleOrPlugin(bundle);
    // Opening the bundle's file makes it current; the file stays open for
    // the process, and later calls find it open.
    const ResFileRefNum own = bundle ? CFBundleOpenBundleResourceMap(bundle) : ResFileRefNum(-1);
    UseResFile(own);
    if (ResError() != noErr) {
        UseResFile(previous);
        throw std::runtime_error("Invalid parameter");
    }
    return previous;
}

std::int32_t Plugin::FindNameInStringList(const char16_t* name, CFBundleRef bundle)
{
    std::auto_buffer<char, 64> wanted;
    Utf16ToUtf8(wanted, name, kUntilZero, false);
    if (wanted.size() == 0)
        return -1;
    char* const begin = wanted.data();
    char* const end = begin + wanted.size();
    if (std::find(begin, end, '-') == end) {
        char* underscore = std::find(begin, end, '_');
        if (underscore != end)
            *underscore = '-';
    }

    const mac::ResFileGuard guard(mac::ResFileGuard::Restore{UsePluginResFile(bundle)});
    Handle list = GetResource(kStringListType, kFunctionNames);
    if (!list || !*list)
        return -1;
    const auto* bytes = reinterpret_cast<const unsigned char*>(*list);
    const std::size_t size = static_cast<std::size_t>(GetHandleSize(list));
    if (size < 2)
        return -1;
    const std::size_t count = static_cast<std::size_t>(bytes[0]) << 8 | bytes[1];
    std::size_t at = 2;
    for (std::size_t index = 0; index < count && at < size; ++index) {
        const std::size_t length = bytes[at];
        if (length > size - at - 1)
            break;
        if (length == wanted.size() && std::memcmp(bytes + at + 1, begin, length) == 0)
            return static_cast<std::int32_t>(index);
        at += 1 + length;
    }
    return -1;
}

bool Plugin::GetBundleRef(FSRef& ref, FSCatalogInfoBitmap which, FSCatalogInfo* info)
{
    CFBundleRef bundle = BundleOrPlugin(nullptr);
    CFURLRef url = bundle ? CFBundleCopyBundleURL(bundle) : nullptr;
    const Released release(url);
    return url && CFURLGetFSRef(url, &ref) &&
           FSGetCatalogInfo(&ref, which, info, nullptr, nullptr, nullptr) == noErr;
}

bool Plugin::InitPlatform(fmapi::CallRecord* record)
{
    ResFileRefNum previous = 0;
    try {
        previous = UsePluginResFile(static_cast<CFBundleRef>(record->instanceID));
    } catch (...) {
        return false;
    }
    const mac::ResFileGuard guard(mac::ResFileGuard::Restore{previous});
    try {
        StartUp(record);
        return true;
    } catch (...) {
        Singleton<Plugin>::DestroyInstance();
        return false;
    }
}

void Plugin::ReleasePlatformData() { mac::CFStringCache::Destroy(); }

} // namespace fmx
