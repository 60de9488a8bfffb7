// Sample pictures of every chart kind, written to bin/pictures for a look and
// read back pixel by pixel: the background (white or transparent), the title's
// ink in its band, the legend's markers, and the colour of every bar, slice
// and line point where the chart's geometry puts it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "chart/engine/BarChart.h"
#include "chart/engine/LinesChart.h"
#include "chart/engine/Pie.h"
#include "chart/engine/gdiplus/Canvas.h"
#include "support/ChartSupport.h"
#include "support/gfx_support.h"

namespace {

constexpr float kDegreesToRadians = 0.0174532924f;
const CColor kTitleColour(0xFF202020u);

// The largest difference of one channel, alpha included.
int Distance(std::uint32_t a, std::uint32_t b)
{
    int most = 0;
    for (int shift = 0; shift < 32; shift += 8)
        most = std::max(most, std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)));
    return most;
}

// The fill of the vertical gradient from the colour to its 70 % shade over
// [top, top + height] in the pixel row y.
std::uint32_t GradientAt(const CColor& colour, float top, float height, int y)
{
    const std::uint32_t from = colour.argb;
    const std::uint32_t to = CColor::Shade(colour, 70).argb;
    const float t = std::clamp((static_cast<float>(y) + 0.5f - top) / height, 0.0f, 1.0f);
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const float a = static_cast<float>(from >> shift & 0xFF);
        const float b = static_cast<float>(to >> shift & 0xFF);
        out |= static_cast<std::uint32_t>(std::lround(a + (b - a) * t)) << shift;
    }
    return out;
}

std::string Hex(std::uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%08X", v);
    return text;
}

void Fill(CPlot& chart, bool pie)
{
    pvtest::ChartOptions options;
    options.font = L"Liberation Sans";
    options.titleColour = kTitleColour;
    options.grid = true;
    options.tags = CPlot::ETagMode::Percentage;
    pvtest::SetOptions(chart, options);
    if (pie) {
        CChartData values = pvtest::Values({30, 12, 25, 8, 18, 7});
        values.data[1].second = boost::any(true);
        chart.AddSeries(values, CColor(0xFF3366CCu), L"share");
        chart.AddPieColors({CColor(0xFF3366CCu), CColor(0xFFDC3912u), CColor(0xFFFF9900u),
                            CColor(0xFF109618u), CColor(0xFF990099u), CColor(0xFF0099C6u)});
    } else {
        pvtest::AddGraph(chart, {12, 19, 3, 5, 2, 3}, CColor(0xFF3366CCu), L"North region");
        pvtest::AddGraph(chart, {7, 11, 15, 9, 13, 4}, CColor(0xFFDC3912u), L"South");
        pvtest::AddGraph(chart, {2, 6, 8, 14, 10, 17}, CColor(0xFF109618u), L"West");
    }
    chart.SetLabels({L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun"});
}

// The background everywhere the chart leaves alone: the corners.
void CheckBackground(const gfx_test::Image& image, std::uint32_t background)
{
    for (auto [x, y] : {std::pair<int, int>{0, 0}, {image.width - 1, 0}, {0, image.height - 1},
                        {image.width - 1, image.height - 1}})
        EXPECT_EQ(Hex(image.At(x, y)), Hex(background)) << "corner " << x << "," << y;
}

// Everything drawn above the chart and the legend is the title: centred, in
// its band, in its colour.
void CheckTitle(const CPlot& chart, const gfx_test::Image& image, std::uint32_t background)
{
    const CRect& band = *chart.titleRect;
    const int last = static_cast<int>(band.bottom) + chart.titlePadding.bottom;
    int left = image.width, right = -1, top = image.height, bottom = -1, darkest = 255;
    for (int y = 0; y <= last; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t p = image.At(x, y);
            if (p == background)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
            if ((p >> 24) == 0xFF)
                darkest = std::min<int>(darkest, p >> 8 & 0xFF);
        }
    }
    ASSERT_GE(right, 0) << "no title";
    EXPECT_GE(top, band.top - 1);
    EXPECT_LE(bottom, band.bottom + 1);
    EXPECT_NEAR((left + right) * 0.5, image.width * 0.5, 2.0);
    EXPECT_GT(right - left, 80);    // "Sales by month" at 14 points
    EXPECT_LT(right - left, 200);
    EXPECT_LE(darkest, int(kTitleColour.argb >> 8 & 0xFF) + 24);
}

// Each legend entry's marker is its colour, solid.
void CheckLegend(const CPlot& chart, const gfx_test::Image& image, std::size_t entries)
{
    auto captions = pvtest::ChildrenOf<CCaption>(chart);
    ASSERT_EQ(captions.size(), 1u);
    auto markers = pvtest::ChildrenOf<CRectangle>(*captions[0]);
    ASSERT_EQ(markers.size(), entries);
    for (const CRectangle* marker : markers) {
        const int x = static_cast<int>((marker->topLeft.x + marker->bottomRight.x) * 0.5f);
        const int y = static_cast<int>((marker->topLeft.y + marker->bottomRight.y) * 0.5f);
        EXPECT_EQ(Hex(image.At(x, y)), Hex(marker->colour.argb)) << "legend marker at " << x << "," << y;
        EXPECT_GE(x, chart.historyRect->left);
    }
}

// The middle of each bar's front face shows its gradient.
void CheckBars(const CPlot& chart, const gfx_test::Image& image)
{
    auto boxes = pvtest::ChildrenOf<CBox>(chart);
    ASSERT_EQ(boxes.size(), 18u);
    for (const CBox* box : boxes) {
        const float d = static_cast<float>(box->depth);
        const float top = box->topLeft.y + d;
        const float height = box->bottomRight.y - box->topLeft.y;
        ASSERT_GT(height, 8.0f);
        const int x = static_cast<int>((box->topLeft.x + box->bottomRight.x) * 0.5f - d);
        const int y = static_cast<int>(top + height * 0.5f);
        EXPECT_LE(Distance(image.At(x, y), GradientAt(box->colour, top, height, y)), 6)
            << Hex(image.At(x, y)) << " at " << x << "," << y << " for " << Hex(box->colour.argb);
    }
}

void CollectTopFaces(const CPrimitive& node, std::vector<const CArc*>& out)
{
    for (const auto& child : node.children) {
        CollectTopFaces(*child, out);
        auto* arc = dynamic_cast<const CArc*>(child.get());
        if (arc && arc->gradient)
            out.push_back(arc);
    }
}

// Half way out along each slice's middle direction, the slice's gradient.
void CheckSlices(const CPlot& chart, const gfx_test::Image& image)
{
    std::vector<const CArc*> faces;
    CollectTopFaces(chart, faces);
    ASSERT_EQ(faces.size(), 6u);
    for (const CArc* face : faces) {
        const float m = (face->startAngle + face->endAngle) * 0.5f * kDegreesToRadians;
        const float a = face->ellipseWidth * 0.5f;
        const float b = face->ellipseHeight * 0.5f;
        const float reach = a * b / std::hypot(b * std::cos(m), a * std::sin(m));
        const int x = static_cast<int>(face->centreX + 0.5f * reach * std::cos(m));
        const int y = static_cast<int>(face->centreY + 0.5f * reach * std::sin(m));
        const std::uint32_t want = GradientAt(face->colour, face->centreY - b, face->ellipseHeight, y);
        EXPECT_LE(Distance(image.At(x, y), want), 6)
            << Hex(image.At(x, y)) << " at " << x << "," << y << " for " << Hex(face->colour.argb);
    }
}

// The line of each graph passes through its inner points in its colour.
void CheckLines(const CPlot& chart, const gfx_test::Image& image)
{
    std::vector<const CPolygon*> lines;
    for (const CPolygon* line : pvtest::ChildrenOf<CPolygon>(chart))
        if (line->width == 4.0f)
            lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u);
    for (const CPolygon* line : lines) {
        ASSERT_EQ(line->points.size(), 6u);
        for (std::size_t i = 1; i + 1 < line->points.size(); ++i) {
            const int x = static_cast<int>(line->points[i].x);
            const int y = static_cast<int>(line->points[i].y);
            EXPECT_LE(Distance(image.At(x, y), line->colour.argb), 8)
                << Hex(image.At(x, y)) << " at " << x << "," << y << " for " << Hex(line->colour.argb);
        }
    }
}

enum class Shape { Pie, Bars, Lines };

template <class Chart, class... Extra>
void Render(const std::string& name, std::int32_t depth, std::int32_t inset, Shape shape,
            Extra... extra)
{
    for (bool transparent : {false, true}) {
        SCOPED_TRACE(name + (transparent ? " on transparent" : " on white"));
        Chart chart(640, 480, L"Sales by month", transparent ? CColor::Empty() : CColor::White(), 1,
                    false, extra...);
        chart.depth = depth;
        chart.seriesInset = inset;
        Fill(chart, shape == Shape::Pie);
        chart.Draw();
        if (!transparent)
            pvtest::SavePicture(chart, "sample_" + name);
        const gfx_test::Image image = gfx_test::Pixels(*chart.GetCanvas()->GetBitmap());
        const std::uint32_t background = transparent ? 0x00000000u : 0xFFFFFFFFu;
        CheckBackground(image, background);
        CheckTitle(chart, image, background);
        CheckLegend(chart, image, shape == Shape::Pie ? 6u : 3u);
        if (shape == Shape::Pie)
            CheckSlices(chart, image);
        else if (shape == Shape::Bars)
            CheckBars(chart, image);
        else
            CheckLines(chart, image);
    }
}

} // namespace

TEST(Pictures, EveryKind)
{
    Render<CPie>("pie2d", 0, 5, Shape::Pie);
    Render<CPie>("pie3d", 10, 0, Shape::Pie);
    Render<CVerticalBarChart>("bars2d", 0, 5, Shape::Bars);
    Render<CVerticalBarChart>("bars3d", 10, 0, Shape::Bars);
    Render<CSimpleLinesChart>("lines", 0, 5, Shape::Lines, false);
    Render<CSimpleLinesChart>("linesDotted", 0, 5, Shape::Lines, true);
    Render<CSoftLinesChart>("linesSoft", 0, 5, Shape::Lines);
}
