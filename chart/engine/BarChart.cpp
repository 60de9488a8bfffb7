#include "chart/engine/BarChart.h"

#include <algorithm>
#include <cmath>
#include <limits>

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
    for (std::size_t c = 0; c < count; ++c, xl += s, xr += s) {
        if (c + 1 < count) {
            AddCategorySeparator(xr);
            if (depth > 0)
                Add<CLine>(grey, CPointF(xr, p.bottom), CPointF(xr - d, p.bottom + d));
        }
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
    // Categories narrower than a pixel: those that begin in one pixel column
    // make, graph by graph, one bar over the graph's slots in them, as high
    // as the highest and, when any goes below the base, a second as low as
    // the lowest. A hundred thousand values cost what the plot's width in
    // bars does.
    if (group < 1.0f) {
        struct CEnvelope {
            bool open = false;
            float x1 = 0.0f, x2 = 0.0f;
            double high = 0.0, low = 0.0;
        };
        std::vector<CEnvelope> envelopes(series.data.size());
        auto flush = [&] {
            for (std::size_t g = 0; g < envelopes.size(); ++g) {
                CEnvelope& e = envelopes[g];
                if (!e.open)
                    continue;
                if (e.high > 0.0 || !(e.low < 0.0))
                    addBar(e.x1, e.x2, std::max(e.high, 0.0), series.data[g].color);
                if (e.low < 0.0)
                    addBar(e.x1, e.x2, e.low, series.data[g].color);
                e.open = false;
            }
        };
        float column = 0.0f;
        for (std::size_t c = 0; c < count; ++c) {
            const float left = p.left + static_cast<float>(c) * group;
            if (c == 0 || std::floor(left) != column)
                flush();
            column = std::floor(left);
            float x1 = left + slot;
            for (std::size_t g = 0; g < series.data.size(); ++g, x1 += slot) {
                const auto& graph = series.data[g];
                if (graph.values.empty())
                    continue;
                const double h = ValueToHeight(ValueAt(graph, c));
                CEnvelope& e = envelopes[g];
                if (!e.open) {
                    e.open = true;
                    e.x1 = x1;
                    e.high = e.low = h;
                }
                e.x2 = x1 + slot;
                e.high = std::max(e.high, h);
                e.low = std::min(e.low, h);
            }
        }
        flush();
        return;
    }

    for (std::size_t c = 0; c < count; ++c) {
        float x1 = p.left + static_cast<float>(c) * group;
        float x2 = x1 + slot;
        // The first slot is the leading empty one.
        x1 += slot;
        x2 += slot;
        for (const auto& graph : series.data) {
            if (!graph.values.empty())
                addBar(x1, x2, ValueToHeight(ValueAt(graph, c)), graph.color);
            x1 += slot;
            x2 += slot;
        }
    }
}
