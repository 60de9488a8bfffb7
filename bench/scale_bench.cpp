// Times large charts through the plug-in's functions for each chart type at
// 640 x 480: one graph of 100,000 values, and 1,000 graphs of four values
// with their labels. Reports ms per chart; a few iterations each.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "chart_road.h"

namespace {

using pvbench::kTypes;
using pvbench::MakeChart;

struct Session {
    Session()
    {
        pvtest::Init();
        pvtest::CallText(u"PVane_SetupLog", {u"logOff"});
        // Fonts are found and loaded once per process: not part of a chart.
        for (const char16_t* type : kTypes)
            MakeChart(type, 640, 480);
    }
    ~Session() { pvtest::Shutdown(); }
};

void BM_Scale(benchmark::State& state)
{
    static Session session;
    const std::u16string type = kTypes[state.range(0)];
    const int graphs = static_cast<int>(state.range(1));
    const int values = static_cast<int>(state.range(2));
    std::vector<unsigned char> png;
    for (auto _ : state)
        png = MakeChart(type, 640, 480, graphs, values, graphs > 1);
    state.SetLabel(pvtest::Narrow(type) + ", " + std::to_string(graphs) + " x " + std::to_string(values));
    state.counters["png_bytes"] = static_cast<double>(png.size());
}

void Sizes(benchmark::internal::Benchmark* b)
{
    for (int type = 0; type < pvbench::kTypeCount; ++type) {
        b->Args({type, 1, 100000});
        b->Args({type, 1000, 4});
    }
}

BENCHMARK(BM_Scale)->Apply(Sizes)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
