// The system-based sets over the Windows code pages.
#include "cs/SystemBasedCharacterSet.h"

#include "platform/win32/codepage.h"

namespace CS {
namespace {

// Code pages whose converter cannot report the use of the default character.
bool IsStatefulCodePage(std::uint32_t codePage) {
    return (codePage >= 50220 && codePage <= 50229) || codePage == 52936 || codePage == 54936 ||
           (codePage >= 57002 && codePage <= 57011);
}

}  // namespace

std::size_t SystemBasedCharacterSet::Decode(const char* bytes, std::size_t count,
                                            std::wstring& out) const {
    if (count == 0) {
        return 0;
    }
    // GB 2312 text is read as GBK, its superset.
    const std::uint32_t codePage = encoding_ == 20936 ? 936 : encoding_;
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
        refuseSubstitution || (flags_ != 0 && !IsStatefulCodePage(encoding_));
    bool usedDefault = false;
    std::string bytes;
    if (!win32::WideToMultiByte(encoding_, flags_, text, count, bytes,
                                askDefault ? &usedDefault : nullptr) ||
        bytes.empty() || usedDefault) {
        return 0;
    }
    out += bytes;
    return count;
}

bool SystemPrefersISO2022JP() {
    const std::uint32_t oem = win32::GetOEMCP();
    const std::uint32_t ansi = win32::GetACP();
    LogLine("OEM code page: %i", static_cast<int>(oem));
    LogLine("ANSI code page: %i", static_cast<int>(ansi));
    const bool prefers = oem == 932 || ansi == 932;
    LogLine("ISO-2022-JP is %s", prefers ? "enabled" : "disabled");
    return prefers;
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
