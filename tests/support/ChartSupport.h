// Helpers for chart tests: the options the creation handler stores, graphs
// from plain numbers, pictures written for a look, and the primitives of a
// drawn chart by kind.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "chart/engine/Plot.h"

namespace pvtest {

struct ChartOptions {
    std::wstring font = L"DejaVu Sans";
    std::int32_t titleSize = 14;
    std::int32_t labelSize = 9;
    std::int32_t historySize = 10;
    CColor titleColour = CColor(0xFF202020u);
    CColor labelColour = CColor(0xFF404040u);
    CColor historyColour = CColor(0xFF000000u);
    std::int32_t labelAngle = 0;
    CPlot::ETagMode tags = CPlot::ETagMode::None;
    CColor tagsColour = CColor::Empty();
    bool grid = false;
};

// Stores options 0 to 11 and 13 as the creation handler does.
void SetOptions(CPlot& chart, const ChartOptions& options = ChartOptions());

CChartData Values(std::initializer_list<float> values);

// Hands graphs and labels over as the picture request does.
void AddGraph(CPlot& chart, std::initializer_list<float> values, CColor colour,
              const std::wstring& title = L"graph");

// Writes the canvas as PNG into the build's test output folder; the path.
std::string SavePicture(CPlot& chart, const std::string& name);

// Children of a primitive (not their children) of one kind, in order.
template <class T>
std::vector<T*> ChildrenOf(const CPrimitive& parent)
{
    std::vector<T*> out;
    for (const auto& child : parent.children) {
        if (auto* typed = dynamic_cast<T*>(child.get()))
            out.push_back(typed);
    }
    return out;
}

// The lines of a recording that start with a word.
std::vector<std::string> LinesOf(const std::vector<std::string>& lines, const std::string& word);

// The value of " key=" in a recorded line, up to the next blank.
std::string Field(const std::string& line, const std::string& key);

} // namespace pvtest
