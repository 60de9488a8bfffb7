// The comparison family and case mapping of the support library in the macOS
// flavour: comparisons by the Unicode Utilities under one process-wide lock,
// case by Core Foundation's string transforms.
#include <textconv>

#include <cassert>

#include "macos/CFText.h"
#include "macos/Locks.h"
#include "platform/carbon/Carbon.h"

namespace {

// Punctuation significant, width and composition insensitive; the second
// also ignores case.
constexpr UCCollateOptions kCaseSensitive =
    kUCCollatePunctuationSignificantMask | kUCCollateWidthInsensitiveMask | kUCCollateComposeInsensitiveMask;
constexpr UCCollateOptions kIgnoringCase = kCaseSensitive | kUCCollateCaseInsensitiveMask;
static_assert(kCaseSensitive == 0x8006 && kIgnoringCase == 0x800E, "collation options");

typedef std::auto_buffer<char16_t, 256> Utf16Text;

int CompareUtf8(const char* text1, std::size_t length1, const char* text2, std::size_t length2,
                bool caseSensitive, bool* equivalent)
{
    Utf16Text a, b;
    Utf8ToUtf16(a, text1, length1, false);
    Utf8ToUtf16(b, text2, length2, false);
    return CompareWide(a.data(), a.size(), b.data(), b.size(), caseSensitive, equivalent);
}

template <class C>
int CompareUtf32(const C* text1, std::size_t length1, const C* text2, std::size_t length2, bool caseSensitive,
                 bool* equivalent)
{
    Utf16Text a, b;
    Utf32ToUtf16(a, text1, length1, false);
    Utf32ToUtf16(b, text2, length2, false);
    return CompareWide(a.data(), a.size(), b.data(), b.size(), caseSensitive, equivalent);
}

// The 32-bit forms go through UTF-16 and back.
template <class C>
void MapCase32(std::basic_buffer<C>& target, const C* source, bool append, mac::CFStringTransform transform)
{
    Utf16Text text;
    Utf32ToUtf16(text, source, kUntilZero, false);
    text.push_back(0);
    Utf16Text mapped;
    mac::CFStringToUtf8(transform, mapped, text.data(), false);
    Utf16ToUtf32(target, mapped.data(), mapped.size(), append);
}

} // namespace

int CompareWide(const char16_t* text1, std::size_t length1, const char16_t* text2, std::size_t length2,
                bool caseSensitive, bool* equalApartFromWidth)
{
    Boolean equivalent = false;
    SInt32 order = 1;
    OSStatus status = noErr;
    {
        ScopedLock lock(mac::ComparisonLock());
        status = UCCompareTextDefault(caseSensitive ? kCaseSensitive : kIgnoringCase,
                                      reinterpret_cast<const UniChar*>(text1), length1,
                                      reinterpret_cast<const UniChar*>(text2), length2, &equivalent, &order);
    }
    assert(status == noErr);
    if (status != noErr)
        return 1;
    if (equalApartFromWidth)
        *equalApartFromWidth = equivalent != 0;
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

int CompareText(const char* text1, const char* text2, bool caseSensitive, bool* equalApartFromWidth)
{
    return CompareUtf8(text1, UnitsUntilZero(text1), text2, UnitsUntilZero(text2), caseSensitive,
                       equalApartFromWidth);
}

int CompareText(const char* text1, std::size_t length1, const char* text2, std::size_t length2,
                bool caseSensitive, bool* equalApartFromWidth)
{
    return CompareUtf8(text1, length1, text2, length2, caseSensitive, equalApartFromWidth);
}

int CompareText(const char16_t* text1, const char16_t* text2, bool caseSensitive, bool* equalApartFromWidth)
{
    return CompareWide(text1, UnitsUntilZero(text1), text2, UnitsUntilZero(text2), caseSensitive,
                       equalApartFromWidth);
}

int CompareText(const char16_t* text1, std::size_t length1, const char16_t* text2, std::size_t length2,
                bool caseSensitive, bool* equalApartFromWidth)
{
    return CompareWide(text1, length1, text2, length2, caseSensitive, equalApartFromWidth);
}

int CompareText(const wchar_t* text1, const wchar_t* text2, bool caseSensitive, bool* equalApartFromWidth)
{
    return CompareUtf32(text1, UnitsUntilZero(text1), text2, UnitsUntilZero(text2), caseSensitive,
                        equalApartFromWidth);
}

int CompareText(const wchar_t* text1, std::size_t length1, const wchar_t* text2, std::size_t length2,
                bool caseSensitive, bool* equalApartFromWidth)
{
    return CompareUtf32(text1, length1, text2, length2, caseSensitive, equalApartFromWidth);
}

void ToLowerCase(std::basic_buffer<char>& target, const char* source, bool append)
{
    mac::CFStringToUtf8(CFStringLowercase, target, source, append);
}

void ToLowerCase(std::basic_buffer<char16_t>& target, const char16_t* source, bool append)
{
    mac::CFStringToUtf8(CFStringLowercase, target, source, append);
}

void ToLowerCase(std::basic_buffer<wchar_t>& target, const wchar_t* source, bool append)
{
    MapCase32(target, source, append, CFStringLowercase);
}

void ToLowerCase(std::basic_buffer<std::uint32_t>& target, const std::uint32_t* source, bool append)
{
    MapCase32(target, source, append, CFStringLowercase);
}

void ToUpperCase(std::basic_buffer<char>& target, const char* source, bool append)
{
    mac::CFStringToUtf8(CFStringUppercase, target, source, append);
}

void ToUpperCase(std::basic_buffer<char16_t>& target, const char16_t* source, bool append)
{
    mac::CFStringToUtf8(CFStringUppercase, target, source, append);
}

void ToUpperCase(std::basic_buffer<wchar_t>& target, const wchar_t* source, bool append)
{
    MapCase32(target, source, append, CFStringUppercase);
}

void ToUpperCase(std::basic_buffer<std::uint32_t>& target, const std::uint32_t* source, bool append)
{
    MapCase32(target, source, append, CFStringUppercase);
}
