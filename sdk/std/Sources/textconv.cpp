#include <textconv>

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace {

// Resolves the count convention and prepares the target: emptied unless
// appending, and asked for room for `count` more units (a hint only; the
// appends below grow it as they go).
template <class C, class T>
std::size_t BeginConversion(std::basic_buffer<T>& target, const C* source, std::size_t count,
                            bool append)
{
    if (!source)
        count = 0;
    else if (count == kUntilZero || count == 0xFFFFFFFFu)
        count = UnitsUntilZero(source);
    if (!append)
        target.resize(0);
    if (count > std::basic_buffer<T>::max_elements - target.size())
        throw std::bad_alloc();
    target.Reallocate(static_cast<typename std::basic_buffer<T>::size_type>(target.size() + count));
    return count;
}

// Decodes lenient UTF-8 into UTF-16 units handed to `put`.
template <class Put>
void DecodeUtf8(const char* source, std::size_t count, Put put)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(source);
    std::size_t i = 0;
    while (i < count) {
        const unsigned extra = Utf8TrailingBytes(p[i]);
        if (extra >= count - i)
            throw std::invalid_argument("source string is corrupted");
        char16_t units[2];
        const unsigned n = Utf16Units(Utf8SequenceValue(p + i, extra), units);
        i += extra + 1;
        for (unsigned k = 0; k < n; ++k)
            put(units[k]);
    }
}

bool IsHighSurrogate(std::uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Appends the 1 to 6 byte form of `value` ('?' above 0x7FFFFFFF).
void AppendUtf8(std::basic_buffer<char>& target, std::uint32_t value)
{
    char bytes[kUtf8MaxBytes];
    const unsigned length = EncodeUtf8(value, bytes);
    if (length == 0) {
        target.push_back('?');
        return;
    }
    const std::size_t end = std::size_t(target.size()) + length;
    target.resize(end);
    std::memcpy(target.data() + end - length, bytes, length);
}

template <class U>
void Utf16ToUtf32Into(std::basic_buffer<U>& target, const char16_t* source, std::size_t count,
                      bool append)
{
    count = BeginConversion(target, source, count, append);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t unit = source[i];
        if (IsHighSurrogate(unit) && i + 1 < count && IsLowSurrogate(source[i + 1])) {
            const std::uint32_t low = source[++i];
            target.push_back(static_cast<U>(((unit - 0xD800) << 10) + low + 0x2400));
        } else {
            target.push_back(static_cast<U>(unit));
        }
    }
}

void AppendUtf16(std::basic_buffer<char16_t>& target, std::uint32_t value)
{
    if (!IsUnicodeScalar(value)) {
        target.push_back(u'?');
        return;
    }
    char16_t units[2];
    const unsigned n = Utf16Units(value, units);
    for (unsigned k = 0; k < n; ++k)
        target.push_back(units[k]);
}

template <class U>
void Utf32ToUtf16From(std::basic_buffer<char16_t>& target, const U* source, std::size_t count,
                      bool append)
{
    count = BeginConversion(target, source, count, append);
    for (std::size_t i = 0; i < count; ++i)
        AppendUtf16(target, static_cast<std::uint32_t>(source[i]));
}

} // namespace

// Offsets of the UTF-8 sequences by number of trailing bytes; the sums are
// taken in 32-bit unsigned arithmetic.
static const std::uint32_t kUtf8Offsets[kUtf8MaxBytes] = {
    0x00000000u, 0x00003080u, 0x000E2080u, 0x03C82080u, 0xFA082080u, 0x82082080u};

unsigned Utf8TrailingBytes(unsigned char lead) noexcept
{
    if (lead < 0x80) return 0;
    if ((lead & 0xE0) == 0xC0) return 1;
    if ((lead & 0xF0) == 0xE0) return 2;
    if ((lead & 0xF8) == 0xF0) return 3;
    if ((lead & 0xFC) == 0xF8) return 4;
    if ((lead & 0xFE) == 0xFC) return 5;
    return 0;  // a continuation byte, 0xFE or 0xFF stands for itself
}

std::uint32_t Utf8SequenceValue(const unsigned char* bytes, unsigned trailing) noexcept
{
    std::uint32_t value = 0;
    for (unsigned k = 0; k <= trailing; ++k) {
        if (k != 0)
            value <<= 6;
        value += bytes[k];
    }
    return value - kUtf8Offsets[trailing];
}

unsigned Utf16Units(std::uint32_t value, char16_t (&units)[2]) noexcept
{
    if (value > 0x10FFFF) {
        units[0] = u'?';
        return 1;
    }
    if (value >= 0x10000) {
        value -= 0x10000;
        units[0] = static_cast<char16_t>(0xD800 + (value >> 10));
        units[1] = static_cast<char16_t>(0xDC00 + (value & 0x3FF));
        return 2;
    }
    units[0] = static_cast<char16_t>(value);
    return 1;
}

unsigned EncodeUtf8(std::uint32_t value, char (&bytes)[kUtf8MaxBytes]) noexcept
{
    static const unsigned char marks[kUtf8MaxBytes + 1] = {0x00, 0x00, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
    unsigned length;
    if (value < 0x80) length = 1;
    else if (value < 0x800) length = 2;
    else if (value < 0x10000) length = 3;
    else if (value < 0x200000) length = 4;
    else if (value < 0x4000000) length = 5;
    else if (value <= 0x7FFFFFFF) length = 6;
    else return 0;
    for (unsigned k = length; k > 1; --k) {
        bytes[k - 1] = static_cast<char>(0x80 | (value & 0x3F));
        value >>= 6;
    }
    bytes[0] = static_cast<char>(marks[length] | value);
    return length;
}

std::size_t DecodeUtf8Strict(const char* text, std::size_t available, std::uint32_t* value) noexcept
{
    if (!text || available == 0)
        return 0;
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t n;
    std::uint32_t c;
    if (lead < 0x80) {
        n = 1;
        c = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
        c = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        c = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        c = lead & 0x07u;
    } else {
        return 0;  // continuation bytes, C0/C1 (always overlong), F5 and above
    }
    if (available < n)
        return 0;
    for (std::size_t i = 1; i < n; ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if ((b & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (b & 0x3Fu);
    }
    static const std::uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < minimum[n] || !IsUnicodeScalar(c))
        return 0;
    if (value)
        *value = c;
    return n;
}

void Utf8ToUtf16(std::basic_buffer<char16_t>& target, const char* source, std::size_t count,
                 bool append)
{
    count = BeginConversion(target, source, count, append);
    DecodeUtf8(source, count, [&target](char16_t unit) { target.push_back(unit); });
}

void Utf16ToUtf8(std::basic_buffer<char>& target, const char16_t* source, std::size_t count,
                 bool append)
{
    count = BeginConversion(target, source, count, append);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t value = source[i];
        if (IsHighSurrogate(value) && i + 1 < count && IsLowSurrogate(source[i + 1])) {
            const std::uint32_t low = source[++i];
            value = ((value - 0xD800) << 10) + (low - 0xDC00) + 0x10000;
        }
        AppendUtf8(target, value);
    }
}

void Utf16ToUtf32(std::basic_buffer<wchar_t>& target, const char16_t* source, std::size_t count,
                  bool append)
{
    Utf16ToUtf32Into(target, source, count, append);
}

void Utf16ToUtf32(std::basic_buffer<std::uint32_t>& target, const char16_t* source,
                  std::size_t count, bool append)
{
    Utf16ToUtf32Into(target, source, count, append);
}

void Utf32ToUtf16(std::basic_buffer<char16_t>& target, const wchar_t* source, std::size_t count,
                  bool append)
{
    Utf32ToUtf16From(target, source, count, append);
}

void Utf32ToUtf16(std::basic_buffer<char16_t>& target, const std::uint32_t* source,
                  std::size_t count, bool append)
{
    Utf32ToUtf16From(target, source, count, append);
}

void Utf8ToWide(std::basic_buffer<wchar_t>& target, const char* source, std::size_t count,
                bool append)
{
    count = BeginConversion(target, source, count, append);
    // The UTF-16 units of the decoder, with each surrogate pair combined.
    char16_t pending = 0;
    auto put = [&target, &pending](char16_t unit) {
        if (pending != 0) {
            if (IsLowSurrogate(unit)) {
                target.push_back(static_cast<wchar_t>(((pending - 0xD800u) << 10) + unit + 0x2400u));
                pending = 0;
                return;
            }
            target.push_back(static_cast<wchar_t>(pending));
            pending = 0;
        }
        if (IsHighSurrogate(unit))
            pending = unit;
        else
            target.push_back(static_cast<wchar_t>(unit));
    };
    try {
        DecodeUtf8(source, count, put);
    } catch (const std::invalid_argument&) {
        if (pending != 0)
            target.push_back(static_cast<wchar_t>(pending));
        throw;
    }
    if (pending != 0)
        target.push_back(static_cast<wchar_t>(pending));
}

void WideToUtf8(std::basic_buffer<char>& target, const wchar_t* source, std::size_t count,
                bool append)
{
    count = BeginConversion(target, source, count, append);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t value = static_cast<std::uint32_t>(source[i]);
        if (!IsUnicodeScalar(value))
            target.push_back('?');
        else
            AppendUtf8(target, value);
    }
}

std::wstring Utf8ToWideString(const char* source, std::size_t count)
{
    std::wstring result;
    {
        std::string_buffer<std::wstring> buffer(result);
        Utf8ToWide(buffer, source, count, false);
    }
    return result;
}

std::wstring Utf8ToWideString(const std::string& source)
{
    return Utf8ToWideString(source.data(), source.size());
}

std::string WideToUtf8String(const wchar_t* source, std::size_t count)
{
    std::string result;
    {
        std::string_buffer<std::string> buffer(result);
        WideToUtf8(buffer, source, count, false);
    }
    return result;
}

std::string WideToUtf8String(const std::wstring& source)
{
    return WideToUtf8String(source.data(), source.size());
}
