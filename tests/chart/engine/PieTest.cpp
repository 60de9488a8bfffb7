// Pie charts: slices of the first graph, their drawing order, 3D sides,
// exploded slices, value tags and the legend of labels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <string>

#include "chart/engine/Pie.h"
#include "platform/gdiplus/Recording.h"
#include "support/ChartSupport.h"

using pvtest::ChildrenOf;

namespace {

const CColor kBlue(0xFF3366CCu);
const CColor kRed(0xFFCC3333u);
const CColor kGreen(0xFF33CC66u);

struct Pie {
    explicit Pie(std::int32_t depth, pvtest::ChartOptions options = pvtest::ChartOptions())
        : chart(640, 480, L"pie", CColor::Empty(), 1, false)
    {
        chart.depth = depth;
        if (depth == 0)
            chart.seriesInset = 5;
        pvtest::SetOptions(chart, options);
    }
    CPie chart;
};

// The groups of slice parts (plain primitives holding arcs), in drawing order.
std::vector<CPrimitive*> Parts(const CPlot& chart)
{
    std::vector<CPrimitive*> out;
    for (const auto& child : chart.children) {
        const CPrimitive& node = *child;
        if (typeid(node) == typeid(CPrimitive) && !node.children.empty() &&
            dynamic_cast<CArc*>(node.children.front().get()))
            out.push_back(child.get());
    }
    return out;
}

// Top faces (filled with gradient) anywhere in the tree, in drawing order.
void CollectFaces(const CPrimitive& node, std::vector<CArc*>& out)
{
    for (const auto& child : node.children) {
        CollectFaces(*child, out);
        auto* arc = dynamic_cast<CArc*>(child.get());
        if (arc && arc->gradient)
            out.push_back(arc);
    }
}

std::vector<CArc*> TopFaces(const CPlot& chart)
{
    std::vector<CArc*> out;
    CollectFaces(chart, out);
    return out;
}

CArc* TopFace(CPrimitive* part) { return dynamic_cast<CArc*>(part->children.back().get()); }

// Tag groups: plain primitives holding the leader line first.
std::vector<CPrimitive*> Tags(const CPlot& chart)
{
    std::vector<CPrimitive*> out;
    for (const auto& child : chart.children) {
        const CPrimitive& node = *child;
        if (typeid(node) == typeid(CPrimitive) && !node.children.empty() &&
            dynamic_cast<CLine*>(node.children.front().get()))
            out.push_back(child.get());
    }
    return out;
}

std::wstring TagText(CPrimitive* tag)
{
    auto texts = ChildrenOf<CText>(*tag);
    return texts.empty() ? std::wstring() : texts.front()->text;
}

} // namespace

TEST(Pie, DiameterIsThreeQuartersOfTheChartWidth)
{
    Pie pie(0);
    EXPECT_NEAR(pie.chart.diameter, 329.475f, 1e-3);
    pvtest::AddGraph(pie.chart, {1}, kBlue);
    pie.chart.Draw();
    // Margins of 1 around the chart rectangle, no axes.
    EXPECT_NEAR(pie.chart.plotRect->left, 21, 1e-3);
    EXPECT_NEAR(pie.chart.plotRect->bottom, 458, 1e-3);
    EXPECT_TRUE(ChildrenOf<CLine>(pie.chart).empty());
    // A 2D pie is a circle.
    auto faces = ChildrenOf<CArc>(pie.chart);
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_NEAR(faces[0]->ellipseWidth, 329.475f, 1e-3);
    EXPECT_NEAR(faces[0]->ellipseHeight, 329.475f, 1e-3);
}

TEST(Pie, SweepsOfOneOneTwoAndTheirOrder)
{
    Pie pie(0);
    pie.chart.AddPieColors({kBlue, kRed, kGreen});
    pvtest::AddGraph(pie.chart, {1, 1, 2}, kBlue);
    pie.chart.Draw();
    // Sweeps 90, 90 and 180 times 1.0000001. The two quarters are just over
    // 90 and end below 270, so they are split and their faces come after the
    // parts; the half across 270 comes at once.
    const float f = 1.0000001f;
    struct { float start, end; CColor colour; } expected[] = {
        {180 * f, 360 * f, kGreen}, {0, 90 * f, kBlue}, {90 * f, 180 * f, kRed}};
    auto faces = TopFaces(pie.chart);
    ASSERT_EQ(faces.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        CArc* face = faces[i];
        EXPECT_NEAR(face->startAngle, expected[i].start, 1e-4) << i;
        EXPECT_NEAR(face->endAngle, expected[i].end, 1e-4) << i;
        EXPECT_EQ(face->colour, expected[i].colour);
        EXPECT_TRUE(face->fill);
        EXPECT_TRUE(face->smoothing);
        EXPECT_FLOAT_EQ(face->width, 2.0f);
    }
    EXPECT_NE(faces[0]->parent, &pie.chart);
    EXPECT_EQ(faces[0]->parent->colour, CColor(0xFF000000u));
    EXPECT_FLOAT_EQ(faces[0]->parent->width, 1.0f);
    EXPECT_EQ(faces[1]->parent, &pie.chart);
    // Centre 10 pixels right of the plot rectangle's centre.
    EXPECT_NEAR(faces[0]->centreX, (21 + 458.3f) * 0.5f + 10, 1e-3);
    EXPECT_NEAR(faces[0]->centreY, (57 + 458) * 0.5f, 1e-3);

    Gdiplus::Recording recording;
    pie.chart.Draw();
    auto pies = pvtest::LinesOf(recording.Lines(), "FillPie");
    ASSERT_EQ(pies.size(), 3u);
    EXPECT_EQ(pvtest::Field(pies[0], "start"), "180.00");
    EXPECT_EQ(pvtest::Field(pies[0], "sweep"), "180.00");
    EXPECT_EQ(pvtest::Field(pies[1], "start"), "0.00");
    EXPECT_EQ(pvtest::Field(pies[1], "sweep"), "90.00");
    EXPECT_EQ(pvtest::Field(pies[2], "start"), "90.00");
    EXPECT_EQ(pvtest::Field(pies[2], "brush"), "gradient(vertical,FFCC3333,FF8E2323,"
                                               "(84.91,92.76,329.47,329.47),tile)");
}

TEST(Pie, SplitSlicesAndSortKeys)
{
    Pie pie(10);
    pie.chart.AddPieColors({kBlue, kRed, kGreen});
    // Sweeps 30, 150 (over 90 and ending below 270: split) and 180 (across 270).
    pvtest::AddGraph(pie.chart, {1, 5, 6}, kBlue);
    pie.chart.Draw();
    auto parts = Parts(pie.chart);
    ASSERT_EQ(parts.size(), 4u);
    // Across 270 at once; then [105,180] (key 270 - 180.000015, just under
    // 90) before [0,30] (key min(90, 240) = 90); the split half starting
    // below 90 last.
    const float expected[4][2] = {{180, 360}, {105, 180}, {0, 30}, {30, 105}};
    for (int i = 0; i < 4; ++i) {
        auto* side = dynamic_cast<CArc*>(parts[i]->children.front().get());
        ASSERT_NE(side, nullptr);
        EXPECT_NEAR(side->startAngle, expected[i][0], 1e-3) << i;
        EXPECT_NEAR(side->endAngle, expected[i][1], 1e-3) << i;
    }
    // Halves carry no top face; the whole face of the split slice follows
    // the parts.
    EXPECT_FALSE(TopFace(parts[1])->gradient);
    EXPECT_FALSE(TopFace(parts[3])->gradient);
    EXPECT_TRUE(TopFace(parts[2])->gradient);
    auto faces = ChildrenOf<CArc>(pie.chart);
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_NEAR(faces[0]->startAngle, 30, 1e-3);
    EXPECT_NEAR(faces[0]->endAngle, 180, 1e-3);
    EXPECT_EQ(faces[0]->colour, kRed);
    EXPECT_TRUE(faces[0]->gradient);
    EXPECT_NEAR(faces[0]->ellipseHeight, pie.chart.diameter * 0.5f, 1e-3);
}

TEST(Pie, ThreeDimensionalSideLayers)
{
    Pie pie(10);
    pie.chart.AddPieColors({CColor(0xFF80A0C0u)});
    // [0, 60] is one part, sorted after the half across 270.
    pvtest::AddGraph(pie.chart, {1, 5}, kBlue);
    pie.chart.Draw();
    auto parts = Parts(pie.chart);
    ASSERT_EQ(parts.size(), 3u);
    auto arcs = ChildrenOf<CArc>(*parts[1]);
    // Slice centre y 257.5: 70 layers a pixel apart from 1.25 x 257.5 + 5 =
    // 326.875 up to 257.875. The lowest (grey) and the one at 321.875 (the
    // first shaded) are smoothed arcs; the grey ones between and the shaded
    // ones above are stacks centred on their top layer; then the top face.
    ASSERT_EQ(arcs.size(), 5u);
    const CColor lightGrey(0xFFD3D3D3u);
    const CColor shaded(0xFF405060u);
    struct {
        float y;
        int rows;   // -1: a single arc
        CColor colour;
    } expected[] = {{326.875f, -1, lightGrey}, {322.875f, 3, lightGrey},
                    {321.875f, -1, shaded}, {257.875f, 63, shaded}};
    for (std::size_t i = 0; i < 4; ++i) {
        CArc* layer = arcs[i];
        auto* stack = dynamic_cast<CArcStack*>(layer);
        EXPECT_FLOAT_EQ(layer->centreY, expected[i].y) << i;
        EXPECT_FLOAT_EQ(layer->centreX, (21 + 458.3f) * 0.5f + 10) << i;
        EXPECT_EQ(stack ? stack->rows : -1, expected[i].rows) << i;
        EXPECT_EQ(layer->colour, expected[i].colour) << i;
        EXPECT_EQ(layer->smoothing, stack == nullptr) << i;
        EXPECT_FALSE(layer->fill);
        EXPECT_FALSE(layer->gradient);
        EXPECT_FLOAT_EQ(layer->width, 2.0f);
        EXPECT_NEAR(layer->ellipseWidth, pie.chart.diameter, 1e-3);
        EXPECT_NEAR(layer->ellipseHeight, pie.chart.diameter * 0.5f, 1e-3);
        EXPECT_FLOAT_EQ(layer->startAngle, 0.0f);
        EXPECT_NEAR(layer->endAngle, 60.0f, 1e-4);
    }
    EXPECT_TRUE(arcs[4]->gradient);
    EXPECT_FLOAT_EQ(arcs[4]->centreY, 257.5f);

    // What reaches the drawing layer: each stack in one call.
    Gdiplus::Recording recording;
    pie.chart.Draw();
    auto stacks = pvtest::LinesOf(recording.Lines(), "DrawArcStack");
    ASSERT_EQ(stacks.size(), 6u);
    EXPECT_EQ(pvtest::Field(stacks[2], "pen"), "(FFD3D3D3,2.00,solid)");
    EXPECT_EQ(pvtest::Field(stacks[2], "rows"), "3");
    EXPECT_EQ(pvtest::Field(stacks[3], "pen"), "(FF405060,2.00,solid)");
    EXPECT_EQ(pvtest::Field(stacks[3], "rows"), "63");
    EXPECT_EQ(pvtest::Field(stacks[3], "aa"), "off");
    EXPECT_EQ(pvtest::LinesOf(recording.Lines(), "DrawArc").size(), 6u);
}

TEST(Pie, SideWorkDoesNotGrowWithThePictureHeight)
{
    // Thousands of slices on a picture 480 and 32767 pixels high: the same
    // primitives and drawing calls, only the stacks reach further down.
    struct Drawn {
        std::size_t parts = 0, primitives = 0, arcs = 0, stacks = 0, faces = 0;
        int deepest = 0;
    };
    auto draw = [](std::int32_t height) {
        CPie chart(640, height, L"pie", CColor::Empty(), 1, false);
        pvtest::SetOptions(chart);
        CChartData values;
        for (int i = 0; i < 2000; ++i)
            values.data.emplace_back(static_cast<float>(i % 7 + 1), boost::any(false));
        chart.AddSeries(values, kBlue, L"g");
        Gdiplus::Recording recording;
        chart.Draw();
        Drawn drawn;
        for (CPrimitive* part : Parts(chart)) {
            EXPECT_LE(part->children.size(), 5u);
            drawn.primitives += part->children.size();
            ++drawn.parts;
        }
        drawn.arcs = pvtest::LinesOf(recording.Lines(), "DrawArc").size();
        drawn.faces = pvtest::LinesOf(recording.Lines(), "FillPie").size();
        for (const auto& line : pvtest::LinesOf(recording.Lines(), "DrawArcStack")) {
            ++drawn.stacks;
            drawn.deepest = std::max(drawn.deepest, std::stoi(pvtest::Field(line, "rows")));
        }
        return drawn;
    };
    const Drawn low = draw(480), tall = draw(32767);
    EXPECT_EQ(low.primitives, tall.primitives);
    EXPECT_EQ(low.arcs, tall.arcs);
    EXPECT_EQ(low.stacks, tall.stacks);
    EXPECT_EQ(low.faces, tall.faces);
    // One face per part: no slice is split.
    EXPECT_EQ(low.faces, low.parts);
    // Per part: a smoothed arc and a stack in grey, then in the shade.
    EXPECT_EQ(low.stacks, low.arcs);
    EXPECT_LT(low.deepest, 70);
    // A quarter of the slice centre's height, about 32767 / 8.
    EXPECT_GT(tall.deepest, 4000);
}

TEST(Pie, ExplodedSliceMovesOutAndFillsEverySide)
{
    Pie pie(10);
    CChartData values = pvtest::Values({1, 3});
    values.data[0].second = boost::any(true);
    pie.chart.AddSeries(values, kBlue, L"g");
    pie.chart.Draw();
    EXPECT_TRUE(pie.chart.anyExploded);
    const float cx = (21 + 458.3f) * 0.5f + 10;
    const float cy = (57 + 458) * 0.5f;
    auto faces = TopFaces(pie.chart);
    ASSERT_EQ(faces.size(), 2u);
    CArc* exploded = faces[0]->startAngle == 0 ? faces[0] : faces[1];
    CArc* other = faces[0]->startAngle == 0 ? faces[1] : faces[0];
    EXPECT_NEAR(exploded->endAngle, 90, 1e-3);
    EXPECT_NEAR(exploded->centreX - cx, 7.0711f, 1e-3);
    EXPECT_NEAR(exploded->centreY - cy, 7.0711f, 1e-3);
    EXPECT_FLOAT_EQ(other->centreX, cx);
    EXPECT_FLOAT_EQ(other->centreY, cy);
    // With any slice exploded every side layer is filled, the stacks too.
    for (auto* part : Parts(pie.chart)) {
        auto arcs = ChildrenOf<CArc>(*part);
        ASSERT_GE(arcs.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_TRUE(arcs[i]->fill) << i;
    }
    Gdiplus::Recording recording;
    pie.chart.Draw();
    EXPECT_EQ(pvtest::LinesOf(recording.Lines(), "FillPieStack").size(), 2 * Parts(pie.chart).size());
    EXPECT_TRUE(pvtest::LinesOf(recording.Lines(), "DrawArcStack").empty());
}

TEST(Pie, PercentageTags)
{
    pvtest::ChartOptions options;
    options.tags = CPlot::ETagMode::Percentage;
    Pie pie(0, options);
    pvtest::AddGraph(pie.chart, {1, 2}, kBlue);
    pie.chart.Draw();
    EXPECT_EQ(pie.chart.tagMode, CPlot::ETagMode::Percentage);
    auto tags = Tags(pie.chart);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(TagText(tags[0]), L"33");
    EXPECT_EQ(TagText(tags[1]), L"67");
    // The legend follows the tags.
    EXPECT_TRUE(dynamic_cast<CCaption*>(pie.chart.children.back().get()));
}

TEST(Pie, ValueTagGeometry)
{
    pvtest::ChartOptions options;
    options.tags = CPlot::ETagMode::Values;
    Pie pie(0, options);
    pvtest::AddGraph(pie.chart, {1234567, 3703701}, kBlue);
    pie.chart.Draw();
    auto tags = Tags(pie.chart);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(TagText(tags[0]), L"1 234 567");
    EXPECT_EQ(TagText(tags[1]), L"3 703 701");

    // First slice 0 to 90: mid angle 45, right half.
    const float sx = (21 + 458.3f) * 0.5f + 10;
    const float sy = (57 + 458) * 0.5f;
    const float r = (pie.chart.diameter - 20) * 0.5f;
    const float c = std::cos(45 * 0.0174532924f);
    auto lines = ChildrenOf<CLine>(*tags[0]);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NEAR(lines[0]->from.x, sx + c * r, 1e-3);
    EXPECT_NEAR(lines[0]->from.y, sy + c * r, 1e-3);
    EXPECT_NEAR(lines[0]->to.x, sx + c * r + c * 20, 1e-3);
    EXPECT_EQ(lines[1]->from, lines[0]->to);
    EXPECT_NEAR(lines[1]->to.x, lines[0]->to.x + 10, 1e-3);
    EXPECT_EQ(lines[1]->to.y, lines[0]->to.y);
    EXPECT_EQ(lines[0]->colour, CColor::DefaultGray());
    auto boxes = ChildrenOf<CRectangle>(*tags[0]);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NEAR(boxes[0]->topLeft.x, lines[1]->to.x + 2, 1e-3);
    EXPECT_TRUE(boxes[0]->fill);
    EXPECT_FALSE(boxes[0]->gradient);
    // An empty tag colour means the system's tooltip background.
    EXPECT_EQ(boxes[0]->colour, CColor::SystemTagColor());

    // The second slice (90 to 360, mid 225) puts its box left of the line.
    auto lines2 = ChildrenOf<CLine>(*tags[1]);
    auto boxes2 = ChildrenOf<CRectangle>(*tags[1]);
    ASSERT_EQ(lines2.size(), 2u);
    ASSERT_EQ(boxes2.size(), 1u);
    EXPECT_NEAR(lines2[1]->to.x, lines2[0]->to.x - 10, 1e-3);
    EXPECT_NEAR(boxes2[0]->bottomRight.x, lines2[1]->to.x - 2, 1e-3);
}

TEST(Pie, TagColourFromOptions)
{
    pvtest::ChartOptions options;
    options.tags = CPlot::ETagMode::Percentage;
    options.tagsColour = CColor(0xFF112233u);
    Pie pie(10, options);
    pvtest::AddGraph(pie.chart, {1}, kBlue);
    pie.chart.Draw();
    auto tags = Tags(pie.chart);
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(TagText(tags[0]), L"100");
    EXPECT_EQ(ChildrenOf<CRectangle>(*tags[0]).front()->colour, CColor(0xFF112233u));
}

TEST(Pie, ZeroSliceHasNoFaceAndNoTag)
{
    pvtest::ChartOptions options;
    options.tags = CPlot::ETagMode::Values;
    Pie pie(10, options);
    pvtest::AddGraph(pie.chart, {2, 0, 2}, kBlue);
    pie.chart.Draw();
    // The first slice (0 to 180) is built in two halves.
    EXPECT_EQ(Parts(pie.chart).size(), 3u);
    EXPECT_EQ(Tags(pie.chart).size(), 2u);
    // Its colour is still taken, so the legend matches the slice order.
    EXPECT_EQ(pie.chart.pieColors.size(), 3u);
}

TEST(Pie, RandomColoursJoinThePieColoursAndTheLegend)
{
    Pie pie(0);
    pie.chart.AddPieColors({kBlue});
    pvtest::AddGraph(pie.chart, {1, 2, 3}, kBlue);
    pie.chart.SetLabels({L"a", L"b", L"c", L"d"});
    pie.chart.Draw();
    ASSERT_EQ(pie.chart.pieColors.size(), 3u);
    EXPECT_EQ(pie.chart.pieColors[0], kBlue);
    for (const CColor& c : pie.chart.pieColors) {
        EXPECT_EQ(c.A(), 0xFF);
        EXPECT_FALSE(c.empty);
    }
    auto captions = ChildrenOf<CCaption>(pie.chart);
    ASSERT_EQ(captions.size(), 1u);
    // The legend names the labels, not the graph titles.
    ASSERT_EQ(captions[0]->entries.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(captions[0]->entries[i].first, pie.chart.pieColors[i]);
    EXPECT_EQ(captions[0]->entries[3].second, L"d");
    EXPECT_EQ(captions[0]->entries[3].first.A(), 0xFF);
}

TEST(Pie, OnlyTheFirstGraphIsDrawn)
{
    Pie pie(0);
    pvtest::AddGraph(pie.chart, {1, 1}, kBlue);
    pvtest::AddGraph(pie.chart, {5, 5, 5, 5}, kRed);
    Gdiplus::Recording recording;
    pie.chart.Draw();
    EXPECT_EQ(pvtest::LinesOf(recording.Lines(), "FillPie").size(), 2u);
}

TEST(Pie, NothingToShareKeepsTitleAndLegend)
{
    for (auto values : {std::vector<float>{}, std::vector<float>{0, 0, 0},
                        std::vector<float>{2, -2}}) {
        Pie pie(10);
        CChartData data;
        for (float v : values)
            data.data.emplace_back(v, boost::any(false));
        pie.chart.AddSeries(data, kBlue, L"g");
        pie.chart.SetLabels({L"a", L"b"});
        Gdiplus::Recording recording;
        pie.chart.Draw();
        EXPECT_TRUE(Parts(pie.chart).empty());
        EXPECT_TRUE(pvtest::LinesOf(recording.Lines(), "FillPie").empty());
        EXPECT_TRUE(pvtest::LinesOf(recording.Lines(), "DrawArc").empty());
        EXPECT_EQ(dynamic_cast<CText*>(pie.chart.children.front().get()), pie.chart.titleText);
        EXPECT_EQ(ChildrenOf<CCaption>(pie.chart).size(), 1u);
    }
    Pie none(0);
    none.chart.Draw();
    EXPECT_EQ(none.chart.children.size(), 2u);
}

namespace {

// The top faces by slice colour: (start, end) of each, in slice order.
std::vector<std::pair<float, float>> SliceAngles(const CPlot& chart,
                                                 const std::vector<CColor>& colours)
{
    std::vector<std::pair<float, float>> out;
    auto faces = TopFaces(chart);
    for (const CColor& colour : colours) {
        for (CArc* face : faces) {
            if (face->colour == colour)
                out.emplace_back(face->startAngle, face->endAngle);
        }
    }
    return out;
}

std::vector<CColor> Palette(std::size_t n)
{
    std::vector<CColor> out;
    for (std::size_t i = 0; i < n; ++i)
        out.emplace_back(0xFF000000u | static_cast<std::uint32_t>(0x101010u * (i + 1)));
    return out;
}

} // namespace

TEST(Pie, OrdinaryPiesKeepTheirFloatAngles)
{
    for (auto values : {std::vector<float>{0.1f, 0.2f, 0.3f, 0.7f},
                        std::vector<float>{1, 5, 6},
                        std::vector<float>{3.3f, 7.1f, 12.9f, 0.25f, 99.5f},
                        std::vector<float>{1e-3f, 2.5e-3f, 7e-4f}}) {
        Pie pie(10);
        const auto colours = Palette(values.size());
        pie.chart.AddPieColors(colours);
        CChartData data;
        for (float v : values)
            data.data.emplace_back(v, boost::any(false));
        pie.chart.AddSeries(data, kBlue, L"g");
        pie.chart.Draw();
        // The angles as float arithmetic gives them.
        float total = 0.0f;
        for (float v : values)
            total += v;
        float a = 0.0f;
        auto angles = SliceAngles(pie.chart, colours);
        ASSERT_EQ(angles.size(), values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            const float end = a + values[i] * 360.00003f / total;
            EXPECT_EQ(angles[i].first, a) << i;
            EXPECT_EQ(angles[i].second, end) << i;
            a = end;
        }
    }
}

TEST(Pie, LargeFiniteValuesShareTheCircle)
{
    const float big = std::numeric_limits<float>::max();
    pvtest::ChartOptions percent;
    percent.tags = CPlot::ETagMode::Percentage;
    pvtest::ChartOptions values;
    values.tags = CPlot::ETagMode::Values;
    struct Case {
        std::vector<float> values;
        pvtest::ChartOptions options;
        std::vector<float> like;   // a small pie with the same angles
        std::vector<std::wstring> tags;
    };
    const Case cases[] = {
        {{1e36f, 1e36f}, percent, {1, 1}, {L"50", L"50"}},
        {{big, big, big}, percent, {1, 1, 1}, {L"33", L"33", L"33"}},
        {{5e9f, 1e10f}, values, {1, 2}, {L"5 000 000 000", L"10 000 000 000"}},
    };
    for (const Case& c : cases) {
        const auto colours = Palette(c.values.size());
        auto angles = [&colours](const std::vector<float>& list, const pvtest::ChartOptions& o,
                                 std::vector<std::wstring>* tags) {
            Pie pie(0, o);
            pie.chart.AddPieColors(colours);
            CChartData data;
            for (float v : list)
                data.data.emplace_back(v, boost::any(false));
            pie.chart.AddSeries(data, kBlue, L"g");
            pie.chart.Draw();
            if (tags) {
                for (CPrimitive* tag : Tags(pie.chart))
                    tags->push_back(TagText(tag));
            }
            return SliceAngles(pie.chart, colours);
        };
        std::vector<std::wstring> tags;
        auto large = angles(c.values, c.options, &tags);
        auto small = angles(c.like, c.options, nullptr);
        ASSERT_EQ(large.size(), c.values.size());
        ASSERT_EQ(small.size(), c.values.size());
        for (std::size_t i = 0; i < large.size(); ++i) {
            EXPECT_NEAR(large[i].first, small[i].first, 1e-4) << i;
            EXPECT_NEAR(large[i].second, small[i].second, 1e-4) << i;
        }
        EXPECT_EQ(tags, c.tags);
    }
}

TEST(Pie, RunsOfThinSlicesAreDrawnAsPartsOfAPixel)
{
    // A hundred thousand slices on a rim of about a thousand pixels: runs of
    // them make parts of at most a pixel of rim, round the circle without a
    // gap, each in the colour of its first slice and without tags; every
    // slice keeps its colour for the legend.
    pvtest::ChartOptions percent;
    percent.tags = CPlot::ETagMode::Percentage;
    Pie pie(10, percent);
    constexpr std::size_t kSlices = 100000;
    CChartData data;
    for (std::size_t i = 0; i < kSlices; ++i)
        data.data.emplace_back(static_cast<float>(i % 5 + 1), boost::any(false));
    pie.chart.AddSeries(data, kBlue, L"g");
    pie.chart.Draw();
    ASSERT_EQ(pie.chart.pieColors.size(), kSlices);
    EXPECT_TRUE(Tags(pie.chart).empty());
    // Where each slice starts, as the chart adds up the angles.
    float total = 0.0f;
    for (const auto& value : data.data)
        total += value.first;
    std::map<float, std::size_t> firstSlice;
    float a = 0.0f;
    for (std::size_t i = 0; i < kSlices; ++i) {
        firstSlice.emplace(a, i);
        a += static_cast<float>(static_cast<float>(data.data[i].first * 360.00003f) / total);
    }
    auto faces = TopFaces(pie.chart);
    std::sort(faces.begin(), faces.end(),
              [](const CArc* l, const CArc* r) { return l->startAngle < r->startAngle; });
    const float pixelsPerDegree = pie.chart.diameter * 0.5f * 3.14159265f / 180.0f;
    const float rim = 360.0f * pixelsPerDegree;
    EXPECT_GT(faces.size(), static_cast<std::size_t>(rim * 0.5f));
    EXPECT_LT(faces.size(), static_cast<std::size_t>(rim * 1.1f));
    float end = 0.0f;
    for (const CArc* face : faces) {
        EXPECT_EQ(face->startAngle, end);
        EXPECT_LE((face->endAngle - face->startAngle) * pixelsPerDegree, 1.0f);
        auto slice = firstSlice.find(face->startAngle);
        ASSERT_NE(slice, firstSlice.end()) << face->startAngle;
        EXPECT_EQ(face->colour, pie.chart.pieColors[slice->second]);
        end = face->endAngle;
    }
    EXPECT_EQ(end, a);

    // A thin slice alone among wide ones is a slice as any other, with its
    // own face and tag; two thin ones side by side make one part, untagged.
    pvtest::ChartOptions values;
    values.tags = CPlot::ETagMode::Values;
    Pie mixed(0, values);
    const auto colours = Palette(6);
    mixed.chart.AddPieColors(colours);
    pvtest::AddGraph(mixed.chart, {50000, 20, 50000, 20, 30, 50000}, kBlue);
    mixed.chart.Draw();
    auto angles = SliceAngles(mixed.chart, colours);
    ASSERT_EQ(angles.size(), 5u);
    EXPECT_EQ(angles[1].second, angles[2].first);
    EXPECT_EQ(angles[3].second, angles[4].first);
    std::vector<std::wstring> tags;
    for (CPrimitive* tag : Tags(mixed.chart))
        tags.push_back(TagText(tag));
    EXPECT_EQ(tags, (std::vector<std::wstring>{L"50 000", L"20", L"50 000", L"50 000"}));
}

namespace {

struct CSliceSpan {
    float low;
    float high;
};

// Where each slice lies, as the chart adds up the angles.
std::vector<CSliceSpan> SliceSpans(const std::vector<float>& values)
{
    float total = 0.0f;
    for (float v : values)
        total += v;
    std::vector<CSliceSpan> out;
    float a = 0.0f;
    for (float v : values) {
        const float end = a + static_cast<float>(static_cast<float>(v * 360.00003f) / total);
        out.push_back(CSliceSpan{std::min(a, end), std::max(a, end)});
        a = end;
    }
    return out;
}

bool Covers(const CSliceSpan& span, float angle)
{
    double d = std::fmod(static_cast<double>(angle) - span.low, 360.0);
    if (d < 0)
        d += 360.0;
    return span.high - span.low >= 360.0f || d <= span.high - span.low + 1e-3;
}

// Top faces by start angle, checked to follow each other round the circle.
std::vector<CArc*> FacesRound(const CPlot& chart, float end)
{
    auto faces = TopFaces(chart);
    std::sort(faces.begin(), faces.end(),
              [](const CArc* l, const CArc* r) { return l->startAngle < r->startAngle; });
    float at = 0.0f;
    std::size_t gaps = 0;
    for (const CArc* face : faces) {
        gaps += face->startAngle != at ? 1 : 0;
        at = face->endAngle;
    }
    EXPECT_EQ(gaps, 0u);
    EXPECT_NEAR(at, end, 1e-3);
    return faces;
}

} // namespace

TEST(Pie, MixedSignsDrawWhatTheyShowWithinThePicture)
{
    // A few slices of both signs are drawn slice by slice, at their own angles.
    {
        Pie pie(0);
        const auto colours = Palette(3);
        pie.chart.AddPieColors(colours);
        pvtest::AddGraph(pie.chart, {3, -1, 2}, kBlue);
        pie.chart.Draw();
        const auto spans = SliceSpans({3, -1, 2});
        auto angles = SliceAngles(pie.chart, colours);
        ASSERT_EQ(angles.size(), 3u);
        EXPECT_EQ(angles[1].first, spans[1].high);
        EXPECT_EQ(angles[1].second, spans[1].low);
        EXPECT_EQ(angles[2].second, spans[2].high);
    }
    // 300,000 slices going back and forth by seven pixels of rim each (the
    // angle creeps on by a thousandth of a degree a pair): parts of about a
    // pixel of rim (or more where one slice stays on top) round the circle,
    // each showing a slice that lies there.
    constexpr std::size_t kSlices = 300000;
    std::vector<float> values;
    std::vector<CColor> colours;
    CChartData data;
    for (std::size_t i = 0; i < kSlices; ++i) {
        values.push_back(i % 2 ? -999.0f : 1000.0f);
        data.data.emplace_back(values.back(), boost::any(false));
        colours.emplace_back(0xFF000000u | static_cast<std::uint32_t>(i + 1));
    }
    const auto spans = SliceSpans(values);
    for (std::int32_t depth : {0, 10}) {
        Pie pie(depth);
        pie.chart.AddPieColors(colours);
        pie.chart.AddSeries(data, kBlue, L"g");
        pie.chart.Draw();
        const float rim = 360.0f * pie.chart.diameter * 0.5f * 3.14159265f / 180.0f;
        auto faces = FacesRound(pie.chart, 360.0f);
        EXPECT_GT(faces.size(), static_cast<std::size_t>(rim * 0.5f));
        EXPECT_LT(faces.size(), static_cast<std::size_t>(rim * 1.1f));
        EXPECT_LE(Parts(pie.chart).size(), 2 * faces.size());
        for (const CArc* face : faces) {
            const std::size_t slice = (face->colour.argb & 0xFFFFFFu) - 1;
            ASSERT_LT(slice, kSlices);
            EXPECT_TRUE(Covers(spans[slice], (face->startAngle + face->endAngle) * 0.5f))
                << slice << " " << face->startAngle;
        }
    }
}

TEST(Pie, RunsOfThinExplodedSlicesMoveOutTogether)
{
    // A hundred thousand exploded slices: parts of about a pixel of rim,
    // each moved out along its own mid angle, untagged.
    pvtest::ChartOptions percent;
    percent.tags = CPlot::ETagMode::Percentage;
    Pie pie(10, percent);
    constexpr std::size_t kSlices = 100000;
    std::vector<float> values;
    CChartData data;
    for (std::size_t i = 0; i < kSlices; ++i) {
        values.push_back(static_cast<float>(i % 5 + 1));
        data.data.emplace_back(values.back(), boost::any(true));
    }
    pie.chart.AddSeries(data, kBlue, L"g");
    pie.chart.Draw();
    EXPECT_EQ(pie.chart.pieColors.size(), kSlices);
    EXPECT_TRUE(Tags(pie.chart).empty());
    const float cx = (21 + 458.3f) * 0.5f + 10;
    const float cy = (57 + 458) * 0.5f;
    const float rim = 360.0f * pie.chart.diameter * 0.5f * 3.14159265f / 180.0f;
    auto faces = FacesRound(pie.chart, SliceSpans(values).back().high);
    EXPECT_GT(faces.size(), static_cast<std::size_t>(rim * 0.5f));
    EXPECT_LT(faces.size(), static_cast<std::size_t>(rim * 1.1f));
    EXPECT_LE(Parts(pie.chart).size(), 2 * faces.size());
    for (const CArc* face : faces) {
        const float m = (face->startAngle + face->endAngle) * 0.5f * 3.14159265f / 180.0f;
        EXPECT_NEAR(face->centreX, cx + std::cos(m) * 10, 1e-3);
        EXPECT_NEAR(face->centreY, cy + std::sin(m) * 10, 1e-3);
    }

    // Among wide slices, two thin exploded ones side by side make one
    // part; a thin exploded one alone is a slice as any other, tagged.
    pvtest::ChartOptions tagged;
    tagged.tags = CPlot::ETagMode::Values;
    Pie few(0, tagged);
    few.chart.AddPieColors(Palette(5));
    CChartData fewData = pvtest::Values({50000, 20, 20, 50000, 20});
    for (std::size_t i : {1, 2, 4})
        fewData.data[i].second = boost::any(true);
    few.chart.AddSeries(fewData, kBlue, L"g");
    few.chart.Draw();
    auto fewFaces = FacesRound(few.chart, SliceSpans({50000, 20, 20, 50000, 20}).back().high);
    ASSERT_EQ(fewFaces.size(), 4u);
    std::vector<std::wstring> tags;
    for (CPrimitive* tag : Tags(few.chart))
        tags.push_back(TagText(tag));
    EXPECT_EQ(tags, (std::vector<std::wstring>{L"50 000", L"50 000", L"20"}));
    // Out to the left at 180 degrees, and to the right at 360.
    EXPECT_NEAR(fewFaces[1]->centreX, fewFaces[0]->centreX - 10, 1e-2);
    EXPECT_NEAR(fewFaces[3]->centreX, fewFaces[0]->centreX + 10, 1e-2);
}
