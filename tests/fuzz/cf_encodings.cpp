// CFString conversions in every encoding the macOS flavour uses: arbitrary
// bytes decoded and encoded back, arbitrary UTF-16 units encoded into a
// buffer of the announced maximum size (which must always hold them).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/corefoundation/CoreFoundation.h"

namespace {

const CFStringEncoding kEncodings[] = {
    kCFStringEncodingUTF8, kCFStringEncodingUnicode, kCFStringEncodingUTF16BE,
    kCFStringEncodingMacRoman, 0x820, 0x821, 0x822, 0x823, 0x920, 0x830, 0x831, 0x930,
    0xA05, 0x840, 0x940, 0xA03,
};

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Encodes the whole string into a buffer of the maximum size, with and
// without a loss byte; in the Unicode forms the bytes of a lossless run
// decode to the very characters converted. (The other sets are glibc's, whose
// encoders and decoders do not always agree: ISO-2022-CN writes DEL but
// refuses to read it.)
void EncodeAll(CFStringRef s, CFStringEncoding encoding) {
    const CFIndex n = CFStringGetLength(s);
    const CFIndex max = CFStringGetMaximumSizeForEncoding(n, encoding);
    Check(max >= 0);
    std::vector<UInt8> buffer(static_cast<std::size_t>(max) + 1);
    for (UInt8 loss : {UInt8(0), UInt8('?')}) {
        CFIndex used = -1;
        const CFIndex converted = CFStringGetBytes(s, CFRangeMake(0, n), encoding, loss, false,
                                                   buffer.data(), max, &used);
        Check(converted >= 0 && converted <= n && used >= 0 && used <= max);
        if (loss != 0) {
            // Units that are no character (lone surrogates) are replaced too.
            Check(converted == n);
        }
        CFIndex measured = -1;
        Check(CFStringGetBytes(s, CFRangeMake(0, n), encoding, loss, false, nullptr, 0, &measured) ==
              converted);
        Check(measured == used);
        const bool unicode = encoding == kCFStringEncodingUTF8 ||
                             encoding == kCFStringEncodingUnicode ||
                             encoding == kCFStringEncodingUTF16BE;
        if (loss == 0 && unicode) {
            CFStringRef back = CFStringCreateWithBytes(nullptr, buffer.data(), used, encoding, false);
            Check(back != nullptr && CFStringGetLength(back) == converted);
            std::vector<UniChar> a(static_cast<std::size_t>(converted) + 1), b(a.size());
            CFStringGetCharacters(s, CFRangeMake(0, converted), a.data());
            CFStringGetCharacters(back, CFRangeMake(0, converted), b.data());
            Check(a == b);
            CFRelease(back);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (CFStringEncoding encoding : kEncodings) {
        CFStringRef s = CFStringCreateWithBytes(nullptr, data, static_cast<CFIndex>(size), encoding, false);
        if (s != nullptr) {
            EncodeAll(s, encoding);
            CFRelease(s);
        }
    }
    std::vector<UniChar> units(size / 2);
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<UniChar>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    CFStringRef text = CFStringCreateWithCharacters(nullptr, units.data(), static_cast<CFIndex>(units.size()));
    Check(text != nullptr);
    for (CFStringEncoding encoding : kEncodings) {
        EncodeAll(text, encoding);
    }
    CFRelease(text);
    return 0;
}
