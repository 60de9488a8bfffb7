// An encoded chart picture written into a calculation result as host
// container data: a PNG as an empty 'JPEG' stream, a 'PNGf' stream, the size
// and the file name "Untitled.png"; a JPEG as a 'JPEG' stream and the size.
#include "chart/output/Container.h"

#include <boost/numeric/conversion/cast.hpp>

#include "chart/output/Stream.h"
#include "fmapi/container_streams.h"
#include "fmx/Extensions.h"
#include "fmx/FMWrapper.h"

namespace {

using fmapi::kJpegStream;
using fmapi::kPngStream;

std::int16_t AddSize(fmx::BinaryData& binary, std::int32_t width, std::int32_t height)
{
    return fmx::AddSIZEData(binary, boost::numeric_cast<std::int16_t>(width),
                            boost::numeric_cast<std::int16_t>(height));
}

} // namespace

std::int16_t AddContainerStream(CStream& stream, std::uint32_t type, fmx::BinaryData& binary)
{
    std::unique_ptr<CStream::Buffer> buffer = stream.DetachBuffer();
    if (!buffer)
        return -6;
    if (buffer->size() > 0) {
        fmx::QuadChar quad(type);
        if (binary.Add(quad, buffer->size(), buffer->data()) != 0)
            return -5;
    }
    return 0;
}

std::int16_t WriteJpegContainer(const void* bytes, std::uint32_t count, std::int32_t width,
                                std::int32_t height, FMData* result)
{
    CExternalBufferStream stream(bytes, count);
    fmx::BinaryData binary;
    if (std::int16_t error = AddContainerStream(stream, kJpegStream, binary))
        return error;
    if (std::int16_t error = AddSize(binary, width, height))
        return error;
    fmx::Data(result).SetBinaryData(binary, true);
    return 0;
}

std::int16_t WritePngContainer(const void* bytes, std::uint32_t count, std::int32_t width,
                               std::int32_t height, FMData* result)
{
    CExternalBufferStream stream(bytes, count);
    fmx::BinaryData binary;
    {
        fmx::QuadChar jpeg(kJpegStream);
        if (std::int16_t error = binary.Add(jpeg, 0, nullptr))
            return error;
    }
    if (std::int16_t error = AddContainerStream(stream, kPngStream, binary))
        return error;
    if (std::int16_t error = AddSize(binary, width, height))
        return error;
    fmx::Text name;
    name.Assign("Untitled.png", kFMEncUTF8);
    if (std::int16_t error = fmx::AddFNAMData(binary, name))
        return error;
    fmx::Data(result).SetBinaryData(binary, true);
    return 0;
}
