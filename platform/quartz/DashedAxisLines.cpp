// Dashed lines along a pixel axis painted from their coverage (see
// StrokeDashedAxisLine).
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

using pvquartz::SolidPixel;

namespace {

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

} // namespace

namespace pvquartz {

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
        // The mask covers the line on the picture only: a mask as long as
        // a line far beyond it could not be made (cairo's images end at
        // 32767 pixels a side), and nothing would be painted.
        const double along1 = horizontal ? c->width : c->height, across1 = horizontal ? c->height : c->width;
        const int a0 = static_cast<int>(std::floor(std::max(on.front().first, 0.0)));
        const int a1 = static_cast<int>(std::ceil(std::min(on.back().second, along1)));
        const int c0 = static_cast<int>(std::floor(std::max(lo, 0.0)));
        const int c1 = static_cast<int>(std::ceil(std::min(hi, across1)));
        if (a1 <= a0 || c1 <= c0) {
            cairo_restore(c->cr);
            cairo_new_path(c->cr);
            return true;
        }
        std::vector<double> along(static_cast<std::size_t>(a1 - a0), 0.0);
        for (const auto& d : on)
            for (int p = static_cast<int>(std::floor(std::max(d.first, static_cast<double>(a0)))); p < d.second && p < a1; ++p)
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

} // namespace pvquartz
