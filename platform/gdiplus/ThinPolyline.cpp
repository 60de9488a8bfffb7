// Polylines thinned before stroking: the points that add nothing one can
// see are left out of the path cairo strokes.
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

} // namespace Gdiplus
