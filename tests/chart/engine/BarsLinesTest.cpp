// Bar and line charts: category axes, bar groups, line points, dots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <stdexcept>

#include "chart/engine/BarChart.h"
#include "chart/engine/LinesChart.h"
#include "platform/gdiplus/Recording.h"
#include "support/ChartSupport.h"

using pvtest::ChildrenOf;

namespace {

const CColor kBlue(0xFF3366CCu);
const CColor kRed(0xFFCC3333u);

struct CStrokedLine {
    CColor colour;
    std::vector<CPointF> points;
    std::size_t pieces = 0;
};

// The chart's lines, each joined from its pieces (a dense line's pieces of
// at most 64 points share a segment with the one before: checked here).
std::vector<CStrokedLine> StrokedLines(const CPrimitive& chart)
{
    std::vector<CStrokedLine> lines;
    for (const CPolygon* polygon : ChildrenOf<CPolygon>(chart)) {
        EXPECT_LE(polygon->points.size(), 64u);
        const auto& p = polygon->points;
        if (!lines.empty() && lines.back().colour == polygon->colour && p.size() >= 2 &&
            lines.back().points.size() >= 2) {
            const auto& q = lines.back().points;
            if (q[q.size() - 2].x == p[0].x && q[q.size() - 2].y == p[0].y && q.back().x == p[1].x &&
                q.back().y == p[1].y) {
                lines.back().points.insert(lines.back().points.end(), p.begin() + 2, p.end());
                ++lines.back().pieces;
                continue;
            }
        }
        lines.push_back(CStrokedLine{polygon->colour, p, 1});
    }
    return lines;
}

struct Bars {
    explicit Bars(std::int32_t depth, bool grid = false, std::int32_t angle = 0)
        : chart(640, 480, L"bars", CColor::Empty(), 1, false)
    {
        chart.depth = depth;
        chart.seriesInset = depth == 0 ? 5 : 0;
        pvtest::ChartOptions options;
        options.grid = grid;
        options.labelAngle = angle;
        pvtest::SetOptions(chart, options);
    }
    CVerticalBarChart chart;
};

struct Lines {
    explicit Lines(bool dotted, bool grid = false)
        : chart(640, 480, L"lines", CColor::Empty(), 1, false, dotted)
    {
        pvtest::ChartOptions options;
        options.grid = grid;
        pvtest::SetOptions(chart, options);
    }
    CSimpleLinesChart chart;
};

// Category labels are the centred texts but the title.
std::vector<CText*> CategoryLabels(const CPlot& chart)
{
    std::vector<CText*> out;
    for (auto* text : ChildrenOf<CText>(chart)) {
        if (text != chart.titleText && text->alignment != 2)
            out.push_back(text);
    }
    return out;
}

std::vector<CLine*> Separators(const CPlot& chart)
{
    std::vector<CLine*> out;
    const CRect& p = *chart.plotRect;
    for (auto* line : ChildrenOf<CLine>(chart)) {
        if (line->from.x == line->to.x && line->from.x > p.left)
            out.push_back(line);
    }
    return out;
}

} // namespace

TEST(Bars, WorkedExampleTwoGraphsFourCategories)
{
    Bars bars(0);
    pvtest::AddGraph(bars.chart, {10, 20, 30, 40}, kBlue);
    pvtest::AddGraph(bars.chart, {5, 15, 25, 35}, kRed);
    bars.chart.Draw();
    auto boxes = ChildrenOf<CBox>(bars.chart);
    ASSERT_EQ(boxes.size(), 8u);
    // Plot (55, 57, 458.3, 444): groups of 100.825, slots of 25.20625.
    EXPECT_NEAR(boxes[0]->topLeft.x, 81.20625f, 1e-3);
    EXPECT_NEAR(boxes[0]->bottomRight.x, 104.4125f, 1e-3);
    EXPECT_NEAR(boxes[1]->topLeft.x, 106.4125f, 1e-3);
    EXPECT_NEAR(boxes[1]->bottomRight.x, 129.61875f, 1e-3);
    EXPECT_NEAR(boxes[2]->topLeft.x, 81.20625f + 100.825f, 1e-3);
    // Axis end 40: value 10 is a quarter of 387 pixels.
    EXPECT_FLOAT_EQ(boxes[0]->topLeft.y, 444 - 96.75f);
    EXPECT_FLOAT_EQ(boxes[0]->bottomRight.y, 444);
    EXPECT_FLOAT_EQ(boxes[7]->topLeft.y, 444 - 387 * 35 / 40.0f);
    EXPECT_EQ(boxes[0]->colour, kBlue);
    EXPECT_EQ(boxes[1]->colour, kRed);
    EXPECT_TRUE(boxes[0]->fill);
    EXPECT_TRUE(boxes[0]->gradient);
    EXPECT_EQ(boxes[0]->depth, 0);

    Gdiplus::Recording recording;
    bars.chart.Draw();
    auto fills = pvtest::LinesOf(recording.Lines(), "FillRectangle");
    ASSERT_GE(fills.size(), 8u);
    EXPECT_EQ(pvtest::Field(fills[0], "rect"), "(81.21,347.25,23.21,96.75)");
}

TEST(Bars, CategoryAxisSeparatorsAndLabels)
{
    Gdiplus::Recording recording;
    Bars bars(0);
    pvtest::AddGraph(bars.chart, {1, 2, 3, 4}, kBlue);
    bars.chart.SetLabels({L"q1", L"q2", L"q3"});
    bars.chart.Draw();
    auto separators = Separators(bars.chart);
    ASSERT_EQ(separators.size(), 3u);
    EXPECT_NEAR(separators[0]->from.x, 155.825f, 1e-3);
    EXPECT_FLOAT_EQ(separators[0]->from.y, 439);
    EXPECT_FLOAT_EQ(separators[0]->to.y, 449);
    EXPECT_FALSE(separators[0]->dashed);
    EXPECT_EQ(separators[0]->colour, CColor::DefaultGray());
    auto labels = CategoryLabels(bars.chart);
    ASSERT_EQ(labels.size(), 4u);
    EXPECT_EQ(labels[0]->text, L"q1");
    EXPECT_EQ(labels[3]->text, L"");   // more categories than labels
    EXPECT_NEAR(labels[1]->x, 55 + 1.5f * 100.825f, 1e-3);
    // Flat chart: the label's own height below the plot (9 points: 15 px).
    EXPECT_FLOAT_EQ(labels[0]->y, 444 + 15);
    EXPECT_EQ(labels[0]->alignment, 1);
    EXPECT_EQ(labels[0]->colour, CColor(0xFF404040u));
    EXPECT_EQ(labels[0]->family, L"DejaVu Sans");
    EXPECT_EQ(labels[0]->size, 9);
}

TEST(Bars, GridOnInThreeDimensions)
{
    for (std::int32_t angle : {0, 270}) {
        Bars bars(10, true, angle);
        pvtest::AddGraph(bars.chart, {1, 2}, kBlue);
        bars.chart.SetLabels({L"a", L"b", L"c"});   // extra label not drawn
        bars.chart.Draw();
        const CRect& p = *bars.chart.plotRect;
        std::vector<CLine*> dashed;
        for (auto* line : ChildrenOf<CLine>(bars.chart))
            if (line->dashed && line->from.x == line->to.x)
                dashed.push_back(line);
        ASSERT_EQ(dashed.size(), 1u);
        const float xr = p.left + (p.right - p.left) / 2;
        EXPECT_FLOAT_EQ(dashed[0]->from.y, p.top);
        EXPECT_FLOAT_EQ(dashed[0]->to.y, p.bottom);
        // The trace on the floor follows the separator.
        bool trace = false;
        for (auto* line : ChildrenOf<CLine>(bars.chart))
            trace |= line->from == CPointF(xr, p.bottom) && line->to == CPointF(xr - 10, p.bottom + 10);
        EXPECT_TRUE(trace);
        auto labels = CategoryLabels(bars.chart);
        ASSERT_EQ(labels.size(), 2u);
        EXPECT_FLOAT_EQ(labels[0]->y, p.bottom + (angle > 0 ? 30 : 20));
        EXPECT_NEAR(labels[0]->x, p.left + (p.right - p.left) / 4 - 6, 1e-3);
        EXPECT_EQ(labels[0]->angle, angle);
    }
}

TEST(Bars, OneCategoryAndEmptyGraphs)
{
    Bars bars(0);
    pvtest::AddGraph(bars.chart, {7}, kBlue);
    pvtest::AddGraph(bars.chart, {}, kRed);
    pvtest::AddGraph(bars.chart, {3}, kRed);
    bars.chart.SetLabels({L"only"});
    bars.chart.Draw();
    EXPECT_TRUE(Separators(bars.chart).empty());
    auto labels = CategoryLabels(bars.chart);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_NEAR(labels[0]->x, (55 + 458.3f) * 0.5f, 1e-3);
    auto boxes = ChildrenOf<CBox>(bars.chart);
    ASSERT_EQ(boxes.size(), 2u);
    // Five slots: the empty graph leaves slot 2 free.
    const float w = 403.3f / 5;
    EXPECT_NEAR(boxes[0]->topLeft.x, 55 + w + 1, 1e-3);
    EXPECT_NEAR(boxes[1]->topLeft.x, 55 + 3 * w + 1, 1e-3);
}

TEST(Bars, ZeroNegativeAndAllNegativeValues)
{
    Bars bars(0);
    pvtest::AddGraph(bars.chart, {0, -5, 10}, kBlue);
    bars.chart.Draw();
    auto boxes = ChildrenOf<CBox>(bars.chart);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_FLOAT_EQ(boxes[0]->topLeft.y, 444);   // flat on the base
    // Below it: the axis ends at 12 (steps of 4).
    EXPECT_FLOAT_EQ(boxes[1]->topLeft.y, 444 + 387 * 5 / 12.0f);

    Bars negative(10);
    pvtest::AddGraph(negative.chart, {-5, -1}, kBlue);
    negative.chart.Draw();
    for (auto* box : ChildrenOf<CBox>(negative.chart))
        EXPECT_EQ(box->topLeft.y, box->bottomRight.y);
}

TEST(Bars, GraphShorterThanTheFirstThrowsOutOfRange)
{
    Bars bars(0);
    pvtest::AddGraph(bars.chart, {1, 2, 3}, kBlue);
    pvtest::AddGraph(bars.chart, {1, 2}, kRed);
    EXPECT_THROW(bars.chart.Draw(), std::out_of_range);
    // A longer graph has its extra values left out.
    Bars longer(0);
    pvtest::AddGraph(longer.chart, {1, 2}, kBlue);
    pvtest::AddGraph(longer.chart, {1, 2, 3}, kRed);
    longer.chart.Draw();
    EXPECT_EQ(ChildrenOf<CBox>(longer.chart).size(), 4u);
}

TEST(Bars, NoGraphsDrawNoCategoryAxisNorBars)
{
    Bars bars(10);
    bars.chart.SetLabels({L"a", L"b"});
    bars.chart.Draw();
    EXPECT_TRUE(ChildrenOf<CBox>(bars.chart).empty());
    EXPECT_TRUE(CategoryLabels(bars.chart).empty());
    EXPECT_TRUE(Separators(bars.chart).empty());
}

TEST(Lines, DotsLieBeneathTheirLine)
{
    Lines lines(true);
    pvtest::AddGraph(lines.chart, {10, 20, 40}, kBlue);
    pvtest::AddGraph(lines.chart, {30, 0, 5}, kRed);
    lines.chart.Draw();
    // The chart's own children after the axes: dots then the line, per graph.
    std::vector<char> order;
    for (const auto& child : lines.chart.children) {
        if (dynamic_cast<CDot*>(child.get()))
            order.push_back('d');
        else if (dynamic_cast<CPolygon*>(child.get()))
            order.push_back('l');
    }
    EXPECT_EQ(std::string(order.begin(), order.end()), "dddldddl");
    auto polygons = ChildrenOf<CPolygon>(lines.chart);
    ASSERT_EQ(polygons.size(), 2u);
    const auto& points = polygons[0]->points;
    ASSERT_EQ(points.size(), 3u);
    // Plot (55, 57, 458.3, 444), axis end 40.
    EXPECT_EQ(points[0], CPointF(55, 444 - 96.75f));
    EXPECT_NEAR(points[1].x, 256.65f, 1e-3);
    EXPECT_NEAR(points[2].x, 458.3f, 1e-3);
    EXPECT_FLOAT_EQ(points[2].y, 57);
    EXPECT_FLOAT_EQ(polygons[1]->points[1].y, 444);   // zero on the base
    EXPECT_FLOAT_EQ(polygons[0]->width, 4.0f);
    EXPECT_TRUE(polygons[0]->smoothing);
    EXPECT_FALSE(polygons[0]->smooth);
    EXPECT_FALSE(polygons[0]->fill);
    auto dots = ChildrenOf<CDot>(lines.chart);
    ASSERT_EQ(dots.size(), 6u);
    EXPECT_EQ(dots[1]->centre, points[1]);
    EXPECT_EQ(dots[4]->colour, kRed);

    Gdiplus::Recording recording;
    lines.chart.Draw();
    // The first graph's three dots (two rectangles each) come before its path.
    std::vector<std::string> drawn;
    for (const auto& line : recording.Lines()) {
        if (line.find("FF3366CC") == std::string::npos)
            continue;
        drawn.push_back(line.substr(0, line.find(' ')));
        if (drawn.back() == "DrawPath")
            break;
    }
    EXPECT_EQ(drawn, (std::vector<std::string>{"DrawRectangle", "FillRectangle", "DrawRectangle",
                                               "FillRectangle", "DrawRectangle", "FillRectangle",
                                               "DrawPath"}));
}

TEST(Lines, PlainAndSoftLinesHaveNoDots)
{
    Lines plain(false);
    pvtest::AddGraph(plain.chart, {1, 2, 3}, kBlue);
    plain.chart.Draw();
    EXPECT_TRUE(ChildrenOf<CDot>(plain.chart).empty());

    CSoftLinesChart soft(640, 480, L"", CColor::Empty(), 1, false);
    pvtest::SetOptions(soft);
    pvtest::AddGraph(soft, {1, 2, 3}, kBlue);
    soft.Draw();
    EXPECT_EQ(soft.depth, 0);
    EXPECT_EQ(soft.seriesInset, 5);
    EXPECT_TRUE(ChildrenOf<CDot>(soft).empty());
    auto polygons = ChildrenOf<CPolygon>(soft);
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_TRUE(polygons[0]->smooth);
}

TEST(Lines, CategoryAxisWithAndWithoutGrid)
{
    Gdiplus::Recording recording;
    for (bool grid : {false, true}) {
        Lines lines(false, grid);
        pvtest::AddGraph(lines.chart, {1, 2}, kBlue);
        lines.chart.SetLabels({L"first", L"second", L"third"});
        lines.chart.Draw();
        // Two categories: the points sit on the edges, the only separator on
        // the right edge.
        auto separators = Separators(lines.chart);
        ASSERT_EQ(separators.size(), 1u);
        EXPECT_NEAR(separators[0]->from.x, 458.3f, 1e-3);
        EXPECT_FLOAT_EQ(separators[0]->from.y, grid ? 52 : 439);
        EXPECT_FLOAT_EQ(separators[0]->to.y, 449);
        EXPECT_EQ(separators[0]->dashed, grid);
        auto labels = CategoryLabels(lines.chart);
        ASSERT_EQ(labels.size(), 2u);
        EXPECT_FLOAT_EQ(labels[0]->x, 55);
        EXPECT_NEAR(labels[1]->x, 458.3f, 1e-3);
        EXPECT_FLOAT_EQ(labels[0]->y, 444 + 15);
        EXPECT_EQ(labels[1]->text, L"second");
    }
}

TEST(Lines, OneCategoryIsALevelLineWithOneRightAlignedLabel)
{
    Gdiplus::Recording recording;
    Lines lines(true);
    pvtest::AddGraph(lines.chart, {20}, kBlue);
    pvtest::AddGraph(lines.chart, {10, 40, 30}, kRed);
    lines.chart.SetLabels({L"only"});
    lines.chart.Draw();
    EXPECT_TRUE(ChildrenOf<CDot>(lines.chart).empty());
    EXPECT_TRUE(Separators(lines.chart).empty());
    auto polygons = ChildrenOf<CPolygon>(lines.chart);
    ASSERT_EQ(polygons.size(), 2u);
    // Axis end 40 (the second graph's values count for the maximum).
    EXPECT_EQ(polygons[0]->points, (std::vector<CPointF>{CPointF(55, 250.5f), CPointF(458.3f, 250.5f)}));
    // A longer graph: its first value across the plot.
    EXPECT_EQ(polygons[1]->points[0].y, 444 - 96.75f);
    EXPECT_EQ(polygons[1]->points[1].y, 444 - 96.75f);
    EXPECT_EQ(polygons[1]->points.size(), 2u);

    std::vector<CText*> labels;
    for (auto* text : ChildrenOf<CText>(lines.chart))
        if (text != lines.chart.titleText && text->text == L"only")
            labels.push_back(text);
    ASSERT_EQ(labels.size(), 1u);
    EXPECT_EQ(labels[0]->alignment, 2);
    EXPECT_NEAR(labels[0]->x, 55 + 403.3f * 0.5f, 1e-3);
    EXPECT_FLOAT_EQ(labels[0]->y, 444 + 15);
}

TEST(Lines, SingleValueGraphAmongLongerOnesIsALevelLine)
{
    Lines lines(true);
    pvtest::AddGraph(lines.chart, {1, 2, 3}, kBlue);
    pvtest::AddGraph(lines.chart, {2}, kRed);
    lines.chart.Draw();
    auto polygons = ChildrenOf<CPolygon>(lines.chart);
    ASSERT_EQ(polygons.size(), 2u);
    EXPECT_EQ(polygons[1]->points.size(), 2u);
    EXPECT_EQ(ChildrenOf<CDot>(lines.chart).size(), 3u);
}

TEST(Lines, ShorterOrEmptyGraphThrowsOutOfRange)
{
    for (auto second : {std::vector<float>{1, 2}, std::vector<float>{}}) {
        Lines lines(false);
        pvtest::AddGraph(lines.chart, {1, 2, 3}, kBlue);
        CChartData data;
        for (float v : second)
            data.data.emplace_back(v, boost::any(false));
        lines.chart.AddSeries(data, kRed, L"short");
        EXPECT_THROW(lines.chart.Draw(), std::out_of_range);
    }
}

TEST(Lines, AllZeroRunsAlongTheBaseAndNegativesStayOnIt)
{
    for (float v : {0.0f, -3.0f}) {
        Lines lines(false);
        pvtest::AddGraph(lines.chart, {v, v, v}, kBlue);
        lines.chart.Draw();
        auto polygons = ChildrenOf<CPolygon>(lines.chart);
        ASSERT_EQ(polygons.size(), 1u);
        for (const auto& point : polygons[0]->points)
            EXPECT_FLOAT_EQ(point.y, 444);
    }
}

TEST(Lines, ValueFarBelowTheAxisStaysNearThePictureWithTheSameVisibleLine)
{
    for (bool soft : {false, true}) {
        std::unique_ptr<CLinesChart> chart;
        if (soft)
            chart = std::make_unique<CSoftLinesChart>(640, 480, L"", CColor::Empty(), 1, false);
        else
            chart = std::make_unique<CSimpleLinesChart>(640, 480, L"", CColor::Empty(), 1, false,
                                                        true);
        pvtest::SetOptions(*chart);
        // Axis end 0.6: the second value lies some 64 million pixels below.
        pvtest::AddGraph(*chart, {0.5f, -100000, 0.5f}, kBlue);
        chart->Draw();
        auto polygons = ChildrenOf<CPolygon>(*chart);
        ASSERT_EQ(polygons.size(), 1u);
        const auto& points = polygons[0]->points;
        // Start, crossing of the band's lower edge (plot bottom + picture
        // height), the low point held at that edge, crossing back, end.
        ASSERT_EQ(points.size(), 5u);
        const float edge = 444 + 480;
        const float y0 = 444 - 387 * 0.5f / 0.6f;
        const float yLow = 444 + 387 * 100000 / 0.6f;
        EXPECT_FLOAT_EQ(points[0].y, y0);
        EXPECT_FLOAT_EQ(points[1].y, edge);
        // The crossing lies on the original segment.
        EXPECT_NEAR(points[1].x, 55 + 201.65f * (edge - y0) / (yLow - y0), 1e-3);
        EXPECT_EQ(points[2], CPointF(points[2].x, edge));
        EXPECT_NEAR(points[2].x, 256.65f, 1e-3);
        EXPECT_FLOAT_EQ(points[3].y, edge);
        EXPECT_FLOAT_EQ(points[4].y, y0);
        for (auto* dot : ChildrenOf<CDot>(*chart))
            EXPECT_LE(dot->centre.y, edge);
    }
}

TEST(Bars, ValueFarBelowTheAxisEndsOutsideThePicture)
{
    Bars bars(10);
    pvtest::AddGraph(bars.chart, {0.5f, -100000}, kBlue);
    bars.chart.Draw();
    auto boxes = ChildrenOf<CBox>(bars.chart);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_FLOAT_EQ(boxes[1]->topLeft.y, bars.chart.plotRect->bottom + 480);
    EXPECT_FLOAT_EQ(boxes[1]->bottomRight.y, bars.chart.plotRect->bottom);
}

TEST(BarsAndLines, ValuesUpToFloatsLimitKeepTheirPlaces)
{
    const float big = std::numeric_limits<float>::max();
    // Axis in steps of 1e38 up to 4e38, just beyond float's range.
    const double last = CPlot::ComputeAxisScale(0, big, 10).last;
    auto y = [last](double v) { return 444 - 387 * v / last; };

    Bars bars(0);
    pvtest::AddGraph(bars.chart, {big, 3e37f, 1, -big}, kBlue);
    bars.chart.Draw();
    std::vector<std::wstring> axis;
    for (auto* text : ChildrenOf<CText>(bars.chart))
        if (text->alignment == 2)
            axis.push_back(text->text);
    ASSERT_EQ(axis.size(), 5u);
    EXPECT_EQ(axis[1], L"9.99999968e+37");
    EXPECT_EQ(axis[4], L"3.99999987e+38");
    auto boxes = ChildrenOf<CBox>(bars.chart);
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_NEAR(boxes[0]->topLeft.y, y(big), 1e-3);
    EXPECT_NEAR(boxes[1]->topLeft.y, y(3e37), 1e-3);
    EXPECT_LT(boxes[1]->topLeft.y, 444 - 25);
    EXPECT_FLOAT_EQ(boxes[2]->topLeft.y, 444);
    // As far below the base as the largest is above it.
    EXPECT_NEAR(boxes[3]->topLeft.y, y(-big), 1e-3);
    EXPECT_NEAR(boxes[3]->topLeft.y - 444, 444 - boxes[0]->topLeft.y, 1e-3);

    Lines lines(true);
    pvtest::AddGraph(lines.chart, {big, 1e38f, 0}, kBlue);
    lines.chart.Draw();
    auto polygons = ChildrenOf<CPolygon>(lines.chart);
    ASSERT_EQ(polygons.size(), 1u);
    ASSERT_EQ(polygons[0]->points.size(), 3u);
    EXPECT_NEAR(polygons[0]->points[0].y, y(big), 1e-3);
    EXPECT_NEAR(polygons[0]->points[1].y, y(1e38), 1e-3);
    EXPECT_FLOAT_EQ(polygons[0]->points[2].y, 444);
    auto dots = ChildrenOf<CDot>(lines.chart);
    ASSERT_EQ(dots.size(), 3u);
    EXPECT_EQ(dots[0]->centre, polygons[0]->points[0]);
}

TEST(Lines, TallSoftLineOfAlternatingValuesEnds)
{
    // 640 x 32767 with 400 values swinging between 10 and 90: a curve of
    // some ten million pixels, walked in at most a bounded number of steps.
    CSoftLinesChart chart(640, 32767, L"tall", CColor::White(), 1, false);
    pvtest::SetOptions(chart);
    CChartData values;
    for (int i = 0; i < 400; ++i)
        values.data.emplace_back(i % 2 ? 90.0f : 10.0f, boost::any(false));
    chart.AddSeries(values, kBlue, L"swing");
    Gdiplus::Recording recording;
    chart.Draw();
    auto paths = pvtest::LinesOf(recording.Lines(), "DrawPath");
    ASSERT_EQ(paths.size(), 1u);
    const std::string& path = paths[0];
    const std::size_t count = std::count(path.begin(), path.end(), ';') + 1;
    EXPECT_GT(count, CDrawContext::kMaxCurveSteps / 2);
    EXPECT_LE(count, CDrawContext::kMaxCurveSteps + 2u);
    // From the first value to (nearly) the last.
    auto polygons = ChildrenOf<CPolygon>(chart);
    ASSERT_EQ(polygons.size(), 1u);
    const CPointF first = polygons[0]->points.front();
    const CPointF last = polygons[0]->points.back();
    float x = 0, y = 0;
    ASSERT_EQ(std::sscanf(path.c_str() + path.find("points=(") + 8, "%f,%f", &x, &y), 2);
    EXPECT_NEAR(x, first.x, 0.01);
    EXPECT_NEAR(y, first.y, 0.01);
    ASSERT_EQ(std::sscanf(path.c_str() + path.rfind(";(") + 2, "%f,%f", &x, &y), 2);
    EXPECT_NEAR(x, last.x, 1.0);
    EXPECT_NEAR(y, last.y, 100.0);
}

TEST(Bars, SlotsNarrowerThanAPixelMakeTheBoxesAColumnShows)
{
    // 20,000 categories of two graphs on a plot 387 pixels wide: per pixel
    // column a box across the bars beginning there for each graph whose
    // highest (lowest) bar there reaches a row beyond those of the graphs
    // drawn after it; the others would be painted over.
    Bars bars(10);
    constexpr std::size_t kValues = 20000;
    std::vector<float> values[2];
    for (std::size_t i = 0; i < kValues; ++i) {
        values[0].push_back(static_cast<float>((i * 37) % 90 + 5));
        values[1].push_back(static_cast<float>((i * 53) % 120) - 30.0f);
    }
    for (int g = 0; g < 2; ++g) {
        CChartData data;
        for (float v : values[g])
            data.data.emplace_back(v, boost::any(false));
        bars.chart.AddSeries(data, g == 0 ? kBlue : kRed, L"graph");
    }
    bars.chart.Draw();
    const CRect& p = *bars.chart.plotRect;
    const double slot = std::fabs(p.right - p.left) / (kValues * 4.0);
    struct Bar {
        float x1, x2, top;
        CColor colour;
    };
    // Every bar by the column it begins in.
    std::map<long, std::vector<std::pair<int, double>>> columns;
    std::map<long, std::pair<double, double>> extent;
    for (std::size_t c = 0; c < kValues; ++c) {
        for (int g = 0; g < 2; ++g) {
            const double k = static_cast<double>(c) * 4 + g + 1;
            const long column = static_cast<long>(std::floor(p.left + k * slot));
            columns[column].emplace_back(g, bars.chart.ValueToHeight(values[g][c]));
            auto it = extent.emplace(column, std::make_pair(k, k)).first;
            it->second.second = k;
        }
    }
    std::vector<Bar> expected;
    for (const auto& column : columns) {
        double high[2] = {-1e30, -1e30}, low[2] = {1e30, 1e30};
        for (const auto& bar : column.second) {
            high[bar.first] = std::max(high[bar.first], bar.second);
            low[bar.first] = std::min(low[bar.first], bar.second);
        }
        const float x1 = static_cast<float>(p.left + extent[column.first].first * slot) + 1;
        const float x2 = static_cast<float>(p.left + (extent[column.first].second + 1) * slot) - 1;
        auto row = [&](double h) { return std::floor(static_cast<float>(p.bottom - h)); };
        for (int g = 0; g < 2; ++g) {
            const CColor colour = g == 0 ? kBlue : kRed;
            const bool up = high[g] > 0 || !(low[g] < 0);
            const bool upLater = g == 0 && (high[1] > 0 || !(low[1] < 0));
            if (up && (!upLater || row(std::max(high[0], 0.0)) < row(std::max(high[1], 0.0))))
                expected.push_back({x1, x2, static_cast<float>(p.bottom - std::max(high[g], 0.0)), colour});
            if (low[g] < 0 && (g == 1 || !(low[1] < 0) || row(low[0]) > row(low[1])))
                expected.push_back({x1, x2, static_cast<float>(p.bottom - low[g]), colour});
        }
    }
    auto boxes = ChildrenOf<CBox>(bars.chart);
    ASSERT_EQ(boxes.size(), expected.size());
    EXPECT_LT(boxes.size(), 4 * 400u);
    bool below = false, both = false;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_NEAR(boxes[i]->topLeft.x, expected[i].x1, 1e-3) << i;
        EXPECT_NEAR(boxes[i]->bottomRight.x, expected[i].x2, 1e-3) << i;
        EXPECT_NEAR(boxes[i]->topLeft.y, expected[i].top, 1e-3) << i;
        EXPECT_EQ(boxes[i]->bottomRight.y, p.bottom) << i;
        EXPECT_EQ(boxes[i]->colour, expected[i].colour) << i;
        EXPECT_EQ(boxes[i]->depth, 10) << i;
        below = below || boxes[i]->topLeft.y > p.bottom;
        both = both || (i > 0 && boxes[i]->topLeft.x == boxes[i - 1]->topLeft.x &&
                        boxes[i]->colour != boxes[i - 1]->colour);
    }
    EXPECT_TRUE(below);
    EXPECT_TRUE(both);
}

TEST(Bars, ManyGraphsByManyLabelsStayWithinThePicture)
{
    // 1,000 graphs of one value padded to 30,000 categories at 1600 x 1200,
    // flat and 3D: the boxes, separators and floor traces are bounded by the
    // plot's width, and a column shows its stair of colours as the last
    // graphs and the tallest one paint it.
    constexpr std::size_t kGraphs = 1000, kLabels = 30000;
    for (std::int32_t depth : {0, 10}) {
        for (bool rising : {true, false}) {
            CVerticalBarChart chart(1600, 1200, L"many", CColor::Empty(), 1, false);
            chart.depth = depth;
            chart.seriesInset = depth == 0 ? 5 : 0;
            pvtest::SetOptions(chart);
            std::vector<CColor> colours;
            for (std::size_t g = 0; g < kGraphs; ++g) {
                CChartData data;
                data.data.emplace_back(static_cast<float>(rising ? g + 1 : kGraphs - g), boost::any(false));
                data.padding.PadTo(1, kLabels);
                colours.push_back(CColor(0xFF000000u | static_cast<std::uint32_t>(g)));
                chart.AddSeries(data, colours.back(), L"g");
            }
            chart.Draw();
            const CRect& p = *chart.plotRect;
            const std::size_t width = static_cast<std::size_t>(p.right - p.left) + 2;
            auto boxes = ChildrenOf<CBox>(chart);
            EXPECT_LE(boxes.size(), 4 * width);
            EXPECT_LE(Separators(chart).size(), width);
            EXPECT_LE(chart.children.size(), 6 * width + 100);
            ASSERT_FALSE(boxes.empty());
            // The first column holds every graph's value.
            std::vector<CColor> first;
            for (auto* box : boxes) {
                if (box->topLeft.x == boxes[0]->topLeft.x)
                    first.push_back(box->colour);
            }
            if (rising)
                EXPECT_EQ(first, std::vector<CColor>{colours.back()});
            else
                EXPECT_EQ(first, (std::vector<CColor>{colours[0], colours[kGraphs - 3],
                                                      colours[kGraphs - 2], colours[kGraphs - 1]}));
            EXPECT_FLOAT_EQ(boxes[0]->topLeft.y,
                            static_cast<float>(p.bottom - chart.ValueToHeight(kGraphs)));
        }
    }
}

TEST(Lines, ManyGraphsAndManyValuesStayWithinThePicture)
{
    // 1,000 graphs of 30,000 values at 1600 x 1200, all three kinds: the
    // points and dots are bounded by the plot's width; a line that later
    // lines cover whole is left out, and the last graph always stays.
    constexpr std::size_t kGraphs = 1000, kValues = 30000;
    std::vector<CChartData> graphs(kGraphs);
    for (std::size_t g = 0; g < kGraphs; ++g) {
        for (std::size_t i = 0; i < 50; ++i)
            graphs[g].data.emplace_back(static_cast<float>((i * 7 + g * 13) % 100), boost::any(false));
        graphs[g].padding.PadTo(50, kValues);
    }
    for (int kind = 0; kind < 3; ++kind) {
        std::unique_ptr<CLinesChart> chart;
        if (kind == 2)
            chart.reset(new CSoftLinesChart(1600, 1200, L"soft", CColor::Empty(), 1, false));
        else
            chart.reset(new CSimpleLinesChart(1600, 1200, L"lines", CColor::Empty(), 1, false, kind == 1));
        pvtest::SetOptions(*chart);
        for (std::size_t g = 0; g < kGraphs; ++g)
            chart->AddSeries(graphs[g], CColor(0xFF000000u | static_cast<std::uint32_t>(g)), L"g");
        chart->Draw();
        const CRect& p = *chart->plotRect;
        const std::size_t width = static_cast<std::size_t>(p.right - p.left) + 2;
        auto lines = StrokedLines(*chart);
        ASSERT_FALSE(lines.empty());
        EXPECT_LT(lines.size(), kGraphs);
        EXPECT_EQ(lines.back().colour, CColor(0xFF000000u | (kGraphs - 1)));
        std::size_t points = 0;
        for (const auto& line : lines)
            points += line.points.size();
        EXPECT_LE(points, 256 * width);
        EXPECT_LE(ChildrenOf<CDot>(*chart).size(), kind == 1 ? 256 * width : 0u);
        EXPECT_LE(Separators(*chart).size(), width);
    }
}

TEST(Lines, ALineThatLaterLinesCoverWholeIsLeftOut)
{
    // Under a line that swings from the base to the top in every pixel
    // column, a level line is painted over whole; under a level line of
    // the same height its pen's edge still shows, and soft lines keep all.
    constexpr std::size_t kValues = 20000;
    CChartData swing, level;
    for (std::size_t i = 0; i < kValues; ++i) {
        swing.data.emplace_back(i % 2 == 0 ? 0.0f : 100.0f, boost::any(false));
        level.data.emplace_back(50.0f, boost::any(false));
    }
    CChartData flat = pvtest::Values({50, 50});
    auto draw = [](CLinesChart& chart, const CChartData& under, const CChartData& over) {
        pvtest::SetOptions(chart);
        chart.AddSeries(under, kRed, L"under");
        chart.AddSeries(over, kBlue, L"over");
        chart.Draw();
        std::vector<CColor> colours;
        for (const auto& line : StrokedLines(chart))
            colours.push_back(line.colour);
        return colours;
    };
    Lines covered(false), edge(false);
    EXPECT_EQ(draw(covered.chart, level, swing), std::vector<CColor>{kBlue});
    EXPECT_EQ(draw(edge.chart, flat, flat), (std::vector<CColor>{kRed, kBlue}));
    CSoftLinesChart soft(640, 480, L"soft", CColor::Empty(), 1, false);
    EXPECT_EQ(draw(soft, level, swing), (std::vector<CColor>{kRed, kBlue}));
}

TEST(Lines, SeparatorsOfManyValuesOnATallPictureOnePerColumn)
{
    // 100,000 values on 2048 x 4000, grid on and off.
    constexpr std::size_t kValues = 100000;
    CChartData data;
    for (std::size_t i = 0; i < kValues; ++i)
        data.data.emplace_back(static_cast<float>(i % 97), boost::any(false));
    for (bool grid : {false, true}) {
        CSimpleLinesChart chart(2048, 4000, L"tall", CColor::Empty(), 1, false, false);
        pvtest::ChartOptions options;
        options.grid = grid;
        pvtest::SetOptions(chart, options);
        chart.AddSeries(data, kBlue, L"graph");
        chart.Draw();
        const CRect& p = *chart.plotRect;
        auto separators = Separators(chart);
        EXPECT_GT(separators.size(), static_cast<std::size_t>(p.right - p.left) - 2);
        EXPECT_LE(separators.size(), static_cast<std::size_t>(p.right - p.left) + 1);
        for (std::size_t i = 1; i < separators.size(); ++i)
            EXPECT_NE(std::floor(separators[i]->from.x), std::floor(separators[i - 1]->from.x));
        EXPECT_EQ(separators.front()->dashed, grid);
    }
}

TEST(Lines, PointsCloserThanAPixelKeepEachColumnsExtremes)
{
    // 20,000 values on a plot 403 pixels wide: of the points in each pixel
    // column the line keeps the first, the lowest, the highest and the
    // last, in their order; the dots stay one per value.
    Lines lines(true);
    constexpr std::size_t kValues = 20000;
    CChartData data;
    for (std::size_t i = 0; i < kValues; ++i)
        data.data.emplace_back(static_cast<float>((i * 7919) % 997), boost::any(false));
    lines.chart.AddSeries(data, kBlue, L"graph");
    lines.chart.Draw();
    // Stroked in pieces that share a segment with the one before.
    const auto stroked = StrokedLines(lines.chart);
    ASSERT_EQ(stroked.size(), 1u);
    EXPECT_GT(stroked[0].pieces, 1u);
    const std::vector<CPointF>& kept = stroked[0].points;

    const CRect& p = *lines.chart.plotRect;
    const float s = std::fabs(p.right - p.left) / static_cast<float>(kValues - 1);
    std::vector<CPointF> all;
    float x = p.left;
    for (std::size_t c = 0; c < kValues; ++c, x += s)
        all.emplace_back(
            x, static_cast<float>(p.bottom - lines.chart.ValueToHeight(data.data[c].first)));
    std::vector<CPointF> expected;
    std::size_t columns = 0;
    for (std::size_t first = 0; first < kValues; ++columns) {
        std::size_t end = first;
        while (end < kValues && std::floor(all[end].x) == std::floor(all[first].x))
            ++end;
        std::vector<std::size_t> picks = {first, end - 1};
        auto byY = [](const CPointF& l, const CPointF& r) { return l.y < r.y; };
        picks.push_back(static_cast<std::size_t>(
            std::min_element(all.begin() + first, all.begin() + end, byY) - all.begin()));
        picks.push_back(static_cast<std::size_t>(
            std::max_element(all.begin() + first, all.begin() + end, byY) - all.begin()));
        std::sort(picks.begin(), picks.end());
        picks.erase(std::unique(picks.begin(), picks.end()), picks.end());
        for (std::size_t i : picks)
            expected.push_back(all[i]);
        first = end;
    }
    EXPECT_GT(columns, 400u);
    EXPECT_LE(kept.size(), 4 * columns);
    ASSERT_EQ(kept.size(), expected.size());
    for (std::size_t i = 0; i < kept.size(); ++i)
        EXPECT_EQ(kept[i], expected[i]) << i;
    // The dots go to the points kept.
    auto dots = ChildrenOf<CDot>(lines.chart);
    ASSERT_EQ(dots.size(), kept.size());
    EXPECT_EQ(dots.back()->centre, kept.back());

    // A soft line of them joins the same points straight.
    CSoftLinesChart soft(640, 480, L"soft", CColor::Empty(), 1, false);
    pvtest::SetOptions(soft);
    soft.AddSeries(data, kBlue, L"graph");
    soft.Draw();
    for (const CPolygon* piece : ChildrenOf<CPolygon>(soft))
        EXPECT_FALSE(piece->smooth);
    const auto curves = StrokedLines(soft);
    ASSERT_EQ(curves.size(), 1u);
    EXPECT_EQ(curves[0].points, kept);
}

TEST(BarsAndLines, CategoriesNarrowerThanAPixelGetOneLabelPerColumn)
{
    // 20,000 labelled categories: per pixel column the label and the
    // separator of the first category there (the others would lie on them).
    constexpr std::size_t kValues = 20000;
    std::vector<std::wstring> names;
    CChartData data;
    for (std::size_t i = 0; i < kValues; ++i) {
        names.push_back(L"L" + std::to_wstring(i));
        data.data.emplace_back(static_cast<float>(i % 50 + 1), boost::any(false));
    }
    Bars bars(0, true);
    Lines lines(false, true);
    for (CPlot* chart : {static_cast<CPlot*>(&bars.chart), static_cast<CPlot*>(&lines.chart)}) {
        chart->AddSeries(data, kBlue, L"graph");
        chart->SetLabels(names);
        chart->Draw();
        const bool isBars = chart == &bars.chart;
        const CRect& p = *chart->plotRect;
        const float steps = static_cast<float>(isBars ? kValues : kValues - 1);
        const float s = std::fabs(p.right - p.left) / steps;
        // The anchors as the charts place them: bars step both category
        // edges along, lines multiply.
        std::vector<std::wstring> expected;
        float column = -1, xl = p.left, xr = p.left + s;
        for (std::size_t c = 0; c < kValues; ++c, xl += s, xr += s) {
            const float x = isBars ? (xl + xr) * 0.5f : p.left + static_cast<float>(c) * s;
            if (std::floor(x) != column)
                expected.push_back(names[c]);
            column = std::floor(x);
        }
        std::vector<std::wstring> drawn;
        for (CText* label : CategoryLabels(*chart))
            drawn.push_back(label->text);
        EXPECT_LT(drawn.size(), 410u);
        EXPECT_GT(drawn.size(), 380u);
        EXPECT_EQ(drawn, expected);
        std::vector<float> separators, wanted;
        for (CLine* line : Separators(*chart))
            separators.push_back(line->from.x);
        float edge = p.left + s;
        for (std::size_t c = 1; c < kValues; ++c, edge += s) {
            const float x = isBars ? edge : p.left + static_cast<float>(c) * s;
            if (wanted.empty() || std::floor(x) != std::floor(wanted.back()))
                wanted.push_back(x);
        }
        EXPECT_LT(separators.size(), 410u);
        ASSERT_EQ(separators.size(), wanted.size());
        for (std::size_t i = 0; i < wanted.size(); ++i)
            EXPECT_EQ(separators[i], wanted[i]) << i;
    }
}

TEST(Bars, HorizontalBarChartDrawsAsTheBarBase)
{
    auto draw = [](CBarChart& chart) {
        pvtest::SetOptions(chart);
        pvtest::AddGraph(chart, {4, 9, 2}, kBlue);
        chart.SetLabels({L"a", L"b", L"c"});
        Gdiplus::Recording recording;
        chart.Draw();
        return recording.Lines();
    };
    CBarChart base(320, 240, L"h", CColor::Empty(), 0, false);
    CHorizontalBarChart horizontal(320, 240, L"h", CColor::Empty(), 0, false);
    const std::vector<std::string> want = draw(base);
    EXPECT_FALSE(want.empty());
    EXPECT_EQ(draw(horizontal), want);
}

TEST(BarsAndLines, SomeNarrowBarsAndDenseLinesAreEachDrawn)
{
    // Ten graphs of fifty values: bars narrower than a pixel but no more
    // than a few per pixel column are drawn each, as ever; thirty dense
    // lines at different heights each show, so each is kept.
    constexpr std::size_t kGraphs = 10, kValues = 50;
    Bars bars(0);
    for (std::size_t g = 0; g < kGraphs; ++g) {
        CChartData data;
        for (std::size_t i = 0; i < kValues; ++i)
            data.data.emplace_back(static_cast<float>(1 + (i + g) % 9), boost::any(false));
        bars.chart.AddSeries(data, CColor(0xFF000000u | static_cast<std::uint32_t>(g)), L"g");
    }
    bars.chart.Draw();
    EXPECT_EQ(ChildrenOf<CBox>(bars.chart).size(), kGraphs * kValues);

    Lines lines(false);
    for (std::size_t g = 0; g < 30; ++g) {
        CChartData data;
        for (std::size_t i = 0; i < 1000; ++i)
            data.data.emplace_back(static_cast<float>(g * 10 + (i * 7) % 5), boost::any(false));
        lines.chart.AddSeries(data, CColor(0xFF000000u | static_cast<std::uint32_t>(g)), L"g");
    }
    lines.chart.Draw();
    EXPECT_EQ(StrokedLines(lines.chart).size(), 30u);
}
