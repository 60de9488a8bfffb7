// Byte streams that carry an encoded picture to the container writer.
#pragma once

#include <cstdint>
#include <memory>

#include "buffer"

class CStream {
public:
    using Buffer = std::basic_buffer<char>;

    virtual bool Read(void* destination, std::uint32_t& count) = 0;
    virtual bool Write(const void* source, std::uint32_t count) = 0;
    virtual bool Unread() = 0;
    virtual ~CStream() = default;
    // Reads up to CR (consumed, with one LF after it); other bytes stay.
    virtual bool ReadLine(Buffer& line) = 0;
    virtual bool GetLine(const char*& line, std::uint32_t& length)
    {
        line = nullptr;
        length = 0;
        return false;
    }
    // Writes the bytes, CR, and LF when the line-end flag is set.
    virtual bool WriteLine(const char* bytes, std::uint32_t count) = 0;
    virtual bool WriteBytes(const void* source, std::uint32_t count) { return Write(source, count); }
    virtual bool ReadBytes(void* destination, std::uint32_t& count) { return Read(destination, count); }
    virtual bool ReadDirect(const char*&, std::uint32_t&) { return false; }
    virtual bool AtEnd() const = 0;
    virtual std::unique_ptr<Buffer> DetachBuffer() = 0;
    virtual bool AttachBuffer(std::unique_ptr<Buffer> buffer) = 0;
    virtual void Reserve(std::uint32_t) {}
    virtual const char* GetData() const = 0;
    virtual bool Rewind() = 0;
    virtual std::uint32_t GetPosition() const = 0;
};

class CMemoryStream : public CStream {
public:
    // crlf: lines end with CR LF (else CR alone).
    explicit CMemoryStream(bool crlf = false);
    CMemoryStream(std::unique_ptr<Buffer> buffer, bool crlf);

    bool Read(void* destination, std::uint32_t& count) override;
    bool Write(const void* source, std::uint32_t count) override;
    bool Unread() override;
    bool ReadLine(Buffer& line) override;
    bool GetLine(const char*& line, std::uint32_t& length) override;
    bool WriteLine(const char* bytes, std::uint32_t count) override;
    bool ReadDirect(const char*& data, std::uint32_t& count) override;
    bool AtEnd() const override;
    std::unique_ptr<Buffer> DetachBuffer() override;
    bool AttachBuffer(std::unique_ptr<Buffer> buffer) override;
    void Reserve(std::uint32_t count) override;
    const char* GetData() const override;
    bool Rewind() override;
    std::uint32_t GetPosition() const override { return position_; }

protected:
    bool crlf_;
    std::unique_ptr<Buffer> buffer_;
    std::uint32_t position_ = 0;
};

// A read-only stream over a caller's array, which it never frees or writes.
class CExternalBufferStream : public CMemoryStream {
public:
    CExternalBufferStream(const void* bytes, std::uint32_t length);

    bool Write(const void*, std::uint32_t) override { return false; }
    bool WriteLine(const char*, std::uint32_t) override { return false; }
    void Reserve(std::uint32_t) override {}
};
