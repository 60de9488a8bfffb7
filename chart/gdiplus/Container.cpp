// Encoding a drawn chart and writing it into a calculation result as host
// container data: a PNG as an empty 'JPEG' stream, a 'PNGf' stream, the size
// and the file name "Untitled.png"; a JPEG as a 'JPEG' stream and the size.
#include "chart/Container.h"

#include <boost/numeric/conversion/cast.hpp>
#include <vector>

#include "chart/DrawContext.h"
#include "chart/Plot.h"
#include "chart/Stream.h"
#include "fmx/Extensions.h"
#include "fmx/FMWrapper.h"
#include "platform/gdiplus/Gdiplus.h"

namespace {

constexpr std::uint32_t kJpegStream = 0x4A504547u;  // 'JPEG'
constexpr std::uint32_t kPngStream = 0x504E4766u;   // 'PNGf'

// Appends the encoder's bytes to a memory stream's buffer without a copy in
// between.
class StreamSink : public Gdiplus::ByteSink {
public:
    explicit StreamSink(CStream& stream) : stream_(stream) {}
    bool Write(const void* data, std::size_t size) override
    {
        return size <= 0xFFFFFFFFu && stream_.Write(data, static_cast<std::uint32_t>(size));
    }

private:
    CStream& stream_;
};

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


void EncodePicture(CPlot& chart, FMData* result)
{
    const wchar_t* mime = chart.jpeg ? L"image/jpeg" : L"image/png";
    Gdiplus::CLSID clsid;
    if (!chart.CanvasUsable() || GetEncoderClsid(mime, &clsid) < 0)
        return;
    // A failed encoding may have written part of a picture: none is given.
    CMemoryStream stream;
    StreamSink sink(stream);
    if (chart.GetBitmap()->Save(&sink, &clsid, nullptr) != Gdiplus::Ok)
        return;
    std::unique_ptr<CStream::Buffer> bytes = stream.DetachBuffer();
    const void* data = bytes ? bytes->data() : nullptr;
    const std::uint32_t size = bytes ? bytes->size() : 0;
    // A picture whose container cannot be built leaves the result as it was.
    if (chart.jpeg)
        WriteJpegContainer(data, size, chart.pictureWidth, chart.pictureHeight, result);
    else
        WritePngContainer(data, size, chart.pictureWidth, chart.pictureHeight, result);
}
