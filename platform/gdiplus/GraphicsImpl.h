// Shared inside the GDI+ layer's drawing only: the state of a Graphics and
// the pieces its general path (cairo) and its fast paths have in common.
// The fast paths live beside the general one, a file each:
//   AliasedLines.cpp   horizontal and vertical lines, rectangles and slants
//                      written straight into the pixels, in runs
//   AliasedArcs.cpp    thin aliased arcs as a rasterised band
//   SmoothedArcs.cpp   smoothed arcs covered by area as a band
//   GradientRows.cpp   vertical gradient fills through their coverage
//   RowStacks.cpp      arcs and pies stacked row by row, painted at once
//   ThinPolyline.cpp   polylines thinned before stroking
#pragma once

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/common/AreaCoverage.h"
#include "platform/common/FastPaths.h"
#include "platform/gdiplus/Internal.h"

namespace Gdiplus {

namespace detail {


// Pixel runs of an aliased shape, relative to an origin: pixels x0 <= x < x1
// of a row.
struct Span {
    int row, x0, x1;
};

// A thin aliased stroke of an elliptic arc as the band between the ellipses
// half a pen width outside and inside, with square-cut ends: within a
// twentieth of a pixel of cairo's stroke for the thin pens it serves, at a
// fraction of the cost. A 3D pie's side repeats an arc moved by whole pixels
// (two stacks of the same arc per slice), so the last arc's pixel runs are
// kept and only moved when the next arc differs from it by whole pixels.
struct ArcCache {
    double w = 0, h = 0, start = 0, sweep = 0, pen = 0, fx = -1, fy = -1;
    std::vector<Span> spans;
};

// Numbers naming a shape's pixels (see LineRun and LineShapes).
struct LineKey {
    std::int64_t v[9];
    bool operator==(const LineKey& o) const { return std::equal(v, v + 9, o.v); }
};

struct LineKeyHash {
    std::size_t operator()(const LineKey& k) const
    {
        std::uint64_t h = 0x9E3779B97F4A7C15ull;
        for (std::int64_t x : k.v)
            h = (h ^ static_cast<std::uint64_t>(x)) * 0x100000001B3ull + (h >> 29);
        return static_cast<std::size_t>(h);
    }
};

// Aliased opaque lines and rectangles of one colour written straight into
// the pixels, one after another with nothing else drawn in between: a shape
// among them is already on the canvas, and is not written again. A chart's
// grid draws a dashed separator per category, and a dotted line a mark per
// value, a thousand of them to a pixel column when the values are dense.
// The shapes of the run are kept in a table of open addressing, emptied by
// a new stamp: a run starts at every change of colour, and a shape costs no
// allocation. The table grows to at most kMaxRunSlots; with half of those
// taken the run starts over (it only remembers less).
constexpr std::size_t kMaxRunSlots = 8192;

struct LineRun {
    std::uint64_t mark = ~std::uint64_t{0};   // the bitmap's changes after the last line
    std::uint32_t pixel = 0;
    std::uint32_t stamp = 1;
    std::size_t count = 0;
    std::vector<LineKey> keys;
    std::vector<std::uint32_t> stamps;   // a slot is taken when it holds the stamp

    void Clear()
    {
        count = 0;
        if (++stamp == 0) {
            std::fill(stamps.begin(), stamps.end(), 0u);
            stamp = 1;
        }
    }
    // True when the key was there; else it is added.
    bool Insert(const LineKey& key)
    {
        if (2 * (count + 1) > stamps.size()) {
            if (stamps.size() >= kMaxRunSlots)
                Clear();
            else
                Grow(std::max<std::size_t>(64, 2 * stamps.size()));
        }
        const std::size_t mask = stamps.size() - 1;
        for (std::size_t i = LineKeyHash()(key) & mask;; i = (i + 1) & mask) {
            if (stamps[i] != stamp) {
                stamps[i] = stamp;
                keys[i] = key;
                ++count;
                return false;
            }
            if (keys[i] == key)
                return true;
        }
    }

private:
    // The taken slots moved into a table of the size; made in full before
    // it replaces the old one, so a failure leaves the old.
    void Grow(std::size_t size)
    {
        std::vector<LineKey> madeKeys(size);
        std::vector<std::uint32_t> madeStamps(size, 0u);
        for (std::size_t j = 0; j < stamps.size(); ++j) {
            if (stamps[j] != stamp)
                continue;
            std::size_t i = LineKeyHash()(keys[j]) & (size - 1);
            while (madeStamps[i] == stamp)
                i = (i + 1) & (size - 1);
            madeStamps[i] = stamp;
            madeKeys[i] = keys[j];
        }
        keys.swap(madeKeys);
        stamps.swap(madeStamps);
    }
};

// The pixels cairo sets for a slanted aliased line, by the line's place
// within its pixel (in cairo's fixed point), its extent, pen and dashes: the
// same line a whole number of pixels away sets the same pixels moved. The
// floor traces of a 3D bar chart's separators repeat one short slant.
struct LineShapes {
    std::unordered_map<LineKey, std::vector<Span>, LineKeyHash> spans;
};


constexpr double kPi = 3.14159265358979323846;

// Arcs wider than this are left to cairo.
constexpr double kMaxAliasedArc = 65536.0;

// The ellipse parameter of the point seen from the centre under the angle
// (degrees), unwrapped so that it grows with the angle.
double EllipseParameter(double a, double b, double degrees);
// The box (left, top, right, bottom) of the arc of the ellipse in the box
// (x, y, w, h) that AddArc traces, and of its centre when asked.
void ArcBox(double x, double y, double w, double h, double start, double sweep, bool centre,
            double box[4]);
// Appends the arc of the ellipse in the box to the current path.
void AddArc(cairo_t* cr, double x, double y, double w, double h, double start, double sweep);

// Sets the spans' pixels, shifted by the origin and cut to the surface, to a
// premultiplied pixel value.
void FillSpans(cairo_surface_t* surface, const std::vector<Span>& spans, int originX,
               int originY, std::uint32_t pixel);
// The pixel runs of the thin aliased stroke of an elliptic arc (see ArcCache),
// relative to the whole pixel at or above and left of (x, y), in the cache;
// false when the arc is too thin, too wide or the pen too broad for it.
bool ArcBandSpans(ArcCache& cache, double x, double y, double w, double h, double start,
                  double sweep, double penWidth);
// The same arc's pixels set on the surface; false as above (nothing set).
bool StrokeArcAliased(cairo_surface_t* surface, ArcCache& cache, double x, double y,
                      double w, double h, double start, double sweep, double penWidth,
                      std::uint32_t pixel);

// Bits of a one-bit mask per band: a mask over a tall picture goes in bands
// of this size rather than at once.
constexpr long long kMaskBits = 1LL << 20;

// The spans of a shape drawn aliased by cairo, in canvas pixels, over the
// canvas columns left..right and rows top..bottom (ends exclusive). The
// shape is drawn into one-bit masks, band by band; cairo's own rasteriser
// decides, so the pixels are those a drawing on the canvas would set. False
// when a mask cannot be made.
template <class Shape>
bool MaskSpans(int left, int top, int right, int bottom, Shape shape, std::vector<Span>& spans)
{
    spans.clear();
    if (left >= right || top >= bottom)
        return true;
    const int width = right - left;
    const int band = static_cast<int>(
        std::max(1LL, std::min<long long>(bottom - top, kMaskBits / width)));
    for (int y0 = top, height = 0; y0 < bottom; y0 += height) {
        height = std::min(band, bottom - y0);
        // Freed however the band ends (the spans can fail to grow).
        const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> held(
            cairo_image_surface_create(CAIRO_FORMAT_A1, width, height), &cairo_surface_destroy);
        cairo_surface_t* mask = held.get();
        cairo_t* cr = cairo_create(mask);
        if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
            cairo_destroy(cr);
            return false;
        }
        cairo_translate(cr, 0.5 - left, 0.5 - y0);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_set_source_rgba(cr, 0.0, 0.0, 0.0, 1.0);
        shape(cr);
        cairo_destroy(cr);
        cairo_surface_flush(mask);
        const unsigned char* data = cairo_image_surface_get_data(mask);
        const std::size_t stride = static_cast<std::size_t>(cairo_image_surface_get_stride(mask));
        for (int r = 0; r < height; ++r) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(r) * stride);
            // The pixel x is bit x % 32 of word x / 32, counted from the
            // least significant bit on little-endian machines.
            auto bit = [row](int x) {
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
                return (row[x / 32] >> (31 - x % 32) & 1u) != 0;
#else
                return (row[x / 32] >> (x % 32) & 1u) != 0;
#endif
            };
            int x = 0;
            while (x < width) {
                // Whole words at once where they are all clear or all set.
                while (x < width) {
                    if (x % 32 == 0 && row[x / 32] == 0)
                        x += 32;
                    else if (!bit(x))
                        ++x;
                    else
                        break;
                }
                if (x >= width)
                    break;
                const int from = x;
                while (x < width) {
                    if (x % 32 == 0 && width - x >= 32 && row[x / 32] == ~0u)
                        x += 32;
                    else if (bit(x))
                        ++x;
                    else
                        break;
                }
                spans.push_back(Span{y0 + r, left + from, left + x});
            }
        }
    }
    return true;
}

// Composites the coverage's runs over the surface, each in the colour
// (premultiplied) colourOf(row) gives; marks the box dirty.
template <class ColourOf>
void LayRuns(cairo_surface_t* surface, pvcommon::raster::AreaCoverage& area, ColourOf colourOf)
{
    const int left = area.Left(), top = area.Top(), width = area.Width(), height = area.Height();
    cairo_surface_flush(surface);
    pvcommon::raster::LayRuns(area, cairo_image_surface_get_data(surface),
                              static_cast<std::size_t>(cairo_image_surface_get_stride(surface)), colourOf);
    cairo_surface_mark_dirty_rectangle(surface, left, top, width, height);
}

} // namespace detail

struct Graphics::Impl {
    Bitmap::Impl* bitmap = nullptr;
    cairo_t* cr = nullptr;
    cairo_matrix_t world;
    SmoothingMode smoothing = SmoothingModeDefault;
    TextRenderingHint hint = TextRenderingHintSystemDefault;
    Status broken = Ok; // why nothing can be drawn, when nothing can
    detail::ArcCache arcs;
    detail::LineRun lines;
    detail::LineShapes shapes;
    std::vector<std::uint32_t> scratch; // a gradient fill's colour of every row
    pvcommon::raster::AreaCoverage area; // and the shape's coverage
    pvcommon::raster::Polygons outline;  // of the shape (or band) covered last

    // Every drawing on the bitmap passes here first.
    void Touch()
    {
        if (bitmap) {
            bitmap->Realise();
            ++bitmap->changes;
        }
    }

    // After Prepare and a path: fills the path with the vertical gradient
    // brush when smoothed (false for anything else). A vertical gradient is
    // one colour per device row when the transform neither rotates nor
    // shears: the colours are worked out once per row (by cairo, in a
    // one-pixel column) and laid over the shape's coverage by area, run by
    // run. cairo would rasterise the shape in 15 rows a pixel and work the
    // gradient out pixel by pixel: a 2D pie's drawing took a third fewer
    // instructions this way.
    bool FillVerticalGradient(const Brush& brush);
    bool LayGradientRows(const Brush& brush);
    // A smoothed solid arc without rotation or scale, covered by area as
    // the band between the curve moved out and in by half the pen along its
    // normal; false for any other (cairo strokes it).
    bool StrokeArcSmoothed(const Pen& pen, REAL x, REAL y, REAL width, REAL height, REAL start,
                           REAL sweep);

    bool IsIdentity() const
    {
        return world.xx == 1.0 && world.yx == 0.0 && world.xy == 0.0 && world.yy == 1.0 &&
               world.x0 == 0.0 && world.y0 == 0.0;
    }

    // The state suffix of a recorded drawing line.
    std::string State(bool forText) const
    {
        std::string s;
        if (!IsIdentity())
            s += " xf=(" + detail::Num(world.xx) + "," + detail::Num(world.yx) + "," +
                 detail::Num(world.xy) + "," + detail::Num(world.yy) + "," + detail::Num(world.x0) +
                 "," + detail::Num(world.y0) + ")";
        if (forText)
            s += hint == TextRenderingHintAntiAlias ? " hint=antialias" : " hint=default";
        else
            s += smoothing == SmoothingModeHighQuality ? " aa=on" : " aa=off";
        return s;
    }

    // Device matrix, antialiasing, a fresh path.
    void Prepare()
    {
        Touch();
        cairo_identity_matrix(cr);
        cairo_translate(cr, 0.5, 0.5);
        cairo_transform(cr, &world);
        cairo_set_antialias(cr, smoothing == SmoothingModeHighQuality ? CAIRO_ANTIALIAS_DEFAULT
                                                                      : CAIRO_ANTIALIAS_NONE);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        cairo_new_path(cr);
    }

    static void SetColor(cairo_t* cr, const Color& c)
    {
        cairo_set_source_rgba(cr, c.GetR() / 255.0, c.GetG() / 255.0, c.GetB() / 255.0,
                              c.GetA() / 255.0);
    }

    // After Prepare: the pen as cairo's stroke state.
    void SetPen(const Pen& pen) { SetPen(cr, pen); }

    static void SetPen(cairo_t* cr, const Pen& pen)
    {
        SetColor(cr, pen.GetColor());
        double width = pen.GetWidth() > 0.0f ? pen.GetWidth() : 1.0;
        cairo_set_line_width(cr, width);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
        cairo_set_miter_limit(cr, 10.0);
        if (pen.GetDashStyle() == DashStyleDash) {
            const double dashes[2] = {3.0 * width, 1.0 * width};
            cairo_set_dash(cr, dashes, 2, 0.0);
        } else {
            cairo_set_dash(cr, nullptr, 0, 0.0);
        }
    }

    // After Prepare: the brush as cairo's source, in world coordinates.
    void SetBrush(const Brush& brush) { SetBrush(cr, brush); }

    // One arc or pie of checked arguments (a non-empty box, a sweep other
    // than 0), drawn with the current state.
    void StrokeArc(const Pen& pen, REAL x, REAL y, REAL width, REAL height, REAL start,
                   REAL sweep);
    void FillPie(const Brush& brush, REAL x, REAL y, REAL width, REAL height, REAL start,
                 REAL sweep);
    // A horizontal or vertical line, aliased, opaque, solid or dashed and
    // without a transform, written straight into the pixels; false for any
    // other line.
    bool StrokeLineAliased(const Pen& pen, REAL x1, REAL y1, REAL x2, REAL y2);
    // The same for the outline of a rectangle of positive size with a solid
    // pen, and for a rectangle filled with a solid brush.
    bool StrokeRectangleAliased(const Pen& pen, REAL x, REAL y, REAL width, REAL height);
    bool FillRectangleAliased(const Brush& brush, REAL x, REAL y, REAL width, REAL height);
    // Shapes written straight into the pixels in one colour, one after
    // another: JoinRun before each, which starts a new run unless the last
    // drawing on the bitmap was one of the run in this colour; Seen, true
    // when the shape's pixels are already on the canvas (it then counts as
    // drawn); Drew after writing.
    void JoinRun(std::uint32_t pixel)
    {
        bitmap->Realise();
        if (lines.mark != bitmap->changes || lines.pixel != pixel) {
            lines.Clear();
            lines.pixel = pixel;
        }
    }
    bool Seen(const detail::LineKey& key) { return lines.Insert(key); }
    void Drew()
    {
        Touch();
        lines.mark = bitmap->changes;
    }
    // Sets the pixels of the fixed-point boxes (left, top, right, bottom),
    // each edge taken to the nearest pixel edge, halves down, as cairo's
    // aliased boxes are, and cut to the surface.
    void WriteBoxes(const std::int64_t (*boxes)[4], int count, std::uint32_t pixel);
    // The shape (an arc stroked with the pen, or a pie filled) at (x, y) and
    // at every whole pixel below it down to y + rows, in one pass: aliased,
    // opaque, solid and without a transform only; false otherwise.
    bool StackAliased(const Pen* pen, const Brush* brush, REAL x, REAL y, REAL width,
                      REAL height, REAL start, REAL sweep, INT rows);
    // The same, shape by shape: as many calls as there are layers that can
    // reach the canvas.
    void StackOneByOne(const Pen* pen, const Brush* brush, REAL x, REAL y, REAL width,
                       REAL height, REAL start, REAL sweep, INT rows);

    static void SetBrush(cairo_t* cr, const Brush& brush)
    {
        if (brush.GetKind() == Brush::Kind::Solid) {
            SetColor(cr, static_cast<const SolidBrush&>(brush).GetColor());
            return;
        }
        const auto& g = static_cast<const LinearGradientBrush&>(brush);
        const RectF& r = g.GetRect();
        cairo_pattern_t* pattern =
            g.GetMode() == LinearGradientModeVertical
                ? cairo_pattern_create_linear(r.X, r.Y, r.X, static_cast<double>(r.Y) + r.Height)
                : cairo_pattern_create_linear(r.X, r.Y, static_cast<double>(r.X) + r.Width, r.Y);
        for (int i = 0; i < 2; ++i) {
            Color c = i == 0 ? g.GetColor1() : g.GetColor2();
            cairo_pattern_add_color_stop_rgba(pattern, i, c.GetR() / 255.0, c.GetG() / 255.0,
                                              c.GetB() / 255.0, c.GetA() / 255.0);
        }
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
        cairo_set_source(cr, pattern);
        cairo_pattern_destroy(pattern);
    }
};

} // namespace Gdiplus
