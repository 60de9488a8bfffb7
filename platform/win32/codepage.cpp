#include "platform/win32/codepage.h"

#include <cerrno>
#include <mutex>

#include <iconv.h>

namespace win32 {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;
constexpr char kDefaultChar = '?';
const char kWide[] = "WCHAR_T";

// Pseudo names for the conversions written here rather than found in glibc.
const char kHz[] = "=HZ";
const char kIso2022JpKana[] = "=ISO-2022-JP+KANA";

struct CodePage {
    std::uint32_t number;
    const char* decodeAs;  // iconv name for bytes -> wide
    const char* encodeAs;  // iconv name for wide -> bytes
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
    {50221, "ISO-2022-JP-2", kIso2022JpKana},
    {50225, "ISO-2022-KR", "ISO-2022-KR"},
    {50227, "ISO-2022-CN", "ISO-2022-CN"},
    {50229, "ISO-2022-CN-EXT", "ISO-2022-CN-EXT"},
    {51932, "EUC-JP", "EUC-JP"},
    {51949, "EUC-KR", "EUC-KR"},
    {52936, kHz, kHz},
};

constexpr std::size_t kCodePageCount = sizeof kCodePages / sizeof kCodePages[0];

// The glibc converter that a name stands for.
const char* IconvName(const char* name) {
    if (name == kHz) {
        return "EUC-CN";
    }
    if (name == kIso2022JpKana) {
        return "ISO-2022-JP";
    }
    return name;
}

// glibc unloads a converter module when its last descriptor is closed, and
// loading it again costs far more than a conversion. One descriptor per
// direction stays open to keep the modules in; these are never used for
// converting.
class KeptModules {
public:
    void Keep(std::size_t index) {
        std::call_once(once_[index], [this, index] {
            const CodePage& cp = kCodePages[index];
            kept_[index][0] = iconv_open(kWide, IconvName(cp.decodeAs));
            kept_[index][1] = iconv_open(IconvName(cp.encodeAs), kWide);
        });
    }

private:
    std::once_flag once_[kCodePageCount];
    iconv_t kept_[kCodePageCount][2] = {};
};

void KeepModulesLoaded(std::size_t index) {
    // Never destroyed: conversions stay usable from other objects' destructors at exit.
    static KeptModules& modules = *new KeptModules;
    modules.Keep(index);
}

const CodePage* Find(std::uint32_t number) {
    for (std::size_t i = 0; i < kCodePageCount; ++i) {
        if (kCodePages[i].number == number) {
            KeepModulesLoaded(i);
            return &kCodePages[i];
        }
    }
    return nullptr;
}

// One iconv descriptor, closed on scope exit.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) {
            iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // One step of iconv; returns false with errno set when it stopped early.
    bool Step(const char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft) {
        char* src = const_cast<char*>(in);
        std::size_t rc = iconv(cd_, &src, &inLeft, &out, &outLeft);
        in = src;
        return rc != static_cast<std::size_t>(-1);
    }

    // Writes what returns the converter to its initial state.
    bool Flush(char*& out, std::size_t& outLeft) {
        return iconv(cd_, nullptr, nullptr, &out, &outLeft) != static_cast<std::size_t>(-1);
    }

private:
    iconv_t cd_;
};

// ---- decoding ------------------------------------------------------------

bool DecodeIconv(const char* name, const char* bytes, std::size_t count, std::wstring& out) {
    Converter cv(kWide, name);
    if (!cv.ok()) {
        return false;
    }
    wchar_t chunk[256];
    const char* in = bytes;
    std::size_t inLeft = count;
    for (;;) {
        const bool flushing = inLeft == 0;
        char* dst = reinterpret_cast<char*>(chunk);
        std::size_t dstLeft = sizeof chunk;
        // The flush writes out what a converter held back (CP1255 combines).
        const bool done = flushing ? cv.Flush(dst, dstLeft) : cv.Step(in, inLeft, dst, dstLeft);
        const int error = done ? 0 : errno;
        out.append(chunk, static_cast<std::size_t>(reinterpret_cast<wchar_t*>(dst) - chunk));
        if (done) {
            if (flushing) {
                break;
            }
            continue;
        }
        if (error == E2BIG && reinterpret_cast<wchar_t*>(dst) != chunk) {
            continue;
        }
        out.push_back(kReplacement);
        if (flushing) {
            break;
        }
        if (error == EINVAL) {
            inLeft = 0;  // cut off by the end of the source
        } else if (inLeft > 0) {
            // EILSEQ: skip the offending byte and go on. (glibc's
            // ISO-2022-CN-EXT can report it with the byte already consumed.)
            ++in;
            --inLeft;
        }
    }
    return true;
}

// Decodes one GB 2312 character given as its two 7-bit bytes.
wchar_t DecodeGb(Converter& cv, unsigned char b1, unsigned char b2) {
    const char pair[2] = {static_cast<char>(b1 | 0x80), static_cast<char>(b2 | 0x80)};
    const char* in = pair;
    std::size_t inLeft = 2;
    wchar_t result[2];
    char* dst = reinterpret_cast<char*>(result);
    std::size_t dstLeft = sizeof result;
    if (!cv.Step(in, inLeft, dst, dstLeft) || dstLeft != sizeof result - sizeof(wchar_t)) {
        return kReplacement;
    }
    return result[0];
}

// HZ (RFC 1843): ASCII with "~{" ... "~}" around GB 2312 text written in
// 7-bit byte pairs; "~~" is a tilde and "~" before a line end joins lines.
bool DecodeHz(const char* bytes, std::size_t count, std::wstring& out) {
    Converter cv(kWide, "EUC-CN");
    if (!cv.ok()) {
        return false;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    auto isGbByte = [](unsigned char b) { return b >= 0x21 && b <= 0x7E; };
    bool gb = false;
    std::size_t i = 0;
    while (i < count) {
        const unsigned char b = p[i];
        if (b == '~') {
            const int next = i + 1 < count ? p[i + 1] : -1;
            if (!gb && next == '~') {
                out.push_back(L'~');
            } else if (!gb && next == '{') {
                gb = true;
            } else if (!gb && next == '\n') {
                // line continuation
            } else if (gb && next == '}') {
                gb = false;
            } else {
                out.push_back(kReplacement);  // unknown escape: the next byte counts again
                ++i;
                continue;
            }
            i += 2;
        } else if (!gb) {
            out.push_back(b < 0x80 ? static_cast<wchar_t>(b) : kReplacement);
            ++i;
        } else if (b == '\n' || b == '\r') {
            // A line end inside GB text: the writer forgot "~}"; go on in ASCII.
            gb = false;
            out.push_back(static_cast<wchar_t>(b));
            ++i;
        } else if (isGbByte(b) && i + 1 < count && isGbByte(p[i + 1])) {
            out.push_back(DecodeGb(cv, b, p[i + 1]));
            i += 2;
        } else {
            out.push_back(kReplacement);
            ++i;
        }
    }
    return true;
}

// ---- encoding ------------------------------------------------------------

// Converts count units through cv, appending to out, and ends in the
// converter's initial state. A unit the converter refuses becomes '?',
// converted through cv as well so that a stateful encoding shifts back first.
void EncodeRun(Converter& cv, const wchar_t* text, std::size_t count, std::string& out,
               bool& usedDefault) {
    char chunk[1024];
    const char* in = reinterpret_cast<const char*>(text);
    std::size_t inLeft = count * sizeof(wchar_t);
    for (;;) {
        const bool flushing = inLeft == 0;
        char* dst = chunk;
        std::size_t dstLeft = sizeof chunk;
        const bool done = flushing ? cv.Flush(dst, dstLeft) : cv.Step(in, inLeft, dst, dstLeft);
        const int error = done ? 0 : errno;
        out.append(chunk, static_cast<std::size_t>(dst - chunk));
        if (done) {
            if (flushing) {
                break;
            }
            continue;
        }
        if (error == E2BIG && dst != chunk) {
            continue;
        }
        if (flushing) {
            break;  // a shift back that cannot be written: nothing to substitute
        }
        // EILSEQ or EINVAL: the unit at in cannot be written.
        usedDefault = true;
        const wchar_t question = static_cast<wchar_t>(kDefaultChar);
        const char* q = reinterpret_cast<const char*>(&question);
        std::size_t qLeft = sizeof question;
        dst = chunk;
        dstLeft = sizeof chunk;
        if (cv.Step(q, qLeft, dst, dstLeft)) {
            out.append(chunk, static_cast<std::size_t>(dst - chunk));
        } else {
            out.push_back(kDefaultChar);
        }
        if (inLeft >= sizeof(wchar_t)) {
            in += sizeof(wchar_t);
            inLeft -= sizeof(wchar_t);
        }
    }
}

bool EncodeIconv(const char* name, const wchar_t* text, std::size_t count, std::string& out,
                 bool& usedDefault) {
    Converter cv(name, kWide);
    if (!cv.ok()) {
        return false;
    }
    EncodeRun(cv, text, count, out, usedDefault);
    return true;
}

bool IsHalfWidthKatakana(wchar_t c) { return c >= 0xFF61 && c <= 0xFF9F; }

// ISO-2022-JP with half-width katakana written as JIS X 0201 katakana
// (ESC ( I), as in the "csISO2022JP" flavour. Each katakana run is closed
// with ESC ( B, and the converter is flushed before it, so the converter's
// own idea of the shift state always matches the output.
bool EncodeIso2022JpKana(const wchar_t* text, std::size_t count, std::string& out,
                         bool& usedDefault) {
    Converter cv("ISO-2022-JP", kWide);
    if (!cv.ok()) {
        return false;
    }
    std::size_t i = 0;
    while (i < count) {
        std::size_t j = i;
        if (IsHalfWidthKatakana(text[i])) {
            out += "\x1b(I";
            for (; j < count && IsHalfWidthKatakana(text[j]); ++j) {
                out.push_back(static_cast<char>(text[j] - 0xFF61 + 0x21));
            }
            out += "\x1b(B";
        } else {
            while (j < count && !IsHalfWidthKatakana(text[j])) {
                ++j;
            }
            EncodeRun(cv, text + i, j - i, out, usedDefault);
        }
        i = j;
    }
    return true;
}

bool EncodeHz(const wchar_t* text, std::size_t count, std::string& out, bool& usedDefault) {
    Converter cv("EUC-CN", kWide);
    if (!cv.ok()) {
        return false;
    }
    bool gb = false;
    auto toAscii = [&] {
        if (gb) {
            out += "~}";
            gb = false;
        }
    };
    for (std::size_t i = 0; i < count; ++i) {
        const auto c = static_cast<std::uint32_t>(text[i]);
        if (c < 0x80) {
            toAscii();
            out += c == '~' ? "~~" : std::string(1, static_cast<char>(c));
            continue;
        }
        unsigned char pair[4];
        const char* in = reinterpret_cast<const char*>(&text[i]);
        std::size_t inLeft = sizeof(wchar_t);
        char* dst = reinterpret_cast<char*>(pair);
        std::size_t dstLeft = sizeof pair;
        const bool converted = cv.Step(in, inLeft, dst, dstLeft) &&
                               sizeof pair - dstLeft == 2 && pair[0] >= 0xA1 && pair[0] <= 0xFE &&
                               pair[1] >= 0xA1 && pair[1] <= 0xFE;
        if (!converted) {
            usedDefault = true;
            toAscii();
            out.push_back(kDefaultChar);
            continue;
        }
        if (!gb) {
            out += "~{";
            gb = true;
        }
        out.push_back(static_cast<char>(pair[0] & 0x7F));
        out.push_back(static_cast<char>(pair[1] & 0x7F));
    }
    toAscii();
    return true;
}

}  // namespace

std::uint32_t GetACP() { return 1252; }

std::uint32_t GetOEMCP() { return 437; }

bool IsCodePageSupported(std::uint32_t codePage) { return Find(codePage) != nullptr; }

bool MultiByteToWide(std::uint32_t codePage, const char* bytes, std::size_t count,
                     std::wstring& out) {
    const CodePage* cp = Find(codePage);
    if (cp == nullptr || (bytes == nullptr && count != 0)) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    std::wstring text;
    text.reserve(count);
    const bool ok = cp->decodeAs == kHz ? DecodeHz(bytes, count, text)
                                        : DecodeIconv(cp->decodeAs, bytes, count, text);
    if (!ok) {
        return false;
    }
    out += text;
    return true;
}

bool WideToMultiByte(std::uint32_t codePage, std::uint32_t flags, const wchar_t* text,
                     std::size_t count, std::string& out, bool* usedDefaultChar) {
    if (usedDefaultChar != nullptr) {
        *usedDefaultChar = false;
    }
    const CodePage* cp = Find(codePage);
    if (cp == nullptr || (text == nullptr && count != 0) || (flags & ~kNoBestFitChars) != 0) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    std::string bytes;
    bool usedDefault = false;
    bool ok;
    if (cp->encodeAs == kHz) {
        ok = EncodeHz(text, count, bytes, usedDefault);
    } else if (cp->encodeAs == kIso2022JpKana) {
        ok = EncodeIso2022JpKana(text, count, bytes, usedDefault);
    } else {
        ok = EncodeIconv(cp->encodeAs, text, count, bytes, usedDefault);
    }
    if (!ok) {
        return false;
    }
    if (usedDefaultChar != nullptr) {
        *usedDefaultChar = usedDefault;
    }
    out += bytes;
    return true;
}

}  // namespace win32
