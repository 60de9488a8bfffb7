// Big pies drawn by the engine alone, for the cost of their sides: the time
// of a chart's drawing (the first, with fonts still to load, and the median
// of REPEAT more), the primitives its tree holds and the process's peak
// memory (one case per run, so that the peak is that case's).
//   pv_profile_pie SLICES WIDTH HEIGHT [DEPTH [EXPLODED [REPEAT [GRAPHS [OUT.png]]]]]
// DEPTH 0 draws a 2D pie; EXPLODED 1 marks the first slice exploded; GRAPHS
// graphs of SLICES values each (a pie draws the first).
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "chart/engine/Pie.h"

namespace {

std::size_t Count(const CPrimitive& node)
{
    std::size_t n = 1;
    for (const auto& child : node.children)
        n += Count(*child);
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || std::atol(argv[1]) < 0 || std::atoi(argv[2]) <= 0 || std::atoi(argv[3]) <= 0) {
        std::fprintf(stderr, "usage: %s SLICES WIDTH HEIGHT [DEPTH [EXPLODED [REPEAT [GRAPHS [OUT.png]]]]]\n",
                     argv[0]);
        return 2;
    }
    const long slices = std::atol(argv[1]);
    const int width = std::atoi(argv[2]);
    const int height = std::atoi(argv[3]);
    const int depth = argc > 4 ? std::atoi(argv[4]) : 10;
    const bool exploded = argc > 5 && std::atoi(argv[5]) != 0;
    const int repeat = argc > 6 ? std::atoi(argv[6]) : 0;
    const int graphs = argc > 7 ? std::atoi(argv[7]) : 1;
    if (slices < 1 || width < 4 || height < 4 || repeat < 0 || graphs < 1)
        return 2;

    CPie chart(width, height, L"pie", CColor::White(), 1, false);
    chart.depth = depth;
    // The options the creation handler stores.
    const std::wstring font = L"Liberation Sans";
    const CColor black(0xFF000000u);
    chart.SetOption(CPlot::TitleFontName, font);
    chart.SetOption(CPlot::TitleFontSize, std::int32_t{14});
    chart.SetOption(CPlot::TitleFontColor, black);
    chart.SetOption(CPlot::LabelPosition, std::int32_t{0});
    chart.SetOption(CPlot::LabelFontName, font);
    chart.SetOption(CPlot::LabelFontSize, std::int32_t{9});
    chart.SetOption(CPlot::LabelFontColor, black);
    chart.SetOption(CPlot::HistoryFontName, font);
    chart.SetOption(CPlot::HistoryFontSize, std::int32_t{10});
    chart.SetOption(CPlot::HistoryFontColor, black);
    chart.SetOption(CPlot::ShowTags, CPlot::ETagMode::None);
    chart.SetOption(CPlot::TagsBkColor, CColor::Empty());
    chart.SetOption(CPlot::ShowGrid, false);
    CChartData data;
    for (long i = 0; i < slices; ++i)
        data.data.emplace_back(static_cast<float>(i % 7 + 1), boost::any(exploded && i == 0));
    for (int g = 0; g < graphs; ++g)
        chart.AddSeries(data, CColor(0xFF3366CCu), L"g" + std::to_wstring(g));
    std::srand(1);

    auto timed = [&chart] {
        const auto start = std::chrono::steady_clock::now();
        chart.Draw();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    const double first = timed();
    std::vector<double> ms;
    for (int i = 0; i < repeat; ++i)
        ms.push_back(timed());
    std::sort(ms.begin(), ms.end());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%ld slices (%d graphs) at %d x %d, depth %d%s: first drawing %.1f ms", slices,
                graphs, width, height, depth, exploded ? ", exploded" : "", first);
    if (!ms.empty())
        std::printf(", median of %d more %.1f ms", repeat, ms[ms.size() / 2]);
    std::printf("; %zu primitives, peak %.1f MB\n", Count(chart),
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    if (argc > 8) {
        const std::string path = argv[8];
        if (!chart.SaveToFile(std::wstring(path.begin(), path.end())))
            return 1;
    }
    return 0;
}
