// PVane_GetChart: hands the collected data to the chart, draws it and
// returns the picture as container data.
#include "chart/functions/ArgReaders.h"
#include "chart/output/Container.h"
#include "chart/functions/PVPlugin.h"
#include "fmx/FMWrapper.h"

std::int16_t PVPlugin::GetChart(std::int16_t, const FMExprEnv*, const FMDataVect* argv, FMData* result)
{
    fmx::DataVect args(argv);
    const std::wstring name = TextToWString(fmx::Data(args.At(0)).GetAsText());
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
    EncodePicture(*chart, result);
    return 0;
}
