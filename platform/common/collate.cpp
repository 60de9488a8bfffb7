#include "platform/common/collate.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <cstring>
#include <memory>

namespace pvcommon {
namespace {

struct CollatorCloser {
    void operator()(UCollator* c) const { ucol_close(c); }
};

// The default locale's collator in one of four set-ups (diacritics folded or
// not, punctuation ignored or not). Case and width are folded in the texts
// beforehand, so the collator itself keeps every difference it can see.
UCollator* OpenCollator(bool foldDiacritics, bool ignorePunctuation)
{
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
    if (foldDiacritics) {
        // Primary strength with the case level: accents go, case stays.
        ucol_setStrength(c, UCOL_PRIMARY);
        ucol_setAttribute(c, UCOL_CASE_LEVEL, UCOL_ON, &status);
    } else {
        ucol_setStrength(c, UCOL_TERTIARY);
    }
    ucol_setAttribute(c, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    if (ignorePunctuation)
        ucol_setAttribute(c, UCOL_ALTERNATE_HANDLING, UCOL_SHIFTED, &status);
    if (U_FAILURE(status)) {
        ucol_close(c);
        return nullptr;
    }
    return c;
}

// One collator per thread and set-up.
UCollator* Collator(bool foldDiacritics, bool ignorePunctuation)
{
    thread_local std::unique_ptr<UCollator, CollatorCloser> collators[4];
    thread_local bool tried[4] = {};
    const int index = (foldDiacritics ? 1 : 0) | (ignorePunctuation ? 2 : 0);
    if (!tried[index]) {
        tried[index] = true;
        collators[index].reset(OpenCollator(foldDiacritics, ignorePunctuation));
    }
    return collators[index].get();
}

template <class U, class Map>
void MapUtf32(U* text, std::size_t length, Map map)
{
    if (!text)
        return;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint32_t c = static_cast<std::uint32_t>(text[i]);
        if (c <= 0x10FFFF)
            text[i] = static_cast<U>(map(static_cast<UChar32>(c)));
    }
}

template <class Map>
void MapUtf16(char16_t* text, std::size_t length, Map map)
{
    if (!text)
        return;
    std::size_t i = 0;
    while (i < length) {
        const char16_t unit = text[i];
        if (U16_IS_LEAD(unit) && i + 1 < length && U16_IS_TRAIL(text[i + 1])) {
            const UChar32 mapped = map(U16_GET_SUPPLEMENTARY(unit, text[i + 1]));
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
}

UChar32 Lower(UChar32 c) { return u_tolower(c); }
UChar32 Upper(UChar32 c) { return u_toupper(c); }

} // namespace

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

bool Collate(const char16_t* text1, std::size_t length1, const char16_t* text2,
             std::size_t length2, unsigned folds, int& order)
{
    if (length1 > INT32_MAX || length2 > INT32_MAX || (!text1 && length1) || (!text2 && length2))
        return false;
    UCollator* collator =
        Collator((folds & kFoldDiacritics) != 0, (folds & kIgnorePunctuation) != 0);
    if (!collator)
        return false;
    const char16_t* a = text1 ? text1 : u"";
    const char16_t* b = text2 ? text2 : u"";
    std::u16string foldedA, foldedB;
    if (folds & (kFoldCase | kFoldWidth)) {
        foldedA.assign(a, length1);
        foldedB.assign(b, length2);
        if ((folds & kFoldWidth) && (!FoldWidth(foldedA) || !FoldWidth(foldedB)))
            return false;
        if ((folds & kFoldCase) && (!FoldCase(foldedA) || !FoldCase(foldedB)))
            return false;
        a = foldedA.data();
        b = foldedB.data();
        length1 = foldedA.size();
        length2 = foldedB.size();
    }
    const UCollationResult result =
        ucol_strcoll(collator, a, static_cast<std::int32_t>(length1), b,
                     static_cast<std::int32_t>(length2));
    order = result == UCOL_LESS ? -1 : result == UCOL_EQUAL ? 0 : 1;
    if (order == 0 && (folds & kExactComposition)) {
        const std::int32_t c = u_strCompare(a, static_cast<std::int32_t>(length1), b,
                                            static_cast<std::int32_t>(length2), true);
        order = c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    return true;
}

void LowerUtf16(char16_t* text, std::size_t length) { MapUtf16(text, length, Lower); }
void UpperUtf16(char16_t* text, std::size_t length) { MapUtf16(text, length, Upper); }
void LowerUtf32(std::uint32_t* text, std::size_t length) { MapUtf32(text, length, Lower); }
void UpperUtf32(std::uint32_t* text, std::size_t length) { MapUtf32(text, length, Upper); }
void LowerUtf32(wchar_t* text, std::size_t length) { MapUtf32(text, length, Lower); }
void UpperUtf32(wchar_t* text, std::size_t length) { MapUtf32(text, length, Upper); }

} // namespace pvcommon
