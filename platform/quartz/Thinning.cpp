// Long polylines thinned before cairo strokes them (see ThinPolylines).
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "platform/common/FastPaths.h"
#include "platform/common/FlatPath.h"
#include "platform/quartz/Internal.h"


namespace {

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

} // namespace

namespace pvquartz {

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

} // namespace pvquartz
