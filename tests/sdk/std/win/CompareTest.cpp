// The Windows flavour's comparisons: width differences order the texts and
// are reported apart; the system call's failures.
#include <textconv>

#include "platform/win32/winstring.h"

#include <gtest/gtest.h>

#include <string>

namespace {

int Wide(const std::u16string& a, const std::u16string& b, bool caseSensitive,
         bool* widthFlag = nullptr)
{
    return CompareWide(a.data(), a.size(), b.data(), b.size(), caseSensitive, widthFlag);
}

TEST(CompareWide, WidthDifferenceIsUnequalButFlagged)
{
    bool sameApartFromWidth = false;
    EXPECT_NE(Wide(u"\uFF21", u"A", true, &sameApartFromWidth), 0);
    EXPECT_TRUE(sameApartFromWidth);

    sameApartFromWidth = false;
    EXPECT_NE(Wide(u"\uFF41\uFF42\uFF43", u"ABC", false, &sameApartFromWidth), 0);
    EXPECT_TRUE(sameApartFromWidth);

    // Half-width katakana against the ordinary form.
    sameApartFromWidth = false;
    EXPECT_NE(Wide(u"\uFF76", u"\u30AB", true, &sameApartFromWidth), 0);
    EXPECT_TRUE(sameApartFromWidth);

    // Different letters stay different after width folding.
    sameApartFromWidth = true;
    EXPECT_NE(Wide(u"\uFF21", u"B", true, &sameApartFromWidth), 0);
    EXPECT_FALSE(sameApartFromWidth);

    // Width folding does not fold case in a case-sensitive compare.
    sameApartFromWidth = true;
    EXPECT_NE(Wide(u"\uFF41", u"A", true, &sameApartFromWidth), 0);
    EXPECT_FALSE(sameApartFromWidth);
}

TEST(CompareWide, EqualTextsLeaveTheFlagAlone)
{
    bool flag = false;
    EXPECT_EQ(Wide(u"abc", u"ABC", false, &flag), 0);
    EXPECT_FALSE(flag);
    flag = true;
    EXPECT_EQ(Wide(u"abc", u"abc", true, &flag), 0);
    EXPECT_TRUE(flag);
}

TEST(CompareText, WidthFlagOfTheOtherForms)
{
    bool flag = false;
    EXPECT_NE(CompareText(L"\uFF21\uFF22", L"ab", false, &flag), 0);
    EXPECT_TRUE(flag);
}

TEST(CompareStringW, FailuresAndResults)
{
    EXPECT_EQ(win32::CompareStringW(0x409, 0, u"a", 1, u"a", 1), 0);
    EXPECT_EQ(win32::CompareStringW(win32::kLocaleUserDefault, 0x4, u"a", 1, u"a", 1), 0);
    EXPECT_EQ(win32::CompareStringW(win32::kLocaleUserDefault, 0, nullptr, 1, u"a", 1), 0);
    EXPECT_EQ(win32::CompareStringW(win32::kLocaleUserDefault, 0, u"a", -2, u"a", 1), 0);
    EXPECT_EQ(win32::CompareStringW(win32::kLocaleSystemDefault, 0, nullptr, 0, u"", -1),
              win32::kCstrEqual);
    EXPECT_EQ(win32::CompareStringW(win32::kLocaleUserDefault, 0, u"a", -1, u"b", -1),
              win32::kCstrLessThan);
    EXPECT_EQ(win32::CompareStringW(win32::kLocaleUserDefault,
                                    win32::kNormIgnoreCase | win32::kNormIgnoreWidth,
                                    u"\uFF41", -1, u"A", -1),
              win32::kCstrEqual);
}

TEST(CompareWide, FailedComparisonGivesOne)
{
    // A null text with a length cannot be compared.
    EXPECT_EQ(CompareWide(nullptr, 3, u"abc", 3, true), 1);
}

} // namespace
