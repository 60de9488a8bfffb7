// The whole road through the plug-in's functions for one chart: create,
// graphs of values, labels, get chart, destroy.
#pragma once

#include <string>
#include <vector>

#include "fmapi/container_streams.h"
#include "support/plugin_harness.h"

namespace pvbench {

inline const char16_t* const kTypes[] = {u"pie 2d",     u"pie 3d",     u"bars 2d",     u"bars 3d",
                                         u"lines",      u"lines soft", u"lines dotted"};
constexpr int kTypeCount = 7;

inline std::u16string Number(int i)
{
    std::u16string out;
    for (char c : std::to_string(i))
        out.push_back(static_cast<char16_t>(c));
    return out;
}

// One whole chart of `graphs` graphs of `values` values each, with a label
// per value when `labels`: answers the PNG bytes (or empty).
inline std::vector<unsigned char> MakeChart(const std::u16string& type, int width, int height,
                                            int graphs, int values, bool labels)
{
    using pvtest::CallText;
    const std::u16string name = u"bench";
    CallText(u"PVane_CreateChart", {type, name, u"png", Number(width), Number(height), u"FFFFFF", u"Benchmark chart"});
    for (int g = 0; g < graphs; ++g) {
        std::u16string graph = u"g" + Number(g);
        CallText(u"PVane_AddGraph", {name, graph, u"Graph " + Number(g)});
        std::u16string data;
        for (int v = 0; v < values; ++v)
            data += Number((v * 7 + g * 13) % 90 + 5) + (v + 1 < values ? u"\r" : u"");
        CallText(u"PVane_AddData", {name, graph, data});
    }
    if (labels) {
        std::u16string list;
        for (int v = 0; v < values; ++v)
            list += u"M" + Number(v) + (v + 1 < values ? u"\r" : u"");
        CallText(u"PVane_AddLabels", {name, list});
    }
    pvtest::CallResult r = CallText(u"PVane_GetChart", {name});
    CallText(u"PVane_DestroyChart", {name});
    for (auto& s : r.streams)
        if (s.first == fmapi::kPngStream)
            return s.second;
    return {};
}

// The reference chart: three graphs of twelve values, labelled.
inline std::vector<unsigned char> MakeChart(const std::u16string& type, int width, int height)
{
    return MakeChart(type, width, height, 3, 12, true);
}

} // namespace pvbench
