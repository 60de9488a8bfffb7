// The encoders' list and the JPEG encoder (libjpeg-turbo); PNG is in PngWriter.cpp.
//
// libjpeg reports errors by longjmp. The function that calls setjmp holds
// only plain C data, so nothing with a destructor is skipped; every buffer and
// the sink live in the caller's frame.

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

// jpeglib.h wants size_t and FILE declared first.
#include <jpeglib.h>

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

// --- JPEG --------------------------------------------------------------------

namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void JpegOnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

void JpegOnMessage(j_common_ptr) {}

struct JpegOut {
    unsigned char* data = nullptr;
    unsigned long size = 0;
};

// Premultiplied ARGB over white: white where transparent.
void RowToRgbOverWhite(const std::uint32_t* in, int width, unsigned char* out)
{
    for (int x = 0; x < width; ++x) {
        std::uint32_t p = in[x];
        std::uint32_t white = 255 - (p >> 24);
        out[0] = static_cast<unsigned char>((p >> 16 & 0xFF) + white);
        out[1] = static_cast<unsigned char>((p >> 8 & 0xFF) + white);
        out[2] = static_cast<unsigned char>((p & 0xFF) + white);
        out += 3;
    }
}

// Plain C data only (see the file comment).
bool JpegRun(const Bitmap::Impl* bitmap, JpegOut* out, unsigned char* row, JpegError* error,
             jpeg_compress_struct* info)
{
    info->err = jpeg_std_error(&error->manager);
    error->manager.error_exit = JpegOnError;
    error->manager.output_message = JpegOnMessage;
    if (setjmp(error->jump)) {
        jpeg_destroy_compress(info);
        return false;
    }
    jpeg_create_compress(info);
    jpeg_mem_dest(info, &out->data, &out->size);
    info->image_width = static_cast<JDIMENSION>(bitmap->width);
    info->image_height = static_cast<JDIMENSION>(bitmap->height);
    info->input_components = 3;
    info->in_color_space = JCS_RGB;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, 75, TRUE);
    jpeg_start_compress(info, TRUE);
    const unsigned char* data = cairo_image_surface_get_data(bitmap->surface);
    std::size_t stride = static_cast<std::size_t>(cairo_image_surface_get_stride(bitmap->surface));
    JSAMPROW rows[1] = {row};
    for (int y = 0; y < bitmap->height; ++y) {
        RowToRgbOverWhite(
            reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) * stride),
            bitmap->width, row);
        jpeg_write_scanlines(info, rows, 1);
    }
    jpeg_finish_compress(info);
    jpeg_destroy_compress(info);
    return true;
}

} // namespace

Status EncodeJpeg(const Bitmap::Impl& bitmap, ByteSink* sink)
{
    if (!bitmap.surface || !sink)
        return InvalidParameter;
    if (bitmap.width > JPEG_MAX_DIMENSION || bitmap.height > JPEG_MAX_DIMENSION)
        return InvalidParameter;
    std::vector<unsigned char> row;
    try {
        row.resize(static_cast<std::size_t>(bitmap.width) * 3);
    } catch (...) {
        return OutOfMemory;
    }
    JpegOut out;
    JpegError error;
    jpeg_compress_struct info;
    std::memset(&info, 0, sizeof(info));
    bool encoded = JpegRun(&bitmap, &out, row.data(), &error, &info);
    bool written = false;
    if (encoded) {
        try {
            written = sink->Write(out.data, out.size);
        } catch (...) {
            written = false;
        }
    }
    std::free(out.data);
    return encoded && written ? Ok : GenericError;
}

} // namespace detail
} // namespace Gdiplus
