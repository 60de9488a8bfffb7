// Drawing on a bitmap with cairo.
//
// GDI+ puts pixel centres on whole coordinates; cairo puts them at half
// coordinates. Every drawing call therefore works in a device space shifted
// by half a pixel, followed by the world transform.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/common/AreaCoverage.h"
#include "platform/common/FlatPath.h"
#include "platform/gdiplus/Internal.h"
#include "platform/gdiplus/Recording.h"

namespace Gdiplus {

namespace {

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

} // namespace

struct Graphics::Impl {
    Bitmap::Impl* bitmap = nullptr;
    cairo_t* cr = nullptr;
    cairo_matrix_t world;
    SmoothingMode smoothing = SmoothingModeDefault;
    TextRenderingHint hint = TextRenderingHintSystemDefault;
    Status broken = Ok; // why nothing can be drawn, when nothing can
    ArcCache arcs;
    LineRun lines;
    LineShapes shapes;
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
    bool Seen(const LineKey& key) { return lines.Insert(key); }
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

namespace {

// Douglas-Peucker: of the points between two kept ones, the farthest from
// the line through them is kept, until every point lies within the
// tolerance of the segment between its kept neighbours (a point that lies
// near the line but beyond the segment's end is kept the same way). False
// when that takes more than `budget` distances: a line swinging up and down
// at every point takes quadratic time.
bool DouglasPeucker(const std::vector<PointF>& points, double tolerance, std::size_t budget,
                    std::vector<char>& keep)
{
    std::vector<std::pair<std::size_t, std::size_t>> spans{{0, points.size() - 1}};
    std::size_t spent = 0;
    while (!spans.empty()) {
        auto [a, b] = spans.back();
        spans.pop_back();
        if (b <= a + 1)
            continue;
        spent += b - a - 1;
        if (spent > budget)
            return false;
        const double ax = points[a].X, ay = points[a].Y;
        const double dx = points[b].X - ax, dy = points[b].Y - ay;
        const double length = std::hypot(dx, dy);
        double worst = -1.0;
        std::size_t at = a;
        for (std::size_t i = a + 1; i < b; ++i) {
            const double px = points[i].X - ax, py = points[i].Y - ay;
            const double d =
                length > 0.0 ? std::fabs(px * dy - py * dx) / length : std::hypot(px, py);
            if (d > worst) {
                worst = d;
                at = i;
            }
        }
        if (worst <= tolerance) {
            // All near the line: the farthest beyond either end of the
            // segment, measured from that end (once per final span, so in
            // all no more than a pass over the points).
            const double length2 = dx * dx + dy * dy;
            worst = -1.0;
            for (std::size_t i = a + 1; i < b; ++i) {
                const double px = points[i].X - ax, py = points[i].Y - ay;
                const double along = px * dx + py * dy;
                const double ex = px - dx, ey = py - dy;
                const double off2 = along < 0.0       ? px * px + py * py
                                    : along > length2 ? ex * ex + ey * ey
                                                      : 0.0;
                if (off2 > worst) {
                    worst = off2;
                    at = i;
                }
            }
            worst = std::sqrt(std::max(0.0, worst));
        }
        if (worst > tolerance) {
            keep[at] = 1;
            spans.emplace_back(a, at);
            spans.emplace_back(at, b);
        }
    }
    return true;
}

// In one pass: from the last kept point (the anchor), a segment runs on to
// the next point as long as every point passed lies within the tolerance of
// it. A point passed at distance r from the anchor allows the segment's
// direction within asin(tolerance / r) of its own; the directions they all
// allow make an interval, and the segment must reach at least as far as
// the farthest of them, so that none lies beyond its end.
void Sleeve(const std::vector<PointF>& points, double tolerance, std::vector<char>& keep)
{
    std::size_t anchor = 0;
    // Directions as angles from that of the first point passed farther
    // than the tolerance from the anchor.
    double refX = 0.0, refY = 0.0, low = 0.0, high = 0.0, reach = 0.0;
    bool constrained = false;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const double vx = static_cast<double>(points[i].X) - points[anchor].X;
        const double vy = static_cast<double>(points[i].Y) - points[anchor].Y;
        const double r = std::hypot(vx, vy);
        const double angle =
            constrained ? std::atan2(refX * vy - refY * vx, refX * vx + refY * vy) : 0.0;
        if (constrained && (r < reach || angle < low || angle > high)) {
            // The segment ends at the point before, which anchors the next.
            anchor = i - 1;
            keep[anchor] = 1;
            constrained = false;
            --i;
            continue;
        }
        if (r > tolerance) {
            const double spread = std::asin(tolerance / r);
            if (!constrained) {
                refX = vx / r;
                refY = vy / r;
                low = -spread;
                high = spread;
                reach = r;
                constrained = true;
            } else {
                low = std::max(low, angle - spread);
                high = std::min(high, angle + spread);
                reach = std::max(reach, r);
            }
        }
    }
}

} // namespace

// Douglas-Peucker keeps the points where the line turns most; when that
// would take more than a few dozen distances a point, one pass of Sleeve
// does in linear time.
std::vector<char> detail::ThinPolyline(const std::vector<PointF>& points, double tolerance)
{
    constexpr std::size_t kDistancesPerPoint = 32;
    std::vector<char> keep(points.size(), 1);
    if (points.size() < 3 || !(tolerance > 0.0))
        return keep;
    std::fill(keep.begin() + 1, keep.end() - 1, 0);
    if (DouglasPeucker(points, tolerance, kDistancesPerPoint * points.size(), keep))
        return keep;
    std::fill(keep.begin() + 1, keep.end() - 1, 0);
    Sleeve(points, tolerance, keep);
    return keep;
}

namespace {

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

} // namespace

bool Graphics::Impl::FillVerticalGradient(const Brush& brush)
{
    if (brush.GetKind() != Brush::Kind::LinearGradient ||
        static_cast<const LinearGradientBrush&>(brush).GetMode() != LinearGradientModeVertical ||
        world.xy != 0.0 || world.yx != 0.0 || cairo_get_antialias(cr) == CAIRO_ANTIALIAS_NONE)
        return false;
    // The outline in device pixels, flattened as cairo fills it, covered.
    cairo_matrix_t user;
    cairo_get_matrix(cr, &user);
    cairo_identity_matrix(cr);
    cairo_path_t* path = cairo_copy_path_flat(cr);
    cairo_set_matrix(cr, &user);
    const bool flat = pvcommon::raster::PolygonsOf(path, outline);
    cairo_path_destroy(path);
    if (!flat)
        return false;
    // Failing, cairo's own gradient fill of the path is still set.
    cairo_surface_t* surface = bitmap->surface;
    const bool painted =
        area.CoverThen(outline, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface),
                       [&] { return LayGradientRows(brush); });
    if (painted)
        cairo_new_path(cr);
    return painted;
}

// The covered rows of a vertical gradient fill laid over the bitmap; false
// (the coverage cleared, nothing laid) when the row colours cannot be had.
bool Graphics::Impl::LayGradientRows(const Brush& brush)
{
    const int x0 = area.Left(), y0 = area.Top(), h = area.Height();
    // The gradient's colour of every row, worked out by cairo along a strip
    // one pixel high with the axes swapped: its pixel (r, 0) is the canvas's
    // (x0, y0 + r). (pixman sets a gradient up anew for every scanline: a
    // column one pixel wide cost that for every row.)
    const int stripStride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, h);
    bool ok = stripStride > 0;
    try {
        if (ok && scratch.size() < static_cast<std::size_t>(stripStride / 4))
            scratch.resize(static_cast<std::size_t>(stripStride / 4));
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    cairo_surface_t* source = ok ? cairo_image_surface_create_for_data(
                                       reinterpret_cast<unsigned char*>(scratch.data()),
                                       CAIRO_FORMAT_ARGB32, h, 1, stripStride)
                                 : nullptr;
    if (!source || cairo_surface_status(source) != CAIRO_STATUS_SUCCESS) {
        if (source)
            cairo_surface_destroy(source);
        area.Clear();
        return false;
    }
    cairo_t* strip = cairo_create(source);
    const cairo_matrix_t swap = {0.0, 1.0, 1.0, 0.0, 0.0, 0.0};
    cairo_transform(strip, &swap);
    cairo_translate(strip, -x0 + 0.5, -y0 + 0.5);
    cairo_transform(strip, &world);
    SetBrush(strip, brush);
    cairo_identity_matrix(strip);
    cairo_set_operator(strip, CAIRO_OPERATOR_SOURCE);
    cairo_rectangle(strip, 0, 0, h, 1);
    cairo_fill(strip);
    cairo_destroy(strip);
    cairo_surface_flush(source);
    cairo_surface_destroy(source);
    LayRuns(bitmap->surface, area, [&](int y) { return scratch[static_cast<std::size_t>(y - y0)]; });
    return true;
}

namespace {

bool Finite(std::initializer_list<REAL> values)
{
    for (REAL v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

// Cairo places points in 24.8 fixed point; beyond that range geometry is
// meaningless, and huge ellipses cost it time without bound.
constexpr REAL kMaxMagnitude = 8.0e6f;

// Status of coordinates and sizes: finite and within the canvas's reach.
Status Placeable(std::initializer_list<REAL> values)
{
    for (REAL v : values) {
        if (!std::isfinite(v))
            return InvalidParameter;
        if (std::fabs(v) > kMaxMagnitude)
            return ValueOverflow;
    }
    return Ok;
}

// Lines are only made while a recording listens.
template <class MakeLine> void Record(MakeLine makeLine)
{
    if (Recording* recording = Recording::Active())
        recording->Append(makeLine());
}

constexpr double kPi = 3.14159265358979323846;

// Polylines are thinned before stroking: points that lie within this many
// canvas pixels of the line through their kept neighbours add nothing one can
// see, but cairo's stroker pays for every join (a smoothed line walked in
// half-pixel steps has thousands).
constexpr double kThinning = 0.05;

// The ellipse parameter of the point seen from the centre under the angle
// (degrees), unwrapped so that it grows with the angle.
double EllipseParameter(double a, double b, double degrees)
{
    double theta = degrees * kPi / 180.0;
    double t = std::atan2(a * std::sin(theta), b * std::cos(theta));
    return t + 2.0 * kPi * std::round((theta - t) / (2.0 * kPi));
}

// The box (left, top, right, bottom) of the arc of the ellipse in the box
// (x, y, w, h) that AddArc traces, and of its centre when asked.
void ArcBox(double x, double y, double w, double h, double start, double sweep, bool centre,
            double box[4])
{
    const double a = w * 0.5, b = h * 0.5, cx = x + a, cy = y + b;
    sweep = std::max(-360.0, std::min(360.0, sweep));
    if (std::fabs(sweep) >= 360.0) {
        box[0] = x;
        box[1] = y;
        box[2] = x + w;
        box[3] = y + h;
        return;
    }
    const double t0 = EllipseParameter(a, b, start);
    const double t1 = EllipseParameter(a, b, start + sweep);
    box[0] = box[2] = cx + a * std::cos(t0);
    box[1] = box[3] = cy + b * std::sin(t0);
    auto add = [box](double px, double py) {
        box[0] = std::min(box[0], px);
        box[1] = std::min(box[1], py);
        box[2] = std::max(box[2], px);
        box[3] = std::max(box[3], py);
    };
    add(cx + a * std::cos(t1), cy + b * std::sin(t1));
    if (centre)
        add(cx, cy);
    // The quarter points the arc passes.
    const double low = std::min(t0, t1), high = std::max(t0, t1);
    for (double q = std::ceil(low / (kPi * 0.5)) * (kPi * 0.5); q <= high; q += kPi * 0.5)
        add(cx + a * std::cos(q), cy + b * std::sin(q));
}

// Appends the arc of the ellipse in the box to the current path.
void AddArc(cairo_t* cr, double x, double y, double w, double h, double start, double sweep)
{
    double a = w * 0.5, b = h * 0.5;
    if (sweep > 360.0)
        sweep = 360.0;
    if (sweep < -360.0)
        sweep = -360.0;
    double t0 = EllipseParameter(a, b, start);
    double t1 = std::fabs(sweep) >= 360.0 ? t0 + (sweep > 0 ? 2.0 * kPi : -2.0 * kPi)
                                          : EllipseParameter(a, b, start + sweep);
    cairo_matrix_t saved;
    cairo_get_matrix(cr, &saved);
    cairo_translate(cr, x + a, y + b);
    cairo_scale(cr, a, b);
    if (t1 >= t0)
        cairo_arc(cr, 0.0, 0.0, 1.0, t0, t1);
    else
        cairo_arc_negative(cr, 0.0, 0.0, 1.0, t0, t1);
    cairo_set_matrix(cr, &saved);
}

// Non-antialiased rasterisation of a polygon (non-zero winding): a pixel is
// in when its centre lies inside, as with cairo's aliased rasteriser.
void RasterisePolygon(const std::vector<PointF>& polygon, std::vector<Span>& spans)
{
    struct Edge {
        double yTop, yBottom, x, slope;
        int winding;
    };
    spans.clear();
    std::vector<Edge> edges;
    edges.reserve(polygon.size());
    double top = HUGE_VAL, bottom = -HUGE_VAL;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const PointF& p = polygon[i];
        const PointF& q = polygon[(i + 1) % polygon.size()];
        if (p.Y == q.Y)
            continue;
        const bool down = p.Y < q.Y;
        const PointF& u = down ? p : q;
        const PointF& v = down ? q : p;
        double slope = (static_cast<double>(v.X) - u.X) / (static_cast<double>(v.Y) - u.Y);
        edges.push_back(Edge{u.Y, v.Y, u.X, slope, down ? 1 : -1});
        top = std::min(top, static_cast<double>(u.Y));
        bottom = std::max(bottom, static_cast<double>(v.Y));
    }
    if (edges.empty())
        return;
    // Rows whose centre (row + 0.5) lies in [top, bottom).
    const int first = static_cast<int>(std::ceil(top - 0.5));
    const int last = static_cast<int>(std::ceil(bottom - 0.5)) - 1;
    std::sort(edges.begin(), edges.end(),
              [](const Edge& l, const Edge& r) { return l.yTop < r.yTop; });
    std::vector<std::pair<double, int>> crossings;
    std::vector<const Edge*> active;
    std::size_t next = 0;
    for (int row = first; row <= last; ++row) {
        const double y = row + 0.5;
        while (next < edges.size() && edges[next].yTop <= y)
            active.push_back(&edges[next++]);
        active.erase(std::remove_if(active.begin(), active.end(),
                                    [y](const Edge* e) { return e->yBottom <= y; }),
                     active.end());
        crossings.clear();
        for (const Edge* e : active)
            crossings.emplace_back(e->x + (y - e->yTop) * e->slope, e->winding);
        std::sort(crossings.begin(), crossings.end());
        int winding = 0;
        for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
            winding += crossings[i].second;
            if (winding == 0)
                continue;
            // Pixels whose centre x + 0.5 lies in [from, to).
            int x0 = static_cast<int>(std::ceil(crossings[i].first - 0.5));
            int x1 = static_cast<int>(std::ceil(crossings[i + 1].first - 0.5));
            if (x0 >= x1)
                continue;
            if (!spans.empty() && spans.back().row == row && spans.back().x1 >= x0)
                spans.back().x1 = std::max(spans.back().x1, x1);
            else
                spans.push_back(Span{row, x0, x1});
        }
    }
}

// Sets the spans' pixels, shifted by the origin and cut to the surface, to a
// premultiplied pixel value.
void FillSpans(cairo_surface_t* surface, const std::vector<Span>& spans, int originX,
               int originY, std::uint32_t pixel)
{
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const std::size_t stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface));
    unsigned char* data = cairo_image_surface_get_data(surface);
    int left = width, right = -1, top = height, bottom = -1;
    cairo_surface_flush(surface);
    for (const Span& span : spans) {
        const int row = originY + span.row;
        if (row < 0 || row >= height)
            continue;
        const int x0 = std::max(0, originX + span.x0);
        const int x1 = std::min(width, originX + span.x1);
        if (x0 >= x1)
            continue;
        auto* pixels = reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(row) * stride);
        std::fill(pixels + x0, pixels + x1, pixel);
        left = std::min(left, x0);
        right = std::max(right, x1);
        top = std::min(top, row);
        bottom = std::max(bottom, row);
    }
    if (left < right)
        cairo_surface_mark_dirty_rectangle(surface, left, top, right - left, bottom - top + 1);
}

} // namespace

namespace {

constexpr double kMaxAliasedArc = 65536.0;

// The pixel runs of the thin aliased stroke of an elliptic arc (see ArcCache),
// relative to the whole pixel at or above and left of (x, y), in the cache;
// false when the arc is too thin, too wide or the pen too broad for it.
bool ArcBandSpans(ArcCache& cache, double x, double y, double w, double h, double start,
                  double sweep, double penWidth)
{
    const double a = w * 0.5, b = h * 0.5, half = penWidth * 0.5;
    if (!(penWidth > 0.0 && penWidth <= 4.0) || a - half < 2.0 || b - half < 2.0 ||
        w > kMaxAliasedArc || h > kMaxAliasedArc)
        return false;
    const double fx = x - std::floor(x), fy = y - std::floor(y);
    if (cache.w != w || cache.h != h || cache.start != start || cache.sweep != sweep ||
        cache.pen != penWidth || cache.fx != fx || cache.fy != fy) {
        double clamped = std::max(-360.0, std::min(360.0, sweep));
        double t0 = EllipseParameter(a, b, start);
        double t1 = std::fabs(clamped) >= 360.0 ? t0 + (clamped > 0 ? 2.0 * kPi : -2.0 * kPi)
                                                : EllipseParameter(a, b, start + clamped);
        // Chords of at most four pixels stay within 0.02 pixel of the curve
        // for the radii this serves.
        const double span = t1 - t0;
        const int steps = std::max(
            1, static_cast<int>(std::ceil(std::fabs(span) * (std::max(a, b) + half) / 4.0)));
        const double cx = fx + a + 0.5, cy = fy + b + 0.5;
        std::vector<PointF> polygon(2 * static_cast<std::size_t>(steps + 1));
        const double dc = std::cos(span / steps), ds = std::sin(span / steps);
        double c = std::cos(t0), s = std::sin(t0);
        for (int i = 0; i <= steps; ++i) {
            polygon[static_cast<std::size_t>(i)] = PointF(static_cast<REAL>(cx + (a + half) * c),
                                                          static_cast<REAL>(cy + (b + half) * s));
            polygon[polygon.size() - 1 - static_cast<std::size_t>(i)] = PointF(
                static_cast<REAL>(cx + (a - half) * c), static_cast<REAL>(cy + (b - half) * s));
            const double nc = c * dc - s * ds;
            s = s * dc + c * ds;
            c = nc;
        }
        RasterisePolygon(polygon, cache.spans);
        cache.w = w;
        cache.h = h;
        cache.start = start;
        cache.sweep = sweep;
        cache.pen = penWidth;
        cache.fx = fx;
        cache.fy = fy;
    }
    return true;
}

bool StrokeArcAliased(cairo_surface_t* surface, ArcCache& cache, double x, double y,
                      double w, double h, double start, double sweep, double penWidth,
                      std::uint32_t pixel)
{
    if (!ArcBandSpans(cache, x, y, w, h, start, sweep, penWidth))
        return false;
    FillSpans(surface, cache.spans, static_cast<int>(std::floor(x)),
              static_cast<int>(std::floor(y)), pixel);
    return true;
}

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

// A column's pixels from row top to row bottom.
struct Run {
    int column, top, bottom;
};

// The vertical runs of the pixels that the spans cover; the spans sorted by
// row, then x, and disjoint. A column's run starts in a row that covers it
// when the row above did not and ends where it is no longer covered, so the
// work follows the shape's outline, not its area.
void ColumnRuns(const std::vector<Span>& spans, std::vector<Run>& runs)
{
    runs.clear();
    if (spans.empty())
        return;
    int left = spans.front().x0, right = spans.front().x1;
    for (const Span& span : spans) {
        left = std::min(left, span.x0);
        right = std::max(right, span.x1);
    }
    std::vector<int> opened(static_cast<std::size_t>(right - left));
    using Cover = std::vector<std::pair<int, int>>;
    // The pieces of a that b does not cover (both sorted and disjoint).
    auto difference = [](const Cover& a, const Cover& b, auto&& piece) {
        std::size_t j = 0;
        for (const auto& [x0, x1] : a) {
            while (j < b.size() && b[j].second <= x0)
                ++j;
            int from = x0;
            for (std::size_t k = j; from < x1; ++k) {
                if (k >= b.size() || b[k].first >= x1) {
                    piece(from, x1);
                    break;
                }
                if (b[k].first > from)
                    piece(from, b[k].first);
                from = std::max(from, b[k].second);
            }
        }
    };
    auto open = [&](int x0, int x1, int row) {
        for (int x = x0; x < x1; ++x)
            opened[static_cast<std::size_t>(x - left)] = row;
    };
    auto close = [&](int x0, int x1, int row) {
        for (int x = x0; x < x1; ++x)
            runs.push_back(Run{x, opened[static_cast<std::size_t>(x - left)], row});
    };
    Cover before, now;
    int beforeRow = 0;
    for (std::size_t i = 0; i < spans.size();) {
        const int row = spans[i].row;
        now.clear();
        for (; i < spans.size() && spans[i].row == row; ++i)
            now.emplace_back(spans[i].x0, spans[i].x1);
        if (!before.empty() && beforeRow != row - 1) {
            for (const auto& [x0, x1] : before)
                close(x0, x1, beforeRow);
            before.clear();
        }
        difference(before, now, [&](int x0, int x1) { close(x0, x1, row - 1); });
        difference(now, before, [&](int x0, int x1) { open(x0, x1, row); });
        before.swap(now);
        beforeRow = row;
    }
    for (const auto& [x0, x1] : before)
        close(x0, x1, beforeRow);
}

// Sets the pixels of the runs, each reaching `rows` further down, cut to the
// surface, to a premultiplied pixel value. Columns go in blocks as wide as a
// cache line, row by row, so a tall band is not painted across the grain of
// memory.
// Runs of at most this many rows on average are painted one by one.
constexpr std::size_t kShortRun = 512;

void PaintRuns(cairo_surface_t* surface, std::vector<Run>& runs, int rows, std::uint32_t pixel)
{
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    std::size_t kept = 0;
    for (const Run& run : runs) {
        const long long bottom = std::min<long long>(height - 1, static_cast<long long>(run.bottom) + rows);
        const int top = std::max(0, run.top);
        if (run.column < 0 || run.column >= width || top > bottom)
            continue;
        runs[kept++] = Run{run.column, top, static_cast<int>(bottom)};
    }
    runs.resize(kept);
    if (runs.empty())
        return;
    std::sort(runs.begin(), runs.end(), [](const Run& l, const Run& r) {
        return l.column != r.column ? l.column < r.column : l.top < r.top;
    });
    kept = 0;
    for (const Run& run : runs) {
        if (kept > 0 && runs[kept - 1].column == run.column && run.top <= runs[kept - 1].bottom + 1)
            runs[kept - 1].bottom = std::max(runs[kept - 1].bottom, run.bottom);
        else
            runs[kept++] = run;
    }
    runs.resize(kept);

    constexpr int kBlock = 16;
    const std::size_t stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface));
    unsigned char* data = cairo_image_surface_get_data(surface);
    cairo_surface_flush(surface);
    int dirtyTop = height, dirtyBottom = -1;
    // Short runs (a pie's side on an ordinary picture) go straight down their
    // columns: the rows they span stay in cache from one column to the next,
    // and the bookkeeping of the blocks below would cost more than the pixels.
    std::size_t pixels = 0;
    for (const Run& run : runs)
        pixels += static_cast<std::size_t>(run.bottom - run.top + 1);
    if (pixels <= runs.size() * kShortRun) {
        for (const Run& run : runs) {
            unsigned char* at = data + static_cast<std::size_t>(run.top) * stride + static_cast<std::size_t>(run.column) * 4;
            for (int row = run.top; row <= run.bottom; ++row, at += stride)
                *reinterpret_cast<std::uint32_t*>(at) = pixel;
            dirtyTop = std::min(dirtyTop, run.top);
            dirtyBottom = std::max(dirtyBottom, run.bottom);
        }
        runs.clear();
    }
    for (std::size_t i = 0; i < runs.size();) {
        const int base = runs[i].column / kBlock * kBlock;
        // Each column's runs in the block: at[c] up to stop[c].
        std::size_t at[kBlock], stop[kBlock];
        std::fill(at, at + kBlock, std::size_t{0});
        std::fill(stop, stop + kBlock, std::size_t{0});
        while (i < runs.size() && runs[i].column < base + kBlock) {
            const int c = runs[i].column - base;
            at[c] = i;
            while (i < runs.size() && runs[i].column == base + c)
                ++i;
            stop[c] = i;
        }
        int row = height;
        for (int c = 0; c < kBlock; ++c)
            if (at[c] < stop[c])
                row = std::min(row, runs[at[c]].top);
        dirtyTop = std::min(dirtyTop, row);
        while (row < height) {
            // The columns covered in this row, and the next row where that
            // changes: the rows up to it get the same pixels.
            bool covered[kBlock];
            bool any = false;
            int change = height;
            for (int c = 0; c < kBlock; ++c) {
                while (at[c] < stop[c] && runs[at[c]].bottom < row)
                    ++at[c];
                covered[c] = at[c] < stop[c] && runs[at[c]].top <= row;
                any = any || covered[c];
                if (at[c] < stop[c])
                    change = std::min(change, covered[c] ? runs[at[c]].bottom + 1 : runs[at[c]].top);
            }
            if (!any) {
                if (change >= height)
                    break;
                row = change;
                continue;
            }
            int pieces[kBlock][2];
            int count = 0;
            for (int c = 0; c < kBlock; ++c) {
                if (!covered[c])
                    continue;
                if (count > 0 && pieces[count - 1][1] == c)
                    ++pieces[count - 1][1];
                else {
                    pieces[count][0] = base + c;
                    pieces[count][1] = base + c + 1;
                    ++count;
                }
            }
            for (; row < change; ++row) {
                auto* pixels = reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(row) * stride);
                for (int k = 0; k < count; ++k)
                    std::fill(pixels + pieces[k][0], pixels + pieces[k][1], pixel);
            }
            dirtyBottom = std::max(dirtyBottom, row - 1);
        }
    }
    if (dirtyTop <= dirtyBottom)
        cairo_surface_mark_dirty_rectangle(surface, 0, dirtyTop, width, dirtyBottom - dirtyTop + 1);
}

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
    if (smoothing == SmoothingModeHighQuality || !IsIdentity() || colour.GetA() != 0xFF ||
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
    if (smoothing == SmoothingModeHighQuality || !IsIdentity() || colour.GetA() != 0xFF ||
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
    if (smoothing == SmoothingModeHighQuality || !IsIdentity() ||
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

bool Graphics::Impl::StrokeArcSmoothed(const Pen& pen, REAL x, REAL y, REAL width, REAL height,
                                       REAL start, REAL sweep)
{
    if (smoothing != SmoothingModeHighQuality || pen.GetDashStyle() != DashStyleSolid ||
        world.xx != 1.0 || world.yy != 1.0 || world.xy != 0.0 || world.yx != 0.0)
        return false;
    const double half = (pen.GetWidth() > 0.0f ? pen.GetWidth() : 1.0) * 0.5;
    const double a = width * 0.5, b = height * 0.5;
    // The band's sides are the curve moved out and in along its normal; the
    // inner side folds where the curve bends tighter than the half width.
    const double tightest = std::min(a, b) * std::min(a, b) / std::max(a, b);
    if (!(tightest > half + 0.5) || std::max(a, b) > kMaxAliasedArc)
        return false;
    // Device coordinates: pixel centres on whole user coordinates.
    const double cx = x + a + 0.5 + world.x0, cy = y + b + 0.5 + world.y0;
    const double clamped = std::max(-360.0, std::min(360.0, static_cast<double>(sweep)));
    const double t0 = EllipseParameter(a, b, start);
    const double t1 = std::fabs(clamped) >= 360.0 ? t0 + (clamped > 0 ? 2.0 * kPi : -2.0 * kPi)
                                                  : EllipseParameter(a, b, start + clamped);
    // Chords within a twentieth of a pixel of the curve.
    const double outer = std::max(a, b) + half;
    const int steps = std::max(1, static_cast<int>(std::ceil(std::fabs(t1 - t0) / std::sqrt(0.4 / outer))));
    // Out along the curve, back along the inner side: butt ends across it.
    try {
        outline.xy.resize(4 * (static_cast<std::size_t>(steps) + 1));
        outline.starts.assign(1, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int i = 0; i <= steps; ++i) {
        const double t = t0 + (t1 - t0) * i / steps;
        const double c = std::cos(t), sn = std::sin(t);
        const double nx = b * c, ny = a * sn, side = half / std::hypot(nx, ny);
        const std::size_t out = 2 * static_cast<std::size_t>(i), back = outline.xy.size() - 2 - out;
        outline.xy[out] = cx + a * c + nx * side;
        outline.xy[out + 1] = cy + b * sn + ny * side;
        outline.xy[back] = cx + a * c - nx * side;
        outline.xy[back + 1] = cy + b * sn - ny * side;
    }
    cairo_surface_t* surface = bitmap->surface;
    const Color colour = pen.GetColor();
    const std::uint32_t alpha = colour.GetA();
    const std::uint32_t ink = alpha << 24 | pvcommon::raster::ScalePixel(colour.GetValue() & 0xFFFFFFu, alpha);
    return area.CoverThen(outline, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface),
                          [&] {
                              LayRuns(surface, area, [ink](int) { return ink; });
                              return true;
                          });
}

void Graphics::Impl::StrokeArc(const Pen& pen, REAL x, REAL y, REAL width, REAL height,
                               REAL start, REAL sweep)
{
    const Color colour = pen.GetColor();
    Touch();
    if (smoothing != SmoothingModeHighQuality && IsIdentity() &&
        pen.GetDashStyle() == DashStyleSolid && colour.GetA() == 0xFF &&
        StrokeArcAliased(bitmap->surface, arcs, x, y, width, height, start, sweep,
                         pen.GetWidth(), colour.GetValue()))
        return;
    if (StrokeArcSmoothed(pen, x, y, width, height, start, sweep))
        return;
    Prepare();
    SetPen(pen);
    AddArc(cr, x, y, width, height, start, sweep);
    cairo_stroke(cr);
}

void Graphics::Impl::FillPie(const Brush& brush, REAL x, REAL y, REAL width, REAL height,
                             REAL start, REAL sweep)
{
    Prepare();
    cairo_move_to(cr, x + width * 0.5, y + height * 0.5);
    AddArc(cr, x, y, width, height, start, sweep);
    cairo_close_path(cr);
    if (FillVerticalGradient(brush))
        return;
    SetBrush(brush);
    cairo_fill(cr);
}

bool Graphics::Impl::StackAliased(const Pen* pen, const Brush* brush, REAL x, REAL y,
                                  REAL width, REAL height, REAL start, REAL sweep, INT rows)
{
    if (smoothing == SmoothingModeHighQuality || !IsIdentity())
        return false;
    Touch();
    Color colour;
    if (pen) {
        if (pen->GetDashStyle() != DashStyleSolid)
            return false;
        colour = pen->GetColor();
    } else {
        if (brush->GetKind() != Brush::Kind::Solid)
            return false;
        colour = static_cast<const SolidBrush*>(brush)->GetColor();
    }
    // One opaque colour: drawing a pixel once or many times gives the same.
    if (colour.GetA() != 0xFF)
        return false;
    const std::uint32_t pixel = colour.GetValue();
    cairo_surface_t* surface = bitmap->surface;
    const int surfaceWidth = cairo_image_surface_get_width(surface);
    const int surfaceHeight = cairo_image_surface_get_height(surface);
    // Rows of the top shape whose pixels, moved down by up to `rows`, can
    // land on the canvas.
    const long long firstRow = -static_cast<long long>(rows);
    std::vector<Span> spans;
    if (pen && ArcBandSpans(arcs, x, y, width, height, start, sweep, pen->GetWidth())) {
        const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
        spans.reserve(arcs.spans.size());
        for (const Span& span : arcs.spans) {
            const long long row = static_cast<long long>(iy) + span.row;
            const int x0 = std::max(0, ix + span.x0), x1 = std::min(surfaceWidth, ix + span.x1);
            if (row >= firstRow && row < surfaceHeight && x0 < x1)
                spans.push_back(Span{static_cast<int>(row), x0, x1});
        }
    } else {
        // cairo draws the shape into a mask over its box, cut to what can
        // reach the canvas: the box of the arc's ends, the ellipse's
        // extreme points within the arc and, for a pie, the centre (a thin
        // slice of a big pie needs a small part of the ellipse's box).
        const double reach = pen ? (pen->GetWidth() > 0.0f ? pen->GetWidth() : 1.0f) * 0.5 + 2.0 : 2.0;
        double box[4];
        ArcBox(x, y, width, height, start, sweep, !pen, box);
        const double left = std::max(0.0, std::floor(box[0] - reach));
        const double right = std::min<double>(surfaceWidth, std::ceil(box[2] + reach));
        const double top = std::max(static_cast<double>(firstRow), std::floor(box[1] - reach));
        const double bottom = std::min<double>(surfaceHeight, std::ceil(box[3] + reach));
        if (left >= right || top >= bottom)
            return true;
        const Pen* stroke = pen;
        auto shape = [&](cairo_t* mask) {
            if (stroke) {
                SetPen(mask, *stroke);
                cairo_set_source_rgba(mask, 0.0, 0.0, 0.0, 1.0);
                AddArc(mask, x, y, width, height, start, sweep);
                cairo_stroke(mask);
            } else {
                cairo_move_to(mask, x + width * 0.5, y + height * 0.5);
                AddArc(mask, x, y, width, height, start, sweep);
                cairo_close_path(mask);
                cairo_fill(mask);
            }
        };
        if (!MaskSpans(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                       static_cast<int>(bottom), shape, spans))
            return false;
    }
    std::vector<Run> runs;
    ColumnRuns(spans, runs);
    PaintRuns(surface, runs, rows, pixel);
    return true;
}

void Graphics::Impl::StackOneByOne(const Pen* pen, const Brush* brush, REAL x, REAL y,
                                   REAL width, REAL height, REAL start, REAL sweep, INT rows)
{
    long long first = 0, last = rows;
    if (IsIdentity()) {
        // Only the layers that can touch the canvas.
        const double reach = (pen ? pen->GetWidth() : 0.0f) + 2.0;
        const double surfaceHeight = cairo_image_surface_get_height(bitmap->surface);
        first = std::max(first, static_cast<long long>(std::ceil(-(static_cast<double>(y) + height + reach))));
        last = std::min(last, static_cast<long long>(std::floor(surfaceHeight - y + reach)));
    }
    for (long long i = first; i <= last; ++i) {
        const REAL layerY = y + static_cast<REAL>(i);
        if (pen)
            StrokeArc(*pen, x, layerY, width, height, start, sweep);
        else
            FillPie(*brush, x, layerY, width, height, start, sweep);
    }
}

Status Graphics::Usable(const Pen* pen)
{
    return pen ? pen->usable_ : InvalidParameter;
}
Status Graphics::Usable(const Brush* brush)
{
    return brush ? brush->usable_ : InvalidParameter;
}

// --- Construction, state -----------------------------------------------------

Graphics::Graphics(Bitmap* bitmap) : impl_(std::make_unique<Impl>())
{
    cairo_matrix_init_identity(&impl_->world);
    // The bitmap's pixels are left as they are until something is drawn.
    Bitmap::Impl* pixels = bitmap ? bitmap->impl_.get() : nullptr;
    if (!pixels || !pixels->surface) {
        impl_->broken = pixels ? pixels->status : InvalidParameter;
        last_ = impl_->broken;
        return;
    }
    impl_->bitmap = pixels;
    impl_->cr = cairo_create(impl_->bitmap->surface);
    if (cairo_status(impl_->cr) != CAIRO_STATUS_SUCCESS) {
        impl_->broken = OutOfMemory;
        last_ = impl_->broken;
    }
}

Graphics* Graphics::FromImage(Bitmap* bitmap)
{
    return new Graphics(bitmap);
}

Graphics::~Graphics()
{
    if (impl_->cr)
        cairo_destroy(impl_->cr);
}

Status Graphics::Keep(Status status) const
{
    if (status != Ok)
        last_ = status;
    return status;
}

template <class Tool>
Status Graphics::Ready(const Tool* tool, std::initializer_list<REAL> coordinates) const
{
    if (impl_->broken != Ok)
        return Keep(impl_->broken);
    if (Status s = Usable(tool); s != Ok)
        return Keep(s);
    return Keep(Placeable(coordinates));
}

Status Graphics::GetLastStatus()
{
    Status s = last_;
    last_ = Ok;
    return s;
}

Status Graphics::SetSmoothingMode(SmoothingMode mode)
{
    if (mode != SmoothingModeDefault && mode != SmoothingModeHighQuality)
        return Keep(InvalidParameter);
    impl_->smoothing = mode;
    return Ok;
}

SmoothingMode Graphics::GetSmoothingMode() const
{
    return impl_->smoothing;
}

Status Graphics::SetTextRenderingHint(TextRenderingHint hint)
{
    if (hint != TextRenderingHintSystemDefault && hint != TextRenderingHintAntiAlias)
        return Keep(InvalidParameter);
    impl_->hint = hint;
    return Ok;
}

TextRenderingHint Graphics::GetTextRenderingHint() const
{
    return impl_->hint;
}

Status Graphics::TranslateTransform(REAL dx, REAL dy, MatrixOrder order)
{
    if (!Finite({dx, dy}))
        return Keep(InvalidParameter);
    cairo_matrix_t step;
    cairo_matrix_init_translate(&step, dx, dy);
    if (order == MatrixOrderPrepend)
        cairo_matrix_multiply(&impl_->world, &step, &impl_->world);
    else
        cairo_matrix_multiply(&impl_->world, &impl_->world, &step);
    return Ok;
}

Status Graphics::RotateTransform(REAL angle, MatrixOrder order)
{
    if (!Finite({angle}))
        return Keep(InvalidParameter);
    cairo_matrix_t step;
    // Whole quarter turns exactly, so that rotated text lands on whole pixels.
    double turns = angle / 90.0;
    if (turns == std::floor(turns)) {
        static const double sines[4] = {0.0, 1.0, 0.0, -1.0};
        long q = static_cast<long>(std::fmod(turns, 4.0));
        if (q < 0)
            q += 4;
        double s = sines[q], c = sines[(q + 1) % 4];
        cairo_matrix_init(&step, c, s, -s, c, 0.0, 0.0);
    } else {
        cairo_matrix_init_rotate(&step, angle * kPi / 180.0);
    }
    if (order == MatrixOrderPrepend)
        cairo_matrix_multiply(&impl_->world, &step, &impl_->world);
    else
        cairo_matrix_multiply(&impl_->world, &impl_->world, &step);
    return Ok;
}

Status Graphics::ResetTransform()
{
    cairo_matrix_init_identity(&impl_->world);
    return Ok;
}

Status Graphics::Clear(const Color& color)
{
    if (impl_->broken != Ok)
        return Keep(impl_->broken);
    // Every pixel is replaced: pixels not set yet need not be.
    if (impl_->bitmap)
        impl_->bitmap->blank = false;
    impl_->Touch();
    cairo_identity_matrix(impl_->cr);
    cairo_reset_clip(impl_->cr);
    cairo_set_operator(impl_->cr, CAIRO_OPERATOR_SOURCE);
    Impl::SetColor(impl_->cr, color);
    cairo_paint(impl_->cr);
    cairo_set_operator(impl_->cr, CAIRO_OPERATOR_OVER);
    return Ok;
}

void Graphics::GetTransform(REAL elements[6]) const
{
    const cairo_matrix_t& m = impl_->world;
    elements[0] = static_cast<REAL>(m.xx);
    elements[1] = static_cast<REAL>(m.yx);
    elements[2] = static_cast<REAL>(m.xy);
    elements[3] = static_cast<REAL>(m.yy);
    elements[4] = static_cast<REAL>(m.x0);
    elements[5] = static_cast<REAL>(m.y0);
}

Status Graphics::GetVisibleClipBounds(RectF* bounds) const
{
    if (!bounds)
        return Keep(InvalidParameter);
    *bounds = RectF(0, 0, static_cast<REAL>(impl_->bitmap ? impl_->bitmap->width : 0),
                    static_cast<REAL>(impl_->bitmap ? impl_->bitmap->height : 0));
    return Ok;
}

// --- Lines and shapes --------------------------------------------------------

Status Graphics::DrawLine(const Pen* pen, const PointF& from, const PointF& to)
{
    return DrawLine(pen, from.X, from.Y, to.X, to.Y);
}

Status Graphics::DrawLine(const Pen* pen, REAL x1, REAL y1, REAL x2, REAL y2)
{
    Record([&] {
        return "DrawLine pen=" + detail::PenText(pen) + " from=" + detail::Point(PointF(x1, y1)) +
               " to=" + detail::Point(PointF(x2, y2)) + impl_->State(false);
    });
    if (Status s = Ready(pen, {x1, y1, x2, y2}); s != Ok)
        return s;
    if (impl_->StrokeLineAliased(*pen, x1, y1, x2, y2))
        return Ok;
    impl_->Prepare();
    impl_->SetPen(*pen);
    cairo_move_to(impl_->cr, x1, y1);
    cairo_line_to(impl_->cr, x2, y2);
    cairo_stroke(impl_->cr);
    return Ok;
}

Status Graphics::DrawRectangle(const Pen* pen, REAL x, REAL y, REAL width, REAL height)
{
    Record([&] {
        return "DrawRectangle pen=" + detail::PenText(pen) +
               " rect=" + detail::Rect(RectF(x, y, width, height)) + impl_->State(false);
    });
    if (Status s = Ready(pen, {x, y, width, height}); s != Ok)
        return s;
    if (width < 0.0f || height < 0.0f)
        return Ok;
    if (impl_->StrokeRectangleAliased(*pen, x, y, width, height))
        return Ok;
    impl_->Prepare();
    impl_->SetPen(*pen);
    cairo_rectangle(impl_->cr, x, y, width, height);
    cairo_stroke(impl_->cr);
    return Ok;
}

Status Graphics::FillRectangle(const Brush* brush, REAL x, REAL y, REAL width, REAL height)
{
    Record([&] {
        return "FillRectangle brush=" + detail::BrushText(brush) +
               " rect=" + detail::Rect(RectF(x, y, width, height)) + impl_->State(false);
    });
    if (Status s = Ready(brush, {x, y, width, height}); s != Ok)
        return s;
    if (width <= 0.0f || height <= 0.0f)
        return Ok;
    if (impl_->FillRectangleAliased(*brush, x, y, width, height))
        return Ok;
    impl_->Prepare();
    impl_->SetBrush(*brush);
    cairo_rectangle(impl_->cr, x, y, width, height);
    cairo_fill(impl_->cr);
    return Ok;
}

Status Graphics::FillPie(const Brush* brush, REAL x, REAL y, REAL width, REAL height,
                         REAL startAngle, REAL sweepAngle)
{
    Record([&] {
        return "FillPie brush=" + detail::BrushText(brush) +
               " rect=" + detail::Rect(RectF(x, y, width, height)) +
               " start=" + detail::Num(startAngle) + " sweep=" + detail::Num(sweepAngle) +
               impl_->State(false);
    });
    if (Status s = Ready(brush, {x, y, width, height}); s != Ok)
        return s;
    if (!Finite({startAngle, sweepAngle}))
        return Keep(InvalidParameter);
    if (width <= 0.0f || height <= 0.0f || sweepAngle == 0.0f)
        return Ok;
    impl_->FillPie(*brush, x, y, width, height, startAngle, sweepAngle);
    return Ok;
}

Status Graphics::DrawArc(const Pen* pen, REAL x, REAL y, REAL width, REAL height, REAL startAngle,
                         REAL sweepAngle)
{
    Record([&] {
        return "DrawArc pen=" + detail::PenText(pen) +
               " rect=" + detail::Rect(RectF(x, y, width, height)) +
               " start=" + detail::Num(startAngle) + " sweep=" + detail::Num(sweepAngle) +
               impl_->State(false);
    });
    if (Status s = Ready(pen, {x, y, width, height}); s != Ok)
        return s;
    if (!Finite({startAngle, sweepAngle}))
        return Keep(InvalidParameter);
    if (width <= 0.0f || height <= 0.0f || sweepAngle == 0.0f)
        return Ok;
    impl_->StrokeArc(*pen, x, y, width, height, startAngle, sweepAngle);
    return Ok;
}

Status Graphics::DrawArcStack(const Pen* pen, REAL x, REAL y, REAL width, REAL height,
                              REAL startAngle, REAL sweepAngle, INT rows)
{
    Record([&] {
        return "DrawArcStack pen=" + detail::PenText(pen) +
               " rect=" + detail::Rect(RectF(x, y, width, height)) +
               " start=" + detail::Num(startAngle) + " sweep=" + detail::Num(sweepAngle) +
               " rows=" + std::to_string(rows) + impl_->State(false);
    });
    if (Status s = Ready(pen, {x, y, width, height, y + static_cast<REAL>(rows)}); s != Ok)
        return s;
    if (!Finite({startAngle, sweepAngle}) || rows < 0)
        return Keep(InvalidParameter);
    if (width <= 0.0f || height <= 0.0f || sweepAngle == 0.0f)
        return Ok;
    if (!impl_->StackAliased(pen, nullptr, x, y, width, height, startAngle, sweepAngle, rows))
        impl_->StackOneByOne(pen, nullptr, x, y, width, height, startAngle, sweepAngle, rows);
    return Ok;
}

Status Graphics::FillPieStack(const Brush* brush, REAL x, REAL y, REAL width, REAL height,
                              REAL startAngle, REAL sweepAngle, INT rows)
{
    Record([&] {
        return "FillPieStack brush=" + detail::BrushText(brush) +
               " rect=" + detail::Rect(RectF(x, y, width, height)) +
               " start=" + detail::Num(startAngle) + " sweep=" + detail::Num(sweepAngle) +
               " rows=" + std::to_string(rows) + impl_->State(false);
    });
    if (Status s = Ready(brush, {x, y, width, height, y + static_cast<REAL>(rows)}); s != Ok)
        return s;
    if (!Finite({startAngle, sweepAngle}) || rows < 0)
        return Keep(InvalidParameter);
    if (width <= 0.0f || height <= 0.0f || sweepAngle == 0.0f)
        return Ok;
    if (!impl_->StackAliased(nullptr, brush, x, y, width, height, startAngle, sweepAngle, rows))
        impl_->StackOneByOne(nullptr, brush, x, y, width, height, startAngle, sweepAngle, rows);
    return Ok;
}

Status Graphics::FillPolygon(const Brush* brush, const PointF* points, INT count, FillMode fillMode)
{
    Record([&] {
        std::string list;
        for (INT i = 0; points && i < count; ++i)
            list += (i ? ";" : "") + detail::Point(points[i]);
        return "FillPolygon brush=" + detail::BrushText(brush) +
               " mode=" + (fillMode == FillModeWinding ? "winding" : "alternate") +
               " points=" + list + impl_->State(false);
    });
    if (Status s = Ready(brush, {}); s != Ok)
        return s;
    if (!points || count <= 0 || (fillMode != FillModeAlternate && fillMode != FillModeWinding))
        return Keep(InvalidParameter);
    for (INT i = 0; i < count; ++i)
        if (Status s = Placeable({points[i].X, points[i].Y}); s != Ok)
            return Keep(s);
    impl_->Prepare();
    impl_->SetBrush(*brush);
    cairo_set_fill_rule(impl_->cr, fillMode == FillModeWinding ? CAIRO_FILL_RULE_WINDING
                                                               : CAIRO_FILL_RULE_EVEN_ODD);
    cairo_move_to(impl_->cr, points[0].X, points[0].Y);
    for (INT i = 1; i < count; ++i)
        cairo_line_to(impl_->cr, points[i].X, points[i].Y);
    cairo_close_path(impl_->cr);
    cairo_fill(impl_->cr);
    cairo_set_fill_rule(impl_->cr, CAIRO_FILL_RULE_WINDING);
    return Ok;
}

Status Graphics::DrawPath(const Pen* pen, const GraphicsPath* path)
{
    Record([&] {
        std::string list;
        if (path) {
            const auto& points = path->GetPoints();
            for (std::size_t i = 0; i < points.size(); ++i)
                list += (i ? ";" : "") + detail::Point(points[i]);
        }
        return "DrawPath pen=" + detail::PenText(pen) + " points=" + (path ? list : "null") +
               impl_->State(false);
    });
    if (Status s = Ready(pen, {}); s != Ok)
        return s;
    if (!path)
        return Keep(InvalidParameter);
    const auto& points = path->GetPoints();
    for (const PointF& p : points)
        if (Status s = Placeable({p.X, p.Y}); s != Ok)
            return Keep(s);
    if (points.empty())
        return Ok;
    impl_->Prepare();
    impl_->SetPen(*pen);
    // The tolerance in drawing units: canvas pixels over the transform's scale.
    const cairo_matrix_t& m = impl_->world;
    double scale = std::sqrt(std::fabs(m.xx * m.yy - m.xy * m.yx));
    std::vector<char> keep = detail::ThinPolyline(points, scale > 0.0 ? kThinning / scale : 0.0);
    cairo_move_to(impl_->cr, points[0].X, points[0].Y);
    for (std::size_t i = 1; i < points.size(); ++i)
        if (keep[i])
            cairo_line_to(impl_->cr, points[i].X, points[i].Y);
    cairo_stroke(impl_->cr);
    return Ok;
}

// --- Text --------------------------------------------------------------------

namespace {

const char* AlignText(const StringFormat* format)
{
    return format && format->GetAlignment() == StringAlignmentCenter ? "center" : "near";
}

// Texts drawn by font and text, in one drawing context shared by every
// canvas. A pango layout keeps its shaped lines until its context changes;
// pango_cairo_update_context changes the context on every call, so it is
// called only when the device matrix or the target's font options differ
// from what the context holds. A chart draws the same labels chart after
// chart; shaping them anew each time was about a third of a small chart.
class DrawnTexts {
public:
    // The layout of the text in the font, its context matching the cairo
    // context. Owned here; valid until the next call. Callers hold lock().
    PangoLayout* Layout(cairo_t* cr, const Font& font, const std::string& utf8)
    {
        Match(cr);
        const REAL size = font.GetPixelSize();
        std::string key = font.GetFamilyName();
        key.push_back('\0');
        key.append(reinterpret_cast<const char*>(&size), sizeof(size));
        key += utf8;
        auto it = layouts_.find(key);
        if (it != layouts_.end())
            return it->second;
        PangoLayout* layout = detail::NewLayout(context_, font, utf8);
        if (key.size() > kMaxKey) {
            // Long texts are laid out every time rather than crowd out the rest.
            Forget(once_);
            once_ = layout;
            return layout;
        }
        if (layouts_.size() >= kMaxEntries || bytes_ + key.size() > kMaxBytes)
            Clear();
        bytes_ += key.size();
        layouts_.emplace(std::move(key), layout);
        return layout;
    }

    std::mutex& lock() { return lock_; }

private:
    static constexpr std::size_t kMaxEntries = 1024;
    static constexpr std::size_t kMaxBytes = std::size_t(1) << 18;
    static constexpr std::size_t kMaxKey = 256;

    static void Forget(PangoLayout*& layout)
    {
        if (layout)
            g_object_unref(layout);
        layout = nullptr;
    }

    void Clear()
    {
        for (auto& entry : layouts_)
            g_object_unref(entry.second);
        layouts_.clear();
        bytes_ = 0;
    }

    void Match(cairo_t* cr)
    {
        if (!context_) {
            context_ = detail::NewDrawContext();
            target_ = cairo_font_options_create();
            own_ = cairo_font_options_create();
            seenTarget_ = cairo_font_options_create();
            seenOwn_ = cairo_font_options_create();
        }
        cairo_matrix_t matrix;
        cairo_get_matrix(cr, &matrix);
        cairo_surface_get_font_options(cairo_get_target(cr), seenTarget_);
        cairo_get_font_options(cr, seenOwn_);
        if (matched_ && matrix.xx == matrix_.xx && matrix.yx == matrix_.yx &&
            matrix.xy == matrix_.xy && matrix.yy == matrix_.yy && matrix.x0 == matrix_.x0 &&
            matrix.y0 == matrix_.y0 && cairo_font_options_equal(seenTarget_, target_) &&
            cairo_font_options_equal(seenOwn_, own_))
            return;
        pango_cairo_update_context(cr, context_);
        matrix_ = matrix;
        std::swap(target_, seenTarget_);
        std::swap(own_, seenOwn_);
        matched_ = true;
    }

    std::mutex lock_;
    PangoContext* context_ = nullptr;
    bool matched_ = false;
    cairo_matrix_t matrix_{};
    cairo_font_options_t* target_ = nullptr;
    cairo_font_options_t* own_ = nullptr;
    cairo_font_options_t* seenTarget_ = nullptr;
    cairo_font_options_t* seenOwn_ = nullptr;
    std::unordered_map<std::string, PangoLayout*> layouts_;
    std::size_t bytes_ = 0;
    PangoLayout* once_ = nullptr;
};

// Kept for the life of the process, like the fonts it holds.
DrawnTexts& Drawn()
{
    static DrawnTexts* texts = new DrawnTexts;
    return *texts;
}

// Where a text of the width starts in the layout rectangle.
double StartX(const RectF& layout, const StringFormat* format, double width)
{
    if (format && format->GetAlignment() == StringAlignmentCenter)
        return layout.X + (layout.Width - width) * 0.5;
    return layout.X;
}

} // namespace

Status Graphics::MeasureString(const WCHAR* text, INT length, const Font* font,
                               const RectF& layoutRect, const StringFormat* format,
                               RectF* boundingBox) const
{
    std::size_t n = detail::TextLength(text, length);
    std::string utf8 = text ? detail::Utf8(text, n) : std::string();
    Recording* recording = Recording::Active();
    std::string line;
    if (recording)
        line = "MeasureString font=" + detail::FontText(font) +
               " layout=" + detail::Rect(layoutRect) + " align=" + AlignText(format) +
               " text=" + detail::Quote(utf8) + " -> ";
    Status status = Ok;
    if (!text || !font || !boundingBox || length < -1)
        status = InvalidParameter;
    else if (!font->IsAvailable())
        status = font->GetLastStatus();
    else if (!Finite({layoutRect.X, layoutRect.Y, layoutRect.Width, layoutRect.Height}))
        status = InvalidParameter;
    if (status != Ok) {
        if (recording)
            recording->Append(line + "failed");
        return Keep(status);
    }
    double width = 0.0, height = 0.0;
    if (n > 0) {
        if (recording && recording->Metrics() == Recording::TextMetrics::Fixed) {
            double em = font->GetPixelSize();
            width = 0.5 * em * static_cast<double>(n);
            height = 1.25 * em;
        } else {
            pvcommon::text::MeasureCached(font->GetFamilyName(), font->GetPixelSize(), detail::kTextDpi, utf8,
                                          &width, &height);
        }
    }
    *boundingBox = RectF(static_cast<REAL>(StartX(layoutRect, format, width)), layoutRect.Y,
                         static_cast<REAL>(width), static_cast<REAL>(height));
    if (recording)
        recording->Append(line + detail::Rect(*boundingBox));
    return Ok;
}

Status Graphics::DrawString(const WCHAR* text, INT length, const Font* font,
                            const RectF& layoutRect, const StringFormat* format, const Brush* brush)
{
    std::size_t n = detail::TextLength(text, length);
    std::string utf8 = text ? detail::Utf8(text, n) : std::string();
    Record([&] {
        return "DrawString font=" + detail::FontText(font) + " brush=" + detail::BrushText(brush) +
               " layout=" + detail::Rect(layoutRect) + " align=" + AlignText(format) +
               " text=" + detail::Quote(utf8) + impl_->State(true);
    });
    if (impl_->broken != Ok)
        return Keep(impl_->broken);
    if (!text || !font || length < -1)
        return Keep(InvalidParameter);
    if (!font->IsAvailable())
        return Keep(font->GetLastStatus());
    if (Status s = Usable(brush); s != Ok)
        return Keep(s);
    if (Status s = Placeable({layoutRect.X, layoutRect.Y, layoutRect.Width, layoutRect.Height});
        s != Ok)
        return Keep(s);
    if (n == 0)
        return Ok;
    impl_->Prepare();
    // The boxes that stand for missing glyphs are stroked with the canvas's
    // line state: a dash left by a grid line must not reach them.
    cairo_set_dash(impl_->cr, nullptr, 0, 0.0);
    cairo_set_line_cap(impl_->cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(impl_->cr, CAIRO_LINE_JOIN_MITER);
    DrawnTexts& texts = Drawn();
    std::lock_guard<std::mutex> hold(texts.lock());
    PangoLayout* layout = texts.Layout(impl_->cr, *font, utf8);
    double width = 0.0, height = 0.0;
    detail::LayoutSize(layout, &width, &height);
    impl_->SetBrush(*brush);
    cairo_move_to(impl_->cr, StartX(layoutRect, format, width), layoutRect.Y);
    pango_cairo_show_layout(impl_->cr, layout);
    cairo_new_path(impl_->cr);
    return Ok;
}

} // namespace Gdiplus
