// Shared inside the GDI+ layer only.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/common/EncoderPool.h"
#include "platform/common/Encoders.h"
#include "platform/common/Fonts.h"
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

// Text: pango layouts in the font at 96 dpi over the shared font code
// (platform/common/Fonts.h). Drawing contexts are made per Graphics and
// follow its transform.
constexpr double kTextDpi = 96.0;
PangoContext* MeasureContext();
PangoContext* NewDrawContext();
// A one-line layout of the text in the font; the caller unrefs it.
PangoLayout* NewLayout(PangoContext* context, const Font& font, const std::string& utf8);
using pvcommon::text::LayoutSize;

// Pixels and encoders: the shared ones (platform/common/Encoders.h).
using pvcommon::image::Unpremultiply;
using pvcommon::image::PngThreads;
using pvcommon::image::PngStripes;
using pvcommon::image::PlanPngStripes;
using pvcommon::image::EncoderWorkerCount;
enum class Codec { None, Png, Jpeg };
Codec CodecOf(const CLSID* clsid);
Status EncodePng(const Bitmap::Impl& bitmap, ByteSink* sink, PngThreads threads = PngThreads::Pool);
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
