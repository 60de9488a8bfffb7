// Anti-aliased coverage of a filled outline, as the exact share of every
// pixel's area that the outline covers.
//
// Edges are accumulated into a grid of cells over a box: each edge adds, in
// every row it crosses, the signed area it leaves to its right in the cells
// it passes, so that the sum along a row up to a pixel is that pixel's
// coverage. Only the cells an edge touched are visited when the rows are
// handed out; between them the coverage is constant and goes out as one run.
// The work is bounded by the edges' length plus the runs, not by the box.
//
// Coverage is |winding|, at most full: exact for outlines that do not cross
// themselves (pies, polygons), the non-zero rule where same-direction parts
// overlap.
#ifndef PV_PLATFORM_COMMON_AREACOVERAGE_H
#define PV_PLATFORM_COMMON_AREACOVERAGE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pvcommon {
namespace raster {

// Closed polygons as runs of points: x, y of every point in `xy`, and
// where each polygon's first x lies in it (a polygon runs to the next).
struct Polygons {
    std::vector<double> xy;
    std::vector<std::size_t> starts;
};

class AreaCoverage {
public:
    enum class Covered { Nothing, Ready, Failed };
    // Begins over the polygons' box cut to the picture [0, width) x
    // [0, height) and adds every edge, each polygon closed back to its
    // start. Nothing when the box is empty; Failed (the cells left clear)
    // when the coverage cannot be had: the caller draws otherwise.
    Covered Cover(const Polygons& polygons, int width, int height);
    // Covers the polygons and, when any pixel is covered, has paint() lay
    // the coverage (by Render or LayRuns; a paint() that fails clears it).
    // True when there was nothing to cover or paint() did; false when the
    // coverage could not be had or paint() failed: the caller draws
    // otherwise.
    template <class Paint> bool CoverThen(const Polygons& polygons, int width, int height, Paint paint)
    {
        switch (Cover(polygons, width, height)) {
        case Covered::Nothing:
            return true;
        case Covered::Failed:
            return false;
        case Covered::Ready:
            break;
        }
        return paint();
    }
    // The box begun last, in device pixels.
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // The box to cover, in device pixels: [left, right) x [top, bottom).
    // False (and nothing to hand out) when its cells cannot be had.
    bool Begin(int left, int top, int right, int bottom);

    // One edge of a closed outline, in device coordinates. Parts left of
    // the box count for the rows they cross; parts above, below or right of
    // it do not show. False when the memory for it cannot be had or a
    // coordinate is not finite.
    bool Line(double x0, double y0, double x1, double y1);

    // Drops what was given since Begin (after a Line that failed).
    void Clear();

    // Hands every row's coverage out from top to bottom as runs
    // run(y, x0, x1, coverage) of one coverage (1 to 255) over [x0, x1),
    // in device pixels; pixels not covered at all are skipped. Leaves the
    // cells clear for the next Begin.
    template <class Run> void Render(Run run);

private:
    struct Touch {
        int row;
        int x0, x1;   // cells [x0, x1) of the row
    };
    void Accumulate(double x0, double y0, double x1, double y1);
    bool SortTouches();
    static unsigned Level(float sum)
    {
        const float v = sum < 0.0f ? -sum : sum;
        return v >= 1.0f ? 255u : static_cast<unsigned>(v * 255.0f + 0.5f);
    }

    static constexpr std::size_t kKeptCells = std::size_t{1} << 22;   // 16 MB
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    std::size_t stride_ = 0;   // cells a row: the box's width and two
    // Always all zero outside a Begin ... Render.
    std::vector<float> cells_;
    std::vector<Touch> touches_, sorted_;
    std::vector<int> rowStart_;   // of each row's touches in sorted_
};

template <class Run> void AreaCoverage::Render(Run run)
{
    if (!SortTouches()) {
        Clear();
        return;
    }
    for (int r = 0; r < height_; ++r) {
        float* row = cells_.data() + static_cast<std::size_t>(r) * stride_;
        const int y = top_ + r;
        float sum = 0.0f;
        int at = 0;   // cells before this are summed
        const int end = rowStart_[static_cast<std::size_t>(r) + 1];
        for (int i = rowStart_[static_cast<std::size_t>(r)]; i < end; ++i) {
            const Touch& t = sorted_[static_cast<std::size_t>(i)];
            if (t.x0 > at) {
                const unsigned level = Level(sum);
                if (level && at < width_)
                    run(y, left_ + at, left_ + (t.x0 < width_ ? t.x0 : width_), level);
                at = t.x0;
            }
            for (; at < t.x1; ++at) {
                sum += row[at];
                row[at] = 0.0f;
                const unsigned level = Level(sum);
                if (level && at < width_)
                    run(y, left_ + at, left_ + at + 1, level);
            }
        }
        if (at < width_) {
            const unsigned level = Level(sum);
            if (level)
                run(y, left_ + at, left_ + width_, level);
        }
    }
    touches_.clear();
    // Cells of a huge box are not kept for the next outline.
    if (cells_.size() > kKeptCells) {
        cells_.clear();
        cells_.shrink_to_fit();
    }
}

// x * a / 255 in every channel of a pixel, rounded as pixman does.
inline std::uint32_t ScalePixel(std::uint32_t x, std::uint32_t a)
{
    std::uint32_t rb = (x & 0xFF00FFu) * a + 0x800080u;
    rb = ((rb + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
    std::uint32_t ag = ((x >> 8) & 0xFF00FFu) * a + 0x800080u;
    ag = (ag + ((ag >> 8) & 0xFF00FFu)) & 0xFF00FF00u;
    return ag | rb;
}

// Composites the coverage's runs over rows of premultiplied 32-bit pixels,
// each run in the colour (premultiplied) colourOf(row) gives, as pixman
// composites a colour through a mask.
template <class ColourOf>
void LayRuns(AreaCoverage& area, unsigned char* pixels, std::size_t stride, ColourOf colourOf)
{
    area.Render([&](int y, int xa, int xb, unsigned level) {
        const std::uint32_t colour = colourOf(y);
        std::uint32_t* row = reinterpret_cast<std::uint32_t*>(pixels + static_cast<std::size_t>(y) * stride);
        if (level == 255 && colour >> 24 == 255) {
            std::fill(row + xa, row + xb, colour);
            return;
        }
        const std::uint32_t ink = level == 255 ? colour : ScalePixel(colour, level);
        const std::uint32_t keep = 255 - (ink >> 24);
        for (int x = xa; x < xb; ++x)
            row[x] = ink + ScalePixel(row[x], keep);
    });
}

} // namespace raster
} // namespace pvcommon

#endif
