#include "platform/common/charset.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <utility>

#include <iconv.h>

namespace pvcommon {

const char kHzGb2312[] = "=HZ-GB-2312";
const char kIso2022JpKana[] = "=ISO-2022-JP+KANA";

namespace {

constexpr wchar_t kReplacement = 0xFFFD;
const char kWide[] = "WCHAR_T";

// The glibc converter that a name stands for.
const char* IconvName(const char* name) {
    if (std::strcmp(name, kHzGb2312) == 0) {
        return "EUC-CN";
    }
    if (std::strcmp(name, kIso2022JpKana) == 0) {
        return "ISO-2022-JP";
    }
    return name;
}

// glibc unloads a converter module when its last descriptor is closed, and
// loading it again costs far more than a conversion. One descriptor per
// direction stays open for every name used; these never convert.
struct Kept {
    bool ok;
    iconv_t descriptors[2];
};

bool KeepLoaded(const char* name) {
    // Never destroyed: conversions stay usable from other objects' destructors at exit.
    static std::mutex& mutex = *new std::mutex;
    // Looked up by the C string itself: the lookup allocates nothing.
    static auto& kept = *new std::map<std::string, Kept, std::less<>>;
    std::lock_guard<std::mutex> lock(mutex);
    const auto found = kept.find(name);
    if (found != kept.end()) {
        return found->second.ok;
    }
    const char* iconvName = IconvName(name);
    const iconv_t bad = reinterpret_cast<iconv_t>(-1);
    Kept entry{false, {iconv_open(kWide, iconvName), iconv_open(iconvName, kWide)}};
    entry.ok = entry.descriptors[0] != bad && entry.descriptors[1] != bad;
    if (!entry.ok) {
        for (iconv_t& d : entry.descriptors) {
            if (d != bad) {
                iconv_close(d);
            }
            d = bad;
        }
    }
    kept.emplace(name, entry);
    return entry.ok;
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

bool DecodeIconv(const char* name, const char* bytes, std::size_t count, std::wstring& out,
                 BadBytes bad) {
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
        if (bad == BadBytes::kFail) {
            return false;
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

// Decodes one GB 2312 character given as its two 7-bit bytes; 0 when the
// pair is no character.
wchar_t DecodeGb(Converter& cv, unsigned char b1, unsigned char b2) {
    const char pair[2] = {static_cast<char>(b1 | 0x80), static_cast<char>(b2 | 0x80)};
    const char* in = pair;
    std::size_t inLeft = 2;
    wchar_t result[2];
    char* dst = reinterpret_cast<char*>(result);
    std::size_t dstLeft = sizeof result;
    if (!cv.Step(in, inLeft, dst, dstLeft) || dstLeft != sizeof result - sizeof(wchar_t)) {
        return 0;
    }
    return result[0];
}

// HZ (RFC 1843): ASCII with "~{" ... "~}" around GB 2312 text written in
// 7-bit byte pairs; "~~" is a tilde and "~" before a line end joins lines.
bool DecodeHz(const char* bytes, std::size_t count, std::wstring& out, BadBytes bad) {
    Converter cv(kWide, "EUC-CN");
    if (!cv.ok()) {
        return false;
    }
    const bool strict = bad == BadBytes::kFail;
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
                if (strict) {
                    return false;
                }
                out.push_back(kReplacement);  // unknown escape: the next byte counts again
                ++i;
                continue;
            }
            i += 2;
        } else if (!gb) {
            if (b >= 0x80 && strict) {
                return false;
            }
            out.push_back(b < 0x80 ? static_cast<wchar_t>(b) : kReplacement);
            ++i;
        } else if (b == '\n' || b == '\r') {
            // A line end inside GB text: the writer forgot "~}"; go on in ASCII.
            gb = false;
            out.push_back(static_cast<wchar_t>(b));
            ++i;
        } else if (isGbByte(b) && i + 1 < count && isGbByte(p[i + 1])) {
            const wchar_t c = DecodeGb(cv, b, p[i + 1]);
            if (c == 0 && strict) {
                return false;
            }
            out.push_back(c == 0 ? kReplacement : c);
            i += 2;
        } else {
            if (strict) {
                return false;
            }
            out.push_back(kReplacement);
            ++i;
        }
    }
    return true;
}

// ---- encoding ------------------------------------------------------------

struct EncodeState {
    Unmappable unmappable;
    char substitute;
    bool substituted = false;
    bool stopped = false;
};

// Converts count units through cv, appending to out, and ends in the
// converter's initial state. A unit the converter refuses is substituted,
// converted through cv as well so that a stateful encoding shifts back
// first, or ends the run. Answers the units consumed.
std::size_t EncodeRun(Converter& cv, const wchar_t* text, std::size_t count, std::string& out,
                      EncodeState& state) {
    char chunk[1024];
    const char* in = reinterpret_cast<const char*>(text);
    std::size_t inLeft = count * sizeof(wchar_t);
    for (;;) {
        const bool flushing = inLeft == 0 || state.stopped;
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
        if (state.unmappable == Unmappable::kStop) {
            state.stopped = true;
            continue;  // flush, then end
        }
        state.substituted = true;
        const wchar_t sub = static_cast<wchar_t>(static_cast<unsigned char>(state.substitute));
        const char* q = reinterpret_cast<const char*>(&sub);
        std::size_t qLeft = sizeof sub;
        dst = chunk;
        dstLeft = sizeof chunk;
        if (cv.Step(q, qLeft, dst, dstLeft)) {
            out.append(chunk, static_cast<std::size_t>(dst - chunk));
        } else {
            out.push_back(state.substitute);
        }
        if (inLeft >= sizeof(wchar_t)) {
            in += sizeof(wchar_t);
            inLeft -= sizeof(wchar_t);
        }
    }
    return static_cast<std::size_t>(reinterpret_cast<const wchar_t*>(in) - text);
}

bool IsHalfWidthKatakana(wchar_t c) { return c >= 0xFF61 && c <= 0xFF9F; }

// ISO-2022-JP with half-width katakana written as JIS X 0201 katakana
// (ESC ( I), as in the "csISO2022JP" flavour. Each katakana run is closed
// with ESC ( B, and the converter is flushed before it, so the converter's
// own idea of the shift state always matches the output.
std::size_t EncodeIso2022JpKana(Converter& cv, const wchar_t* text, std::size_t count,
                                std::string& out, EncodeState& state) {
    std::size_t i = 0;
    while (i < count && !state.stopped) {
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
            j = i + EncodeRun(cv, text + i, j - i, out, state);
        }
        i = j;
    }
    return i;
}

std::size_t EncodeHz(Converter& cv, const wchar_t* text, std::size_t count, std::string& out,
                     EncodeState& state) {
    bool gb = false;
    auto toAscii = [&] {
        if (gb) {
            out += "~}";
            gb = false;
        }
    };
    std::size_t i = 0;
    for (; i < count; ++i) {
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
            toAscii();
            if (state.unmappable == Unmappable::kStop) {
                state.stopped = true;
                break;
            }
            state.substituted = true;
            out.push_back(state.substitute);
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
    return i;
}

}  // namespace

bool IsSupported(const char* charset) { return charset != nullptr && KeepLoaded(charset); }

bool Decode(const char* charset, const char* bytes, std::size_t count, std::wstring& out,
            BadBytes bad) {
    if (!IsSupported(charset) || (bytes == nullptr && count != 0)) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    std::wstring text;
    text.reserve(count);
    const bool ok = std::strcmp(charset, kHzGb2312) == 0
                        ? DecodeHz(bytes, count, text, bad)
                        : DecodeIconv(IconvName(charset), bytes, count, text, bad);
    if (!ok) {
        return false;
    }
    out += text;
    return true;
}

EncodeResult Encode(const char* charset, const wchar_t* text, std::size_t count,
                    std::string& out, Unmappable unmappable, char substitute) {
    EncodeResult result;
    if (!IsSupported(charset) || (text == nullptr && count != 0)) {
        return result;
    }
    Converter cv(IconvName(charset), kWide);
    if (!cv.ok()) {
        return result;
    }
    result.ok = true;
    if (count == 0) {
        return result;
    }
    EncodeState state{unmappable, substitute};
    std::string bytes;
    if (std::strcmp(charset, kHzGb2312) == 0) {
        result.consumed = EncodeHz(cv, text, count, bytes, state);
    } else if (std::strcmp(charset, kIso2022JpKana) == 0) {
        result.consumed = EncodeIso2022JpKana(cv, text, count, bytes, state);
    } else {
        result.consumed = EncodeRun(cv, text, count, bytes, state);
    }
    result.substituted = state.substituted;
    out += bytes;
    return result;
}

}  // namespace pvcommon
