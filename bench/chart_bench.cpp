// Times the whole road through the plug-in's functions for each chart type:
// create, three graphs of twelve values, labels, get chart. Reports ms per
// chart, the PNG's bytes and the bytes libpng's default settings give for the
// same pixels.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "chart_road.h"
#include "support/png_reference.h"

namespace {

using pvbench::kTypes;
using pvbench::MakeChart;
using pvtest::CallText;

struct Session {
    Session()
    {
        pvtest::Init();
        CallText(u"PVane_SetupLog", {u"logOff"});
        // Fonts are found and loaded once per process: not part of a chart.
        for (const char16_t* type : kTypes)
            MakeChart(type, 640, 480);
    }
    ~Session() { pvtest::Shutdown(); }
};

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
    const std::size_t reference = pvtest::DefaultPngSize(png);
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
