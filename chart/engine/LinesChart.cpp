#include "chart/engine/LinesChart.h"

#include <algorithm>
#include <cmath>
#include <limits>

CLinesChart::~CLinesChart() = default;

namespace {

// Points closer together than a pixel: of the points in each pixel column,
// the first, the lowest, the highest and the last, in their order. The
// line still passes every column's extent and joins the columns as before,
// and a hundred thousand values make a line of a few points per column.
std::vector<CPointF> ColumnExtremes(const std::vector<CPointF>& points)
{
    std::vector<CPointF> out;
    for (std::size_t first = 0; first < points.size();) {
        const float column = std::floor(points[first].x);
        std::size_t last = first, low = first, high = first;
        for (std::size_t i = first + 1;
             i < points.size() && std::floor(points[i].x) == column; ++i) {
            last = i;
            if (points[i].y > points[low].y)
                low = i;
            if (points[i].y < points[high].y)
                high = i;
        }
        std::size_t picks[4] = {first, std::min(low, high), std::max(low, high), last};
        for (int k = 0; k < 4; ++k) {
            if (k == 0 || picks[k] != picks[k - 1])
                out.push_back(points[picks[k]]);
        }
        first = last + 1;
    }
    return out;
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

    for (const auto& graph : series.data) {
        std::vector<CPointF> points;
        // One category, or a graph of one value: a level line across the plot.
        if (count == 1 || graph.values.size() == 1) {
            const float y = ToGeometry(p.bottom - ValueToHeight(ValueAt(graph, 0)));
            points = {CPointF(p.left, y), CPointF(p.right, y)};
        } else {
            float x = p.left;
            for (std::size_t c = 0; c < count; ++c, x += s) {
                const float y = ToGeometry(p.bottom - ValueToHeight(ValueAt(graph, c)));
                if (dots)
                    Add<CDot>(graph.color, CPointF(x, ClampToBand(y)));
                points.emplace_back(x, y);
            }
        }
        // Closer together than a pixel, a curve through the points could
        // show nothing but its overshoot at every turn: the column extremes
        // are joined straight.
        const bool dense = s < 1.0f && points.size() > 2;
        if (dense)
            points = ColumnExtremes(points);
        CPolygon& line = Add<CPolygon>(graph.color, ClipToBand(points), smooth && !dense, false);
        line.width = 4.0f;
        line.smoothing = true;
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
    for (std::size_t c = 0; c + 1 < count; ++c) {
        AddCategorySeparator(p.left + static_cast<float>(c + 1) * s);
    }
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
