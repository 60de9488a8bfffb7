#include <mbyte_string>
#include <textconv>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

int Wide(const std::u16string& a, const std::u16string& b, bool caseSensitive,
         bool* widthFlag = nullptr)
{
    return CompareWide(a.data(), a.size(), b.data(), b.size(), caseSensitive, widthFlag);
}

TEST(CompareWide, CaseFlag)
{
    EXPECT_EQ(Wide(u"abc", u"ABC", false), 0);
    EXPECT_NE(Wide(u"abc", u"ABC", true), 0);
    EXPECT_EQ(Wide(u"abc", u"abc", true), 0);
    EXPECT_EQ(Wide(u"\u00E9t\u00E9", u"\u00C9T\u00C9", false), 0);
    EXPECT_NE(Wide(u"abc", u"abd", false), 0);
}

TEST(CompareWide, OrderIsLocaleAwareAndAntisymmetric)
{
    EXPECT_EQ(Wide(u"a", u"b", true), -1);
    EXPECT_EQ(Wide(u"b", u"a", true), 1);
    // Letters order alphabetically, not by code point ('B' < 'a' in code points).
    EXPECT_EQ(Wide(u"a", u"B", true), -1);
    EXPECT_EQ(Wide(u"apple", u"Banana", false), -1);
    EXPECT_EQ(Wide(u"", u"a", true), -1);
    EXPECT_EQ(Wide(u"", u"", true), 0);
}

TEST(CompareWide, ExplicitLengthsAreHonoured)
{
    const char16_t a[] = u"abcX";
    const char16_t b[] = u"abcY";
    EXPECT_EQ(CompareWide(a, 3, b, 3, true), 0);
    EXPECT_NE(CompareWide(a, 4, b, 4, true), 0);
}

TEST(CompareText, AllForms)
{
    EXPECT_EQ(CompareText("stra\xC3\x9F" "e", "STRA\xC3\x9F" "E", false), 0);
    EXPECT_NE(CompareText("abc", "ABC", true), 0);
    EXPECT_EQ(CompareText("abcdef", 3, "ABCxyz", 3, false), 0);
    EXPECT_EQ(CompareText(u"abc", u"ABC", false), 0);
    EXPECT_EQ(CompareText(u"abcdef", 3, u"ABCxyz", 3, false), 0);
    EXPECT_EQ(CompareText(L"\U0001F600a", L"\U0001F600A", false), 0);
    EXPECT_NE(CompareText(L"\U0001F600a", L"\U0001F600A", true), 0);
    EXPECT_EQ(CompareText(L"xyz", 2, L"XYq", 2, false), 0);
    EXPECT_EQ(CompareText("a", "b", true), -1);
    EXPECT_EQ(CompareText(L"b", L"a", true), 1);
}

TEST(CompareText, MalformedUtf8Throws)
{
    EXPECT_THROW(CompareText("abc\xE2", "abc", true), std::invalid_argument);
}

TEST(UnicharTraits, CompareIgnoresCase)
{
    typedef std::mbyte_string<wchar_t, std::unichar_traits<wchar_t, 1>> Text;
    EXPECT_FALSE(Text(L"Hello") != Text(L"hELLO"));
    EXPECT_TRUE(Text(L"Hello") != Text(L"Help"));
    EXPECT_TRUE(Text(L"Hello") != Text(L"Hell"));
    EXPECT_LT(Text(L"apple").compare(Text(L"Banana")), 0);

    typedef std::basic_string<char, std::unichar_traits<char, 0>> Narrow;
    EXPECT_TRUE(Narrow("abc") != Narrow("ABC"));
    typedef std::basic_string<char, std::unichar_traits<char, 1>> NarrowNoCase;
    EXPECT_EQ(NarrowNoCase("abc").compare("ABC"), 0);
    // A common prefix that cuts a UTF-8 sequence does not throw.
    EXPECT_GT(NarrowNoCase("\xC3\xA9").compare("\xC3"), 0);
}

} // namespace
