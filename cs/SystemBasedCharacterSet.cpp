#include "cs/SystemBasedCharacterSet.h"

#include <new>

#include "platform/win32/codepage.h"

namespace CS {
namespace {

// Code pages whose converter cannot report the use of the default character.
bool IsStatefulCodePage(std::uint32_t codePage) {
    return (codePage >= 50220 && codePage <= 50229) || codePage == 52936 || codePage == 54936 ||
           (codePage >= 57002 && codePage <= 57011);
}

}  // namespace

SystemBasedCharacterSet::SystemBasedCharacterSet(const char* name, std::uint32_t codePage,
                                                 std::uint32_t flags)
    : CharacterSet(name), codePage_(codePage), flags_(flags) {}

std::size_t SystemBasedCharacterSet::Decode(const char* bytes, std::size_t count,
                                            std::wstring& out) const {
    if (count == 0) {
        return 0;
    }
    // GB 2312 text is read as GBK, its superset.
    const std::uint32_t codePage = codePage_ == 20936 ? 936 : codePage_;
    std::wstring text;
    if (!win32::MultiByteToWide(codePage, bytes, count, text)) {
        return 0;
    }
    out += text;
    return count;
}

std::size_t SystemBasedCharacterSet::EncodeText(const wchar_t* text, std::size_t count,
                                                std::string& out,
                                                bool refuseSubstitution) const {
    if (count == 0) {
        return 0;
    }
    const bool askDefault =
        refuseSubstitution || (flags_ != 0 && !IsStatefulCodePage(codePage_));
    bool usedDefault = false;
    std::string bytes;
    if (!win32::WideToMultiByte(codePage_, flags_, text, count, bytes,
                                askDefault ? &usedDefault : nullptr) ||
        bytes.empty() || usedDefault) {
        return 0;
    }
    out += bytes;
    return count;
}

std::size_t SystemBasedCharacterSet::Encode(const wchar_t* text, std::size_t count,
                                            std::string& out) const {
    return EncodeText(text, count, out, false);
}

std::size_t SystemBasedCharacterSet::EncodeWithoutSubstitution(const wchar_t* text,
                                                               std::size_t count,
                                                               std::string& out) const {
    return EncodeText(text, count, out, true);
}

// ---- Japanese --------------------------------------------------------------

namespace {

// Left: what the system's Japanese conversion gives; right: the form the
// Japanese code pages use.
struct FixUp {
    wchar_t system;
    wchar_t japanese;
};
const FixUp kFixUps[] = {
    {0x005C, 0xFF3C}, {0x00A2, 0xFFE0}, {0x00A3, 0xFFE1}, {0x00AC, 0xFFE2},
    {0x2016, 0x2225}, {0x2212, 0xFF0D}, {0x301C, 0xFF5E},
};

}  // namespace

JapaneseBaseCharacterSet::JapaneseBaseCharacterSet(const char* name, std::uint32_t codePage,
                                                   std::uint32_t flags)
    : SystemBasedCharacterSet(name, codePage, flags) {}

std::size_t JapaneseBaseCharacterSet::Decode(const char* bytes, std::size_t count,
                                             std::wstring& out) const {
    const std::size_t start = out.size();
    const std::size_t consumed = SystemBasedCharacterSet::Decode(bytes, count, out);
    for (std::size_t i = start; i < out.size(); ++i) {
        for (const FixUp& f : kFixUps) {
            if (out[i] == f.system) {
                out[i] = f.japanese;
                break;
            }
        }
    }
    return consumed;
}

std::size_t JapaneseBaseCharacterSet::EncodeFixed(const wchar_t* text, std::size_t count,
                                                  std::string& out,
                                                  bool refuseSubstitution) const {
    std::wstring copy;
    try {
        copy.assign(text, count);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    for (wchar_t& c : copy) {
        for (const FixUp& f : kFixUps) {
            if (c == f.japanese) {
                c = f.system;
                break;
            }
        }
    }
    return EncodeText(copy.data(), copy.size(), out, refuseSubstitution);
}

std::size_t JapaneseBaseCharacterSet::Encode(const wchar_t* text, std::size_t count,
                                             std::string& out) const {
    return EncodeFixed(text, count, out, false);
}

std::size_t JapaneseBaseCharacterSet::EncodeWithoutSubstitution(const wchar_t* text,
                                                                std::size_t count,
                                                                std::string& out) const {
    return EncodeFixed(text, count, out, true);
}

// ---- the sets --------------------------------------------------------------

EUC_JPCharacterSet::EUC_JPCharacterSet()
    : SystemBasedCharacterSet("euc-jp", 51932, win32::kNoBestFitChars) {}

GB2312CharacterSet::GB2312CharacterSet()
    : SystemBasedCharacterSet("gb2312", 20936, win32::kNoBestFitChars) {}

KSC5601_1987CharacterSet::KSC5601_1987CharacterSet()
    : SystemBasedCharacterSet("ks_c_5601-1987", 949, win32::kNoBestFitChars) {}

EUC_KRCharacterSet::EUC_KRCharacterSet()
    : SystemBasedCharacterSet("euc-kr", 51949, win32::kNoBestFitChars) {}

Big5CharacterSet::Big5CharacterSet()
    : SystemBasedCharacterSet("big5", 950, win32::kNoBestFitChars) {}

ISO_2022_CNCharacterSet::ISO_2022_CNCharacterSet()
    : SystemBasedCharacterSet("iso-2022-cn", 50227, 0) {}

ISO_2022_CN_EXTCharacterSet::ISO_2022_CN_EXTCharacterSet()
    : SystemBasedCharacterSet("iso-2022-cn-ext", 50229, 0) {}

HZ_GB_2312CharacterSet::HZ_GB_2312CharacterSet()
    : SystemBasedCharacterSet("hz-gb-2312", 52936, 0) {}

ISO_2022_KRCharacterSet::ISO_2022_KRCharacterSet()
    : SystemBasedCharacterSet("iso-2022-kr", 50225, 0) {}

ISO_2022_JPCharacterSet::ISO_2022_JPCharacterSet()
    : JapaneseBaseCharacterSet("iso-2022-jp", 50220, 0) {}

ISO_2022_JP_2CharacterSet::ISO_2022_JP_2CharacterSet()
    : JapaneseBaseCharacterSet("iso-2022-jp-2", 50220, 0) {}

ISO_2022_JP_1CharacterSet::ISO_2022_JP_1CharacterSet()
    : JapaneseBaseCharacterSet("iso-2022-jp-1", 50220, 0) {}

ISO_2022_JP_3CharacterSet::ISO_2022_JP_3CharacterSet()
    : JapaneseBaseCharacterSet("iso-2022-jp-3", 50220, 0) {}

CSISO_2022_JPCharacterSet::CSISO_2022_JPCharacterSet()
    : JapaneseBaseCharacterSet("csISO2022JP", 50221, 0) {}

}  // namespace CS
