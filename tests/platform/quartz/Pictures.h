// Helpers of the drawing stand-ins' tests: a bitmap context over an own
// buffer, its pixels, and the PNG and JPEG decoders to check encoded bytes.
#pragma once

#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "platform/quartz/Quartz.h"

namespace qtest {

// A bitmap context over a buffer the test owns, with the given row bytes,
// as the chart makes its canvas.
class Canvas {
public:
    Canvas(int width, int height, size_t rowBytes, uint32_t info = kCGImageAlphaPremultipliedLast)
        : width_(width), height_(height), rowBytes_(rowBytes),
          bytes_(rowBytes * static_cast<size_t>(height), 0)
    {
        CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
        context_ = CGBitmapContextCreate(bytes_.data(), static_cast<size_t>(width),
                                         static_cast<size_t>(height), 8, rowBytes, space, info);
        CGColorSpaceRelease(space);
    }
    ~Canvas() { CGContextRelease(context_); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    CGContextRef context() const { return context_; }
    std::vector<unsigned char>& bytes() { return bytes_; }
    // The pixel at (x, y) from the top-left: premultiplied 0xAARRGGBB.
    uint32_t At(int x, int y) const
    {
        uint32_t word;
        std::memcpy(&word, bytes_.data() + static_cast<size_t>(y) * rowBytes_ + static_cast<size_t>(x) * 4, 4);
        return word;
    }
    // Every pixel, row by row from the top-left.
    std::vector<uint32_t> All() const
    {
        std::vector<uint32_t> pixels;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                pixels.push_back(At(x, y));
        return pixels;
    }
    // The chart's frame: origin top-left, y downward.
    void Flip()
    {
        CGContextTranslateCTM(context_, 0, height_);
        CGContextScaleCTM(context_, 1.0, -1.0);
    }

private:
    int width_;
    int height_;
    size_t rowBytes_;
    std::vector<unsigned char> bytes_;
    CGContextRef context_ = nullptr;
};

// The largest difference of a channel between two pixels.
inline unsigned ChannelDifference(uint32_t a, uint32_t b)
{
    unsigned largest = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int d = int(a >> shift & 0xFF) - int(b >> shift & 0xFF);
        largest = std::max(largest, static_cast<unsigned>(d < 0 ? -d : d));
    }
    return largest;
}

// A gradient in device RGB through `count` stops of RGBA components (at
// even places when `locations` is null).
inline CGGradientRef Gradient(const CGFloat* components, const CGFloat* locations, size_t count)
{
    CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
    CGGradientRef gradient = CGGradientCreateWithColorComponents(space, components, locations, count);
    CGColorSpaceRelease(space);
    return gradient;
}

inline void SetFill(CGContextRef c, double r, double g, double b, double a = 1.0)
{
    CGContextSetRGBFillColor(c, r, g, b, a);
}

struct Decoded {
    int width = 0;
    int height = 0;
    int channels = 0;   // 4 for PNG (RGBA), 3 for JPEG (RGB)
    std::vector<unsigned char> pixels;
    const unsigned char* At(int x, int y) const
    {
        return pixels.data() + (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) *
                                   static_cast<size_t>(channels);
    }
};

inline bool DecodePng(const unsigned char* data, size_t size, Decoded* out)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size))
        return false;
    image.format = PNG_FORMAT_RGBA;
    out->width = static_cast<int>(image.width);
    out->height = static_cast<int>(image.height);
    out->channels = 4;
    out->pixels.resize(PNG_IMAGE_SIZE(image));
    const bool ok = png_image_finish_read(&image, nullptr, out->pixels.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

inline bool DecodeJpeg(const unsigned char* data, size_t size, Decoded* out)
{
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    out->width = static_cast<int>(info.output_width);
    out->height = static_cast<int>(info.output_height);
    out->channels = 3;
    out->pixels.resize(static_cast<size_t>(out->width) * static_cast<size_t>(out->height) * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out->pixels.data() + static_cast<size_t>(info.output_scanline) *
                                                static_cast<size_t>(out->width) * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace qtest
