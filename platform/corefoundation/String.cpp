#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "platform/common/Utf.h"
#include "platform/common/charset.h"
#include "platform/common/collate.h"
#include "platform/corefoundation/Internal.h"
#include "platform/corefoundation/Object.h"
#include "platform/corefoundation/State.h"
#include "platform/corefoundation/SystemSetup.h"

namespace {

struct HashKey {
    std::uint64_t k0;
    std::uint64_t k1;
};

// Chosen once per process: texts made to share a hash cannot be prepared
// ahead (a list of such keys would make a dictionary compare each key with
// all before it).
const HashKey& TheHashKey() {
    static const HashKey key = [] {
        std::random_device device;
        auto word = [&device] {
            return (static_cast<std::uint64_t>(device()) << 32) | static_cast<std::uint64_t>(device());
        };
        const std::uint64_t k0 = word();
        return HashKey{k0, word()};
    }();
    return key;
}

std::uint64_t Rotate(std::uint64_t x, int bits) { return (x << bits) | (x >> (64 - bits)); }

// SipHash-1-3 of the bytes under the process's key.
std::uint64_t KeyedHash(const unsigned char* bytes, std::size_t length) {
    const HashKey& key = TheHashKey();
    std::uint64_t v0 = 0x736f6d6570736575ULL ^ key.k0;
    std::uint64_t v1 = 0x646f72616e646f6dULL ^ key.k1;
    std::uint64_t v2 = 0x6c7967656e657261ULL ^ key.k0;
    std::uint64_t v3 = 0x7465646279746573ULL ^ key.k1;
    auto round = [&] {
        v0 += v1; v1 = Rotate(v1, 13); v1 ^= v0; v0 = Rotate(v0, 32);
        v2 += v3; v3 = Rotate(v3, 16); v3 ^= v2;
        v0 += v3; v3 = Rotate(v3, 21); v3 ^= v0;
        v2 += v1; v1 = Rotate(v1, 17); v1 ^= v2; v2 = Rotate(v2, 32);
    };
    auto absorb = [&](std::uint64_t m) {
        v3 ^= m;
        round();
        v0 ^= m;
    };
    const std::size_t whole = length - length % 8;
    for (std::size_t i = 0; i < whole; i += 8) {
        std::uint64_t m = 0;
        for (int b = 0; b < 8; ++b) {
            m |= static_cast<std::uint64_t>(bytes[i + b]) << (8 * b);
        }
        absorb(m);
    }
    std::uint64_t last = static_cast<std::uint64_t>(length) << 56;
    for (std::size_t i = whole; i < length; ++i) {
        last |= static_cast<std::uint64_t>(bytes[i]) << (8 * (i - whole));
    }
    absorb(last);
    v2 ^= 0xFF;
    round();
    round();
    round();
    return v0 ^ v1 ^ v2 ^ v3;
}

}  // namespace

struct CFStringObject : CFObject {
    explicit CFStringObject(std::u16string value, bool mutableString = false)
        : CFObject(pvcf::kStringType), text(std::move(value)), isMutable(mutableString) {}
    ~CFStringObject() override {
        if (ownedBytes != nullptr) {
            std::free(const_cast<char*>(ownedBytes));
        }
    }
    bool Equals(const CFObject& other) const override {
        return text == static_cast<const CFStringObject&>(other).text;
    }
    CFHashCode Hash() const override {
        return static_cast<CFHashCode>(KeyedHash(reinterpret_cast<const unsigned char*>(text.data()),
                                                 text.size() * sizeof(char16_t)));
    }

    std::u16string text;
    const bool isMutable;
    const char* ownedBytes = nullptr;  // a no-copy source the string frees
};

namespace {

enum class Kind { kSingleByte, kMultiByte, kStateful, kUtf8, kUtf16Host, kUtf16Be, kUtf16Le };

struct Encoding {
    CFStringEncoding value;
    const char* charset;
    Kind kind;
};

// ISO-2022-JP-1 has no glibc converter: its superset ISO-2022-JP-2 serves.
const Encoding kEncodings[] = {
    {kCFStringEncodingMacRoman, "MACINTOSH", Kind::kSingleByte},
    {kCFStringEncodingISOLatin1, "ISO-8859-1", Kind::kSingleByte},
    {kCFStringEncodingWindowsLatin1, "CP1252", Kind::kSingleByte},
    {kCFStringEncodingASCII, "ASCII", Kind::kSingleByte},
    {kCFStringEncodingUTF8, "UTF-8", Kind::kUtf8},
    {kCFStringEncodingUnicode, nullptr, Kind::kUtf16Host},
    {kCFStringEncodingUTF16BE, nullptr, Kind::kUtf16Be},
    {kCFStringEncodingUTF16LE, nullptr, Kind::kUtf16Le},
    {0x820, "ISO-2022-JP", Kind::kStateful},
    {0x821, "ISO-2022-JP-2", Kind::kStateful},
    {0x822, "ISO-2022-JP-2", Kind::kStateful},
    {0x823, "ISO-2022-JP-3", Kind::kStateful},
    {0x920, "EUC-JP", Kind::kMultiByte},
    {0x830, "ISO-2022-CN", Kind::kStateful},
    {0x831, "ISO-2022-CN-EXT", Kind::kStateful},
    {0x930, "EUC-CN", Kind::kMultiByte},
    {0xA05, pvcommon::kHzGb2312, Kind::kStateful},
    {0x840, "ISO-2022-KR", Kind::kStateful},
    {0x940, "EUC-KR", Kind::kMultiByte},
    {0xA03, "BIG5", Kind::kMultiByte},
};

const Encoding* FindEncoding(CFStringEncoding value) {
    for (const Encoding& e : kEncodings) {
        if (e.value == value) {
            return &e;
        }
    }
    return nullptr;
}

CFStringObject* Str(CFStringRef ref, const char* function) {
    return pvcf::As<CFStringObject>(ref, pvcf::kStringType, function);
}

CFStringObject* MutableStr(CFMutableStringRef ref, const char* function) {
    CFStringObject* s = Str(ref, function);
    if (!s->isMutable) {
        pvcf::Fatal(function);
    }
    return s;
}

std::u16string WideToUtf16(const std::wstring& wide) {
    std::u16string out;
    out.reserve(wide.size());
    for (wchar_t c : wide) {
        pvcommon::utf::AppendUtf16(out, static_cast<std::uint32_t>(c));
    }
    return out;
}

// UTF-16 units to wide characters: pairs joined, lone surrogates kept (no
// encoding holds them). offsets[i] is the unit where wide character i starts.
std::wstring Utf16ToWide(const char16_t* units, std::size_t count,
                         std::vector<std::size_t>* offsets) {
    std::wstring out;
    out.reserve(count);
    for (std::size_t i = 0; i < count;) {
        if (offsets != nullptr) {
            offsets->push_back(i);
        }
        out.push_back(static_cast<wchar_t>(pvcommon::utf::NextUtf16(units, count, i)));
    }
    if (offsets != nullptr) {
        offsets->push_back(count);
    }
    return out;
}

bool DecodeBytes(const UInt8* bytes, CFIndex numBytes, CFStringEncoding encoding,
                 bool external, std::u16string& out) {
    const Encoding* e = FindEncoding(encoding);
    if (e == nullptr || numBytes < 0 || (bytes == nullptr && numBytes != 0)) {
        return false;
    }
    const std::size_t n = static_cast<std::size_t>(numBytes);
    switch (e->kind) {
    case Kind::kUtf16Host:
    case Kind::kUtf16Be:
    case Kind::kUtf16Le: {
        if (n % 2 != 0) {
            return false;
        }
        std::size_t start = 0;
        bool big = e->kind == Kind::kUtf16Be;
        if (e->kind == Kind::kUtf16Host) {
            big = false;  // this machine is little-endian
            if (external && n >= 2) {
                if (bytes[0] == 0xFE && bytes[1] == 0xFF) {
                    big = true;
                    start = 2;
                } else if (bytes[0] == 0xFF && bytes[1] == 0xFE) {
                    start = 2;
                } else {
                    big = true;  // an external form without a mark is big-endian
                }
            }
        }
        for (std::size_t i = start; i < n; i += 2) {
            out.push_back(static_cast<char16_t>(big ? (bytes[i] << 8) | bytes[i + 1]
                                                    : (bytes[i + 1] << 8) | bytes[i]));
        }
        return true;
    }
    case Kind::kUtf8: {
        std::size_t start = 0;
        if (external && n >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
            start = 3;
        }
        return pvcommon::utf::Utf8ToUtf16(reinterpret_cast<const char*>(bytes) + start, n - start,
                                          out);
    }
    default: {
        std::wstring wide;
        if (!pvcommon::Decode(e->charset, reinterpret_cast<const char*>(bytes), n, wide,
                              pvcommon::BadBytes::kFail)) {
            return false;
        }
        out = WideToUtf16(wide);
        return true;
    }
    }
}

CFStringRef Make(std::u16string text, bool mutableString = false) {
    return new CFStringObject(std::move(text), mutableString);
}

// ---- formatting -------------------------------------------------------------

std::string Describe(CFTypeRef ref) {
    if (ref == nullptr) {
        return "(null)";
    }
    switch (CFGetTypeID(ref)) {
    case pvcf::kStringType:
        return pvcf::Utf8(static_cast<CFStringRef>(ref));
    case pvcf::kNumberType: {
        auto number = static_cast<CFNumberRef>(ref);
        char buffer[64];
        if (CFNumberGetType(number) == kCFNumberFloat64Type) {
            double d = 0;
            CFNumberGetValue(number, kCFNumberFloat64Type, &d);
            std::snprintf(buffer, sizeof buffer, "%g", d);
        } else {
            long long v = 0;
            CFNumberGetValue(number, kCFNumberLongLongType, &v);
            std::snprintf(buffer, sizeof buffer, "%lld", v);
        }
        return buffer;
    }
    case pvcf::kBooleanType:
        return CFBooleanGetValue(static_cast<CFBooleanRef>(ref)) ? "true" : "false";
    default:
        return "<CFType>";
    }
}

template <class T>
void Put(std::string& out, const std::string& spec, T value) {
    const int n = std::snprintf(nullptr, 0, spec.c_str(), value);
    if (n <= 0) {
        return;
    }
    std::string piece(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(&piece[0], piece.size(), spec.c_str(), value);
    piece.resize(static_cast<std::size_t>(n));
    out += piece;
}

std::string FormatUtf8(const std::string& format, va_list args) {
    std::string out;
    std::size_t i = 0;
    const std::size_t n = format.size();
    while (i < n) {
        const char c = format[i];
        if (c != '%') {
            out.push_back(c);
            ++i;
            continue;
        }
        const std::size_t start = i++;
        std::string spec = "%";
        while (i < n && std::strchr("-+ #0'", format[i]) != nullptr) {
            spec.push_back(format[i++]);
        }
        auto number = [&]() {
            if (i < n && format[i] == '*') {
                ++i;
                spec += std::to_string(va_arg(args, int));
                return;
            }
            while (i < n && format[i] >= '0' && format[i] <= '9') {
                spec.push_back(format[i++]);
            }
        };
        number();
        if (i < n && format[i] == '.') {
            spec.push_back(format[i++]);
            number();
        }
        std::string length;
        while (i < n && std::strchr("hlqLzjt", format[i]) != nullptr) {
            length.push_back(format[i++]);
        }
        if (i >= n) {
            out.append(format, start, std::string::npos);
            break;
        }
        const char conversion = format[i++];
        switch (conversion) {
        case '%':
            out.push_back('%');
            break;
        case 'd':
        case 'i':
            if (length == "l" || length == "z" || length == "t" || length == "j") {
                Put(out, spec + "l" + conversion, va_arg(args, long));
            } else if (length == "ll" || length == "q") {
                Put(out, spec + "ll" + conversion, va_arg(args, long long));
            } else {
                Put(out, spec + conversion, va_arg(args, int));
            }
            break;
        case 'u':
        case 'x':
        case 'X':
        case 'o':
            if (length == "l" || length == "z" || length == "t" || length == "j") {
                Put(out, spec + "l" + conversion, va_arg(args, unsigned long));
            } else if (length == "ll" || length == "q") {
                Put(out, spec + "ll" + conversion, va_arg(args, unsigned long long));
            } else {
                Put(out, spec + conversion, va_arg(args, unsigned int));
            }
            break;
        case 'c':
            Put(out, spec + conversion, va_arg(args, int));
            break;
        case 'f':
        case 'F':
        case 'g':
        case 'G':
        case 'e':
        case 'E':
        case 'a':
        case 'A':
            if (length == "L") {
                Put(out, spec + "L" + conversion, va_arg(args, long double));
            } else {
                Put(out, spec + conversion, va_arg(args, double));
            }
            break;
        case 'p':
            Put(out, spec + conversion, va_arg(args, void*));
            break;
        case 's': {
            const char* s = va_arg(args, const char*);
            Put(out, spec + conversion, s != nullptr ? s : "(null)");
            break;
        }
        case '@': {
            const std::string text = Describe(va_arg(args, CFTypeRef));
            Put(out, spec + "s", text.c_str());
            break;
        }
        default:
            out.append(format, start, i - start);  // unknown: kept as written
            break;
        }
    }
    return out;
}

}  // namespace

namespace pvcf {

CFStringRef NewString(std::u16string text) { return Make(std::move(text)); }

CFStringRef NewStringFromUtf8(const std::string& text) {
    return Make(pvcommon::utf::Utf8ToUtf16Replacing(text.data(), text.size()));
}

const std::u16string& Text(CFStringRef string) { return Str(string, "CFString")->text; }

std::string Utf8(CFStringRef string) {
    const std::u16string& text = Text(string);
    return pvcommon::utf::Utf16ToUtf8Replacing(text.data(), text.size());
}

}  // namespace pvcf

extern "C" {

CFTypeID CFStringGetTypeID(void) { return pvcf::kStringType; }

CFStringRef CFStringCreateWithBytes(CFAllocatorRef, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean isExternalRepresentation) {
    if (macsetup::ShouldFail("CFStringCreateWithBytes")) {
        return nullptr;
    }
    std::u16string text;
    if (!DecodeBytes(bytes, numBytes, encoding, isExternalRepresentation != 0, text)) {
        return nullptr;
    }
    return Make(std::move(text));
}

CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* cStr,
                                      CFStringEncoding encoding) {
    if (cStr == nullptr || macsetup::ShouldFail("CFStringCreateWithCString")) {
        return nullptr;
    }
    std::u16string text;
    if (!DecodeBytes(reinterpret_cast<const UInt8*>(cStr),
                     static_cast<CFIndex>(std::strlen(cStr)), encoding, false, text)) {
        return nullptr;
    }
    return Make(std::move(text));
}

CFStringRef CFStringCreateWithCStringNoCopy(CFAllocatorRef, const char* cStr,
                                            CFStringEncoding encoding,
                                            CFAllocatorRef contentsDeallocator) {
    if (cStr == nullptr || macsetup::ShouldFail("CFStringCreateWithCStringNoCopy")) {
        return nullptr;
    }
    std::u16string text;
    if (!DecodeBytes(reinterpret_cast<const UInt8*>(cStr),
                     static_cast<CFIndex>(std::strlen(cStr)), encoding, false, text)) {
        return nullptr;
    }
    auto* string = new CFStringObject(std::move(text));
    if (contentsDeallocator != kCFAllocatorNull) {
        string->ownedBytes = cStr;
    }
    return string;
}

CFStringRef CFStringCreateWithCharacters(CFAllocatorRef, const UniChar* chars, CFIndex numChars) {
    if (numChars < 0 || (chars == nullptr && numChars != 0) ||
        macsetup::ShouldFail("CFStringCreateWithCharacters")) {
        return nullptr;
    }
    std::u16string text;
    text.reserve(static_cast<std::size_t>(numChars));
    for (CFIndex i = 0; i < numChars; ++i) {
        text.push_back(static_cast<char16_t>(chars[i]));
    }
    return Make(std::move(text));
}

CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef, CFDictionaryRef,
                                                 CFStringRef format, va_list arguments) {
    const std::string pattern = pvcf::Utf8(format);
    if (macsetup::ShouldFail("CFStringCreateWithFormat")) {
        return nullptr;
    }
    va_list copy;
    va_copy(copy, arguments);
    const std::string text = FormatUtf8(pattern, copy);
    va_end(copy);
    return pvcf::NewStringFromUtf8(text);
}

CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions,
                                     CFStringRef format, ...) {
    va_list arguments;
    va_start(arguments, format);
    CFStringRef result =
        CFStringCreateWithFormatAndArguments(alloc, formatOptions, format, arguments);
    va_end(arguments);
    return result;
}

CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef, CFIndex maxLength,
                                             CFStringRef theString) {
    const CFStringObject* source = Str(theString, "CFStringCreateMutableCopy");
    if (maxLength < 0 || macsetup::ShouldFail("CFStringCreateMutableCopy")) {
        return nullptr;
    }
    return new CFStringObject(source->text, true);
}

CFIndex CFStringGetLength(CFStringRef theString) {
    return static_cast<CFIndex>(Str(theString, "CFStringGetLength")->text.size());
}

static void CheckRange(const std::u16string& text, CFRange range, const char* function) {
    if (range.location < 0 || range.length < 0 ||
        static_cast<std::size_t>(range.location) > text.size() ||
        static_cast<std::size_t>(range.length) > text.size() - static_cast<std::size_t>(range.location)) {
        pvcf::Fatal(function);
    }
}

void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer) {
    const std::u16string& text = Str(theString, "CFStringGetCharacters")->text;
    CheckRange(text, range, "CFStringGetCharacters");
    if (range.length > 0 && buffer == nullptr) {
        pvcf::Fatal("CFStringGetCharacters");
    }
    for (CFIndex i = 0; i < range.length; ++i) {
        buffer[i] = text[static_cast<std::size_t>(range.location + i)];
    }
}

CFIndex CFStringGetBytes(CFStringRef theString, CFRange range, CFStringEncoding encoding,
                         UInt8 lossByte, Boolean isExternalRepresentation, UInt8* buffer,
                         CFIndex maxBufLen, CFIndex* usedBufLen) {
    const std::u16string& text = Str(theString, "CFStringGetBytes")->text;
    CheckRange(text, range, "CFStringGetBytes");
    if (usedBufLen != nullptr) {
        *usedBufLen = 0;
    }
    const Encoding* e = FindEncoding(encoding);
    if (e == nullptr) {
        return 0;
    }
    const std::size_t limit = buffer == nullptr ? SIZE_MAX
                              : maxBufLen <= 0   ? 0
                                                 : static_cast<std::size_t>(maxBufLen);
    const char16_t* units = text.data() + range.location;
    const std::size_t count = static_cast<std::size_t>(range.length);
    std::string bytes;
    std::size_t converted = 0;  // UTF-16 units

    if (e->kind == Kind::kUtf16Host || e->kind == Kind::kUtf16Be || e->kind == Kind::kUtf16Le) {
        const bool mark = isExternalRepresentation && e->kind == Kind::kUtf16Host;
        const bool big = e->kind == Kind::kUtf16Be;
        if (mark) {
            if (limit < 2) {
                return 0;
            }
            bytes += "\xFF\xFE";
        }
        std::size_t fit = std::min(count, (limit - bytes.size()) / 2);
        if (fit < count && fit > 0 && units[fit - 1] >= 0xD800 && units[fit - 1] <= 0xDBFF) {
            --fit;  // never half a pair
        }
        for (std::size_t i = 0; i < fit; ++i) {
            const auto u = static_cast<unsigned>(units[i]);
            const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
            bytes.push_back(big ? hi : lo);
            bytes.push_back(big ? lo : hi);
        }
        converted = fit;
    } else {
        std::vector<std::size_t> offsets;
        const std::wstring wide = Utf16ToWide(units, count, &offsets);
        const auto mode = lossByte != 0 ? pvcommon::Unmappable::kSubstitute
                                        : pvcommon::Unmappable::kStop;
        const char substitute = static_cast<char>(lossByte);
        pvcommon::EncodeResult r =
            pvcommon::Encode(e->charset, wide.data(), wide.size(), bytes, mode, substitute);
        if (!r.ok) {
            return 0;
        }
        std::size_t chars = r.consumed;
        if (bytes.size() > limit) {
            // The longest run of whole characters whose bytes fit.
            std::size_t low = 0, high = chars;
            std::string best;
            while (low < high) {
                const std::size_t mid = low + (high - low + 1) / 2;
                std::string trial;
                pvcommon::Encode(e->charset, wide.data(), mid, trial, mode, substitute);
                if (trial.size() <= limit) {
                    low = mid;
                    best.swap(trial);
                } else {
                    high = mid - 1;
                }
            }
            chars = low;
            bytes.swap(best);
            if (chars == 0) {
                bytes.clear();
            }
        }
        converted = offsets[chars];
    }
    if (buffer != nullptr && !bytes.empty()) {
        std::memcpy(buffer, bytes.data(), bytes.size());
    }
    if (usedBufLen != nullptr) {
        *usedBufLen = static_cast<CFIndex>(bytes.size());
    }
    return static_cast<CFIndex>(converted);
}

CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding) {
    const Encoding* e = FindEncoding(encoding);
    if (e == nullptr || length < 0) {
        return kCFNotFound;
    }
    CFIndex perUnit = 1;
    CFIndex extra = 0;
    switch (e->kind) {
    case Kind::kSingleByte:
        perUnit = 1;
        break;
    case Kind::kMultiByte:
        perUnit = 4;
        break;
    case Kind::kUtf8:
        perUnit = 3;
        break;
    case Kind::kUtf16Host:
    case Kind::kUtf16Be:
    case Kind::kUtf16Le:
        perUnit = 2;
        extra = 2;
        break;
    case Kind::kStateful:
        // A designation, a single shift and the character's bytes each time,
        // and the way back at the end.
        perUnit = 10;
        extra = 8;
        break;
    }
    if (length > (LONG_MAX - extra) / perUnit) {
        return kCFNotFound;
    }
    return length * perUnit + extra;
}

Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding) {
    const CFIndex length = CFStringGetLength(theString);
    if (buffer == nullptr || bufferSize < 1) {
        return false;
    }
    CFIndex used = 0;
    const CFIndex converted =
        CFStringGetBytes(theString, CFRangeMake(0, length), encoding, 0, false,
                         reinterpret_cast<UInt8*>(buffer), bufferSize - 1, &used);
    if (converted != length) {
        buffer[0] = '\0';
        return false;
    }
    buffer[used] = '\0';
    return true;
}

Boolean CFStringGetPascalString(CFStringRef theString, UInt8* buffer, CFIndex bufferSize,
                                CFStringEncoding encoding) {
    const CFIndex length = CFStringGetLength(theString);
    if (buffer == nullptr || bufferSize < 1) {
        return false;
    }
    CFIndex used = 0;
    const CFIndex room = std::min<CFIndex>(255, bufferSize - 1);
    const CFIndex converted = CFStringGetBytes(theString, CFRangeMake(0, length), encoding, 0,
                                               false, buffer + 1, room, &used);
    if (converted != length) {
        buffer[0] = 0;
        return false;
    }
    buffer[0] = static_cast<UInt8>(used);
    return true;
}

CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFStringCompareFlags compareOptions) {
    std::u16string a = Str(theString1, "CFStringCompare")->text;
    std::u16string b = Str(theString2, "CFStringCompare")->text;
    if (compareOptions & kCFCompareNonliteral) {
        UErrorCode status = U_ZERO_ERROR;
        const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
        for (std::u16string* s : {&a, &b}) {
            if (U_FAILURE(status) || s->empty()) {
                continue;
            }
            UErrorCode st = U_ZERO_ERROR;
            const auto len = static_cast<int32_t>(s->size());
            const int32_t need = unorm2_normalize(nfd, s->data(), len, nullptr, 0, &st);
            std::u16string out(static_cast<std::size_t>(need), u'\0');
            st = U_ZERO_ERROR;
            unorm2_normalize(nfd, s->data(), len, &out[0], need, &st);
            if (U_SUCCESS(st)) {
                s->swap(out);
            }
        }
    }
    if (compareOptions & kCFCompareCaseInsensitive) {
        pvcommon::FoldCase(a);
        pvcommon::FoldCase(b);
    }
    const int c = a.compare(b);
    return c < 0 ? kCFCompareLessThan : c > 0 ? kCFCompareGreaterThan : kCFCompareEqualTo;
}

CFStringEncoding CFStringGetSystemEncoding(void) {
    auto& state = pvcf::State();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.systemEncoding;
}

static void MapCase(CFMutableStringRef theString, bool upper, const char* function) {
    CFStringObject* s = MutableStr(theString, function);
    if (s->text.empty()) {
        return;
    }
    const auto len = static_cast<int32_t>(s->text.size());
    UErrorCode status = U_ZERO_ERROR;
    auto map = [&](UChar* dest, int32_t cap) {
        return upper ? u_strToUpper(dest, cap, s->text.data(), len, "", &status)
                     : u_strToLower(dest, cap, s->text.data(), len, "", &status);
    };
    const int32_t need = map(nullptr, 0);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
        return;
    }
    std::u16string out(static_cast<std::size_t>(need), u'\0');
    status = U_ZERO_ERROR;
    map(&out[0], need);
    if (U_SUCCESS(status)) {
        s->text.swap(out);
    }
}

void CFStringLowercase(CFMutableStringRef theString, CFLocaleRef) {
    MapCase(theString, false, "CFStringLowercase");
}

void CFStringUppercase(CFMutableStringRef theString, CFLocaleRef) {
    MapCase(theString, true, "CFStringUppercase");
}

void CFStringNormalize(CFMutableStringRef theString, CFStringNormalizationForm theForm) {
    CFStringObject* s = MutableStr(theString, "CFStringNormalize");
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* form = nullptr;
    switch (theForm) {
    case kCFStringNormalizationFormD:
        form = unorm2_getNFDInstance(&status);
        break;
    case kCFStringNormalizationFormKD:
        form = unorm2_getNFKDInstance(&status);
        break;
    case kCFStringNormalizationFormC:
        form = unorm2_getNFCInstance(&status);
        break;
    case kCFStringNormalizationFormKC:
        form = unorm2_getNFKCInstance(&status);
        break;
    default:
        return;
    }
    if (U_FAILURE(status) || s->text.empty()) {
        return;
    }
    const auto len = static_cast<int32_t>(s->text.size());
    const int32_t need = unorm2_normalize(form, s->text.data(), len, nullptr, 0, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
        return;
    }
    std::u16string out(static_cast<std::size_t>(need), u'\0');
    status = U_ZERO_ERROR;
    unorm2_normalize(form, s->text.data(), len, &out[0], need, &status);
    if (U_SUCCESS(status)) {
        s->text.swap(out);
    }
}

}  // extern "C"
