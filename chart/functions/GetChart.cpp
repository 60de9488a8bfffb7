// PVane_GetChart: hands the collected data to the chart, draws it and
// returns the picture as container data.
#include "chart/functions/ArgReaders.h"
#include "chart/functions/PVPlugin.h"
#include "chart/output/Container.h"
#include "plugin/ResultCodes.h"

std::int16_t PVPlugin::GetChart(std::int16_t, const FMExprEnv*, const FMDataVect* argv, FMData* result)
{
    const std::wstring name = CArgs(argv).Wide(0);
    CChartEntry& entry = FindChart(registry_, name);
    std::shared_ptr<CPlot> chart = entry.chart;

    // Short graphs are padded up to the number of labels; the padding stays.
    const std::size_t labels = entry.labels.size();
    for (auto& graph : entry.graphs) {
        auto& values = graph.second.values.data;
        if (values.size() < labels)
            values.resize(labels, CValuePair(0.0f, boost::any(false)));
    }

    // Every request hands the graphs over anew, in the order of their names.
    chart->ClearSeries();
    for (const auto& graph : entry.graphs)
        chart->AddSeries(graph.second.values, graph.second.colour, graph.second.title);
    chart->SetLabels(entry.labels);
    chart->Draw();
    // A picture that cannot be had leaves the result empty and says so.
    if (std::int16_t code = EncodePicture(*chart, result))
        throw PVStandardException(code);
    return 0;
}
