// us-ascii, the nameless 8-bit set and utf-8.
#include <gtest/gtest.h>

#include <string>

#include "cs/MICharacterSet.h"

namespace {

const CS::CharacterSet& Ascii() { return MICharacterSet::GetUSASCIICharacterSet(); }
const CS::CharacterSet& Ascii8() { return MICharacterSet::GetUSASCII8bitCharacterSet(); }
const CS::CharacterSet& Utf8() { return MICharacterSet::GetCharacterSet("utf-8"); }

TEST(USASCII, DecodeStopsAtTheFirstHighByte) {
    std::wstring out = L">";
    EXPECT_EQ(Ascii().Decode("\x41\x42\xC3\x41", 4, out), 2u);
    EXPECT_EQ(out, L">AB");
    out.clear();
    EXPECT_EQ(Ascii().Decode("\x80", 1, out), 0u);
    EXPECT_EQ(out, L"");
    EXPECT_EQ(Ascii().Decode("\x7F\x00x", 3, out), 3u);  // NUL and DEL are ASCII
    EXPECT_EQ(out, std::wstring(L"\x7F\0x", 3));
}

TEST(USASCII, EncodeStopsAtTheFirstCharacterAbove7F) {
    std::string out;
    EXPECT_EQ(Ascii().Encode(L"ok\u00E9!", 4, out), 2u);
    EXPECT_EQ(out, "ok");
    out.clear();
    // Whole 32-bit values count: U+10041 is no 'A', a negative unit no byte.
    EXPECT_EQ(Ascii().Encode(L"\U00010041", 1, out), 0u);
    const wchar_t negative[] = {static_cast<wchar_t>(-191)};
    EXPECT_EQ(Ascii().Encode(negative, 1, out), 0u);
    EXPECT_EQ(out, "");
}

TEST(USASCII8bit, DecodeSignExtendsTo16Bits) {
    std::wstring out;
    EXPECT_EQ(Ascii8().Decode("A\x80\xE9\xFF", 4, out), 4u);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0], L'A');
    EXPECT_EQ(static_cast<std::uint32_t>(out[1]), 0xFF80u);
    EXPECT_EQ(static_cast<std::uint32_t>(out[2]), 0xFFE9u);
    EXPECT_EQ(static_cast<std::uint32_t>(out[3]), 0xFFFFu);
}

TEST(USASCII8bit, EncodeWritesLowBytesAndRoundTrips) {
    std::wstring wide;
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    ASSERT_EQ(Ascii8().Decode(all.data(), all.size(), wide), 256u);
    std::string back;
    EXPECT_EQ(Ascii8().Encode(wide.data(), wide.size(), back), 256u);
    EXPECT_EQ(back, all);
    back.clear();
    EXPECT_EQ(Ascii8().Encode(L"\u0141\U00010041", 2, back), 2u);
    EXPECT_EQ(back, "\x41\x41");
    EXPECT_EQ(Ascii8().GetName(), "");
}

TEST(UTF8, DecodesWholeText) {
    std::wstring out = L"x";
    const std::string bytes = "\x41\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(Utf8().Decode(bytes.data(), bytes.size(), out), bytes.size());
    EXPECT_EQ(out, L"xA\u20AC\U0001F600");
}

TEST(UTF8, CutOffSequenceFailsWithNothingAppended) {
    std::wstring out = L"keep";
    EXPECT_EQ(Utf8().Decode("ab\xE2\x82", 4, out), 0u);
    EXPECT_EQ(out, L"keep");
    EXPECT_EQ(Utf8().Decode("\xE9", 1, out), 0u);
    EXPECT_EQ(out, L"keep");
}

TEST(UTF8, DecodingIsLenient) {
    std::wstring out;
    // Trailing bytes are not checked; a stray continuation byte stands for itself.
    EXPECT_EQ(Utf8().Decode("\xE9xy", 3, out), 3u);
    EXPECT_EQ(out.size(), 1u);
    out.clear();
    EXPECT_EQ(Utf8().Decode("\x80", 1, out), 1u);
    EXPECT_EQ(out, L"\u0080");
    out.clear();
    // Beyond U+10FFFF: '?'.
    EXPECT_EQ(Utf8().Decode("\xF4\x90\x80\x80", 4, out), 4u);
    EXPECT_EQ(out, L"?");
}

TEST(UTF8, EncodesAndRoundTrips) {
    const std::wstring text = L"A\u00E9\u20AC\U0001F600\U0010FFFF";
    std::string out = "x";
    EXPECT_EQ(Utf8().Encode(text.data(), text.size(), out), text.size());
    EXPECT_EQ(out, "xA\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF");
    std::wstring back;
    EXPECT_EQ(Utf8().Decode(out.data() + 1, out.size() - 1, back), out.size() - 1);
    EXPECT_EQ(back, text);
}

TEST(UTF8, SurrogatesAndValuesBeyondUnicodeEncodeAsQuestionMarks) {
    const wchar_t text[] = {0xD800, 0xDFFF, 0x110000, 0x7FFFFFFF, static_cast<wchar_t>(-1)};
    std::string out;
    EXPECT_EQ(Utf8().Encode(text, 5, out), 5u);
    EXPECT_EQ(out, "?????");
    // Such values cannot come back, so the set refuses them when it must not substitute.
    for (const wchar_t c : text) {
        out.clear();
        EXPECT_EQ(Utf8().EncodeWithoutSubstitution(&c, 1, out), 0u) << std::hex << c;
        EXPECT_EQ(out, "");
    }
    EXPECT_EQ(Utf8().EncodeWithoutSubstitution(L"\U0010FFFF\uD7FF\uE000", 3, out), 3u);
}

}  // namespace
