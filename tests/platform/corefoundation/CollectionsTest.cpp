// Numbers, data, arrays and dictionaries with the reference counting the
// callers rely on.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/platform/corefoundation/Support.h"

using cftest::Ref;
using cftest::Str;

TEST(CFCollections, NumbersKeepTheirValueAndReportLoss) {
    const std::int64_t big = 5000000000LL;
    Ref<CFNumberRef> n(CFNumberCreate(nullptr, kCFNumberSInt64Type, &big));
    std::int64_t back64 = 0;
    EXPECT_TRUE(CFNumberGetValue(n.get(), kCFNumberSInt64Type, &back64));
    EXPECT_EQ(big, back64);
    std::int32_t back32 = 0;
    EXPECT_FALSE(CFNumberGetValue(n.get(), kCFNumberSInt32Type, &back32));
    const std::int16_t minus = -300;
    Ref<CFNumberRef> small(CFNumberCreate(nullptr, kCFNumberSInt16Type, &minus));
    std::int8_t tiny = 0;
    EXPECT_FALSE(CFNumberGetValue(small.get(), kCFNumberSInt8Type, &tiny));
    EXPECT_TRUE(CFNumberGetValue(small.get(), kCFNumberSInt32Type, &back32));
    EXPECT_EQ(-300, back32);
    const double half = 2.5;
    Ref<CFNumberRef> real(CFNumberCreate(nullptr, kCFNumberDoubleType, &half));
    EXPECT_FALSE(CFNumberGetValue(real.get(), kCFNumberIntType, &back32));
    EXPECT_EQ(2, back32);
    const double two = 2.0;
    Ref<CFNumberRef> whole(CFNumberCreate(nullptr, kCFNumberFloat64Type, &two));
    const int twoInt = 2;
    Ref<CFNumberRef> integer(CFNumberCreate(nullptr, kCFNumberIntType, &twoInt));
    EXPECT_TRUE(CFEqual(whole.get(), integer.get()));
    EXPECT_EQ(CFHash(whole.get()), CFHash(integer.get()));
    const double huge = 1e300;
    Ref<CFNumberRef> far(CFNumberCreate(nullptr, kCFNumberDoubleType, &huge));
    EXPECT_FALSE(CFNumberGetValue(far.get(), kCFNumberSInt64Type, &back64));
}

TEST(CFCollections, MutableDataGrowsByAppending) {
    Ref<CFMutableDataRef> data(CFDataCreateMutable(nullptr, 0));
    EXPECT_EQ(0, CFDataGetLength(data.get()));
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        const UInt8 chunk[3] = {static_cast<UInt8>(i), static_cast<UInt8>(i >> 8), 0x5A};
        CFDataAppendBytes(data.get(), chunk, 3);
        expected.append(reinterpret_cast<const char*>(chunk), 3);
    }
    ASSERT_EQ(15000, CFDataGetLength(data.get()));
    EXPECT_EQ(expected, std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(data.get())), 15000));
    CFDataSetLength(data.get(), 2);
    EXPECT_EQ(2, CFDataGetLength(data.get()));
    Ref<CFDataRef> copy(CFDataCreate(nullptr, CFDataGetBytePtr(data.get()), 2));
    EXPECT_TRUE(CFEqual(copy.get(), data.get()));
}

TEST(CFCollections, DictionariesRetainTheirEntriesAndFindEqualKeys) {
    CFStringRef key = Str("width");
    const int width = 640;
    CFNumberRef value = CFNumberCreate(nullptr, kCFNumberIntType, &width);
    const void* keys[] = {key};
    const void* values[] = {value};
    CFDictionaryRef dict = CFDictionaryCreate(nullptr, keys, values, 1, &kCFTypeDictionaryKeyCallBacks,
                                              &kCFTypeDictionaryValueCallBacks);
    EXPECT_EQ(2, CFGetRetainCount(key));
    EXPECT_EQ(2, CFGetRetainCount(value));
    CFRelease(key);
    CFRelease(value);
    Ref<CFStringRef> sameText(Str("width"));
    EXPECT_EQ(value, CFDictionaryGetValue(dict, sameText.get()));
    Ref<CFStringRef> other(Str("height"));
    EXPECT_EQ(nullptr, CFDictionaryGetValue(dict, other.get()));
    EXPECT_EQ(1, CFDictionaryGetCount(dict));
    CFRetain(value);
    CFRelease(dict);
    EXPECT_EQ(1, CFGetRetainCount(value));  // the dictionary gave its reference back
    CFRelease(value);

    // Without callbacks: plain pointers, found by address only.
    static const char a[] = "a";
    static const char b[] = "b";
    const void* rawKeys[] = {a, b, a};
    const void* rawValues[] = {b, a, a};
    Ref<CFDictionaryRef> raw(CFDictionaryCreate(nullptr, rawKeys, rawValues, 3, nullptr, nullptr));
    EXPECT_EQ(2, CFDictionaryGetCount(raw.get()));
    EXPECT_EQ(a, CFDictionaryGetValue(raw.get(), a));  // the later value wins
    const char copyOfA[] = "a";
    EXPECT_EQ(nullptr, CFDictionaryGetValue(raw.get(), copyOfA));
}

TEST(CFCollections, ArraysRetainTheirValues) {
    CFStringRef one = Str("one");
    const void* values[] = {one, kCFBooleanTrue};
    Ref<CFArrayRef> array(CFArrayCreate(nullptr, values, 2, &kCFTypeArrayCallBacks));
    EXPECT_EQ(2, CFGetRetainCount(one));
    CFRelease(one);
    ASSERT_EQ(2, CFArrayGetCount(array.get()));
    EXPECT_EQ(one, CFArrayGetValueAtIndex(array.get(), 0));
    EXPECT_TRUE(CFBooleanGetValue(static_cast<CFBooleanRef>(CFArrayGetValueAtIndex(array.get(), 1))));
    EXPECT_EQ(CFArrayGetTypeID(), CFGetTypeID(array.get()));
}

namespace {

// Key callbacks over int keys that count their calls.
long equalCalls = 0;
long hashCalls = 0;
Boolean EqualInts(const void* a, const void* b) {
    ++equalCalls;
    return *static_cast<const int*>(a) == *static_cast<const int*>(b);
}
CFHashCode HashIntPairs(const void* a) {
    ++hashCalls;
    return static_cast<CFHashCode>(*static_cast<const int*>(a) / 2);  // 2k and 2k+1 collide
}

}  // namespace

TEST(CFCollections, DictionariesFindKeysThroughTheirHash) {
    // Every key twice, at two addresses: the second is a duplicate found by
    // equality, and its value replaces the first.
    constexpr int kKeys = 20000;
    std::vector<int> store(2 * kKeys);
    std::vector<const void*> keys, values;
    for (int i = 0; i < 2 * kKeys; ++i) {
        store[static_cast<std::size_t>(i)] = i % kKeys;
        keys.push_back(&store[static_cast<std::size_t>(i)]);
        values.push_back(&store[static_cast<std::size_t>((i + 7) % (2 * kKeys))]);
    }
    const CFDictionaryKeyCallBacks counting = {0, nullptr, nullptr, nullptr, EqualInts, HashIntPairs};
    equalCalls = hashCalls = 0;
    Ref<CFDictionaryRef> dict(CFDictionaryCreate(nullptr, keys.data(), values.data(), 2 * kKeys,
                                                 &counting, nullptr));
    EXPECT_EQ(kKeys, CFDictionaryGetCount(dict.get()));
    for (const int probe : {0, 1, 12344, 12345, kKeys - 1}) {
        EXPECT_EQ(values[static_cast<std::size_t>(kKeys + probe)], CFDictionaryGetValue(dict.get(), &probe));
    }
    const int absent = kKeys;
    EXPECT_EQ(nullptr, CFDictionaryGetValue(dict.get(), &absent));
    // A few comparisons per key (its duplicate, its hash partner), never one
    // per key before it.
    EXPECT_LE(equalCalls, 4L * 2 * kKeys);
    EXPECT_LE(hashCalls, 2L * 2 * kKeys + 6);

    // Keys of the system's own kinds: an equal key made apart hashes alike.
    const int two = 2;
    const double twoReal = 2.0;
    Ref<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberIntType, &two));
    Ref<CFNumberRef> sameNumber(CFNumberCreate(nullptr, kCFNumberDoubleType, &twoReal));
    Ref<CFTimeZoneRef> zone(CFTimeZoneCreateWithTimeIntervalFromGMT(nullptr, 3600));
    Ref<CFTimeZoneRef> sameZone(CFTimeZoneCreateWithTimeIntervalFromGMT(nullptr, 3600));
    Ref<CFStringRef> text(Str("key"));
    Ref<CFStringRef> sameText(Str("key"));
    const void* typedKeys[] = {number.get(), zone.get(), text.get()};
    const void* typedValues[] = {kCFBooleanTrue, kCFBooleanFalse, kCFBooleanTrue};
    Ref<CFDictionaryRef> typed(CFDictionaryCreate(nullptr, typedKeys, typedValues, 3,
                                                  &kCFTypeDictionaryKeyCallBacks,
                                                  &kCFTypeDictionaryValueCallBacks));
    EXPECT_EQ(typedValues[0], CFDictionaryGetValue(typed.get(), sameNumber.get()));
    EXPECT_EQ(typedValues[1], CFDictionaryGetValue(typed.get(), sameZone.get()));
    EXPECT_EQ(typedValues[2], CFDictionaryGetValue(typed.get(), sameText.get()));
    // An integer beyond double's precision equals the float it rounds to,
    // and is found by it.
    const long long wide = (1LL << 53) + 1;
    const double rounded = 9007199254740992.0;
    Ref<CFNumberRef> wideNumber(CFNumberCreate(nullptr, kCFNumberLongLongType, &wide));
    Ref<CFNumberRef> roundedNumber(CFNumberCreate(nullptr, kCFNumberDoubleType, &rounded));
    ASSERT_TRUE(CFEqual(wideNumber.get(), roundedNumber.get()));
    const void* wideKey = wideNumber.get();
    Ref<CFDictionaryRef> wideKeyed(CFDictionaryCreate(nullptr, &wideKey, typedValues, 1,
                                                      &kCFTypeDictionaryKeyCallBacks,
                                                      &kCFTypeDictionaryValueCallBacks));
    EXPECT_EQ(typedValues[0], CFDictionaryGetValue(wideKeyed.get(), roundedNumber.get()));
}

TEST(CFCollections, DeepStructuresFreeWithoutRecursion) {
    // Arrays and dictionaries in turn, a million levels: releasing the
    // outermost frees every level and gives the innermost value back.
    CFStringRef leaf = Str("leaf");
    CFStringRef key = Str("k");
    CFTypeRef inner = CFRetain(leaf);
    for (int level = 0; level < 1000000; ++level) {
        const void* value = inner;
        const void* k = key;
        CFTypeRef outer = level % 2 == 0
            ? static_cast<CFTypeRef>(CFArrayCreate(nullptr, &value, 1, &kCFTypeArrayCallBacks))
            : static_cast<CFTypeRef>(CFDictionaryCreate(nullptr, &k, &value, 1, &kCFTypeDictionaryKeyCallBacks,
                                                        &kCFTypeDictionaryValueCallBacks));
        ASSERT_NE(nullptr, outer);
        CFRelease(inner);
        inner = outer;
    }
    EXPECT_EQ(2, CFGetRetainCount(leaf));
    EXPECT_EQ(500001, CFGetRetainCount(key));
    CFRelease(inner);
    EXPECT_EQ(1, CFGetRetainCount(leaf));
    EXPECT_EQ(1, CFGetRetainCount(key));
    CFRelease(leaf);
    CFRelease(key);
}
