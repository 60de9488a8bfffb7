// Character sets: conversions between wide text (UTF-32) and the named byte
// encodings of the Internet ("us-ascii", "iso-8859-1", "utf-8", ...).
//
// Every conversion appends to its output, never clears it, and answers how
// many input units it consumed. A result below the count means the set
// stopped at a unit it cannot represent: per-unit sets keep what they
// converted before it, whole-text sets append nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace CS {

// The character sets' log lines, written to the framework's log when it is
// open (dropped otherwise).
void LogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

class CharacterSet {
public:
    explicit CharacterSet(std::string name);
    virtual ~CharacterSet();
    CharacterSet(const CharacterSet&) = delete;
    CharacterSet& operator=(const CharacterSet&) = delete;

    // Appends the bytes of text[0, count) to out; returns the characters consumed.
    virtual std::size_t Encode(const wchar_t* text, std::size_t count, std::string& out) const = 0;
    // Appends the characters of bytes[0, count) to out; returns the bytes consumed.
    virtual std::size_t Decode(const char* bytes, std::size_t count, std::wstring& out) const = 0;
    // As Encode, but a character the set could only write as a substitute
    // ('?', the default character) stops the conversion like any other
    // unrepresentable character. Sets that never substitute simply Encode.
    virtual std::size_t EncodeWithoutSubstitution(const wchar_t* text, std::size_t count,
                                                  std::string& out) const;

    const std::string& GetName() const { return name_; }

private:
    std::string name_;
};

// 7 bits; stops at the first byte or character above 0x7F.
class USASCIICharacterSet final : public CharacterSet {
public:
    USASCIICharacterSet();
    std::size_t Encode(const wchar_t* text, std::size_t count, std::string& out) const override;
    std::size_t Decode(const char* bytes, std::size_t count, std::wstring& out) const override;
};

// 8 bits, nameless, never stops: bytes 0x80-0xFF decode sign-extended to
// U+FF80-U+FFFF, and every character encodes as its low byte.
class USASCII8bitCharacterSet final : public CharacterSet {
public:
    USASCII8bitCharacterSet();
    std::size_t Encode(const wchar_t* text, std::size_t count, std::string& out) const override;
    std::size_t Decode(const char* bytes, std::size_t count, std::wstring& out) const override;
};

// UTF-8, whole text: a sequence cut off by the end of the input fails the
// decoding (result 0, nothing appended).
class UTF_8CharacterSet final : public CharacterSet {
public:
    UTF_8CharacterSet();
    std::size_t Encode(const wchar_t* text, std::size_t count, std::string& out) const override;
    std::size_t Decode(const char* bytes, std::size_t count, std::wstring& out) const override;
    // Fails (0, nothing appended) on a surrogate code point or a value beyond
    // U+10FFFF, which Encode writes as '?'.
    std::size_t EncodeWithoutSubstitution(const wchar_t* text, std::size_t count,
                                          std::string& out) const override;
};

}  // namespace CS
