// The code-page layer under the system-based sets.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/win32/codepage.h"

namespace {

std::wstring Decode(std::uint32_t codePage, const std::string& bytes) {
    std::wstring out;
    EXPECT_TRUE(win32::MultiByteToWide(codePage, bytes.data(), bytes.size(), out));
    return out;
}

TEST(CodePage, StandInSystemCodePages) {
    EXPECT_EQ(win32::GetACP(), 1252u);
    EXPECT_EQ(win32::GetOEMCP(), 437u);
    EXPECT_TRUE(win32::IsCodePageSupported(win32::GetACP()));
    EXPECT_TRUE(win32::IsCodePageSupported(win32::GetOEMCP()));
    EXPECT_EQ(Decode(1252, "\x80"), L"\u20AC");
    EXPECT_EQ(Decode(437, "\x82"), L"\u00E9");
}

TEST(CodePage, UnknownCodePageAndBadFlagsFail) {
    std::wstring wide = L"keep";
    EXPECT_FALSE(win32::IsCodePageSupported(12345));
    EXPECT_FALSE(win32::MultiByteToWide(12345, "a", 1, wide));
    EXPECT_EQ(wide, L"keep");
    std::string bytes = "keep";
    bool used = true;
    EXPECT_FALSE(win32::WideToMultiByte(12345, 0, L"a", 1, bytes, &used));
    EXPECT_FALSE(win32::WideToMultiByte(51949, 0x1, L"a", 1, bytes, &used));
    EXPECT_EQ(bytes, "keep");
    EXPECT_FALSE(used);
}

TEST(CodePage, UsedDefaultCharacterIsReported) {
    std::string out;
    bool used = false;
    ASSERT_TRUE(win32::WideToMultiByte(51949, win32::kNoBestFitChars, L"a\u00E9b", 3, out, &used));
    EXPECT_EQ(out, "a?b");
    EXPECT_TRUE(used);
    out.clear();
    ASSERT_TRUE(win32::WideToMultiByte(51949, 0, L"ab", 2, out, &used));
    EXPECT_EQ(out, "ab");
    EXPECT_FALSE(used);
    // Values that are no Unicode scalar values are substituted as well.
    const wchar_t odd[] = {0xD800, 0x110000, static_cast<wchar_t>(-5)};
    out.clear();
    ASSERT_TRUE(win32::WideToMultiByte(1252, 0, odd, 3, out, &used));
    EXPECT_EQ(out, "???");
    EXPECT_TRUE(used);
}

TEST(CodePage, SubstitutionInsideAShiftedRunShiftsBackFirst) {
    // A '?' written while the converter is in its JIS X 0208 state must be
    // the ASCII '?', not half of a double-byte character.
    std::string out;
    bool used = false;
    ASSERT_TRUE(win32::WideToMultiByte(50220, 0, L"\u6F22\u00E9\u5B57", 3, out, &used));
    EXPECT_TRUE(used);
    EXPECT_EQ(Decode(50220, out), L"\u6F22?\u5B57");
    EXPECT_EQ(out.substr(out.size() - 3), "\x1b(B");
}

TEST(CodePage, ISO2022KRShiftsBackIn) {
    std::string out;
    ASSERT_TRUE(win32::WideToMultiByte(50225, 0, L"\uD55Ca", 2, out, nullptr));
    // Designation header, SO, the Hangul syllable, SI before the ASCII letter.
    EXPECT_EQ(out.substr(0, 4), "\x1b$)C");
    EXPECT_NE(out.find('\x0e'), std::string::npos);
    EXPECT_EQ(out.back(), 'a');
    EXPECT_EQ(out[out.size() - 2], '\x0f');
    EXPECT_EQ(Decode(50225, out), L"\uD55Ca");
}

TEST(CodePage, DecodingTheGb2312CodePageReadsGbk) {
    // 81 40 is no GB 2312 but a GBK character.
    EXPECT_EQ(Decode(936, "\x81\x40"), L"\u4E02");
    EXPECT_EQ(Decode(20936, "\x81\x40"), L"\uFFFD@");
}

TEST(CodePage, InvalidBytesDecodeToReplacementCharacters) {
    EXPECT_EQ(Decode(51932, "\xFF\xFF" "a"), L"\uFFFD\uFFFDa");
    EXPECT_EQ(Decode(950, "ab\x81"), L"ab\uFFFD");
    // glibc's ISO-2022-CN-EXT refuses a lone shift-out after consuming it.
    EXPECT_EQ(Decode(50229, "\x0e"), L"\uFFFD");
    EXPECT_EQ(Decode(50229, "a\x0e" "b").substr(0, 2), L"a\uFFFD");
    // A source of escape sequences only is valid and yields nothing.
    EXPECT_EQ(Decode(50220, "\x1b$B\x1b(B"), L"");
}

TEST(CodePage, HzEscapes) {
    EXPECT_EQ(Decode(52936, "a~~b"), L"a~b");
    EXPECT_EQ(Decode(52936, "a~\nb"), L"ab");
    EXPECT_EQ(Decode(52936, "~{VPND~}x"), L"\u4E2D\u6587x");
    // Unknown escapes, stray high bytes, cut-off pairs and escapes.
    EXPECT_EQ(Decode(52936, "a~xb"), L"a\uFFFDxb");
    EXPECT_EQ(Decode(52936, "a\x80"), L"a\uFFFD");
    EXPECT_EQ(Decode(52936, "~{V"), L"\uFFFD");
    EXPECT_EQ(Decode(52936, "a~"), L"a\uFFFD");
    EXPECT_EQ(Decode(52936, "~{*!~}"), L"\uFFFD");  // row 0x2A of GB 2312 is empty
    // A line end inside GB text goes back to ASCII.
    EXPECT_EQ(Decode(52936, "~{VP\nab"), L"\u4E2D\nab");
}

TEST(CodePage, HzEncoding) {
    std::string out;
    bool used = false;
    // No Hangul in GB 2312.
    ASSERT_TRUE(win32::WideToMultiByte(52936, 0, L"\u4E2D\uD55C\u6587", 3, out, &used));
    EXPECT_TRUE(used);
    EXPECT_EQ(out, "~{VP~}?~{ND~}");
    out.clear();
    ASSERT_TRUE(win32::WideToMultiByte(52936, 0, L"~", 1, out, &used));
    EXPECT_EQ(out, "~~");
    EXPECT_FALSE(used);
}

TEST(CodePage, ConvertersAreUsableFromManyThreads) {
    const std::wstring text = L"\u6F22\u5B57 \u3072\u3089\u304C\u306A abc";
    std::string expected;
    ASSERT_TRUE(win32::WideToMultiByte(50220, 0, text.data(), text.size(), expected, nullptr));
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                std::string bytes;
                std::wstring back;
                if (!win32::WideToMultiByte(50220, 0, text.data(), text.size(), bytes, nullptr) ||
                    bytes != expected ||
                    !win32::MultiByteToWide(50220, bytes.data(), bytes.size(), back) ||
                    back != text) {
                    ++failures[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
