#include <textconv>

#include "platform/win32/winstring.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace {

TEST(CaseMapping, Utf8)
{
    std::auto_buffer<char, 4> out;
    ToLowerCase(out, "Hello \xC3\x89T\xC3\x89 \xCE\xA3", false);  // ÉTÉ Σ
    EXPECT_EQ(std::string(out.data(), out.size()), "hello \xC3\xA9t\xC3\xA9 \xCF\x83");
    ToUpperCase(out, "abc", true);
    EXPECT_EQ(std::string(out.data(), out.size()), "hello \xC3\xA9t\xC3\xA9 \xCF\x83" "ABC");
    ToUpperCase(out, "x\xF0\x90\x90\xA8", false);  // Deseret small long I
    EXPECT_EQ(std::string(out.data(), out.size()), "X\xF0\x90\x90\x80");
}

TEST(CaseMapping, Utf8MalformedSourceThrows)
{
    std::auto_buffer<char, 4> out;
    EXPECT_THROW(ToLowerCase(out, "AB\xE2\x82", false), std::invalid_argument);
}

TEST(CaseMapping, Utf16KeepsLengthAndLoneSurrogates)
{
    const char16_t source[] = {u'A', 0xD801, 0xDC00, 0xD800, u'b', 0};
    std::auto_buffer<char16_t, 2> out;
    out.assign(u"<", 1);
    ToLowerCase(out, source, true);
    EXPECT_EQ(std::u16string(out.data(), out.size()),
              (std::u16string{u'<', u'a', 0xD801, 0xDC28, 0xD800, u'b'}));
    ToUpperCase(out, u"stra\u00DFe", false);
    // Simple case mapping keeps one character for ß.
    EXPECT_EQ(std::u16string(out.data(), out.size()), u"STRA\u00DFE");
}

TEST(CaseMapping, WideAndThirtyTwoBitFormsMapCase)
{
    std::auto_buffer<wchar_t, 2> wide;
    ToUpperCase(wide, L"grüße \U0001F600 \U00010428", false);
    EXPECT_EQ(std::wstring(wide.data(), wide.size()), L"GRÜßE \U0001F600 \U00010400");
    ToLowerCase(wide, L"ÀB", true);
    EXPECT_EQ(std::wstring(wide.data(), wide.size()), L"GRÜßE \U0001F600 \U00010400àb");

    const std::uint32_t source[] = {0x41, 0x3A3, 0x10400, 0xFFFFFFFFu, 0};
    std::auto_buffer<std::uint32_t, 2> units;
    ToLowerCase(units, source, false);
    ASSERT_EQ(units.size(), 4u);
    EXPECT_EQ(units.data()[0], 0x61u);
    EXPECT_EQ(units.data()[1], 0x3C3u);
    EXPECT_EQ(units.data()[2], 0x10428u);
    EXPECT_EQ(units.data()[3], 0xFFFFFFFFu);
    ToUpperCase(units, source, false);
    EXPECT_EQ(units.data()[1], 0x3A3u);
}

TEST(CaseMapping, SourceInsideTheTarget)
{
    std::auto_buffer<wchar_t, 4> wide;
    wide.assign(L"abc", 4);  // with its zero
    wide.resize(3);
    ToUpperCase(wide, wide.data(), true);
    EXPECT_EQ(std::wstring(wide.data(), wide.size()), L"abcABC");
}

TEST(CharBuffW, AnswersTheLength)
{
    char16_t text[] = u"MiXeD";
    EXPECT_EQ(win32::CharLowerBuffW(text, 5), 5u);
    EXPECT_EQ(std::u16string(text), u"mixed");
    EXPECT_EQ(win32::CharUpperBuffW(text, 3), 3u);
    EXPECT_EQ(std::u16string(text), u"MIXed");
}

} // namespace
