// Test helpers for the graphics layer: captured product log, encoder lookup,
// PNG/JPEG decoding and pixel tallies.
#pragma once

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gdiplus/Gdiplus.h"

namespace gfx_test {

// Routes the product log into a string for the life of the object.
class LogCapture {
public:
    LogCapture();
    std::string Text() const { return stream_->str(); }
    // The log lines without their time stamp ("[ERROR] - message").
    std::vector<std::string> Lines() const;

private:
    std::ostringstream* stream_;   // owned by the log's sink
};

Gdiplus::CLSID EncoderClsid(const wchar_t* mimeType);

// Decoded pixels, straight (not premultiplied) ARGB per pixel.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
    std::uint32_t At(int x, int y) const
    {
        return argb[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x)];
    }
};

// False when the bytes are not a picture of that kind.
bool DecodePng(const std::vector<unsigned char>& bytes, Image* image);
bool DecodeJpeg(const std::vector<unsigned char>& bytes, Image* image);

// The bitmap's pixels through GetPixel.
Image Pixels(const Gdiplus::Bitmap& bitmap);

// Peak signal-to-noise ratio of the colour channels of two same-sized images.
double Psnr(const Image& a, const Image& b);

// Bounding box of the pixels whose alpha is above the threshold; false if none.
struct Box {
    int left = 0, top = 0, right = -1, bottom = -1;   // inclusive
};
bool InkBox(const Image& image, Box* box, unsigned alphaThreshold = 0);

std::vector<unsigned char> ReadFile(const std::string& path);

} // namespace gfx_test
