// The byte streams that carry an encoded picture: memory streams with their
// line operations, and the read-only stream over a caller's array.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "chart/output/Stream.h"

namespace {

std::string Bytes(const char* p, std::uint32_t n) { return std::string(p, n); }

CMemoryStream Over(const std::string& text, bool crlf = false)
{
    CMemoryStream s(crlf);
    s.Write(text.data(), static_cast<std::uint32_t>(text.size()));
    s.Rewind();
    return CMemoryStream(s.DetachBuffer(), crlf);
}

std::string Line(CStream& s)
{
    std::auto_buffer<char, 0> line;
    line.push_back('?');   // emptied first
    EXPECT_TRUE(s.ReadLine(line));
    return std::string(line.data(), line.size());
}

TEST(MemoryStream, WriteReadUnreadRewind)
{
    CMemoryStream s;
    EXPECT_TRUE(s.AtEnd());
    EXPECT_TRUE(s.Write("hello", 5));
    EXPECT_TRUE(s.WriteBytes(" you", 4));
    EXPECT_EQ(s.GetPosition(), 0u);
    EXPECT_EQ(Bytes(s.GetData(), 9), "hello you");

    char buffer[16] = {};
    std::uint32_t n = 3;
    EXPECT_TRUE(s.Read(buffer, n));
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(Bytes(buffer, 3), "hel");
    EXPECT_TRUE(s.Unread());
    EXPECT_EQ(s.GetPosition(), 2u);
    n = 100;
    EXPECT_TRUE(s.ReadBytes(buffer, n));
    EXPECT_EQ(n, 7u);
    EXPECT_EQ(Bytes(buffer, 7), "llo you");
    EXPECT_TRUE(s.AtEnd());
    n = 4;
    EXPECT_TRUE(s.Read(buffer, n));
    EXPECT_EQ(n, 0u);

    EXPECT_TRUE(s.Rewind());
    EXPECT_EQ(s.GetPosition(), 0u);
    EXPECT_FALSE(s.Unread());
    EXPECT_EQ(s.GetPosition(), 0u);
}

TEST(MemoryStream, ReadDirect)
{
    CMemoryStream s = Over("abcdef");
    const char* p = nullptr;
    std::uint32_t n = 4;
    EXPECT_TRUE(s.ReadDirect(p, n));
    EXPECT_EQ(Bytes(p, n), "abcd");
    n = 10;
    EXPECT_TRUE(s.ReadDirect(p, n));
    EXPECT_EQ(Bytes(p, n), "ef");
    EXPECT_TRUE(s.AtEnd());
}

TEST(MemoryStream, ReadLineEndsAtCarriageReturn)
{
    CMemoryStream s = Over("ab\r\ncd\ref\r\r\ngh");
    EXPECT_EQ(Line(s), "ab");   // CR and one LF consumed
    EXPECT_EQ(Line(s), "cd");   // the 'e' after CR is put back
    EXPECT_EQ(Line(s), "ef");
    EXPECT_EQ(Line(s), "");
    EXPECT_EQ(Line(s), "gh");   // the end of the stream ends the last line
    EXPECT_TRUE(s.AtEnd());

    // A line feed alone is an ordinary byte; only one LF follows a CR.
    CMemoryStream t = Over("a\nb\r\n\nc");
    EXPECT_EQ(Line(t), "a\nb");
    EXPECT_EQ(Line(t), "\nc");
}

TEST(MemoryStream, GetLineEndsAtCarriageReturn)
{
    CMemoryStream s = Over("ab\r\ncd\rz");
    const char* p = nullptr;
    std::uint32_t n = 99;
    EXPECT_TRUE(s.GetLine(p, n));
    EXPECT_EQ(Bytes(p, n), "ab");
    EXPECT_EQ(s.GetPosition(), 4u);
    EXPECT_TRUE(s.GetLine(p, n));
    EXPECT_EQ(Bytes(p, n), "cd");
    EXPECT_EQ(s.GetPosition(), 7u);
    EXPECT_TRUE(s.GetLine(p, n));
    EXPECT_EQ(Bytes(p, n), "z");
    EXPECT_TRUE(s.AtEnd());
    EXPECT_TRUE(s.GetLine(p, n));
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(s.GetPosition(), 8u);
}

TEST(MemoryStream, WriteLineEndsWithCrOrCrLf)
{
    CMemoryStream cr(false);
    EXPECT_TRUE(cr.WriteLine("one", 3));
    EXPECT_TRUE(cr.WriteLine(nullptr, 0));
    EXPECT_EQ(Bytes(cr.GetData(), 5), "one\r\r");
    CMemoryStream crlf(true);
    EXPECT_TRUE(crlf.WriteLine("one", 3));
    EXPECT_TRUE(crlf.WriteLine(nullptr, 5));
    EXPECT_EQ(Bytes(crlf.GetData(), 7), "one\r\n\r\n");

    // What WriteLine writes, ReadLine and GetLine read back.
    crlf.Rewind();
    EXPECT_EQ(Line(crlf), "one");
    EXPECT_EQ(Line(crlf), "");
    EXPECT_TRUE(crlf.AtEnd());
}

TEST(MemoryStream, WithoutBufferEverythingFails)
{
    CMemoryStream s = Over("abc");
    std::unique_ptr<CStream::Buffer> buffer = s.DetachBuffer();
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->size(), 3u);
    EXPECT_EQ(s.DetachBuffer(), nullptr);

    char c = 0;
    std::uint32_t n = 1;
    EXPECT_FALSE(s.Read(&c, n));
    EXPECT_FALSE(s.Write("x", 1));
    EXPECT_FALSE(s.WriteLine("x", 1));
    const char* p = nullptr;
    EXPECT_FALSE(s.GetLine(p, n));
    EXPECT_FALSE(s.ReadDirect(p, n));
    EXPECT_TRUE(s.AtEnd());
    EXPECT_EQ(s.GetData(), nullptr);
    s.Reserve(10);   // harmless

    // A buffer attached again is read from its start.
    std::uint32_t three = 3;
    EXPECT_TRUE(s.AttachBuffer(std::move(buffer)));
    EXPECT_EQ(s.GetPosition(), 0u);
    char out[3];
    EXPECT_TRUE(s.Read(out, three));
    EXPECT_EQ(Bytes(out, three), "abc");
}

TEST(MemoryStream, ABufferThatCannotGrowTakesNothingMore)
{
    char array[4] = {};
    CMemoryStream s(std::make_unique<std::static_buffer<char>>(array, 4), false);
    EXPECT_TRUE(s.Write("abcd", 4));
    EXPECT_FALSE(s.Write("e", 1));
    EXPECT_FALSE(s.WriteLine(nullptr, 0));
    EXPECT_EQ(Bytes(array, 4), "abcd");
    char out[8];
    std::uint32_t n = 8;
    EXPECT_TRUE(s.Read(out, n));
    EXPECT_EQ(n, 4u);
}

TEST(MemoryStream, ReserveGrowsTheBuffer)
{
    CMemoryStream s;
    s.Reserve(100000);
    std::unique_ptr<CStream::Buffer> buffer = s.DetachBuffer();
    EXPECT_GE(buffer->capacity(), 100000u);
    EXPECT_EQ(buffer->size(), 0u);
}

// A picture arrives in thousands of small writes; a write may also repeat
// the stream's own bytes while the storage has to grow under them.
TEST(MemoryStream, ManySmallWritesAndWritesOfItsOwnBytes)
{
    CMemoryStream s;
    std::string expected;
    for (int i = 0; i < 20000; ++i) {
        const char piece[3] = {static_cast<char>('a' + i % 26), static_cast<char>(i), '.'};
        const std::uint32_t n = 1 + static_cast<std::uint32_t>(i % 3);
        ASSERT_TRUE(s.Write(piece, n));
        expected.append(piece, n);
        if (i % 5000 == 4999) {
            const std::uint32_t size = static_cast<std::uint32_t>(expected.size());
            ASSERT_TRUE(s.Write(s.GetData(), size));
            expected += expected.substr(0, size);
        }
    }
    std::unique_ptr<CStream::Buffer> buffer = s.DetachBuffer();
    ASSERT_EQ(buffer->size(), expected.size());
    EXPECT_EQ(Bytes(buffer->data(), buffer->size()), expected);
}

TEST(ExternalBufferStream, RefusesEveryWrite)
{
    char array[] = {'a', 'b', '\r', 'c'};
    CExternalBufferStream s(array, 4);
    EXPECT_FALSE(s.Write("x", 1));
    EXPECT_FALSE(s.WriteBytes("x", 1));
    EXPECT_FALSE(s.WriteLine("x", 1));
    EXPECT_FALSE(s.WriteLine(nullptr, 0));
    s.Reserve(100);
    EXPECT_EQ(Bytes(array, 4), "ab\rc");
    EXPECT_EQ(s.GetData(), array);

    // Reading works as for any memory stream.
    EXPECT_EQ(Line(s), "ab");
    EXPECT_EQ(Line(s), "c");
    EXPECT_TRUE(s.AtEnd());

    // Also through the base class, and when the array would have room.
    CStream& base = s;
    EXPECT_FALSE(base.Write("x", 1));
    char big[16] = "0123";
    CExternalBufferStream roomy(big, 4);
    EXPECT_FALSE(roomy.Write("x", 1));
    EXPECT_EQ(std::string(big), "0123");
}

TEST(ExternalBufferStream, DetachedBufferIsTheCallersArray)
{
    auto* array = new char[3]{'x', 'y', 'z'};
    {
        CExternalBufferStream s(array, 3);
        std::unique_ptr<CStream::Buffer> buffer = s.DetachBuffer();
        EXPECT_EQ(buffer->data(), array);
        EXPECT_EQ(buffer->size(), 3u);
    }
    // Neither the stream nor its buffer freed the array.
    EXPECT_EQ(Bytes(array, 3), "xyz");
    delete[] array;
}

TEST(ExternalBufferStream, EmptyArray)
{
    CExternalBufferStream s(nullptr, 0);
    EXPECT_TRUE(s.AtEnd());
    std::unique_ptr<CStream::Buffer> buffer = s.DetachBuffer();
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->size(), 0u);
}

} // namespace
