// Shared inside the GDI+ layer only.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdiplus/Gdiplus.h"

namespace Gdiplus {

struct Bitmap::Impl {
    cairo_surface_t* surface = nullptr;
    INT width = 0;
    INT height = 0;
    Status status = Ok;   // why the bitmap has no pixels, when it has none
    // Grows with every drawing on the bitmap, by any of its graphics: what
    // a graphics remembers of the pixels holds while it is unchanged.
    std::uint64_t changes = 0;
    // The pixels are not set yet and stand for transparent black: a canvas
    // is cleared to its background first, which makes zeroing them waste.
    // Set on first use (Realise); a Clear covers them without it.
    bool blank = false;

    void Realise()
    {
        if (!blank)
            return;
        blank = false;
        cairo_surface_flush(surface);
        std::memset(cairo_image_surface_get_data(surface), 0,
                    static_cast<std::size_t>(cairo_image_surface_get_stride(surface)) *
                        static_cast<std::size_t>(height));
        cairo_surface_mark_dirty(surface);
    }
};

namespace detail {

// UTF-32 to UTF-8; code points that are not Unicode scalar values become U+FFFD.
std::string Utf8(const WCHAR* text, std::size_t length);
// Length of a text given as (pointer, length) in the GDI+ way: -1 means up to
// the terminating zero.
std::size_t TextLength(const WCHAR* text, INT length);

// Text. The measuring context has the identity transform; drawing contexts are
// made per Graphics and follow its transform. Both: 96 dpi, metrics hinting
// off, unrounded glyph positions.
PangoContext* MeasureContext();
PangoContext* NewDrawContext();
// A one-line layout of the text in the font; the caller unrefs it.
PangoLayout* NewLayout(PangoContext* context, const Font& font, const std::string& utf8);
// Width and height of the layout's logical box in pixels.
void LayoutSize(PangoLayout* layout, double* width, double* height);

// Pixels: premultiplied native ARGB32 (cairo) to straight ARGB.
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

// Encoders.
enum class Codec { None, Png, Jpeg };
Codec CodecOf(const CLSID* clsid);
// PNG: 8 bits, RGB when every pixel is opaque, else straight RGBA; the image
// data filtered Up and deflated in stripes (see PngWriter.cpp). The stripes
// run on the encoder's workers and the calling thread, or on the calling
// thread alone: the bytes are the same.
enum class PngThreads { Pool, CallingThread };
Status EncodePng(const Bitmap::Impl& bitmap, ByteSink* sink, PngThreads threads = PngThreads::Pool);
// How a picture is cut: `count` stripes of `rows` rows (the last may be
// shorter), deflated by ISA-L or else by zlib. Depends on the size alone.
struct PngStripes {
    int rows = 0;
    int count = 0;
    bool isal = false;
};
PngStripes PlanPngStripes(int width, int height);
Status EncodeJpeg(const Bitmap::Impl& bitmap, ByteSink* sink);

// Which points of a polyline to keep (1) and leave out (0): the first and
// last always, and every point left out lies within the tolerance of the
// segment between the kept points before and after it. Linear time at most.
std::vector<char> ThinPolyline(const std::vector<PointF>& points, double tolerance);

// Recording: the pieces of a line (see Recording.h).
std::string Num(double value);
std::string Hex(ARGB value);
std::string Point(const PointF& point);
std::string Rect(const RectF& rect);
std::string PenText(const Pen* pen);
std::string BrushText(const Brush* brush);
std::string FontText(const Font* font);
std::string Quote(const std::string& utf8);

} // namespace detail
} // namespace Gdiplus
