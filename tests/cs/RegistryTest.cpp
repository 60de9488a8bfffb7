// The registry: lookup, order, kana tests and the best-set search.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>

#include "cs/MICharacterSet.h"
#include "plugin/Flavour.h"

namespace {

const char* const kOrder[] = {
    "us-ascii",     "koi8-r",        "koi8-u",         "iso-8859-1",   "iso-8859-2",
    "iso-8859-3",   "iso-8859-4",    "iso-8859-5",     "iso-8859-6",   "iso-8859-7",
    "iso-8859-8",   "iso-8859-9",    "iso-8859-10",    "iso-8859-11",  "iso-8859-13",
    "iso-8859-14",  "iso-8859-15",   "iso-8859-16",    "windows-1250", "windows-1251",
    "windows-1252", "windows-1253",  "windows-1254",   "windows-1255", "windows-1256",
    "windows-1257", "windows-1258",  "big5",           "ks_c_5601-1987", "gb2312",
    "iso-2022-jp",  "iso-2022-jp-2", "iso-2022-jp-1",  "iso-2022-jp-3", "csISO2022JP",
    "euc-jp",       "iso-2022-cn",   "iso-2022-cn-ext", "hz-gb-2312",  "iso-2022-kr",
    "euc-kr",       "utf-8",         "x-mac-roman-latin1",
};

TEST(Registry, HoldsFortyThreeSetsInOrder) {
    ASSERT_EQ(MICharacterSet::GetCharacterSetCount(), 43u);
    std::set<const CS::CharacterSet*> distinct;
    for (unsigned i = 0; i < 43; ++i) {
        const CS::CharacterSet& set = MICharacterSet::GetCharacterSetByIndex(i);
        EXPECT_EQ(set.GetName(), kOrder[i]);
        EXPECT_EQ(MICharacterSet::GetCharacterSetIndex(kOrder[i]), i);
        EXPECT_EQ(&MICharacterSet::GetCharacterSet(kOrder[i]), &set);
        distinct.insert(&set);
    }
    EXPECT_EQ(distinct.size(), 43u);
}

TEST(Registry, IndexBeyondTheEndThrows) {
    EXPECT_EQ(MICharacterSet::GetCharacterSetByIndex(42).GetName(), "x-mac-roman-latin1");
    try {
        MICharacterSet::GetCharacterSetByIndex(43);
        FAIL() << "no exception";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "Incorrect index in MICharacterSet::GetCharacterSetByIndex");
    }
    // What would be -1 as a signed index is far beyond the end.
    EXPECT_THROW(MICharacterSet::GetCharacterSetByIndex(static_cast<unsigned>(-1)), std::logic_error);
}

TEST(Registry, LookupIgnoresAsciiCaseAndFallsBack) {
    EXPECT_EQ(MICharacterSet::GetCharacterSet("UTF-8").GetName(), "utf-8");
    EXPECT_EQ(MICharacterSet::GetCharacterSet(std::string("CSiso2022jp")).GetName(), "csISO2022JP");
    EXPECT_EQ(MICharacterSet::GetCharacterSetIndex("Windows-1252"), 20u);
    EXPECT_EQ(MICharacterSet::GetCharacterSet("latin1").GetName(), "iso-8859-1");
    EXPECT_EQ(MICharacterSet::GetCharacterSetIndex("latin1"), 3u);
    EXPECT_EQ(MICharacterSet::GetCharacterSetIndex(""), 3u);
    EXPECT_EQ(MICharacterSet::GetCharacterSetIndex(static_cast<const char*>(nullptr)), 3u);
    // Whole names only, and no case folding beyond ASCII.
    EXPECT_EQ(MICharacterSet::GetCharacterSetIndex("utf-8 "), 3u);
    EXPECT_EQ(MICharacterSet::GetCharacterSetIndex("utf"), 3u);
    EXPECT_EQ(MICharacterSet::GetCharacterSetIndex(std::string("utf-8\0x", 7)), 3u);
}

TEST(Registry, FixedSets) {
    EXPECT_EQ(&MICharacterSet::GetUSASCIICharacterSet(), &MICharacterSet::GetCharacterSetByIndex(0));
    EXPECT_EQ(&MICharacterSet::GetDefaultCharacterSet(), &MICharacterSet::GetCharacterSetByIndex(3));
    const CS::CharacterSet& eight = MICharacterSet::GetUSASCII8bitCharacterSet();
    EXPECT_EQ(eight.GetName(), "");
    for (unsigned i = 0; i < 43; ++i) {
        EXPECT_NE(&MICharacterSet::GetCharacterSetByIndex(i), &eight);
    }
}

TEST(Registry, KanaTests) {
    const std::wstring hiragana = L"x\u3041";
    const std::wstring katakana = L"x\u30FE";
    const std::wstring halfWidth = L"\uFF66";
    const std::wstring none = L"\u3040\u309F\u30A0\u30FF\uFF65\uFF9E\u6F22";
    EXPECT_TRUE(MICharacterSet::HasHiragana(hiragana.data(), hiragana.size()));
    EXPECT_FALSE(MICharacterSet::HasKatakana(hiragana.data(), hiragana.size()));
    EXPECT_TRUE(MICharacterSet::HasKatakana(katakana.data(), katakana.size()));
    EXPECT_FALSE(MICharacterSet::HasHiragana(katakana.data(), katakana.size()));
    EXPECT_TRUE(MICharacterSet::HasKatakana(halfWidth.data(), halfWidth.size()));
    EXPECT_TRUE(MICharacterSet::HasKana(halfWidth.data(), halfWidth.size()));
    EXPECT_TRUE(MICharacterSet::HasKana(hiragana.data(), hiragana.size()));
    EXPECT_FALSE(MICharacterSet::HasKana(none.data(), none.size()));
    // The count bounds the search.
    EXPECT_FALSE(MICharacterSet::HasKana(hiragana.data(), 1));
    // Beyond 16 bits: U+13041 is no hiragana.
    const std::wstring astral = L"\U00013041\U0001FF66";
    EXPECT_FALSE(MICharacterSet::HasKana(astral.data(), astral.size()));
}

struct Best {
    std::string name;
    std::string bytes;
};

Best BestFor(const std::wstring& text) {
    std::string target;
    const CS::CharacterSet& set =
        MICharacterSet::ConvertWithBestCharacterSet(text.data(), text.size(), target);
    return {set.GetName(), target};
}

TEST(BestCharacterSet, Ascii) {
    const Best best = BestFor(L"Plain text, 100%.");
    EXPECT_EQ(best.name, "us-ascii");
    EXPECT_EQ(best.bytes, "Plain text, 100%.");
}

TEST(BestCharacterSet, Cyrillic) {
    const Best best = BestFor(L"\u041F\u0440\u0438\u0432\u0435\u0442");
    EXPECT_EQ(best.name, "koi8-r");
    EXPECT_EQ(best.bytes, "\xF0\xD2\xC9\xD7\xC5\xD4");
}

TEST(BestCharacterSet, WesternAndGreek) {
    EXPECT_EQ(BestFor(L"caf\u00E9").name, "iso-8859-1");
    EXPECT_EQ(BestFor(L"\u20AC 5").name, "iso-8859-7");  // the first table with the euro
    EXPECT_EQ(BestFor(L"\u03B1\u03B2").name, "iso-8859-7");
    EXPECT_EQ(BestFor(L"\u201Cquoted\u201D").name, "iso-8859-13");  // 8859-7 has single quotes only
}

TEST(BestCharacterSet, KanaGoesToISO2022JP) {
    const std::wstring text = L"\u3072\u3089\u304C\u306A \u30AB\u30BF\u30AB\u30CA";
    const Best best = BestFor(text);
    EXPECT_EQ(best.name, "iso-2022-jp");
    std::wstring back;
    const CS::CharacterSet& jp = MICharacterSet::GetCharacterSet("iso-2022-jp");
    EXPECT_EQ(jp.Decode(best.bytes.data(), best.bytes.size(), back), best.bytes.size());
    EXPECT_EQ(back, text);
}

TEST(BestCharacterSet, KanaThatISO2022JPLacksIsNotLost) {
    // Half-width katakana: iso-2022-jp could only write '?'; a later set of
    // the registry holds them (csISO2022JP on Windows, iso-2022-jp-2 on
    // macOS, where csISO2022JP is iso-2022-jp itself).
    const std::wstring text = L"\uFF76\uFF80\uFF76\uFF85";
    const Best best = BestFor(text);
    EXPECT_EQ(best.name, flavour::kMac ? "iso-2022-jp-2" : "csISO2022JP");
    EXPECT_EQ(best.bytes.find('?'), std::string::npos);
    std::wstring back;
    const CS::CharacterSet& set = MICharacterSet::GetCharacterSet(best.name.c_str());
    EXPECT_EQ(set.Decode(best.bytes.data(), best.bytes.size(), back), best.bytes.size());
    EXPECT_EQ(back, text);
}

TEST(BestCharacterSet, EmojiGoesToUtf8) {
    const Best best = BestFor(L"smile \U0001F600");
    EXPECT_EQ(best.name, "utf-8");
    EXPECT_EQ(best.bytes, "smile \xF0\x9F\x98\x80");
    // Kana plus an emoji: no Japanese set holds it, so utf-8 too.
    EXPECT_EQ(BestFor(L"\u3072\U0001F600").name, "utf-8");
}

TEST(BestCharacterSet, KeepsEarlierTargetContents) {
    std::string target = "head:";
    const std::wstring cyrillic = L"\u0430";
    EXPECT_EQ(MICharacterSet::ConvertWithBestCharacterSet(cyrillic.data(), 1, target).GetName(),
              "koi8-r");
    EXPECT_EQ(target, "head:\xC1");
    target = "head:";
    const std::wstring kana = L"\u3042";
    EXPECT_EQ(MICharacterSet::ConvertWithBestCharacterSet(kana.data(), 1, target).GetName(),
              "iso-2022-jp");
    EXPECT_EQ(target.compare(0, 5, "head:"), 0);
    EXPECT_EQ(target.substr(5), "\x1b$B$\"\x1b(B");
}

TEST(BestCharacterSet, NoSetThrowsAndLeavesTargetAsItWas) {
    std::string target = "head:";
    const wchar_t text[] = {L'a', static_cast<wchar_t>(0x110000)};
    try {
        MICharacterSet::ConvertWithBestCharacterSet(text, 2, target);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Internal error in MICharacterSet::ConvertWithBestCharacterSet");
    }
    EXPECT_EQ(target, "head:");
}

TEST(BestCharacterSet, EmptyTextIsAscii) {
    std::string target;
    EXPECT_EQ(MICharacterSet::ConvertWithBestCharacterSet(L"", 0, target).GetName(), "us-ascii");
    EXPECT_EQ(target, "");
}

}  // namespace
