// The system-based character sets over Core Foundation's encodings, and the
// registry's log lines of the macOS flavour.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "cs/MICharacterSet.h"
#include "cs/SystemBasedCharacterSet.h"
#include "platform/corefoundation/SystemSetup.h"
#include "support/fresh_process.h"
#include "plugin/LogStream.h"

namespace {

const CS::CharacterSet& Set(const char* name)
{
    const CS::CharacterSet& set = MICharacterSet::GetCharacterSet(name);
    EXPECT_EQ(set.GetName(), name);
    return set;
}

TEST(SystemBasedSets, CoreFoundationEncodings)
{
    struct Row {
        const char* name;
        std::uint32_t encoding;
        bool japanese;
    };
    const Row rows[] = {
        {"iso-2022-jp", 0x820, true},  {"iso-2022-jp-2", 0x821, true}, {"iso-2022-jp-1", 0x822, true},
        {"iso-2022-jp-3", 0x823, true}, {"csISO2022JP", 0x820, true},  {"euc-jp", 0x920, false},
        {"iso-2022-cn", 0x830, false},  {"iso-2022-cn-ext", 0x831, false}, {"gb2312", 0x930, false},
        {"hz-gb-2312", 0xA05, false},   {"iso-2022-kr", 0x840, false}, {"ks_c_5601-1987", 0x940, false},
        {"euc-kr", 0x940, false},       {"big5", 0xA03, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto* set = dynamic_cast<const CS::SystemBasedCharacterSet*>(&Set(row.name));
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(set->GetEncoding(), row.encoding);
        EXPECT_EQ(dynamic_cast<const CS::JapaneseBaseCharacterSet*>(set) != nullptr, row.japanese);
    }
}

TEST(SystemBasedSets, KoreanNamesConvertAlike)
{
    const std::wstring text = L"\uD55C\uAE00 abc";
    std::string a, b;
    EXPECT_EQ(Set("ks_c_5601-1987").Encode(text.data(), text.size(), a), text.size());
    EXPECT_EQ(Set("euc-kr").Encode(text.data(), text.size(), b), text.size());
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.substr(0, 4), "\xC7\xD1\xB1\xDB");
    std::wstring x, y;
    EXPECT_EQ(Set("ks_c_5601-1987").Decode(a.data(), a.size(), x), a.size());
    EXPECT_EQ(Set("euc-kr").Decode(a.data(), a.size(), y), a.size());
    EXPECT_EQ(x, text);
    EXPECT_EQ(y, text);
}

TEST(SystemBasedSets, WhatTheEncodingLacksIsRefusedWhole)
{
    for (const char* name : {"euc-kr", "iso-2022-kr", "gb2312", "iso-2022-jp"}) {
        SCOPED_TRACE(name);
        std::string out = "old";
        const std::wstring text = L"ab\U0001F600";
        EXPECT_EQ(Set(name).Encode(text.data(), text.size(), out), 0u);
        EXPECT_EQ(Set(name).EncodeWithoutSubstitution(text.data(), text.size(), out), 0u);
        EXPECT_EQ(out, "old");
    }
    // A value that is no character, and bytes that are no text.
    std::string out;
    const wchar_t surrogate[] = {L'a', static_cast<wchar_t>(0xD800)};
    EXPECT_EQ(Set("euc-kr").Encode(surrogate, 2, out), 0u);
    EXPECT_EQ(out, "");
    std::wstring wide = L"old";
    EXPECT_EQ(Set("euc-kr").Decode("a\xFF" "b", 3, wide), 0u);
    EXPECT_EQ(wide, L"old");
}

TEST(SystemBasedSets, CountsAreWideCharactersAndPairsJoin)
{
    // U+20089 is in JIS X 0213: one character, two UTF-16 units.
    const std::wstring text = L"a\U00020089b";
    std::string bytes = "<";
    EXPECT_EQ(Set("iso-2022-jp-3").Encode(text.data(), text.size(), bytes), 3u);
    ASSERT_GT(bytes.size(), 3u);
    std::wstring back = L"<";
    EXPECT_EQ(Set("iso-2022-jp-3").Decode(bytes.data() + 1, bytes.size() - 1, back), bytes.size() - 1);
    EXPECT_EQ(back, L"<" + text);
    EXPECT_EQ(back.size(), 4u);
}

TEST(SystemBasedSets, JapaneseFixUpsStay)
{
    std::wstring out;
    EXPECT_EQ(Set("iso-2022-jp").Decode("a\\b", 3, out), 3u);
    EXPECT_EQ(out, L"a\uFF3Cb");
    std::string bytes;
    EXPECT_EQ(Set("iso-2022-jp").Encode(L"\uFF3C", 1, bytes), 1u);
    EXPECT_EQ(bytes, "\\");
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The first search of the process writes the system's encodings.
void SearchLogged(std::uint32_t applicationEncoding, const std::string& expected, const std::string& best)
{
    macsetup::SetApplicationTextEncoding(applicationEncoding);
    const std::string path = testing::TempDir() + "charsets" + std::to_string(getpid()) + ".log";
    std::remove(path.c_str());
    const std::wstring wide(path.begin(), path.end());
    ASSERT_TRUE(__Quarrow__::LogStream::Open(wide, __Quarrow__::LogStream::kNew, 0, false));
    std::string target;
    // A kanji: Big5 holds it before ISO-2022-JP in the registry's order, unless
    // the system prefers ISO-2022-JP.
    EXPECT_EQ(MICharacterSet::ConvertWithBestCharacterSet(L"\u6F22", 1, target).GetName(), best);
    MICharacterSet::ConvertWithBestCharacterSet(L"again", 5, target);
    ASSERT_TRUE(__Quarrow__::LogStream::Close());
    const std::string log = ReadAll(path);
    std::remove(path.c_str());
    EXPECT_NE(log.find(expected), std::string::npos) << log;
    EXPECT_EQ(log.find("Application encoding"), log.rfind("Application encoding")) << log;
    macsetup::Reset();
}

// Each the first search of a process of its own.
TEST(RegistryLog, Western)
{
    pvtest::InFreshProcess([] {
        SearchLogged(0, "Application encoding: 0\r\nSystem encoding: 0\r\nISO-2022-JP is disabled", "big5");
    });
}

TEST(RegistryLog, Japanese)
{
    pvtest::InFreshProcess([] {
        SearchLogged(1, "Application encoding: 1\r\nSystem encoding: 0\r\nISO-2022-JP is enabled", "iso-2022-jp");
    });
}

} // namespace
