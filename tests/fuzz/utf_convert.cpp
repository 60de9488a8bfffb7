// Arbitrary bytes through the UTF converters, the text manager's UTF-8
// conversions and the system stand-ins' codec. Round trips that must be
// exact trap when they are not.
#include <textconv>

#include "fmx/TextMgr.h"
#include "platform/common/Utf.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

template <class T>
bool Same(const std::basic_buffer<T>& a, const std::basic_buffer<T>& b)
{
    return a.size() == b.size() &&
           (a.size() == 0 || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);

    // UTF-8 -> UTF-16 -> UTF-8 -> UTF-16: the second decode equals the first.
    std::auto_buffer<char16_t, 16> utf16;
    bool valid = true;
    try {
        Utf8ToUtf16(utf16, bytes, size, false);
    } catch (const std::invalid_argument&) {
        valid = false;
    }
    if (valid) {
        std::auto_buffer<char, 16> utf8;
        Utf16ToUtf8(utf8, utf16.data(), utf16.size(), false);
        std::auto_buffer<char16_t, 16> again;
        Utf8ToUtf16(again, utf8.data(), utf8.size(), false);
        Check(Same(utf16, again));
    }

    // The same bytes decoded to wide characters, and back.
    std::auto_buffer<wchar_t, 16> wide;
    try {
        Utf8ToWide(wide, bytes, size, false);
        Check(valid);
    } catch (const std::invalid_argument&) {
        Check(!valid);
    }
    std::auto_buffer<char, 16> fromWide;
    WideToUtf8(fromWide, wide.data(), wide.size(), false);

    // The bytes as UTF-16 units: UTF-16 -> UTF-8 -> UTF-16 is exact for every
    // sequence, lone surrogates included.
    std::vector<char16_t> units(size / 2);
    if (!units.empty())
        std::memcpy(units.data(), data, units.size() * sizeof(char16_t));
    {
        std::auto_buffer<char, 16> utf8;
        Utf16ToUtf8(utf8, units.data(), units.size(), false);
        std::auto_buffer<char16_t, 16> back;
        Utf8ToUtf16(back, utf8.data(), utf8.size(), false);
        Check(back.size() == units.size() &&
              (units.empty() ||
               std::memcmp(back.data(), units.data(), units.size() * sizeof(char16_t)) == 0));

        std::auto_buffer<wchar_t, 16> utf32;
        Utf16ToUtf32(utf32, units.data(), units.size(), false);
        std::auto_buffer<char16_t, 16> fromUtf32;
        Utf32ToUtf16(fromUtf32, utf32.data(), utf32.size(), false);
        Check(fromUtf32.size() == units.size());
    }

    // The bytes as 32-bit units.
    std::vector<std::uint32_t> codes(size / 4);
    if (!codes.empty())
        std::memcpy(codes.data(), data, codes.size() * sizeof(std::uint32_t));
    {
        std::auto_buffer<char16_t, 16> utf16From32;
        Utf32ToUtf16(utf16From32, codes.data(), codes.size(), false);
        std::auto_buffer<std::uint32_t, 16> back;
        Utf16ToUtf32(back, utf16From32.data(), utf16From32.size(), false);
        Check(back.size() == codes.size());
    }

    // The stand-ins' codec: the replacing conversions write well-formed text,
    // one unit for each lone surrogate; the strict ones succeed on exactly
    // what needs no replacing.
    {
        namespace utf = pvcommon::utf;
        const std::u16string lenient = utf::Utf8ToUtf16Replacing(bytes, size);
        std::u16string strict;
        std::string back;
        Check(utf::Utf16ToUtf8(lenient.data(), lenient.size(), back));
        if (utf::Utf8ToUtf16(bytes, size, strict))
            Check(strict == lenient && back == std::string(bytes, size));
        const std::string fromUnits = utf::Utf16ToUtf8Replacing(units.data(), units.size());
        std::u16string again;
        Check(utf::Utf8ToUtf16(fromUnits.data(), fromUnits.size(), again) &&
              again.size() == units.size());
        std::string strict8;
        if (utf::Utf16ToUtf8(units.data(), units.size(), strict8))
            Check(strict8 == fromUnits && std::equal(again.begin(), again.end(), units.begin()));
    }

    // The text manager's bounded conversions with a small target.
    fmx::TextMgr mgr(nullptr);
    const std::uint32_t capacity = size > 0 ? data[0] % 64 : 0;
    std::vector<char16_t> target16(capacity + 1);
    std::uint32_t written = 0;
    const int status = mgr.ConvertToWide(fmx::kEncodingUtf8, bytes, static_cast<std::uint32_t>(size),
                                         target16.data(), capacity, &written);
    Check(written <= capacity);
    Check(status == fmx::kTextOk || status == fmx::kTextTruncated ||
          status == fmx::kTextTargetTooSmall);
    std::vector<char> target8(capacity + 1);
    mgr.ConvertFromWide(units.data() ? units.data() : u"", static_cast<std::uint32_t>(units.size()),
                        fmx::kEncodingUtf8, target8.data(), capacity, &written);
    Check(written <= capacity);
    return 0;
}
