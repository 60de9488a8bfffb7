#include <wformat>

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cstdint>
#include <string>

namespace {

template <class... Args>
std::wstring Format(const wchar_t* format, Args... args)
{
    std::wstring out = L"previous contents";
    FormatWide(out, format, args...);
    return out;
}

TEST(FormatWide, LastResultFormats)
{
    EXPECT_EQ(Format(L"%.3d (%S)", -3, L"Incorrect option"), L"-003 (Incorrect option)");
    EXPECT_EQ(Format(L"%.3d", 0), L"000");
    EXPECT_EQ(Format(L"%.3d", -5), L"-005");
    EXPECT_EQ(Format(L"%.3d", 7), L"007");
    EXPECT_EQ(Format(L"%.3d", 1234), L"1234");
    EXPECT_EQ(Format(L"%.3d", -1234), L"-1234");
}

TEST(FormatWide, IntegerConversions)
{
    EXPECT_EQ(Format(L"%d|%i|%D|%I", 0, 42, -42, INT_MIN),
              L"0|42|-42|-2147483648");
    EXPECT_EQ(Format(L"%u", 4294967295u), L"4294967295");
    EXPECT_EQ(Format(L"%x %X", 255, 255), L"ff FF");
    EXPECT_EQ(Format(L"%x", 0xDEADBEEFu), L"deadbeef");
    EXPECT_EQ(Format(L"%.4o", 8), L"0010");
    EXPECT_EQ(Format(L"%o", 0), L"0");
    EXPECT_EQ(Format(L"%l", std::int64_t(INT64_MIN)), L"-9223372036854775808");
    EXPECT_EQ(Format(L"%.5L", std::int64_t(-12)), L"-00012");
}

TEST(FormatWide, PrecisionIsClampedToTwenty)
{
    EXPECT_EQ(Format(L"%.25d", 1), std::wstring(19, L'0') + L"1");
    // A digit run far beyond any integer type is read without overflow.
    EXPECT_EQ(Format(L"%.99999999999999999999999999999999d", 1), std::wstring(19, L'0') + L"1");
    EXPECT_EQ(Format(L"%.0000000000000000000000000003d", 1), L"001");
}

TEST(FormatWide, UnknownDirectivesVanishWithoutTakingArguments)
{
    EXPECT_EQ(Format(L"100%%"), L"100");
    EXPECT_EQ(Format(L"a%%b%qc%d", 7), L"abc7");
    EXPECT_EQ(Format(L"[%-5d]", 3), L"[5d]");
    // 'l' is itself the 64-bit conversion.
    EXPECT_EQ(Format(L"%ld", std::int64_t(5)), L"5d");
}

TEST(FormatWide, Characters)
{
    EXPECT_EQ(Format(L"%c", 0x41), L"A");
    EXPECT_EQ(Format(L"%c", 0xE9), std::wstring(1, wchar_t(0xFFE9)));
    EXPECT_EQ(Format(L"%C", 0x141), L"A");  // low byte only
    EXPECT_EQ(Format(L"%.5c", 0x42), L"B");
}

TEST(FormatWide, Strings)
{
    EXPECT_EQ(Format(L"<%s>", L"text"), L"<text>");
    EXPECT_EQ(Format(L"<%s|%d>", static_cast<const wchar_t*>(nullptr), 9), L"<|9>");
    EXPECT_EQ(Format(L"%s", L""), L"");
}

TEST(FormatWide, FixedNotation)
{
    EXPECT_EQ(Format(L"%f", 1.5), L"1.500000");
    EXPECT_EQ(Format(L"%.0f", 1.5), L"2");
    EXPECT_EQ(Format(L"%.f", 2.25), L"2");
    EXPECT_EQ(Format(L"%.2F", -0.125), L"-0.12");
}

TEST(FormatWide, HugeFixedValueIsFormattedWhole)
{
    const std::wstring text = Format(L"%.20f", DBL_MAX);
    ASSERT_EQ(text.size(), 309u + 1u + 20u);
    EXPECT_EQ(text.substr(0, 6), L"179769");
    EXPECT_EQ(text.substr(309), L"." + std::wstring(20, L'0'));
    EXPECT_EQ(Format(L"%f", -DBL_MAX).size(), 1u + 309u + 1u + 6u);
}

TEST(FormatWide, DirectiveAtTheEndStopsTheOutput)
{
    EXPECT_EQ(Format(L"abc%"), L"abc");
    EXPECT_EQ(Format(L"abc%.12"), L"abc");
    EXPECT_EQ(Format(L"abc%."), L"abc");
    EXPECT_EQ(Format(L"%d%", 5), L"5");
}

TEST(FormatWide, EmptyFormatEmptiesOutput)
{
    EXPECT_EQ(Format(L""), L"");
    EXPECT_EQ(Format(L"plain text"), L"plain text");
}

TEST(FormatWideArgs, Appends)
{
    struct Helper {
        static void Run(std::wstring& out, const wchar_t* format, ...)
        {
            va_list args;
            va_start(args, format);
            FormatWideArgs(format, args, out);
            va_end(args);
        }
    };
    std::wstring out = L"x=";
    Helper::Run(out, L"%d", 12);
    EXPECT_EQ(out, L"x=12");
}

TEST(WideLength, CountsUpToTheZero)
{
    EXPECT_EQ(WideLength(L""), 0u);
    EXPECT_EQ(WideLength(L"abc"), 3u);
    EXPECT_EQ(WideLength(nullptr), 0u);
    const wchar_t embedded[] = {L'a', 0, L'b', 0};
    EXPECT_EQ(WideLength(embedded), 1u);
}

} // namespace
