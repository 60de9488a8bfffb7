#include "chart/engine/LinesChart.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

CLinesChart::~CLinesChart() = default;

namespace {

// A dense line (its points closer than a pixel) is stroked in pieces of at
// most this many points, each piece sharing its first segment with the
// last of the one before, so that every corner keeps its join. A line of a
// few thousand points that swings across a tall picture crosses every
// scanline thousands of times; as one path, the rasteriser sorts and
// walks all those crossings on each scanline (seconds at 32767 pixels
// high), in pieces only a piece's own. The shared segment's edge pixels are
// painted twice, a little stronger; nothing else changes.
constexpr std::size_t kDensePiece = 64;

// Which pixels of the picture later lines paint over: one bit per pixel,
// column by column.
class CCoverage {
public:
    CCoverage(std::int32_t width, std::int32_t height)
        : width_(std::max(width, 0)), height_(std::max(height, 0)),
          words_((static_cast<std::size_t>(height_) + 63) / 64),
          bits_(static_cast<std::size_t>(width_) * words_, 0)
    {
    }

    // Whether every pixel of column x from row y0 to row y1 is covered;
    // pixels outside the picture count as covered.
    bool Covered(long x, long y0, long y1) const
    {
        if (!Clip(x, y0, y1))
            return true;
        const std::uint64_t* column = &bits_[static_cast<std::size_t>(x) * words_];
        for (long y = y0; y <= y1;) {
            const long word = y / 64;
            const long end = std::min(y1, word * 64 + 63);
            const std::uint64_t mask = Mask(y - word * 64, end - word * 64);
            if ((column[word] & mask) != mask)
                return false;
            y = end + 1;
        }
        return true;
    }

    void Cover(long x, long y0, long y1)
    {
        if (!Clip(x, y0, y1))
            return;
        std::uint64_t* column = &bits_[static_cast<std::size_t>(x) * words_];
        for (long y = y0; y <= y1;) {
            const long word = y / 64;
            const long end = std::min(y1, word * 64 + 63);
            column[word] |= Mask(y - word * 64, end - word * 64);
            y = end + 1;
        }
    }

private:
    bool Clip(long x, long& y0, long& y1) const
    {
        if (x < 0 || x >= width_)
            return false;
        y0 = std::max(y0, 0L);
        y1 = std::min(y1, static_cast<long>(height_) - 1);
        return y0 <= y1;
    }
    static std::uint64_t Mask(long from, long to)
    {
        const std::uint64_t high = to == 63 ? ~std::uint64_t{0} : (std::uint64_t{1} << (to + 1)) - 1;
        return high & ~((std::uint64_t{1} << from) - 1);
    }

    long width_;
    long height_;
    std::size_t words_;
    std::vector<std::uint64_t> bits_;
};

// Calls f(column, low y, high y) with the stretch of rows that the
// polyline crosses in each pixel column from 0 to width - 1 it passes,
// column by column along it (a column may come more than once).
template <class F>
void ForColumnSpans(const std::vector<CPointF>& points, std::int32_t width, F f)
{
    const double lastColumn = static_cast<double>(width) - 1.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const CPointF& b = points[i];
        if (i == 0) {
            f(std::floor(b.x), b.y, b.y);
            continue;
        }
        const CPointF& a = points[i - 1];
        const float dx = b.x - a.x;
        if (dx == 0.0f) {
            f(std::floor(b.x), std::min(a.y, b.y), std::max(a.y, b.y));
            continue;
        }
        const float x0 = std::min(a.x, b.x);
        const float x1 = std::max(a.x, b.x);
        auto yAt = [&](float x) { return a.y + (b.y - a.y) * ((x - a.x) / dx); };
        const double from = std::max(static_cast<double>(std::floor(x0)), 0.0);
        const double to = std::min(static_cast<double>(x1), lastColumn);
        for (double column = from; column <= to; ++column) {
            const float ya = yAt(std::max(x0, static_cast<float>(column)));
            const float yb = yAt(std::min(x1, static_cast<float>(column + 1.0)));
            f(static_cast<float>(column), std::min(ya, yb), std::max(ya, yb));
        }
    }
}

} // namespace

CSimpleLinesChart::CSimpleLinesChart(std::int32_t width, std::int32_t height, std::wstring title,
                                     const CColor& background, std::int32_t historyPosition,
                                     bool jpeg, bool dotted)
    : CLinesChart(width, height, std::move(title), background, historyPosition, jpeg)
{
    depth = 0;
    seriesInset = 5;
    smooth = false;
    dots = dotted;
}

CSoftLinesChart::CSoftLinesChart(std::int32_t width, std::int32_t height, std::wstring title,
                                 const CColor& background, std::int32_t historyPosition, bool jpeg)
    : CLinesChart(width, height, std::move(title), background, historyPosition, jpeg)
{
    depth = 0;
    seriesInset = 5;
    smooth = true;
    dots = false;
}

void CLinesChart::DrawChart()
{
    const std::size_t count = CategoryCount();
    if (count == 0)
        return;
    const CRect& p = *plotRect;
    const float s = count > 1 ? std::fabs(p.right - p.left) / static_cast<float>(count - 1) : 0.0f;
    // Closer together than a pixel, a curve through the points could show
    // nothing but its overshoot at every turn: of the points in each pixel
    // column the line keeps the first, the lowest, the highest and the last,
    // in their order, joined straight, and the dots go there. The line still
    // passes every column's extent and joins the columns as before.
    const bool dense = s < 1.0f && count > 2;
    auto yOf = [&](float v) { return ToGeometry(p.bottom - ValueToHeight(v)); };

    // The categories' places, and where each pixel column's begin.
    std::vector<float> xs;
    std::vector<std::size_t> columnStarts;
    if (count > 1) {
        xs.reserve(count);
        float x = p.left;
        for (std::size_t c = 0; c < count; ++c, x += s) {
            if (dense && (c == 0 || std::floor(x) != std::floor(xs.back())))
                columnStarts.push_back(c);
            xs.push_back(x);
        }
        columnStarts.push_back(count);
    }

    auto pointsOf = [&](const CChartDataSeriesType& graph, std::vector<CPointF>& points) {
        points.clear();
        // One category, or a graph of one value: a level line across the plot.
        if (count == 1 || graph.Count() == 1) {
            const float y = yOf(ValueAt(graph, 0));
            points = {CPointF(p.left, y), CPointF(p.right, y)};
            return;
        }
        if (graph.Count() < count)
            ValueAt(graph, count - 1);   // throws
        if (!dense) {
            for (std::size_t c = 0; c < count; ++c)
                points.emplace_back(xs[c], yOf(ValueAt(graph, c)));
            return;
        }
        for (std::size_t k = 0; k + 1 < columnStarts.size(); ++k) {
            const std::size_t first = columnStarts[k];
            const std::size_t last = columnStarts[k + 1] - 1;
            const float yFirst = yOf(ValueAt(graph, first));
            std::size_t low = first, high = first;
            float yLow = yFirst, yHigh = yFirst;
            auto consider = [&](std::size_t c, float y) {
                if (y > yLow) {
                    low = c;
                    yLow = y;
                }
                if (y < yHigh) {
                    high = c;
                    yHigh = y;
                }
            };
            graph.padding.Walk(
                first + 1, last + 1,
                [&](std::size_t at, std::size_t index, std::size_t n) {
                    for (std::size_t i = 0; i < n; ++i)
                        consider(at + i, yOf(graph.values[index + i].first));
                },
                [&](std::size_t at, std::size_t) { consider(at, yOf(0.0f)); });
            const std::size_t picks[4] = {first, std::min(low, high), std::max(low, high), last};
            for (int i = 0; i < 4; ++i) {
                if (i == 0 || picks[i] != picks[i - 1])
                    points.emplace_back(xs[picks[i]], yOf(ValueAt(graph, picks[i])));
            }
        }
    };

    // Many graphs: a line that lines drawn after it would cover whole (its
    // pen's edge too) is left out, and once the lines kept hold
    // 256 points per pixel column of the plot (64 with dots), the graphs
    // before them (beneath all of those) are left out: the lines are
    // bounded by the picture, whatever the number of graphs. Soft lines
    // leave their points, so they are only bounded.
    const bool withDots = dots && count > 1;
    const float reach = withDots ? 6.0f : 3.0f;   // the pen's half width, and its edge
    const long across = static_cast<long>(reach);  // columns the pen reaches on either side
    const float core = withDots ? 2.0f : 1.5f;
    // A dot covers ten pixels a side: a quarter as many are kept.
    const std::size_t pointsPerColumn = withDots ? 64 : 256;
    const std::size_t budget =
        pointsPerColumn * (static_cast<std::size_t>(std::fabs(p.right - p.left)) + 2);
    // Without a canvas, or a second graph, nothing is painted over.
    const bool occlude = !smooth && CanvasUsable() && series.data.size() > 1;
    CCoverage coverage(occlude ? pictureWidth : 0, occlude ? pictureHeight : 0);
    struct CKept {
        std::size_t graph;
        std::vector<CPointF> points;
        std::vector<CPointF> line;
    };
    std::vector<CKept> kept;
    std::size_t held = 0;
    std::vector<CPointF> points;
    for (std::size_t g = series.data.size(); g-- > 0;) {
        const auto& graph = series.data[g];
        pointsOf(graph, points);
        if (held + points.size() > budget && !kept.empty())
            break;
        std::vector<CPointF> line = ClipToBand(points);
        if (occlude && !line.empty()) {
            // Hidden: every stretch the pen reaches, in its own column and
            // the columns on either side within the line's reach (a steep
            // stretch's pen spreads sideways), is painted over already.
            const float first = std::floor(line.front().x), last = std::floor(line.back().x);
            const long from = static_cast<long>(std::min(first, last));
            const long to = static_cast<long>(std::max(first, last));
            bool hidden = true;
            ForColumnSpans(line, pictureWidth, [&](float x, float y0, float y1) {
                const long top = static_cast<long>(std::floor(y0 - reach));
                const long bottom = static_cast<long>(std::floor(y1 + reach));
                const long c0 = std::max(static_cast<long>(x) - across, from);
                const long c1 = std::min(static_cast<long>(x) + across, to);
                for (long c = c0; hidden && c <= c1; ++c)
                    hidden = coverage.Covered(c, top, bottom);
            });
            if (hidden)
                continue;
            // The pen's core covers its own columns whole; in the end
            // columns as far as any line reaches into them, since every line
            // begins and ends at the plot's edges. The first graph covers
            // nothing that is looked at afterwards.
            if (g > 0) {
                ForColumnSpans(line, pictureWidth, [&](float x, float y0, float y1) {
                    coverage.Cover(static_cast<long>(x), static_cast<long>(std::ceil(y0 - core)),
                                   static_cast<long>(std::floor(y1 + core)) - 1);
                });
            }
        }
        held += points.size();
        kept.push_back(CKept{g, withDots ? points : std::vector<CPointF>(), std::move(line)});
    }

    // Per graph, in order: its dots, then its line over them; later graphs
    // lie over earlier ones.
    for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
        const auto& graph = series.data[it->graph];
        if (withDots && graph.Count() != 1) {
            for (const CPointF& point : it->points)
                Add<CDot>(graph.color, CPointF(point.x, ClampToBand(point.y)));
        }
        auto addLine = [&](std::vector<CPointF> points) {
            CPolygon& line = Add<CPolygon>(graph.color, std::move(points), smooth && !dense, false);
            line.width = 4.0f;
            line.smoothing = true;
        };
        if (!dense || it->line.size() <= kDensePiece) {
            addLine(std::move(it->line));
            continue;
        }
        for (std::size_t at = 0; at + 2 < it->line.size(); at += kDensePiece - 2) {
            const std::size_t end = std::min(at + kDensePiece, it->line.size());
            addLine(std::vector<CPointF>(it->line.begin() + static_cast<std::ptrdiff_t>(at),
                                         it->line.begin() + static_cast<std::ptrdiff_t>(end)));
            if (end == it->line.size())
                break;
        }
    }
}

void CLinesChart::DrawCategoryAxis()
{
    const std::size_t count = CategoryCount();
    if (count == 0)
        return;
    const CRect& p = *plotRect;

    const std::wstring firstLabel = labels.empty() ? std::wstring() : labels.front();
    const float hl = CreateDrawContext()->MeasureString(labelFontName, firstLabel, labelFontSize).height;

    if (count == 1) {
        // Right-aligned under the middle of the plot.
        Add<CText>(labelFontColor, firstLabel, labelFontName,
                   CPointF(p.left + std::fabs(p.right - p.left) * 0.5f, p.bottom + hl),
                   labelFontSize, 2)
            .angle = labelAngle;
        return;
    }

    const float s = std::fabs(p.right - p.left) / static_cast<float>(count - 1);
    float separatorColumn = -std::numeric_limits<float>::infinity();
    for (std::size_t c = 0; c + 1 < count; ++c)
        AddCategorySeparator(p.left + static_cast<float>(c + 1) * s, separatorColumn);
    // Categories closer together than a pixel: one label per pixel column,
    // the first one's (the others would be drawn over it).
    float labelColumn = -std::numeric_limits<float>::infinity();
    for (std::size_t c = 0; c < count; ++c) {
        const float x = p.left + static_cast<float>(c) * s;
        if (s < 1.0f) {
            if (std::floor(x) == labelColumn)
                continue;
            labelColumn = std::floor(x);
        }
        const std::wstring text = c < labels.size() ? labels[c] : std::wstring();
        Add<CText>(labelFontColor, text, labelFontName, CPointF(x, p.bottom + hl), labelFontSize, 1)
            .angle = labelAngle;
    }
}
