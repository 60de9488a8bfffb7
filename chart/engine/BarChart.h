// Vertical bars grouped by category: CBarChart draws the category axis,
// CVerticalBarChart the bars.
#pragma once

#include <functional>

#include "chart/engine/Plot.h"

class CBarChart : public CPlot {
public:
    using CPlot::CPlot;
    ~CBarChart() override;

protected:
    void DrawCategoryAxis() override;
};

class CVerticalBarChart : public CBarChart {
public:
    using CBarChart::CBarChart;
    ~CVerticalBarChart() override;

protected:
    void DrawChart() override;

private:
    // Bar slots narrower than a pixel: a few boxes per pixel column.
    void DrawColumns(std::size_t count,
                     const std::function<void(float, float, double, const CColor&)>& addBar);
};

// A bar chart of its own type that draws as CBarChart does.
class CHorizontalBarChart : public CBarChart {
public:
    using CBarChart::CBarChart;
    ~CHorizontalBarChart() override;
};
