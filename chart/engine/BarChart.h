// Vertical bars grouped by category: CBarChart draws the category axis,
// CVerticalBarChart the bars.
#pragma once

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
};

// A bar chart of its own type that draws as CBarChart does.
class CHorizontalBarChart : public CBarChart {
public:
    using CBarChart::CBarChart;
    ~CHorizontalBarChart() override;
};
