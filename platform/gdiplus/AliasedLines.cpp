// Aliased opaque lines and rectangles written straight into the pixels, in
// runs of one colour (see LineRun and LineShapes).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "platform/gdiplus/GraphicsImpl.h"

namespace Gdiplus {

using namespace detail;

namespace {

// cairo's aliased stroke of a horizontal or vertical line, done as cairo
// does it: the end points in its 24.8 fixed point, the line cut into dashes
// there (the dash lengths kept in double as cairo keeps them), each piece a
// box half a pen width to either side, and a box's edges taken to the
// nearest pixel edge, halves down. A pixel is set when it lies inside a box.
// cairo dashes a separator of the plot's height into about a hundred pieces
// and composites each.
constexpr double kDashOn = 3.0, kDashOff = 1.0;
// cairo's "fixed error": a dash with less than this left is over.
constexpr double kFixedError = 1.0 / 512.0;
// Slanted shapes kept before starting anew.
constexpr std::size_t kMaxLineShapes = 512;
// Slants kept as shapes reach at most this many pixels either way.
constexpr std::int64_t kMaxShapeReach = 64;

// A double in cairo's fixed point: to the nearest 1/256, ties to even.
std::int64_t Fixed(double v)
{
    return static_cast<std::int64_t>(std::nearbyint(v * 256.0));
}

// The whole pixel at or below a fixed-point coordinate.
std::int64_t FloorPixel(std::int64_t f)
{
    return f >= 0 ? f / 256 : -((-f + 255) / 256);
}

// The pixel edge of a box edge in fixed point: the nearest whole pixel,
// halves down.
int PixelEdge(std::int64_t f)
{
    return static_cast<int>(FloorPixel(f + 127));
}

// Sets the pixels of the box [x0, x1) x [y0, y1), cut to the surface's
// rows and columns, to a premultiplied pixel value; grows the dirty box.
void FillBox(unsigned char* data, std::size_t stride, int width, int height, int x0, int y0,
             int x1, int y1, std::uint32_t pixel, int dirty[4])
{
    x0 = std::max(0, x0);
    y0 = std::max(0, y0);
    x1 = std::min(width, x1);
    y1 = std::min(height, y1);
    if (x0 >= x1 || y0 >= y1)
        return;
    for (int row = y0; row < y1; ++row) {
        auto* pixels =
            reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(row) * stride);
        std::fill(pixels + x0, pixels + x1, pixel);
    }
    dirty[0] = std::min(dirty[0], x0);
    dirty[1] = std::min(dirty[1], y0);
    dirty[2] = std::max(dirty[2], x1);
    dirty[3] = std::max(dirty[3], y1);
}

} // namespace

bool Graphics::Impl::StrokeLineAliased(const Pen& pen, REAL x1, REAL y1, REAL x2, REAL y2)
{
    const Color colour = pen.GetColor();
    const double width = pen.GetWidth() > 0.0f ? pen.GetWidth() : 1.0;
    const bool dashed = pen.GetDashStyle() == DashStyleDash;
    // Thinner pens cairo treats otherwise (it skips them, or approximates
    // their dashes); dashes of whole fixed-point units end where cairo's do
    // without a tie in its rounding.
    if (!pvcommon::raster::FastPaths() || smoothing == SmoothingModeHighQuality || !IsIdentity() || colour.GetA() != 0xFF ||
        width < 0.25 || (!dashed && pen.GetDashStyle() != DashStyleSolid) ||
        (dashed && std::floor(width * 256.0) != width * 256.0))
        return false;
    // The ends in device fixed point: pixel centres lie on half coordinates.
    const std::int64_t fx1 = Fixed(static_cast<double>(x1) + 0.5);
    const std::int64_t fy1 = Fixed(static_cast<double>(y1) + 0.5);
    const std::int64_t fx2 = Fixed(static_cast<double>(x2) + 0.5);
    const std::int64_t fy2 = Fixed(static_cast<double>(y2) + 0.5);
    const bool vertical = fx1 == fx2, horizontal = fy1 == fy2;
    if (vertical && horizontal)
        return false;
    const std::int64_t dx = fx2 - fx1, dy = fy2 - fy1;
    const std::int64_t widthBits = Fixed(width * 256.0);
    // A dashed slant's pieces end where cairo rounds positions measured on
    // the canvas, which moving it by whole pixels can change.
    if (!vertical && !horizontal &&
        (dashed || std::max(std::abs(dx), std::abs(dy)) > kMaxShapeReach * 256 || width > 8.0))
        return false;

    const std::uint32_t pixel = colour.GetValue();
    JoinRun(pixel);
    cairo_surface_t* surface = bitmap->surface;
    if (!vertical && !horizontal) {
        // A slant: cairo's pixels for its shape, moved to its place.
        const std::int64_t ix = FloorPixel(fx1), iy = FloorPixel(fy1);
        const LineKey key{{fx1 - 256 * ix, fy1 - 256 * iy, dx, dy, widthBits, 0, 0, 0, 0}};
        auto found = shapes.spans.find(key);
        if (found == shapes.spans.end()) {
            if (shapes.spans.size() >= kMaxLineShapes)
                shapes.spans.clear();
            // The shape drawn by cairo in a mask, in the coordinates of the
            // layer (pixel centres on whole numbers).
            const double ux1 = static_cast<double>(key.v[0]) / 256.0 - 0.5;
            const double uy1 = static_cast<double>(key.v[1]) / 256.0 - 0.5;
            const double ux2 = ux1 + static_cast<double>(dx) / 256.0;
            const double uy2 = uy1 + static_cast<double>(dy) / 256.0;
            const double reach = width * 0.5 + 2.0;
            std::vector<Span> spans;
            auto shape = [&](cairo_t* mask) {
                SetPen(mask, pen);
                cairo_set_source_rgba(mask, 0.0, 0.0, 0.0, 1.0);
                cairo_move_to(mask, ux1, uy1);
                cairo_line_to(mask, ux2, uy2);
                cairo_stroke(mask);
            };
            if (!MaskSpans(static_cast<int>(std::floor(std::min(ux1, ux2) - reach)),
                           static_cast<int>(std::floor(std::min(uy1, uy2) - reach)),
                           static_cast<int>(std::ceil(std::max(ux1, ux2) + reach)),
                           static_cast<int>(std::ceil(std::max(uy1, uy2) + reach)), shape, spans))
                return false;
            found = shapes.spans.emplace(key, std::move(spans)).first;
        }
        FillSpans(surface, found->second, static_cast<int>(ix), static_cast<int>(iy), pixel);
    } else {
        // Along the line (a to b) and across it (at c).
        const std::int64_t a = vertical ? fy1 : fx1, b = vertical ? fy2 : fx2;
        const std::int64_t c = vertical ? fx1 : fy1;
        const std::int64_t half = Fixed(width / 2.0);
        const int across0 = PixelEdge(c - half), across1 = PixelEdge(c + half);
        const LineKey key{
            {vertical ? 1 : 2, across0, across1, a, b, widthBits, dashed ? 1 : 0, 0, 0}};
        if (Seen(key))
            return true;
        const int surfaceWidth = cairo_image_surface_get_width(surface);
        const int surfaceHeight = cairo_image_surface_get_height(surface);
        const auto stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface));
        cairo_surface_flush(surface);
        unsigned char* data = cairo_image_surface_get_data(surface);
        int dirty[4] = {surfaceWidth, surfaceHeight, 0, 0};
        auto piece = [&](std::int64_t p, std::int64_t q) {
            if (p == q)
                return;
            const int along0 = PixelEdge(std::min(p, q)), along1 = PixelEdge(std::max(p, q));
            if (vertical)
                FillBox(data, stride, surfaceWidth, surfaceHeight, across0, along0, across1,
                        along1, pixel, dirty);
            else
                FillBox(data, stride, surfaceWidth, surfaceHeight, along0, across0, along1,
                        across1, pixel, dirty);
        };
        if (!dashed) {
            piece(a, b);
        } else {
            // Each step ends at b less what remains, so that the steps add up.
            const double dashes[2] = {kDashOn * width, kDashOff * width};
            const std::int64_t sign = b < a ? 1 : -1;
            std::int64_t remain = b < a ? a - b : b - a;
            double dashRemain = dashes[0];
            int index = 0;
            bool on = true;
            std::int64_t from = a;
            while (remain > 0) {
                const std::int64_t step = std::min(Fixed(dashRemain), remain);
                remain -= step;
                const std::int64_t to = b + sign * remain;
                if (on)
                    piece(from, to);
                dashRemain -= static_cast<double>(step) / 256.0;
                if (dashRemain < kFixedError) {
                    index ^= 1;
                    on = !on;
                    dashRemain += dashes[index];
                }
                from = to;
            }
        }
        if (dirty[0] < dirty[2])
            cairo_surface_mark_dirty_rectangle(surface, dirty[0], dirty[1], dirty[2] - dirty[0],
                                               dirty[3] - dirty[1]);
    }
    Drew();
    return true;
}

void Graphics::Impl::WriteBoxes(const std::int64_t (*boxes)[4], int count, std::uint32_t pixel)
{
    cairo_surface_t* surface = bitmap->surface;
    const int surfaceWidth = cairo_image_surface_get_width(surface);
    const int surfaceHeight = cairo_image_surface_get_height(surface);
    const std::size_t stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface));
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    int dirty[4] = {surfaceWidth, surfaceHeight, 0, 0};
    for (int i = 0; i < count; ++i)
        FillBox(data, stride, surfaceWidth, surfaceHeight, PixelEdge(boxes[i][0]),
                PixelEdge(boxes[i][1]), PixelEdge(boxes[i][2]), PixelEdge(boxes[i][3]), pixel,
                dirty);
    if (dirty[0] < dirty[2])
        cairo_surface_mark_dirty_rectangle(surface, dirty[0], dirty[1], dirty[2] - dirty[0],
                                           dirty[3] - dirty[1]);
}

// cairo traces a rectangle from its corner by relative steps, each taken to
// its fixed point on its own; stroked with a solid pen and mitred corners,
// each side is a box reaching half a pen width past both corners.
bool Graphics::Impl::StrokeRectangleAliased(const Pen& pen, REAL x, REAL y, REAL width,
                                            REAL height)
{
    const Color colour = pen.GetColor();
    const double penWidth = pen.GetWidth() > 0.0f ? pen.GetWidth() : 1.0;
    if (!pvcommon::raster::FastPaths() || smoothing == SmoothingModeHighQuality || !IsIdentity() || colour.GetA() != 0xFF ||
        penWidth < 0.25 || pen.GetDashStyle() != DashStyleSolid || !(width > 0.0f) ||
        !(height > 0.0f))
        return false;
    const std::int64_t x0 = Fixed(static_cast<double>(x) + 0.5);
    const std::int64_t y0 = Fixed(static_cast<double>(y) + 0.5);
    const std::int64_t x1 = x0 + Fixed(width), y1 = y0 + Fixed(height);
    const std::int64_t half = Fixed(penWidth / 2.0);
    const std::int64_t boxes[4][4] = {{x0 - half, y0 - half, x1 + half, y0 + half},
                                      {x1 - half, y0 - half, x1 + half, y1 + half},
                                      {x0 - half, y1 - half, x1 + half, y1 + half},
                                      {x0 - half, y0 - half, x0 + half, y1 + half}};
    const std::uint32_t pixel = colour.GetValue();
    JoinRun(pixel);
    LineKey key{{4, 0, 0, 0, 0, 0, 0, 0, 0}};
    // Named by where its edges fall: outside and inside, left, top, right,
    // bottom.
    key.v[1] = PixelEdge(x0 - half);
    key.v[2] = PixelEdge(y0 - half);
    key.v[3] = PixelEdge(x1 + half);
    key.v[4] = PixelEdge(y1 + half);
    key.v[5] = PixelEdge(x0 + half);
    key.v[6] = PixelEdge(y0 + half);
    key.v[7] = PixelEdge(x1 - half);
    key.v[8] = PixelEdge(y1 - half);
    if (!Seen(key)) {
        WriteBoxes(boxes, 4, pixel);
        Drew();
    }
    return true;
}

bool Graphics::Impl::FillRectangleAliased(const Brush& brush, REAL x, REAL y, REAL width,
                                          REAL height)
{
    if (!pvcommon::raster::FastPaths() || smoothing == SmoothingModeHighQuality || !IsIdentity() ||
        brush.GetKind() != Brush::Kind::Solid || !(width > 0.0f) || !(height > 0.0f))
        return false;
    const Color colour = static_cast<const SolidBrush&>(brush).GetColor();
    if (colour.GetA() != 0xFF)
        return false;
    const std::int64_t x0 = Fixed(static_cast<double>(x) + 0.5);
    const std::int64_t y0 = Fixed(static_cast<double>(y) + 0.5);
    const std::int64_t box[1][4] = {{x0, y0, x0 + Fixed(width), y0 + Fixed(height)}};
    const std::uint32_t pixel = colour.GetValue();
    JoinRun(pixel);
    const LineKey key{{3, PixelEdge(box[0][0]), PixelEdge(box[0][1]), PixelEdge(box[0][2]),
                       PixelEdge(box[0][3]), 0, 0, 0, 0}};
    if (!Seen(key)) {
        WriteBoxes(box, 1, pixel);
        Drew();
    }
    return true;
}

} // namespace Gdiplus
