#include "chart/engine/BarChart.h"

#include <cmath>

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
    for (std::size_t c = 0; c < count; ++c, xl += s, xr += s) {
        if (c + 1 < count) {
            AddCategorySeparator(xr);
            if (depth > 0)
                Add<CLine>(grey, CPointF(xr, p.bottom), CPointF(xr - d, p.bottom + d));
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

    for (std::size_t c = 0; c < count; ++c) {
        float x1 = p.left + static_cast<float>(c) * group;
        float x2 = x1 + slot;
        // The first slot is the leading empty one.
        x1 += slot;
        x2 += slot;
        for (const auto& graph : series.data) {
            if (!graph.values.empty()) {
                const double h = ValueToHeight(ValueAt(graph, c));
                Add<CBox>(graph.color, CPointF(x1 + inset, ClampToBand(p.bottom - h)),
                          CPointF(x2 - inset, p.bottom), true, true, depth);
            }
            x1 += slot;
            x2 += slot;
        }
    }
}
