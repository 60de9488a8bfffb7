// Times the whole road through the plug-in's functions for each chart type:
// create, three graphs of twelve values, labels, get chart. Reports ms per
// chart, the PNG's bytes and the bytes libpng's default settings give for the
// same pixels.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/plugin_harness.h"

namespace {

using pvtest::CallText;

const char16_t* const kTypes[] = {u"pie 2d", u"pie 3d", u"bars 2d", u"bars 3d", u"lines", u"lines soft", u"lines dotted"};

struct Session {
    Session()
    {
        pvtest::Init();
        CallText(u"PVane_SetupLog", {u"logOff"});
    }
    ~Session() { pvtest::Shutdown(); }
};

std::u16string Number(int i)
{
    std::u16string out;
    for (char c : std::to_string(i))
        out.push_back(static_cast<char16_t>(c));
    return out;
}

// One whole chart: answers the PNG bytes (or empty).
std::vector<unsigned char> MakeChart(const std::u16string& type, int width, int height)
{
    const std::u16string name = u"bench";
    CallText(u"PVane_CreateChart", {type, name, u"png", Number(width), Number(height), u"FFFFFF", u"Benchmark chart"});
    std::u16string labels;
    for (int g = 0; g < 3; ++g) {
        std::u16string graph = u"g" + Number(g);
        CallText(u"PVane_AddGraph", {name, graph, u"Graph " + Number(g)});
        std::u16string values;
        for (int v = 0; v < 12; ++v)
            values += Number((v * 7 + g * 13) % 90 + 5) + (v < 11 ? u"\r" : u"");
        CallText(u"PVane_AddData", {name, graph, values});
    }
    for (int v = 0; v < 12; ++v)
        labels += u"M" + Number(v) + (v < 11 ? u"\r" : u"");
    CallText(u"PVane_AddLabels", {name, labels});
    pvtest::CallResult r = CallText(u"PVane_GetChart", {name});
    CallText(u"PVane_DestroyChart", {name});
    for (auto& s : r.streams)
        if (s.first == 0x504E4766u)
            return s.second;
    return {};
}

// Re-encodes the picture's pixels with libpng's default settings.
std::size_t DefaultPngSize(const std::vector<unsigned char>& png)
{
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size()))
        return 0;
    image.format = PNG_FORMAT_RGBA;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        return 0;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
    return size;
}

void BM_Chart(benchmark::State& state)
{
    static Session session;
    const std::u16string type = kTypes[state.range(0)];
    const int width = static_cast<int>(state.range(1));
    const int height = width * 3 / 4;
    std::vector<unsigned char> png;
    for (auto _ : state)
        png = MakeChart(type, width, height);
    state.SetLabel(pvtest::Narrow(type));
    state.counters["png_bytes"] = static_cast<double>(png.size());
    const std::size_t reference = DefaultPngSize(png);
    state.counters["libpng_default_bytes"] = static_cast<double>(reference);
    state.counters["size_ratio"] = reference ? static_cast<double>(png.size()) / static_cast<double>(reference) : 0.0;
}

BENCHMARK(BM_Chart)
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6}, {640, 1600}})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
