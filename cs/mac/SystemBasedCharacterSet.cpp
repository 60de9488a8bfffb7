// The system-based character sets over Core Foundation's string encodings.
// Wide text is UTF-32 and Core Foundation speaks UTF-16: decoding joins the
// surrogate pairs it gives, encoding first makes UTF-16 of the wide text, and
// counts are in wide characters.
#include "cs/SystemBasedCharacterSet.h"

#include <buffer>
#include <textconv>

#include <algorithm>
#include <limits>
#include <vector>

#include "platform/carbon/Carbon.h"

namespace CS {

namespace {

// Core Foundation's numbers of the encodings.
constexpr std::uint32_t kISO2022JP = 0x820;
constexpr std::uint32_t kISO2022JP2 = 0x821;
constexpr std::uint32_t kISO2022JP1 = 0x822;
constexpr std::uint32_t kISO2022JP3 = 0x823;
constexpr std::uint32_t kEUCJP = 0x920;
constexpr std::uint32_t kISO2022CN = 0x830;
constexpr std::uint32_t kISO2022CNEXT = 0x831;
constexpr std::uint32_t kEUCCN = 0x930;
constexpr std::uint32_t kHZGB2312 = 0xA05;
constexpr std::uint32_t kISO2022KR = 0x840;
constexpr std::uint32_t kEUCKR = 0x940;
constexpr std::uint32_t kBig5 = 0xA03;

// The application text encoding of a Japanese system.
constexpr TextEncoding kJapaneseApplicationEncoding = 1;

class Released {
public:
    explicit Released(CFStringRef string) : string_(string) {}
    ~Released()
    {
        if (string_)
            CFRelease(string_);
    }
    Released(const Released&) = delete;
    Released& operator=(const Released&) = delete;
    CFStringRef get() const { return string_; }

private:
    CFStringRef string_;
};

}  // namespace

std::size_t SystemBasedCharacterSet::Decode(const char* bytes, std::size_t count,
                                            std::wstring& out) const {
    if (count == 0 || count > static_cast<std::size_t>(std::numeric_limits<CFIndex>::max())) {
        return 0;
    }
    const Released string(CFStringCreateWithBytes(kCFAllocatorDefault,
                                                  reinterpret_cast<const UInt8*>(bytes),
                                                  static_cast<CFIndex>(count), encoding_, false));
    if (string.get() == nullptr) {
        return 0;
    }
    const CFIndex length = CFStringGetLength(string.get());
    std::vector<char16_t> units(static_cast<std::size_t>(length));
    if (length > 0) {
        CFStringGetCharacters(string.get(), CFRangeMake(0, length),
                              reinterpret_cast<UniChar*>(units.data()));
    }
    std::auto_buffer<wchar_t, 16> wide;
    Utf16ToUtf32(wide, units.data(), units.size(), false);
    out.append(wide.data(), wide.size());
    return count;
}

std::size_t SystemBasedCharacterSet::EncodeText(const wchar_t* text, std::size_t count,
                                                std::string& out, bool) const {
    if (count == 0) {
        return 0;
    }
    // A value that is no character has no form in any encoding.
    if (!std::all_of(text, text + count,
                     [](wchar_t c) { return IsUnicodeScalar(static_cast<std::uint32_t>(c)); })) {
        return 0;
    }
    std::auto_buffer<char16_t, 64> units;
    Utf32ToUtf16(units, text, count, false);
    const Released string(CFStringCreateWithCharacters(
        kCFAllocatorDefault, reinterpret_cast<const UniChar*>(units.data()),
        static_cast<CFIndex>(units.size())));
    if (string.get() == nullptr) {
        return 0;
    }
    const CFIndex length = CFStringGetLength(string.get());
    const CFIndex room = CFStringGetMaximumSizeForEncoding(length, encoding_);
    if (room <= 0) {
        return 0;
    }
    std::vector<UInt8> bytes(static_cast<std::size_t>(room));
    CFIndex used = 0;
    const CFIndex converted = CFStringGetBytes(string.get(), CFRangeMake(0, length), encoding_, 0,
                                               false, bytes.data(), room, &used);
    if (converted != length) {
        return 0;
    }
    out.append(reinterpret_cast<const char*>(bytes.data()), static_cast<std::size_t>(used));
    return count;
}

bool SystemPrefersISO2022JP() {
    const TextEncoding application = GetApplicationTextEncoding();
    LogLine("Application encoding: %i", static_cast<int>(application));
    LogLine("System encoding: %i", static_cast<int>(CFStringGetSystemEncoding()));
    const bool prefers = application == kJapaneseApplicationEncoding;
    LogLine("ISO-2022-JP is %s", prefers ? "enabled" : "disabled");
    return prefers;
}

// ---- the sets --------------------------------------------------------------

EUC_JPCharacterSet::EUC_JPCharacterSet() : SystemBasedCharacterSet("euc-jp", kEUCJP, 0) {}

GB2312CharacterSet::GB2312CharacterSet() : SystemBasedCharacterSet("gb2312", kEUCCN, 0) {}

KSC5601_1987CharacterSet::KSC5601_1987CharacterSet()
    : SystemBasedCharacterSet("ks_c_5601-1987", kEUCKR, 0) {}

EUC_KRCharacterSet::EUC_KRCharacterSet() : SystemBasedCharacterSet("euc-kr", kEUCKR, 0) {}

Big5CharacterSet::Big5CharacterSet() : SystemBasedCharacterSet("big5", kBig5, 0) {}

ISO_2022_CNCharacterSet::ISO_2022_CNCharacterSet()
    : SystemBasedCharacterSet("iso-2022-cn", kISO2022CN, 0) {}

ISO_2022_CN_EXTCharacterSet::ISO_2022_CN_EXTCharacterSet()
    : SystemBasedCharacterSet("iso-2022-cn-ext", kISO2022CNEXT, 0) {}

HZ_GB_2312CharacterSet::HZ_GB_2312CharacterSet()
    : SystemBasedCharacterSet("hz-gb-2312", kHZGB2312, 0) {}

ISO_2022_KRCharacterSet::ISO_2022_KRCharacterSet()
    : SystemBasedCharacterSet("iso-2022-kr", kISO2022KR, 0) {}

ISO_2022_JPCharacterSet::ISO_2022_JPCharacterSet()
    : JapaneseBaseCharacterSet("iso-2022-jp", kISO2022JP, 0) {}

ISO_2022_JP_2CharacterSet::ISO_2022_JP_2CharacterSet()
    : JapaneseBaseCharacterSet("iso-2022-jp-2", kISO2022JP2, 0) {}

ISO_2022_JP_1CharacterSet::ISO_2022_JP_1CharacterSet()
    : JapaneseBaseCharacterSet("iso-2022-jp-1", kISO2022JP1, 0) {}

ISO_2022_JP_3CharacterSet::ISO_2022_JP_3CharacterSet()
    : JapaneseBaseCharacterSet("iso-2022-jp-3", kISO2022JP3, 0) {}

CSISO_2022_JPCharacterSet::CSISO_2022_JPCharacterSet()
    : JapaneseBaseCharacterSet("csISO2022JP", kISO2022JP, 0) {}

}  // namespace CS
