// The calculation functions of the product: ids, names, argument counts,
// flags and the help texts the host shows in its formula dialogs.
#include "chart/functions/PVPlugin.h"

#include <memory>
#include <string>
#include <vector>

#include "plugin/DecoratedRqstHandler.h"
#include "plugin/Flavour.h"
#include "plugin/Error.h"
#include "plugin/ResultCodes.h"

namespace {

// The flavour's line end of help texts.
const std::wstring kEol = flavour::kHelpLineEnd;
// The mark between a parameter's name and its description.
const std::wstring kMark = L" \x00D0 ";
const std::wstring kTabs(6, L'\t');

std::wstring Help(const std::wstring& first, std::initializer_list<std::wstring> lines)
{
    std::wstring text = first + kEol + kEol + L"/*" + kEol;
    for (const std::wstring& line : lines)
        text += line + kEol;
    text += L"*/";
    return text;
}

std::wstring Param(const std::wstring& name, const std::wstring& description)
{
    return name + kMark + description;
}

using Decorated = __Quarrow__::DecoratedRqstHandler<PVAbstractException, PVBaseDebugger>;

struct FunctionEntry {
    std::uint16_t id;
    const wchar_t* name;
    std::uint16_t minArgs;
    std::uint16_t maxArgs;
    std::uint32_t flags;
    __Quarrow__::RqstHandler::Member handler;
    std::wstring prototype;
};

std::vector<FunctionEntry> Table()
{
    using __Quarrow__::BindMember;
    std::vector<FunctionEntry> table;
    table.push_back({3, L"PVane_SetupLog", 0, 2, 0x0300FF01u, BindMember(&PVPlugin::SetupLog),
                     Help(L"PVane_SetupLog( {setup; maxSize} )",
                          {L"Specifies the log settings of the plug-in.",
                           L"The log file is saved to the Extensions folder of FileMaker.",
                           L"Log preferences should be specified before any log-relevant function is used.",
                           L"setup - \"logOff\", \"logAppend\" or \"logOverwrite\" [default]",
                           L"maxSize - Maximum size of log file in KB [default: no limit]", L""})});
    table.push_back(
        {4, L"PVane_CreateChart", 2, 21, 0x1300FF01u, BindMember(&PVPlugin::CreateChart),
         Help(L"PVane_CreateChart( type; name {; format; pictureWidth; pictureHeight; bkColor; title; " + kTabs +
                  L"titleFontName; titleFontSize; titleFontColor; labelPosition; " + kTabs +
                  L"labelFontName; labelFontSize; labelFontColor; historyPosition; " + kTabs +
                  L"historyFontName; historyFontSize; historyFontColor; showTags;  " + kTabs +
                  L"tagsBkColor; showGrid} )",
              {Param(L"name", L"Unique name of the chart object."),
               Param(L"format", L"Picture format: \"png\" [default] or \"jpeg\"."),
               Param(L"pictureWidth", L"Width of the picture in pixels [default: \"640\"]."),
               Param(L"pictureHeight", L"Height of the picture in pixels [default: \"480\"]."),
               Param(L"bkColor", L"Background color; empty for a transparent background [default]."),
               Param(L"title", L"Title of the chart [default: empty]."),
               Param(L"titleFontName", L"Font of the title [default: \"Times\"]."),
               Param(L"titleFontSize", L"Font size of the title [default: 12]."),
               Param(L"titleFontColor", L"Font color of the title."),
               Param(L"labelPosition", L"\"auto\" [default], \"horizontal\" or \"vertical\"."),
               Param(L"labelFontName", L"Font of the labels [default: \"Times\"]."),
               Param(L"labelFontSize", L"Font size of the labels [default: 12]."),
               Param(L"labelFontColor", L"Font color of the labels."),
               Param(L"historyPosition", L"\"left\" or \"right\" [default]."),
               Param(L"historyFontName", L"Font of the history [default: \"Times\"]."),
               Param(L"historyFontSize", L"Font size of the history [default: 12]."),
               Param(L"historyFontColor", L"Font color of the history."),
               Param(L"showTags", L"\"percentage\", \"values\" or \"none\" (default)."),
               Param(L"tagsBkColor", L"Background color of the tags; empty for the system one [default]."),
               Param(L"showGrid", L"\"showGrid\" [default] or \"hideGrid\".")})});
    table.push_back(
        {5, L"PVane_AddGraph", 2, 4, 0x1300FF01u, BindMember(&PVPlugin::AddGraph),
         Help(L"PVane_AddGraph( chartName; graphName {; title; displayColor} )",
              {Param(L"chartName", L"The name of the chart object to be updated."),
               Param(L"graphName", L"Unique name of the graph."),
               Param(L"title", L"Title of the graph shown in the history area. When empty only a color indication is shown."),
               Param(L"displayColor", L"Color of the graph; random when empty. Meaningful for bars and lines; "
                                      L"pie pieces take their colors from \"PVane_AddPieColors\".")})});
    table.push_back(
        {6, L"PVane_AddData", 3, 4, 0x1300FF01u, BindMember(&PVPlugin::AddData),
         Help(L"PVane_AddData( chartName; graphName; data {; options} )",
              {Param(L"chartName", L"The name of the chart object to be updated."),
               Param(L"graphName", L"The name of the graph to be updated."),
               Param(L"data", L"A value or values separated by carriage return. Repeated calls add values."),
               Param(L"options", L"\"exploded\" or empty [default]. Pie charts only.")})});
    table.push_back({7, L"PVane_AddLabels", 2, 2, 0x1300FF01u, BindMember(&PVPlugin::AddLabels),
                     Help(L"PVane_AddLabels( chartName; labels )",
                          {Param(L"chartName", L"The name of the chart object to be updated."),
                           Param(L"labels", L"Label name to be added, or a set of labels, separated by carriage return.")})});
    table.push_back({8, L"PVane_GetChart", 1, 1, 0x0300FF01u, BindMember(&PVPlugin::GetChart),
                     Help(L"PVane_GetChart( chartName )",
                          {Param(L"chartName", L"Name of the chart object to be retrieved.")})});
    table.push_back({9, L"PVane_DestroyChart", 1, 1, 0x1300FF01u, BindMember(&PVPlugin::DestroyChart),
                     Help(L"PVane_DestroyChart( chartName )",
                          {Param(L"chartName", L"Name of the chart object to be destroyed.")})});
    table.push_back(
        {10, L"PVane_AddPieColors", 2, 2, 0x1300FF01u, BindMember(&PVPlugin::AddPieColors),
         Help(L"PVane_AddPieColors( chartName; color )",
              {Param(L"chartName", L"The name of the chart object to be updated."),
               Param(L"color", L"Color value to be added, or a set of color values, separated by carriage return.")})});
    table.push_back({11, L"PVane_GetLastResultCode", 0, 0, 0x0300FF01u,
                     BindMember(&PVPlugin::GetLastResultCode),
                     Help(L"PVane_GetLastResultCode",
                          {L"Returns the result code of the last action performed by the plug-in.", L""})});
    return table;
}

} // namespace

void PVPlugin::RegisterFunctionTable()
{
    // The version function is a plain handler on the framework's own member.
    auto version = std::make_unique<__Quarrow__::RqstHandler>(
        &__Quarrow__::PlugIn::GetVersionInfo, L"PVane_Version",
        Help(L"PVane_Version( {control} )",
             {L"Returns version information about the Plotvane version installed.",
              L"control - \"product\", \"version\", \"platform\" or \"copyright\"",
              L"empty: All values are returned separates by space."})
            .c_str());
    if (!RegisterFunctionHandler(0, std::move(version)))
        throw __Quarrow__::Error(1, -1000);
    for (const FunctionEntry& f : Table()) {
        auto handler = std::make_unique<Decorated>(f.handler, f.name, f.prototype.c_str(), f.minArgs,
                                                   f.maxArgs, f.flags);
        if (!RegisterFunctionHandler(f.id, std::move(handler)))
            throw __Quarrow__::Error(1, -1000);
    }
}
