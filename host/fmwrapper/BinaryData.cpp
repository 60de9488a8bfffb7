// Container data: typed byte streams kept in the order they were first added.
// Adding a type that is already there replaces that stream's bytes in place,
// so the order of the types never changes.
#include "Internal.h"

#include <cstring>
#include <map>

#include "fmapi/container_streams.h"

using fmw::Call;
using fmw::Need;
using fmw::Run;

namespace {

std::map<std::uint32_t, std::int16_t>& AddAnswers()
{
    static std::map<std::uint32_t, std::int16_t> answers;
    return answers;
}

void Put(FMBinaryData& b, std::uint32_t type, const unsigned char* data, std::size_t size)
{
    std::vector<unsigned char> bytes(data, data + size);
    for (auto& s : b.streams) {
        if (s.type == type) {
            s.bytes.swap(bytes);
            return;
        }
    }
    b.streams.push_back({type, std::move(bytes)});
}

const FMBinaryData::Stream* At(const FMBinaryData& b, std::int32_t index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= b.streams.size()) return nullptr;
    return &b.streams[static_cast<std::size_t>(index)];
}

} // namespace

extern "C" {

FMBinaryData* FM_BinaryData_Constructor1(FMError* err)
{
    return Call(__func__, err, static_cast<FMBinaryData*>(nullptr), [] { return new FMBinaryData; });
}

void FM_BinaryData_Delete(FMBinaryData* b, FMError* err)
{
    Run(__func__, err, [&] { delete b; });
}

std::int16_t FM_BinaryData_Add(FMBinaryData* b, const FMQuadChar* type, std::uint32_t size,
                               const void* data, FMError* err)
{
    return Call(__func__, err, static_cast<std::int16_t>(-1), [&]() -> std::int16_t {
        Need(b);
        Need(type);
        if (size > 0) Need(data);
        auto answer = AddAnswers().find(type->value);
        if (answer != AddAnswers().end()) return answer->second;
        Put(*b, type->value, static_cast<const unsigned char*>(data), size);
        return 0;
    });
}

std::int32_t FM_BinaryData_GetIndex(const FMBinaryData* b, const FMQuadChar* type, FMError* err)
{
    return Call(__func__, err, -1, [&] {
        Need(b);
        Need(type);
        for (std::size_t i = 0; i < b->streams.size(); ++i)
            if (b->streams[i].type == type->value) return static_cast<std::int32_t>(i);
        return -1;
    });
}

std::uint32_t FM_BinaryData_GetSize(const FMBinaryData* b, std::int32_t index, FMError* err)
{
    return Call(__func__, err, 0u, [&] {
        const auto* s = At(*Need(b), index);
        return s ? static_cast<std::uint32_t>(s->bytes.size()) : 0u;
    });
}

std::int16_t FM_BinaryData_GetData(const FMBinaryData* b, std::int32_t index,
                                   std::uint32_t offset, std::uint32_t amount, void* buffer,
                                   FMError* err)
{
    return Call(__func__, err, static_cast<std::int16_t>(-1), [&]() -> std::int16_t {
        const auto* s = At(*Need(b), index);
        if (!s || offset > s->bytes.size() || amount > s->bytes.size() - offset) return -1;
        if (amount > 0) std::memcpy(Need(buffer), s->bytes.data() + offset, amount);
        return 0;
    });
}

std::int32_t FM_BinaryData_GetCount(const FMBinaryData* b, FMError* err)
{
    return Call(__func__, err, 0, [&] { return static_cast<std::int32_t>(Need(b)->streams.size()); });
}

void FM_BinaryData_GetType(const FMBinaryData* b, std::int32_t index, FMQuadChar* type,
                           FMError* err)
{
    Run(__func__, err, [&] {
        const auto* s = At(*Need(b), index);
        Need(type)->value = s ? s->type : 0;
    });
}

void FMH_SetAddAnswer(std::uint32_t streamType, std::int16_t answer)
{
    try {
        if (answer == 0)
            AddAnswers().erase(streamType);
        else
            AddAnswers()[streamType] = answer;
    } catch (...) {
    }
}

#if PV_FMWRAPPER_NEWER_EXPORTS

} // extern "C"

namespace {

using fmapi::kNameStream;
using fmapi::kSizeStream;

const FMBinaryData::Stream* Find(const FMBinaryData& b, std::uint32_t type)
{
    for (const auto& s : b.streams)
        if (s.type == type) return &s;
    return nullptr;
}

} // namespace

extern "C" {

// The file name stream holds the names as UTF-8 bytes.
std::int16_t FM_BinaryData_AddFNAMData(FMBinaryData* b, const FMText* fileNames, FMError* err)
{
    return Call(__func__, err, static_cast<std::int16_t>(-1), [&]() -> std::int16_t {
        std::string bytes = fmw::Utf16ToUtf8(Need(fileNames)->units);
        Put(*Need(b), kNameStream, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        return 0;
    });
}

std::int16_t FM_BinaryData_GetFNAMData(const FMBinaryData* b, FMText* fileNames, FMError* err)
{
    return Call(__func__, err, static_cast<std::int16_t>(-1), [&]() -> std::int16_t {
        Need(b);
        Need(fileNames)->units.clear();
        const auto* s = Find(*b, kNameStream);
        if (!s) return -1;
        fileNames->units = fmw::Utf8ToUtf16(
            std::string_view(reinterpret_cast<const char*>(s->bytes.data()), s->bytes.size()));
        return 0;
    });
}

// The size stream: width and height, each unsigned 16-bit, high byte first.
std::int16_t FM_BinaryData_AddSIZEData(FMBinaryData* b, std::int16_t width, std::int16_t height,
                                       FMError* err)
{
    return Call(__func__, err, static_cast<std::int16_t>(-1), [&]() -> std::int16_t {
        auto w = static_cast<std::uint16_t>(width);
        auto h = static_cast<std::uint16_t>(height);
        const unsigned char bytes[4] = {static_cast<unsigned char>(w >> 8), static_cast<unsigned char>(w),
                                        static_cast<unsigned char>(h >> 8), static_cast<unsigned char>(h)};
        Put(*Need(b), kSizeStream, bytes, sizeof bytes);
        return 0;
    });
}

std::int16_t FM_BinaryData_GetSIZEData(const FMBinaryData* b, std::int16_t* width,
                                       std::int16_t* height, FMError* err)
{
    return Call(__func__, err, static_cast<std::int16_t>(-1), [&]() -> std::int16_t {
        const auto* s = Find(*Need(b), kSizeStream);
        Need(width);
        Need(height);
        if (!s || s->bytes.size() < 4) return -1;
        *width = static_cast<std::int16_t>(s->bytes[0] << 8 | s->bytes[1]);
        *height = static_cast<std::int16_t>(s->bytes[2] << 8 | s->bytes[3]);
        return 0;
    });
}

#endif

} // extern "C"
