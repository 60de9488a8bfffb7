// The encoders' list; the encoders themselves are in platform/common.

#include <cstring>
#include <cwchar>
#include <new>

#include "platform/gdiplus/Internal.h"

namespace Gdiplus {

namespace {

struct EncoderEntry {
    CLSID clsid;
    const WCHAR* name;
    const WCHAR* extension;
    const WCHAR* mime;
    detail::Codec codec;
};

const EncoderEntry kEncoders[] = {
    {{0x706E6701, 0x5076, 0x6E65, {0x80, 0x01, 0x50, 0x4E, 0x47, 0x00, 0x00, 0x01}},
     L"PNG encoder", L"*.PNG", L"image/png", detail::Codec::Png},
    {{0x6A706701, 0x5076, 0x6E65, {0x80, 0x01, 0x4A, 0x50, 0x47, 0x00, 0x00, 0x02}},
     L"JPEG encoder", L"*.JPG;*.JPEG;*.JPE;*.JFIF", L"image/jpeg", detail::Codec::Jpeg},
};
constexpr UINT kEncoderCount = sizeof(kEncoders) / sizeof(kEncoders[0]);

std::size_t WideBytes(const WCHAR* text) { return (std::wcslen(text) + 1) * sizeof(WCHAR); }

UINT BlockSize()
{
    std::size_t size = kEncoderCount * sizeof(ImageCodecInfo);
    for (const auto& e : kEncoders)
        size += WideBytes(e.name) + WideBytes(e.extension) + WideBytes(e.mime);
    return static_cast<UINT>(size);
}

} // namespace

Status GetImageEncodersSize(UINT* numEncoders, UINT* size)
{
    if (!numEncoders || !size)
        return InvalidParameter;
    *numEncoders = kEncoderCount;
    *size = BlockSize();
    return Ok;
}

Status GetImageEncoders(UINT numEncoders, UINT size, ImageCodecInfo* encoders)
{
    if (!encoders || numEncoders != kEncoderCount || size < BlockSize())
        return InvalidParameter;
    auto* text = reinterpret_cast<unsigned char*>(encoders + kEncoderCount);
    auto place = [&text](const WCHAR* source) {
        std::size_t n = WideBytes(source);
        std::memcpy(text, source, n);
        const auto* placed = reinterpret_cast<const WCHAR*>(text);
        text += n;
        return placed;
    };
    for (UINT i = 0; i < kEncoderCount; ++i) {
        ImageCodecInfo* info = new (&encoders[i]) ImageCodecInfo();
        info->Clsid = kEncoders[i].clsid;
        info->CodecName = place(kEncoders[i].name);
        info->FilenameExtension = place(kEncoders[i].extension);
        info->MimeType = place(kEncoders[i].mime);
    }
    return Ok;
}

namespace detail {

Codec CodecOf(const CLSID* clsid)
{
    if (clsid)
        for (const auto& e : kEncoders)
            if (e.clsid == *clsid)
                return e.codec;
    return Codec::None;
}

namespace {

pvcommon::image::Pixels PixelsOf(const Bitmap::Impl& bitmap)
{
    pvcommon::image::Pixels pixels;
    if (bitmap.surface) {
        pixels.data = cairo_image_surface_get_data(bitmap.surface);
        pixels.stride = static_cast<std::size_t>(cairo_image_surface_get_stride(bitmap.surface));
        pixels.width = bitmap.width;
        pixels.height = bitmap.height;
    }
    return pixels;
}

Status StatusOf(pvcommon::image::Status status)
{
    switch (status) {
    case pvcommon::image::Ok:
        return Ok;
    case pvcommon::image::InvalidParameter:
        return InvalidParameter;
    case pvcommon::image::OutOfMemory:
        return OutOfMemory;
    case pvcommon::image::GenericError:
        break;
    }
    return GenericError;
}

} // namespace

Status EncodePng(const Bitmap::Impl& bitmap, ByteSink* sink, PngThreads threads)
{
    return StatusOf(pvcommon::image::EncodePng(PixelsOf(bitmap), sink, threads));
}

Status EncodeJpeg(const Bitmap::Impl& bitmap, ByteSink* sink)
{
    return StatusOf(pvcommon::image::EncodeJpeg(PixelsOf(bitmap), sink));
}

} // namespace detail

bool StartEncoderThreads() { return pvcommon::image::StartEncoderThreads(); }

void StopEncoderThreads() { pvcommon::image::StopEncoderThreads(); }

void ReadyEncoderThreads(INT width, INT height) { pvcommon::image::ReadyEncoderThreads(width, height); }

} // namespace Gdiplus
