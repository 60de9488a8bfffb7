// Comparison family and case mapping over the system's locale-aware calls.
#include <textconv>

#include "platform/win32/winstring.h"

#include <climits>
#include <stdexcept>

namespace {

int Compare(std::uint32_t flags, const char16_t* text1, std::size_t length1,
            const char16_t* text2, std::size_t length2)
{
    if (length1 > static_cast<std::size_t>(INT_MAX) || length2 > static_cast<std::size_t>(INT_MAX))
        return 0;
    return win32::CompareStringW(win32::kLocaleUserDefault, flags, text1,
                                 static_cast<int>(length1), text2, static_cast<int>(length2));
}

typedef std::auto_buffer<char16_t, 256> Utf16Text;

int CompareUtf8(const char* text1, std::size_t length1, const char* text2, std::size_t length2,
                bool caseSensitive, bool* equalApartFromWidth)
{
    Utf16Text a, b;
    Utf8ToUtf16(a, text1, length1, false);
    Utf8ToUtf16(b, text2, length2, false);
    return CompareWide(a.data(), a.size(), b.data(), b.size(), caseSensitive, equalApartFromWidth);
}

int CompareUtf32(const wchar_t* text1, std::size_t length1, const wchar_t* text2,
                 std::size_t length2, bool caseSensitive, bool* equalApartFromWidth)
{
    Utf16Text a, b;
    Utf32ToUtf16(a, text1, length1, false);
    Utf32ToUtf16(b, text2, length2, false);
    return CompareWide(a.data(), a.size(), b.data(), b.size(), caseSensitive, equalApartFromWidth);
}

template <class T, class Map>
void MapCaseInPlace(std::basic_buffer<T>& target, const T* source, bool append, Map map,
                    const char* failure)
{
    const std::size_t length = UnitsUntilZero(source);
    if (!append)
        target.resize(0);
    const std::size_t start = target.size();
    target.append(source, length);
    if (map(target.data() + start, static_cast<std::uint32_t>(length)) != length)
        throw std::runtime_error(failure);
}

template <class Map>
void MapCaseUtf8(std::basic_buffer<char>& target, const char* source, bool append, Map map,
                 const char* failure)
{
    std::auto_buffer<char16_t, 0> text;
    Utf8ToUtf16(text, source, kUntilZero, false);
    if (map(text.data(), text.size()) != text.size())
        throw std::runtime_error(failure);
    Utf16ToUtf8(target, text.data(), text.size(), append);
}

const char kLowerFailed[] = "CharLowerBuffW failed!!!";
const char kUpperFailed[] = "CharUpperBuffW failed!!!";

std::uint32_t Lower16(char16_t* t, std::uint32_t n) { return win32::CharLowerBuffW(t, n); }
std::uint32_t Upper16(char16_t* t, std::uint32_t n) { return win32::CharUpperBuffW(t, n); }
template <class U>
std::uint32_t Lower32(U* t, std::uint32_t n) { return win32::CharLowerBuffUtf32(t, n); }
template <class U>
std::uint32_t Upper32(U* t, std::uint32_t n) { return win32::CharUpperBuffUtf32(t, n); }

} // namespace

int CompareWide(const char16_t* text1, std::size_t length1, const char16_t* text2,
                std::size_t length2, bool caseSensitive, bool* equalApartFromWidth)
{
    const std::uint32_t flags = caseSensitive ? 0 : win32::kNormIgnoreCase;
    const int order = Compare(flags, text1, length1, text2, length2);
    const int result = order == win32::kCstrEqual ? 0 : order == win32::kCstrLessThan ? -1 : 1;
    if (result != 0 && equalApartFromWidth) {
        *equalApartFromWidth = Compare(flags | win32::kNormIgnoreWidth, text1, length1, text2,
                                       length2) == win32::kCstrEqual;
    }
    return result;
}

int CompareText(const char* text1, const char* text2, bool caseSensitive,
                bool* equalApartFromWidth)
{
    return CompareUtf8(text1, UnitsUntilZero(text1), text2, UnitsUntilZero(text2),
                       caseSensitive, equalApartFromWidth);
}

int CompareText(const char* text1, std::size_t length1, const char* text2, std::size_t length2,
                bool caseSensitive, bool* equalApartFromWidth)
{
    return CompareUtf8(text1, length1, text2, length2, caseSensitive, equalApartFromWidth);
}

int CompareText(const char16_t* text1, const char16_t* text2, bool caseSensitive,
                bool* equalApartFromWidth)
{
    return CompareWide(text1, UnitsUntilZero(text1), text2, UnitsUntilZero(text2),
                       caseSensitive, equalApartFromWidth);
}

int CompareText(const char16_t* text1, std::size_t length1, const char16_t* text2,
                std::size_t length2, bool caseSensitive, bool* equalApartFromWidth)
{
    return CompareWide(text1, length1, text2, length2, caseSensitive, equalApartFromWidth);
}

int CompareText(const wchar_t* text1, const wchar_t* text2, bool caseSensitive,
                bool* equalApartFromWidth)
{
    return CompareUtf32(text1, UnitsUntilZero(text1), text2, UnitsUntilZero(text2),
                        caseSensitive, equalApartFromWidth);
}

int CompareText(const wchar_t* text1, std::size_t length1, const wchar_t* text2,
                std::size_t length2, bool caseSensitive, bool* equalApartFromWidth)
{
    return CompareUtf32(text1, length1, text2, length2, caseSensitive, equalApartFromWidth);
}

void ToLowerCase(std::basic_buffer<char>& target, const char* source, bool append)
{
    MapCaseUtf8(target, source, append, Lower16, kLowerFailed);
}

void ToLowerCase(std::basic_buffer<char16_t>& target, const char16_t* source, bool append)
{
    MapCaseInPlace(target, source, append, Lower16, kLowerFailed);
}

void ToLowerCase(std::basic_buffer<wchar_t>& target, const wchar_t* source, bool append)
{
    MapCaseInPlace(target, source, append, Lower32<wchar_t>, kLowerFailed);
}

void ToLowerCase(std::basic_buffer<std::uint32_t>& target, const std::uint32_t* source,
                 bool append)
{
    MapCaseInPlace(target, source, append, Lower32<std::uint32_t>, kLowerFailed);
}

void ToUpperCase(std::basic_buffer<char>& target, const char* source, bool append)
{
    MapCaseUtf8(target, source, append, Upper16, kUpperFailed);
}

void ToUpperCase(std::basic_buffer<char16_t>& target, const char16_t* source, bool append)
{
    MapCaseInPlace(target, source, append, Upper16, kUpperFailed);
}

void ToUpperCase(std::basic_buffer<wchar_t>& target, const wchar_t* source, bool append)
{
    MapCaseInPlace(target, source, append, Upper32<wchar_t>, kUpperFailed);
}

void ToUpperCase(std::basic_buffer<std::uint32_t>& target, const std::uint32_t* source,
                 bool append)
{
    MapCaseInPlace(target, source, append, Upper32<std::uint32_t>, kUpperFailed);
}
