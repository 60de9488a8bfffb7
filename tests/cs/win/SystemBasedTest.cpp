// The multi-byte sets over the system's code pages.
#include <gtest/gtest.h>

#include <string>

#include "cs/MICharacterSet.h"
#include "cs/SystemBasedCharacterSet.h"

namespace {

const CS::CharacterSet& Set(const char* name) {
    const CS::CharacterSet& set = MICharacterSet::GetCharacterSet(name);
    if (set.GetName() != name) {
        throw std::runtime_error(std::string("no set ") + name);
    }
    return set;
}

std::string Encode(const char* name, const std::wstring& text, std::size_t* used) {
    std::string out;
    *used = Set(name).Encode(text.data(), text.size(), out);
    return out;
}

std::wstring Decode(const char* name, const std::string& bytes, std::size_t* used) {
    std::wstring out;
    *used = Set(name).Decode(bytes.data(), bytes.size(), out);
    return out;
}

// Japanese text: hiragana, kanji, katakana, the full-width forms that the
// fix-up table touches, and ASCII.
const std::wstring kJapanese = L"\u3072\u3089\u304C\u306A \u6F22\u5B57 \u30AB\u30BF\u30AB\u30CA "
                               L"\uFF3C\uFF5E\uFF0D\uFFE0\uFFE1\uFFE2\u2225 ok";

TEST(SystemBased, CodePagesAndFlags) {
    struct Row {
        const char* name;
        std::uint32_t codePage;
        std::uint32_t flags;
    };
    const Row rows[] = {
        {"euc-jp", 51932, 0x400},     {"gb2312", 20936, 0x400},    {"ks_c_5601-1987", 949, 0x400},
        {"euc-kr", 51949, 0x400},     {"big5", 950, 0x400},        {"iso-2022-cn", 50227, 0},
        {"iso-2022-cn-ext", 50229, 0}, {"hz-gb-2312", 52936, 0},   {"iso-2022-kr", 50225, 0},
        {"iso-2022-jp", 50220, 0},    {"iso-2022-jp-2", 50220, 0}, {"iso-2022-jp-1", 50220, 0},
        {"iso-2022-jp-3", 50220, 0},  {"csISO2022JP", 50221, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto* set = dynamic_cast<const CS::SystemBasedCharacterSet*>(&Set(row.name));
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(set->GetEncoding(), row.codePage);
        EXPECT_EQ(set->GetFlags(), row.flags);
        const bool japanese = dynamic_cast<const CS::JapaneseBaseCharacterSet*>(set) != nullptr;
        EXPECT_EQ(japanese, row.codePage == 50220 || row.codePage == 50221);
    }
}

TEST(SystemBased, ISO2022JPBackslashBecomesFullWidth) {
    std::size_t used = 0;
    EXPECT_EQ(Decode("iso-2022-jp", "a\\b", &used), L"a\uFF3Cb");
    EXPECT_EQ(used, 3u);
    EXPECT_EQ(Encode("iso-2022-jp", L"\uFF3C", &used), "\\");
    EXPECT_EQ(used, 1u);
    // The wave dash: JIS 21 41 reads as U+FF5E, which writes back to the same bytes.
    const std::string wave = "\x1b$B!A\x1b(B";
    EXPECT_EQ(Decode("iso-2022-jp", wave, &used), L"\uFF5E");
    EXPECT_EQ(Encode("iso-2022-jp", L"\uFF5E", &used), wave);
}

TEST(SystemBased, ISO2022JPOutputReturnsToAscii) {
    std::size_t used = 0;
    const std::string bytes = Encode("iso-2022-jp", L"a\u6F22\u5B57", &used);
    EXPECT_EQ(used, 3u);
    EXPECT_EQ(bytes, "a\x1b$B4A;z\x1b(B");
    for (const char* name : {"iso-2022-jp", "iso-2022-jp-2", "csISO2022JP"}) {
        SCOPED_TRACE(name);
        const std::string out = Encode(name, kJapanese.substr(0, 6), &used);
        ASSERT_GE(out.size(), 3u);
        EXPECT_EQ(out.substr(out.size() - 3), "\x1b(B");
    }
}

TEST(SystemBased, JapaneseRoundTrips) {
    for (const char* name : {"iso-2022-jp", "iso-2022-jp-1", "iso-2022-jp-3", "csISO2022JP"}) {
        SCOPED_TRACE(name);
        std::size_t used = 0;
        const std::string bytes = Encode(name, kJapanese, &used);
        EXPECT_EQ(used, kJapanese.size());
        EXPECT_EQ(Decode(name, bytes, &used), kJapanese);
        EXPECT_EQ(used, bytes.size());
    }
    std::size_t used = 0;
    const std::wstring plain = L"\u3072\u3089\u304C\u306A\u6F22\u5B57\u30AB\u30CA";
    EXPECT_EQ(Decode("euc-jp", Encode("euc-jp", plain, &used), &used), plain);
}

TEST(SystemBased, HalfWidthKatakana) {
    std::size_t used = 0;
    const std::wstring kana = L"\uFF76\uFF80\uFF76\uFF85";
    // csISO2022JP writes them as JIS X 0201 katakana and reads them back.
    const std::string bytes = Encode("csISO2022JP", L"a" + kana + L"b", &used);
    EXPECT_EQ(used, 6u);
    EXPECT_EQ(bytes, "a\x1b(I6@6E\x1b(Bb");
    EXPECT_EQ(Decode("csISO2022JP", bytes, &used), L"a" + kana + L"b");
    EXPECT_EQ(Decode("iso-2022-jp", bytes, &used), L"a" + kana + L"b");
    // Plain iso-2022-jp has no form for them: the converter substitutes.
    EXPECT_EQ(Encode("iso-2022-jp", kana, &used), "????");
    EXPECT_EQ(used, 4u);
    std::string strict;
    EXPECT_EQ(Set("iso-2022-jp").EncodeWithoutSubstitution(kana.data(), kana.size(), strict), 0u);
    EXPECT_EQ(strict, "");
}

TEST(SystemBased, FlaggedSetsRefuseTheDefaultCharacter) {
    std::size_t used = 0;
    // Hangul with an emoji that EUC-KR lacks: nothing is written.
    const std::wstring text = L"\uD55C\uAE00\U0001F600";
    EXPECT_EQ(Encode("euc-kr", text, &used), "");
    EXPECT_EQ(used, 0u);
    EXPECT_EQ(Encode("ks_c_5601-1987", text, &used), "");
    EXPECT_EQ(used, 0u);
    // iso-2022-kr has no flags: the converter substitutes and the whole text counts.
    const std::string bytes = Encode("iso-2022-kr", text, &used);
    EXPECT_EQ(used, text.size());
    EXPECT_EQ(Decode("iso-2022-kr", bytes, &used), L"\uD55C\uAE00?");
    EXPECT_EQ(used, bytes.size());
    // Without the emoji everything converts.
    EXPECT_EQ(Decode("euc-kr", Encode("euc-kr", L"\uD55C\uAE00", &used), &used), L"\uD55C\uAE00");
}

TEST(SystemBased, ChineseSets) {
    const std::wstring simplified = L"\u4E2D\u6587 abc";
    const std::wstring traditional = L"\u4E2D\u6587\u7E41\u9AD4";
    std::size_t used = 0;
    for (const char* name : {"gb2312", "iso-2022-cn", "iso-2022-cn-ext", "hz-gb-2312"}) {
        SCOPED_TRACE(name);
        const std::string bytes = Encode(name, simplified, &used);
        EXPECT_EQ(used, simplified.size());
        EXPECT_EQ(Decode(name, bytes, &used), simplified);
        EXPECT_EQ(used, bytes.size());
    }
    EXPECT_EQ(Decode("big5", Encode("big5", traditional, &used), &used), traditional);
    EXPECT_EQ(Encode("gb2312", L"\u4E2D", &used), "\xD6\xD0");
    // Reading goes through GBK, the superset: 81 40 is no GB 2312 byte pair.
    EXPECT_EQ(Decode("gb2312", "\x81\x40", &used), L"\u4E02");
    // GB 2312 lacks the traditional forms.
    EXPECT_EQ(Encode("gb2312", traditional, &used), "");
    EXPECT_EQ(used, 0u);
}

TEST(SystemBased, HzRoundTrip) {
    std::size_t used = 0;
    const std::wstring text = L"a~b\u4E2D\u6587\n\u4E2Dc";
    const std::string bytes = Encode("hz-gb-2312", text, &used);
    EXPECT_EQ(used, text.size());
    EXPECT_EQ(bytes, "a~~b~{VPND~}\n~{VP~}c");
    EXPECT_EQ(Decode("hz-gb-2312", bytes, &used), text);
    EXPECT_EQ(used, bytes.size());
}

TEST(SystemBased, InvalidInputDecodesToReplacementCharacter) {
    std::size_t used = 0;
    EXPECT_EQ(Decode("euc-kr", "a\xFF" "b", &used), L"a\uFFFDb");
    EXPECT_EQ(used, 3u);
    // A multi-byte character cut off by the end.
    EXPECT_EQ(Decode("euc-jp", "a\xB4", &used), L"a\uFFFD");
    EXPECT_EQ(used, 2u);
    EXPECT_EQ(Decode("big5", "\xA4", &used), L"\uFFFD");
    // The fix-up leaves U+FFFD alone.
    EXPECT_EQ(Decode("iso-2022-jp", "\x1b$B\xFF", &used).back(), L'\uFFFD');
}

TEST(SystemBased, ConversionsAppendAndEmptyTextIsNothing) {
    std::string bytes = "old";
    EXPECT_EQ(Set("euc-kr").Encode(L"\uD55C", 1, bytes), 1u);
    EXPECT_EQ(bytes, "old\xC7\xD1");
    std::wstring wide = L"old";
    EXPECT_EQ(Set("euc-kr").Decode("\xC7\xD1", 2, wide), 2u);
    EXPECT_EQ(wide, L"old\uD55C");
    EXPECT_EQ(Set("euc-kr").Encode(L"", 0, bytes), 0u);
    EXPECT_EQ(Set("euc-kr").Decode("", 0, wide), 0u);
    EXPECT_EQ(bytes, "old\xC7\xD1");
}

}  // namespace
