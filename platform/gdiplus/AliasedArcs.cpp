// Thin aliased arcs as the band between two ellipses, rasterised on their
// own (see ArcCache).
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

} // namespace

namespace detail {

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

// The pixel runs of the thin aliased stroke of an elliptic arc (see ArcCache),
// relative to the whole pixel at or above and left of (x, y), in the cache;
// false when the arc is too thin, too wide or the pen too broad for it.
bool ArcBandSpans(ArcCache& cache, double x, double y, double w, double h, double start,
                  double sweep, double penWidth)
{
    const double a = w * 0.5, b = h * 0.5, half = penWidth * 0.5;
    // Pens thinner than a quarter pixel set the pixels whose centre lies
    // within a few twentieths of a pixel of the curve, too few to follow it:
    // left to cairo, as lines are.
    if (!(penWidth >= 0.25 && penWidth <= 4.0) || a - half < 2.0 || b - half < 2.0 ||
        w > kMaxAliasedArc || h > kMaxAliasedArc)
        return false;
    // Where an ellipse bends unevenly, the band between the ellipses moved
    // out and in is thinner than the pen: across it, by the factor
    // 2 sqrt(k) / (k + 1) at most, k the ratio of the axes. Only as long as
    // that keeps within the twentieth of a pixel.
    const double k = std::max(a, b) / std::min(a, b);
    if (half * (1.0 - 2.0 * std::sqrt(k) / (k + 1.0)) > 0.05)
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

} // namespace detail

} // namespace Gdiplus
