#include <textconv>

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::u16string ToUtf16(const std::string& bytes, bool append = false,
                       const std::u16string& before = u"")
{
    std::auto_buffer<char16_t, 8> out;
    out.assign(before.data(), before.size());
    Utf8ToUtf16(out, bytes.data(), bytes.size(), append);
    return std::u16string(out.data(), out.size());
}

std::string ToUtf8(const std::u16string& units)
{
    std::auto_buffer<char, 8> out;
    Utf16ToUtf8(out, units.data(), units.size(), false);
    return std::string(out.data(), out.size());
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s.push_back(static_cast<char>(v));
    return s;
}

TEST(Utf8ToUtf16, BasicAndSupplementary)
{
    EXPECT_EQ(ToUtf16(Bytes({0x41, 0xE2, 0x82, 0xAC})), (std::u16string{0x41, 0x20AC}));
    EXPECT_EQ(ToUtf16(Bytes({0xF0, 0x9F, 0x98, 0x80})), (std::u16string{0xD83D, 0xDE00}));
    EXPECT_EQ(ToUtf16(Bytes({0xC3, 0xA9})), (std::u16string{0xE9}));
    EXPECT_EQ(ToUtf16(Bytes({0xF4, 0x8F, 0xBF, 0xBF})), (std::u16string{0xDBFF, 0xDFFF}));
}

TEST(Utf8ToUtf16, LenientDecoding)
{
    // A stray continuation byte and the bytes FE/FF stand for themselves.
    EXPECT_EQ(ToUtf16(Bytes({0x80})), (std::u16string{0x80}));
    EXPECT_EQ(ToUtf16(Bytes({0xFF, 0xFE})), (std::u16string{0xFF, 0xFE}));
    // Trailing bytes are not checked: E9 41 42 is one three-byte value.
    const std::uint32_t value = ((0xE9u << 12) + (0x41u << 6) + 0x42u - 0xE2080u) & 0xFFFFFFFFu;
    EXPECT_EQ(ToUtf16(Bytes({0xE9, 0x41, 0x42})), (std::u16string{char16_t(value)}));
    // Overlong forms decode to their value; encoded surrogates pass through.
    EXPECT_EQ(ToUtf16(Bytes({0xC0, 0xAF})), (std::u16string{0x2F}));
    EXPECT_EQ(ToUtf16(Bytes({0xED, 0xA0, 0x80})), (std::u16string{0xD800}));
    // Values above U+10FFFF become '?'.
    EXPECT_EQ(ToUtf16(Bytes({0xF4, 0x90, 0x80, 0x80})), u"?");
    EXPECT_EQ(ToUtf16(Bytes({0xFC, 0x84, 0x80, 0x80, 0x80, 0x80, 0x41})), u"?A");
}

TEST(Utf8ToUtf16, CutSequenceThrowsAndKeepsWhatWasConverted)
{
    std::auto_buffer<char16_t, 4> out;
    const std::string text = Bytes({0x61, 0x62, 0xE9});
    try {
        Utf8ToUtf16(out, text.data(), text.size(), false);
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "source string is corrupted");
    }
    EXPECT_EQ(std::u16string(out.data(), out.size()), u"ab");
    const std::string cutEmoji = Bytes({0xF0, 0x9F, 0x98});
    EXPECT_THROW(ToUtf16(cutEmoji), std::invalid_argument);
}

TEST(Utf8ToUtf16, CountAndAppendFlag)
{
    const char text[] = {'a', 'b', 0, 'c'};
    std::auto_buffer<char16_t, 4> out;
    Utf8ToUtf16(out, text, kUntilZero, false);
    EXPECT_EQ(std::u16string(out.data(), out.size()), u"ab");
    Utf8ToUtf16(out, text, 0xFFFFFFFFu, false);
    EXPECT_EQ(out.size(), 2u);
    Utf8ToUtf16(out, text, 4, false);
    EXPECT_EQ(std::u16string(out.data(), out.size()), (std::u16string{u'a', u'b', 0, u'c'}));

    EXPECT_EQ(ToUtf16("xyz", true, u"12"), u"12xyz");
    EXPECT_EQ(ToUtf16("xyz", false, u"12"), u"xyz");

    Utf8ToUtf16(out, nullptr, kUntilZero, false);
    EXPECT_EQ(out.size(), 0u);
}

TEST(Utf16ToUtf8, PairsAndLoneSurrogates)
{
    EXPECT_EQ(ToUtf8(std::u16string{0xD83D, 0xDE00}), Bytes({0xF0, 0x9F, 0x98, 0x80}));
    EXPECT_EQ(ToUtf8(std::u16string{0xD800}), Bytes({0xED, 0xA0, 0x80}));
    EXPECT_EQ(ToUtf8(std::u16string{0xDE00, 0xD83D}), Bytes({0xED, 0xB8, 0x80, 0xED, 0xA0, 0xBD}));
    EXPECT_EQ(ToUtf8(std::u16string{0x41, 0xE9, 0x20AC, 0xFFFF}),
              Bytes({0x41, 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xEF, 0xBF, 0xBF}));
    EXPECT_EQ(ToUtf8(std::u16string{0x7F, 0x80, 0x7FF, 0x800}),
              Bytes({0x7F, 0xC2, 0x80, 0xDF, 0xBF, 0xE0, 0xA0, 0x80}));
}

TEST(Utf16ToUtf8, ExplicitCountIncludesZeros)
{
    const char16_t text[] = {u'a', 0, u'b'};
    std::auto_buffer<char, 4> out;
    Utf16ToUtf8(out, text, 3, false);
    EXPECT_EQ(std::string(out.data(), out.size()), std::string("a\0b", 3));
    Utf16ToUtf8(out, text, kUntilZero, true);
    EXPECT_EQ(std::string(out.data(), out.size()), std::string("a\0ba", 4));
}

TEST(Utf16Utf8, RoundTripOfEveryBmpUnitAndSomePairs)
{
    std::u16string all;
    for (std::uint32_t u = 1; u <= 0xFFFF; ++u)
        all.push_back(static_cast<char16_t>(u));  // lone surrogates included
    all += u"\U0001F600\U00010000\U0010FFFF";
    EXPECT_EQ(ToUtf16(ToUtf8(all)), all);
}

TEST(Utf16ToUtf32, CombinesPairsKeepsLoneSurrogates)
{
    const char16_t text[] = {0x41, 0xD83D, 0xDE00, 0xD800, 0x42, 0xDC00, 0};
    std::auto_buffer<wchar_t, 2> wide;
    Utf16ToUtf32(wide, text, kUntilZero, false);
    EXPECT_EQ(std::wstring(wide.data(), wide.size()),
              (std::wstring{0x41, 0x1F600, 0xD800, 0x42, 0xDC00}));

    std::auto_buffer<std::uint32_t, 2> units;
    Utf16ToUtf32(units, text, 3, false);
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units.data()[1], 0x1F600u);
    // A high surrogate at the end of the counted source stays alone.
    Utf16ToUtf32(units, text, 2, false);
    EXPECT_EQ(units.size(), 2u);
    EXPECT_EQ(units.data()[1], 0xD83Du);
}

TEST(Utf32ToUtf16, ReplacesWhatUtf16CannotHold)
{
    const wchar_t text[] = {0x41, 0x1F600, 0xD800, 0x110000, wchar_t(-1), 0xFFFF, 0};
    std::auto_buffer<char16_t, 2> out;
    Utf32ToUtf16(out, text, kUntilZero, false);
    EXPECT_EQ(std::u16string(out.data(), out.size()),
              (std::u16string{0x41, 0xD83D, 0xDE00, u'?', u'?', u'?', 0xFFFF}));

    const std::uint32_t units[] = {0x10FFFF, 0x20AC};
    Utf32ToUtf16(out, units, 2, true);
    EXPECT_EQ(out.size(), 10u);
    EXPECT_EQ(out.data()[7], 0xDBFF);
    EXPECT_EQ(out.data()[8], 0xDFFF);
    EXPECT_EQ(out.data()[9], 0x20AC);
}

TEST(Utf8Wide, ConversionsAndStringHelpers)
{
    EXPECT_EQ(Utf8ToWideString("A\xE2\x82\xAC\xF0\x9F\x98\x80"), (std::wstring{0x41, 0x20AC, 0x1F600}));
    EXPECT_EQ(WideToUtf8String(std::wstring{0x41, 0x20AC, 0x1F600}), "A\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(WideToUtf8String(std::wstring{0xD800, 0x110000}), "??");
    EXPECT_EQ(Utf8ToWideString(std::string()), L"");
    // An encoded lone surrogate survives as one unit.
    EXPECT_EQ(Utf8ToWideString("\xED\xA0\x80x"), (std::wstring{0xD800, L'x'}));

    std::auto_buffer<wchar_t, 4> wide;
    wide.assign(L"ab", 2);
    const std::string cut = "c\xF0\x9F\x98\x80\xE2\x82";
    try {
        Utf8ToWide(wide, cut.data(), cut.size(), true);
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "source string is corrupted");
    }
    EXPECT_EQ(std::wstring(wide.data(), wide.size()), (std::wstring{L'a', L'b', L'c', 0x1F600}));
    EXPECT_THROW(Utf8ToWideString("\xC3"), std::invalid_argument);
}

TEST(Converters, TargetThatCannotGrowThrowsBadAlloc)
{
    char16_t array[2];
    std::static_buffer<char16_t> out(array, 2);
    EXPECT_THROW(Utf8ToUtf16(out, "abc", kUntilZero, false), std::bad_alloc);
    EXPECT_EQ(std::u16string(out.data(), out.size()), u"ab");
}

TEST(Utf8Sequence, StrictDecodingRejectsWhatIsNotWellFormed)
{
    std::uint32_t value = 0;
    const std::string euro = Bytes({0xE2, 0x82, 0xAC});
    EXPECT_EQ(DecodeUtf8Strict(euro.data(), euro.size(), &value), 3u);
    EXPECT_EQ(value, 0x20ACu);
    const std::string emoji = Bytes({0xF0, 0x9F, 0x98, 0x80, 0x41});
    EXPECT_EQ(DecodeUtf8Strict(emoji.data(), emoji.size(), &value), 4u);
    EXPECT_EQ(value, 0x1F600u);

    for (const std::string& bad :
         {Bytes({0xE2, 0x82}), Bytes({0xC0, 0x80}), Bytes({0xE0, 0x80, 0x80}), Bytes({0x80}),
          Bytes({0xED, 0xA0, 0x80}), Bytes({0xF4, 0x90, 0x80, 0x80}), Bytes({0xC3, 0x41}),
          Bytes({0xFF})})
        EXPECT_EQ(DecodeUtf8Strict(bad.data(), bad.size(), &value), 0u) << bad.size();
    EXPECT_EQ(DecodeUtf8Strict(nullptr, 4), 0u);
    EXPECT_EQ(DecodeUtf8Strict("a", 0), 0u);
}

TEST(Utf8Sequence, EncodeAndLenientDecodeAgreeOverAllLengths)
{
    for (std::uint32_t value : {0x41u, 0x7FFu, 0xFFFFu, 0x10FFFFu, 0x1FFFFFu, 0x3FFFFFFu, 0x7FFFFFFFu}) {
        char bytes[kUtf8MaxBytes];
        const unsigned length = EncodeUtf8(value, bytes);
        ASSERT_GE(length, 1u);
        const auto* p = reinterpret_cast<const unsigned char*>(bytes);
        EXPECT_EQ(Utf8TrailingBytes(p[0]) + 1, length) << value;
        EXPECT_EQ(Utf8SequenceValue(p, length - 1), value);
    }
    char bytes[kUtf8MaxBytes];
    EXPECT_EQ(EncodeUtf8(0x80000000u, bytes), 0u);
    EXPECT_EQ(Utf8TrailingBytes(0x80), 0u);  // a stray continuation byte stands alone
    EXPECT_EQ(Utf8TrailingBytes(0xFE), 0u);

    char16_t units[2];
    EXPECT_EQ(Utf16Units(0x1F600, units), 2u);
    EXPECT_EQ(units[0], 0xD83D);
    EXPECT_EQ(units[1], 0xDE00);
    EXPECT_EQ(Utf16Units(0x110000, units), 1u);
    EXPECT_EQ(units[0], u'?');
}

} // namespace
