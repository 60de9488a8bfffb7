#include "platform/win32/winstring.h"

#include <unicode/ustring.h>

#include "platform/common/collate.h"

namespace win32 {
namespace {

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
    unsigned folds = 0;
    if (flags & kNormIgnoreCase)
        folds |= pvcommon::kFoldCase;
    if (flags & kNormIgnoreWidth)
        folds |= pvcommon::kFoldWidth;
    int order = 0;
    if (!pvcommon::Collate(text1, static_cast<std::size_t>(length1), text2,
                           static_cast<std::size_t>(length2), folds, order))
        return 0;
    return order < 0 ? kCstrLessThan : order == 0 ? kCstrEqual : kCstrGreaterThan;
}

std::uint32_t CharLowerBuffW(char16_t* text, std::uint32_t length)
{
    if (!text)
        return 0;
    pvcommon::LowerUtf16(text, length);
    return length;
}

std::uint32_t CharUpperBuffW(char16_t* text, std::uint32_t length)
{
    if (!text)
        return 0;
    pvcommon::UpperUtf16(text, length);
    return length;
}

std::uint32_t CharLowerBuffUtf32(wchar_t* text, std::uint32_t length)
{
    if (!text)
        return 0;
    pvcommon::LowerUtf32(text, length);
    return length;
}

std::uint32_t CharUpperBuffUtf32(wchar_t* text, std::uint32_t length)
{
    if (!text)
        return 0;
    pvcommon::UpperUtf32(text, length);
    return length;
}

std::uint32_t CharLowerBuffUtf32(std::uint32_t* text, std::uint32_t length)
{
    if (!text)
        return 0;
    pvcommon::LowerUtf32(text, length);
    return length;
}

std::uint32_t CharUpperBuffUtf32(std::uint32_t* text, std::uint32_t length)
{
    if (!text)
        return 0;
    pvcommon::UpperUtf32(text, length);
    return length;
}

} // namespace win32
