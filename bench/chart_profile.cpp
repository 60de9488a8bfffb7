// For profilers: one first chart (timed: the warm start), then COUNT charts of one type inside
// ProfiledCharts (callgrind: --toggle-collect=ProfiledCharts), then COUNT
// more timed one by one.
//   pv_profile_chart TYPE-INDEX [WIDTH [COUNT [OUT.png]]]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "chart_road.h"

extern "C" __attribute__((noinline)) std::size_t ProfiledCharts(int type, int width, int count)
{
    std::size_t bytes = 0;
    for (int i = 0; i < count; ++i)
        bytes += pvbench::MakeChart(pvbench::kTypes[type], width, width * 3 / 4).size();
    return bytes;
}

int main(int argc, char** argv)
{
    int type = argc > 1 ? std::atoi(argv[1]) : 0;
    int width = argc > 2 ? std::atoi(argv[2]) : 640;
    int count = argc > 3 ? std::atoi(argv[3]) : 1;
    if (type < 0 || type >= pvbench::kTypeCount || width < 4 || count < 0) {
        std::fprintf(stderr, "usage: %s TYPE [WIDTH [COUNT [OUT.png]]]  (TYPE 0 to %d: pie 2d to lines dotted;"
                     " WIDTH at least 4)\n", argv[0], pvbench::kTypeCount - 1);
        return 2;
    }
#if defined(PV_FLAVOUR_MAC)
    // The interface version at which the mac flavour writes its own picture
    // streams, as `./run bench` runs the bundle.
    pvtest::Init(50);
#else
    pvtest::Init();
#endif
    pvtest::CallText(u"PVane_SetupLog", {u"logOff"});
    const auto first = std::chrono::steady_clock::now();
    std::vector<unsigned char> png = pvbench::MakeChart(pvbench::kTypes[type], width, width * 3 / 4);
    std::printf("first %.2f ms, ", std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - first).count());
    std::size_t bytes = ProfiledCharts(type, width, count);
    // Then timed one by one: the best and the median.
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        auto start = std::chrono::steady_clock::now();
        ProfiledCharts(type, width, 1);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    if (!ms.empty())
        std::printf("best %.2f ms, median %.2f ms; ", ms.front(), ms[ms.size() / 2]);
    if (argc > 4) {
        if (std::FILE* f = std::fopen(argv[4], "wb")) {
            std::fwrite(png.data(), 1, png.size(), f);
            std::fclose(f);
        }
    }
    std::printf("%zu bytes per chart\n", count ? bytes / static_cast<std::size_t>(count) : png.size());
    pvtest::Shutdown();
    return 0;
}
