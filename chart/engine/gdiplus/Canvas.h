// The chart's canvas over our GDI+ layer (a 32-bit ARGB bitmap and its
// graphics), fonts, and the image encoders by MIME type.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "chart/engine/Canvas.h"
#include "platform/gdiplus/Gdiplus.h"

class CCanvas {
public:
    CCanvas(std::int32_t width, std::int32_t height);

    Gdiplus::Bitmap* GetBitmap() { return &bitmap_; }
    const Gdiplus::Bitmap* GetBitmap() const { return &bitmap_; }
    Gdiplus::Graphics* GetGraphics() { return &graphics_; }
    // False when the bitmap has no pixels (sides out of range, no memory).
    bool Usable() const;
    // Every pixel to the colour, in one pass over the canvas.
    void Paint(Gdiplus::ARGB colour);

private:
    Gdiplus::Bitmap bitmap_;
    Gdiplus::Graphics graphics_;
};

// The font of the family at the size in points; the generic sans-serif family
// when the family cannot be had.
std::unique_ptr<Gdiplus::Font> CreateFont(const std::wstring& family, int size);

// Index of the first image encoder whose MIME type equals the text exactly
// (and its class id), or -1.
int GetEncoderClsid(const wchar_t* mimeType, Gdiplus::CLSID* clsid);
