// The charts a solution has created, by name, with the data given so far.
// Graphs, values and labels reach the chart object only when a picture is
// requested; pie colours go to it at once.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/Color.h"
#include "chart/engine/Plot.h"

struct CGraphRecord {
    std::wstring title;
    CColor colour = CColor::Empty();
    CChartData values;
};

struct CChartEntry {
    std::shared_ptr<CPlot> chart;
    // Ordered by name (code-unit order): the series order of the picture.
    std::map<std::wstring, CGraphRecord> graphs;
    std::vector<std::wstring> labels;
};

// Names are matched by plain code-unit comparison (case-sensitive).
using CChartRegistry = std::map<std::wstring, CChartEntry>;
