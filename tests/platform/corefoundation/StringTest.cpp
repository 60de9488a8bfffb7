// CFString: conversions in the encodings the flavour uses, measuring,
// formatting, comparing, transforms and reference counting.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/corefoundation/SystemSetup.h"
#include "tests/platform/corefoundation/Support.h"

using cftest::Ref;
using cftest::Str;
using cftest::Utf8;

namespace {

std::string Bytes(CFStringRef s, CFStringEncoding encoding, UInt8 loss, CFIndex* converted) {
    const CFIndex n = CFStringGetLength(s);
    std::vector<UInt8> buffer(static_cast<std::size_t>(CFStringGetMaximumSizeForEncoding(n, encoding)) + 1);
    CFIndex used = -1;
    *converted = CFStringGetBytes(s, CFRangeMake(0, n), encoding, loss, false, buffer.data(),
                                  static_cast<CFIndex>(buffer.size()) - 1, &used);
    return std::string(buffer.begin(), buffer.begin() + used);
}

CFStringRef Decode(const std::string& bytes, CFStringEncoding encoding) {
    return CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(bytes.data()),
                                   static_cast<CFIndex>(bytes.size()), encoding, false);
}

struct Sample {
    CFStringEncoding encoding;
    const char* text;  // UTF-8, every character held by the encoding
};

// The sets of the flavour's character-set registry, with UTF-8, UTF-16 and
// Mac Roman. U+20089 (outside the BMP) is in JIS X 0213, so ISO-2022-JP-3.
const Sample kSamples[] = {
    {kCFStringEncodingUTF8, "Gr\xC3\xBC\xC3\x9F" "e \xF0\xA0\x82\x89 \xE6\x97\xA5\xE6\x9C\xAC"},
    {kCFStringEncodingUnicode, "Gr\xC3\xBC\xC3\x9F" "e \xF0\xA0\x82\x89"},
    {kCFStringEncodingUTF16BE, "\xF0\xA0\x82\x89 x"},
    {kCFStringEncodingMacRoman, "caf\xC3\xA9 \xE2\x80\xA0"},
    {0x820, "abc \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E xyz"},
    {0x821, "\xE6\x97\xA5\xE6\x9C\xAC \xCE\xB1\xCE\xB2 \xED\x95\x9C"},
    {0x822, "\xE6\x97\xA5\xE6\x9C\xAC"},
    {0x823, "\xE6\x97\xA5 \xF0\xA0\x82\x89 \xE6\x9C\xAC"},
    {0x920, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
    {0x830, "\xE4\xB8\xAD\xE6\x96\x87 ok"},
    {0x831, "\xE4\xB8\xAD\xE6\x96\x87"},
    {0x930, "\xE4\xB8\xAD\xE6\x96\x87"},
    {0xA05, "a~b \xE4\xB8\xAD\xE6\x96\x87 c"},
    {0x840, "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 ok"},
    {0x940, "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4"},
    {0xA03, "\xE4\xB8\xAD\xE6\x96\x87"},
};

}  // namespace

TEST(CFString, RoundTripsInEveryEncodingTheFlavourUses) {
    for (const Sample& sample : kSamples) {
        SCOPED_TRACE(sample.encoding);
        Ref<CFStringRef> s(Str(sample.text));
        ASSERT_TRUE(s);
        CFIndex converted = 0;
        const std::string bytes = Bytes(s.get(), sample.encoding, 0, &converted);
        EXPECT_EQ(CFStringGetLength(s.get()), converted);
        Ref<CFStringRef> back(Decode(bytes, sample.encoding));
        ASSERT_TRUE(back);
        EXPECT_EQ(sample.text, Utf8(back.get()));
        EXPECT_TRUE(CFEqual(s.get(), back.get()));
    }
}

TEST(CFString, KnownFormsOfHzAndACharacterOutsideTheBmp) {
    // HZ after RFC 1843: GB 2312 pairs in 7 bits between ~{ and ~}, ~~ a tilde.
    Ref<CFStringRef> chinese(Str("a~\xE4\xB8\xAD\xE6\x96\x87"));
    CFIndex converted = 0;
    EXPECT_EQ("a~~~{VPND~}", Bytes(chinese.get(), 0xA05, 0, &converted));
    EXPECT_EQ(4, converted);

    // U+20089 is one character of two UTF-16 units.
    Ref<CFStringRef> outside(Str("\xF0\xA0\x82\x89"));
    ASSERT_EQ(2, CFStringGetLength(outside.get()));
    UniChar units[2];
    CFStringGetCharacters(outside.get(), CFRangeMake(0, 2), units);
    EXPECT_EQ(0xD840, units[0]);
    EXPECT_EQ(0xDC89, units[1]);
    EXPECT_EQ("\xF0\xA0\x82\x89", Bytes(outside.get(), kCFStringEncodingUTF8, 0, &converted));
    // JIS X 0213 plane 2 by its designation in ISO-2022-JP-3.
    const std::string jis = Bytes(outside.get(), 0x823, 0, &converted);
    EXPECT_EQ(2, converted);
    EXPECT_EQ(std::string("\x1B$(P", 4), jis.substr(0, 4));
    EXPECT_EQ("\x1B(B", jis.substr(jis.size() - 3));
}

TEST(CFString, UnrepresentableCharactersStopOrAreReplaced) {
    // Korean has no form in EUC-JP: lossless conversion stops before it.
    Ref<CFStringRef> s(Str("ab\xED\x95\x9C" "cd"));
    CFIndex converted = 0;
    EXPECT_EQ("ab", Bytes(s.get(), 0x920, 0, &converted));
    EXPECT_EQ(2, converted);
    EXPECT_EQ("ab?cd", Bytes(s.get(), 0x920, '?', &converted));
    EXPECT_EQ(5, converted);
    // A stateful set stopped early is back in ASCII.
    Ref<CFStringRef> jp(Str("\xE6\x97\xA5\xED\x95\x9C"));
    const std::string bytes = Bytes(jp.get(), 0x820, 0, &converted);
    EXPECT_EQ(1, converted);
    EXPECT_EQ("\x1B(B", bytes.substr(bytes.size() - 3));
    // A lone surrogate has no form in any byte encoding.
    const UniChar lone[] = {'x', 0xD800, 'y'};
    Ref<CFStringRef> broken(CFStringCreateWithCharacters(nullptr, lone, 3));
    EXPECT_EQ("x", Bytes(broken.get(), kCFStringEncodingUTF8, 0, &converted));
    EXPECT_EQ(1, converted);
    EXPECT_EQ(3, CFStringGetLength(broken.get()));
}

TEST(CFString, InvalidBytesMakeNoString) {
    EXPECT_EQ(nullptr, Decode("\xC3", kCFStringEncodingUTF8));
    EXPECT_EQ(nullptr, Decode("\xED\xA0\x80", kCFStringEncodingUTF8));  // a surrogate
    EXPECT_EQ(nullptr, Decode("~x", 0xA05));    // no such escape
    EXPECT_EQ(nullptr, Decode("~{V", 0xA05));   // half a GB pair
    EXPECT_EQ(nullptr, Decode("\xFF\xFF", 0x940));
    EXPECT_EQ(nullptr, Decode("abc", 0x7777));  // no such encoding
    EXPECT_EQ(nullptr, Decode("abc", kCFStringEncodingUnicode));  // an odd count
    Ref<CFStringRef> empty(Decode("", kCFStringEncodingUTF8));
    ASSERT_TRUE(empty);
    EXPECT_EQ(0, CFStringGetLength(empty.get()));
}

TEST(CFString, BytesThatDoNotFitConvertWholeCharactersOnly) {
    // Thousands of characters, a buffer of every size up to the whole: the
    // bytes written always decode to the prefix counted.
    std::string text;
    for (int i = 0; i < 400; ++i) {
        text += i % 3 == 0 ? "\xE6\x97\xA5" : i % 3 == 1 ? "a" : "\xF0\xA0\x82\x89";
    }
    Ref<CFStringRef> s(Str(text));
    const CFIndex n = CFStringGetLength(s.get());
    for (CFStringEncoding encoding : {CFStringEncoding(kCFStringEncodingUTF8), CFStringEncoding(0x823)}) {
        CFIndex all = 0;
        const std::string full = Bytes(s.get(), encoding, 0, &all);
        ASSERT_EQ(n, all);
        for (CFIndex room = 0; room <= static_cast<CFIndex>(full.size()); room += 37) {
            std::vector<UInt8> buffer(static_cast<std::size_t>(room) + 1, 0xEE);
            CFIndex used = -1;
            const CFIndex converted = CFStringGetBytes(s.get(), CFRangeMake(0, n), encoding, 0,
                                                       false, buffer.data(), room, &used);
            ASSERT_LE(used, room);
            ASSERT_EQ(0xEE, buffer[static_cast<std::size_t>(room)]);
            Ref<CFStringRef> part(Decode(std::string(buffer.begin(), buffer.begin() + used), encoding));
            ASSERT_TRUE(part);
            ASSERT_EQ(converted, CFStringGetLength(part.get()));
            UniChar last = 0;
            if (converted > 0) {
                CFStringGetCharacters(s.get(), CFRangeMake(converted - 1, 1), &last);
            }
            EXPECT_FALSE(last >= 0xD800 && last <= 0xDBFF) << "half a pair at " << room;
        }
    }
}

TEST(CFString, MaximumSizeHoldsAnyTextInEverySet) {
    // Each text alternates characters that make the stateful sets shift.
    for (const Sample& sample : kSamples) {
        std::string text;
        for (int i = 0; i < 300; ++i) {
            text += sample.text;
            text += "~";
        }
        Ref<CFStringRef> s(Str(text));
        const CFIndex n = CFStringGetLength(s.get());
        const CFIndex max = CFStringGetMaximumSizeForEncoding(n, sample.encoding);
        std::vector<UInt8> buffer(static_cast<std::size_t>(max));
        CFIndex used = 0;
        EXPECT_EQ(n, CFStringGetBytes(s.get(), CFRangeMake(0, n), sample.encoding, 0, false,
                                      buffer.data(), max, &used))
            << sample.encoding;
        EXPECT_LE(used, max);
    }
    EXPECT_EQ(kCFNotFound, CFStringGetMaximumSizeForEncoding(0x7FFFFFFFFFFFFFFF, kCFStringEncodingUTF8));
}

TEST(CFString, CAndPascalStrings) {
    Ref<CFStringRef> s(Str("caf\xC3\xA9"));
    char c[16];
    ASSERT_TRUE(CFStringGetCString(s.get(), c, sizeof c, kCFStringEncodingUTF8));
    EXPECT_STREQ("caf\xC3\xA9", c);
    EXPECT_FALSE(CFStringGetCString(s.get(), c, 5, kCFStringEncodingUTF8));  // no room for the zero
    ASSERT_TRUE(CFStringGetCString(s.get(), c, 5, kCFStringEncodingMacRoman));
    EXPECT_STREQ("caf\x8E", c);
    UInt8 p[256];
    ASSERT_TRUE(CFStringGetPascalString(s.get(), p, sizeof p, kCFStringEncodingUTF8));
    EXPECT_EQ(5, p[0]);
    EXPECT_EQ(0, std::memcmp(p + 1, "caf\xC3\xA9", 5));
    Ref<CFStringRef> japanese(Str("\xE6\x97\xA5"));
    EXPECT_FALSE(CFStringGetPascalString(japanese.get(), p, sizeof p, kCFStringEncodingMacRoman));
    EXPECT_EQ(0, p[0]);
    Ref<CFStringRef> longText(Str(std::string(300, 'x')));
    EXPECT_FALSE(CFStringGetPascalString(longText.get(), p, sizeof p, kCFStringEncodingUTF8));
}

TEST(CFString, NoCopyStringsOwnTheirBytesOnlyWhenAsked) {
    const char kept[] = "kept";
    Ref<CFStringRef> borrowed(
        CFStringCreateWithCStringNoCopy(nullptr, kept, kCFStringEncodingUTF8, kCFAllocatorNull));
    EXPECT_EQ("kept", Utf8(borrowed.get()));
    // The string frees a malloc'd source with itself (the leak checker sees it).
    char* owned = static_cast<char*>(std::malloc(6));
    std::memcpy(owned, "owned", 6);
    Ref<CFStringRef> adopted(
        CFStringCreateWithCStringNoCopy(nullptr, owned, kCFStringEncodingUTF8, kCFAllocatorDefault));
    EXPECT_EQ("owned", Utf8(adopted.get()));
}

TEST(CFString, FormatsLikePrintfWithObjects) {
    Ref<CFStringRef> format(Str("%d|%5.2f|%s|%@|%@|%03x|%ld|%%|%c"));
    Ref<CFStringRef> name(Str("\xC3\xA9t\xC3\xA9"));
    const int seven = 7;
    Ref<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberIntType, &seven));
    Ref<CFStringRef> s(CFStringCreateWithFormat(nullptr, nullptr, format.get(), 128, 3.14159,
                                                "utf8 \xE2\x82\xAC", name.get(), number.get(),
                                                10, -5L, 'z'));
    EXPECT_EQ("128| 3.14|utf8 \xE2\x82\xAC|\xC3\xA9t\xC3\xA9|7|00a|-5|%|z", Utf8(s.get()));
}

TEST(CFString, ComparesLiterallyOrIgnoringCase) {
    Ref<CFStringRef> lower(Str("framework.framework"));
    Ref<CFStringRef> upper(Str("FrameWork.FRAMEWORK"));
    EXPECT_EQ(kCFCompareEqualTo, CFStringCompare(lower.get(), upper.get(), kCFCompareCaseInsensitive));
    EXPECT_EQ(kCFCompareGreaterThan, CFStringCompare(lower.get(), upper.get(), 0));
    Ref<CFStringRef> composed(Str("\xC3\xA9"));
    Ref<CFStringRef> decomposed(Str("e\xCC\x81"));
    EXPECT_NE(kCFCompareEqualTo, CFStringCompare(composed.get(), decomposed.get(), 0));
    EXPECT_EQ(kCFCompareEqualTo,
              CFStringCompare(composed.get(), decomposed.get(), kCFCompareNonliteral));
    Ref<CFStringRef> a(Str("a"));
    Ref<CFStringRef> b(Str("b"));
    EXPECT_EQ(kCFCompareLessThan, CFStringCompare(a.get(), b.get(), 0));
}

TEST(CFString, TransformsChangeOnlyTheMutableCopy) {
    Ref<CFStringRef> source(Str("Stra\xC3\x9F" "e \xC3\x89T\xC3\xA9"));
    Ref<CFMutableStringRef> copy(CFStringCreateMutableCopy(nullptr, 0, source.get()));
    CFStringUppercase(copy.get(), nullptr);
    EXPECT_EQ("STRASSE \xC3\x89T\xC3\x89", Utf8(copy.get()));
    CFStringLowercase(copy.get(), nullptr);
    EXPECT_EQ("strasse \xC3\xA9t\xC3\xA9", Utf8(copy.get()));
    CFStringNormalize(copy.get(), kCFStringNormalizationFormD);
    EXPECT_EQ("strasse e\xCC\x81te\xCC\x81", Utf8(copy.get()));
    EXPECT_EQ("Stra\xC3\x9F" "e \xC3\x89T\xC3\xA9", Utf8(source.get()));
}

TEST(CFString, ReferenceCountsAndFailureInjection) {
    CFStringRef s = Str("counted");
    EXPECT_EQ(1, CFGetRetainCount(s));
    EXPECT_EQ(s, CFRetain(s));
    EXPECT_EQ(2, CFGetRetainCount(s));
    CFRelease(s);
    EXPECT_EQ(1, CFGetRetainCount(s));
    EXPECT_EQ(CFStringGetTypeID(), CFGetTypeID(s));
    CFRelease(s);

    macsetup::FailCalls("CFStringCreateMutableCopy", 1, 1);
    Ref<CFStringRef> source(Str("x"));
    Ref<CFMutableStringRef> first(CFStringCreateMutableCopy(nullptr, 0, source.get()));
    Ref<CFMutableStringRef> second(CFStringCreateMutableCopy(nullptr, 0, source.get()));
    Ref<CFMutableStringRef> third(CFStringCreateMutableCopy(nullptr, 0, source.get()));
    EXPECT_TRUE(first);
    EXPECT_FALSE(second);
    EXPECT_TRUE(third);
    macsetup::ClearFailures();
}

TEST(CFString, SystemEncodingComesFromTheSetUp) {
    EXPECT_EQ(kCFStringEncodingMacRoman, CFStringGetSystemEncoding());
    macsetup::SetSystemEncoding(0x820);
    EXPECT_EQ(0x820u, CFStringGetSystemEncoding());
    macsetup::Reset();
    EXPECT_EQ(kCFStringEncodingMacRoman, CFStringGetSystemEncoding());
}

TEST(CFStringDeathTest, ReleasingNullIsFatal) {
    EXPECT_DEATH(CFRelease(nullptr), "CFRelease");
}
