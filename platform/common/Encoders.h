// The picture encoders both drawing layers use: PNG (PngWriter.cpp, striped
// over the encoder's workers) and JPEG (JpegWriter.cpp, libjpeg-turbo).
// They read cairo's pixel format and write to a byte sink.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pvcommon {
namespace image {

enum Status { Ok, GenericError, InvalidParameter, OutOfMemory };

// A pixel value in straight (not premultiplied) ARGB.
using ARGB = std::uint32_t;

// Where an encoder writes its bytes.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Appends the bytes; false when they could not be taken.
    virtual bool Write(const void* data, std::size_t size) = 0;
};

// Pixels as cairo's ARGB32 holds them: premultiplied, one native-endian
// 32-bit word per pixel, rows `stride` bytes apart.
struct Pixels {
    const unsigned char* data = nullptr;
    std::size_t stride = 0;
    int width = 0;
    int height = 0;
};

// Premultiplied native ARGB32 to straight ARGB.
inline ARGB Unpremultiply(std::uint32_t pixel)
{
    std::uint32_t a = pixel >> 24;
    if (a == 0xFF)
        return pixel;
    if (a == 0)
        return 0;
    auto channel = [a](std::uint32_t c) {
        std::uint32_t v = (c * 255 + a / 2) / a;
        return v > 255 ? 255u : v;
    };
    return a << 24 | channel(pixel >> 16 & 0xFF) << 16 | channel(pixel >> 8 & 0xFF) << 8 |
           channel(pixel & 0xFF);
}

// PNG: 8 bits, RGB when every pixel is opaque, else straight RGBA; the image
// data filtered Up and deflated in stripes (see PngWriter.cpp). The stripes
// run on the encoder's workers and the calling thread, or on the calling
// thread alone: the bytes are the same.
enum class PngThreads { Pool, CallingThread };
Status EncodePng(const Pixels& bitmap, ByteSink* sink, PngThreads threads = PngThreads::Pool);
// How a picture is cut: `count` stripes of `rows` rows (the last may be
// shorter), each deflated with a 32 KB window and, when `twoWindows`, also
// with a small one, the smaller kept. Depends on the size alone.
struct PngStripes {
    int rows = 0;
    int count = 0;
    bool twoWindows = false;
};
PngStripes PlanPngStripes(int width, int height);

// JPEG (baseline, 4:2:0) at the quality, 1 to 100; white where transparent.
constexpr int kJpegQuality = 75;
Status EncodeJpeg(const Pixels& bitmap, ByteSink* sink, int quality = kJpegQuality);

// The encoder's worker threads: started on first need; a host may start them
// early or stop them (a later picture starts them again).
bool StartEncoderThreads();
void StopEncoderThreads();
// A PNG picture of this size is about to be drawn: helpers wake and watch
// for its stripes (for a bounded time, then sleep again), rather than
// being woken when the stripes come. Nothing when the threads are not started.
void ReadyEncoderThreads(int width, int height);

} // namespace image
} // namespace pvcommon
