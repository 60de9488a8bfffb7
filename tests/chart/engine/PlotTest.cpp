// The chart base: layout, options, graphs, value texts, the value axis and
// the drawing sequence.
#include <gtest/gtest.h>

#include <boost/variant/get.hpp>

#include <cmath>
#include <limits>
#include <sstream>

#include "chart/engine/BarChart.h"
#include "chart/engine/Plot.h"
#include "chart/output/Logging.h"
#include "platform/gdiplus/Recording.h"
#include "support/ChartSupport.h"

using pvtest::ChildrenOf;

namespace {

void ExpectRect(const CRect& r, float left, float top, float right, float bottom)
{
    EXPECT_NEAR(r.left, left, 1e-3);
    EXPECT_NEAR(r.top, top, 1e-3);
    EXPECT_NEAR(r.right, right, 1e-3);
    EXPECT_NEAR(r.bottom, bottom, 1e-3);
}

std::ostringstream* CaptureLog()
{
    auto owned = std::make_unique<std::ostringstream>();
    std::ostringstream* stream = owned.get();
    Logging::SetupChannels(std::make_shared<Logging::CSink>(std::move(owned)));
    return stream;
}

std::vector<std::wstring> Texts(const CPlot& chart, std::int32_t alignment)
{
    std::vector<std::wstring> out;
    for (auto* text : ChildrenOf<CText>(chart)) {
        if (text->alignment == alignment)
            out.push_back(text->text);
    }
    return out;
}

} // namespace

TEST(Layout, LegendOnTheRight)
{
    CPlot chart(640, 480, L"t", CColor::Empty(), 1, false);
    ExpectRect(*chart.pictureRect, 0, 0, 639, 479);
    ExpectRect(*chart.areaRect, 5, 5, 634, 474);
    ExpectRect(*chart.titleRect, 10, 10, 629, 35);
    ExpectRect(*chart.chartRect, 20, 56, 459.3f, 459);
    ASSERT_TRUE(chart.historyRect);
    ExpectRect(*chart.historyRect, 485.3f, 51, 624, 464);
}

TEST(Layout, LegendOnTheLeft)
{
    CPlot chart(640, 480, L"t", CColor::Empty(), 0, false);
    ExpectRect(*chart.chartRect, 173.7f, 56, 619, 459);
    ASSERT_TRUE(chart.historyRect);
    ExpectRect(*chart.historyRect, 15, 51, 163.7f, 464);
}

TEST(Layout, UnknownLegendPositionIsLoggedAndDrawsWithoutLegend)
{
    auto* log = CaptureLog();
    CVerticalBarChart chart(640, 480, L"t", CColor::Empty(), 2, false);
    std::string text = log->str();
    std::size_t first = text.find("Wrong history position");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(text.find("Wrong history position", first + 1), std::string::npos);
    EXPECT_FALSE(chart.historyRect);
    ExpectRect(*chart.chartRect, 20, 56, 619, 459);

    pvtest::SetOptions(chart);
    pvtest::AddGraph(chart, {1, 2}, CColor(0xFF0000FFu));
    chart.Draw();
    EXPECT_TRUE(ChildrenOf<CCaption>(chart).empty());
}

TEST(Layout, MarginsFollowTheDepth)
{
    CVerticalBarChart chart(640, 480, L"t", CColor::Empty(), 1, false);
    pvtest::SetOptions(chart);
    chart.depth = 0;
    chart.Draw();
    ExpectRect(*chart.plotRect, 55, 57, 458.3f, 444);
    chart.depth = 10;
    chart.Draw();
    ExpectRect(*chart.plotRect, 65, 57, 458.3f, 424);
}

TEST(Options, FirstValueStaysAndAbsentIdReadsFalse)
{
    CPlot chart(100, 100, L"", CColor::Empty(), 1, false);
    chart.SetOption(CPlot::TitleFontSize, 12);
    chart.SetOption(CPlot::TitleFontSize, 20);
    CPlot::COptionValue value = chart.GetOption(CPlot::TitleFontSize);
    EXPECT_EQ(boost::get<std::int32_t>(value), 12);

    CPlot::COptionValue absent = chart.GetOption(12);
    EXPECT_EQ(boost::get<bool>(absent), false);
    EXPECT_THROW(boost::get<std::int32_t>(absent), boost::bad_get);
}

TEST(Options, MissingOptionFailsDrawingExceptShowGrid)
{
    CVerticalBarChart bare(200, 200, L"", CColor::Empty(), 1, false);
    EXPECT_THROW(bare.Draw(), boost::bad_get);

    CVerticalBarChart noGrid(200, 200, L"", CColor::Empty(), 1, false);
    pvtest::ChartOptions options;
    options.grid = true;
    // Every id but 13.
    pvtest::SetOptions(noGrid, options);
    noGrid.options.erase(CPlot::ShowGrid);
    noGrid.showGrid = true;
    pvtest::AddGraph(noGrid, {3, 4}, CColor(0xFF0000FFu));
    EXPECT_NO_THROW(noGrid.Draw());
    EXPECT_FALSE(noGrid.showGrid);
}

TEST(Options, ApplyCopiesFieldsAndPlacesTheTitle)
{
    Gdiplus::Recording recording;
    CVerticalBarChart chart(640, 480, L"Title", CColor::Empty(), 1, false);
    pvtest::ChartOptions options;
    options.font = L"Times";
    options.titleSize = 14;
    options.labelAngle = 270;
    options.grid = true;
    pvtest::SetOptions(chart, options);
    chart.Draw();
    EXPECT_EQ(chart.labelFontName, L"Times");
    EXPECT_EQ(chart.labelFontSize, 9);
    EXPECT_EQ(chart.labelFontColor, options.labelColour);
    EXPECT_EQ(chart.historyFontSize, 10);
    EXPECT_EQ(chart.historyFontColor, options.historyColour);
    EXPECT_EQ(chart.labelAngle, 270);
    EXPECT_TRUE(chart.showGrid);

    ASSERT_FALSE(chart.children.empty());
    auto* title = dynamic_cast<CText*>(chart.children.front().get());
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title, chart.titleText);
    EXPECT_EQ(title->text, L"Title");
    EXPECT_EQ(title->colour, options.titleColour);
    EXPECT_EQ(title->alignment, 1);
    EXPECT_TRUE(title->smoothing);
    // 14 points are 18.67 pixels to the em; the fixed metrics make a line
    // 1.25 em high, so the anchor lies 11.67 below the title band's top.
    EXPECT_FLOAT_EQ(title->x, 320);
    EXPECT_NEAR(title->y, 10 + 23.3333f * 0.5f, 1e-3);
}

TEST(Series, MaximumAndMinimum)
{
    CPlot chart(100, 100, L"", CColor::Empty(), 1, false);
    pvtest::AddGraph(chart, {}, CColor());
    EXPECT_EQ(chart.maximum, 0.0f);
    EXPECT_EQ(chart.minimum, std::numeric_limits<float>::max());

    pvtest::AddGraph(chart, {-3, -7, -1}, CColor());
    EXPECT_EQ(chart.maximum, 0.0f);
    EXPECT_EQ(chart.minimum, -7.0f);

    pvtest::AddGraph(chart, {4, 9, 2}, CColor());
    EXPECT_EQ(chart.maximum, 9.0f);
    EXPECT_EQ(chart.minimum, -7.0f);
    ASSERT_EQ(chart.series.data.size(), 3u);
    EXPECT_EQ(chart.series.data[2].values.size(), 3u);

    chart.ClearSeries();
    EXPECT_TRUE(chart.series.data.empty());
    EXPECT_EQ(chart.maximum, 0.0f);
    EXPECT_EQ(chart.minimum, std::numeric_limits<float>::max());
}

TEST(Series, PaddedSlotsReadAsZeroWithoutBeingStored)
{
    // 2 values, padded to 5, 2 more, padded to 9 and again to 12 (one run
    // grows): 2 stored, 3 padded, 2 stored, 5 padded.
    CChartData data = pvtest::Values({4, 5});
    data.padding.PadTo(data.data.size(), 5);
    data.padding.PadTo(data.data.size(), 3);   // longer already
    data.data.emplace_back(6.0f, boost::any(true));
    data.data.emplace_back(-7.0f, boost::any(false));
    data.padding.PadTo(data.data.size(), 9);
    data.padding.PadTo(data.data.size(), 12);
    ASSERT_EQ(data.Count(), 12u);
    EXPECT_EQ(data.data.size(), 4u);
    EXPECT_EQ(data.padding.Runs().size(), 2u);
    std::vector<float> read;
    for (std::size_t c = 0; c < data.Count(); ++c)
        read.push_back(data.At(c).first);
    EXPECT_EQ(read, (std::vector<float>{4, 5, 0, 0, 0, 6, -7, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(boost::any_cast<bool>(data.At(5).second));
    EXPECT_FALSE(boost::any_cast<bool>(data.At(3).second));
    EXPECT_EQ(data.Expanded().data.size(), 12u);

    // Stretches of positions 1 to 9: stored 1, padded 2..4, stored 5..6,
    // padded 7..8.
    std::string walked;
    data.padding.Walk(
        1, 9,
        [&](std::size_t at, std::size_t index, std::size_t n) {
            walked += "s" + std::to_string(at) + ":" + std::to_string(index) + "+" + std::to_string(n) + " ";
        },
        [&](std::size_t at, std::size_t n) { walked += "p" + std::to_string(at) + "+" + std::to_string(n) + " "; });
    EXPECT_EQ(walked, "s1:1+1 p2+3 s5:2+2 p7+2 ");
    std::size_t first = 0, padded = 0;
    EXPECT_EQ(data.padding.StoredIn(3, 7, &first, &padded), 4u);
    EXPECT_EQ(first, 2u);
    EXPECT_EQ(padded, 2u);

    // The chart reads the padding as zeros: the minimum comes down to 0.
    CPlot chart(100, 100, L"", CColor::Empty(), 1, false);
    CChartData positive = pvtest::Values({3, 8});
    positive.padding.PadTo(2, 1000000);
    chart.AddSeries(positive, CColor(), L"g");
    EXPECT_EQ(chart.minimum, 0.0f);
    EXPECT_EQ(chart.maximum, 8.0f);
    const auto& graph = chart.series.data.front();
    EXPECT_EQ(graph.Count(), 1000000u);
    EXPECT_EQ(graph.values.size(), 2u);
}

TEST(Series, LabelsAreReplacedAndPieColoursAppended)
{
    CPlot chart(100, 100, L"", CColor::Empty(), 1, false);
    chart.SetLabels({L"a", L"b"});
    chart.SetLabels({L"c"});
    EXPECT_EQ(chart.labels, std::vector<std::wstring>{L"c"});
    chart.AddPieColors({CColor(1u), CColor(2u)});
    chart.AddPieColors({CColor(3u)});
    EXPECT_EQ(chart.pieColors, (std::vector<CColor>{CColor(1u), CColor(2u), CColor(3u)}));
}

TEST(FormatValue, RoundsHalvesToEvenAndGroupsByThree)
{
    EXPECT_EQ(CPlot::FormatValue(0.5f), L"0");
    EXPECT_EQ(CPlot::FormatValue(1.5f), L"2");
    EXPECT_EQ(CPlot::FormatValue(2.5f), L"2");
    EXPECT_EQ(CPlot::FormatValue(3.5f), L"4");
    EXPECT_EQ(CPlot::FormatValue(-2.5f), L"-2");
    EXPECT_EQ(CPlot::FormatValue(2.6f), L"3");
    EXPECT_EQ(CPlot::FormatValue(999), L"999");
    EXPECT_EQ(CPlot::FormatValue(1000), L"1 000");
    EXPECT_EQ(CPlot::FormatValue(1234567), L"1 234 567");
    EXPECT_EQ(CPlot::FormatValue(-1234), L"-1 234");
}

TEST(FormatValue, BeyondInt32AndClampedToInt64)
{
    EXPECT_EQ(CPlot::FormatValue(5e9f), L"5 000 000 000");
    EXPECT_EQ(CPlot::FormatValue(2147483648.0f), L"2 147 483 648");
    EXPECT_EQ(CPlot::FormatValue(-3e9f), L"-3 000 000 000");
    // Halves still go to the even neighbour at seven digits.
    EXPECT_EQ(CPlot::FormatValue(4194304.5f), L"4 194 304");
    EXPECT_EQ(CPlot::FormatValue(4194305.5f), L"4 194 306");
    EXPECT_EQ(CPlot::FormatValue(1e20f), L"9 223 372 036 854 775 807");
    EXPECT_EQ(CPlot::FormatValue(-std::numeric_limits<float>::infinity()),
              L"-9 223 372 036 854 775 808");
    EXPECT_EQ(CPlot::FormatValue(std::numeric_limits<float>::quiet_NaN()), L"0");
    EXPECT_EQ(CPlot::RoundHalfEven(-0.5), 0);
    EXPECT_EQ(CPlot::RoundHalfEven(-9223372036854775808.0),
              std::numeric_limits<std::int64_t>::min());
}

TEST(AxisScale, StepsForTenWantedSteps)
{
    CAxisScale s = CPlot::ComputeAxisScale(0, 87, 10);
    EXPECT_FLOAT_EQ(s.magnitude, 10);
    EXPECT_FLOAT_EQ(s.step, 20);
    EXPECT_FLOAT_EQ(s.first, 0);
    EXPECT_FLOAT_EQ(s.last, 100);
    EXPECT_EQ(s.count, 5);

    s = CPlot::ComputeAxisScale(0, 1.5f, 10);
    EXPECT_FLOAT_EQ(s.magnitude, 1);
    EXPECT_FLOAT_EQ(s.step, 0.4f);
    EXPECT_FLOAT_EQ(s.last, 1.6f);
    EXPECT_EQ(s.count, 4);

    // Factors 0.5 and 1.
    EXPECT_FLOAT_EQ(CPlot::ComputeAxisScale(0, 25, 10).step, 5);
    EXPECT_FLOAT_EQ(CPlot::ComputeAxisScale(0, 40, 10).step, 10);

    // Steps keep their float values: a tenth's magnitude times 0.4 is the
    // float product, which lies above the float nearest to 0.04.
    s = CPlot::ComputeAxisScale(0, 0.1f, 10);
    EXPECT_EQ(s.step, std::pow(10.0f, -1.0f) * 0.4f);
    EXPECT_EQ(s.count, 3);

    s = CPlot::ComputeAxisScale(0, 0, 10);
    EXPECT_FLOAT_EQ(s.range, 1);
    EXPECT_FLOAT_EQ(s.step, 0.4f);
    EXPECT_FLOAT_EQ(s.first, 0);
    EXPECT_FLOAT_EQ(s.last, 0);
    EXPECT_EQ(s.count, 0);
}

TEST(AxisScale, UpToFloatsLargestValueAndNoFurther)
{
    // The upper end lies beyond float's range but still exists.
    CAxisScale s = CPlot::ComputeAxisScale(0, std::numeric_limits<float>::max(), 10);
    EXPECT_EQ(s.step, static_cast<double>(1e38f));
    EXPECT_EQ(s.count, 4);
    EXPECT_EQ(s.last, 4 * static_cast<double>(1e38f));
    EXPECT_GT(s.last, std::numeric_limits<float>::max());

    for (float high : {std::numeric_limits<float>::infinity(),
                       std::numeric_limits<float>::quiet_NaN()}) {
        s = CPlot::ComputeAxisScale(0, high, 10);
        EXPECT_EQ(s.count, 0);
        EXPECT_EQ(s.last, 0.0);
        EXPECT_GT(s.step, 0.0);
    }
}

namespace {

struct AxisChart {
    explicit AxisChart(std::int32_t depth, bool grid = false, std::int32_t inset = 5)
        : chart(640, 480, L"", CColor::Empty(), 1, false)
    {
        chart.depth = depth;
        chart.seriesInset = inset;
        pvtest::ChartOptions options;
        options.grid = grid;
        pvtest::SetOptions(chart, options);
    }
    CVerticalBarChart chart;
};

} // namespace

TEST(Axes, LabelsAsFloatsReadAndTicksAboveTheBase)
{
    AxisChart a(0);
    pvtest::AddGraph(a.chart, {1.5f}, CColor(0xFF0000FFu));
    a.chart.Draw();
    EXPECT_EQ(Texts(a.chart, 2), (std::vector<std::wstring>{L"0", L"0.400000006", L"0.800000012",
                                                            L"1.20000005", L"1.60000002"}));
    // Plot (55, 57, 458.3, 444): four steps of 96.75 pixels.
    std::vector<CText*> labels;
    for (auto* t : ChildrenOf<CText>(a.chart))
        if (t->alignment == 2)
            labels.push_back(t);
    ASSERT_EQ(labels.size(), 5u);
    EXPECT_FLOAT_EQ(labels[0]->x, 45);
    EXPECT_FLOAT_EQ(labels[0]->y, 434);
    EXPECT_FLOAT_EQ(labels[1]->y, 347.25f);
    EXPECT_FLOAT_EQ(labels[4]->y, 57);

    // Two frame lines, then a tick of 2 x inset across the axis per level.
    auto lines = ChildrenOf<CLine>(a.chart);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[2]->from, CPointF(50, 347.25f));
    EXPECT_EQ(lines[2]->to, CPointF(60, 347.25f));
    EXPECT_FALSE(lines[2]->dashed);
    EXPECT_EQ(lines[2]->colour, CColor::DefaultGray());
}

TEST(Axes, GridLinesCrossThePlotDashed)
{
    AxisChart a(0, true);
    pvtest::AddGraph(a.chart, {87}, CColor(0xFF0000FFu));
    a.chart.Draw();
    EXPECT_EQ(Texts(a.chart, 2),
              (std::vector<std::wstring>{L"0", L"20", L"40", L"60", L"80", L"100"}));
    std::vector<CLine*> grid;
    for (auto* line : ChildrenOf<CLine>(a.chart))
        if (line->dashed)
            grid.push_back(line);
    ASSERT_EQ(grid.size(), 5u);
    EXPECT_FLOAT_EQ(grid[0]->from.x, 50);
    EXPECT_FLOAT_EQ(grid[0]->to.x, 463.3f);
    EXPECT_NEAR(grid[4]->from.y, 57, 1e-3);
}

TEST(Axes, AllZeroAndNegativeOnlyShowASingleZero)
{
    for (float v : {0.0f, -4.0f}) {
        AxisChart a(0);
        pvtest::AddGraph(a.chart, {v}, CColor(0xFF0000FFu));
        a.chart.Draw();
        EXPECT_EQ(Texts(a.chart, 2), std::vector<std::wstring>{L"0"});
        // The frame only: no tick.
        EXPECT_EQ(ChildrenOf<CLine>(a.chart).size(), 2u);
    }
}

TEST(Axes, DepthMovesLabelsLeftAndDownAndCrossesTheWall)
{
    AxisChart a(10, false, 0);
    pvtest::AddGraph(a.chart, {87}, CColor(0xFF0000FFu));
    a.chart.Draw();
    const CRect& p = *a.chart.plotRect;
    std::vector<CText*> labels;
    for (auto* t : ChildrenOf<CText>(a.chart))
        if (t->alignment == 2)
            labels.push_back(t);
    ASSERT_EQ(labels.size(), 6u);
    const float dy = (p.bottom - p.top) / 5;
    EXPECT_FLOAT_EQ(labels[0]->x, p.left - 20);
    EXPECT_FLOAT_EQ(labels[0]->y, p.bottom);
    EXPECT_FLOAT_EQ(labels[1]->y, p.bottom - dy + 10);
    EXPECT_NEAR(labels[5]->y, p.top + 10, 1e-3);

    // Frame: two axes, the wall, floor front and right edges.
    auto walls = ChildrenOf<CPolygon>(a.chart);
    ASSERT_EQ(walls.size(), 1u);
    EXPECT_EQ(walls[0]->points, (std::vector<CPointF>{CPointF(p.left, p.top),
                                                      CPointF(p.left - 10, p.top + 10),
                                                      CPointF(p.left - 10, p.bottom + 10),
                                                      CPointF(p.left, p.bottom)}));
    EXPECT_FALSE(walls[0]->fill);
    auto lines = ChildrenOf<CLine>(a.chart);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[2]->from, CPointF(p.left - 10, p.bottom + 10));
    EXPECT_EQ(lines[2]->to, CPointF(p.right - 10, p.bottom + 10));
    EXPECT_EQ(lines[3]->to, CPointF(p.right, p.bottom));
    // Then per level a zero-length tick (inset 0) above the base and a line
    // across the wall.
    EXPECT_EQ(lines[4]->from, CPointF(p.left, p.bottom));
    EXPECT_EQ(lines[4]->to, CPointF(p.left - 10, p.bottom + 10));
}

TEST(Axes, ValueToHeightScalesToTheAxisEnd)
{
    AxisChart a(0);
    pvtest::AddGraph(a.chart, {87}, CColor(0xFF0000FFu));
    a.chart.Draw();
    EXPECT_EQ(a.chart.ValueToHeight(0), 0.0f);
    EXPECT_FLOAT_EQ(a.chart.ValueToHeight(100), 387);
    EXPECT_FLOAT_EQ(a.chart.ValueToHeight(50), 193.5f);
    EXPECT_FLOAT_EQ(a.chart.ValueToHeight(-50), -193.5f);

    AxisChart flat(0);
    pvtest::AddGraph(flat.chart, {-3}, CColor(0xFF0000FFu));
    flat.chart.Draw();
    EXPECT_EQ(flat.chart.ValueToHeight(-3), 0.0f);
}

TEST(Legend, OneEntryPerGraphAtTheLegendCorner)
{
    CVerticalBarChart chart(640, 480, L"", CColor::Empty(), 1, false);
    pvtest::SetOptions(chart);
    pvtest::AddGraph(chart, {1}, CColor(0xFF0000FFu), L"alpha");
    pvtest::AddGraph(chart, {2}, CColor(0xFF00FF00u), L"beta");
    chart.Draw();
    auto captions = ChildrenOf<CCaption>(chart);
    ASSERT_EQ(captions.size(), 1u);
    EXPECT_EQ(chart.children.back().get(), captions[0]);
    EXPECT_NEAR(captions[0]->originX, 485.3f, 1e-3);
    EXPECT_FLOAT_EQ(captions[0]->originY, 51);
    EXPECT_NEAR(captions[0]->wrapWidth, 624 - 485.3f, 1e-3);
    EXPECT_EQ(captions[0]->family, L"DejaVu Sans");
    EXPECT_EQ(captions[0]->size, 10);
    ASSERT_EQ(captions[0]->entries.size(), 2u);
    EXPECT_EQ(captions[0]->entries[1].second, L"beta");
    EXPECT_EQ(captions[0]->entries[1].first, CColor(0xFF00FF00u));
}

TEST(Drawing, EveryDrawStartsFromAFreshModel)
{
    CVerticalBarChart chart(320, 240, L"twice", CColor(0xFFFFFFFFu), 1, false);
    pvtest::SetOptions(chart);
    pvtest::AddGraph(chart, {3, 5, 2}, CColor(0xFF3366CCu));
    chart.SetLabels({L"a", L"b", L"c"});
    std::vector<std::string> first;
    {
        Gdiplus::Recording recording;
        chart.Draw();
        first = recording.Lines();
    }
    const std::size_t children = chart.children.size();
    std::vector<std::string> second;
    {
        Gdiplus::Recording recording;
        chart.Draw();
        second = recording.Lines();
    }
    EXPECT_EQ(chart.children.size(), children);
    EXPECT_EQ(first, second);
}
