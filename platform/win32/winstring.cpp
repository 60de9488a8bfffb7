#include "platform/win32/winstring.h"

#include <unicode/ucol.h>
#include <unicode/uchar.h>
#include <unicode/uloc.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <cstring>
#include <memory>
#include <string>

namespace win32 {
namespace {

struct CollatorCloser {
    void operator()(UCollator* c) const { ucol_close(c); }
};

// One collator per thread: the default locale's, at tertiary strength (case
// and width differences count unless folded away beforehand).
UCollator* DefaultCollator()
{
    thread_local std::unique_ptr<UCollator, CollatorCloser> collator;
    thread_local bool tried = false;
    if (!tried) {
        tried = true;
        const char* locale = uloc_getDefault();
        // The C locale reaches ICU as en_US_POSIX, whose collation is plain
        // code point order; it carries no language, so use the root order.
        if (!locale || std::strncmp(locale, "en_US_POSIX", 11) == 0)
            locale = "";
        UErrorCode status = U_ZERO_ERROR;
        UCollator* c = ucol_open(locale, &status);
        if (U_FAILURE(status)) {
            if (c)
                ucol_close(c);
            return nullptr;
        }
        ucol_setStrength(c, UCOL_TERTIARY);
        ucol_setAttribute(c, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
        if (U_FAILURE(status)) {
            ucol_close(c);
            return nullptr;
        }
        collator.reset(c);
    }
    return collator.get();
}

// Half-width and full-width forms become their ordinary forms (their
// <narrow> and <wide> compatibility mappings).
bool FoldWidth(std::u16string& text)
{
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfkc = unorm2_getNFKCInstance(&status);
    if (U_FAILURE(status))
        return false;
    std::u16string out;
    out.reserve(text.size());
    const std::int32_t n = static_cast<std::int32_t>(text.size());
    std::int32_t i = 0;
    while (i < n) {
        UChar32 c;
        const std::int32_t start = i;
        U16_NEXT(text.data(), i, n, c);
        const int kind = u_getIntPropertyValue(c, UCHAR_DECOMPOSITION_TYPE);
        if (kind == U_DT_WIDE || kind == U_DT_NARROW) {
            UChar mapped[8];
            status = U_ZERO_ERROR;
            const std::int32_t m = unorm2_getRawDecomposition(nfkc, c, mapped, 8, &status);
            if (U_SUCCESS(status) && m > 0) {
                out.append(mapped, mapped + m);
                continue;
            }
        }
        out.append(text, static_cast<std::size_t>(start), static_cast<std::size_t>(i - start));
    }
    text.swap(out);
    return true;
}

bool FoldCase(std::u16string& text)
{
    if (text.empty())
        return true;
    UErrorCode status = U_ZERO_ERROR;
    const std::int32_t n = static_cast<std::int32_t>(text.size());
    const std::int32_t need =
        u_strFoldCase(nullptr, 0, text.data(), n, U_FOLD_CASE_DEFAULT, &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status))
        return false;
    std::u16string out(static_cast<std::size_t>(need), u'\0');
    status = U_ZERO_ERROR;
    u_strFoldCase(&out[0], need, text.data(), n, U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status))
        return false;
    text.swap(out);
    return true;
}

bool MeasureText(const char16_t* text, int& length)
{
    if (length < -1)
        return false;
    if (length == -1) {
        if (!text)
            return false;
        length = u_strlen(text);
    }
    return length == 0 || text != nullptr;
}

template <class U, class Map>
std::uint32_t MapUtf32(U* text, std::uint32_t length, Map map)
{
    if (!text)
        return 0;
    for (std::uint32_t i = 0; i < length; ++i) {
        const std::uint32_t c = static_cast<std::uint32_t>(text[i]);
        if (c <= 0x10FFFF)
            text[i] = static_cast<U>(map(static_cast<UChar32>(c)));
    }
    return length;
}

template <class Map>
std::uint32_t MapUtf16(char16_t* text, std::uint32_t length, Map map)
{
    if (!text)
        return 0;
    std::uint32_t i = 0;
    while (i < length) {
        const char16_t unit = text[i];
        if (U16_IS_LEAD(unit) && i + 1 < length && U16_IS_TRAIL(text[i + 1])) {
            const UChar32 mapped = map(U16_GET_SUPPLEMENTARY(unit, text[i + 1]));
            // A mapping that would change the number of units leaves the
            // character as it is.
            if (U_IS_SUPPLEMENTARY(mapped)) {
                text[i] = U16_LEAD(mapped);
                text[i + 1] = U16_TRAIL(mapped);
            }
            i += 2;
            continue;
        }
        if (!U16_IS_SURROGATE(unit)) {
            const UChar32 mapped = map(unit);
            if (!U_IS_SUPPLEMENTARY(mapped))
                text[i] = static_cast<char16_t>(mapped);
        }
        ++i;
    }
    return length;
}

UChar32 Lower(UChar32 c) { return u_tolower(c); }
UChar32 Upper(UChar32 c) { return u_toupper(c); }

} // namespace

int CompareStringW(std::uint32_t locale, std::uint32_t flags, const char16_t* text1,
                   int length1, const char16_t* text2, int length2)
{
    if (locale != kLocaleUserDefault && locale != kLocaleSystemDefault)
        return 0;
    if ((flags & ~(kNormIgnoreCase | kNormIgnoreWidth)) != 0)
        return 0;
    if (!MeasureText(text1, length1) || !MeasureText(text2, length2))
        return 0;
    UCollator* collator = DefaultCollator();
    if (!collator)
        return 0;

    UCollationResult order;
    if (flags == 0) {
        order = ucol_strcoll(collator, text1 ? text1 : u"", length1, text2 ? text2 : u"", length2);
    } else {
        std::u16string a(text1 ? text1 : u"", static_cast<std::size_t>(length1));
        std::u16string b(text2 ? text2 : u"", static_cast<std::size_t>(length2));
        if (flags & kNormIgnoreWidth) {
            if (!FoldWidth(a) || !FoldWidth(b))
                return 0;
        }
        if (flags & kNormIgnoreCase) {
            if (!FoldCase(a) || !FoldCase(b))
                return 0;
        }
        order = ucol_strcoll(collator, a.data(), static_cast<std::int32_t>(a.size()), b.data(),
                             static_cast<std::int32_t>(b.size()));
    }
    switch (order) {
    case UCOL_LESS:
        return kCstrLessThan;
    case UCOL_EQUAL:
        return kCstrEqual;
    default:
        return kCstrGreaterThan;
    }
}

std::uint32_t CharLowerBuffW(char16_t* text, std::uint32_t length)
{
    return MapUtf16(text, length, Lower);
}

std::uint32_t CharUpperBuffW(char16_t* text, std::uint32_t length)
{
    return MapUtf16(text, length, Upper);
}

std::uint32_t CharLowerBuffUtf32(wchar_t* text, std::uint32_t length)
{
    return MapUtf32(text, length, Lower);
}

std::uint32_t CharUpperBuffUtf32(wchar_t* text, std::uint32_t length)
{
    return MapUtf32(text, length, Upper);
}

std::uint32_t CharLowerBuffUtf32(std::uint32_t* text, std::uint32_t length)
{
    return MapUtf32(text, length, Lower);
}

std::uint32_t CharUpperBuffUtf32(std::uint32_t* text, std::uint32_t length)
{
    return MapUtf32(text, length, Upper);
}

} // namespace win32
