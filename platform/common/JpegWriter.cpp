// The JPEG encoder (libjpeg-turbo).
//
// libjpeg reports errors by longjmp. The function that calls setjmp holds
// only plain C data, so nothing with a destructor is skipped; every buffer and
// the sink live in the caller's frame.

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

// jpeglib.h wants size_t and FILE declared first.
#include <jpeglib.h>

#include "platform/common/Encoders.h"

namespace pvcommon {
namespace image {

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
bool JpegRun(const Pixels* bitmap, int quality, JpegOut* out, unsigned char* row, JpegError* error,
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
    jpeg_set_quality(info, quality, TRUE);
    jpeg_start_compress(info, TRUE);
    const unsigned char* data = bitmap->data;
    std::size_t stride = bitmap->stride;
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

Status EncodeJpeg(const Pixels& bitmap, ByteSink* sink, int quality)
{
    if (!bitmap.data || !sink || bitmap.width <= 0 || bitmap.height <= 0 || quality < 1 ||
        quality > 100)
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
    bool encoded = JpegRun(&bitmap, quality, &out, row.data(), &error, &info);
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

} // namespace image
} // namespace pvcommon
