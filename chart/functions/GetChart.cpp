// PVane_GetChart: hands the collected data to the chart, draws it and
// returns the picture as container data.
#include "chart/engine/Pie.h"
#include "chart/functions/ArgReaders.h"
#include "chart/functions/PVPlugin.h"
#include "chart/output/Container.h"
#include "plugin/ResultCodes.h"

std::int16_t PVPlugin::GetChart(std::int16_t, const FMExprEnv*, const FMDataVect* argv, FMData* result)
{
    const std::wstring name = CArgs(argv).Wide(0);
    CChartEntry& entry = FindChart(registry_, name);
    std::shared_ptr<CPlot> chart = entry.chart;

    // Short graphs are padded up to the number of labels; the padding stays
    // (later values come after it), counted rather than stored.
    const std::size_t labels = entry.labels.size();
    for (auto& graph : entry.graphs)
        graph.second.values.padding.PadTo(graph.second.values.data.size(), labels);

    // Every request hands the graphs over anew, in the order of their names.
    // A pie reads the slices of its first graph one by one, so that graph
    // goes over whole; its padding is at most the label count.
    const bool pie = dynamic_cast<const CPie*>(chart.get()) != nullptr;
    chart->ClearSeries();
    for (const auto& graph : entry.graphs) {
        const CChartData& values = graph.second.values;
        if (pie && chart->series.data.empty() && values.padding.Total() > 0)
            chart->AddSeries(values.Expanded(), graph.second.colour, graph.second.title);
        else
            chart->AddSeries(values, graph.second.colour, graph.second.title);
    }
    chart->SetLabels(entry.labels);
    chart->Draw();
    // A picture that cannot be had leaves the result empty and says so.
    if (std::int16_t code = EncodePicture(*chart, result))
        throw PVStandardException(code);
    return 0;
}
