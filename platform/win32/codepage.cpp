#include "platform/win32/codepage.h"

#include "platform/common/charset.h"

namespace win32 {
namespace {

struct CodePage {
    std::uint32_t number;
    const char* decodeAs;  // converter for bytes -> wide
    const char* encodeAs;  // converter for wide -> bytes
};

// Decoding is lenient where the code page's family allows it: every
// ISO-2022-JP variant is read with glibc's ISO-2022-JP-2, which also knows
// the half-width katakana and JIS X 0212 designations.
const CodePage kCodePages[] = {
    {437, "CP437", "CP437"},
    {936, "CP936", "CP936"},
    {949, "CP949", "CP949"},
    {950, "CP950", "CP950"},
    {1252, "CP1252", "CP1252"},
    {20936, "EUC-CN", "EUC-CN"},
    {50220, "ISO-2022-JP-2", "ISO-2022-JP"},
    {50221, "ISO-2022-JP-2", pvcommon::kIso2022JpKana},
    {50225, "ISO-2022-KR", "ISO-2022-KR"},
    {50227, "ISO-2022-CN", "ISO-2022-CN"},
    {50229, "ISO-2022-CN-EXT", "ISO-2022-CN-EXT"},
    {51932, "EUC-JP", "EUC-JP"},
    {51949, "EUC-KR", "EUC-KR"},
    {52936, pvcommon::kHzGb2312, pvcommon::kHzGb2312},
};

const CodePage* Find(std::uint32_t number) {
    for (const CodePage& cp : kCodePages) {
        if (cp.number == number) {
            return &cp;
        }
    }
    return nullptr;
}

}  // namespace

std::uint32_t GetACP() { return 1252; }

std::uint32_t GetOEMCP() { return 437; }

bool IsCodePageSupported(std::uint32_t codePage) {
    return Find(codePage) != nullptr;
}

bool MultiByteToWide(std::uint32_t codePage, const char* bytes, std::size_t count,
                     std::wstring& out) {
    const CodePage* cp = Find(codePage);
    if (cp == nullptr) {
        return false;
    }
    return pvcommon::Decode(cp->decodeAs, bytes, count, out, pvcommon::BadBytes::kReplace);
}

bool WideToMultiByte(std::uint32_t codePage, std::uint32_t flags, const wchar_t* text,
                     std::size_t count, std::string& out, bool* usedDefaultChar) {
    if (usedDefaultChar != nullptr) {
        *usedDefaultChar = false;
    }
    const CodePage* cp = Find(codePage);
    if (cp == nullptr || (flags & ~kNoBestFitChars) != 0) {
        return false;
    }
    const pvcommon::EncodeResult result =
        pvcommon::Encode(cp->encodeAs, text, count, out, pvcommon::Unmappable::kSubstitute, '?');
    if (!result.ok) {
        return false;
    }
    if (usedDefaultChar != nullptr) {
        *usedDefaultChar = result.substituted;
    }
    return true;
}

}  // namespace win32
