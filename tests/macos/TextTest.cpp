// The macOS flavour's text: Core Foundation strings of constant texts, their
// conversions, transforms of whole texts, and the comparison family.
#include <gtest/gtest.h>

#include <buffer>
#include <mbyte_string>
#include <textconv>

#include <new>
#include <stdexcept>
#include <string>

#include "macos/CFText.h"
#include "macos/Locks.h"

namespace {

std::string Utf8Of(CFStringRef s)
{
    std::auto_buffer<char, 16> bytes;
    mac::ToUtf8(s, bytes);
    return std::string(bytes.data(), bytes.size());
}

TEST(CFStringCache, KeysAreAddressesAndTheCacheOwnsTheStrings)
{
    static const char kText[] = "Localizable";
    static const char kCopy[] = "Localizable";
    ASSERT_NE(static_cast<const void*>(kText), static_cast<const void*>(kCopy));
    CFStringRef first = mac::CFStringCache::Get(kText);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(mac::CFStringCache::Get(kText), first);
    CFStringRef other = mac::CFStringCache::Get(kCopy);
    EXPECT_NE(other, first);
    EXPECT_TRUE(CFEqual(other, first));
    EXPECT_EQ(Utf8Of(first), "Localizable");
    // Borrowed: the cache holds the only reference.
    EXPECT_EQ(CFGetRetainCount(first), 1);
    mac::CFStringCache::Destroy();
    EXPECT_FALSE(mac::CFStringCache::Exists());
    // A lookup after the cache went makes it again.
    EXPECT_NE(mac::CFStringCache::Get(kText), nullptr);
    EXPECT_TRUE(mac::CFStringCache::Exists());
    mac::CFStringCache::Destroy();
}

TEST(CFStringConversions, FormsAndEmptyStrings)
{
    CFStringRef s = CFStringCreateWithCString(nullptr, "a\xC3\xA9\xF0\xA0\x82\x89", kCFStringEncodingUTF8);
    ASSERT_NE(s, nullptr);
    std::auto_buffer<char16_t, 2> units;
    EXPECT_EQ(mac::ToUtf16(s, units), 4u);
    EXPECT_EQ(std::u16string(units.data(), units.size()), u"a\u00E9\U00020089");
    std::auto_buffer<char, 2> bytes;
    EXPECT_EQ(mac::ToUtf8(s, bytes), 7u);
    std::auto_buffer<wchar_t, 2> wide;
    EXPECT_TRUE(mac::ToWide(s, wide));
    // The pair is one wide character.
    EXPECT_EQ(std::wstring(wide.data(), wide.size()), L"a\u00E9\U00020089");
    CFRelease(s);

    CFStringRef empty = CFStringCreateWithCString(nullptr, "", kCFStringEncodingUTF8);
    units.assign(u"kept", 4);
    EXPECT_EQ(mac::ToUtf16(empty, units), 0u);
    EXPECT_EQ(std::u16string(units.data(), units.size()), u"kept");
    wide.assign(L"kept", 4);
    EXPECT_FALSE(mac::ToWide(empty, wide));
    EXPECT_EQ(std::wstring(wide.data(), wide.size()), L"kept");
    EXPECT_EQ(mac::ToUtf8(empty, bytes), 0u);
    EXPECT_EQ(bytes.size(), 0u);
    CFRelease(empty);
    EXPECT_EQ(mac::ToUtf16(nullptr, units), 0u);
    EXPECT_EQ(mac::ToUtf8(nullptr, bytes), 0u);
}

TEST(CFStringToUtf8, TransformsTheWholeText)
{
    std::auto_buffer<char, 4> out;
    out.assign("<", 1);
    mac::CFStringToUtf8(CFStringUppercase, out, "stra\xC3\x9F" "e", true);
    EXPECT_EQ(std::string(out.data(), out.size()), "<STRASSE");
    mac::CFStringToUtf8(CFStringLowercase, out, "\xC3\x89T\xC3\x89", false);
    EXPECT_EQ(std::string(out.data(), out.size()), "\xC3\xA9t\xC3\xA9");
    // No string can be made of bytes that are no UTF-8.
    EXPECT_THROW(mac::CFStringToUtf8(CFStringLowercase, out, "AB\xE2\x82", false), std::bad_alloc);
    EXPECT_EQ(std::string(out.data(), out.size()), "\xC3\xA9t\xC3\xA9");
}

TEST(CFStringToUtf8, SixteenBitTwinCountsUnitsNotBytes)
{
    // Every unit here has a zero byte: a C-string reading would stop at once.
    const char16_t source[] = {0x0100, 0x0041, 0x0400, 0xD801, 0xDC00, 0};
    std::auto_buffer<char16_t, 2> out;
    out.assign(u"<", 1);
    mac::CFStringToUtf8(CFStringLowercase, out, source, true);
    EXPECT_EQ(std::u16string(out.data(), out.size()),
              (std::u16string{u'<', 0x0101, u'a', 0x0450, 0xD801, 0xDC28}));
}

TEST(CaseMapping, FullMappingOfEveryForm)
{
    std::auto_buffer<char16_t, 2> units;
    ToUpperCase(units, u"stra\u00DFe", false);
    EXPECT_EQ(std::u16string(units.data(), units.size()), u"STRASSE");
    std::auto_buffer<wchar_t, 2> wide;
    wide.assign(L"abc", 4);
    wide.resize(3);
    // The source may lie inside the target.
    ToUpperCase(wide, wide.data(), true);
    EXPECT_EQ(std::wstring(wide.data(), wide.size()), L"abcABC");
    ToLowerCase(wide, L"\U00010400\u00C0", false);
    EXPECT_EQ(std::wstring(wide.data(), wide.size()), L"\U00010428\u00E0");
    const std::uint32_t source[] = {0x41, 0x10400, 0};
    std::auto_buffer<std::uint32_t, 2> words;
    ToLowerCase(words, source, false);
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words.data()[1], 0x10428u);
    std::auto_buffer<char, 2> bytes;
    ToLowerCase(bytes, "\xCE\xA3", false);
    EXPECT_EQ(std::string(bytes.data(), bytes.size()), "\xCF\x83");
}

int Wide(const std::u16string& a, const std::u16string& b, bool caseSensitive, bool* equivalent = nullptr)
{
    return CompareWide(a.data(), a.size(), b.data(), b.size(), caseSensitive, equivalent);
}

TEST(Comparison, CaseCompositionAndWidth)
{
    bool equivalent = false;
    EXPECT_EQ(Wide(u"abc", u"ABC", false, &equivalent), 0);
    EXPECT_TRUE(equivalent);
    EXPECT_NE(Wide(u"abc", u"ABC", true, &equivalent), 0);
    EXPECT_FALSE(equivalent);
    // Composed and decomposed forms are the same text.
    EXPECT_EQ(Wide(u"caf\u00E9", u"cafe\u0301", true, &equivalent), 0);
    EXPECT_TRUE(equivalent);
    // Width does not count, punctuation does.
    EXPECT_EQ(Wide(u"\uFF21\uFF22", u"AB", true), 0);
    EXPECT_NE(Wide(u"a-b", u"ab", false), 0);
    EXPECT_EQ(Wide(u"a", u"b", true), -1);
    EXPECT_EQ(Wide(u"b", u"a", true), 1);
}

TEST(Comparison, EveryFormGoesThroughUtf16)
{
    bool equivalent = false;
    EXPECT_EQ(CompareText("caf\xC3\xA9", "CAFE\xCC\x81", false, &equivalent), 0);
    EXPECT_TRUE(equivalent);
    EXPECT_EQ(CompareText("abcXYZ", 3, "ABCdef", 3, false), 0);
    EXPECT_NE(CompareText("abc", "ABC", true), 0);
    EXPECT_EQ(CompareText(u"\uFF41", u"A", false), 0);
    EXPECT_EQ(CompareText(L"\U0001F600a", L"\U0001F600A", false), 0);
    EXPECT_NE(CompareText(L"\U0001F600a", 2, L"\U0001F600A", 2, true), 0);
    EXPECT_THROW(CompareText("abc\xE2", "abc", true), std::invalid_argument);
    typedef std::mbyte_string<wchar_t, std::unichar_traits<wchar_t, 1>> Text;
    EXPECT_FALSE(Text(L"\uFF28ello") != Text(L"hELLO"));
}

TEST(Comparison, TheLockIsOneRecursiveLockOfTheProcess)
{
    RecursiveLock& lock = mac::ComparisonLock();
    EXPECT_EQ(&lock, &mac::ComparisonLock());
    // A comparison on the thread that holds the lock goes through.
    ScopedLock held(lock);
    EXPECT_EQ(CompareText("x", "X", false), 0);
    EXPECT_TRUE(lock.TryLock());
    lock.Unlock();
}

} // namespace
