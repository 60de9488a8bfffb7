// Strict UTF-8 and UTF-16 conversions for the stand-ins and the host: a
// malformed byte, an overlong form, a code point beyond U+10FFFF or a lone
// surrogate fails the conversion instead of changing the text. Units are any
// 16-bit type (char16_t, UniChar).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pvcommon {
namespace utf {

template <class Unit>
bool Utf8ToUtf16(const char* text, std::size_t length, std::basic_string<Unit>& out)
{
    out.clear();
    if (!text && length)
        return false;
    for (std::size_t i = 0; i < length;) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::uint32_t c;
        std::size_t n;
        if (lead < 0x80) {
            c = lead;
            n = 0;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            c = lead & 0x1F;
            n = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            c = lead & 0x0F;
            n = 2;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            c = lead & 0x07;
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
            c = (c << 6) | (b & 0x3F);
        }
        static const std::uint32_t minimum[] = {0, 0x80, 0x800, 0x10000};
        if (c < minimum[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        if (c >= 0x10000) {
            out += static_cast<Unit>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<Unit>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<Unit>(c);
        }
        i += n + 1;
    }
    return true;
}

template <class Unit>
bool Utf16ToUtf8(const Unit* text, std::size_t length, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < length; ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= length || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint32_t>(text[++i]) - 0xDC00u);
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
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
    return true;
}

} // namespace utf
} // namespace pvcommon
