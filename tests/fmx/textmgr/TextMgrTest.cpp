#include "fmx/TextMgr.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

using fmx::TextMgr;

class TextMgrTest : public ::testing::Test {
protected:
    void SetUp() override { mgr_ = &fmx::Singleton<TextMgr>::Create(nullptr); }
    void TearDown() override { fmx::Singleton<TextMgr>::DestroyInstance(); }
    TextMgr& mgr() { return *mgr_; }

private:
    TextMgr* mgr_ = nullptr;
};

// One byte of `charset` as a code point; -1 when the set does not define it.
long Decode(const char* charset, unsigned char byte)
{
    iconv_t cd = iconv_open("UTF-32LE", charset);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return -2;
    char in[1] = {static_cast<char>(byte)};
    unsigned char out[8];
    char* ip = in;
    char* op = reinterpret_cast<char*>(out);
    std::size_t il = 1, ol = sizeof out;
    const std::size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1) || sizeof out - ol != 4)
        return -1;
    return static_cast<long>(out[0] | (out[1] << 8) | (out[2] << 16) | (long(out[3]) << 24));
}

// The byte of `charset` for a code point; -1 when the set lacks it.
int Encode(const char* charset, long codePoint)
{
    iconv_t cd = iconv_open(charset, "UTF-32LE");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return -2;
    unsigned char in[4] = {static_cast<unsigned char>(codePoint),
                           static_cast<unsigned char>(codePoint >> 8),
                           static_cast<unsigned char>(codePoint >> 16),
                           static_cast<unsigned char>(codePoint >> 24)};
    char out[8];
    char* ip = reinterpret_cast<char*>(in);
    char* op = out;
    std::size_t il = 4, ol = sizeof out;
    const std::size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1) || sizeof out - ol != 1)
        return -1;
    return static_cast<unsigned char>(out[0]);
}

// Every character that both code pages have must arrive as itself.
void CheckTable(TextMgr& mgr, std::int32_t from, const char* fromSet, std::int32_t to,
                const char* toSet)
{
    int shared = 0;
    for (int b = 0; b < 256; ++b) {
        char byte = static_cast<char>(b);
        ASSERT_EQ(mgr.ConvertInPlace(from, to, &byte, 1), fmx::kTextOk);
        const int mapped = static_cast<unsigned char>(byte);
        if (b < 0x80) {
            EXPECT_EQ(mapped, b);
            continue;
        }
        const long codePoint = Decode(fromSet, static_cast<unsigned char>(b));
        ASSERT_NE(codePoint, -2) << "iconv lacks " << fromSet;
        const int expected = codePoint < 0 ? -1 : Encode(toSet, codePoint);
        ASSERT_NE(expected, -2) << "iconv lacks " << toSet;
        if (expected >= 0) {
            ++shared;
            EXPECT_EQ(mapped, expected) << std::hex << "byte 0x" << b << " U+" << codePoint;
        }
    }
    EXPECT_GT(shared, 90);
}

TEST_F(TextMgrTest, MacRomanTableMatchesIconv)
{
    CheckTable(mgr(), fmx::kEncodingMacRoman, "MACINTOSH", fmx::kEncodingWinAnsi, "CP1252");
}

TEST_F(TextMgrTest, WinAnsiTableMatchesIconv)
{
    CheckTable(mgr(), fmx::kEncodingWinAnsi, "CP1252", fmx::kEncodingMacRoman, "MACINTOSH");
}

TEST_F(TextMgrTest, TableConversionOfBytes)
{
    // Mac 0x80 (Ä) is Windows 0xC4 and back; Mac 0x87 á, 0x96 ñ.
    const char mac[] = {'A', '\x80', '\x87', '\x96'};
    char win[4] = {};
    std::uint32_t written = 99;
    ASSERT_EQ(mgr().ConvertBytes(fmx::kEncodingMacRoman, mac, 4, fmx::kEncodingWinAnsi, win, 4,
                                 &written),
              fmx::kTextOk);
    EXPECT_EQ(written, 4u);
    EXPECT_EQ(std::string(win, 4), "A\xC4\xE1\xF1");

    char back[4] = {};
    ASSERT_EQ(mgr().ConvertBytes(fmx::kEncodingWinAnsi, win, 4, fmx::kEncodingMacRoman, back, 4,
                                 &written),
              fmx::kTextOk);
    EXPECT_EQ(std::string(back, 4), std::string(mac, 4));

    EXPECT_EQ(mgr().ConvertBytes(fmx::kEncodingMacRoman, mac, 4, fmx::kEncodingWinAnsi, win, 3,
                                 &written),
              fmx::kTextTargetTooSmall);
    EXPECT_EQ(mgr().ConvertBytes(fmx::kEncodingMacRoman, nullptr, 4, fmx::kEncodingWinAnsi, win,
                                 4, &written),
              fmx::kTextNullPointer);
    EXPECT_EQ(mgr().ConvertInPlace(fmx::kEncodingMacRoman, fmx::kEncodingWinAnsi, nullptr, 4),
              fmx::kTextNullPointer);
}

TEST_F(TextMgrTest, PairsWithoutConverter)
{
    char buffer[4] = {'a', 'b', 'c', 'd'};
    char target[8];
    std::uint32_t written = 0;
    EXPECT_EQ(mgr().ConvertInPlace(fmx::kEncodingWinAnsi, fmx::kEncodingWinAnsi, buffer, 4),
              fmx::kTextNoConverter);
    EXPECT_EQ(mgr().ConvertBytes(fmx::kEncodingUtf8, buffer, 4, fmx::kEncodingWinAnsi, target,
                                 8, &written),
              fmx::kTextNoConverter);
    EXPECT_EQ(mgr().ConvertToWide(fmx::kEncodingUtf16, buffer, 4,
                                  reinterpret_cast<char16_t*>(target), 4, &written),
              fmx::kTextNoConverter);
    // A converter of another kind than the entry point needs counts as none.
    EXPECT_EQ(mgr().ConvertInPlace(fmx::kEncodingUtf16, fmx::kEncodingUtf8, buffer, 4),
              fmx::kTextNoConverter);
    EXPECT_EQ(mgr().GetConverter(fmx::kEncodingUtf8, fmx::kEncodingUtf8), nullptr);
    EXPECT_EQ(mgr().GetConverter(fmx::kEncodingUtf8, fmx::kEncodingMacRoman), nullptr);
}

TEST_F(TextMgrTest, GeneralMultiByteEntryPointsReportNoConverter)
{
    char buffer[4] = {'a', 'b', 'c', 'd'};
    char target[8] = {};
    std::uint32_t written = 77;
    EXPECT_EQ(mgr().ConvertMultiByte(fmx::kEncodingMacRoman, buffer, 4, fmx::kEncodingWinAnsi,
                                     target, 8, &written),
              fmx::kTextNoConverter);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(mgr().ConvertMultiByteInPlace(fmx::kEncodingMacRoman, fmx::kEncodingWinAnsi,
                                            buffer, 4),
              fmx::kTextNoConverter);
}

TEST_F(TextMgrTest, Utf8ToWide)
{
    char16_t out[8];
    std::uint32_t written = 0;
    const char text[] = "A\xE2\x82\xAC\xF0\x9F\x98\x80";
    ASSERT_EQ(mgr().ConvertToWide(fmx::kEncodingUtf8, text, 8, out, 8, &written), fmx::kTextOk);
    ASSERT_EQ(written, 4u);
    EXPECT_EQ(std::u16string(out, written), (std::u16string{0x41, 0x20AC, 0xD83D, 0xDE00}));

    // Values above U+10FFFF become '?'.
    ASSERT_EQ(mgr().ConvertToWide(fmx::kEncodingUtf8, "\xF4\x90\x80\x80", 4, out, 8, &written),
              fmx::kTextOk);
    EXPECT_EQ(std::u16string(out, written), u"?");
}

TEST_F(TextMgrTest, Utf8ToWideStops)
{
    char16_t out[8];
    std::uint32_t written = 0;
    // Ends after a lead byte: the complete characters before it are written.
    EXPECT_EQ(mgr().ConvertToWide(fmx::kEncodingUtf8, "ab\xE2\x82", 4, out, 8, &written),
              fmx::kTextTruncated);
    EXPECT_EQ(written, 2u);
    EXPECT_EQ(std::u16string(out, written), u"ab");

    // A pair does not fit into the last unit.
    EXPECT_EQ(mgr().ConvertToWide(fmx::kEncodingUtf8, "abc\xF0\x9F\x98\x80", 7, out, 4, &written),
              fmx::kTextTargetTooSmall);
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(mgr().ConvertToWide(fmx::kEncodingUtf8, "abc", 3, out, 2, &written),
              fmx::kTextTargetTooSmall);
    EXPECT_EQ(written, 2u);

    EXPECT_EQ(mgr().ConvertToWide(fmx::kEncodingWinAnsi, "abc", 3, out, 8, &written),
              fmx::kTextUnsupported);
    EXPECT_EQ(mgr().ConvertToWide(fmx::kEncodingUtf8, nullptr, 3, out, 8, &written),
              fmx::kTextNullPointer);
    EXPECT_EQ(mgr().ConvertToWide(fmx::kEncodingUtf8, "abc", 3, nullptr, 8, &written),
              fmx::kTextNullPointer);
}

TEST_F(TextMgrTest, WideToUtf8)
{
    char out[16];
    std::uint32_t written = 0;
    bool used = true;
    const char16_t text[] = {0x41, 0xE9, 0x20AC, 0xD83D, 0xDE00, 0xD800};
    ASSERT_EQ(mgr().ConvertFromWide(text, 6, fmx::kEncodingUtf8, out, 16, &written, '?', &used),
              fmx::kTextOk);
    EXPECT_FALSE(used);
    EXPECT_EQ(std::string(out, written),
              "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xED\xA0\x80");

    // No room for the whole of a character: stop before it.
    EXPECT_EQ(mgr().ConvertFromWide(text, 6, fmx::kEncodingUtf8, out, 5, &written),
              fmx::kTextTargetTooSmall);
    EXPECT_EQ(std::string(out, written), "A\xC3\xA9");

    EXPECT_EQ(mgr().ConvertFromWide(text, 6, fmx::kEncodingMacRoman, out, 16, &written),
              fmx::kTextUnsupported);
    EXPECT_EQ(mgr().ConvertFromWide(text, 6, fmx::kEncodingUtf16, out, 16, &written),
              fmx::kTextNoConverter);
    EXPECT_EQ(mgr().ConvertFromWide(nullptr, 6, fmx::kEncodingUtf8, out, 16, &written),
              fmx::kTextNullPointer);
}

TEST_F(TextMgrTest, ConvertersAreSharedWhileHeld)
{
    fmx::TextConverter* first = mgr().GetConverter(fmx::kEncodingMacRoman, fmx::kEncodingWinAnsi);
    ASSERT_NE(first, nullptr);
    EXPECT_NE(dynamic_cast<fmx::TextConvSByteToSByte*>(first), nullptr);
    EXPECT_EQ(first->RefCount(), 1);
    fmx::TextConverter* second = mgr().GetConverter(fmx::kEncodingMacRoman, fmx::kEncodingWinAnsi);
    EXPECT_EQ(second, first);
    EXPECT_EQ(first->RefCount(), 2);

    // Entry points borrow the cached converter and give it back.
    char byte = '\x80';
    EXPECT_EQ(mgr().ConvertInPlace(fmx::kEncodingMacRoman, fmx::kEncodingWinAnsi, &byte, 1),
              fmx::kTextOk);
    EXPECT_EQ(first->RefCount(), 2);

    mgr().ReleaseConverter(second);
    EXPECT_EQ(first->RefCount(), 1);
    mgr().ReleaseConverter(first);  // deleted and out of the cache

    fmx::TextConverter* wide = mgr().GetConverter(fmx::kEncodingUtf8, fmx::kEncodingUtf16);
    ASSERT_NE(wide, nullptr);
    EXPECT_NE(dynamic_cast<fmx::TextConvMByteToWChar*>(wide), nullptr);
    EXPECT_EQ(wide->RefCount(), 1);
    mgr().ReleaseConverter(wide);
    fmx::TextConverter* bytes = mgr().GetConverter(fmx::kEncodingUtf16, fmx::kEncodingUtf8);
    EXPECT_NE(dynamic_cast<fmx::TextConvWCharToMByte*>(bytes), nullptr);
    mgr().ReleaseConverter(bytes);
}

TEST_F(TextMgrTest, DuplicateTableIsRefused)
{
    static const unsigned char table[256] = {};
    try {
        mgr().RegisterTable(fmx::kEncodingMacRoman, fmx::kEncodingWinAnsi, table);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Translation tables are duplicated!");
    }
    EXPECT_NO_THROW(mgr().RegisterTable(fmx::kEncodingUtf8, fmx::kEncodingMacRoman, table));
}

TEST_F(TextMgrTest, ReplacementForUnmappedBytes)
{
    // A table whose upper half is all '?': every upper byte needs a replacement.
    static unsigned char table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<unsigned char>(i < 0x80 ? i : '?');
    mgr().RegisterTable(fmx::kEncodingUtf8, fmx::kEncodingWinAnsi, table);

    char text[] = {'a', '\xC3', '\xA9'};
    bool used = false;
    ASSERT_EQ(mgr().ConvertInPlace(fmx::kEncodingUtf8, fmx::kEncodingWinAnsi, text, 3, '_', &used),
              fmx::kTextOk);
    EXPECT_TRUE(used);
    EXPECT_EQ(std::string(text, 3), "a__");

    char plain[] = {'a', 'b'};
    ASSERT_EQ(mgr().ConvertInPlace(fmx::kEncodingUtf8, fmx::kEncodingWinAnsi, plain, 2, '_', &used),
              fmx::kTextOk);
    EXPECT_FALSE(used);
}

TEST(TextMgrSingleton, LifeCycle)
{
    EXPECT_FALSE(fmx::Singleton<TextMgr>::Exists());
    try {
        fmx::Singleton<TextMgr>::GetInstance();
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Bad access to fmx::Singleton<>::GetInstance");
    }
    TextMgr& mgr = fmx::Singleton<TextMgr>::Create(nullptr);
    EXPECT_EQ(&fmx::Singleton<TextMgr>::GetInstance(), &mgr);
    fmx::SingletonBase* base = &mgr;
    base->Destroy();
    EXPECT_FALSE(fmx::Singleton<TextMgr>::Exists());
    // A new manager registers its tables afresh.
    TextMgr& again = fmx::Singleton<TextMgr>::Create(nullptr);
    char byte = '\x80';
    EXPECT_EQ(again.ConvertInPlace(fmx::kEncodingMacRoman, fmx::kEncodingWinAnsi, &byte, 1),
              fmx::kTextOk);
    EXPECT_EQ(byte, '\xC4');
    fmx::Singleton<TextMgr>::DestroyInstance();
}

} // namespace
