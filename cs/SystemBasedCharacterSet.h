// Multi-byte character sets converted by the operating system (the code
// pages of the Windows flavour, the Core Foundation encodings of the macOS
// flavour). They convert the whole text or nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cs/CharacterSet.h"

namespace CS {

// The system's preference for ISO-2022-JP, with the system's encodings
// written to the character sets' log first. Asked once, before the first
// search for the best set.
bool SystemPrefersISO2022JP();

class SystemBasedCharacterSet : public CharacterSet {
public:
    // `encoding` is the system's number of the encoding; `flags` are the
    // conversion flags of the wide-to-bytes direction (Windows only).
    SystemBasedCharacterSet(const char* name, std::uint32_t encoding, std::uint32_t flags);

    // The result is the whole count, or 0 when the bytes cannot be
    // converted. Windows decodes invalid input to U+FFFD; macOS refuses it.
    std::size_t Decode(const char* bytes, std::size_t count, std::wstring& out) const override;
    // Windows: sets with conversion flags refuse a text that needs the
    // default character (result 0), sets without flags let the code page
    // substitute. macOS refuses every character the encoding lacks.
    std::size_t Encode(const wchar_t* text, std::size_t count, std::string& out) const override;
    std::size_t EncodeWithoutSubstitution(const wchar_t* text, std::size_t count,
                                          std::string& out) const override;

    std::uint32_t GetEncoding() const { return encoding_; }
    std::uint32_t GetFlags() const { return flags_; }

protected:
    std::size_t EncodeText(const wchar_t* text, std::size_t count, std::string& out,
                           bool refuseSubstitution) const;

private:
    std::uint32_t encoding_;
    std::uint32_t flags_;
};

// Japanese sets: the system conversion plus a fix-up of the characters
// whose Unicode form differs between the Japanese code pages and the rest
// of the system (the backslash, the wave dash, ...).
class JapaneseBaseCharacterSet : public SystemBasedCharacterSet {
public:
    JapaneseBaseCharacterSet(const char* name, std::uint32_t encoding, std::uint32_t flags);

    std::size_t Decode(const char* bytes, std::size_t count, std::wstring& out) const override;
    std::size_t Encode(const wchar_t* text, std::size_t count, std::string& out) const override;
    std::size_t EncodeWithoutSubstitution(const wchar_t* text, std::size_t count,
                                          std::string& out) const override;

private:
    std::size_t EncodeFixed(const wchar_t* text, std::size_t count, std::string& out,
                            bool refuseSubstitution) const;
};

#define CS_SYSTEM_BASED_SET(Class, Base)  \
    class Class final : public Base {      \
    public:                                \
        Class();                           \
    }

CS_SYSTEM_BASED_SET(EUC_JPCharacterSet, SystemBasedCharacterSet);
CS_SYSTEM_BASED_SET(ISO_2022_CNCharacterSet, SystemBasedCharacterSet);
CS_SYSTEM_BASED_SET(ISO_2022_CN_EXTCharacterSet, SystemBasedCharacterSet);
CS_SYSTEM_BASED_SET(GB2312CharacterSet, SystemBasedCharacterSet);
CS_SYSTEM_BASED_SET(HZ_GB_2312CharacterSet, SystemBasedCharacterSet);
CS_SYSTEM_BASED_SET(ISO_2022_KRCharacterSet, SystemBasedCharacterSet);
CS_SYSTEM_BASED_SET(KSC5601_1987CharacterSet, SystemBasedCharacterSet);
CS_SYSTEM_BASED_SET(EUC_KRCharacterSet, SystemBasedCharacterSet);
CS_SYSTEM_BASED_SET(Big5CharacterSet, SystemBasedCharacterSet);
CS_SYSTEM_BASED_SET(ISO_2022_JPCharacterSet, JapaneseBaseCharacterSet);
CS_SYSTEM_BASED_SET(ISO_2022_JP_2CharacterSet, JapaneseBaseCharacterSet);
CS_SYSTEM_BASED_SET(ISO_2022_JP_1CharacterSet, JapaneseBaseCharacterSet);
CS_SYSTEM_BASED_SET(ISO_2022_JP_3CharacterSet, JapaneseBaseCharacterSet);
CS_SYSTEM_BASED_SET(CSISO_2022_JPCharacterSet, JapaneseBaseCharacterSet);

#undef CS_SYSTEM_BASED_SET

}  // namespace CS
