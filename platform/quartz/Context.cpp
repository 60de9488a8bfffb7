// Bitmap contexts over cairo: graphics state, transforms, paths, painting
// and transparency layers.
//
// cairo's matrix is the user space's transform to the picture's pixels
// (origin top-left, y downward): the user CTM followed by the base
// transform that turns Quartz's y-up device space into cairo's. cairo keeps
// the transform and the clip (cairo_save and cairo_restore pair with the
// graphics state saves); the rest of the state is ours and applied at each
// painting. As in Quartz, path points are fixed when they are added.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "platform/corefoundation/SystemSetup.h"
#include "platform/common/FlatPath.h"
#include "platform/quartz/Internal.h"

CGContextObject::~CGContextObject()
{
    pvquartz::WillPaint(this);
    if (cr)
        cairo_destroy(cr);
    if (surface)
        cairo_surface_destroy(surface);
    if (ownsData)
        delete[] data;
}

namespace pvquartz {

CGContextObject* ContextKeepingSteps(CGContextRef c, const char* function)
{
    // Quartz reports a null context and carries on; so do we, silently.
    if (!c)
        return nullptr;
    return pvcf::As<CGContextObject>(c, kContextType, function);
}

CGContextObject* Context(CGContextRef c, const char* function)
{
    CGContextObject* context = ContextKeepingSteps(c, function);
    if (context && !context->steps.empty())
        HandOverPath(context);
    return context;
}

// A path that starts with moves and arcs keeps them as steps until it is
// used: a pie's side is one arc per row, the same arc a whole number of
// rows lower each time, and stroked without anti-aliasing it is the first
// row's stroke repeated down the rows (see StrokeStepStack), so the other
// rows need not be built at all. Handed over, each step is what cairo would
// have made of it when it was added.
void HandOverPath(CGContextObject* c, std::size_t count)
{
    count = std::min(count, c->steps.size());
    if (count == 0)
        return;
    cairo_matrix_t now;
    cairo_get_matrix(c->cr, &now);
    for (auto s = c->steps.begin(); s != c->steps.begin() + static_cast<std::ptrdiff_t>(count); ++s) {
        cairo_set_matrix(c->cr, &s->m);
        if (!s->arc)
            cairo_move_to(c->cr, s->v[0], s->v[1]);
        else if (s->clockwise)
            cairo_arc_negative(c->cr, s->v[0], s->v[1], s->v[2], s->v[3], s->v[4]);
        else
            cairo_arc(c->cr, s->v[0], s->v[1], s->v[2], s->v[3], s->v[4]);
    }
    cairo_set_matrix(c->cr, &now);
    c->steps.erase(c->steps.begin(), c->steps.begin() + static_cast<std::ptrdiff_t>(count));
}

namespace {

constexpr double kPi = 3.14159265358979323846;

bool Finite(std::initializer_list<double> values)
{
    for (double v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

void SetSource(CGContextObject* c, const double rgba[4])
{
    cairo_set_source_rgba(c->cr, rgba[0], rgba[1], rgba[2], rgba[3] * c->state.alpha);
    cairo_set_antialias(c->cr, c->state.antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

// --- the recording's path -----------------------------------------------------------

std::string PointText(double x, double y) { return "(" + Num(x) + "," + Num(y) + ")"; }

void PathAdd(CGContextObject* c, std::string element)
{
    c->path.elements.push_back(std::move(element));
}

void PathMove(CGContextObject* c, double ux, double uy)
{
    double x = ux, y = uy;
    cairo_user_to_device(c->cr, &x, &y);
    PathAdd(c, "M" + PointText(x, y));
    c->path.hasCurrent = true;
    c->path.currentX = x;
    c->path.currentY = y;
}

void PathLine(CGContextObject* c, double ux, double uy)
{
    double x = ux, y = uy;
    cairo_user_to_device(c->cr, &x, &y);
    PathAdd(c, "L" + PointText(x, y));
    c->path.hasCurrent = true;
    c->path.currentX = x;
    c->path.currentY = y;
}

std::string PathText(const CGContextObject* c)
{
    std::string text;
    for (const std::string& e : c->path.elements) {
        if (!text.empty())
            text += ';';
        text += e;
    }
    return text;
}

void PathClear(CGContextObject* c)
{
    c->path.elements.clear();
    c->path.hasCurrent = false;
}

void Log(std::string line)
{
    if (pvquartz::Recording* r = pvquartz::Recording::Active())
        r->Append(std::move(line));
}

std::string RectText(double x, double y, double w, double h)
{
    return "(" + Num(x) + "," + Num(y) + "," + Num(w) + "," + Num(h) + ")";
}

// The rectangle as it lies on the picture (its corners' bounds).
std::string DeviceRectText(CGContextObject* c, CGRect r)
{
    double xs[4] = {r.origin.x, r.origin.x + r.size.width, r.origin.x, r.origin.x + r.size.width};
    double ys[4] = {r.origin.y, r.origin.y, r.origin.y + r.size.height, r.origin.y + r.size.height};
    for (int i = 0; i < 4; ++i)
        cairo_user_to_device(c->cr, &xs[i], &ys[i]);
    const double x0 = *std::min_element(xs, xs + 4), x1 = *std::max_element(xs, xs + 4);
    const double y0 = *std::min_element(ys, ys + 4), y1 = *std::max_element(ys, ys + 4);
    return RectText(x0, y0, x1 - x0, y1 - y0);
}

const char* CapText(CGLineCap cap)
{
    return cap == kCGLineCapRound ? "round" : cap == kCGLineCapSquare ? "square" : "butt";
}

const char* JoinText(CGLineJoin join)
{
    return join == kCGLineJoinRound ? "round" : join == kCGLineJoinBevel ? "bevel" : "miter";
}

std::string DashText(const GState& g)
{
    if (g.dash.empty())
        return "none";
    std::string text = "(" + Num(g.phase) + ";";
    for (std::size_t i = 0; i < g.dash.size(); ++i)
        text += (i ? "," : "") + Num(g.dash[i]);
    return text + ")";
}

std::string StrokeText(CGContextObject* c)
{
    const GState& g = c->state;
    return "color=" + Colour(g.stroke) + " width=" + Num(g.lineWidth) + " cap=" + CapText(g.cap) +
           " join=" + JoinText(g.join) + " dash=" + DashText(g);
}

} // namespace

void ApplyFill(CGContextObject* c) { SetSource(c, c->state.fill); }

void ApplyStroke(CGContextObject* c)
{
    const GState& g = c->state;
    pvquartz::SetSource(c, g.stroke);
    cairo_set_line_width(c->cr, g.lineWidth);
    cairo_set_line_cap(c->cr, g.cap == kCGLineCapRound    ? CAIRO_LINE_CAP_ROUND
                              : g.cap == kCGLineCapSquare ? CAIRO_LINE_CAP_SQUARE
                                                          : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(c->cr, g.join == kCGLineJoinRound    ? CAIRO_LINE_JOIN_ROUND
                               : g.join == kCGLineJoinBevel ? CAIRO_LINE_JOIN_BEVEL
                                                            : CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(c->cr, 10.0);   // Quartz's
    cairo_set_dash(c->cr, g.dash.empty() ? nullptr : g.dash.data(), static_cast<int>(g.dash.size()),
                   g.phase);
}

std::string StateText(CGContextObject* c)
{
    std::string text;
    cairo_matrix_t m;
    cairo_get_matrix(c->cr, &m);
    if (!(m.xx == 1.0 && m.yx == 0.0 && m.xy == 0.0 && m.yy == 1.0 && m.x0 == 0.0 && m.y0 == 0.0))
        text += " xf=(" + Num(m.xx) + "," + Num(m.yx) + "," + Num(m.xy) + "," + Num(m.yy) + "," +
                Num(m.x0) + "," + Num(m.y0) + ")";
    text += c->state.antialias ? " aa=on" : " aa=off";
    if (c->state.alpha != 1.0)
        text += " alpha=" + Num(c->state.alpha);
    return text;
}

} // namespace pvquartz

using pvquartz::Context;

namespace {

// The base transform: Quartz's y-up device space on cairo's y-down pixels.
cairo_matrix_t Base(const CGContextObject* c)
{
    cairo_matrix_t base;
    cairo_matrix_init(&base, 1.0, 0.0, 0.0, -1.0, 0.0, static_cast<double>(c->height));
    return base;
}

// Multiplies the user-space step onto the front of cairo's matrix.
void Prepend(CGContextObject* c, const CGAffineTransform& t)
{
    if (!c || !pvquartz::Finite({t.a, t.b, t.c, t.d, t.tx, t.ty}))
        return;
    cairo_matrix_t step, m;
    cairo_matrix_init(&step, t.a, t.b, t.c, t.d, t.tx, t.ty);
    cairo_get_matrix(c->cr, &m);
    cairo_matrix_multiply(&m, &step, &m);
    // A singular matrix puts cairo in an error state for good: Quartz draws
    // nothing under it; so do we, by not taking it.
    if (cairo_matrix_invert(&step) == CAIRO_STATUS_SUCCESS)
        cairo_set_matrix(c->cr, &m);
}

void FillCurrent(CGContextObject* c)
{
    if (!c)
        return;
    if (pvquartz::Recording::Active())
        pvquartz::Log(std::string("FillPath rule=winding") +
                      " color=" + pvquartz::Colour(c->state.fill) +
                      " path=" + pvquartz::PathText(c) + pvquartz::StateText(c));
    pvquartz::ApplyFill(c);
    cairo_set_fill_rule(c->cr, CAIRO_FILL_RULE_WINDING);
    pvquartz::WillPaint(c);
    cairo_fill(c->cr);
    pvquartz::PathClear(c);
}

// The current path on the picture's pixels (flattened when asked), as
// cairo keeps it.
cairo_path_t* PicturePath(cairo_t* cr, bool flat)
{
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    cairo_identity_matrix(cr);
    cairo_path_t* path = flat ? cairo_copy_path_flat(cr) : cairo_copy_path(cr);
    cairo_set_matrix(cr, &m);
    return path;
}

// The current path on the picture, flattened as cairo fills it; null when
// it cannot be had (the clip's own coverage serves).
std::shared_ptr<const pvcommon::raster::Polygons> FlatOutline(cairo_t* cr)
{
    cairo_path_t* path = PicturePath(cr, true);
    std::shared_ptr<pvcommon::raster::Polygons> outline;
    try {
        outline = std::make_shared<pvcommon::raster::Polygons>();
    } catch (const std::bad_alloc&) {
    }
    if (outline && !pvcommon::raster::PolygonsOf(path, *outline))
        outline = nullptr;
    cairo_path_destroy(path);
    return outline;
}

// Whether the current path is one rectangle with upright sides on the
// picture (cairo clips to those without shaping).
bool UprightRectangle(cairo_t* cr)
{
    cairo_path_t* path = PicturePath(cr, true);
    std::vector<std::pair<double, double>> corners;
    bool ok = path->status == CAIRO_STATUS_SUCCESS;
    bool closed = false;
    for (int i = 0; ok && i < path->num_data; i += path->data[i].header.length) {
        const cairo_path_data_t& d = path->data[i];
        if (d.header.type == CAIRO_PATH_CLOSE_PATH) {
            closed = true;
        } else if (closed) {
            // Only the move cairo adds after a close may follow it.
            ok = d.header.type == CAIRO_PATH_MOVE_TO && i + d.header.length == path->num_data;
        } else {
            ok = (d.header.type == CAIRO_PATH_MOVE_TO) == corners.empty();
            corners.emplace_back(path->data[i + 1].point.x, path->data[i + 1].point.y);
        }
    }
    cairo_path_destroy(path);
    if (ok && corners.size() == 5 && corners.back() == corners.front())
        corners.pop_back();
    if (!ok || corners.size() != 4)
        return false;
    for (std::size_t i = 0; i < 4; ++i) {
        const auto& a = corners[i];
        const auto& b = corners[(i + 1) % 4];
        if ((a.first == b.first) == (a.second == b.second))
            return false;   // slanted, or no edge at all
    }
    return true;
}

// The pixel cairo paints for a colour (painted once, so the conversion is
// cairo's own); the context keeps the last colour's, since a chart's grid
// lines share one.
std::uint32_t SolidPixel(CGContextObject* c, double r, double g, double b, double a)
{
    double* last = c->lastSolid;
    if (last[0] == r && last[1] == g && last[2] == b && last[3] == a)
        return c->lastSolidPixel;
    std::uint32_t pixel = 0;
    cairo_surface_t* one = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(&pixel),
                                                               CAIRO_FORMAT_ARGB32, 1, 1, 4);
    cairo_t* cr = cairo_create(one);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, r, g, b, a);
    cairo_paint(cr);
    const bool painted = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_flush(one);
    cairo_surface_destroy(one);
    if (!painted)
        return pixel;
    last[0] = r;
    last[1] = g;
    last[2] = b;
    last[3] = a;
    c->lastSolidPixel = pixel;
    return pixel;
}

// Opaque boxes of whole pixels written straight into the bitmap, cut to the
// clip: what cairo's fill of them gives, without a path or a tessellation.
// False (nothing written) where that would not be the same: a layer open,
// another operator, a colour not opaque, a shaped clip, another format.
bool FillBoxesDirect(CGContextObject* c, const double rgba[4], const std::vector<cairo_rectangle_int_t>& boxes)
{
    if (cairo_get_group_target(c->cr) != c->surface || cairo_get_operator(c->cr) != CAIRO_OPERATOR_OVER ||
        rgba[3] * c->state.alpha < 1.0 || c->state.shapedClip ||
        cairo_surface_get_type(c->surface) != CAIRO_SURFACE_TYPE_IMAGE)
        return false;
    const cairo_format_t format = cairo_image_surface_get_format(c->surface);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24)
        return false;
    cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(c->cr);
    if (clip->status != CAIRO_STATUS_SUCCESS) {
        cairo_rectangle_list_destroy(clip);
        return false;
    }
    const std::uint32_t pixel = SolidPixel(c, rgba[0], rgba[1], rgba[2], 1.0);
    const int width = cairo_image_surface_get_width(c->surface);
    const int height = cairo_image_surface_get_height(c->surface);
    const int stride = cairo_image_surface_get_stride(c->surface);
    pvquartz::WillPaint(c);
    cairo_surface_flush(c->surface);
    unsigned char* data = cairo_image_surface_get_data(c->surface);
    for (int k = 0; k < clip->num_rectangles; ++k) {
        // The clip's rectangles are whole pixels when listed at all.
        const cairo_rectangle_t& r = clip->rectangles[k];
        const int cx0 = std::max(0, static_cast<int>(r.x)), cy0 = std::max(0, static_cast<int>(r.y));
        const int cx1 = std::min(width, static_cast<int>(r.x + r.width));
        const int cy1 = std::min(height, static_cast<int>(r.y + r.height));
        for (const cairo_rectangle_int_t& box : boxes) {
            const int x0 = std::max(cx0, box.x), x1 = std::min(cx1, box.x + box.width);
            const int y0 = std::max(cy0, box.y), y1 = std::min(cy1, box.y + box.height);
            for (int y = y0; y < y1; ++y) {
                auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
                std::fill(row + x0, row + std::max(x0, x1), pixel);
            }
        }
    }
    cairo_rectangle_list_destroy(clip);
    cairo_surface_mark_dirty(c->surface);
    return true;
}

// Dashed straight lines along a pixel axis (the grid lines of a chart: a
// pattern of 0.5 on and 1.0 off is hundreds of dashes per line, each of
// which cairo's stroker would turn into its own polygon) are painted from
// their coverage: the dashes' share of each pixel column times the line's
// share of each pixel row, exact for antialiased drawing; aliased, a pixel
// is painted when its centre lies inside a dash. Butt caps only, under a
// transform that keeps lengths along the axes. False when the path is not
// such a line; nothing is drawn then.
bool StrokeDashedAxisLine(CGContextObject* c)
{
    const pvquartz::GState& g = c->state;
    if (g.dash.empty() || g.cap != kCGLineCapButt || g.lineWidth <= 0.0)
        return false;
    cairo_matrix_t m;
    cairo_get_matrix(c->cr, &m);
    if (m.xy != 0.0 || m.yx != 0.0 || std::fabs(m.xx) != 1.0 || std::fabs(m.yy) != 1.0)
        return false;
    cairo_path_t* path = cairo_copy_path(c->cr);
    const bool line = path->status == CAIRO_STATUS_SUCCESS && path->num_data == 4 &&
                      path->data[0].header.type == CAIRO_PATH_MOVE_TO &&
                      path->data[2].header.type == CAIRO_PATH_LINE_TO;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (line) {
        x0 = path->data[1].point.x;
        y0 = path->data[1].point.y;
        x1 = path->data[3].point.x;
        y1 = path->data[3].point.y;
    }
    cairo_path_destroy(path);
    if (!line)
        return false;
    cairo_user_to_device(c->cr, &x0, &y0);
    cairo_user_to_device(c->cr, &x1, &y1);
    const bool horizontal = y0 == y1, vertical = x0 == x1;
    if (horizontal == vertical)   // slanted, or a single point
        return false;
    // Along: the axis of the line; across: the other one.
    const double from = horizontal ? x0 : y0, to = horizontal ? x1 : y1;
    const double centre = horizontal ? y0 : x0;
    const double length = std::fabs(to - from), direction = to > from ? 1.0 : -1.0;
    const double period = [&g] {
        double sum = 0.0;
        for (double d : g.dash)
            sum += d;
        return sum;
    }();
    // The pattern as cairo walks it: an odd count repeats with on and off swapped.
    const std::size_t steps = g.dash.size() % 2 ? 2 * g.dash.size() : g.dash.size();
    const double cycle = g.dash.size() % 2 ? 2 * period : period;
    if (!(cycle > 0.0) || length / cycle > 1e6)
        return false;
    // The dashes' intervals on the axis, in increasing order of position.
    std::vector<std::pair<double, double>> on;
    double phase = std::fmod(g.phase, cycle);
    if (phase < 0.0)
        phase += cycle;
    std::size_t i = 0;
    while (phase >= g.dash[i % g.dash.size()]) {
        phase -= g.dash[i % g.dash.size()];
        i = (i + 1) % steps;
    }
    double at = -phase;
    for (; at < length; i = (i + 1) % steps) {
        const double next = at + g.dash[i % g.dash.size()];
        if (i % 2 == 0 && next > 0.0 && next > at) {
            const double a = from + direction * std::max(at, 0.0);
            const double b = from + direction * std::min(next, length);
            on.emplace_back(std::min(a, b), std::max(a, b));
        }
        at = next;
    }
    if (direction < 0.0)
        std::reverse(on.begin(), on.end());
    const double lo = centre - g.lineWidth / 2, hi = centre + g.lineWidth / 2;

    cairo_save(c->cr);
    cairo_identity_matrix(c->cr);
    cairo_new_path(c->cr);
    pvquartz::SetSource(c, g.stroke);
    if (!g.antialias) {
        // Pixels whose centres lie inside: [lo, hi) on each axis.
        const double first = std::ceil(lo - 0.5), last = std::ceil(hi - 0.5);
        // Whole pixels within the picture's reach (beyond it, nothing shows).
        const double reach = 1e9;
        if (last > first && first > -reach && last < reach) {
            auto eachBox = [&](auto&& use) {
                const int ifirst = static_cast<int>(first), thickness = static_cast<int>(last - first);
                for (const auto& d : on) {
                    const double a = std::max(-reach, std::ceil(d.first - 0.5));
                    const double b = std::min(reach, std::ceil(d.second - 0.5));
                    if (b <= a)
                        continue;
                    const int ia = static_cast<int>(a), length = static_cast<int>(b - a);
                    use(horizontal ? cairo_rectangle_int_t{ia, ifirst, length, thickness}
                                   : cairo_rectangle_int_t{ifirst, ia, thickness, length});
                }
            };
            bool direct = false;
            try {
                std::vector<cairo_rectangle_int_t> boxes;
                boxes.reserve(on.size());
                eachBox([&boxes](const cairo_rectangle_int_t& box) { boxes.push_back(box); });
                direct = FillBoxesDirect(c, g.stroke, boxes);
            } catch (const std::bad_alloc&) {
                direct = false;   // cairo's fill, which needs no list
            }
            if (!direct) {
                eachBox([c](const cairo_rectangle_int_t& box) {
                    cairo_rectangle(c->cr, box.x, box.y, box.width, box.height);
                });
                cairo_set_fill_rule(c->cr, CAIRO_FILL_RULE_WINDING);
                pvquartz::WillPaint(c);
                cairo_fill(c->cr);
            }
        }
    } else if (!on.empty()) {
        const int a0 = static_cast<int>(std::floor(on.front().first));
        const int a1 = static_cast<int>(std::ceil(on.back().second));
        const int c0 = static_cast<int>(std::floor(lo)), c1 = static_cast<int>(std::ceil(hi));
        std::vector<double> along(static_cast<std::size_t>(a1 - a0), 0.0);
        for (const auto& d : on)
            for (int p = static_cast<int>(std::floor(d.first)); p < d.second; ++p)
                along[static_cast<std::size_t>(p - a0)] +=
                    std::min(d.second, p + 1.0) - std::max(d.first, static_cast<double>(p));
        const int w = horizontal ? a1 - a0 : c1 - c0, h = horizontal ? c1 - c0 : a1 - a0;
        cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
        if (cairo_surface_status(mask) == CAIRO_STATUS_SUCCESS) {
            unsigned char* bytes = cairo_image_surface_get_data(mask);
            const int stride = cairo_image_surface_get_stride(mask);
            for (int q = c0; q < c1; ++q) {
                const double across = std::min(hi, q + 1.0) - std::max(lo, static_cast<double>(q));
                for (int p = a0; p < a1; ++p) {
                    const double v = along[static_cast<std::size_t>(p - a0)] * across * 255.0 + 0.5;
                    const unsigned char byte = static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v);
                    const int x = horizontal ? p - a0 : q - c0, y = horizontal ? q - c0 : p - a0;
                    bytes[y * stride + x] = byte;
                }
            }
            cairo_surface_mark_dirty(mask);
            pvquartz::WillPaint(c);
            cairo_mask_surface(c->cr, mask, horizontal ? a0 : c0, horizontal ? c0 : a0);
        }
        cairo_surface_destroy(mask);
    }
    cairo_restore(c->cr);
    cairo_new_path(c->cr);
    return true;
}

// Polylines are thinned before stroking: a point that lies within this many
// pixels of the line through its kept neighbours adds nothing one can see,
// but cairo's stroker pays for every join (a smoothed line walked in
// half-pixel steps has thousands).
constexpr double kThinning = 0.05;
// Shorter runs of lines are stroked as they are.
constexpr std::size_t kThinFrom = 16;

// Douglas-Peucker over the points [first, last]; those kept are marked.
void MarkKept(const std::vector<std::pair<double, double>>& points, std::size_t first, std::size_t last,
              std::vector<char>& keep)
{
    keep[first] = keep[last] = 1;
    std::vector<std::pair<std::size_t, std::size_t>> spans{{first, last}};
    while (!spans.empty()) {
        const auto [a, b] = spans.back();
        spans.pop_back();
        if (b <= a + 1)
            continue;
        const double ax = points[a].first, ay = points[a].second;
        const double dx = points[b].first - ax, dy = points[b].second - ay;
        const double length = std::hypot(dx, dy);
        double worst = -1.0;
        std::size_t at = a;
        for (std::size_t i = a + 1; i < b; ++i) {
            const double px = points[i].first - ax, py = points[i].second - ay;
            const double d = length > 0.0 ? std::fabs(px * dy - py * dx) / length : std::hypot(px, py);
            if (d > worst) {
                worst = d;
                at = i;
            }
        }
        if (worst > kThinning) {
            keep[at] = 1;
            spans.emplace_back(a, at);
            spans.emplace_back(at, b);
        }
    }
}

// Drops the points of the current path's long runs of straight lines that
// the thinning lets go. Paths with curves or closed figures stay as they are;
// so do dashed ones, whose pattern runs along the path's length.
void ThinPolylines(CGContextObject* c)
{
    if (!c->state.dash.empty())
        return;
    // The path on the picture's pixels, as cairo keeps it.
    cairo_matrix_t m;
    cairo_get_matrix(c->cr, &m);
    cairo_identity_matrix(c->cr);
    cairo_path_t* path = cairo_copy_path(c->cr);
    std::vector<std::pair<double, double>> points;
    std::vector<std::size_t> starts;   // the index of each run's first point
    bool plain = path->status == CAIRO_STATUS_SUCCESS;
    for (int i = 0; plain && i < path->num_data; i += path->data[i].header.length) {
        const cairo_path_data_t& d = path->data[i];
        if (d.header.type == CAIRO_PATH_MOVE_TO) {
            starts.push_back(points.size());
            points.emplace_back(path->data[i + 1].point.x, path->data[i + 1].point.y);
        } else if (d.header.type == CAIRO_PATH_LINE_TO && !starts.empty()) {
            points.emplace_back(path->data[i + 1].point.x, path->data[i + 1].point.y);
        } else {
            plain = false;
        }
    }
    cairo_path_destroy(path);
    bool longRun = false;
    for (std::size_t r = 0; plain && r < starts.size(); ++r) {
        const std::size_t end = r + 1 < starts.size() ? starts[r + 1] : points.size();
        longRun = longRun || end - starts[r] >= kThinFrom;
    }
    if (plain && longRun) {
        std::vector<char> keep(points.size(), 0);
        for (std::size_t r = 0; r < starts.size(); ++r) {
            const std::size_t end = r + 1 < starts.size() ? starts[r + 1] : points.size();
            if (end - starts[r] >= kThinFrom)
                MarkKept(points, starts[r], end - 1, keep);
            else
                std::fill(keep.begin() + static_cast<std::ptrdiff_t>(starts[r]),
                          keep.begin() + static_cast<std::ptrdiff_t>(end), 1);
        }
        cairo_new_path(c->cr);
        std::size_t r = 0;
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (r < starts.size() && starts[r] == i) {
                cairo_move_to(c->cr, points[i].first, points[i].second);
                ++r;
            } else if (keep[i]) {
                cairo_line_to(c->cr, points[i].first, points[i].second);
            }
        }
    }
    cairo_set_matrix(c->cr, &m);
}

// A path of many copies of one figure, each a whole number of pixel rows
// below the first (the side of a pie: one arc per row), stroked without
// anti-aliasing, is the first figure's stroke repeated down the rows: a pixel
// is painted when its centre lies inside one of the strokes, and moving a
// figure by whole pixels moves its pixels with it. (cairo's own stroke of
// the whole path can paint a few pixels more where thin figures lie close:
// what painting row after row gives is the union.) The first stroke is
// rasterised once into a mask and spread down the rows, each pixel painted
// once. False when the path is not such a stack; nothing is drawn then.
constexpr int kStackFrom = 2;   // a figure alone is stroked as it is

// The rows a stack's figures lie below (or above) its first, each once:
// false unless they cover every row between the extremes, as the spreading
// below counts a window of rows.
bool RowsOfStack(std::vector<int>& shifts, int* lowest, int* highest)
{
    std::sort(shifts.begin(), shifts.end());
    for (std::size_t i = 1; i < shifts.size(); ++i)
        if (shifts[i] - shifts[i - 1] > 1)
            return false;
    *lowest = std::min(0, shifts.front());
    *highest = std::max(0, shifts.back());
    return true;
}

bool PaintRowStack(CGContextObject* c, const cairo_path_t* path, int size, int lowest, int highest);

bool StrokeRowStack(CGContextObject* c)
{
    const pvquartz::GState& g = c->state;
    if (g.antialias || !g.dash.empty() || !(g.lineWidth > 0.0))
        return false;
    cairo_path_t* path = PicturePath(c->cr, false);
    // The figures: the index in path->data where each starts.
    std::vector<int> starts;
    bool ok = path->status == CAIRO_STATUS_SUCCESS && path->num_data > 0 &&
              path->data[0].header.type == CAIRO_PATH_MOVE_TO;
    for (int i = 0; ok && i < path->num_data; i += path->data[i].header.length)
        if (path->data[i].header.type == CAIRO_PATH_MOVE_TO)
            starts.push_back(i);
    ok = ok && starts.size() >= static_cast<std::size_t>(kStackFrom);
    const int size = ok ? (starts.size() > 1 ? starts[1] : path->num_data) : 0;
    // Every figure the first one moved down (or up) by whole rows.
    std::vector<int> shifts;
    for (std::size_t f = 0; ok && f < starts.size(); ++f) {
        const int end = f + 1 < starts.size() ? starts[f + 1] : path->num_data;
        if (end - starts[f] != size) {
            ok = false;
            break;
        }
        const cairo_path_data_t* a = path->data;
        const cairo_path_data_t* b = path->data + starts[f];
        const double dy = b[1].point.y - a[1].point.y;
        if (dy != std::floor(dy) || std::fabs(dy) > 1e6) {
            ok = false;
            break;
        }
        for (int i = 0; ok && i < size; i += a[i].header.length) {
            ok = a[i].header.type == b[i].header.type && a[i].header.length == b[i].header.length;
            for (int k = 1; ok && k < a[i].header.length; ++k)
                ok = b[i + k].point.x == a[i + k].point.x && b[i + k].point.y - a[i + k].point.y == dy;
        }
        shifts.push_back(static_cast<int>(dy));
    }
    int lowest = 0, highest = 0;
    ok = ok && RowsOfStack(shifts, &lowest, &highest) && PaintRowStack(c, path, size, lowest, highest);
    cairo_path_destroy(path);
    return ok;
}

// A stack still in steps (see HandOverPath): each figure a move and an arc,
// the same under transforms that differ only by whole rows down the
// picture. cairo would make of each the first figure's points moved by its
// rows: the points are the same sums of the same terms, plus a whole
// number (but for a point within a rounding error of halfway between two
// 256ths of a pixel, on rows past a power of two, which may round to the
// other one). So only the first figure is handed to cairo and painted as
// the stack. False (the steps kept, nothing painted) for any other path.
bool StrokeStepStack(CGContextObject* c)
{
    const pvquartz::GState& g = c->state;
    std::vector<pvquartz::PathStep>& steps = c->steps;
    if (g.antialias || !g.dash.empty() || !(g.lineWidth > 0.0) || steps.size() % 2 != 0 ||
        steps.size() < 2 * static_cast<std::size_t>(kStackFrom) || steps[0].arc || !steps[1].arc)
        return false;
    const cairo_matrix_t& first = steps[0].m;
    std::vector<int> shifts;
    for (std::size_t i = 0; i < steps.size(); i += 2) {
        const pvquartz::PathStep& move = steps[i];
        const pvquartz::PathStep& arc = steps[i + 1];
        if (move.arc || !arc.arc || arc.clockwise != steps[1].clockwise ||
            !std::equal(move.v, move.v + 5, steps[0].v) || !std::equal(arc.v, arc.v + 5, steps[1].v))
            return false;
        for (const cairo_matrix_t* m : {&move.m, &arc.m})
            if (m->xx != first.xx || m->yx != first.yx || m->xy != first.xy || m->yy != first.yy ||
                m->x0 != first.x0 || m->y0 != move.m.y0)
                return false;
        const double dy = move.m.y0 - first.y0;
        if (dy != std::floor(dy) || std::fabs(dy) > 1e6 || first.y0 + dy != move.m.y0)
            return false;
        shifts.push_back(static_cast<int>(dy));
    }
    int lowest = 0, highest = 0;
    if (!RowsOfStack(shifts, &lowest, &highest))
        return false;
    // The first figure to cairo; the rest stay kept after it, for the
    // general stroke should the stack not be painted.
    pvquartz::HandOverPath(c, 2);
    cairo_path_t* path = PicturePath(c->cr, false);
    const bool drawn = path->status == CAIRO_STATUS_SUCCESS && path->num_data > 0 &&
                       PaintRowStack(c, path, path->num_data, lowest, highest);
    cairo_path_destroy(path);
    if (drawn)
        steps.clear();
    return drawn;
}

// Paints the stack of the first `size` data of `path` (on the picture) down
// the rows from `lowest` to `highest`: false (nothing painted) when the
// mask it needs is too large or cannot be had.
bool PaintRowStack(CGContextObject* c, const cairo_path_t* path, int size, int lowest, int highest)
{
    const pvquartz::GState& g = c->state;
    cairo_matrix_t m;
    cairo_get_matrix(c->cr, &m);
    double left = HUGE_VAL, right = -HUGE_VAL, top = HUGE_VAL, bottom = -HUGE_VAL;
    for (int i = 0; i < size; i += path->data[i].header.length)
        for (int k = 1; k < path->data[i].header.length; ++k) {
            const cairo_path_data_t& d = path->data[i + k];
            left = std::min(left, d.point.x);
            right = std::max(right, d.point.x);
            top = std::min(top, d.point.y);
            bottom = std::max(bottom, d.point.y);
        }
    // The mask: the first figure's points, padded by the largest reach of
    // the pen (a miter up to the limit, in the picture's pixels).
    const double scale = std::max(std::fabs(m.xx) + std::fabs(m.xy), std::fabs(m.yx) + std::fabs(m.yy));
    const double reach = g.lineWidth * scale * 10.0 / 2.0 + 2.0;
    // Masks beyond a few pictures' worth of pixels are left to the general stroke.
    if (!(std::isfinite(left) && std::isfinite(reach) &&
          (right - left + 2 * reach + 2) * (bottom - top + 2 * reach + 2 + (highest - lowest)) < 64e6))
        return false;
    const int x0 = static_cast<int>(std::floor(left - reach)), y0 = static_cast<int>(std::floor(top - reach));
    const int w = static_cast<int>(std::ceil(right + reach)) - x0;
    const int h = static_cast<int>(std::ceil(bottom + reach)) - y0;
    const int spread = highest - lowest + 1;
    // Opaque, unclipped, straight onto the bitmap: the stack's pixels take
    // the colour's pixel, as painting it through a full mask gives; else
    // the stack is a mask painted in one go (each pixel once).
    const cairo_format_t format = cairo_surface_get_type(c->surface) == CAIRO_SURFACE_TYPE_IMAGE
                                      ? cairo_image_surface_get_format(c->surface)
                                      : CAIRO_FORMAT_INVALID;
    const bool direct = !g.clipped && g.stroke[3] * g.alpha >= 1.0 &&
                        cairo_get_group_target(c->cr) == c->surface &&
                        cairo_get_operator(c->cr) == CAIRO_OPERATOR_OVER &&
                        (format == CAIRO_FORMAT_ARGB32 || format == CAIRO_FORMAT_RGB24);
    cairo_surface_t* one = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
    cairo_surface_t* all = direct ? nullptr : cairo_image_surface_create(CAIRO_FORMAT_A8, w, h + spread - 1);
    bool drawn = false;
    if (cairo_surface_status(one) == CAIRO_STATUS_SUCCESS &&
        (direct || cairo_surface_status(all) == CAIRO_STATUS_SUCCESS)) {
        pvquartz::ApplyStroke(c);
        cairo_t* cr = cairo_create(one);
        // The first figure at its place on the mask, stroked as on the picture.
        const cairo_path_data_t* a = path->data;
        for (int i = 0; i < size; i += a[i].header.length) {
            auto x = [&](int k) { return a[i + k].point.x - x0; };
            auto y = [&](int k) { return a[i + k].point.y - y0; };
            switch (a[i].header.type) {
            case CAIRO_PATH_MOVE_TO:
                cairo_move_to(cr, x(1), y(1));
                break;
            case CAIRO_PATH_LINE_TO:
                cairo_line_to(cr, x(1), y(1));
                break;
            case CAIRO_PATH_CURVE_TO:
                cairo_curve_to(cr, x(1), y(1), x(2), y(2), x(3), y(3));
                break;
            case CAIRO_PATH_CLOSE_PATH:
                cairo_close_path(cr);
                break;
            }
        }
        cairo_matrix_t pen = m;
        pen.x0 = 0.0;
        pen.y0 = 0.0;
        cairo_set_matrix(cr, &pen);
        cairo_set_line_width(cr, cairo_get_line_width(c->cr));
        cairo_set_line_cap(cr, cairo_get_line_cap(c->cr));
        cairo_set_line_join(cr, cairo_get_line_join(c->cr));
        cairo_set_miter_limit(cr, cairo_get_miter_limit(c->cr));
        cairo_set_tolerance(cr, cairo_get_tolerance(c->cr));
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_set_source_rgba(cr, 0, 0, 0, 1);
        cairo_stroke(cr);
        cairo_destroy(cr);
        cairo_surface_flush(one);
        const unsigned char* from = cairo_image_surface_get_data(one);
        const int fromStride = cairo_image_surface_get_stride(one);
        // Every painted pixel of the figure covers its column from its row
        // down `spread` rows (rows of the stack from y0 + lowest on). Each
        // column remembers how far down it is covered already, so every
        // pixel of the stack is written once; the figure (a thin curve in a
        // large box) is read a word at a time.
        std::vector<int> until;
        bool room = true;
        try {
            until.assign(static_cast<std::size_t>(w), -1);
        } catch (const std::bad_alloc&) {
            room = false;   // the stack is then stroked as it is
        }
        auto spreadDown = [&](auto&& fill) {
            for (int y = 0; y < h; ++y) {
                const unsigned char* in = from + y * fromStride;
                for (int x = 0; x < w; ++x) {
                    if (x % 8 == 0 && x + 8 <= w) {
                        std::uint64_t word;
                        std::memcpy(&word, in + x, sizeof(word));
                        if (word == 0) {
                            x += 7;
                            continue;
                        }
                    }
                    if (!in[x])
                        continue;
                    int& covered = until[static_cast<std::size_t>(x)];
                    const int last = y + spread - 1;
                    fill(x, std::max(y, covered + 1), last);
                    covered = std::max(covered, last);
                }
            }
        };
        if (room && direct) {
            const std::uint32_t pixel = SolidPixel(c, g.stroke[0], g.stroke[1], g.stroke[2], 1.0);
            pvquartz::WillPaint(c);
            cairo_surface_flush(c->surface);
            unsigned char* data = cairo_image_surface_get_data(c->surface);
            const std::size_t stride = static_cast<std::size_t>(cairo_image_surface_get_stride(c->surface));
            const int top = y0 + lowest;
            spreadDown([&](int x, int from, int to) {
                const int column = x0 + x;
                if (column < 0 || column >= c->width)
                    return;
                for (int row = std::max(top + from, 0), end = std::min(top + to, c->height - 1); row <= end; ++row)
                    reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(row) * stride)[column] = pixel;
            });
            cairo_surface_mark_dirty(c->surface);
            cairo_new_path(c->cr);
            drawn = true;
        } else if (room) {
            cairo_surface_flush(all);
            unsigned char* to = cairo_image_surface_get_data(all);
            const int toStride = cairo_image_surface_get_stride(all);
            spreadDown([&](int x, int from, int last) {
                for (int row = from; row <= last; ++row)
                    to[row * toStride + x] = 255;
            });
            cairo_surface_mark_dirty(all);
            cairo_save(c->cr);
            cairo_identity_matrix(c->cr);
            cairo_new_path(c->cr);
            pvquartz::SetSource(c, g.stroke);
            pvquartz::WillPaint(c);
            cairo_mask_surface(c->cr, all, x0, y0 + lowest);
            cairo_restore(c->cr);
            cairo_new_path(c->cr);
            drawn = true;
        }
    }
    cairo_surface_destroy(one);
    if (all)
        cairo_surface_destroy(all);
    return drawn;
}

// A smoothed, undashed stroke with butt ends of one open curve that bends
// gently one way (an arc of an ellipse), under a transform that keeps
// angles, without a clip or a layer: covered by area as the band between
// the curve moved out and in by half the line's width (joins mitred), and
// laid over the bitmap in the stroke's colour. False (nothing painted) for
// any other stroke, or a curve bending tighter than the half width, where
// the band's inner side would fold.
bool StrokeSmoothCurve(CGContextObject* c)
{
    const pvquartz::GState& g = c->state;
    if (!g.antialias || !g.dash.empty() || g.cap != kCGLineCapButt || g.clipped ||
        cairo_get_group_target(c->cr) != c->surface || cairo_get_operator(c->cr) != CAIRO_OPERATOR_OVER ||
        cairo_surface_get_type(c->surface) != CAIRO_SURFACE_TYPE_IMAGE ||
        cairo_image_surface_get_format(c->surface) != CAIRO_FORMAT_ARGB32)
        return false;
    cairo_matrix_t m;
    cairo_get_matrix(c->cr, &m);
    const double k2 = m.xx * m.xx + m.yx * m.yx;
    if (std::fabs(m.xx * m.xy + m.yx * m.yy) > 1e-9 * k2 ||
        std::fabs(m.xy * m.xy + m.yy * m.yy - k2) > 1e-9 * k2 || !(k2 > 0.0))
        return false;
    const double half = g.lineWidth * std::sqrt(k2) * 0.5;
    if (!(half > 0.0) || !std::isfinite(half))
        return false;
    // What the path is made of: a curve's flattened ends lean from it, a
    // polyline's joins are its own.
    bool curveFirst = false, curveLast = false, lines = false;
    {
        cairo_path_t* shape = cairo_copy_path(c->cr);
        if (shape->status != CAIRO_STATUS_SUCCESS) {
            cairo_path_destroy(shape);
            return false;
        }
        // (A line to where the path already is, as a move to an arc's start
        // leaves, is no segment.)
        bool segments = false;
        double atX = 0.0, atY = 0.0;
        for (int i = 0; i < shape->num_data; i += shape->data[i].header.length) {
            const cairo_path_data_t* d = shape->data + i;
            const cairo_path_data_type_t type = d->header.type;
            const cairo_path_data_t& to = d[d->header.length - 1];
            const bool still = type == CAIRO_PATH_LINE_TO &&
                               std::fabs(to.point.x - atX) + std::fabs(to.point.y - atY) <=
                                   1e-9 * (1.0 + std::fabs(atX) + std::fabs(atY));
            if (type != CAIRO_PATH_CLOSE_PATH) {
                atX = to.point.x;
                atY = to.point.y;
            }
            if (i == 0 || still)
                continue;
            curveFirst = segments ? curveFirst : type == CAIRO_PATH_CURVE_TO;
            segments = true;
            curveLast = type == CAIRO_PATH_CURVE_TO;
            lines = lines || type == CAIRO_PATH_LINE_TO;
        }
        cairo_path_destroy(shape);
    }
    if (lines && g.join != kCGLineJoinMiter)
        return false;
    // The curve on the picture, as cairo flattens it: one move, then lines.
    cairo_path_t* path = PicturePath(c->cr, true);
    std::vector<double> xy;
    bool ok = path->status == CAIRO_STATUS_SUCCESS && path->num_data > 0 &&
              path->data[0].header.type == CAIRO_PATH_MOVE_TO;
    try {
        for (int i = 0; ok && i < path->num_data; i += path->data[i].header.length) {
            const cairo_path_data_t& d = path->data[i];
            ok = i == 0 || d.header.type == CAIRO_PATH_LINE_TO;
            const double x = path->data[i + 1].point.x, y = path->data[i + 1].point.y;
            if (ok && (xy.empty() || x != xy[xy.size() - 2] || y != xy.back())) {
                xy.push_back(x);
                xy.push_back(y);
            }
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    cairo_path_destroy(path);
    const std::size_t n = xy.size() / 2;
    if (!ok || n < 2)
        return false;
    // Every turn one way, none sharp, at most a whole turn in all; and the
    // curve bends less than the half width at every point.
    std::vector<double> normals(2 * (n - 1));
    double turned = 0.0, sign = 0.0, firstTurn = 0.0, lastTurn = 0.0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const double dx = xy[2 * i + 2] - xy[2 * i], dy = xy[2 * i + 3] - xy[2 * i + 1];
        const double length = std::hypot(dx, dy);
        normals[2 * i] = -dy / length;
        normals[2 * i + 1] = dx / length;
        if (i == 0)
            continue;
        const double px = normals[2 * i - 1], py = -normals[2 * i - 2];   // the last segment's direction
        const double turn = std::atan2(px * (dy / length) - py * (dx / length), px * (dx / length) + py * (dy / length));
        const double before = std::hypot(xy[2 * i] - xy[2 * i - 2], xy[2 * i + 1] - xy[2 * i - 1]);
        if (turn != 0.0) {
            if (sign * turn < 0.0 || std::fabs(turn) > 0.35 ||
                std::min(before, length) < (half + 0.5) * 1.5 * std::fabs(turn))
                return false;
            sign = turn;
        }
        turned += std::fabs(turn);
        if (i == 1)
            firstTurn = turn;
        lastTurn = turn;
    }
    if (turned > 2.0 * M_PI + 1e-9)
        return false;
    // The ends of a curve square to it, not to their chords: a chord of an
    // arc leans half a turn from the curve at either end.
    const auto rotated = [&normals](std::size_t at, double angle, double* to) {
        const double c = std::cos(angle), sn = std::sin(angle);
        to[0] = normals[at] * c - normals[at + 1] * sn;
        to[1] = normals[at] * sn + normals[at + 1] * c;
    };
    double ends[4];
    rotated(0, curveFirst ? -0.5 * firstTurn : 0.0, ends);
    rotated(2 * (n - 2), curveLast ? 0.5 * lastTurn : 0.0, ends + 2);
    // The band: out along the curve, back along its inner side.
    const double* rgba = g.stroke;
    const std::uint32_t ink = SolidPixel(c, rgba[0], rgba[1], rgba[2], rgba[3] * g.alpha);
    pvcommon::raster::Polygons band;
    try {
        band.xy.resize(4 * n);
        band.starts.push_back(0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::vector<double>& points = band.xy;
    for (std::size_t i = 0; i < n; ++i) {
        // The mitre at a joint: the mean of the two normals, lengthened.
        double nx = 0.0, ny = 0.0;
        if (i == 0 || i + 1 == n) {
            nx = ends[i == 0 ? 0 : 2];
            ny = ends[i == 0 ? 1 : 3];
        } else {
            nx = normals[2 * i - 2] + normals[2 * i];
            ny = normals[2 * i - 1] + normals[2 * i + 1];
        }
        const double along = std::hypot(nx, ny);
        const double cosHalf = i > 0 && i + 1 < n ? along * 0.5 : 1.0;
        const double reach = half / cosHalf / along;
        const double px = xy[2 * i], py = xy[2 * i + 1];
        points[2 * i] = px + nx * reach;
        points[2 * i + 1] = py + ny * reach;
        points[4 * n - 2 - 2 * i] = px - nx * reach;
        points[4 * n - 1 - 2 * i] = py - ny * reach;
    }
    return c->area.CoverThen(band, c->width, c->height, [c, ink] {
        pvquartz::WillPaint(c);
        cairo_surface_flush(c->surface);
        pvcommon::raster::LayRuns(c->area, cairo_image_surface_get_data(c->surface),
                                  static_cast<std::size_t>(cairo_image_surface_get_stride(c->surface)),
                                  [ink](int) { return ink; });
        cairo_surface_mark_dirty(c->surface);
        return true;
    });
}

void StrokeCurrent(CGContextObject* c, bool keep)
{
    if (!c)
        return;
    if (pvquartz::Recording::Active())
        pvquartz::Log("StrokePath " + pvquartz::StrokeText(c) + " path=" + pvquartz::PathText(c) +
                      pvquartz::StateText(c));
    if (!keep && StrokeStepStack(c)) {
        pvquartz::PathClear(c);
        return;
    }
    pvquartz::HandOverPath(c);
    if (!keep && (StrokeDashedAxisLine(c) || StrokeRowStack(c) || StrokeSmoothCurve(c))) {
        pvquartz::PathClear(c);
        return;
    }
    if (!keep)
        ThinPolylines(c);
    pvquartz::ApplyStroke(c);
    if (keep) {
        pvquartz::WillPaint(c);
        cairo_stroke_preserve(c->cr);
    } else {
        pvquartz::WillPaint(c);
        cairo_stroke(c->cr);
        pvquartz::PathClear(c);
    }
}
void Rectangle(CGContextObject* c, CGRect r)
{
    cairo_rectangle(c->cr, r.origin.x, r.origin.y, r.size.width, r.size.height);
    if (pvquartz::Recording::Active()) {
        const double x0 = r.origin.x, y0 = r.origin.y;
        const double x1 = x0 + r.size.width, y1 = y0 + r.size.height;
        pvquartz::PathMove(c, x0, y0);
        pvquartz::PathLine(c, x1, y0);
        pvquartz::PathLine(c, x1, y1);
        pvquartz::PathLine(c, x0, y1);
        pvquartz::PathAdd(c, "Z");
        // cairo's rectangle leaves the current point at its start.
        double x = x0, y = y0;
        cairo_user_to_device(c->cr, &x, &y);
        c->path.currentX = x;
        c->path.currentY = y;
    }
}
} // namespace

namespace {

// An opaque linear gradient through a coverage onto the bitmap, each
// covered pixel's colour worked out straight from its place along the
// gradient, as pixman's does (at the pixel's centre, channels in single
// precision, rounded to the nearest level). pixman's general gradient fetch
// costs several times the rest of a pie's drawing. The coverage comes as
// runs: runs(box, paint) calls box(x0, y0, x1, y1) with the pixels the
// runs lie in, then paint(y, x0, x1, level) for every run of pixels
// [x0, x1) of row y covered at that level (1 to 255), on the bitmap, and is
// false (having painted nothing) when it cannot. False (nothing painted)
// where the result would not be the same: a layer open, translucent stops,
// a bitmap of another kind, runs that cannot be had.
template <class Runs>
bool GradientThrough(CGContextObject* c, Runs runs, const std::vector<CGGradientObject::Stop>& stops,
                     CGPoint start, CGPoint end, bool before, bool after)
{
    if (stops.empty() || cairo_get_group_target(c->cr) != c->surface ||
        cairo_get_operator(c->cr) != CAIRO_OPERATOR_OVER ||
        cairo_surface_get_type(c->surface) != CAIRO_SURFACE_TYPE_IMAGE)
        return false;
    const cairo_format_t format = cairo_image_surface_get_format(c->surface);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24)
        return false;
    for (const auto& stop : stops)
        if (stop.rgba[3] * c->state.alpha < 1.0)
            return false;
    // The place along the gradient of a point on the picture: affine in it.
    const double gx = end.x - start.x, gy = end.y - start.y;
    const double g2 = gx * gx + gy * gy;
    if (!(g2 > 0.0) || !std::isfinite(g2))
        return false;
    double ox = 0, oy = 0, xx = 1, xy = 0, yx = 0, yy = 1;
    cairo_device_to_user(c->cr, &ox, &oy);
    cairo_device_to_user(c->cr, &xx, &xy);
    cairo_device_to_user(c->cr, &yx, &yy);
    const double along0 = ((ox - start.x) * gx + (oy - start.y) * gy) / g2;
    const double alongX = ((xx - ox) * gx + (xy - oy) * gy) / g2;
    const double alongY = ((yx - ox) * gx + (yy - oy) * gy) / g2;
    if (!std::isfinite(along0) || !std::isfinite(alongX) || !std::isfinite(alongY))
        return false;

    // The colours along the gradient from its first stop to its last, as
    // pixman works them out (channels in single precision, rounded to the
    // nearest level), in steps of at most a quarter of a level and two to a
    // pixel's move along it (at most 4,096 steps): a pixel takes the nearest
    // step's colour, within a level of its colour at its exact place.
    const double first = stops.front().location, last = stops.back().location;
    double slope = 0.0;   // the steepest change of a channel, in levels along the whole ramp
    for (std::size_t n = 1; n < stops.size(); ++n)
        for (int ch = 0; ch < 3; ++ch)
            if (stops[n].location > stops[n - 1].location)
                slope = std::max(slope, std::fabs(stops[n].rgba[ch] - stops[n - 1].rgba[ch]) * 255.0 *
                                            (last - first) / (stops[n].location - stops[n - 1].location));
    const double perPixel = std::hypot(alongX, alongY);
    const double wanted = std::max(4.0 * slope, 2.0 * (last - first) / std::max(perPixel, 1e-9));
    const int kSteps = static_cast<int>(std::clamp(std::ceil(wanted), 2.0, 4096.0));
    std::vector<std::uint32_t> ramp;
    try {
        ramp.resize(static_cast<std::size_t>(kSteps) + 1);
    } catch (const std::bad_alloc&) {
        return false;   // cairo paints it
    }
    auto byte = [](float v) {
        const float scaled = v * 255.0f + 0.5f;
        return static_cast<std::uint32_t>(scaled <= 0.0f ? 0.0f : scaled >= 255.0f ? 255.0f : scaled);
    };
    auto colourOf = [&](int k) {
        const double t = last > first ? first + (last - first) * k / kSteps : first;
        std::size_t n = 0;
        while (n < stops.size() && t >= stops[n].location)
            ++n;
        const auto& l = stops[n == 0 ? 0 : n - 1];
        const auto& r = stops[n == stops.size() ? n - 1 : n];
        const float w = r.location > l.location
                            ? static_cast<float>((t - l.location) / (r.location - l.location))
                            : 0.0f;
        std::uint32_t pixel = 0xFF000000u;
        for (int ch = 0; ch < 3; ++ch) {
            const float a = static_cast<float>(l.rgba[ch]), b = static_cast<float>(r.rgba[ch]);
            pixel |= byte(a + (b - a) * w) << (16 - 8 * ch);
        }
        return pixel;
    };
    // A pixel's step in the ramp, and where before or beyond it.
    const double scale = last > first ? kSteps / (last - first) : 0.0;
    // A pixel's place along the gradient, as the painting below works it out
    // for a row, for a fully covered run, and for any other pixel; each is
    // monotonic along a row and down a column.
    auto rowAlongAt = [&](int y) { return along0 + alongY * (y + 0.5) + alongX * 0.5; };
    auto runStep = [&](double rowAlong) { return (rowAlong - first) * scale + 0.5; };
    const double perPixelStep = alongX * scale;
    const double rampEnd = kSteps + 0.5;
    auto stepOfRun = [&](double u) { return !(u >= 0.5) ? 0 : u > rampEnd ? kSteps : static_cast<int>(u); };
    auto stepOfPixel = [&](double t) {
        return !(t >= first) ? 0 : t > last ? kSteps : static_cast<int>((t - first) * scale + 0.5);
    };
    // Only the steps the runs' box reaches are worked out (a slice of a pie
    // reaches a part of its gradient): the places at the box's corners,
    // worked out as the painting does, bound every place inside.
    auto box = [&](int x0, int y0, int x1, int y1) {
        int lo = kSteps, hi = 0;
        for (const int y : {y0, y1 - 1})
            for (const int x : {x0, x1 - 1}) {
                const double rowAlong = rowAlongAt(y);
                for (const int k : {stepOfRun(runStep(rowAlong) + perPixelStep * x),
                                    stepOfPixel(rowAlong + alongX * x)}) {
                    lo = std::min(lo, k);
                    hi = std::max(hi, k);
                }
            }
        for (int k = std::max(0, lo - 1), upto = std::min(kSteps, hi + 1); k <= upto; ++k)
            ramp[static_cast<std::size_t>(k)] = colourOf(k);
    };

    pvquartz::WillPaint(c);
    cairo_surface_flush(c->surface);
    unsigned char* data = cairo_image_surface_get_data(c->surface);
    const std::size_t stride = static_cast<std::size_t>(cairo_image_surface_get_stride(c->surface));
    const bool painted = runs(box, [&](int y, int x0, int x1, unsigned cover) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
        const double rowAlong = rowAlongAt(y);
        if (cover == 255 && scale > 0.0) {
            // Fully covered: the step straight from the place along the
            // ramp, in steps (a step's middle at whole numbers and a half).
            const double rowStep = runStep(rowAlong);
            for (int i = x0; i < x1; ++i) {
                const double u = rowStep + perPixelStep * i;
                if (u >= 0.5 && u <= rampEnd)
                    row[i] = ramp[static_cast<std::size_t>(u)];
                else if (u < 0.5 ? before : after)
                    row[i] = u < 0.5 ? ramp.front() : ramp.back();
            }
            return;
        }
        for (int i = x0; i < x1; ++i) {
            const double t = rowAlong + alongX * i;
            std::uint32_t colour;
            if (t < first) {
                if (!before)
                    continue;
                colour = ramp.front();
            } else if (t > last) {
                if (!after)
                    continue;
                colour = ramp.back();
            } else {
                colour = ramp[static_cast<std::size_t>((t - first) * scale + 0.5)];
            }
            // Channel by channel, two at a time: no sum passes 255.
            row[i] = cover == 255 ? colour
                                  : pvcommon::raster::ScalePixel(colour, cover) +
                                        pvcommon::raster::ScalePixel(row[i], 255 - cover);
        }
    });
    cairo_surface_mark_dirty(c->surface);
    return painted;
}

// The runs of a clip's coverage rendered by cairo into an 8-bit mask (see
// GradientThrough); none when it is not one within the bitmap.
auto MaskRuns(CGContextObject* c, cairo_pattern_t* coverage)
{
    return [c, coverage](auto&& box, auto&& paint) {
        cairo_surface_t* mask = nullptr;
        if (cairo_pattern_get_surface(coverage, &mask) != CAIRO_STATUS_SUCCESS ||
            cairo_surface_get_type(mask) != CAIRO_SURFACE_TYPE_IMAGE ||
            cairo_image_surface_get_format(mask) != CAIRO_FORMAT_A8)
            return false;
        cairo_surface_flush(mask);
        double mx = 0, my = 0;
        cairo_surface_get_device_offset(mask, &mx, &my);
        const int maskWidth = cairo_image_surface_get_width(mask);
        const int maskHeight = cairo_image_surface_get_height(mask);
        const int maskStride = cairo_image_surface_get_stride(mask);
        const unsigned char* maskData = cairo_image_surface_get_data(mask);
        const int left = static_cast<int>(std::lround(-mx)), top = static_cast<int>(std::lround(-my));
        if (!maskData || left < 0 || top < 0 || left + maskWidth > c->width || top + maskHeight > c->height)
            return false;
        if (maskWidth > 0 && maskHeight > 0)
            box(left, top, left + maskWidth, top + maskHeight);
        for (int j = 0; j < maskHeight; ++j) {
            const unsigned char* m = maskData + static_cast<std::size_t>(j) * maskStride;
            // Only between the row's first and last covered pixels, found a
            // word at a time.
            int i0 = 0, i1 = maskWidth;
            for (std::uint64_t word = 0; i0 + 8 <= i1; i0 += 8) {
                std::memcpy(&word, m + i0, sizeof(word));
                if (word)
                    break;
            }
            while (i0 < i1 && m[i0] == 0)
                ++i0;
            for (std::uint64_t word = 0; i1 - 8 >= i0; i1 -= 8) {
                std::memcpy(&word, m + i1 - 8, sizeof(word));
                if (word)
                    break;
            }
            while (i1 > i0 && m[i1 - 1] == 0)
                --i1;
            for (int i = i0; i < i1; ++i)
                if (m[i])
                    paint(top + j, left + i, left + i + 1, m[i]);
        }
        return true;
    };
}

// The runs of a clip's outline covered by area (see GradientThrough): the
// outline's rows only, without a mask over its box.
auto OutlineRuns(CGContextObject* c, const pvcommon::raster::Polygons& outline)
{
    return [c, &outline](auto&& box, auto&& paint) {
        pvcommon::raster::AreaCoverage& area = c->area;
        return area.CoverThen(outline, c->width, c->height, [&] {
            box(area.Left(), area.Top(), area.Left() + area.Width(), area.Top() + area.Height());
            area.Render(paint);
            return true;
        });
    };
}

// A move or an arc kept as a step (see HandOverPath) while the path is
// made of nothing else yet; false when it is for cairo's path now.
bool KeepStep(CGContextObject* c, bool arc, std::initializer_list<double> values, bool clockwise)
{
    if (pvquartz::Recording::Active() || (c->steps.empty() && cairo_has_current_point(c->cr))) {
        pvquartz::HandOverPath(c);
        return false;
    }
    pvquartz::PathStep step;
    step.arc = arc;
    step.clockwise = clockwise;
    std::copy(values.begin(), values.end(), step.v);
    cairo_get_matrix(c->cr, &step.m);
    try {
        c->steps.push_back(step);
    } catch (const std::bad_alloc&) {
        pvquartz::HandOverPath(c);   // and this one goes to cairo as well
        return false;
    }
    return true;
}

} // namespace

extern "C" {

CGContextRef CGContextRetain(CGContextRef c)
{
    if (c)
        CFRetain(c);
    return c;
}

void CGContextRelease(CGContextRef c)
{
    if (c)
        CFRelease(c);
}

void CGContextSaveGState(CGContextRef ref)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSaveGState");
    if (!c)
        return;
    c->saved.push_back(c->state);
    c->saved.back().layer = false;
    cairo_save(c->cr);
}

void CGContextRestoreGState(CGContextRef ref)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextRestoreGState");
    if (!c)
        return;
    // A layer's begin is undone only by its end.
    if (c->saved.empty() || c->saved.back().layer)
        return;
    c->state = c->saved.back();
    c->saved.pop_back();
    cairo_restore(c->cr);
}

void CGContextTranslateCTM(CGContextRef ref, CGFloat tx, CGFloat ty)
{
    Prepend(pvquartz::ContextKeepingSteps(ref, "CGContextTranslateCTM"), CGAffineTransformMakeTranslation(tx, ty));
}

void CGContextScaleCTM(CGContextRef ref, CGFloat sx, CGFloat sy)
{
    Prepend(pvquartz::ContextKeepingSteps(ref, "CGContextScaleCTM"), CGAffineTransformMakeScale(sx, sy));
}

void CGContextRotateCTM(CGContextRef ref, CGFloat angle)
{
    Prepend(pvquartz::ContextKeepingSteps(ref, "CGContextRotateCTM"), CGAffineTransformMakeRotation(angle));
}

void CGContextConcatCTM(CGContextRef ref, CGAffineTransform transform)
{
    Prepend(pvquartz::ContextKeepingSteps(ref, "CGContextConcatCTM"), transform);
}

CGAffineTransform CGContextGetCTM(CGContextRef ref)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextGetCTM");
    if (!c)
        return CGAffineTransformIdentity;
    cairo_matrix_t m, inverse = Base(c);
    cairo_get_matrix(c->cr, &m);
    cairo_matrix_invert(&inverse);
    cairo_matrix_multiply(&m, &m, &inverse);
    return CGAffineTransform{m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
}

void CGContextSetLineWidth(CGContextRef ref, CGFloat width)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetLineWidth");
    if (!c)
        return;
    if (std::isfinite(width))
        c->state.lineWidth = width < 0.0 ? 0.0 : width;
}

void CGContextSetLineCap(CGContextRef ref, CGLineCap cap)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetLineCap");
    if (!c)
        return;
    if (cap >= kCGLineCapButt && cap <= kCGLineCapSquare)
        c->state.cap = cap;
}

void CGContextSetLineJoin(CGContextRef ref, CGLineJoin join)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetLineJoin");
    if (!c)
        return;
    if (join >= kCGLineJoinMiter && join <= kCGLineJoinBevel)
        c->state.join = join;
}
void CGContextSetLineDash(CGContextRef ref, CGFloat phase, const CGFloat* lengths, size_t count)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetLineDash");
    if (!c)
        return;
    c->state.dash.clear();
    c->state.phase = 0.0;
    if (!lengths || count == 0)
        return;
    double total = 0.0;
    for (size_t i = 0; i < count; ++i) {
        if (!(lengths[i] >= 0.0) || !std::isfinite(lengths[i]))
            return;   // a pattern with a negative length is refused: solid
        total += lengths[i];
    }
    if (total <= 0.0)
        return;
    c->state.dash.assign(lengths, lengths + count);
    c->state.phase = std::isfinite(phase) ? phase : 0.0;
}

void CGContextSetShouldAntialias(CGContextRef ref, bool shouldAntialias)
{
    if (CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetShouldAntialias"))
        c->state.antialias = shouldAntialias;
}

void CGContextSetAlpha(CGContextRef ref, CGFloat alpha)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetAlpha");
    if (!c)
        return;
    if (std::isfinite(alpha))
        c->state.alpha = std::min(1.0, std::max(0.0, alpha));
}

void CGContextSetFillColorWithColor(CGContextRef ref, CGColorRef color)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetFillColorWithColor");
    if (!c)
        return;
    if (!color)
        return;
    auto* col = pvcf::As<CGColorObject>(color, pvquartz::kColorType, "CGContextSetFillColorWithColor");
    std::copy(col->rgba, col->rgba + 4, c->state.fill);
}

void CGContextSetStrokeColorWithColor(CGContextRef ref, CGColorRef color)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetStrokeColorWithColor");
    if (!c)
        return;
    if (!color)
        return;
    auto* col =
        pvcf::As<CGColorObject>(color, pvquartz::kColorType, "CGContextSetStrokeColorWithColor");
    std::copy(col->rgba, col->rgba + 4, c->state.stroke);
}

void CGContextSetRGBFillColor(CGContextRef ref, CGFloat red, CGFloat green, CGFloat blue,
                              CGFloat alpha)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetRGBFillColor");
    if (!c)
        return;
    CGColorRef color = CGColorCreateGenericRGB(red, green, blue, alpha);
    CGContextSetFillColorWithColor(c, color);
    CGColorRelease(color);
}

void CGContextSetRGBStrokeColor(CGContextRef ref, CGFloat red, CGFloat green, CGFloat blue,
                                CGFloat alpha)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetRGBStrokeColor");
    if (!c)
        return;
    CGColorRef color = CGColorCreateGenericRGB(red, green, blue, alpha);
    CGContextSetStrokeColorWithColor(c, color);
    CGColorRelease(color);
}

// --- paths ---------------------------------------------------------------------------

void CGContextBeginPath(CGContextRef ref)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextBeginPath");
    if (!c)
        return;
    c->steps.clear();
    cairo_new_path(c->cr);
    pvquartz::PathClear(c);
}

void CGContextMoveToPoint(CGContextRef ref, CGFloat x, CGFloat y)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextMoveToPoint");
    if (!c)
        return;
    if (!pvquartz::Finite({x, y}))
        return;
    if (KeepStep(c, false, {x, y, 0.0, 0.0, 0.0}, false))
        return;
    cairo_move_to(c->cr, x, y);
    if (pvquartz::Recording::Active())
        pvquartz::PathMove(c, x, y);
}

void CGContextAddLineToPoint(CGContextRef ref, CGFloat x, CGFloat y)
{
    CGContextObject* c = Context(ref, "CGContextAddLineToPoint");
    if (!c)
        return;
    // Quartz ignores (with a message) a line without a current point.
    if (!pvquartz::Finite({x, y}) || !cairo_has_current_point(c->cr))
        return;
    cairo_line_to(c->cr, x, y);
    if (pvquartz::Recording::Active())
        pvquartz::PathLine(c, x, y);
}
void CGContextAddArc(CGContextRef ref, CGFloat x, CGFloat y, CGFloat radius, CGFloat startAngle,
                     CGFloat endAngle, int clockwise)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextAddArc");
    if (!c)
        return;
    if (!pvquartz::Finite({x, y, radius, startAngle, endAngle}))
        return;
    radius = std::fabs(radius);
    if (KeepStep(c, true, {x, y, radius, startAngle, endAngle}, clockwise != 0))
        return;
    if (!pvquartz::Recording::Active()) {
        if (clockwise)
            cairo_arc_negative(c->cr, x, y, radius, startAngle, endAngle);
        else
            cairo_arc(c->cr, x, y, radius, startAngle, endAngle);
        return;
    }
    cairo_matrix_t m;
    cairo_get_matrix(c->cr, &m);
    const double sx = x + radius * std::cos(startAngle), sy = y + radius * std::sin(startAngle);
    double dx = sx, dy = sy;
    cairo_user_to_device(c->cr, &dx, &dy);
    const bool hadCurrent = c->path.hasCurrent;
    const bool axisAligned = m.xy == 0.0 && m.yx == 0.0;
    cairo_path_t* before = axisAligned ? nullptr : cairo_copy_path(c->cr);
    if (clockwise)
        cairo_arc_negative(c->cr, x, y, radius, startAngle, endAngle);
    else
        cairo_arc(c->cr, x, y, radius, startAngle, endAngle);
    if (hadCurrent && (pvquartz::Num(dx) != pvquartz::Num(c->path.currentX) ||
                       pvquartz::Num(dy) != pvquartz::Num(c->path.currentY)))
        pvquartz::PathAdd(c, "L" + pvquartz::PointText(dx, dy));
    if (axisAligned) {
        double cx = x, cy = y;
        cairo_user_to_device(c->cr, &cx, &cy);
        double a0 = startAngle * 180.0 / pvquartz::kPi, a1 = endAngle * 180.0 / pvquartz::kPi;
        bool up = !clockwise;
        if (m.xx < 0.0) {
            a0 = 180.0 - a0;
            a1 = 180.0 - a1;
            up = !up;
        }
        if (m.yy < 0.0) {
            a0 = -a0;
            a1 = -a1;
            up = !up;
        }
        pvquartz::PathAdd(c, "A(" + pvquartz::Num(cx) + "," + pvquartz::Num(cy) + "," +
                                 pvquartz::Num(std::fabs(m.xx) * radius) + "," +
                                 pvquartz::Num(std::fabs(m.yy) * radius) + "," +
                                 pvquartz::Num(a0) + "," + pvquartz::Num(a1) + "," +
                                 (up ? "+" : "-") + ")");
    } else {
        cairo_path_t* after = cairo_copy_path(c->cr);
        int skip = before ? before->num_data : 0;
        for (int i = skip; i < after->num_data; i += after->data[i].header.length) {
            const cairo_path_data_t& d = after->data[i];
            if (d.header.type != CAIRO_PATH_CURVE_TO)
                continue;
            double p[6];
            for (int k = 0; k < 3; ++k) {
                p[2 * k] = after->data[i + 1 + k].point.x;
                p[2 * k + 1] = after->data[i + 1 + k].point.y;
                cairo_user_to_device(c->cr, &p[2 * k], &p[2 * k + 1]);
            }
            std::string e = "C(";
            for (int k = 0; k < 6; ++k)
                e += (k ? "," : "") + pvquartz::Num(p[k]);
            pvquartz::PathAdd(c, e + ")");
        }
        cairo_path_destroy(after);
    }
    if (before)
        cairo_path_destroy(before);
    double ex = x + radius * std::cos(endAngle), ey = y + radius * std::sin(endAngle);
    cairo_user_to_device(c->cr, &ex, &ey);
    c->path.hasCurrent = true;
    c->path.currentX = ex;
    c->path.currentY = ey;
}

void CGContextAddRect(CGContextRef ref, CGRect rect)
{
    CGContextObject* c = Context(ref, "CGContextAddRect");
    if (!c)
        return;
    if (!pvquartz::Finite({rect.origin.x, rect.origin.y, rect.size.width, rect.size.height}))
        return;
    Rectangle(c, rect);
}
void CGContextClosePath(CGContextRef ref)
{
    CGContextObject* c = Context(ref, "CGContextClosePath");
    if (!c)
        return;
    if (!cairo_has_current_point(c->cr))
        return;
    cairo_close_path(c->cr);
    if (pvquartz::Recording::Active())
        pvquartz::PathAdd(c, "Z");
}
// --- painting ------------------------------------------------------------------------------

void CGContextFillPath(CGContextRef ref) { FillCurrent(Context(ref, "CGContextFillPath")); }
void CGContextStrokePath(CGContextRef ref)
{
    StrokeCurrent(pvquartz::ContextKeepingSteps(ref, "CGContextStrokePath"), false);
}
void CGContextClip(CGContextRef ref)
{
    CGContextObject* c = Context(ref, "CGContextClip");
    if (!c)
        return;
    pvquartz::Log("Clip rule=winding path=" + pvquartz::PathText(c));
    // The first clip, when shaped, is kept as its outline too: a gradient
    // painted through it covers the outline by area (see GradientThrough).
    c->state.clipOutline = nullptr;
    if (!UprightRectangle(c->cr)) {
        // cairo clips to the outline anti-aliased or not as painting is now.
        if (!c->state.clipped && cairo_get_antialias(c->cr) != CAIRO_ANTIALIAS_NONE)
            c->state.clipOutline = FlatOutline(c->cr);
        c->state.shapedClip = true;
    }
    c->state.clipped = true;
    cairo_set_fill_rule(c->cr, CAIRO_FILL_RULE_WINDING);
    cairo_clip(c->cr);
    pvquartz::PathClear(c);
}
void CGContextClipToRect(CGContextRef ref, CGRect rect)
{
    CGContextObject* c = Context(ref, "CGContextClipToRect");
    if (!c)
        return;
    // The current path stays as it was.
    cairo_path_t* path = cairo_copy_path(c->cr);
    pvquartz::RecordedPath saved = c->path;
    cairo_new_path(c->cr);
    pvquartz::PathClear(c);
    Rectangle(c, rect);
    CGContextClip(c);
    cairo_append_path(c->cr, path);
    cairo_path_destroy(path);
    c->path = saved;
}

void CGContextFillRect(CGContextRef ref, CGRect rect)
{
    CGContextObject* c = Context(ref, "CGContextFillRect");
    if (!c)
        return;
    if (!pvquartz::Finite({rect.origin.x, rect.origin.y, rect.size.width, rect.size.height}))
        return;
    if (pvquartz::Recording::Active())
        pvquartz::Log("FillRect color=" + pvquartz::Colour(c->state.fill) +
                      " rect=" + pvquartz::DeviceRectText(c, rect) + pvquartz::StateText(c));
    // Painted as its own path: the current path stays.
    cairo_path_t* path = cairo_copy_path(c->cr);
    cairo_new_path(c->cr);
    cairo_rectangle(c->cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    pvquartz::ApplyFill(c);
    cairo_set_fill_rule(c->cr, CAIRO_FILL_RULE_WINDING);
    pvquartz::WillPaint(c);
    cairo_fill(c->cr);
    cairo_append_path(c->cr, path);
    cairo_path_destroy(path);
}
void CGContextClearRect(CGContextRef ref, CGRect rect)
{
    CGContextObject* c = Context(ref, "CGContextClearRect");
    if (!c)
        return;
    if (!pvquartz::Finite({rect.origin.x, rect.origin.y, rect.size.width, rect.size.height}))
        return;
    if (pvquartz::Recording::Active())
        pvquartz::Log("ClearRect rect=" + pvquartz::DeviceRectText(c, rect) + pvquartz::StateText(c));
    cairo_path_t* path = cairo_copy_path(c->cr);
    cairo_save(c->cr);
    cairo_new_path(c->cr);
    cairo_rectangle(c->cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_set_operator(c->cr, CAIRO_OPERATOR_CLEAR);
    cairo_set_antialias(c->cr, c->state.antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    pvquartz::WillPaint(c);
    cairo_fill(c->cr);
    cairo_restore(c->cr);
    cairo_append_path(c->cr, path);
    cairo_path_destroy(path);
}
void CGContextDrawLinearGradient(CGContextRef ref, CGGradientRef gradient, CGPoint startPoint,
                                 CGPoint endPoint, CGGradientDrawingOptions options)
{
    CGContextObject* c = Context(ref, "CGContextDrawLinearGradient");
    if (!c)
        return;
    if (!gradient || !pvquartz::Finite({startPoint.x, startPoint.y, endPoint.x, endPoint.y}))
        return;
    auto* g = pvcf::As<CGGradientObject>(gradient, pvquartz::kGradientType,
                                         "CGContextDrawLinearGradient");
    if (pvquartz::Recording::Active()) {
        double x0 = startPoint.x, y0 = startPoint.y, x1 = endPoint.x, y1 = endPoint.y;
        cairo_user_to_device(c->cr, &x0, &y0);
        cairo_user_to_device(c->cr, &x1, &y1);
        std::string stops;
        for (const auto& s : g->stops)
            stops += (stops.empty() ? "" : ";") + pvquartz::Num(s.location) + ":" +
                     pvquartz::Colour(s.rgba);
        pvquartz::Log("DrawLinearGradient from=" + pvquartz::PointText(x0, y0) +
                      " to=" + pvquartz::PointText(x1, y1) + " stops=" + stops +
                      " options=" + std::to_string(options) + pvquartz::StateText(c));
    }
    cairo_pattern_t* pattern =
        cairo_pattern_create_linear(startPoint.x, startPoint.y, endPoint.x, endPoint.y);
    // cairo wants the stops in order of location; equal locations keep the
    // order given.
    std::vector<CGGradientObject::Stop> stops = g->stops;
    std::stable_sort(stops.begin(), stops.end(),
                     [](const auto& a, const auto& b) { return a.location < b.location; });
    for (const auto& s : stops)
        cairo_pattern_add_color_stop_rgba(pattern, s.location, s.rgba[0], s.rgba[1], s.rgba[2],
                                          s.rgba[3] * c->state.alpha);
    const bool before = options & kCGGradientDrawsBeforeStartLocation;
    const bool after = options & kCGGradientDrawsAfterEndLocation;
    cairo_pattern_set_extend(pattern, before || after ? CAIRO_EXTEND_PAD : CAIRO_EXTEND_NONE);
    cairo_path_t* path = cairo_copy_path(c->cr);
    cairo_save(c->cr);
    cairo_new_path(c->cr);
    const double dx = endPoint.x - startPoint.x, dy = endPoint.y - startPoint.y;
    const double length = std::hypot(dx, dy);
    if (before != after && length > 0.0) {
        // Padding on one side only: clip away the half-plane beyond the
        // other end (a band far wider than any picture).
        const double ux = dx / length, uy = dy / length;
        // Far in the picture's pixels, not in the user's units: scaled up,
        // a million of those lies beyond cairo's fixed-point range and
        // the clip comes out empty.
        cairo_matrix_t m;
        cairo_get_matrix(c->cr, &m);
        const double scale = std::max(std::hypot(m.xx, m.yx), std::hypot(m.xy, m.yy));
        const double far = scale > 0.0 ? 1e5 / scale : 1e6;
        const CGPoint edge = before ? endPoint : startPoint;
        const double sign = before ? -1.0 : 1.0;
        cairo_move_to(c->cr, edge.x - uy * far, edge.y + ux * far);
        cairo_line_to(c->cr, edge.x + uy * far, edge.y - ux * far);
        cairo_line_to(c->cr, edge.x + uy * far + sign * ux * far, edge.y - ux * far + sign * uy * far);
        cairo_line_to(c->cr, edge.x - uy * far + sign * ux * far, edge.y + ux * far + sign * uy * far);
        cairo_close_path(c->cr);
        cairo_clip(c->cr);
    }
    cairo_set_antialias(c->cr, c->state.antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    if (length > 0.0) {
        pvquartz::WillPaint(c);
        // Under a shaped clip: the clip's coverage first, then the gradient
        // through it in one composite. Painting under such a clip composites
        // every span of it on its own, the gradient set up anew each time.
        if (!c->state.shapedClip) {
            cairo_set_source(c->cr, pattern);
            cairo_paint(c->cr);
        } else {
            // A clip that is one outline is covered by area, without cairo
            // (not with padding on one side only: the half-plane cut away is
            // cairo's clip).
            const auto outline = before == after ? c->state.clipOutline : nullptr;
            if (!outline || !GradientThrough(c, OutlineRuns(c, *outline), stops, startPoint, endPoint,
                                             before, after)) {
                cairo_push_group_with_content(c->cr, CAIRO_CONTENT_ALPHA);
                cairo_set_source_rgba(c->cr, 0, 0, 0, 1);
                cairo_paint(c->cr);
                cairo_pattern_t* coverage = cairo_pop_group(c->cr);
                cairo_reset_clip(c->cr);
                if (!GradientThrough(c, MaskRuns(c, coverage), stops, startPoint, endPoint, before, after)) {
                    cairo_set_source(c->cr, pattern);
                    cairo_mask(c->cr, coverage);
                }
                cairo_pattern_destroy(coverage);
            }
        }
    }
    cairo_restore(c->cr);
    cairo_pattern_destroy(pattern);
    cairo_append_path(c->cr, path);
    cairo_path_destroy(path);
}

void CGContextBeginTransparencyLayer(CGContextRef ref, CFDictionaryRef)
{
    CGContextObject* c = Context(ref, "CGContextBeginTransparencyLayer");
    if (!c)
        return;
    pvquartz::Log("BeginTransparencyLayer");
    c->saved.push_back(c->state);
    c->saved.back().layer = true;
    cairo_push_group(c->cr);
    // Inside the layer the alpha starts at 1; it applies when the layer ends.
    c->state.alpha = 1.0;
}

void CGContextEndTransparencyLayer(CGContextRef ref)
{
    CGContextObject* c = Context(ref, "CGContextEndTransparencyLayer");
    if (!c)
        return;
    auto layer = std::find_if(c->saved.rbegin(), c->saved.rend(),
                              [](const pvquartz::GState& g) { return g.layer; });
    if (layer == c->saved.rend())
        return;
    pvquartz::Log("EndTransparencyLayer");
    // Saves made inside the layer and not restored end with it.
    while (!c->saved.back().layer) {
        c->saved.pop_back();
        cairo_restore(c->cr);
    }
    c->state = c->saved.back();
    c->state.layer = false;
    c->saved.pop_back();
    cairo_pop_group_to_source(c->cr);
    pvquartz::WillPaint(c);
    cairo_paint_with_alpha(c->cr, c->state.alpha);
}
}  // extern "C"
