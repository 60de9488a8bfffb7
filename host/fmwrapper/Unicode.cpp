// Text and number conversions of the interface library.
#include "Internal.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "platform/common/Utf.h"

namespace fmw {
namespace {

using pvcommon::utf::AppendUtf16;
using pvcommon::utf::AppendUtf8;
constexpr char32_t kReplacement = pvcommon::utf::kReplacement;

// Next character of a UTF-16 text; a lone surrogate reads as U+FFFD.
char32_t NextChar(std::u16string_view s, std::size_t& i)
{
    const std::uint32_t c = pvcommon::utf::NextUtf16(s.data(), s.size(), i);
    return pvcommon::utf::IsScalarValue(c) ? c : kReplacement;
}

// One single-byte code page, read once from glibc's converter: the character
// of every byte, and the byte of every character.
struct CodePage {
    std::array<char32_t, 256> toChar{};
    std::map<char32_t, unsigned char> toByte;

    explicit CodePage(const char* name)
    {
        iconv_t cd = iconv_open("UTF-32LE", name);
        for (int b = 0; b < 256; ++b) {
            char32_t c = b < 0x80 ? static_cast<char32_t>(b) : kReplacement;
            if (cd != reinterpret_cast<iconv_t>(-1) && b >= 0x80) {
                char in = static_cast<char>(b);
                unsigned char out[8] = {};
                char* ip = &in;
                char* op = reinterpret_cast<char*>(out);
                std::size_t il = 1, ol = sizeof out;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(cd, &ip, &il, &op, &ol) != static_cast<std::size_t>(-1) && ol == 4)
                    c = out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<char32_t>(out[3]) << 24);
            }
            toChar[b] = c;
            if (c != kReplacement) toByte.emplace(c, static_cast<unsigned char>(b));
        }
        if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    }
};

const CodePage& Page(std::int32_t encoding)
{
    static const CodePage win("CP1252");
    static const CodePage mac("MACINTOSH");
    return encoding == kFMEncASCIIWin ? win : mac;
}

bool IsUtf8(std::int32_t encoding)
{
    return encoding == kFMEncNative || encoding == kFMEncUTF8;
}

void CheckEncoding(std::int32_t encoding)
{
    if (!IsUtf8(encoding) && encoding != kFMEncASCIIWin && encoding != kFMEncASCIIMac)
        throw Failure{2};
}

// Appends the bytes of one character; '?' where the code page lacks it.
void EncodeChar(std::string& out, char32_t c, std::int32_t encoding)
{
    if (IsUtf8(encoding)) {
        AppendUtf8(out, c);
        return;
    }
    const CodePage& page = Page(encoding);
    auto it = page.toByte.find(c);
    out.push_back(it == page.toByte.end() ? '?' : static_cast<char>(it->second));
}

} // namespace

std::u16string Utf8ToUtf16(std::string_view s)
{
    return pvcommon::utf::Utf8ToUtf16Replacing(s.data(), s.size());
}

std::string Utf16ToUtf8(std::u16string_view s)
{
    return pvcommon::utf::Utf16ToUtf8Replacing(s.data(), s.size());
}

std::u16string DecodeBytes(std::string_view bytes, std::int32_t encoding)
{
    CheckEncoding(encoding);
    if (IsUtf8(encoding)) return Utf8ToUtf16(bytes);
    const CodePage& page = Page(encoding);
    std::u16string out;
    out.reserve(bytes.size());
    for (char b : bytes)
        AppendUtf16(out, page.toChar[static_cast<unsigned char>(b)]);
    return out;
}

std::string EncodeUnits(std::u16string_view units, std::int32_t encoding)
{
    return EncodeUnitsLimited(units, encoding, std::string::npos);
}

std::string EncodeUnitsLimited(std::u16string_view units, std::int32_t encoding, std::size_t limit)
{
    CheckEncoding(encoding);
    std::string out;
    std::string one;
    for (std::size_t i = 0; i < units.size();) {
        one.clear();
        EncodeChar(one, NextChar(units, i), encoding);
        if (limit != std::string::npos && out.size() + one.size() > limit) break;
        out += one;
    }
    return out;
}

std::string FormatNumber(double v)
{
    if (!std::isfinite(v)) return "?";
    if (v == 0) return "0";
    // The shortest precision that reads back exactly.
    char buf[64];
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*e", precision - 1, v);
        if (std::strtod(buf, nullptr) == v) break;
    }
    std::string s = buf;
    bool negative = s[0] == '-';
    if (negative) s.erase(0, 1);
    std::size_t e = s.find('e');
    int exponent = std::atoi(s.c_str() + e + 1);
    std::string digits;
    for (std::size_t i = 0; i < e; ++i)
        if (s[i] != '.') digits.push_back(s[i]);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out = negative ? "-" : "";
    int whole = exponent + 1;   // digits before the decimal point
    if (whole <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-whole), '0');
        out += digits;
    } else if (static_cast<std::size_t>(whole) >= digits.size()) {
        out += digits;
        out.append(static_cast<std::size_t>(whole) - digits.size(), '0');
    } else {
        out += digits.substr(0, static_cast<std::size_t>(whole));
        out += '.';
        out += digits.substr(static_cast<std::size_t>(whole));
    }
    return out;
}

std::u16string NumberToText(double v)
{
    return Utf8ToUtf16(FormatNumber(v));
}

bool ParseNumber(std::u16string_view text, double* out)
{
    std::string digits = "0";
    bool negative = false;
    bool point = false;
    bool any = false;
    for (char16_t c : text) {
        if (c >= u'0' && c <= u'9') {
            digits.push_back(static_cast<char>(c));
            any = true;
        } else if (c == u'.' && !point) {
            digits.push_back('.');
            point = true;
        } else if (c == u'-' && !any) {
            negative = true;
        }
    }
    if (!any) {
        *out = 0;
        return false;
    }
    double v = 0;
    auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (r.ec == std::errc::result_out_of_range) v = HUGE_VAL;
    *out = negative ? -v : v;
    return true;
}

} // namespace fmw
