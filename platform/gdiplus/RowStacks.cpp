// Arcs and pies stacked a row apart, painted in one pass (see
// Graphics::Impl::StackAliased).
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

} // namespace

bool Graphics::Impl::StackAliased(const Pen* pen, const Brush* brush, REAL x, REAL y,
                                  REAL width, REAL height, REAL start, REAL sweep, INT rows)
{
    if (!pvcommon::raster::FastPaths() || smoothing == SmoothingModeHighQuality || !IsIdentity())
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

} // namespace Gdiplus
