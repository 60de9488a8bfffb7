#include <wformat>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr unsigned kMaxPrecision = 20;

// A narrow byte as one wide character, sign-extended to 16 bits.
wchar_t WidenByte(unsigned char b)
{
    return static_cast<wchar_t>(b < 0x80 ? b : (0xFF00u | b));
}

// Digits of `value` in `radix`, zero-padded to `minDigits`, behind an optional
// minus sign.
void AppendNumber(std::wstring& out, std::uint64_t value, unsigned radix, bool upper,
                  bool negative, unsigned minDigits)
{
    static const char lowerDigits[] = "0123456789abcdef";
    static const char upperDigits[] = "0123456789ABCDEF";
    const char* digitSet = upper ? upperDigits : lowerDigits;

    wchar_t digits[64];  // 64 binary digits at most; precision is at most 20
    unsigned n = 0;
    do {
        digits[n++] = static_cast<wchar_t>(digitSet[value % radix]);
        value /= radix;
    } while (value != 0);

    if (negative)
        out.push_back(L'-');
    for (unsigned i = n; i < minDigits; ++i)
        out.push_back(L'0');
    while (n != 0)
        out.push_back(digits[--n]);
}

void AppendSigned(std::wstring& out, std::int64_t value, unsigned minDigits)
{
    // The magnitude of the most negative value does not fit the signed type.
    const bool negative = value < 0;
    const std::uint64_t magnitude =
        negative ? std::uint64_t(0) - static_cast<std::uint64_t>(value) : std::uint64_t(value);
    AppendNumber(out, magnitude, 10, false, negative, minDigits);
}

void AppendFixed(std::wstring& out, double value, unsigned precision)
{
    char work[256];
    const int n = std::snprintf(work, sizeof work, "%.*f", static_cast<int>(precision), value);
    if (n < 0)
        return;
    const char* text = work;
    std::vector<char> large;
    if (static_cast<std::size_t>(n) >= sizeof work) {
        // Huge values have hundreds of digits; format them in a block of their own.
        large.resize(static_cast<std::size_t>(n) + 1);
        std::snprintf(large.data(), large.size(), "%.*f", static_cast<int>(precision), value);
        text = large.data();
    }
    for (const char* p = text; *p; ++p)
        out.push_back(WidenByte(static_cast<unsigned char>(*p)));
}

} // namespace

std::size_t WideLength(const wchar_t* text)
{
    if (!text)
        return 0;
    const wchar_t* p = text;
    while (*p)
        ++p;
    return static_cast<std::size_t>(p - text);
}

void FormatWide(std::wstring& output, const wchar_t* format, ...)
{
    output.clear();
    va_list args;
    va_start(args, format);
    try {
        FormatWideArgs(format, args, output);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

void FormatWideArgs(const wchar_t* format, va_list args, std::wstring& output)
{
    if (!format)
        return;
    const wchar_t* run = format;
    const wchar_t* p = format;
    while (*p) {
        if (*p != L'%') {
            ++p;
            continue;
        }
        output.append(run, static_cast<std::size_t>(p - run));
        ++p;

        bool precisionGiven = false;
        unsigned precision = 0;
        if (*p == L'.') {
            precisionGiven = true;
            ++p;
            while (*p >= L'0' && *p <= L'9') {
                // Stop accumulating once past the clamp, so long digit runs
                // cannot overflow.
                if (precision <= kMaxPrecision)
                    precision = precision * 10 + static_cast<unsigned>(*p - L'0');
                ++p;
            }
            if (precision > kMaxPrecision)
                precision = kMaxPrecision;
        }
        if (!*p)
            return;  // the directive runs into the end: nothing more is written

        const wchar_t letter = *p++;
        run = p;
        switch (letter) {
        case L'c':
        case L'C': {
            const int value = va_arg(args, int);
            output.push_back(WidenByte(static_cast<unsigned char>(value & 0xFF)));
            break;
        }
        case L'd':
        case L'D':
        case L'i':
        case L'I':
            AppendSigned(output, va_arg(args, std::int32_t), precision);
            break;
        case L'u':
        case L'U':
            AppendNumber(output, va_arg(args, std::uint32_t), 10, false, false, precision);
            break;
        case L'o':
        case L'O':
            AppendNumber(output, va_arg(args, std::uint32_t), 8, false, false, precision);
            break;
        case L'x':
            AppendNumber(output, va_arg(args, std::uint32_t), 16, false, false, precision);
            break;
        case L'X':
            AppendNumber(output, va_arg(args, std::uint32_t), 16, true, false, precision);
            break;
        case L'l':
        case L'L':
            AppendSigned(output, va_arg(args, std::int64_t), precision);
            break;
        case L'f':
        case L'F':
            AppendFixed(output, va_arg(args, double), precisionGiven ? precision : 6);
            break;
        case L's':
        case L'S': {
            const wchar_t* text = va_arg(args, const wchar_t*);
            if (text)
                output.append(text, WideLength(text));
            break;
        }
        default:
            break;  // unknown letters vanish and take no argument
        }
    }
    output.append(run, static_cast<std::size_t>(p - run));
}
