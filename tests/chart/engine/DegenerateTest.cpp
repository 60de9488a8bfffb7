// Every chart kind draws a sound picture for degenerate data: no exception,
// no NaN or infinite coordinate handed to the drawing layer, and the
// picture keeps its title.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>

#include "chart/engine/BarChart.h"
#include "chart/engine/LinesChart.h"
#include "chart/engine/Pie.h"
#include "platform/gdiplus/Gdiplus.h"
#include "platform/gdiplus/Recording.h"
#include "support/ChartSupport.h"

namespace {

struct Kind {
    const char* name;
    std::function<std::unique_ptr<CPlot>(std::int32_t, std::int32_t)> make;
};

std::vector<Kind> Kinds()
{
    auto pie = [](std::int32_t depth, std::int32_t inset) {
        return [=](std::int32_t w, std::int32_t h) {
            auto c = std::make_unique<CPie>(w, h, L"degenerate", CColor::Empty(), 1, false);
            c->depth = depth;
            c->seriesInset = inset;
            return std::unique_ptr<CPlot>(std::move(c));
        };
    };
    auto bars = [](std::int32_t depth, std::int32_t inset) {
        return [=](std::int32_t w, std::int32_t h) {
            auto c = std::make_unique<CVerticalBarChart>(w, h, L"degenerate", CColor::Empty(), 1,
                                                         false);
            c->depth = depth;
            c->seriesInset = inset;
            return std::unique_ptr<CPlot>(std::move(c));
        };
    };
    return {
        {"pie2d", pie(0, 5)},
        {"pie3d", pie(10, 0)},
        {"bars2d", bars(0, 5)},
        {"bars3d", bars(10, 0)},
        {"lines",
         [](std::int32_t w, std::int32_t h) {
             return std::unique_ptr<CPlot>(
                 new CSimpleLinesChart(w, h, L"degenerate", CColor::Empty(), 0, false, false));
         }},
        {"linesDotted",
         [](std::int32_t w, std::int32_t h) {
             return std::unique_ptr<CPlot>(
                 new CSimpleLinesChart(w, h, L"degenerate", CColor::Empty(), 1, false, true));
         }},
        {"linesSoft",
         [](std::int32_t w, std::int32_t h) {
             return std::unique_ptr<CPlot>(
                 new CSoftLinesChart(w, h, L"degenerate", CColor::Empty(), 1, false));
         }},
    };
}

struct Data {
    const char* name;
    std::vector<std::vector<float>> graphs;
    std::vector<std::wstring> labels;
};

const float kBig = std::numeric_limits<float>::max();
const float kInf = std::numeric_limits<float>::infinity();

std::vector<Data> DegenerateData()
{
    return {
        {"noGraphs", {}, {L"a", L"b"}},
        {"noValues", {{}, {}}, {}},
        {"allZeros", {{0, 0, 0}, {0, 0, 0}}, {L"a", L"b", L"c"}},
        {"negativeOnly", {{-1, -5, -2}, {-3, -3, -3}}, {L"a", L"b", L"c"}},
        {"oneCategory", {{4}, {7}}, {L"only"}},
        {"onePoint", {{3}}, {}},
        {"equalPoints", {{5, 5, 5, 5}}, {L"a", L"b", L"c", L"d"}},
        {"labelsLonger", {{1, 2}, {2, 1}}, {L"a", L"b", L"c", L"d", L"e"}},
        {"labelsShorter", {{1, 2, 3, 4, 5}, {5, 4, 3, 2, 1}}, {L"a"}},
        {"mixedSumZero", {{3, -3, 0}}, {L"a", L"b", L"c"}},
        {"hugeValues", {{kBig, kBig, 1}}, {L"a", L"b", L"c"}},
        {"infiniteValues", {{kInf, 1, -kInf}}, {L"a", L"b", L"c"}},
        {"tinyValues", {{1e-30f, 2e-30f}}, {L"a", L"b"}},
    };
}

void Fill(CPlot& chart, const Data& data)
{
    pvtest::ChartOptions options;
    options.tags = CPlot::ETagMode::Values;
    options.grid = true;
    pvtest::SetOptions(chart, options);
    const CColor colours[] = {CColor(0xFF3366CCu), CColor(0xFFCC3333u)};
    std::size_t i = 0;
    for (const auto& graph : data.graphs) {
        CChartData values;
        for (float v : graph)
            values.data.emplace_back(v, boost::any(false));
        chart.AddSeries(values, colours[i++ % 2], L"graph");
    }
    chart.SetLabels(data.labels);
}

bool Sound(const std::vector<std::string>& lines, std::string* bad)
{
    for (const auto& line : lines) {
        if (line.find("nan") != std::string::npos || line.find("inf") != std::string::npos) {
            *bad = line;
            return false;
        }
    }
    return true;
}

} // namespace

TEST(Degenerate, EveryKindDrawsEveryDegenerateInput)
{
    for (const auto& kind : Kinds()) {
        for (const auto& data : DegenerateData()) {
            SCOPED_TRACE(std::string(kind.name) + "/" + data.name);
            auto chart = kind.make(320, 240);
            Fill(*chart, data);
            Gdiplus::Recording recording;
            ASSERT_NO_THROW(chart->Draw());
            std::string bad;
            EXPECT_TRUE(Sound(recording.Lines(), &bad)) << bad;
            ASSERT_FALSE(chart->children.empty());
            EXPECT_EQ(chart->children.front().get(), chart->titleText);
        }
    }
}

TEST(Degenerate, TinyPicturesDrawToo)
{
    for (const auto& kind : Kinds()) {
        // Sides the bitmap refuses leave a canvas that draws nothing.
        for (auto size : {std::pair<int, int>{1, 1}, {30, 20}, {2000, 3}, {0, 0}, {-5, 10},
                          {std::numeric_limits<int>::min(), 40000}}) {
            SCOPED_TRACE(std::string(kind.name) + " " + std::to_string(size.first) + "x" +
                         std::to_string(size.second));
            auto chart = kind.make(size.first, size.second);
            Fill(*chart, Data{"small", {{1, 2, 3}, {3, 2, 1}}, {L"a", L"b", L"c"}});
            Gdiplus::Recording recording;
            ASSERT_NO_THROW(chart->Draw());
            std::string bad;
            EXPECT_TRUE(Sound(recording.Lines(), &bad)) << bad;
        }
    }
}

// A look at what degenerate pictures become: written to bin/pictures.
TEST(Degenerate, PicturesOfDegenerateData)
{
    for (const auto& kind : Kinds()) {
        for (const auto& data : DegenerateData()) {
            auto chart = kind.make(320, 240);
            Fill(*chart, data);
            chart->Draw();
            const std::string path =
                pvtest::SavePicture(*chart, std::string("degenerate_") + kind.name + "_" + data.name);
            FILE* file = std::fopen(path.c_str(), "rb");
            ASSERT_NE(file, nullptr) << path;
            unsigned char signature[8] = {};
            EXPECT_EQ(std::fread(signature, 1, 8, file), 8u);
            std::fclose(file);
            EXPECT_EQ(signature[1], 'P');
        }
    }
}
