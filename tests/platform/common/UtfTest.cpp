// The stand-ins' UTF codec: the strict conversions against glibc's
// converters, every scalar value both ways, and the replacing rule.
#include <gtest/gtest.h>

#include <iconv.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/common/Utf.h"

namespace {

namespace utf = pvcommon::utf;

// glibc's strict conversion of a whole text; false on any error.
class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() { iconv_close(cd_); }
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    bool Convert(const std::string& in, std::string& out)
    {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[64];
        char* src = const_cast<char*>(in.data());
        std::size_t left = in.size();
        char* dst = buffer;
        std::size_t room = sizeof buffer;
        const bool done = iconv(cd_, &src, &left, &dst, &room) != static_cast<std::size_t>(-1);
        out.assign(buffer, static_cast<std::size_t>(dst - buffer));
        return done && left == 0;
    }

private:
    iconv_t cd_;
};

std::string Bytes(const std::u16string& units)
{
    std::string out;
    for (char16_t u : units) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
    return out;
}

// Every sequence of one and two bytes, and of three and four bytes over the
// leads and follow bytes where the forms' bounds lie.
TEST(Utf, StrictUtf8DecodingAgreesWithGlibc)
{
    Iconv glibc("UTF-16LE", "UTF-8");
    ASSERT_TRUE(glibc.ok());
    std::vector<std::string> texts;
    for (int a = 0; a < 256; ++a) {
        texts.push_back(std::string(1, static_cast<char>(a)));
        for (int b = 0; b < 256; ++b)
            texts.push_back({static_cast<char>(a), static_cast<char>(b)});
    }
    const unsigned char threes[] = {0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED,
                                    0xEE, 0xEF, 0xF0, 0xF4, 0xF5};
    const unsigned char follows[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90,
                                     0x9F, 0xA0, 0xBF, 0xC0, 0xFF};
    for (unsigned char a : threes) {
        for (int b = 0; b < 256; ++b) {
            for (int c = 0; c < 256; ++c)
                texts.push_back({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)});
            if (a < 0xF0)
                continue;
            for (unsigned char c : follows)
                for (unsigned char d : follows)
                    texts.push_back({static_cast<char>(a), static_cast<char>(b),
                                     static_cast<char>(c), static_cast<char>(d)});
        }
    }
    std::size_t accepted = 0;
    for (const std::string& text : texts) {
        std::string expected;
        const bool valid = glibc.Convert(text, expected);
        std::u16string units = u"stale";
        const bool decoded = utf::Utf8ToUtf16(text.data(), text.size(), units);
        ASSERT_EQ(decoded, valid) << testing::PrintToString(text);
        ASSERT_EQ(Bytes(units), valid ? expected : "") << testing::PrintToString(text);
        accepted += valid;
    }
    // Well formed: 128 of one byte; 128 * 128 + 30 * 64 of two; C2 and DF
    // before an ASCII byte 2 * 64 * 128, E1 EC EE EF 4 * 64 * 64, E0 and ED
    // 2 * 32 * 64 of three; F0 48 * 6 * 6 and F4 16 * 6 * 6 of four.
    EXPECT_EQ(accepted, 128u + 18304u + 16384u + 16384u + 4096u + 1728u + 576u);
}

TEST(Utf, StrictUtf16EncodingAgreesWithGlibc)
{
    Iconv glibc("UTF-8", "UTF-16LE");
    ASSERT_TRUE(glibc.ok());
    const char16_t units[] = {0x0000, 0x0041, 0x007F, 0x0080, 0x07FF, 0x0800, 0xD7FF, 0xD800,
                              0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFFFD, 0xFFFF};
    std::size_t lone = 0;
    for (char16_t a : units) {
        for (char16_t b : units) {
            for (char16_t c : units) {
                for (std::size_t n = 1; n <= 3; ++n) {
                    const std::u16string text = std::u16string{a, b, c}.substr(0, n);
                    std::string expected;
                    const bool valid = glibc.Convert(Bytes(text), expected);
                    std::string out = "stale";
                    ASSERT_EQ(utf::Utf16ToUtf8(text.data(), text.size(), out), valid)
                        << testing::PrintToString(Bytes(text));
                    ASSERT_EQ(out, valid ? expected : "");
                    lone += !valid;
                }
            }
        }
    }
    EXPECT_GT(lone, 0u);
}

TEST(Utf, EveryScalarValueRoundTrips)
{
    std::string bytes;
    std::u16string units;
    for (std::uint32_t c = 0; c <= 0x10FFFF; ++c) {
        if (utf::IsSurrogate(c))
            continue;
        bytes.clear();
        units.clear();
        utf::AppendUtf8(bytes, c);
        utf::AppendUtf16(units, c);
        ASSERT_EQ(bytes.size(), c < 0x80 ? 1u : c < 0x800 ? 2u : c < 0x10000 ? 3u : 4u);
        std::size_t i = 0;
        std::uint32_t back = 0;
        ASSERT_TRUE(utf::NextUtf8(bytes.data(), bytes.size(), i, back));
        ASSERT_EQ(back, c);
        ASSERT_EQ(i, bytes.size());
        i = 0;
        ASSERT_EQ(utf::NextUtf16(units.data(), units.size(), i), c);
        ASSERT_EQ(i, units.size());
        ASSERT_EQ(utf::Utf16ToUtf8Replacing(units.data(), units.size()), bytes);
        ASSERT_EQ(utf::Utf8ToUtf16Replacing(bytes.data(), bytes.size()), units);
    }
}

// One U+FFFD for each byte that starts no well-formed sequence, each lone
// surrogate and each value that is no scalar value; the rest as it is.
TEST(Utf, ReplacingWritesOneReplacementForEachBadByteUnitOrValue)
{
    const std::string bad = "a\xC0\xAF"       // overlong
                            "b\xED\xA0\x80"   // a surrogate
                            "c\xF4\x90\x80\x80"   // beyond U+10FFFF
                            "d\x80\xF8"       // a stray continuation, F8
                            "e\xE2\x82"       // cut short by a byte...
                            "f\xE2\x82";      // ...and by the end
    EXPECT_EQ(utf::Utf8ToUtf16Replacing(bad.data(), bad.size()),
              u"a\uFFFD\uFFFDb\uFFFD\uFFFD\uFFFDc\uFFFD\uFFFD\uFFFD\uFFFD"
              u"d\uFFFD\uFFFDe\uFFFD\uFFFDf\uFFFD\uFFFD");
    std::u16string strict = u"x";
    EXPECT_FALSE(utf::Utf8ToUtf16(bad.data(), bad.size(), strict));
    EXPECT_EQ(strict, u"");

    const char16_t lone[] = {0xD800, 'a', 0xDC00, 0xD83D, 0xDE00, 0xDBFF};
    EXPECT_EQ(utf::Utf16ToUtf8Replacing(lone, 6),
              "\xEF\xBF\xBD" "a\xEF\xBF\xBD\xF0\x9F\x98\x80\xEF\xBF\xBD");
    std::size_t i = 0;
    EXPECT_EQ(utf::NextUtf16(lone, 6, i), 0xD800u);   // handed back as it is
    EXPECT_EQ(i, 1u);

    const wchar_t wide[] = {L'a', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000),
                            static_cast<wchar_t>(-1), static_cast<wchar_t>(0x10FFFF)};
    EXPECT_EQ(utf::Utf32ToUtf8Replacing(wide, 5),
              "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xF4\x8F\xBF\xBF");
    std::u16string units;
    utf::AppendUtf16(units, 0x110000);
    utf::AppendUtf16(units, 0xDFFF);
    EXPECT_EQ(units, u"\uFFFD\uFFFD");
}

} // namespace
