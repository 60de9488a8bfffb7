// Stacks of one figure a whole number of rows apart, stroked or filled
// without anti-aliasing, painted from the first figure's stroke or fill (see
// StrokeRowStack, FillStepStack).
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <deque>
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

// cairo fills without anti-aliasing span by span: on a row, a span (where
// the winding is not zero) runs from the pixel of its first edge to the
// pixel of its last, and spans less than a pixel apart are joined, an empty
// one (both edges in one pixel) too. So a pixel of a path is one that lies,
// with the pixel to its right, in the path's spans each grown by the pixel
// after it; and for a stack those are the grown spans of its rows' figures
// together. This gives a figure's grown spans on a row (1 where they lie)
// from cairo's fill of the figure alone (its grown spans, less the last
// pixel of each run of them) and of the figure beside itself a pixel to the
// right (its grown spans, the single pixels between two of them too): in a
// run of the latter, the pixels the figure alone leaves lie in turn in a
// grown span and between two.
void SpansOfRow(const unsigned char* alone, const unsigned char* beside, int w, unsigned char* spans)
{
    bool between = false;   // the last pixel left alone lay in a grown span
    for (int x = 0; x < w; ++x) {
        if (x % 8 == 0 && x + 8 <= w) {
            std::uint64_t a, b;
            std::memcpy(&a, alone + x, sizeof(a));
            std::memcpy(&b, beside + x, sizeof(b));
            if (a == b && (a == 0 || a == ~std::uint64_t{0})) {
                std::memset(spans + x, a ? 1 : 0, 8);
                between = false;
                x += 7;
                continue;
            }
        }
        if (alone[x]) {
            spans[x] = 1;
            between = false;
        } else if (beside[x]) {
            spans[x] = between ? 0 : 1;
            between = !between;
        } else {
            spans[x] = 0;
            between = false;
        }
    }
}

// The first of `marks` from `x` on, before `end`, that is not 0; `end` when
// there is none. The last, from `end` back to `x`, that is not 0 (one is).
int FirstMarked(const unsigned char* marks, int x, int end)
{
    for (; x + 8 <= end; x += 8) {
        std::uint64_t word;
        std::memcpy(&word, marks + x, sizeof(word));
        if (word)
            break;
    }
    while (x < end && !marks[x])
        ++x;
    return x;
}

int LastMarked(const unsigned char* marks, int x, int end)
{
    for (; end - 8 >= x; end -= 8) {
        std::uint64_t word;
        std::memcpy(&word, marks + end - 8, sizeof(word));
        if (word)
            break;
    }
    while (!marks[end - 1])
        --end;
    return end - 1;
}

// Paints the stack of the first `size` data of `path` (on the picture) down
// the rows from `lowest` to `highest`, stroked or filled (non-zero): false
// (nothing painted) when the mask it needs is too large or cannot be had.
bool PaintRowStack(CGContextObject* c, const cairo_path_t* path, int size, int lowest, int highest, bool fill)
{
    const pvquartz::GState& g = c->state;
    const double* colour = fill ? g.fill : g.stroke;
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
    const double reach = fill ? 2.0 : g.lineWidth * scale * 10.0 / 2.0 + 2.0;
    if (fill && std::isfinite(left) && std::isfinite(top)) {
        // cairo cuts a fill at the picture's sides, which turns what lies
        // beyond into edges along them, row by row alike or not: a stack
        // that reaches beyond them is left to cairo. It is cut to the rows
        // that some row of the stack moves onto the picture.
        if (left < 1.0 || right > c->width - 1.0)
            return false;
        top = std::max(top, -highest - reach);
        bottom = std::min(bottom, c->height - lowest + reach);
        if (top > bottom) {
            cairo_new_path(c->cr);
            return true;   // none of it on the picture
        }
    }
    // Masks beyond a few pictures' worth of pixels are left to the general stroke.
    if (!(std::isfinite(left) && std::isfinite(reach) &&
          (right - left + 2 * reach + 2) * (bottom - top + 2 * reach + 2 + (highest - lowest)) < 64e6))
        return false;
    const int x0 = static_cast<int>(std::floor(left - reach)), y0 = static_cast<int>(std::floor(top - reach));
    const int w = static_cast<int>(std::ceil(right + reach)) + (fill ? 1 : 0) - x0;
    const int h = static_cast<int>(std::ceil(bottom + reach)) - y0;
    const int spread = highest - lowest + 1;
    // Opaque, unclipped, straight onto the bitmap: the stack's pixels take
    // the colour's pixel, as painting it through a full mask gives; else
    // the stack is a mask painted in one go (each pixel once).
    const cairo_format_t format = cairo_surface_get_type(c->surface) == CAIRO_SURFACE_TYPE_IMAGE
                                      ? cairo_image_surface_get_format(c->surface)
                                      : CAIRO_FORMAT_INVALID;
    const bool direct = !g.clipped && colour[3] * g.alpha >= 1.0 &&
                        cairo_get_group_target(c->cr) == c->surface &&
                        cairo_get_operator(c->cr) == CAIRO_OPERATOR_OVER &&
                        (format == CAIRO_FORMAT_ARGB32 || format == CAIRO_FORMAT_RGB24);
    cairo_surface_t* one = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
    cairo_surface_t* two = fill ? cairo_image_surface_create(CAIRO_FORMAT_A8, w, h) : nullptr;
    cairo_surface_t* all = direct ? nullptr : cairo_image_surface_create(CAIRO_FORMAT_A8, w, h + spread - 1);
    bool drawn = false;
    if (cairo_surface_status(one) == CAIRO_STATUS_SUCCESS &&
        (!fill || cairo_surface_status(two) == CAIRO_STATUS_SUCCESS) &&
        (direct || cairo_surface_status(all) == CAIRO_STATUS_SUCCESS)) {
        if (fill)
            pvquartz::ApplyFill(c);
        else
            pvquartz::ApplyStroke(c);
        // The first figure at its place on the mask (moved `dx` whole
        // pixels to the right), painted as on the picture.
        auto trace = [&](cairo_t* cr, int dx) {
            const cairo_path_data_t* a = path->data;
            for (int i = 0; i < size; i += a[i].header.length) {
                auto x = [&](int k) { return a[i + k].point.x - x0 + dx; };
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
            cairo_set_tolerance(cr, cairo_get_tolerance(c->cr));
            cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
            cairo_set_source_rgba(cr, 0, 0, 0, 1);
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
        };
        cairo_t* cr = cairo_create(one);
        trace(cr, 0);
        if (fill) {
            cairo_fill(cr);
            // The figure beside itself a pixel to the right, for its spans
            // (see SpansOfRow).
            cairo_t* beside = cairo_create(two);
            trace(beside, 0);
            trace(beside, 1);
            cairo_fill(beside);
            cairo_destroy(beside);
            cairo_surface_flush(two);
        } else {
            cairo_matrix_t pen = m;
            pen.x0 = 0.0;
            pen.y0 = 0.0;
            cairo_set_matrix(cr, &pen);
            cairo_set_line_width(cr, cairo_get_line_width(c->cr));
            cairo_set_line_cap(cr, cairo_get_line_cap(c->cr));
            cairo_set_line_join(cr, cairo_get_line_join(c->cr));
            cairo_set_miter_limit(cr, cairo_get_miter_limit(c->cr));
            cairo_stroke(cr);
        }
        cairo_destroy(cr);
        cairo_surface_flush(one);
        const unsigned char* from = cairo_image_surface_get_data(one);
        const int fromStride = cairo_image_surface_get_stride(one);
        // Every painted pixel of the figure covers its column from its row
        // down `spread` rows (rows of the stack from y0 + lowest on). Each
        // column remembers how far down it is covered already, so every
        // pixel of the stack is written once; the figure (a thin curve in a
        // large box) is read a word at a time.
        std::vector<int> until, below;
        std::vector<unsigned char> spans;
        bool room = true;
        try {
            if (fill) {
                below.assign(static_cast<std::size_t>(w) + 1, -1);
                spans.assign(static_cast<std::size_t>(w), 0);
            } else {
                until.assign(static_cast<std::size_t>(w), -1);
            }
        } catch (const std::bad_alloc&) {
            room = false;   // the stack is then cairo's as it is
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
        // A filled figure is dense: its stack is swept row by row instead,
        // rows written as rows. Each column holds the last row its figure's
        // grown spans (see SpansOfRow) so far reach down to; a pixel is
        // painted where that lies at or below its row, for it and for the
        // pixel to its right.
        // Only the columns the figure's rows in reach of a row span are
        // looked at for it: the least and the most of them over the last
        // `spread` rows, kept in order as in a sliding window.
        auto sweepRows = [&](int first, int last, auto&& paint) {
            const unsigned char* besides = cairo_image_surface_get_data(two);
            int deepest = -1;
            std::deque<std::pair<int, int>> least, most;   // (row, column), the window's candidates
            for (int r = 0; r < h + spread - 1 && r <= last && (r < h || r <= deepest); ++r) {
                if (r < h) {
                    const unsigned char* beside = besides + r * fromStride;
                    const int a = FirstMarked(beside, 0, w), b = a < w ? LastMarked(beside, a, w) + 1 : a;
                    if (a < b) {
                        SpansOfRow(from + r * fromStride + a, beside + a, b - a, spans.data() + a);
                        const int lastRow = r + spread - 1;
                        int* __restrict lowestOf = below.data();
                        const unsigned char* __restrict in = spans.data();
                        for (int x = a; x < b; ++x)
                            lowestOf[x] = in[x] ? lastRow : lowestOf[x];
                        deepest = lastRow;
                        while (!least.empty() && least.back().second >= a)
                            least.pop_back();
                        least.emplace_back(r, a);
                        while (!most.empty() && most.back().second <= b)
                            most.pop_back();
                        most.emplace_back(r, b);
                    }
                }
                while (!least.empty() && least.front().first < r - spread + 1)
                    least.pop_front();
                while (!most.empty() && most.front().first < r - spread + 1)
                    most.pop_front();
                if (r >= first && !least.empty())
                    paint(r, below.data(), least.front().second, most.front().second);
            }
        };
        if (room && direct) {
            const std::uint32_t pixel = SolidPixel(c, colour[0], colour[1], colour[2], 1.0);
            pvquartz::WillPaint(c);
            cairo_surface_flush(c->surface);
            unsigned char* data = cairo_image_surface_get_data(c->surface);
            const std::size_t stride = static_cast<std::size_t>(cairo_image_surface_get_stride(c->surface));
            const int top = y0 + lowest;
            const int on = std::max(0, -x0), off = std::min(w, c->width - x0);
            if (fill)
                sweepRows(-top, c->height - 1 - top, [&](int r, const int* __restrict down, int from, int to) {
                    std::uint32_t* __restrict out =
                        reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(top + r) * stride) + x0;
                    for (int x = std::max(on, from), end = std::min(off, to); x < end; ++x)
                        out[x] = std::min(down[x], down[x + 1]) >= r ? pixel : out[x];
                });
            else
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
            if (fill)
                sweepRows(0, h + spread - 2, [&](int r, const int* __restrict down, int from, int end) {
                    unsigned char* __restrict out = to + r * toStride;
                    for (int x = from; x < end; ++x)
                        out[x] = std::min(down[x], down[x + 1]) >= r ? 255 : 0;
                });
            else
                spreadDown([&](int x, int from, int last) {
                    for (int row = from; row <= last; ++row)
                        to[row * toStride + x] = 255;
                });
            cairo_surface_mark_dirty(all);
            cairo_save(c->cr);
            cairo_identity_matrix(c->cr);
            cairo_new_path(c->cr);
            pvquartz::SetSource(c, colour);
            pvquartz::WillPaint(c);
            cairo_mask_surface(c->cr, all, x0, y0 + lowest);
            cairo_restore(c->cr);
            cairo_new_path(c->cr);
            drawn = true;
        }
    }
    cairo_surface_destroy(one);
    if (two)
        cairo_surface_destroy(two);
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
    ok = ok && RowsOfStack(shifts, &lowest, &highest) && PaintRowStack(c, path, size, lowest, highest, false);
    cairo_path_destroy(path);
    return ok;
}

} // namespace pvquartz

namespace {

// The figures of a stack still in steps (see HandOverPath): each starts
// with a move and is the first one's steps, the same under transforms that
// differ only by whole rows down the picture (a close under any). The
// first figure's steps when the steps are such a stack, with each figure's
// rows below the first in `shifts`; 0 for any other path.
std::size_t StepFigures(const std::vector<pvquartz::PathStep>& steps, std::vector<int>& shifts)
{
    using pvquartz::PathStep;
    std::size_t size = 1;
    while (size < steps.size() && steps[size].kind != PathStep::kMove)
        ++size;
    if (steps.empty() || steps[0].kind != PathStep::kMove || steps.size() % size != 0 ||
        steps.size() / size < static_cast<std::size_t>(kStackFrom))
        return 0;
    const cairo_matrix_t& first = steps[0].m;
    for (std::size_t f = 0; f < steps.size(); f += size) {
        const cairo_matrix_t& at = steps[f].m;
        for (std::size_t i = 0; i < size; ++i) {
            const PathStep& a = steps[i];
            const PathStep& b = steps[f + i];
            if (a.kind != b.kind || a.clockwise != b.clockwise || !std::equal(a.v, a.v + 5, b.v))
                return 0;
            const cairo_matrix_t& m = b.m;
            if (b.kind != PathStep::kClose &&
                (m.xx != first.xx || m.yx != first.yx || m.xy != first.xy || m.yy != first.yy ||
                 m.x0 != first.x0 || m.y0 != at.y0 || (f == 0 && m.y0 != first.y0)))
                return 0;
        }
        const double dy = at.y0 - first.y0;
        if (dy != std::floor(dy) || std::fabs(dy) > 1e6 || first.y0 + dy != at.y0)
            return 0;
        shifts.push_back(static_cast<int>(dy));
    }
    return size;
}

// Hands the first figure of a step stack to cairo and paints the stack
// from it; false (the other figures still kept, so that the general path
// takes the whole, nothing painted) when it cannot be painted so. cairo
// would make of each figure the first one's points moved by its rows: the
// points are the same sums of the same terms, plus a whole number (but for
// a point within a rounding error of halfway between two 256ths of a
// pixel, on rows past a power of two, which may round to the other one).
bool PaintStepStack(CGContextObject* c, std::size_t size, std::vector<int>& shifts, bool fill)
{
    int lowest = 0, highest = 0;
    if (!RowsOfStack(shifts, &lowest, &highest))
        return false;
    pvquartz::HandOverPath(c, size);
    cairo_path_t* path = PicturePath(c->cr, false);
    const bool drawn = path->status == CAIRO_STATUS_SUCCESS && path->num_data > 0 &&
                       PaintRowStack(c, path, path->num_data, lowest, highest, fill);
    cairo_path_destroy(path);
    if (drawn)
        c->steps.clear();
    return drawn;
}

} // namespace

namespace pvquartz {

// A stack of a move and an arc a row, stroked.
bool StrokeStepStack(CGContextObject* c)
{
    const pvquartz::GState& g = c->state;
    if (g.antialias || !g.dash.empty() || !(g.lineWidth > 0.0))
        return false;
    std::vector<int> shifts;
    const std::size_t size = StepFigures(c->steps, shifts);
    return size == 2 && c->steps[1].kind == PathStep::kArc && PaintStepStack(c, size, shifts, false);
}

// A stack of closed wedges (a move to the centre, an arc, closes: a pie's
// side filled), filled with the non-zero rule. A wedge of at most a turn
// winds one way only, so where the whole path winds is where some row's
// wedge does, and the stack is painted from the first wedge's spans (see
// SpansOfRow). (The turns of a longer arc, flattened apart, or a figure
// from elsewhere to its arc, can wind either way.)
bool FillStepStack(CGContextObject* c)
{
    // A clip would cut each row's wedge before it is covered.
    if (c->state.antialias || c->state.clipped)
        return false;
    std::vector<int> shifts;
    const std::size_t size = StepFigures(c->steps, shifts);
    constexpr double kTurn = 6.283185307179586;
    return size >= 3 && c->steps[1].kind == PathStep::kArc &&
           c->steps[0].v[0] == c->steps[1].v[0] && c->steps[0].v[1] == c->steps[1].v[1] &&
           std::fabs(c->steps[1].v[4] - c->steps[1].v[3]) <= kTurn + 1e-3 &&
           std::all_of(c->steps.begin() + 2, c->steps.begin() + static_cast<std::ptrdiff_t>(size),
                       [](const PathStep& s) { return s.kind == PathStep::kClose; }) &&
           PaintStepStack(c, size, shifts, true);
}

} // namespace pvquartz
