#include "chart/engine/BarChart.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>

CBarChart::~CBarChart() = default;
CVerticalBarChart::~CVerticalBarChart() = default;
CHorizontalBarChart::~CHorizontalBarChart() = default;

void CBarChart::DrawCategoryAxis()
{
    const std::size_t count = CategoryCount();
    if (count == 0)
        return;
    const CRect& p = *plotRect;
    const float t = static_cast<float>(seriesInset);
    const float d = static_cast<float>(depth);
    const float s = std::fabs(p.right - p.left) / static_cast<float>(count);
    const CColor grey = CColor::DefaultGray();

    auto context = CreateDrawContext();
    float xl = p.left;
    float xr = xl + s;
    // Categories narrower than a pixel: one label per pixel column, the
    // first one's (the others would be drawn over it).
    float labelColumn = -std::numeric_limits<float>::infinity();
    float separatorColumn = labelColumn;
    for (std::size_t c = 0; c < count; ++c, xl += s, xr += s) {
        if (c + 1 < count && AddCategorySeparator(xr, separatorColumn) && depth > 0)
            Add<CLine>(grey, CPointF(xr, p.bottom), CPointF(xr - d, p.bottom + d));
        if (s < 1.0f) {
            const float column = std::floor((xl + xr) * 0.5f);
            if (column == labelColumn)
                continue;
            labelColumn = column;
        }
        const std::wstring text = c < labels.size() ? labels[c] : std::wstring();
        float offset;
        if (depth > 0)
            offset = static_cast<float>(labelAngle > 0 ? 3 : 2) * d + 2 * t;
        else
            offset = context->MeasureString(labelFontName, text, labelFontSize).height;
        const float x = (xl + xr) * 0.5f - (depth > 0 ? 6.0f : 0.0f);
        Add<CText>(labelFontColor, text, labelFontName, CPointF(x, p.bottom + offset),
                   labelFontSize, 1)
            .angle = labelAngle;
    }
}

void CVerticalBarChart::DrawChart()
{
    const std::size_t count = CategoryCount();
    if (count == 0)
        return;
    const CRect& p = *plotRect;
    // An empty slot at both ends of every group keeps neighbouring groups
    // apart.
    const std::size_t slots = series.data.size() + 2;
    const float group = std::fabs(p.right - p.left) / static_cast<float>(count);
    const float slot = group / static_cast<float>(slots);
    const float inset = static_cast<float>(barInset);

    auto addBar = [&](float x1, float x2, double h, const CColor& colour) {
        Add<CBox>(colour, CPointF(x1 + inset, ClampToBand(p.bottom - h)),
                  CPointF(x2 - inset, p.bottom), true, true, depth);
    };
    // Categories narrower than a pixel, or bar slots narrower than one and
    // more bars than a few per pixel column (many graphs): see DrawColumns.
    // Fewer narrow bars are drawn each, as they always were.
    const double bars = static_cast<double>(series.data.size()) * static_cast<double>(count);
    const double columns = std::fabs(p.right - p.left) + 2.0;
    if (group < 1.0f || (slot < 1.0f && bars > 4.0 * columns)) {
        DrawColumns(count, addBar);
        return;
    }

    for (std::size_t c = 0; c < count; ++c) {
        float x1 = p.left + static_cast<float>(c) * group;
        float x2 = x1 + slot;
        // The first slot is the leading empty one.
        x1 += slot;
        x2 += slot;
        for (const auto& graph : series.data) {
            if (graph.Count() != 0)
                addBar(x1, x2, ValueToHeight(ValueAt(graph, c)), graph.color);
            x1 += slot;
            x2 += slot;
        }
    }
}

void CVerticalBarChart::DrawColumns(std::size_t count,
                                    const std::function<void(float, float, double, const CColor&)>& addBar)
{
    // The bars that begin in one pixel column are drawn as boxes across all
    // of them, one per graph as high as its highest value there and, when
    // one goes below the base, one as low as its lowest. Later bars paint
    // over earlier ones, so going from the last graph back a box is kept
    // only when its edge reaches a pixel row beyond those kept after it:
    // what the whole drawing would show. Of a longer stair than
    // kColumnBoxes, the outermost step and the innermost ones stay. The
    // boxes are bounded by the plot's width, whatever the numbers of graphs
    // and values; the work by the graphs times the columns plus the values.
    constexpr std::size_t kColumnBoxes = 4;
    const CRect& p = *plotRect;
    const std::size_t graphs = series.data.size();
    for (const auto& graph : series.data) {
        if (graph.Count() != 0 && graph.Count() < count)
            throw std::out_of_range("invalid vector<T> subscript");
    }
    const double slots = static_cast<double>(graphs + 2);
    // Slot k (graph g of category c is k = c * slots + g + 1) begins at
    // left + k * slot.
    const double left = p.left;
    const double slot = std::fabs(p.right - p.left) / (static_cast<double>(count) * slots);
    auto firstCategory = [&](double column, std::size_t g) {
        // A plot without width: every bar begins at its left edge.
        if (!(slot > 0.0))
            return column <= left ? std::size_t{0} : count;
        const double c = std::ceil(((column - left) / slot - static_cast<double>(g + 1)) / slots);
        return c <= 0.0 ? std::size_t{0}
                        : static_cast<std::size_t>(std::min(c, static_cast<double>(count)));
    };

    struct CStep {
        std::size_t graph;
        bool high;
        double h;
        float edge;
    };
    std::vector<CStep> highs, lows, kept;
    auto trim = [](std::vector<CStep>& stair) {
        if (stair.size() > kColumnBoxes) {
            stair[kColumnBoxes - 1] = stair.back();
            stair.resize(kColumnBoxes);
        }
    };
    // Only the columns the picture shows (a 3D bar's front face lies depth
    // pixels to the left of where it begins).
    const double firstColumn = std::max(std::floor(left + slot), -2.0);
    const double lastColumn =
        std::min(std::floor(left + (static_cast<double>(count - 1) * slots + static_cast<double>(graphs)) * slot),
                 static_cast<double>(pictureWidth) + std::max(depth, 0) + 2.0);
    for (double column = firstColumn; column <= lastColumn; ++column) {
        highs.clear();
        lows.clear();
        double kFirst = std::numeric_limits<double>::infinity();
        double kLast = -kFirst;
        for (std::size_t g = graphs; g-- > 0;) {
            const auto& graph = series.data[g];
            if (graph.Count() == 0)
                continue;
            const std::size_t c0 = firstCategory(column, g);
            const std::size_t c1 = firstCategory(column + 1.0, g);
            if (c0 >= c1)
                continue;
            kFirst = std::min(kFirst, static_cast<double>(c0) * slots + static_cast<double>(g + 1));
            kLast = std::max(kLast, static_cast<double>(c1 - 1) * slots + static_cast<double>(g + 1));
            std::size_t s0 = 0, padded = 0;
            const std::size_t s1 = graph.padding.StoredIn(c0, c1, &s0, &padded);
            float vHigh = padded > 0 ? 0.0f : graph.values[s0].first;
            float vLow = vHigh;
            for (std::size_t s = s0; s < s1; ++s) {
                vHigh = std::max(vHigh, graph.values[s].first);
                vLow = std::min(vLow, graph.values[s].first);
            }
            const double high = ValueToHeight(vHigh);
            const double low = ValueToHeight(vLow);
            if (high > 0.0 || !(low < 0.0)) {
                const double h = std::max(high, 0.0);
                const float edge = std::floor(ClampToBand(p.bottom - h));
                if (highs.empty() || edge < highs.back().edge)
                    highs.push_back(CStep{g, true, h, edge});
            }
            if (low < 0.0) {
                const float edge = std::floor(ClampToBand(p.bottom - low));
                if (lows.empty() || edge > lows.back().edge)
                    lows.push_back(CStep{g, false, low, edge});
            }
        }
        if (highs.empty() && lows.empty())
            continue;
        trim(highs);
        trim(lows);
        // In drawing order: by graph, a graph's high box before its low one.
        kept.assign(highs.rbegin(), highs.rend());
        kept.insert(kept.end(), lows.rbegin(), lows.rend());
        std::stable_sort(kept.begin(), kept.end(), [](const CStep& a, const CStep& b) {
            return a.graph < b.graph || (a.graph == b.graph && a.high && !b.high);
        });
        const float x1 = static_cast<float>(left + kFirst * slot);
        const float x2 = static_cast<float>(left + (kLast + 1.0) * slot);
        for (const CStep& step : kept)
            addBar(x1, x2, step.h, series.data[step.graph].color);
    }
}
