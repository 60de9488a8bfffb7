#include "cs/CharacterSet.h"

#include <cstdarg>
#include <limits>
#include <utility>

namespace CS {

void LogLine(const char* format, ...) {
    // No log stream yet: the line is dropped.
    (void)format;
}

CharacterSet::CharacterSet(std::string name) : name_(std::move(name)) {}

CharacterSet::~CharacterSet() = default;

std::size_t CharacterSet::EncodeWithoutSubstitution(const wchar_t* text, std::size_t count,
                                                    std::string& out) const {
    return Encode(text, count, out);
}

// ---- us-ascii --------------------------------------------------------------

USASCIICharacterSet::USASCIICharacterSet() : CharacterSet("us-ascii") {}

std::size_t USASCIICharacterSet::Encode(const wchar_t* text, std::size_t count,
                                        std::string& out) const {
    std::size_t i = 0;
    for (; i < count && static_cast<std::uint32_t>(text[i]) <= 0x7F; ++i) {
        out.push_back(static_cast<char>(text[i]));
    }
    return i;
}

std::size_t USASCIICharacterSet::Decode(const char* bytes, std::size_t count,
                                        std::wstring& out) const {
    std::size_t i = 0;
    for (; i < count && static_cast<unsigned char>(bytes[i]) < 0x80; ++i) {
        out.push_back(static_cast<wchar_t>(bytes[i]));
    }
    return i;
}

// ---- 8-bit ASCII -----------------------------------------------------------

USASCII8bitCharacterSet::USASCII8bitCharacterSet() : CharacterSet("") {}

std::size_t USASCII8bitCharacterSet::Encode(const wchar_t* text, std::size_t count,
                                            std::string& out) const {
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(static_cast<char>(static_cast<std::uint32_t>(text[i]) & 0xFF));
    }
    return count;
}

std::size_t USASCII8bitCharacterSet::Decode(const char* bytes, std::size_t count,
                                            std::wstring& out) const {
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned b = static_cast<unsigned char>(bytes[i]);
        // Sign extension to 16 bits: 0x80-0xFF become U+FF80-U+FFFF.
        out.push_back(static_cast<wchar_t>(b < 0x80 ? b : 0xFF00 | b));
    }
    return count;
}

// ---- utf-8 -----------------------------------------------------------------

namespace {

// Lenient UTF-8: the lead byte gives the number of trailing bytes, whose form
// is not checked; a byte that cannot lead stands for itself; a value beyond
// U+10FFFF becomes '?'. Only a sequence cut off by the end fails.
bool Utf8ToWide(const char* bytes, std::size_t count, std::wstring& out) {
    static const std::uint32_t kOffsets[6] = {0,          0x3080,     0xE2080,
                                              0x3C82080, 0xFA082080, 0x82082080};
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t i = 0;
    while (i < count) {
        const unsigned lead = p[i];
        unsigned trailing = 0;
        if (lead >= 0xC0 && lead < 0xFE) {
            trailing = lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : lead < 0xF8 ? 3 : lead < 0xFC ? 4 : 5;
        }
        if (trailing >= count - i) {
            return false;
        }
        std::uint32_t value = 0;
        for (unsigned k = 0; k <= trailing; ++k) {
            value = (value << 6) + p[i + k];
        }
        value -= kOffsets[trailing];
        i += trailing + 1;
        out.push_back(value > 0x10FFFF ? L'?' : static_cast<wchar_t>(value));
    }
    return true;
}

// Each unit is written in 1 to 6 bytes; a unit beyond 0x7FFFFFFF becomes '?'.
void WideToUtf8(const wchar_t* text, std::size_t count, std::string& out) {
    static const unsigned char kLeadMarks[7] = {0, 0x00, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t value = static_cast<std::uint32_t>(text[i]);
        const unsigned length = value < 0x80        ? 1
                                : value < 0x800     ? 2
                                : value < 0x10000   ? 3
                                : value < 0x200000  ? 4
                                : value < 0x4000000 ? 5
                                : value <= 0x7FFFFFFF ? 6
                                                      : 0;
        if (length == 0) {
            out.push_back('?');
            continue;
        }
        char sequence[6];
        for (unsigned k = length - 1; k > 0; --k) {
            sequence[k] = static_cast<char>(0x80 | (value & 0x3F));
            value >>= 6;
        }
        sequence[0] = static_cast<char>(kLeadMarks[length] | value);
        out.append(sequence, length);
    }
}

}  // namespace

UTF_8CharacterSet::UTF_8CharacterSet() : CharacterSet("utf-8") {}

std::size_t UTF_8CharacterSet::Decode(const char* bytes, std::size_t count,
                                      std::wstring& out) const {
    std::wstring text;
    text.reserve(count);
    if (!Utf8ToWide(bytes, count, text)) {
        return 0;
    }
    out += text;
    return count;
}

std::size_t UTF_8CharacterSet::Encode(const wchar_t* text, std::size_t count,
                                      std::string& out) const {
    std::string bytes;
    if (count <= std::numeric_limits<std::size_t>::max() / 6) {
        bytes.reserve(count * 6);
    }
    WideToUtf8(text, count, bytes);
    out += bytes;
    return count;
}

std::size_t UTF_8CharacterSet::EncodeWithoutSubstitution(const wchar_t* text, std::size_t count,
                                                         std::string& out) const {
    for (std::size_t i = 0; i < count; ++i) {
        if (static_cast<std::uint32_t>(text[i]) > 0x10FFFF) {
            return 0;
        }
    }
    return Encode(text, count, out);
}

}  // namespace CS
