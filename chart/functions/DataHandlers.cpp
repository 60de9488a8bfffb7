// The handlers that change a chart after its creation: graphs, values,
// labels, pie colours, and destruction. Every reading and lookup happens
// before the registry changes, so a failing call changes nothing.
#include <boost/algorithm/string/predicate.hpp>

#include <iterator>

#include "chart/engine/Pie.h"
#include "chart/functions/ArgReaders.h"
#include "chart/functions/PVPlugin.h"
#include "plugin/ResultCodes.h"

namespace {

CGraphRecord& FindGraph(CChartEntry& entry, const std::wstring& name)
{
    auto it = entry.graphs.find(name);
    if (it == entry.graphs.end())
        throw PVStandardException(-3);
    return it->second;
}

} // namespace

CChartEntry& PVPlugin::FindChart(CChartRegistry& registry, const std::wstring& name)
{
    auto it = registry.find(name);
    if (it == registry.end())
        throw PVStandardException(-3);
    return it->second;
}

std::int16_t PVPlugin::AddGraph(std::int16_t, const FMExprEnv*, const FMDataVect* argv, FMData*)
{
    CArgs args(argv);
    const std::wstring chartName = args.Wide(0);
    const std::wstring graphName = args.Wide(1);
    CGraphRecord graph;
    if (args.Present(2))
        graph.title = args.Wide(2);
    if (args.Present(3) && !ReadSingleColor(args.At(3), graph.colour))
        graph.colour = CColor::Random();
    CChartEntry& entry = FindChart(registry_, chartName);
    entry.graphs.emplace(graphName, std::move(graph));
    return 0;
}

std::int16_t PVPlugin::AddData(std::int16_t, const FMExprEnv*, const FMDataVect* argv, FMData*)
{
    CArgs args(argv);
    const std::wstring chartName = args.Wide(0);
    const std::wstring graphName = args.Wide(1);
    const bool exploded =
        args.Present(3) && boost::algorithm::iequals(args.Utf8(3), "exploded");
    std::vector<CValuePair> values;
    if (!ParseDataValues(args.At(2), values, boost::any(exploded)))
        throw PVStandardException(-3);
    CGraphRecord& graph = FindGraph(FindChart(registry_, chartName), graphName);
    graph.values.data.insert(graph.values.data.end(), std::make_move_iterator(values.begin()),
                             std::make_move_iterator(values.end()));
    return 0;
}

std::int16_t PVPlugin::AddLabels(std::int16_t, const FMExprEnv*, const FMDataVect* argv, FMData*)
{
    CArgs args(argv);
    const std::wstring chartName = args.Wide(0);
    std::vector<std::wstring> labels;
    if (!ParseLabelList(args.At(1), labels))
        throw PVStandardException(-3);
    CChartEntry& entry = FindChart(registry_, chartName);
    entry.labels.insert(entry.labels.end(), labels.begin(), labels.end());
    return 0;
}

std::int16_t PVPlugin::AddPieColors(std::int16_t, const FMExprEnv*, const FMDataVect* argv, FMData*)
{
    CArgs args(argv);
    const std::wstring chartName = args.Wide(0);
    std::vector<CColor> colours;
    GetColorFromData(args.At(1), colours);
    CChartEntry& entry = FindChart(registry_, chartName);
    auto pie = std::dynamic_pointer_cast<CPie>(entry.chart);
    if (!pie)
        throw PVStandardException(-3);
    pie->AddPieColors(colours);
    return 0;
}

std::int16_t PVPlugin::DestroyChart(std::int16_t, const FMExprEnv*, const FMDataVect* argv, FMData*)
{
    CArgs args(argv);
    const std::wstring chartName = args.Wide(0);
    FindChart(registry_, chartName);
    registry_.erase(chartName);
    return 0;
}
