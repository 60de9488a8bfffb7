// libFMWrapper texts, numbers and four-character codes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "fmapi/fm_api.h"
#include "world/World.h"

namespace {

struct Err : FMError {
    Err() : FMError{1, 0} {}
};

struct TextBox {
    FMText* t;
    TextBox()
    {
        Err e;
        t = FM_Text_Constructor1(&e);
    }
    ~TextBox()
    {
        Err e;
        FM_Text_Delete(t, &e);
    }
    std::u16string Units() const
    {
        Err e;
        std::u16string u(FM_Text_GetSize(t, &e), u'\0');
        FM_Text_GetUnicode(t, u.data(), 0, static_cast<std::uint32_t>(u.size()), &e);
        return u;
    }
    std::string Bytes(std::int32_t encoding, std::uint32_t room = 256) const
    {
        Err e;
        std::string b(room, '\0');
        std::uint32_t n = FM_Text_GetBytes(t, b.data(), room, 0, FM_Text_GetSize(t, &e), encoding, &e);
        EXPECT_EQ(e.code, 0);
        return b.substr(0, n);
    }
};

} // namespace

TEST(Text, HeldAsUtf16FromEveryEncoding)
{
    TextBox box;
    Err e;
    e.code = 99;
    FM_Text_Assign(box.t, "Grüße €", kFMEncNative, &e);
    EXPECT_EQ(e.code, 0);   // success clears the record
    EXPECT_EQ(box.Units(), u"Grüße €");
    FM_Text_Assign(box.t, "\xFC\x80 \xA5", kFMEncASCIIWin, &e);   // CP1252: ü € ¥
    EXPECT_EQ(box.Units(), u"ü€ ¥");
    FM_Text_Assign(box.t, "\x9F\xDB\xA5", kFMEncASCIIMac, &e);    // Mac Roman: ü € •
    EXPECT_EQ(box.Units(), u"ü€•");
    FM_Text_Assign(box.t, "😀", kFMEncUTF8, &e);
    EXPECT_EQ(box.Units().size(), 2u);   // a surrogate pair
    FM_Text_AssignWithLength(box.t, "ab\0cd", 5, kFMEncUTF8, &e);
    EXPECT_EQ(box.Units(), std::u16string(u"ab\0cd", 5));
    FM_Text_AssignUnicodeWithLength(box.t, u"xyz", 2, &e);
    EXPECT_EQ(box.Units(), u"xy");
    FM_Text_AssignUnicode(box.t, u"ÄÖ", &e);
    EXPECT_EQ(box.Units(), u"ÄÖ");
}

TEST(Text, BadUtf8BecomesReplacementCharacters)
{
    TextBox box;
    Err e;
    FM_Text_Assign(box.t, "a\xC0\xAF" "b\xED\xA0\x80" "c\xE2\x82", kFMEncUTF8, &e);
    EXPECT_EQ(e.code, 0);
    EXPECT_EQ(box.Units(), u"a\uFFFD\uFFFDb\uFFFD\uFFFD\uFFFDc\uFFFD\uFFFD");
}

TEST(Text, BytesInEachEncoding)
{
    TextBox box;
    Err e;
    FM_Text_AssignUnicode(box.t, u"ü€Ω", &e);
    EXPECT_EQ(box.Bytes(kFMEncUTF8), "ü€Ω");
    EXPECT_EQ(box.Bytes(kFMEncASCIIWin), "\xFC\x80?");        // no Ω in CP1252
    EXPECT_EQ(box.Bytes(kFMEncASCIIMac), "\x9F\xDB\xBD");     // Mac Roman has Ω
    // A lone surrogate is written as U+FFFD.
    FM_Text_AssignUnicodeWithLength(box.t, u"\xD800x", 2, &e);
    EXPECT_EQ(box.Bytes(kFMEncUTF8), "\xEF\xBF\xBDx");
}

// The host's world converts its texts by the interface library's rule, and
// never writes a lone surrogate or an encoded one.
TEST(Text, WorldTextsFollowTheSameRule)
{
    const std::u16string lone{u'a', 0xD800, u'b', 0xDC00};
    EXPECT_EQ(hostworld::ToUtf8(lone), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
    const std::string bad = "a\xE0\x80\x80" "b\xED\xA0\x80" "c\xF4\x90\x80\x80";
    EXPECT_EQ(hostworld::FromUtf8(bad),
              u"a\uFFFD\uFFFD\uFFFDb\uFFFD\uFFFD\uFFFDc\uFFFD\uFFFD\uFFFD\uFFFD");
    TextBox box;
    Err e;
    FM_Text_Assign(box.t, bad.c_str(), kFMEncUTF8, &e);
    EXPECT_EQ(box.Units(), hostworld::FromUtf8(bad));
    FM_Text_AssignUnicodeWithLength(box.t, lone.data(), 4, &e);
    EXPECT_EQ(box.Bytes(kFMEncUTF8), hostworld::ToUtf8(lone));
}

TEST(Text, GetBytesKeepsWholeCharactersAndTheZero)
{
    TextBox box;
    Err e;
    FM_Text_Assign(box.t, "aü€", kFMEncUTF8, &e);   // 1 + 2 + 3 bytes
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(FM_Text_GetBytes(box.t, buf, 5, 0, 3, kFMEncUTF8, &e), 3u);   // "€" does not fit
    EXPECT_EQ(std::string(buf, 4), std::string("a\xC3\xBC\0", 4));
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(FM_Text_GetBytes(box.t, buf, 6, 0, 3, kFMEncUTF8, &e), 6u);   // no room for the zero
    EXPECT_EQ(buf[6], 'x');
    EXPECT_EQ(FM_Text_GetBytes(box.t, buf, 8, 1, 1, kFMEncUTF8, &e), 2u);   // a slice
    EXPECT_EQ(std::string(buf), "ü");
    EXPECT_EQ(FM_Text_GetBytes(box.t, buf, 8, 9, 1, kFMEncUTF8, &e), 0u);   // past the end
    EXPECT_EQ(FM_Text_GetBytes(box.t, nullptr, 0, 0, 3, kFMEncUTF8, &e), 0u);
    EXPECT_EQ(e.code, 0);
    FM_Text_GetBytes(box.t, buf, 8, 0, 3, 2, &e);   // no such encoding
    EXPECT_EQ(e.code, 2);
}

TEST(Text, EditingWithinBounds)
{
    TextBox a, b;
    Err e;
    FM_Text_AssignUnicode(a.t, u"Hello", &e);
    FM_Text_AssignUnicode(b.t, u", world!", &e);
    FM_Text_AppendText(a.t, b.t, 0, 7, &e);
    EXPECT_EQ(a.Units(), u"Hello, world");
    FM_Text_AppendText(a.t, a.t, 0, 5, &e);   // onto itself
    EXPECT_EQ(a.Units(), u"Hello, worldHello");
    FM_Text_AppendText(a.t, b.t, 7, 100, &e);  // clipped at the end
    EXPECT_EQ(a.Units(), u"Hello, worldHello!");
    FM_Text_DeleteText(a.t, 5, 7, &e);
    EXPECT_EQ(a.Units(), u"HelloHello!");
    FM_Text_DeleteText(a.t, 10, 50, &e);
    FM_Text_DeleteText(a.t, 99, 1, &e);
    EXPECT_EQ(a.Units(), u"HelloHello");
    char16_t buf[4] = {u'#', u'#', u'#', u'#'};
    FM_Text_GetUnicode(a.t, buf, 8, 4, &e);   // only what is there
    EXPECT_EQ(std::u16string(buf, 4), u"lo##");
    EXPECT_EQ(e.code, 0);
}

TEST(Text, NullHandlesAreReportedNotFollowed)
{
    Err e;
    EXPECT_EQ(FM_Text_GetSize(nullptr, &e), 0u);
    EXPECT_EQ(e.code, 2);
    TextBox box;
    FM_Text_Assign(box.t, nullptr, kFMEncUTF8, &e);
    EXPECT_EQ(e.code, 2);
    FM_Text_AssignWithLength(box.t, nullptr, 0, kFMEncUTF8, &e);   // nothing to read
    EXPECT_EQ(e.code, 0);
    FM_Text_GetSize(box.t, nullptr);   // no record at all
}

TEST(FixPt, IntegerViewTruncatesAndSaturates)
{
    Err e;
    FMFixPt* f = FM_FixPt_Constructor1(42, &e);
    EXPECT_EQ(FM_FixPt_AsDouble(f, &e), 42.0);
    FM_FixPt_AssignDouble(f, -7.9, &e);
    EXPECT_EQ(FM_FixPt_AsLong(f, &e), -7);
    FM_FixPt_AssignDouble(f, 1e12, &e);
    EXPECT_EQ(FM_FixPt_AsLong(f, &e), std::numeric_limits<std::int32_t>::max());
    FM_FixPt_AssignDouble(f, -1e12, &e);
    EXPECT_EQ(FM_FixPt_AsLong(f, &e), std::numeric_limits<std::int32_t>::min());
    FM_FixPt_AssignDouble(f, std::nan(""), &e);
    EXPECT_EQ(FM_FixPt_AsLong(f, &e), 0);
    FM_FixPt_AssignInt(f, -3, &e);
    EXPECT_EQ(FM_FixPt_AsDouble(f, &e), -3.0);
    FM_FixPt_Delete(f, &e);
    EXPECT_EQ(e.code, 0);
}

TEST(QuadChar, FirstCharacterInTheHighestByte)
{
    Err e;
    FMQuadChar* q = FM_QuadChar_Constructor2('P', 'N', 'G', 'f', &e);
    EXPECT_EQ(FM_QuadChar_GetMacType(q, &e), 0x504E4766u);
    FM_QuadChar_SetMacType(q, 0x4A504547, &e);
    EXPECT_EQ(FM_QuadChar_GetMacType(q, &e), 0x4A504547u);
    FMQuadChar* high = FM_QuadChar_Constructor2('\xFF', 0, 0, '\x80', &e);
    EXPECT_EQ(FM_QuadChar_GetMacType(high, &e), 0xFF000080u);
    FMQuadChar* zero = FM_QuadChar_Constructor1(&e);
    EXPECT_EQ(FM_QuadChar_GetMacType(zero, &e), 0u);
    FM_QuadChar_Delete(q, &e);
    FM_QuadChar_Delete(high, &e);
    FM_QuadChar_Delete(zero, &e);
    FMLocale* l = FM_Locale_Constructor1(0, &e);
    FM_Locale_Delete(l, &e);
    EXPECT_EQ(e.code, 0);
}
