// Stacks of one figure a whole number of rows apart, stroked without
// anti-aliasing, painted from the first figure's stroke (see StrokeRowStack).
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

using pvquartz::PicturePath;
using pvquartz::SolidPixel;

namespace {

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

} // namespace

namespace pvquartz {

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

} // namespace pvquartz
