// What each drawing-context operation asks of the graphics layer, exactly,
// through the recording backend (fixed text metrics: a code point is half an
// em wide, a line 1.25 em high; 12 pt = 16 px em).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "chart/engine/DrawContext.h"
#include "chart/engine/Spline.h"
#include "chart/engine/gdiplus/Canvas.h"
#include "platform/gdiplus/Recording.h"
#include "chart/engine/Primitives.h"
#include "support/ChartSupport.h"
#include "support/WrapReference.h"
#include "support/gfx_support.h"

using Gdiplus::Recording;

namespace {

struct Canvas {
    Gdiplus::Bitmap bitmap{320, 240};
    Gdiplus::Graphics graphics{&bitmap};
};

// The points of a recorded DrawPath line (strtof, not sscanf: that one
// measures the whole rest of a long line at every point).
std::vector<CPointF> PathPoints(const std::string& line)
{
    std::vector<CPointF> points;
    std::size_t at = line.find("points=");
    if (at == std::string::npos)
        return points;
    const char* p = line.c_str() + at + 7;
    while (*p == '(') {
        char* end = nullptr;
        const float x = std::strtof(p + 1, &end);
        if (end == p + 1 || *end != ',')
            break;
        p = end;
        const float y = std::strtof(p + 1, &end);
        if (end == p + 1 || *end != ')')
            break;
        points.emplace_back(x, y);
        p = end + 1;
        if (*p != ';')
            break;
        ++p;
    }
    return points;
}

} // namespace

TEST(DrawLine, PenFromContextColourAndWidth)
{
    Canvas c;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF112233u), 2.0f);
    dc.DrawLine(CPointF(1, 2), CPointF(30, 40), false);
    dc.DrawLine(CPointF(1, 2), CPointF(30, 40), true);
    std::vector<std::string> expected = {
        "DrawLine pen=(FF112233,2.00,solid) from=(1.00,2.00) to=(30.00,40.00) aa=off",
        "DrawLine pen=(FF112233,2.00,dash) from=(1.00,2.00) to=(30.00,40.00) aa=off",
    };
    EXPECT_EQ(rec.Lines(), expected);
}

TEST(DrawRectangle, OutlineSolidAndGradient)
{
    Canvas c;
    c.graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFFC08040u), 1.5f);
    dc.DrawRectangle(CPointF(10, 20), CPointF(40, 60), false, true);   // gradient needs fill
    dc.DrawRectangle(CPointF(10, 20), CPointF(40, 60), true, false);
    dc.DrawRectangle(CPointF(10, 20), CPointF(40, 60), true, true);
    std::vector<std::string> expected = {
        "DrawRectangle pen=(FFC08040,1.50,solid) rect=(10.00,20.00,30.00,40.00) aa=on",
        "FillRectangle brush=solid(FFC08040) rect=(10.00,20.00,30.00,40.00) aa=on",
        // The far end is the 70 % shade: C0 80 40 -> 86 59 2C.
        "FillRectangle brush=gradient(vertical,FFC08040,FF86592C,(10.00,20.00,30.00,40.00),tile) "
        "rect=(10.00,20.00,30.00,40.00) aa=on",
    };
    EXPECT_EQ(rec.Lines(), expected);
}

TEST(DrawRectangle, GradientShowsColourAtTopAndShadeAtBottom)
{
    Canvas c;
    CDrawContext dc(&c.graphics, CColor(0xFF2080F0u), 1.0f);
    dc.DrawRectangle(CPointF(10, 10), CPointF(50, 110), true, true);
    Gdiplus::Color top, bottom;
    c.bitmap.GetPixel(30, 10, &top);
    c.bitmap.GetPixel(30, 109, &bottom);
    EXPECT_EQ(top.GetValue(), 0xFF2080F0u);
    CColor shade = CColor::Shade(CColor(0xFF2080F0u), 70);
    EXPECT_NEAR(bottom.GetR(), shade.R(), 1);
    EXPECT_NEAR(bottom.GetG(), shade.G(), 1);
    EXPECT_NEAR(bottom.GetB(), shade.B(), 2);
}

TEST(DrawArc, ZeroToNinetyFillsTheQuarterFromPlusXToPlusY)
{
    Canvas c;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF3366CCu), 2.0f);
    dc.DrawArc(CPointF(100, 80), 60, 40, 0, 90, true, false);
    dc.DrawArc(CPointF(100, 80), 60, 40, 0, 90, true, true);
    dc.DrawArc(CPointF(100, 80), 60, 40, 45, -90, false, true);
    std::vector<std::string> expected = {
        "FillPie brush=solid(FF3366CC) rect=(70.00,60.00,60.00,40.00) start=0.00 sweep=90.00 "
        "aa=off",
        // The gradient runs over the whole ellipse's box.
        "FillPie brush=gradient(vertical,FF3366CC,FF23478E,(70.00,60.00,60.00,40.00),tile) "
        "rect=(70.00,60.00,60.00,40.00) start=0.00 sweep=90.00 aa=off",
        "DrawArc pen=(FF3366CC,2.00,solid) rect=(70.00,60.00,60.00,40.00) start=45.00 "
        "sweep=-135.00 aa=off",
    };
    EXPECT_EQ(rec.Lines(), expected);
    // And the pixels: the lower right quarter only.
    Canvas p;
    CDrawContext fill(&p.graphics, CColor(0xFF3366CCu), 1.0f);
    fill.DrawArc(CPointF(100, 80), 60, 40, 0, 90, true, false);
    Gdiplus::Color px;
    p.bitmap.GetPixel(110, 88, &px);
    EXPECT_EQ(px.GetValue(), 0xFF3366CCu);
    for (auto [x, y] : {std::pair{90, 88}, {110, 72}, {90, 72}}) {
        p.bitmap.GetPixel(x, y, &px);
        EXPECT_EQ(px.GetValue(), 0u) << x << "," << y;
    }
}

TEST(DrawPolygon, FilledPolygonIsStraightWhateverTheSmoothFlag)
{
    Canvas c;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF00AA00u), 1.0f);
    std::vector<CPointF> points = {{0, 0}, {10, 5}, {0, 10}};
    dc.DrawPolygon(points, true, true);
    ASSERT_EQ(rec.Lines().size(), 1u);
    EXPECT_EQ(rec.Lines()[0], "FillPolygon brush=solid(FF00AA00) mode=alternate "
                              "points=(0.00,0.00);(10.00,5.00);(0.00,10.00) aa=off");
}

TEST(DrawPolygon, OpenStraightPathAndItsEdgeCases)
{
    Canvas c;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    dc.DrawPolygon({{0, 0}, {10, 5}, {20, 0}}, false, false);
    dc.DrawPolygon({{7, 8}}, false, false);   // one point: a segment of length 0
    dc.DrawPolygon({}, false, false);         // nothing
    dc.DrawPolygon({}, true, false);
    dc.DrawPolygon({}, false, true);
    std::vector<std::string> expected = {
        "DrawPath pen=(FF000000,1.00,solid) points=(0.00,0.00);(10.00,5.00);(20.00,0.00) aa=off",
        "DrawPath pen=(FF000000,1.00,solid) points=(7.00,8.00);(7.00,8.00) aa=off",
    };
    EXPECT_EQ(rec.Lines(), expected);
}

TEST(DrawPolygon, SmoothWalkTakesHalfPixelSteps)
{
    Canvas c;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    // A straight curve of length 10: positions 0, 0.5, 1.0, ... 9.0 (the walk
    // stops once it is within a pixel of the end).
    dc.DrawPolygon({{0, 0}, {10, 0}}, true, false);
    ASSERT_EQ(rec.Lines().size(), 1u);
    std::string expected = "DrawPath pen=(FF000000,1.00,solid) points=(0.00,0.00)";
    for (int i = 1; i <= 18; ++i) {
        char buffer[32];
        std::snprintf(buffer, sizeof(buffer), ";(%.2f,0.00)", i * 0.5);
        expected += buffer;
    }
    EXPECT_EQ(rec.Lines()[0], expected + " aa=off");
}

TEST(DrawPolygon, SmoothCurvePassesThroughItsPoints)
{
    Canvas c;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    dc.DrawPolygon({{0, 50}, {40, 10}, {80, 50}, {120, 30}}, true, false);
    ASSERT_EQ(rec.Lines().size(), 1u);
    const std::string& line = rec.Lines()[0];
    EXPECT_EQ(line.find("nan"), std::string::npos);
    std::vector<CPointF> points = PathPoints(line);
    ASSERT_GT(points.size(), 200u);
    EXPECT_EQ(points.front(), CPointF(0, 50));
    // Steps of about half a pixel (the segment parameter follows the
    // distance only roughly).
    for (std::size_t i = 1; i < points.size(); ++i) {
        double step = std::hypot(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y);
        ASSERT_GT(step, 0.1) << i;
        ASSERT_LT(step, 1.0) << i;
    }
    // Through the inner points, ending within a pixel of the last one.
    auto nearest = [&points](float x, float y) {
        double best = 1e9;
        for (const CPointF& p : points)
            best = std::min(best, double(std::hypot(p.x - x, p.y - y)));
        return best;
    };
    EXPECT_LT(nearest(40, 10), 0.3);
    EXPECT_LT(nearest(80, 50), 0.3);
    double end = std::hypot(points.back().x - 120.0, points.back().y - 30.0);
    EXPECT_GE(end, 0.3);
    EXPECT_LE(end, 1.0);
}

TEST(DrawPolygon, DegenerateSmoothLinesDrawStraightSegments)
{
    Canvas c;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    dc.DrawPolygon({{5, 5}}, true, false);
    dc.DrawPolygon({{0, 0}, {10, 10}, {10, 10}, {20, 0}}, true, false);
    dc.DrawPolygon({{3, 3}, {3, 3}}, true, false);
    std::vector<std::string> expected = {
        "DrawPath pen=(FF000000,1.00,solid) points=(5.00,5.00);(5.00,5.00) aa=off",
        "DrawPath pen=(FF000000,1.00,solid) "
        "points=(0.00,0.00);(10.00,10.00);(10.00,10.00);(20.00,0.00) aa=off",
        "DrawPath pen=(FF000000,1.00,solid) points=(3.00,3.00);(3.00,3.00) aa=off",
    };
    EXPECT_EQ(rec.Lines(), expected);
}

TEST(DrawPolygon, LongSmoothLineKeepsItsHalfPixelSamples)
{
    // 300 values swinging 200 pixels: a curve of some 60 000 pixels.
    std::vector<CPointF> points;
    for (int i = 0; i < 300; ++i)
        points.emplace_back(static_cast<float>(i) * 2.0f, i % 2 ? 220.0f : 20.0f);
    Canvas c;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 4.0f);
    dc.DrawPolygon(points, true, false);
    ASSERT_EQ(rec.Lines().size(), 1u);
    const std::vector<CPointF> drawn = PathPoints(rec.Lines()[0]);

    // The walk as it always was: half a pixel at a time, until within a
    // pixel of the end.
    Spline::Walker walker = Spline::Walker::Through(points);
    ASSERT_LT(walker.Length() * 2, CDrawContext::kMaxCurveSteps);
    std::vector<Spline::Vector> expected = {walker.MoveTo(0.0f), walker.MoveTo(0.5f)};
    while (walker.Distance() < walker.Length() - 1.0f)
        expected.push_back(walker.MoveTo(walker.Distance() + 0.5f));
    ASSERT_EQ(drawn.size(), expected.size());
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        ASSERT_NEAR(drawn[i].x, expected[i].x, 0.0051) << i;
        ASSERT_NEAR(drawn[i].y, expected[i].y, 0.0051) << i;
    }
}

TEST(DrawPolygon, VeryLongSmoothLineEndsInBoundedEqualSteps)
{
    // Twenty million pixels: past 2^23 a float distance no longer grows by
    // half a pixel.
    Canvas c;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    dc.DrawPolygon({{0, 0}, {0, 2e7f}}, true, false);
    ASSERT_EQ(rec.Lines().size(), 1u);
    const std::vector<CPointF> drawn = PathPoints(rec.Lines()[0]);
    ASSERT_GT(drawn.size(), CDrawContext::kMaxCurveSteps / 2);
    EXPECT_LE(drawn.size(), CDrawContext::kMaxCurveSteps + 2u);
    const float step = 2e7f / static_cast<float>(CDrawContext::kMaxCurveSteps);
    EXPECT_EQ(drawn.front(), CPointF(0, 0));
    // Equal steps, as far as floats of some ten million hold them (a few
    // pixels).
    for (std::size_t i = 1; i < drawn.size(); ++i)
        ASSERT_NEAR(drawn[i].y - drawn[i - 1].y, step, 0.25f * step) << i;
    EXPECT_GE(drawn.back().y, 2e7f - step - 1.0f);
}

TEST(Text, MeasureUsesTheFontAtItsSize)
{
    Canvas c;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    CSizeF size = dc.MeasureString(L"Arial", L"Hello", 12);
    EXPECT_FLOAT_EQ(size.width, 40.0f);
    EXPECT_FLOAT_EQ(size.height, 20.0f);
    dc.MeasureString(L"No Such Family Anywhere", L"Hi", 9);
    std::vector<std::string> expected = {
        "MeasureString font=\"Arial\",12.00pt layout=(0.00,0.00,0.00,0.00) align=center "
        "text=\"Hello\" -> (-20.00,0.00,40.00,20.00)",
        // A missing family falls back to the generic sans-serif family.
        "MeasureString font=\"sans-serif\",9.00pt layout=(0.00,0.00,0.00,0.00) align=center "
        "text=\"Hi\" -> (-6.00,0.00,12.00,15.00)",
    };
    EXPECT_EQ(rec.Lines(), expected);
}

TEST(Text, DrawStringAlignments)
{
    Canvas c;
    gfx_test::LogCapture log;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF102030u), 1.0f);
    // "Hello" at 12 pt measures 40 x 20; the anchor is the vertical middle.
    dc.DrawString(L"Arial", CPointF(100, 50), L"Hello", 12, 0, 0);
    dc.DrawString(L"Arial", CPointF(100, 50), L"Hello", 12, 1, 0);
    dc.DrawString(L"Arial", CPointF(100, 50), L"Hello", 12, 2, 0);
    dc.DrawString(L"Arial", CPointF(100, 50), L"Hello", 12, 1, -90);   // not rotated
    const std::string head =
        "DrawString font=\"Arial\",12.00pt brush=solid(FF102030) layout=(";
    const std::string tail = ",40.00,0.00,0.00) align=near text=\"Hello\" hint=default";
    std::vector<std::string> expected = {head + "100.00" + tail, head + "80.00" + tail,
                                         head + "60.00" + tail, head + "80.00" + tail};
    EXPECT_EQ(pvtest::LinesOf(rec.Lines(), "DrawString"), expected);
    EXPECT_EQ(pvtest::LinesOf(rec.Lines(), "MeasureString").size(), 4u);   // each draw measures first
    EXPECT_TRUE(log.Lines().empty());
}

TEST(Text, WrongAlignmentIsLoggedAndDrawsFromX)
{
    Canvas c;
    gfx_test::LogCapture log;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    dc.DrawString(L"Arial", CPointF(100, 50), L"Hello", 12, 3, 0);
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0], "[ERROR] - Wrong text align type");
    auto draws = pvtest::LinesOf(rec.Lines(), "DrawString");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_NE(draws[0].find("layout=(100.00,40.00,0.00,0.00)"), std::string::npos);
}

TEST(Text, AngleRotatesAboutTheAnchorAndCentres)
{
    Canvas c;
    c.graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    gfx_test::LogCapture log;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    // Alignment 3 is overridden by the rotation: centred, nothing logged.
    dc.DrawString(L"Arial", CPointF(100, 50), L"Hello", 12, 3, 270);
    dc.DrawLine(CPointF(0, 0), CPointF(1, 0), false);
    auto draws = pvtest::LinesOf(rec.Lines(), "DrawString");
    ASSERT_EQ(draws.size(), 1u);
    // Rotation by 270 about (100, 50): (x, y) -> (y + 50, 150 - x).
    EXPECT_EQ(draws[0],
              "DrawString font=\"Arial\",12.00pt brush=solid(FF000000) "
              "layout=(80.00,40.00,0.00,0.00) align=near text=\"Hello\" "
              "xf=(0.00,-1.00,1.00,0.00,50.00,150.00) hint=antialias");
    // The transform is reset afterwards.
    EXPECT_EQ(rec.Lines().back(),
              "DrawLine pen=(FF000000,1.00,solid) from=(0.00,0.00) to=(1.00,0.00) aa=off");
    EXPECT_TRUE(log.Lines().empty());
    Gdiplus::REAL m[6];
    c.graphics.GetTransform(m);
    EXPECT_EQ(m[0], 1.0f);
    EXPECT_EQ(m[4], 0.0f);
}

TEST(Text, RotatedTextInkIsCentredOnTheAnchor)
{
    Canvas c;
    c.graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    CSizeF size = dc.MeasureString(L"DejaVu Sans", L"Revenue", 14);
    dc.DrawString(L"DejaVu Sans", CPointF(160, 120), L"Revenue", 14, 0, 270);
    gfx_test::Box ink;
    ASSERT_TRUE(gfx_test::InkBox(gfx_test::Pixels(c.bitmap), &ink));
    // Upright: a tall narrow box about the anchor.
    EXPECT_GT(ink.bottom - ink.top, ink.right - ink.left);
    EXPECT_NEAR((ink.top + ink.bottom) * 0.5, 120.0, 3.0);
    EXPECT_NEAR((ink.left + ink.right) * 0.5, 160.0, 3.0);
    EXPECT_LE(ink.bottom - ink.top, size.width + 2);
}

TEST(Text, WrapKeepsFittingTextWhole)
{
    Canvas c;
    Recording rec;   // fixed metrics: 8 px per code point at 12 pt
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    std::vector<std::wstring> lines;
    dc.WrapText(L"Arial", 12, 100.0f, L"short text", lines);
    EXPECT_EQ(lines, std::vector<std::wstring>{L"short text"});
}

TEST(Text, WrapMakesLinesEndingInASpaceWithRoomToSpare)
{
    Canvas c;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    std::vector<std::wstring> lines = {L"kept"};   // appended to
    dc.WrapText(L"Arial", 12, 50.0f, L"aa bb  cc dd", lines);
    std::vector<std::wstring> expected = {L"kept", L"aa bb ", L"cc dd "};
    EXPECT_EQ(lines, expected);
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_LE(dc.MeasureString(L"Arial", lines[i], 12).width, 50.0f - 2.0f);
}

TEST(Text, WrapBreaksAWideWordInPlace)
{
    Canvas c;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    std::vector<std::wstring> lines;
    dc.WrapText(L"Arial", 12, 40.0f, L"ab abcdefghij cd", lines);
    // A piece grows while piece + character + space stays narrower than 40.
    std::vector<std::wstring> expected = {L"ab ", L"abc", L"def", L"ghi", L"j", L"cd "};
    EXPECT_EQ(lines, expected);
}

TEST(Text, WrapNeverEmitsEmptyLines)
{
    Canvas c;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    for (float width : {0.0f, -5.0f}) {
        std::vector<std::wstring> lines;
        dc.WrapText(L"Arial", 12, width, L" ab  c ", lines);
        std::vector<std::wstring> expected = {L"a", L"b", L"c"};
        EXPECT_EQ(lines, expected) << width;
    }
    std::vector<std::wstring> lines;
    dc.WrapText(L"Arial", 12, 100.0f, L"", lines);
    dc.WrapText(L"Arial", 12, 0.0f, L"", lines);
    dc.WrapText(L"Arial", 12, 100.0f, L"   ", lines);   // fits: kept as it is
    EXPECT_EQ(lines, std::vector<std::wstring>{L"   "});
    // A leading space in a text that needs wrapping starts no line of its own.
    lines.clear();
    dc.WrapText(L"Arial", 12, 20.0f, L" ab cd", lines);
    for (const auto& line : lines)
        EXPECT_NE(line.find_first_not_of(L' '), std::wstring::npos);
}

TEST(Text, BreakWordSplitsByCodePoint)
{
    Canvas c;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    std::vector<std::wstring> lines;
    // Characters outside the basic plane are one code point each.
    dc.BreakWord(L"Arial", 12, 10.0f, L"\U0001D11E\U0001D11E\U0001D11E", lines);
    std::vector<std::wstring> expected(3, L"\U0001D11E");
    EXPECT_EQ(lines, expected);
    lines.clear();
    dc.BreakWord(L"Arial", 12, 100.0f, L"fits", lines);
    EXPECT_EQ(lines, std::vector<std::wstring>{L"fits"});
    lines.clear();
    dc.BreakWord(L"Arial", 12, 0.0f, L"", lines);
    EXPECT_TRUE(lines.empty());
}

TEST(Text, WrappingGivesTheLinesOfTheWordByWordRule)
{
    Canvas c;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    for (const wchar_t* family : {L"Arial", L"Times", L"DejaVu Sans"}) {
        auto measure = [&](const std::wstring& t) { return dc.MeasureString(family, t, 10).width; };
        for (const std::wstring& text : pvtest::OrdinaryTexts())
            for (float width : pvtest::OrdinaryWidths()) {
                std::vector<std::wstring> lines;
                dc.WrapText(family, 10, width, text, lines);
                EXPECT_EQ(lines, pvtest::WrapByRule(measure, width, text)) << width;
            }
    }
}

// Characters handed to the text layer while the operation runs.
template <class F>
std::uint64_t TextCharacters(F operation)
{
    const std::uint64_t before = CDrawContext::TextWorkDone().characters;
    operation();
    return CDrawContext::TextWorkDone().characters - before;
}

TEST(Text, LongTextsAreCutToWhatThePictureCanShow)
{
    Canvas c;   // 320 x 240: a diagonal of 400 px
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    std::wstring text;
    while (text.size() < 1000000)
        text += L"lorem ipsum dolor ";
    // One line shows no more characters than fit the diagonal at the
    // narrowest advance: 400 / (16 px / 8) at 12 pt.
    const std::size_t line = dc.ShownLimit(12, false);
    EXPECT_EQ(line, 201u);
    EXPECT_LE(TextCharacters([&] { dc.MeasureString(L"Arial", text, 12); }), line);
    EXPECT_LE(TextCharacters([&] { dc.DrawString(L"Arial", CPointF(0, 20), text, 12, 0, 90); }),
              2 * line);
    EXPECT_EQ(dc.MeasureString(L"Arial", text, 12).width,
              dc.MeasureString(L"Arial", text.substr(0, line), 12).width);
    // Wrapped, no more than fit the area; a run of spaces counts once.
    const std::size_t area = dc.ShownLimit(12, true);
    EXPECT_EQ(area, 320u * 240u / (16u * 2u) + 1u);
    std::vector<std::wstring> lines;
    const std::uint64_t wrapping =
        TextCharacters([&] { dc.WrapText(L"Arial", 12, 100.0f, text, lines); });
    std::wstring joined;
    for (const std::wstring& l : lines)
        joined += l;
    // The lines hold the cut text, with a space after its last word.
    ASSERT_GE(joined.size(), area);
    EXPECT_LE(joined.size(), area + 1);
    joined.pop_back();
    EXPECT_EQ(joined, text.substr(0, joined.size()));
    EXPECT_LE(wrapping, 6 * area);
    std::wstring spaced = L"a" + std::wstring(2 * area, L' ') + L"b";
    lines.clear();
    dc.WrapText(L"Arial", 12, 100.0f, spaced, lines);
    EXPECT_EQ(lines, std::vector<std::wstring>{L"a b "});
}

TEST(Text, ALineTooLongKeepsThePartDrawnAtItsAnchor)
{
    Canvas c;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    const std::wstring text = L"<" + std::wstring(5000, L'm') + L"|" + std::wstring(5000, L'm') + L">";
    auto drawn = [&](int alignment, int angle) {
        Recording rec;
        dc.DrawString(L"Arial", CPointF(160, 120), text, 12, alignment, angle);
        const std::string line = rec.Lines().back();
        return line.substr(line.find(" text=\"") + 7, 3);
    };
    EXPECT_EQ(drawn(0, 0), "<mm");    // from the anchor: the start
    EXPECT_EQ(drawn(2, 0), "mmm");    // ending there: the end ...
    Recording rec;
    dc.DrawString(L"Arial", CPointF(160, 120), text, 12, 2, 0);
    EXPECT_NE(rec.Lines().back().find("m>\""), std::string::npos);
    // ... centred or turned: the middle.
    for (int angle : {0, 90}) {
        Recording turned;
        dc.DrawString(L"Arial", CPointF(160, 120), text, 12, 1, angle);
        const std::string line = turned.Lines().back();
        EXPECT_NE(line.find("m|m"), std::string::npos);
        EXPECT_EQ(line.find('<'), std::string::npos);
    }
}

TEST(Text, WrappingWorkGrowsWithTheTextNotWithItsLines)
{
    Gdiplus::Bitmap bitmap{2000, 2000};
    Gdiplus::Graphics graphics{&bitmap};
    Recording rec;   // 8 px a character at 12 pt
    CDrawContext dc(&graphics, CColor(0xFF000000u), 1.0f);
    std::wstring words;
    while (words.size() < 20000)
        words += L"ab ";
    const std::wstring word(20000, L'x');
    // Lines of 250 characters: measured whole as they grow, about a hundred
    // times the text; settled around a guess, a few times.
    auto measure = [&](const std::wstring& t) { return dc.MeasureString(L"Arial", t, 12).width; };
    std::vector<std::wstring> lines;
    EXPECT_LE(TextCharacters([&] { dc.WrapText(L"Arial", 12, 2000.0f, words, lines); }),
              6 * words.size());
    EXPECT_EQ(lines, pvtest::WrapByRule(measure, 2000.0f, words));
    EXPECT_EQ(lines.size(), 81u);
    lines.clear();
    EXPECT_LE(TextCharacters([&] { dc.BreakWord(L"Arial", 12, 2000.0f, word, lines); }),
              6 * word.size());
    std::vector<std::wstring> pieces;
    pvtest::BreakWordByRule(measure, 2000.0f, word, pieces);
    EXPECT_EQ(lines, pieces);
}

TEST(Text, ABiggerPictureShowsMoreOfTheSameText)
{
    std::wstring title;
    while (title.size() < 100000)
        title += L"title ";
    std::size_t shown[2] = {0, 0};
    int i = 0;
    for (int side : {200, 800}) {
        Gdiplus::Bitmap bitmap{side, side};
        Gdiplus::Graphics graphics{&bitmap};
        CPrimitive root{&graphics};
        CText& text = root.Add<CText>(CColor(0xFF000000u), title, L"Arial", CPointF(0, 10), 12, 0);
        Recording rec;
        shown[i++] = static_cast<std::size_t>(TextCharacters([&] { root.Draw(); }));
        EXPECT_EQ(text.text, title);
    }
    EXPECT_GT(shown[0], 0u);
    EXPECT_GT(shown[1], 3 * shown[0]);
}

TEST(Fonts, CreateFontFallsBackToSansSerif)
{
    Canvas c;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    auto named = CreateFont(L"DejaVu Serif", 10);
    EXPECT_TRUE(named->IsAvailable());
    EXPECT_EQ(named->GetFamilyName(), "DejaVu Serif");
    EXPECT_EQ(named->GetSize(), 10.0f);
    EXPECT_EQ(named->GetUnit(), Gdiplus::UnitPoint);
    auto missing = CreateFont(L"No Such Family Anywhere", 10);
    EXPECT_TRUE(missing->IsAvailable());
    EXPECT_EQ(missing->GetFamilyName(), "sans-serif");
    // A size that no font can take leaves an unusable font; drawing with it draws nothing.
    auto tiny = CreateFont(L"Arial", -3);
    EXPECT_FALSE(tiny->IsAvailable());
    CSizeF size = dc.MeasureString(L"Arial", L"x", -3);
    EXPECT_EQ(size.width, 0.0f);
    dc.DrawString(L"Arial", CPointF(10, 10), L"x", -3, 0, 0);
    gfx_test::Box ink;
    EXPECT_FALSE(gfx_test::InkBox(gfx_test::Pixels(c.bitmap), &ink));
}

TEST(Fonts, NoFontOutgrowsThePicture)
{
    // 320 x 240 pixels: 320 px is 240 pt at 96 dpi.
    Canvas c;
    Recording rec;
    CDrawContext dc(&c.graphics, CColor(0xFF000000u), 1.0f);
    EXPECT_FLOAT_EQ(dc.MeasureString(L"Arial", L"Hi", 7500).height, 400.0f);
    dc.DrawString(L"Arial", CPointF(10, 10), L"Hi", 7500, 0, 270);
    dc.MeasureString(L"Arial", L"Hi", 240);
    for (const std::string& line : rec.Lines())
        EXPECT_NE(line.find("font=\"Arial\",240.00pt"), std::string::npos) << line;
}

TEST(Context, WithoutGraphicsNothingHappens)
{
    CDrawContext dc(nullptr, CColor(0xFF000000u), 1.0f);
    Recording rec;
    dc.DrawLine(CPointF(0, 0), CPointF(1, 1), false);
    dc.DrawRectangle(CPointF(0, 0), CPointF(1, 1), true, true);
    dc.DrawArc(CPointF(0, 0), 1, 1, 0, 90, true, false);
    dc.DrawPolygon({{0, 0}, {1, 1}}, true, false);
    dc.DrawString(L"Arial", CPointF(0, 0), L"x", 10, 0, 90);
    CSizeF size = dc.MeasureString(L"Arial", L"x", 10);
    EXPECT_EQ(size.width, 0.0f);
    EXPECT_TRUE(rec.Lines().empty());
}

TEST(Context, SystemColourAndEncoders)
{
    EXPECT_EQ(CDrawContext::GetSystemColor(), CColor(0xFFFFFFE1u));
    Gdiplus::CLSID png, jpeg, untouched;
    int pngIndex = GetEncoderClsid(L"image/png", &png);
    int jpegIndex = GetEncoderClsid(L"image/jpeg", &jpeg);
    EXPECT_GE(pngIndex, 0);
    EXPECT_GE(jpegIndex, 0);
    EXPECT_NE(pngIndex, jpegIndex);
    EXPECT_TRUE(png != jpeg);
    EXPECT_EQ(GetEncoderClsid(L"image/PNG", &untouched), -1);   // case-sensitive
    EXPECT_EQ(GetEncoderClsid(L"image/gif", &untouched), -1);
    EXPECT_EQ(GetEncoderClsid(L"", &untouched), -1);
    EXPECT_TRUE(untouched == Gdiplus::CLSID());
    // The class id found is the one that saves PNG.
    Gdiplus::Bitmap bitmap(2, 2);
    std::vector<unsigned char> bytes;
    Gdiplus::VectorSink sink(bytes);
    ASSERT_EQ(bitmap.Save(&sink, &png), Gdiplus::Ok);
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(bytes[1], 'P');
    EXPECT_EQ(bytes[2], 'N');
    EXPECT_EQ(bytes[3], 'G');
}
