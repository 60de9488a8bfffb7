// UTF-8, UTF-16 and UTF-32 for the system stand-ins and the host: the one
// codec they share. Units are any integer type of their width (char16_t,
// UniChar, wchar_t, ...).
//
// Text that is not well formed is, in UTF-8, every byte that starts no
// well-formed sequence: a stray continuation byte, C0, C1 or F5 to FF, the
// lead of an overlong form, of an encoded surrogate, of a value beyond
// U+10FFFF, or of a sequence cut short by another byte or by the end; in
// UTF-16, a lone surrogate (a high one without a low one after it, a low one
// without a high one before it); in UTF-32, a surrogate or a value beyond
// U+10FFFF. The one rule for it:
// - the strict conversions (Utf8ToUtf16, Utf16ToUtf8) fail and leave out
//   empty, for the calls that refuse such text (a string made from bytes, a
//   file name);
// - the replacing ones (...Replacing, AppendUtf8, AppendUtf16) write one
//   U+FFFD for each such byte, unit or value and go on (after a bad UTF-8
//   byte, at the next byte), for the calls that always answer a text.
// No conversion writes text that is not well formed. NextUtf16 alone hands
// a lone surrogate back as it is, to callers that report it themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pvcommon {
namespace utf {

constexpr std::uint32_t kReplacement = 0xFFFD;

constexpr bool IsSurrogate(std::uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
constexpr bool IsScalarValue(std::uint32_t c) { return c <= 0x10FFFF && !IsSurrogate(c); }

// The code point at units[i] (i < length), i moved past it: a surrogate pair
// joined, a lone surrogate as itself (one unit).
template <class Unit>
std::uint32_t NextUtf16(const Unit* units, std::size_t length, std::size_t& i)
{
    const auto c = static_cast<std::uint32_t>(static_cast<std::uint16_t>(units[i++]));
    if (c >= 0xD800 && c <= 0xDBFF && i < length) {
        const auto low = static_cast<std::uint32_t>(static_cast<std::uint16_t>(units[i]));
        if (low >= 0xDC00 && low <= 0xDFFF) {
            ++i;
            return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return c;
}

// The scalar value of the well-formed UTF-8 sequence at text[i] (i < length),
// i moved past it; false, with i and c unchanged, when the byte at i starts
// none.
inline bool NextUtf8(const char* text, std::size_t length, std::size_t& i, std::uint32_t& c)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    std::uint32_t value;
    std::size_t n;
    if (lead < 0x80) {
        c = lead;
        ++i;
        return true;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        value = lead & 0x1Fu;
        n = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        value = lead & 0x0Fu;
        n = 2;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        value = lead & 0x07u;
        n = 3;
    } else {
        return false;
    }
    if (length - i <= n)
        return false;
    for (std::size_t k = 1; k <= n; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80)
            return false;
        value = (value << 6) | (b & 0x3Fu);
    }
    static constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (value < kLeast[n] || !IsScalarValue(value))
        return false;
    c = value;
    i += n + 1;
    return true;
}

// Appends c; a value that is no scalar value as U+FFFD.
inline void AppendUtf8(std::string& out, std::uint32_t c)
{
    if (!IsScalarValue(c))
        c = kReplacement;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

template <class Unit>
void AppendUtf16(std::basic_string<Unit>& out, std::uint32_t c)
{
    if (!IsScalarValue(c))
        c = kReplacement;
    if (c >= 0x10000) {
        out += static_cast<Unit>(0xD800 + ((c - 0x10000) >> 10));
        out += static_cast<Unit>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        out += static_cast<Unit>(c);
    }
}

// ---- strict -----------------------------------------------------------------

template <class Unit>
bool Utf8ToUtf16(const char* text, std::size_t length, std::basic_string<Unit>& out)
{
    out.clear();
    if (!text && length)
        return false;
    for (std::size_t i = 0; i < length;) {
        std::uint32_t c;
        if (!NextUtf8(text, length, i, c)) {
            out.clear();
            return false;
        }
        AppendUtf16(out, c);
    }
    return true;
}

template <class Unit>
bool Utf16ToUtf8(const Unit* units, std::size_t length, std::string& out)
{
    out.clear();
    if (!units && length)
        return false;
    for (std::size_t i = 0; i < length;) {
        const std::uint32_t c = NextUtf16(units, length, i);
        if (IsSurrogate(c)) {
            out.clear();
            return false;
        }
        AppendUtf8(out, c);
    }
    return true;
}

// ---- replacing --------------------------------------------------------------

inline std::u16string Utf8ToUtf16Replacing(const char* text, std::size_t length)
{
    std::u16string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length;) {
        std::uint32_t c;
        if (!NextUtf8(text, length, i, c)) {
            c = kReplacement;
            ++i;
        }
        AppendUtf16(out, c);
    }
    return out;
}

template <class Unit>
std::string Utf16ToUtf8Replacing(const Unit* units, std::size_t length)
{
    std::string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length;)
        AppendUtf8(out, NextUtf16(units, length, i));
    return out;
}

template <class Unit>
std::string Utf32ToUtf8Replacing(const Unit* units, std::size_t length)
{
    std::string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i)
        AppendUtf8(out, static_cast<std::uint32_t>(units[i]));
    return out;
}

} // namespace utf
} // namespace pvcommon
