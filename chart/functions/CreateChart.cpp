// PVane_CreateChart: the chart type, the name and up to nineteen settings.
// The order of the steps decides which failure a call with several bad
// arguments reports and which warnings are written before it.
#include <boost/algorithm/string/predicate.hpp>

#include "chart/engine/BarChart.h"
#include "chart/engine/LinesChart.h"
#include "chart/engine/Pie.h"
#include "chart/functions/ArgReaders.h"
#include "chart/functions/PVPlugin.h"
#include "chart/output/Logging.h"
#include "plugin/ResultCodes.h"

namespace {

using boost::algorithm::iequals;

// Picture sides beyond what the container's 16-bit size fields hold, or
// below one pixel, never reach the canvas.
constexpr std::int32_t kMaxSide = 32767;

std::int32_t ReadInt(const CArgs& args, std::uint32_t i, std::int32_t defaultValue)
{
    std::int32_t value = defaultValue;
    if (args.Present(i) && !PVPlugin::GetLongFromData(args.At(i), value, defaultValue))
        throw PVStandardException(-3);
    return value;
}

CColor ReadFontColor(const CArgs& args, std::uint32_t i)
{
    CColor colour = CColor::Empty();
    if (args.Present(i) && !ReadSingleColor(args.At(i), colour))
        throw PVStandardException(-3);
    return colour;
}

// Longer names name no font; cut, they cannot flood the font caches.
constexpr std::size_t kMaxFontName = 256;

std::wstring ReadFontName(const CArgs& args, std::uint32_t i)
{
    std::wstring name = args.Present(i) ? args.Wide(i) : std::wstring(L"Times");
    if (name.size() > kMaxFontName)
        name.resize(kMaxFontName);
    return name;
}

} // namespace

std::int16_t PVPlugin::CreateChart(std::int16_t, const FMExprEnv*, const FMDataVect* argv, FMData*)
{
    CArgs args(argv);
    const std::string type = args.Utf8(0);
    const std::wstring name = args.Wide(1);

    const bool jpeg = args.Present(2) && iequals(args.Utf8(2), "jpeg");
    const std::int32_t width = ReadInt(args, 3, 640);
    const std::int32_t height = ReadInt(args, 4, 480);
    if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide)
        throw PVStandardException(-3);

    CColor background = CColor::Empty();
    if (args.Present(5) && !ReadSingleColor(args.At(5), background)) {
        LogWarning("Background color is empty. Using transparent background.");
        background = CColor::Empty();
    }
    const std::wstring title = args.Present(6) ? args.Wide(6) : std::wstring();
    const std::int32_t history = args.Present(14) && iequals(args.Utf8(14), "left") ? 0 : 1;

    std::shared_ptr<CPlot> chart;
    if (iequals(type, "pie 2d")) {
        chart = std::make_shared<CPie>(width, height, title, background, history, jpeg);
        chart->depth = 0;
        chart->seriesInset = 5;
    } else if (iequals(type, "pie 3d")) {
        chart = std::make_shared<CPie>(width, height, title, background, history, jpeg);
    } else if (iequals(type, "bars 2d")) {
        chart = std::make_shared<CVerticalBarChart>(width, height, title, background, history, jpeg);
        chart->depth = 0;
        chart->seriesInset = 5;
    } else if (iequals(type, "bars 3d")) {
        chart = std::make_shared<CVerticalBarChart>(width, height, title, background, history, jpeg);
    } else if (iequals(type, "lines")) {
        chart = std::make_shared<CSimpleLinesChart>(width, height, title, background, history, jpeg, false);
    } else if (iequals(type, "lines soft")) {
        chart = std::make_shared<CSoftLinesChart>(width, height, title, background, history, jpeg);
    } else if (iequals(type, "lines dotted")) {
        chart = std::make_shared<CSimpleLinesChart>(width, height, title, background, history, jpeg, true);
    } else {
        throw PVStandardException(-3);
    }
    // A picture larger than 8192 x 8192, one the live charts leave no canvas
    // memory for, or one memory refuses fails the call; nothing is
    // registered. (A name already taken keeps its chart and succeeds.)
    if (!chart->CanvasUsable() && registry_.count(name) == 0)
        throw PVStandardException(-3);

    chart->SetOption(CPlot::TitleFontName, ReadFontName(args, 7));
    chart->SetOption(CPlot::TitleFontSize, ReadInt(args, 8, 12));
    chart->SetOption(CPlot::TitleFontColor, ReadFontColor(args, 9));
    chart->SetOption(CPlot::LabelPosition,
                     std::int32_t(args.Present(10) && iequals(args.Utf8(10), "vertical") ? 270 : 0));
    chart->SetOption(CPlot::LabelFontName, ReadFontName(args, 11));
    chart->SetOption(CPlot::LabelFontSize, ReadInt(args, 12, 12));
    chart->SetOption(CPlot::LabelFontColor, ReadFontColor(args, 13));
    chart->SetOption(CPlot::HistoryFontName, ReadFontName(args, 15));
    chart->SetOption(CPlot::HistoryFontSize, ReadInt(args, 16, 12));
    chart->SetOption(CPlot::HistoryFontColor, ReadFontColor(args, 17));

    CPlot::ETagMode tags = CPlot::ETagMode::None;
    if (args.Present(18)) {
        const std::string text = args.Utf8(18);
        if (iequals(text, "percentage"))
            tags = CPlot::ETagMode::Percentage;
        else if (iequals(text, "values"))
            tags = CPlot::ETagMode::Values;
    }
    chart->SetOption(CPlot::ShowTags, tags);

    CColor tagsBackground = CColor::Empty();
    if (args.Present(19) && !ReadSingleColor(args.At(19), tagsBackground)) {
        LogWarning("Percentage (values) background color is empty. Using system one.");
        tagsBackground = CColor::Empty();
    }
    chart->SetOption(CPlot::TagsBkColor, tagsBackground);
    chart->SetOption(CPlot::ShowGrid, !(args.Present(20) && iequals(args.Utf8(20), "hideGrid")));

    CChartEntry entry;
    entry.chart = chart;
    registry_.emplace(name, std::move(entry));
    return 0;
}
