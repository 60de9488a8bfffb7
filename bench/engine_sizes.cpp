// Large inputs straight through the engine: one line chart of many values,
// built and drawn once, timed.
//   pv_engine_sizes CASE
// CASE: dotted32000, soft2000, soft100000 (values (7 i) mod 90 + 5),
// tallsoft400 (640 x 32767), softalt2000, softalt100000, linesalt100000
// (values alternating between 10 and 90).
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "chart/engine/LinesChart.h"

namespace {

struct Case {
    const char* name;
    int width;
    int height;
    int values;
    bool soft;
    bool dotted;
    bool alternating;
};

const Case kCases[] = {
    {"dotted32000", 640, 480, 32000, false, true, false},
    {"soft2000", 640, 480, 2000, true, false, false},
    {"soft100000", 640, 480, 100000, true, false, false},
    {"tallsoft400", 640, 32767, 400, true, false, true},
    {"softalt2000", 640, 480, 2000, true, false, true},
    {"softalt100000", 640, 480, 100000, true, false, true},
    {"linesalt100000", 640, 480, 100000, false, false, true},
};

void SetOptions(CPlot& chart)
{
    const std::wstring font = L"DejaVu Sans";
    chart.SetOption(CPlot::TitleFontName, font);
    chart.SetOption(CPlot::TitleFontSize, 14);
    chart.SetOption(CPlot::TitleFontColor, CColor(0xFF202020u));
    chart.SetOption(CPlot::LabelFontName, font);
    chart.SetOption(CPlot::LabelFontSize, 9);
    chart.SetOption(CPlot::LabelFontColor, CColor(0xFF404040u));
    chart.SetOption(CPlot::LabelPosition, 0);
    chart.SetOption(CPlot::HistoryFontName, font);
    chart.SetOption(CPlot::HistoryFontSize, 10);
    chart.SetOption(CPlot::HistoryFontColor, CColor(0xFF000000u));
    chart.SetOption(CPlot::ShowTags, CPlot::ETagMode::None);
    chart.SetOption(CPlot::TagsBkColor, CColor::Empty());
    chart.SetOption(CPlot::ShowGrid, false);
}

} // namespace

int main(int argc, char** argv)
{
    const Case* chosen = nullptr;
    for (const Case& c : kCases) {
        if (argc > 1 && std::strcmp(argv[1], c.name) == 0)
            chosen = &c;
    }
    if (!chosen) {
        std::fprintf(stderr, "usage: %s CASE (see the source)\n", argv[0]);
        return 2;
    }
    const Case& c = *chosen;
    auto start = std::chrono::steady_clock::now();
    std::unique_ptr<CPlot> chart;
    if (c.soft)
        chart = std::make_unique<CSoftLinesChart>(c.width, c.height, L"sizes", CColor(0xFFFFFFFFu),
                                                  1, false);
    else
        chart = std::make_unique<CSimpleLinesChart>(c.width, c.height, L"sizes",
                                                    CColor(0xFFFFFFFFu), 1, false, c.dotted);
    SetOptions(*chart);
    CChartData data;
    for (int i = 0; i < c.values; ++i) {
        const float v = c.alternating ? (i % 2 ? 90.0f : 10.0f)
                                      : static_cast<float>((i * 7) % 90 + 5);
        data.data.emplace_back(v, boost::any(false));
    }
    chart->AddSeries(data, CColor(0xFF3366CCu), L"graph");
    chart->Draw();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %d x %d, %d values: %.1f ms\n", c.name, c.width, c.height, c.values, ms);
    return 0;
}
