#include <buffer>
#include <mbyte_string>

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace {

// An allocator that can be told to fail, for the growth-failure paths.
bool g_failAllocations = false;

template <class T>
struct FailingAllocator {
    typedef T value_type;
    FailingAllocator() = default;
    template <class U>
    FailingAllocator(const FailingAllocator<U>&) {}
    T* allocate(std::size_t n)
    {
        if (g_failAllocations)
            throw std::bad_alloc();
        return std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, std::size_t n) { std::allocator<T>().deallocate(p, n); }
    template <class U>
    bool operator==(const FailingAllocator<U>&) const { return true; }
    template <class U>
    bool operator!=(const FailingAllocator<U>&) const { return false; }
};

TEST(AllocSizeAdjuster, PowersOfTwoUpTo2KThenWholePages)
{
    std::alloc_size_adjuster<char> adjust;
    EXPECT_EQ(adjust(1), 4u);
    EXPECT_EQ(adjust(4), 4u);
    EXPECT_EQ(adjust(5), 8u);
    EXPECT_EQ(adjust(100), 128u);
    EXPECT_EQ(adjust(2048), 2048u);
    EXPECT_EQ(adjust(2049), 4096u);
    EXPECT_EQ(adjust(4096), 4096u);
    EXPECT_EQ(adjust(4097), 8192u);
}

TEST(AutoBuffer, InlineCapacities)
{
    EXPECT_EQ((std::auto_buffer<char, 0>::inline_capacity), 32u);
    EXPECT_EQ((std::auto_buffer<char, 8>::inline_capacity), 8u);
    EXPECT_EQ((std::auto_buffer<char, 100>::inline_capacity), 100u);
    EXPECT_EQ((std::auto_buffer<char, 101>::inline_capacity), 104u);
    EXPECT_EQ((std::auto_buffer<char, 255>::inline_capacity), 256u);
    EXPECT_EQ((std::auto_buffer<char, 270>::inline_capacity), 272u);
    EXPECT_EQ((std::auto_buffer<char, 513>::inline_capacity), 516u);
    EXPECT_EQ((std::auto_buffer<char, 1560>::inline_capacity), 1560u);
    EXPECT_EQ((std::auto_buffer<wchar_t, 0>::inline_capacity), 32u);
    EXPECT_EQ((std::auto_buffer<wchar_t, 16>::inline_capacity), 16u);
    EXPECT_EQ((std::auto_buffer<wchar_t, 255>::inline_capacity), 255u);

    std::auto_buffer<char, 101> fresh;
    EXPECT_EQ(fresh.size(), 0u);
    EXPECT_EQ(fresh.capacity(), 104u);
}

TEST(AutoBuffer, GrowsByAdjustedBlocks)
{
    std::auto_buffer<char, 0> bytes;
    ASSERT_TRUE(bytes.resize(33));
    EXPECT_EQ(bytes.capacity(), 64u);

    std::auto_buffer<wchar_t, 256> wide;
    ASSERT_TRUE(wide.resize(300));
    // 300 four-byte characters need 1200 bytes: a 2048-byte block.
    EXPECT_EQ(wide.capacity(), 512u);

    std::auto_buffer<char16_t, 256> units;
    ASSERT_TRUE(units.resize(300));
    EXPECT_EQ(units.capacity(), 512u);  // 600 bytes -> 1024 bytes
}

TEST(AutoBuffer, ReturnsToInlineArrayAndKeepsContents)
{
    std::auto_buffer<char, 0> buffer;
    char* const inlineArray = buffer.data();
    ASSERT_TRUE(buffer.resize(3000));
    EXPECT_EQ(buffer.capacity(), 4096u);
    EXPECT_NE(buffer.data(), inlineArray);
    std::memcpy(buffer.data(), "0123456789", 10);

    ASSERT_TRUE(buffer.resize(10));
    EXPECT_EQ(buffer.capacity(), 4096u);  // shrinking keeps the storage
    buffer.Reallocate(10);
    EXPECT_EQ(buffer.data(), inlineArray);
    EXPECT_EQ(buffer.capacity(), 32u);
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), "0123456789");
}

TEST(AutoBuffer, ConstructorWithInitialSize)
{
    std::auto_buffer<char, 8> small(5);
    EXPECT_EQ(small.size(), 5u);
    EXPECT_EQ(small.capacity(), 8u);
    std::auto_buffer<char, 8> large(9);
    EXPECT_EQ(large.size(), 9u);
    EXPECT_EQ(large.capacity(), 16u);
    EXPECT_THROW((std::auto_buffer<char, 8>(std::size_t(1) << 33)), std::bad_alloc);
}

TEST(BasicBuffer, ResizeToCurrentSizeAndEmptyAppendSucceedWithoutStorage)
{
    std::static_buffer<char> none(nullptr, 0, 0);
    EXPECT_TRUE(none.resize(0, false));
    EXPECT_TRUE(none.append(nullptr, 0, false));
    EXPECT_EQ(none.data(), nullptr);

    char array[4];
    std::static_buffer<char> full(array, 4, 4);
    EXPECT_TRUE(full.resize(4, false));
    EXPECT_TRUE(full.append("x", 0, false));
    EXPECT_EQ(full.size(), 4u);
}

TEST(BasicBuffer, AssignAppendPushBack)
{
    std::auto_buffer<char, 8> buffer;
    ASSERT_TRUE(buffer.assign("abc", 3));
    ASSERT_TRUE(buffer.append("defghij", 7));
    ASSERT_TRUE(buffer.push_back('k'));
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), "abcdefghijk");
    ASSERT_TRUE(buffer.assign("xy", 2));
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), "xy");
}

TEST(BasicBuffer, AppendFromItselfWhileGrowing)
{
    std::auto_buffer<char, 8> buffer;
    buffer.assign("abcdefgh", 8);
    // The source is the buffer's own inline array, which growing leaves.
    ASSERT_TRUE(buffer.append(buffer.data(), buffer.size()));
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), "abcdefghabcdefgh");
    // And again from a heap block, which growing frees.
    ASSERT_TRUE(buffer.append(buffer.data() + 4, 12));
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), "abcdefghabcdefghefghabcdefgh");
}

TEST(BasicBuffer, AssignFromItself)
{
    std::auto_buffer<char, 8> buffer;
    buffer.assign("0123456789", 10);
    ASSERT_TRUE(buffer.assign(buffer.data() + 2, 5));
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), "23456");

    std::auto_buffer<wchar_t, 4> wide;
    wide.assign(L"abcd", 4);
    // Part of the source lies beyond the size but inside the storage.
    ASSERT_TRUE(wide.resize(2));
    ASSERT_TRUE(wide.assign(wide.data() + 1, 3));
    EXPECT_EQ(std::wstring(wide.data(), wide.size()), L"bcd");
}

TEST(BasicBuffer, SizeOverflowFailsInsteadOfWrapping)
{
    std::auto_buffer<char, 8> buffer;
    buffer.assign("abc", 3);
    const std::size_t huge = std::numeric_limits<std::uint32_t>::max();
    EXPECT_FALSE(buffer.append("x", huge, false));
    EXPECT_THROW(buffer.append("x", huge, true), std::bad_alloc);
    EXPECT_FALSE(buffer.resize(std::size_t(1) << 32, false));
    EXPECT_THROW(buffer.resize(std::size_t(1) << 32, true), std::bad_alloc);
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), "abc");
}

TEST(BasicBuffer, GrowthFailureLeavesBufferUnchanged)
{
    std::auto_buffer<char, 8, FailingAllocator<char>> buffer;
    buffer.assign("abcdefgh", 8);
    g_failAllocations = true;
    EXPECT_FALSE(buffer.push_back('i', false));
    EXPECT_EQ(buffer.size(), 8u);
    EXPECT_EQ(buffer.capacity(), 8u);
    EXPECT_THROW(buffer.append("ijk", 3, true), std::bad_alloc);
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), "abcdefgh");
    g_failAllocations = false;
    EXPECT_TRUE(buffer.push_back('i', false));
}

TEST(StaticBuffer, NeverGrows)
{
    char array[4];
    std::static_buffer<char> buffer(array, 4);
    EXPECT_TRUE(buffer.append("abcd", 4, false));
    EXPECT_EQ(buffer.data(), array);
    EXPECT_FALSE(buffer.push_back('e', false));
    EXPECT_THROW(buffer.push_back('e', true), std::bad_alloc);
    EXPECT_EQ(buffer.size(), 4u);
    EXPECT_EQ(std::string(array, 4), "abcd");
}

TEST(StaticBuffer, SizeAboveCapacityIsRejected)
{
    char array[4];
    try {
        std::static_buffer<char> buffer(array, 4, 5);
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "invalid parameter passed in static_buffer constructor");
    }
}

TEST(BufferTypes, OwningBuffersCannotBeCopiedOrMoved)
{
    EXPECT_FALSE((std::is_copy_constructible<std::auto_buffer<char, 8>>::value));
    EXPECT_FALSE((std::is_move_constructible<std::auto_buffer<char, 8>>::value));
    EXPECT_FALSE((std::is_copy_assignable<std::auto_buffer<wchar_t, 0>>::value));
    EXPECT_FALSE((std::is_move_assignable<std::auto_buffer<wchar_t, 0>>::value));
    EXPECT_FALSE((std::is_copy_constructible<std::string_buffer<std::string>>::value));
    EXPECT_FALSE((std::is_move_constructible<std::string_buffer<std::string>>::value));
    EXPECT_TRUE((std::is_nothrow_destructible<std::string_buffer<std::wstring>>::value));
}

TEST(StringBuffer, LendsAndWritesBackAWideString)
{
    std::wstring text(300, L'x');
    text[299] = L'y';
    {
        std::string_buffer<std::wstring> buffer(text);
        EXPECT_EQ(buffer.size(), 300u);
        EXPECT_EQ(buffer.capacity(), 512u);
        EXPECT_EQ(buffer.data()[299], L'y');
        buffer.resize(302);
        buffer.data()[300] = L'z';
        buffer.data()[301] = L'!';
        buffer.resize(301);
    }
    ASSERT_EQ(text.size(), 301u);
    EXPECT_EQ(text.substr(298), L"xyz");
}

TEST(StringBuffer, WorksOverNarrowAndMbyteStrings)
{
    std::string narrow = "abc";
    {
        std::string_buffer<std::string> buffer(narrow);
        buffer.assign("hello", 5);
    }
    EXPECT_EQ(narrow, "hello");

    std::mbyte_string<wchar_t, std::unichar_traits<wchar_t, 1>> wide(L"old");
    {
        std::string_buffer<std::mbyte_string<wchar_t, std::unichar_traits<wchar_t, 1>>> buffer(wide);
        EXPECT_EQ(buffer.size(), 3u);
        buffer.append(L" and new", 8);
    }
    EXPECT_EQ(wide.size(), 11u);
    EXPECT_EQ(wide[10], L'w');
}

TEST(StringBuffer, FailedWriteBackLeavesTargetAndDoesNotThrow)
{
    typedef std::basic_string<char, std::char_traits<char>, FailingAllocator<char>> FailingString;
    FailingString target("the original text of the target");
    {
        std::string_buffer<FailingString> buffer(target);
        buffer.assign("a replacement long enough to need the heap", 42);
        g_failAllocations = true;
    }
    g_failAllocations = false;
    EXPECT_EQ(target, "the original text of the target");
}

TEST(MbyteString, CheckedIndex)
{
    std::mbyte_string<wchar_t, std::unichar_traits<wchar_t, 1>> text(L"abc");
    EXPECT_EQ(text[2], L'c');
    text[0] = L'x';
    EXPECT_EQ(text[0], L'x');
    try {
        (void)text[3];
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "invalid index");
    }
    const auto& constant = text;
    EXPECT_THROW((void)constant[100], std::invalid_argument);
    std::mbyte_string<wchar_t, std::unichar_traits<wchar_t, 1>> empty;
    EXPECT_THROW((void)empty[0], std::invalid_argument);
}

TEST(MbyteString, RangesAndInequality)
{
    const wchar_t source[] = L"Hello world";
    std::mbyte_string<wchar_t, std::unichar_traits<wchar_t, 1>> text(source, source + 5);
    EXPECT_EQ(text.size(), 5u);
    text.replace(0, 1, L"J");
    text.assign(text.begin(), text.end());
    std::mbyte_string<wchar_t, std::unichar_traits<wchar_t, 1>> other(L"Jello");
    EXPECT_FALSE(text != other);
    other.replace(1, 4, L"ump");
    EXPECT_TRUE(text != other);
}

} // namespace
