#include "cs/CharacterSet.h"

#include <buffer>
#include <cstdarg>
#include <stdexcept>
#include <textconv>
#include <utility>

#include "plugin/LogStream.h"

namespace CS {

void LogLine(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    __Quarrow__::LogStream::VPrintf(format, args);
    va_end(args);
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

UTF_8CharacterSet::UTF_8CharacterSet() : CharacterSet("utf-8") {}

std::size_t UTF_8CharacterSet::Decode(const char* bytes, std::size_t count,
                                      std::wstring& out) const {
    std::auto_buffer<wchar_t> text;
    try {
        Utf8ToWide(text, bytes, count, false);
    } catch (const std::invalid_argument&) {
        return 0;  // a sequence cut off by the end
    }
    out.append(text.data(), text.size());
    return count;
}

std::size_t UTF_8CharacterSet::Encode(const wchar_t* text, std::size_t count,
                                      std::string& out) const {
    std::auto_buffer<char> bytes;
    if (count <= std::auto_buffer<char>::max_elements / 6) {
        bytes.Reallocate(static_cast<std::auto_buffer<char>::size_type>(count * 6));
    }
    WideToUtf8(bytes, text, count, false);
    out.append(bytes.data(), bytes.size());
    return count;
}

std::size_t UTF_8CharacterSet::EncodeWithoutSubstitution(const wchar_t* text, std::size_t count,
                                                         std::string& out) const {
    // The encoder writes '?' for these.
    for (std::size_t i = 0; i < count; ++i) {
        if (!IsUnicodeScalar(static_cast<std::uint32_t>(text[i]))) {
            return 0;
        }
    }
    return Encode(text, count, out);
}

}  // namespace CS
