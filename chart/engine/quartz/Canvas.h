// The chart's canvas over our Quartz layer: a CoreGraphics bitmap context
// over a pixel buffer the canvas owns (8-bit RGBA, alpha last and
// premultiplied, generic RGB), flipped so that y grows downward.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "chart/engine/Canvas.h"
#include "chart/engine/Color.h"

class CCanvas {
public:
    CCanvas(std::int32_t width, std::int32_t height);
    ~CCanvas();
    CCanvas(const CCanvas&) = delete;
    CCanvas& operator=(const CCanvas&) = delete;

    // Bytes of one row: width * 4 rounded up to a multiple of 16, in size_t
    // (the int product overflows from about 23170 pixels a side).
    static std::size_t RowBytes(std::int32_t width);

    CGContextRef GetContext() const { return context_; }
    const unsigned char* Pixels() const { return pixels_.get(); }
    std::size_t RowLength() const { return rowBytes_; }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    // False when the buffer or the bitmap context could not be made.
    bool Usable() const { return context_ != nullptr; }

    // Every pixel transparent, then the background: the colour, else white
    // for JPEG, else a transparency layer begun over the transparent bitmap
    // (ended before the picture is taken).
    void Clear(const CColor& background, bool jpeg);
    // Ends the transparency layer when one is open.
    void EndLayer();
    bool LayerOpen() const { return layerOpen_; }

private:
    std::int32_t width_;
    std::int32_t height_;
    std::size_t rowBytes_ = 0;
    struct FreePixels {
        void operator()(unsigned char* pixels) const { std::free(pixels); }
    };
    std::unique_ptr<unsigned char, FreePixels> pixels_;
    CGContextRef context_ = nullptr;
    bool layerOpen_ = false;
};
