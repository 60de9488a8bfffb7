// Every chart kind draws a sound picture for degenerate data: no exception,
// no NaN or infinite coordinate handed to the drawing layer, the title kept,
// the data shown whenever it has a finite positive value, and no more work
// than the same shape of ordinary data asks for. Pie tags read the rounded
// whole value or the percentage, whatever the size of the values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>

#include "chart/engine/BarChart.h"
#include "chart/engine/LinesChart.h"
#include "chart/engine/Pie.h"
#include "platform/gdiplus/Gdiplus.h"
#include "platform/gdiplus/Recording.h"
#include "support/ChartSupport.h"
#include "support/gfx_support.h"

namespace {

enum class Family { Pie, Bars, Lines };

struct Kind {
    const char* name;
    Family family;
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
        {"pie2d", Family::Pie, pie(0, 5)},
        {"pie3d", Family::Pie, pie(10, 0)},
        {"bars2d", Family::Bars, bars(0, 5)},
        {"bars3d", Family::Bars, bars(10, 0)},
        {"lines", Family::Lines,
         [](std::int32_t w, std::int32_t h) {
             return std::unique_ptr<CPlot>(
                 new CSimpleLinesChart(w, h, L"degenerate", CColor::Empty(), 0, false, false));
         }},
        {"linesDotted", Family::Lines,
         [](std::int32_t w, std::int32_t h) {
             return std::unique_ptr<CPlot>(
                 new CSimpleLinesChart(w, h, L"degenerate", CColor::Empty(), 1, false, true));
         }},
        {"linesSoft", Family::Lines,
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
const float kNaN = std::numeric_limits<float>::quiet_NaN();

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
        {"hugeAlternating", {{kBig, -kBig, kBig, -kBig, kBig}}, {L"a", L"b", L"c", L"d", L"e"}},
        {"infiniteValues", {{kInf, 1, -kInf}}, {L"a", L"b", L"c"}},
        {"notANumber", {{kNaN, 2, kNaN, 1}}, {L"a", L"b", L"c", L"d"}},
        {"tinyValues", {{1e-30f, 2e-30f}}, {L"a", L"b"}},
        {"hugeAndTiny", {{kBig, std::numeric_limits<float>::denorm_min(), 1}}, {L"a", L"b", L"c"}},
    };
}

// The same shape (graphs, values per graph, labels) with ordinary values
// swinging between 1 and 10: lines cross most of the plot, every slice shows.
Data Ordinary(const Data& data)
{
    Data out{"ordinary", {}, data.labels};
    for (const auto& graph : data.graphs) {
        std::vector<float> values;
        for (std::size_t i = 0; i < graph.size(); ++i)
            values.push_back((i + out.graphs.size()) % 2 == 0 ? 1.0f : 10.0f);
        out.graphs.push_back(values);
    }
    return out;
}

const CColor kColours[] = {CColor(0xFF3366CCu), CColor(0xFFCC3333u)};

void Fill(CPlot& chart, const Data& data, CPlot::ETagMode tags = CPlot::ETagMode::Values)
{
    pvtest::ChartOptions options;
    options.tags = tags;
    options.grid = true;
    pvtest::SetOptions(chart, options);
    std::size_t i = 0;
    for (const auto& graph : data.graphs) {
        CChartData values;
        for (float v : graph)
            values.data.emplace_back(v, boost::any(false));
        chart.AddSeries(values, kColours[i++ % 2], L"graph");
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

// The numbers of a recorded field such as rect=(x,y,w,h) or points=(x,y);...
std::vector<float> Numbers(const std::string& line, const std::string& key)
{
    std::vector<float> out;
    const std::string field = pvtest::Field(line, key);
    const char* p = field.c_str();
    while (*p) {
        if ((*p >= '0' && *p <= '9') || *p == '-' || *p == '.') {
            char* end = nullptr;
            out.push_back(std::strtof(p, &end));
            p = end;
        } else {
            ++p;
        }
    }
    return out;
}

// The work a drawing asks of the graphics layer: each operation and each
// point of a path or polygon (a curve is handed over point by point).
std::size_t Work(const std::vector<std::string>& lines)
{
    std::size_t work = lines.size();
    for (const auto& line : lines)
        work += Numbers(line, "points").size() / 2;
    return work;
}

std::size_t Primitives(const CPrimitive& node)
{
    std::size_t n = 1;
    for (const auto& child : node.children)
        n += Primitives(*child);
    return n;
}

// Whether a graph's data reaches the picture: a pie slice, a bar above the
// base, a line point above the base.
bool ShowsData(Family family, const CPlot& chart, const std::vector<std::string>& lines)
{
    const float base = chart.plotRect->bottom;
    for (const auto& line : lines) {
        if (family == Family::Pie && line.rfind("FillPie ", 0) == 0) {
            const auto sweep = Numbers(line, "sweep");
            if (!sweep.empty() && sweep[0] != 0.0f)
                return true;
        }
        if (family == Family::Bars && line.rfind("FillRectangle brush=gradient", 0) == 0) {
            const auto rect = Numbers(line, "rect");
            if (rect.size() == 4 && rect[3] >= 1.0f)
                return true;
        }
        if (family == Family::Lines && line.rfind("DrawPath pen=(", 0) == 0 &&
            line.find(",4.00,") != std::string::npos) {
            const auto points = Numbers(line, "points");
            for (std::size_t i = 1; i < points.size(); i += 2)
                if (points[i] < base - 1.0f)
                    return true;
        }
    }
    return false;
}

// Data that must show: for a pie finite values, none negative, of a positive
// sum in its first graph; for the others some finite positive value.
bool MustShow(Family family, const Data& data)
{
    if (data.graphs.empty())
        return false;
    if (family == Family::Pie) {
        double sum = 0.0;
        for (float v : data.graphs.front()) {
            if (!std::isfinite(v) || v < 0.0f)
                return false;
            sum += v;
        }
        return sum > 0.0;
    }
    for (const auto& graph : data.graphs)
        for (float v : graph)
            if (std::isfinite(v) && v > 0.0f)
                return true;
    return false;
}

} // namespace

TEST(Degenerate, EveryKindDrawsEveryDegenerateInputSoundly)
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
            if (MustShow(kind.family, data)) {
                EXPECT_TRUE(ShowsData(kind.family, *chart, recording.Lines()))
                    << "the data left no mark";
            }
        }
    }
}

// Huge, infinite, alternating or tiny values ask for no more drawing than
// ordinary values of the same shape: the work depends on the number of values
// and the picture, never on their size.
TEST(Degenerate, WorkDoesNotGrowWithTheValues)
{
    for (const auto& kind : Kinds()) {
        for (const auto& data : DegenerateData()) {
            SCOPED_TRACE(std::string(kind.name) + "/" + data.name);
            auto ordinary = kind.make(320, 240);
            Fill(*ordinary, Ordinary(data));
            std::size_t ordinaryWork = 0;
            {
                Gdiplus::Recording recording;
                ordinary->Draw();
                ordinaryWork = Work(recording.Lines());
            }
            auto chart = kind.make(320, 240);
            Fill(*chart, data);
            Gdiplus::Recording recording;
            chart->Draw();
            // Clipping at the band round the plot may take a curve along its
            // edges: some slack over the ordinary shape, no growth.
            EXPECT_LE(Work(recording.Lines()), 4 * ordinaryWork + 100);
            EXPECT_LE(Primitives(*chart), 2 * Primitives(*ordinary) + 20);
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

namespace {

// The texts of the recorded DrawString lines, unescaped.
std::vector<std::string> DrawnTexts(const std::vector<std::string>& lines)
{
    std::vector<std::string> out;
    for (const auto& line : pvtest::LinesOf(lines, "DrawString")) {
        std::size_t at = line.find(" text=\"");
        if (at == std::string::npos)
            continue;
        std::string text;
        for (at += 7; at < line.size() && line[at] != '"'; ++at) {
            if (line[at] == '\\' && at + 1 < line.size()) {
                if (line[at + 1] == 'x' && at + 3 < line.size()) {
                    text += static_cast<char>(std::stoi(line.substr(at + 2, 2), nullptr, 16));
                    at += 3;
                    continue;
                }
                ++at;
            }
            text += line[at];
        }
        out.push_back(text);
    }
    return out;
}

// The tags of a drawn pie: every text but the title and the legend's labels.
std::vector<std::string> PieTags(CPlot::ETagMode mode, const std::vector<float>& values,
                                 std::int32_t depth)
{
    CPie chart(640, 480, L"degenerate", CColor::Empty(), 1, false);
    chart.depth = depth;
    std::vector<std::wstring> labels;
    for (std::size_t i = 0; i < values.size(); ++i)
        labels.push_back(L"label" + std::wstring(1, static_cast<wchar_t>(L'a' + i)));
    Data data{"tags", {values}, labels};
    Fill(chart, data, mode);
    Gdiplus::Recording recording;
    chart.Draw();
    std::vector<std::string> tags;
    for (const auto& text : DrawnTexts(recording.Lines())) {
        if (text != "degenerate" && text.rfind("label", 0) != 0)
            tags.push_back(text);
    }
    std::sort(tags.begin(), tags.end());
    return tags;
}

using Tags = std::vector<std::string>;

} // namespace

TEST(Degenerate, PieTagsShowRoundedWholeValuesAndPercentages)
{
    for (std::int32_t depth : {0, 10}) {
        SCOPED_TRACE(depth == 0 ? "pie2d" : "pie3d");
        // Whole numbers beyond 32 bits, digits grouped by three.
        EXPECT_EQ(PieTags(CPlot::ETagMode::Values, {5e9f, 3e9f, 2e9f}, depth),
                  (Tags{"2 000 000 000", "3 000 000 000", "5 000 000 000"}));
        EXPECT_EQ(PieTags(CPlot::ETagMode::Values, {1234567, 7654321}, depth),
                  (Tags{"1 234 567", "7 654 321"}));
        // Halves go to the even neighbour.
        EXPECT_EQ(PieTags(CPlot::ETagMode::Values, {2.5f, 3.5f, 4.5f}, depth),
                  (Tags{"2", "4", "4"}));
        // Percentages of the total, also where the total leaves float's range
        // or the values are tiny.
        EXPECT_EQ(PieTags(CPlot::ETagMode::Percentage, {1, 2}, depth), (Tags{"33", "67"}));
        EXPECT_EQ(PieTags(CPlot::ETagMode::Percentage, {kBig, kBig}, depth), (Tags{"50", "50"}));
        EXPECT_EQ(PieTags(CPlot::ETagMode::Percentage, {1e-30f, 3e-30f}, depth),
                  (Tags{"25", "75"}));
        EXPECT_EQ(PieTags(CPlot::ETagMode::Percentage, {6e9f, 2e9f}, depth), (Tags{"25", "75"}));
        EXPECT_EQ(PieTags(CPlot::ETagMode::None, {1, 2}, depth), Tags{});
    }
}

// What degenerate pictures become, written to bin/pictures for a look: the
// written file is a picture of the chart's size, transparent where nothing
// is drawn, with the title's ink in the title band, centred.
TEST(Degenerate, PicturesOfDegenerateData)
{
    for (const auto& kind : Kinds()) {
        for (const auto& data : DegenerateData()) {
            SCOPED_TRACE(std::string(kind.name) + "/" + data.name);
            auto chart = kind.make(320, 240);
            Fill(*chart, data);
            chart->Draw();
            const std::string path =
                pvtest::SavePicture(*chart, std::string("degenerate_") + kind.name + "_" + data.name);
            gfx_test::Image image;
            ASSERT_TRUE(gfx_test::DecodePng(gfx_test::ReadFile(path), &image)) << path;
            ASSERT_EQ(image.width, 320);
            ASSERT_EQ(image.height, 240);
            for (auto [x, y] : {std::pair<int, int>{0, 0}, {319, 0}, {0, 239}, {319, 239}})
                EXPECT_EQ(image.At(x, y) >> 24, 0u) << x << "," << y;

            const CRect& band = *chart->titleRect;
            gfx_test::Image top = image;
            top.height = static_cast<int>(band.bottom) + 4;
            top.argb.resize(static_cast<std::size_t>(top.width) * top.height);
            gfx_test::Box ink;
            ASSERT_TRUE(gfx_test::InkBox(top, &ink, 64));
            EXPECT_GE(ink.top, band.top - 2);
            EXPECT_LE(ink.bottom, band.bottom + 2);
            EXPECT_NEAR((ink.left + ink.right) * 0.5, 160.0, 2.0);
            EXPECT_GT(ink.right - ink.left, 40);   // "degenerate" at 14 points
        }
    }
}
