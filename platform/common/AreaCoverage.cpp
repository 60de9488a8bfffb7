#include "platform/common/AreaCoverage.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <new>

namespace pvcommon {
namespace raster {

bool AreaCoverage::Begin(int left, int top, int right, int bottom)
{
    touches_.clear();
    left_ = left;
    top_ = top;
    const long long width = static_cast<long long>(right) - left, height = static_cast<long long>(bottom) - top;
    width_ = height_ = 0;
    stride_ = 2;
    if (width >= std::numeric_limits<int>::max() - 2 || height >= std::numeric_limits<int>::max())
        return false;
    try {
        const std::size_t stride = static_cast<std::size_t>(std::max(0LL, width)) + 2;
        const std::size_t rows = static_cast<std::size_t>(std::max(0LL, height));
        if (cells_.size() < stride * rows)
            cells_.resize(stride * rows, 0.0f);
        rowStart_.resize(rows + 1);
        stride_ = stride;
    } catch (const std::exception&) {   // bad_alloc, length_error
        return false;
    }
    width_ = static_cast<int>(std::max(0LL, width));
    height_ = static_cast<int>(std::max(0LL, height));
    return true;
}

AreaCoverage::Covered AreaCoverage::Cover(const Polygons& polygons, int width, int height)
{
    const std::vector<double>& xy = polygons.xy;
    double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
    for (std::size_t i = 0; i + 1 < xy.size(); i += 2) {
        x0 = std::min(x0, xy[i]);
        x1 = std::max(x1, xy[i]);
        y0 = std::min(y0, xy[i + 1]);
        y1 = std::max(y1, xy[i + 1]);
    }
    const double left = std::max(0.0, std::floor(x0)), top = std::max(0.0, std::floor(y0));
    const double right = std::min<double>(width, std::ceil(x1));
    const double bottom = std::min<double>(height, std::ceil(y1));
    if (!(left < right && top < bottom))
        return Covered::Nothing;
    bool ok = Begin(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                    static_cast<int>(bottom));
    const std::vector<std::size_t>& starts = polygons.starts;
    for (std::size_t k = 0; ok && k < starts.size(); ++k) {
        const std::size_t from = starts[k];
        const std::size_t to = k + 1 < starts.size() ? starts[k + 1] : xy.size();
        for (std::size_t i = from; ok && i + 1 < to; i += 2) {
            const std::size_t j = i + 2 < to ? i + 2 : from;
            ok = Line(xy[i], xy[i + 1], xy[j], xy[j + 1]);
        }
    }
    if (!ok) {
        Clear();
        return Covered::Failed;
    }
    return Covered::Ready;
}

void AreaCoverage::Clear()
{
    std::fill(cells_.begin(), cells_.end(), 0.0f);
    touches_.clear();
}

bool AreaCoverage::Line(double x0, double y0, double x1, double y1)
{
    x0 -= left_;
    x1 -= left_;
    y0 -= top_;
    y1 -= top_;
    const double w = width_, h = height_;
    // An edge without a place cannot be covered: the caller draws otherwise.
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
        return false;
    if (y0 == y1 || (y0 <= 0.0 && y1 <= 0.0) || (y0 >= h && y1 >= h))
        return true;
    // Split where the edge crosses the box's sides: a part left of the box
    // counts as a vertical edge on its left side (everything right of it is
    // covered); a part right of it covers nothing in the box.
    double cuts[4] = {0.0, 1.0, 1.0, 1.0};
    int count = 1;
    for (double side : {0.0, w})
        if ((x0 < side) != (x1 < side))
            cuts[count++] = (side - x0) / (x1 - x0);
    if (count == 3 && cuts[2] < cuts[1])
        std::swap(cuts[1], cuts[2]);
    try {
        for (int i = 0; i < count; ++i) {
            const double ta = cuts[i], tb = cuts[i + 1];
            if (!(tb > ta))
                continue;
            const double ax = x0 + (x1 - x0) * ta, ay = y0 + (y1 - y0) * ta;
            const double bx = i + 1 == count ? x1 : x0 + (x1 - x0) * tb;
            const double by = i + 1 == count ? y1 : y0 + (y1 - y0) * tb;
            if (ax >= w && bx >= w)
                continue;
            Accumulate(std::clamp(ax, 0.0, w), ay, std::clamp(bx, 0.0, w), by);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// In the box's coordinates, 0 <= x <= width: every row the edge crosses
// gets, in the cells under it, the area between the edge and the cell's
// right side, and the rest of the row's height it spans in the cell after.
void AreaCoverage::Accumulate(double x0, double y0, double x1, double y1)
{
    if (y0 == y1)
        return;
    double direction = 1.0;
    if (y0 > y1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
        direction = -1.0;
    }
    const double h = height_, w = width_;
    if (y1 <= 0.0 || y0 >= h)
        return;
    const double dxdy = (x1 - x0) / (y1 - y0);
    double x = y0 < 0.0 ? x0 - y0 * dxdy : x0;
    // Rows within the box only (y0 < h and y1 > 0 here): no cast of a
    // place far beyond it.
    const int first = y0 <= 0.0 ? 0 : static_cast<int>(std::floor(y0));
    const int last = y1 >= h ? height_ : static_cast<int>(std::ceil(y1));
    for (int y = first; y < last; ++y) {
        const double dy = std::min(y + 1.0, y1) - std::max(static_cast<double>(y), y0);
        const double next = x + dxdy * dy;
        const double d = dy * direction;
        const double a = std::clamp(std::min(x, next), 0.0, w);
        const double b = std::clamp(std::max(x, next), 0.0, w);
        const double aFloor = std::floor(a);
        const int ai = static_cast<int>(aFloor);
        const int bi = static_cast<int>(std::ceil(b));
        float* row = cells_.data() + static_cast<std::size_t>(y) * stride_;
        if (bi <= ai + 1) {
            // Within one cell: the share right of the edge's middle.
            const double right = 0.5 * (a + b) - aFloor;
            row[ai] += static_cast<float>(d - d * right);
            row[ai + 1] += static_cast<float>(d * right);
            touches_.push_back(Touch{y, ai, ai + 2});
        } else {
            // Across cells: a triangle in the first and the last, a
            // trapezoid of equal steps in between.
            const double s = 1.0 / (b - a);
            const double aFraction = a - aFloor;
            const double firstArea = 0.5 * s * (1.0 - aFraction) * (1.0 - aFraction);
            const double bFraction = b - (bi - 1);
            const double lastArea = 0.5 * s * bFraction * bFraction;
            row[ai] += static_cast<float>(d * firstArea);
            if (bi == ai + 2) {
                row[ai + 1] += static_cast<float>(d * (1.0 - firstArea - lastArea));
            } else {
                const double second = s * (1.5 - aFraction);
                row[ai + 1] += static_cast<float>(d * (second - firstArea));
                for (int xi = ai + 2; xi < bi - 1; ++xi)
                    row[xi] += static_cast<float>(d * s);
                const double beforeLast = second + (bi - ai - 3) * s;
                row[bi - 1] += static_cast<float>(d * (1.0 - beforeLast - lastArea));
            }
            row[bi] += static_cast<float>(d * lastArea);
            touches_.push_back(Touch{y, ai, bi + 1});
        }
        x = next;
    }
}

// The touches by row (counting), then by first cell within a row.
bool AreaCoverage::SortTouches()
{
    try {
        sorted_.resize(touches_.size());
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::fill(rowStart_.begin(), rowStart_.end(), 0);
    for (const Touch& t : touches_)
        ++rowStart_[static_cast<std::size_t>(t.row) + 1];
    for (std::size_t r = 1; r < rowStart_.size(); ++r)
        rowStart_[r] += rowStart_[r - 1];
    // Placed at each row's next free place, which leaves rowStart_[r] at
    // the start of row r + 1: moved back by one row afterwards.
    for (const Touch& t : touches_)
        sorted_[static_cast<std::size_t>(rowStart_[static_cast<std::size_t>(t.row)]++)] = t;
    for (std::size_t r = rowStart_.size() - 1; r > 0; --r)
        rowStart_[r] = rowStart_[r - 1];
    rowStart_[0] = 0;
    const auto byStart = [](const Touch& p, const Touch& q) { return p.x0 < q.x0; };
    for (std::size_t r = 0; r + 1 < rowStart_.size(); ++r)
        std::sort(sorted_.begin() + rowStart_[r], sorted_.begin() + rowStart_[r + 1], byStart);
    return true;
}

} // namespace raster
} // namespace pvcommon
