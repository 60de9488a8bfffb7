#include "macos/CFText.h"

#include <textconv>

#include <map>
#include <new>
#include <stdexcept>

namespace mac {

namespace {

// Keys compare by address: the texts are constants of the program.
typedef std::map<const char*, CFStringRef> Cache;
Cache* g_cache = nullptr;

} // namespace

void CFStringCache::Create()
{
    if (!g_cache)
        g_cache = new Cache;
}

void CFStringCache::Destroy()
{
    Cache* cache = g_cache;
    g_cache = nullptr;
    if (!cache)
        return;
    for (const auto& entry : *cache)
        CFRelease(entry.second);
    delete cache;
}

bool CFStringCache::Exists() { return g_cache != nullptr; }

CFStringRef CFStringCache::Get(const char* text)
{
    Create();
    const auto found = g_cache->find(text);
    if (found != g_cache->end())
        return found->second;
    CFStringRef string =
        CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(text),
                                static_cast<CFIndex>(UnitsUntilZero(text)), kCFStringEncodingUTF8, false);
    if (!string)
        return nullptr;
    try {
        g_cache->emplace(text, string);
    } catch (...) {
        CFRelease(string);
        throw;
    }
    return string;
}

std::size_t ToUtf16(CFStringRef string, std::basic_buffer<char16_t>& target)
{
    if (!string)
        return 0;
    const CFIndex length = CFStringGetLength(string);
    if (length <= 0)
        return 0;
    target.resize(static_cast<std::size_t>(length));
    CFStringGetCharacters(string, CFRangeMake(0, length), reinterpret_cast<UniChar*>(target.data()));
    return static_cast<std::size_t>(length);
}

std::size_t ToUtf8(CFStringRef string, std::basic_buffer<char>& target)
{
    if (!string)
        return 0;
    const CFRange all = CFRangeMake(0, CFStringGetLength(string));
    CFIndex bytes = 0;
    CFStringGetBytes(string, all, kCFStringEncodingUTF8, 0, false, nullptr, 0x7FFFFFFF, &bytes);
    target.resize(static_cast<std::size_t>(bytes));
    CFIndex used = 0;
    CFStringGetBytes(string, all, kCFStringEncodingUTF8, 0, false, reinterpret_cast<UInt8*>(target.data()),
                     bytes, &used);
    target.resize(static_cast<std::size_t>(used));
    return static_cast<std::size_t>(used);
}

bool ToWide(CFStringRef string, std::basic_buffer<wchar_t>& target)
{
    std::auto_buffer<char16_t, 256> units;
    if (ToUtf16(string, units) == 0)
        return false;
    Utf16ToUtf32(target, units.data(), units.size(), false);
    return true;
}

namespace {

// Releases a string when it goes.
class Owned {
public:
    explicit Owned(CFTypeRef object) : object_(object) {}
    ~Owned()
    {
        if (object_)
            CFRelease(object_);
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

private:
    CFTypeRef object_;
};

// The transformed copy of `source` in `encoding`, appended to or in place of
// the target's contents.
template <class C>
void Transform(CFStringTransform transform, std::basic_buffer<C>& target, CFStringRef source,
               CFStringEncoding encoding, bool append)
{
    if (!source)
        throw std::bad_alloc();
    CFMutableStringRef copy = CFStringCreateMutableCopy(kCFAllocatorDefault, 0, source);
    CFRelease(source);
    if (!copy)
        throw std::bad_alloc();
    Owned owned(copy);
    transform(copy, nullptr);
    const CFIndex length = CFStringGetLength(copy);
    CFIndex bytes = 0;
    const CFIndex converted =
        CFStringGetBytes(copy, CFRangeMake(0, length), encoding, 0, false, nullptr, 0, &bytes);
    if (converted < length)
        throw std::runtime_error("cannot convert CFString to utf8!!!");
    const std::size_t start = append ? target.size() : 0;
    const std::size_t units = static_cast<std::size_t>(bytes) / sizeof(C);
    target.resize(start + units);
    CFIndex used = 0;
    CFStringGetBytes(copy, CFRangeMake(0, length), encoding, 0, false,
                     reinterpret_cast<UInt8*>(target.data() + start), bytes, &used);
    target.resize(start + static_cast<std::size_t>(used) / sizeof(C));
}

} // namespace

void CFStringToUtf8(CFStringTransform transform, std::basic_buffer<char>& target, const char* source,
                    bool append)
{
    CFStringRef string = source ? CFStringCreateWithCStringNoCopy(kCFAllocatorDefault, source,
                                                                  kCFStringEncodingUTF8, kCFAllocatorNull)
                                : nullptr;
    Transform(transform, target, string, kCFStringEncodingUTF8, append);
}

void CFStringToUtf8(CFStringTransform transform, std::basic_buffer<char16_t>& target,
                    const char16_t* source, bool append)
{
    CFStringRef string =
        source ? CFStringCreateWithCharacters(kCFAllocatorDefault, reinterpret_cast<const UniChar*>(source),
                                              static_cast<CFIndex>(UnitsUntilZero(source)))
               : nullptr;
    Transform(transform, target, string, kCFStringEncodingUnicode, append);
}

} // namespace mac
