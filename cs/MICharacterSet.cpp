#include "cs/MICharacterSet.h"

#include <cstdint>
#include <limits>
#include <mutex>
#include <stdexcept>

#include "cs/SystemBasedCharacterSet.h"
#include "cs/TableBasedCharacterSet.h"

namespace {

constexpr unsigned kSetCount = 43;
constexpr unsigned kDefaultIndex = 3;  // "iso-8859-1"
constexpr unsigned kUSASCIIIndex = 0;
constexpr unsigned kISO2022JPIndex = 30;

// Every set object, made on first use so that no other static object's
// initialisation can reach a set before it exists.
struct Registry {
    CS::USASCIICharacterSet usascii;
    CS::KOI_8RCharacterSet koi8r;
    CS::KOI_8UCharacterSet koi8u;
    CS::ISO8859_1CharacterSet iso8859_1;
    CS::ISO8859_2CharacterSet iso8859_2;
    CS::ISO8859_3CharacterSet iso8859_3;
    CS::ISO8859_4CharacterSet iso8859_4;
    CS::ISO8859_5CharacterSet iso8859_5;
    CS::ISO8859_6CharacterSet iso8859_6;
    CS::ISO8859_7CharacterSet iso8859_7;
    CS::ISO8859_8CharacterSet iso8859_8;
    CS::ISO8859_9CharacterSet iso8859_9;
    CS::ISO8859_10CharacterSet iso8859_10;
    CS::ISO8859_11CharacterSet iso8859_11;
    CS::ISO8859_13CharacterSet iso8859_13;
    CS::ISO8859_14CharacterSet iso8859_14;
    CS::ISO8859_15CharacterSet iso8859_15;
    CS::ISO8859_16CharacterSet iso8859_16;
    CS::Windows1250CharacterSet windows1250;
    CS::Windows1251CharacterSet windows1251;
    CS::Windows1252CharacterSet windows1252;
    CS::Windows1253CharacterSet windows1253;
    CS::Windows1254CharacterSet windows1254;
    CS::Windows1255CharacterSet windows1255;
    CS::Windows1256CharacterSet windows1256;
    CS::Windows1257CharacterSet windows1257;
    CS::Windows1258CharacterSet windows1258;
    CS::Big5CharacterSet big5;
    CS::KSC5601_1987CharacterSet ksc5601;
    CS::GB2312CharacterSet gb2312;
    CS::ISO_2022_JPCharacterSet iso2022jp;
    CS::ISO_2022_JP_2CharacterSet iso2022jp2;
    CS::ISO_2022_JP_1CharacterSet iso2022jp1;
    CS::ISO_2022_JP_3CharacterSet iso2022jp3;
    CS::CSISO_2022_JPCharacterSet csiso2022jp;
    CS::EUC_JPCharacterSet eucjp;
    CS::ISO_2022_CNCharacterSet iso2022cn;
    CS::ISO_2022_CN_EXTCharacterSet iso2022cnext;
    CS::HZ_GB_2312CharacterSet hzgb2312;
    CS::ISO_2022_KRCharacterSet iso2022kr;
    CS::EUC_KRCharacterSet euckr;
    CS::UTF_8CharacterSet utf8;
    CS::MacRomanLatin1CharacterSet macRomanLatin1;
    CS::USASCII8bitCharacterSet usascii8bit;  // not listed

    // Registry order: also the order of the best-set search.
    const CS::CharacterSet* const sets[kSetCount] = {
        &usascii,     &koi8r,       &koi8u,        &iso8859_1,   &iso8859_2,  &iso8859_3,
        &iso8859_4,   &iso8859_5,   &iso8859_6,    &iso8859_7,   &iso8859_8,  &iso8859_9,
        &iso8859_10,  &iso8859_11,  &iso8859_13,   &iso8859_14,  &iso8859_15, &iso8859_16,
        &windows1250, &windows1251, &windows1252,  &windows1253, &windows1254, &windows1255,
        &windows1256, &windows1257, &windows1258,  &big5,        &ksc5601,    &gb2312,
        &iso2022jp,   &iso2022jp2,  &iso2022jp1,   &iso2022jp3,  &csiso2022jp, &eucjp,
        &iso2022cn,   &iso2022cnext, &hzgb2312,    &iso2022kr,   &euckr,      &utf8,
        &macRomanLatin1,
    };
};

const Registry& TheRegistry() {
    static const Registry registry;
    return registry;
}

bool EqualsIgnoringAsciiCase(const char* a, std::size_t aLength, const std::string& b) {
    if (aLength != b.size()) {
        return false;
    }
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < aLength; ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

unsigned FindIndex(const char* name, std::size_t length) {
    const Registry& registry = TheRegistry();
    if (name != nullptr) {
        for (unsigned i = 0; i < kSetCount; ++i) {
            if (EqualsIgnoringAsciiCase(name, length, registry.sets[i]->GetName())) {
                return i;
            }
        }
    }
    return kDefaultIndex;
}

bool AnyInRange(const wchar_t* text, std::size_t count, std::uint32_t first, std::uint32_t last) {
    for (std::size_t i = 0; i < count; ++i) {
        const auto c = static_cast<std::uint32_t>(text[i]);
        if (c >= first && c <= last) {
            return true;
        }
    }
    return false;
}

// The system's preference for ISO-2022-JP, settled on the first search.
bool PrefersISO2022JP() {
    static std::once_flag once;
    static bool prefers = false;
    std::call_once(once, [] { prefers = CS::SystemPrefersISO2022JP(); });
    return prefers;
}

}  // namespace

const CS::CharacterSet& MICharacterSet::GetCharacterSet(const char* name) {
    return *TheRegistry().sets[GetCharacterSetIndex(name)];
}

const CS::CharacterSet& MICharacterSet::GetCharacterSet(const std::string& name) {
    return *TheRegistry().sets[GetCharacterSetIndex(name)];
}

unsigned MICharacterSet::GetCharacterSetIndex(const char* name) {
    return FindIndex(name, name != nullptr ? std::char_traits<char>::length(name) : 0);
}

unsigned MICharacterSet::GetCharacterSetIndex(const std::string& name) {
    return FindIndex(name.data(), name.size());
}

const CS::CharacterSet& MICharacterSet::GetCharacterSetByIndex(unsigned index) {
    if (index >= kSetCount) {
        throw std::logic_error("Incorrect index in MICharacterSet::GetCharacterSetByIndex");
    }
    return *TheRegistry().sets[index];
}

unsigned MICharacterSet::GetCharacterSetCount() { return kSetCount; }

const CS::CharacterSet& MICharacterSet::GetUSASCIICharacterSet() {
    return TheRegistry().usascii;
}

const CS::CharacterSet& MICharacterSet::GetDefaultCharacterSet() {
    return TheRegistry().iso8859_1;
}

const CS::CharacterSet& MICharacterSet::GetUSASCII8bitCharacterSet() {
    return TheRegistry().usascii8bit;
}

const CS::CharacterSet& MICharacterSet::ConvertWithBestCharacterSet(const wchar_t* text,
                                                                    std::size_t n,
                                                                    std::string& target) {
    const bool preferJapanese = PrefersISO2022JP();
    const Registry& registry = TheRegistry();

    // Earlier contents of target stay in front; each attempt starts there.
    const std::size_t start = target.size();
    if (n <= (std::numeric_limits<std::size_t>::max() - start) / 6) {
        target.reserve(start + 6 * n);
    }
    auto holdsText = [&](const CS::CharacterSet& set) {
        target.resize(start);
        return set.EncodeWithoutSubstitution(text, n, target) == n;
    };

    if (preferJapanese || HasKana(text, n)) {
        if (holdsText(*registry.sets[kUSASCIIIndex])) {
            return *registry.sets[kUSASCIIIndex];
        }
        if (holdsText(*registry.sets[kISO2022JPIndex])) {
            return *registry.sets[kISO2022JPIndex];
        }
    }
    for (const CS::CharacterSet* set : registry.sets) {
        if (holdsText(*set)) {
            return *set;
        }
    }
    target.resize(start);
    CS::LogLine("Internal error in MICharacterSet::ConvertWithBestCharacterSet");
    throw std::runtime_error("Internal error in MICharacterSet::ConvertWithBestCharacterSet");
}

bool MICharacterSet::HasHiragana(const wchar_t* text, std::size_t count) {
    return AnyInRange(text, count, 0x3041, 0x309E);
}

bool MICharacterSet::HasKatakana(const wchar_t* text, std::size_t count) {
    return AnyInRange(text, count, 0x30A1, 0x30FE) || AnyInRange(text, count, 0xFF66, 0xFF9D);
}

bool MICharacterSet::HasKana(const wchar_t* text, std::size_t count) {
    return HasHiragana(text, count) || HasKatakana(text, count);
}
