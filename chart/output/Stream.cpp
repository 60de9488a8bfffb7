#include "chart/output/Stream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

CMemoryStream::CMemoryStream(bool crlf) : crlf_(crlf), buffer_(std::make_unique<std::auto_buffer<char, 0>>()) {}

CMemoryStream::CMemoryStream(std::unique_ptr<Buffer> buffer, bool crlf) : crlf_(crlf), buffer_(std::move(buffer)) {}

bool CMemoryStream::Read(void* destination, std::uint32_t& count)
{
    if (!buffer_)
        return false;
    const std::uint32_t available = buffer_->size() > position_ ? buffer_->size() - position_ : 0;
    const std::uint32_t n = std::min(count, available);
    if (n)
        std::memcpy(destination, buffer_->data() + position_, n);
    position_ += n;
    count = n;
    return true;
}

bool CMemoryStream::Write(const void* source, std::uint32_t count)
{
    if (!buffer_)
        return false;
    // A picture arrives in many small writes: the storage grows by half at
    // least, not by the page its buffer would add, which copied it over and
    // over. Bytes from the buffer itself are left to append.
    const char* bytes = static_cast<const char*>(source);
    const std::uint64_t need = std::uint64_t(buffer_->size()) + count;
    const std::uint64_t capacity = buffer_->capacity();
    const char* data = buffer_->data();
    const bool inside = data && bytes >= data && bytes < data + capacity;
    if (need > capacity && !inside) {
        const std::uint64_t grown = std::min<std::uint64_t>(
            std::max(need, capacity + capacity / 2), Buffer::max_elements);
        buffer_->Reallocate(static_cast<std::uint32_t>(grown));
    }
    return buffer_->append(bytes, count, false);
}

bool CMemoryStream::Unread()
{
    if (position_ == 0)
        return false;
    --position_;
    return true;
}

bool CMemoryStream::ReadLine(Buffer& line)
{
    line.resize(0);
    char c;
    std::uint32_t n = 1;
    while (Read(&c, n) && n == 1) {
        if (c == '\r') {
            n = 1;
            if (Read(&c, n) && n == 1 && c != '\n')
                Unread();
            return true;
        }
        if (!line.push_back(c, false))
            return false;
        n = 1;
    }
    return true;
}

bool CMemoryStream::GetLine(const char*& line, std::uint32_t& length)
{
    if (!buffer_)
        return false;
    const char* begin = buffer_->data() + position_;
    const char* end = buffer_->data() + buffer_->size();
    if (position_ > buffer_->size())
        begin = end;
    const char* cr = std::find(begin, end, '\r');
    line = begin;
    length = static_cast<std::uint32_t>(cr - begin);
    position_ += length;
    if (cr != end) {
        ++position_;
        if (cr + 1 != end && cr[1] == '\n')
            ++position_;
    }
    return true;
}

bool CMemoryStream::WriteLine(const char* bytes, std::uint32_t count)
{
    if (bytes && !Write(bytes, count))
        return false;
    if (!Write("\r", 1))
        return false;
    return !crlf_ || Write("\n", 1);
}

bool CMemoryStream::ReadDirect(const char*& data, std::uint32_t& count)
{
    if (!buffer_)
        return false;
    const std::uint32_t available = buffer_->size() > position_ ? buffer_->size() - position_ : 0;
    data = buffer_->data() + position_;
    count = std::min(count, available);
    position_ += count;
    return true;
}

bool CMemoryStream::AtEnd() const { return !buffer_ || position_ >= buffer_->size(); }

std::unique_ptr<CStream::Buffer> CMemoryStream::DetachBuffer() { return std::move(buffer_); }

bool CMemoryStream::AttachBuffer(std::unique_ptr<Buffer> buffer)
{
    buffer_ = std::move(buffer);
    position_ = 0;
    return true;
}

void CMemoryStream::Reserve(std::uint32_t count)
{
    if (buffer_ && count > buffer_->capacity())
        buffer_->Reallocate(count);
}

const char* CMemoryStream::GetData() const { return buffer_ ? buffer_->data() : nullptr; }

bool CMemoryStream::Rewind()
{
    position_ = 0;
    return true;
}

CExternalBufferStream::CExternalBufferStream(const void* bytes, std::uint32_t length)
    : CMemoryStream(std::make_unique<std::static_buffer<char>>(
                        const_cast<char*>(static_cast<const char*>(bytes)), length, length),
                    false)
{
}
