// Line charts: every graph a line through its values, one point per
// category from the left to the right edge of the plot.
#pragma once

#include "chart/engine/Plot.h"

class CLinesChart : public CPlot {
public:
    using CPlot::CPlot;
    ~CLinesChart() override;

    // Curves through the points instead of straight segments.
    bool smooth = false;
    // A dot at every value.
    bool dots = false;

protected:
    void DrawChart() override;
    void DrawCategoryAxis() override;
};

// "lines" and "lines dotted".
class CSimpleLinesChart : public CLinesChart {
public:
    CSimpleLinesChart(std::int32_t width, std::int32_t height, std::wstring title,
                      const CColor& background, std::int32_t historyPosition, bool jpeg,
                      bool dotted);
};

// "lines soft".
class CSoftLinesChart : public CLinesChart {
public:
    CSoftLinesChart(std::int32_t width, std::int32_t height, std::wstring title,
                    const CColor& background, std::int32_t historyPosition, bool jpeg);
};
