// The Quartz drawing context: each operation's painting as the recording of
// the Quartz layer logs it (fixed text metrics: half an em per unit, a line
// 1.25 em high, a point a pixel), the gradients and their colour walks on
// older systems, fonts AppKit does not know, wrapping.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "chart/engine/DrawContext.h"
#include "chart/engine/quartz/Canvas.h"
#include "chart/output/Logging.h"
#include "platform/appkit/AppKit.h"
#include "platform/corefoundation/SystemSetup.h"
#include "platform/quartz/Recording.h"
#include "support/ChartSupport.h"
#include "support/WrapReference.h"

using pvtest::Field;
using pvtest::LinesOf;

namespace {

const CColor kBlue(0xFF3366CCu);   // 51, 102, 204; its 70 % shade 35, 71, 142

class QuartzContext : public ::testing::Test {
protected:
    void SetUp() override
    {
        Logging::SetupChannels(std::make_shared<Logging::CSink>(log_));
        macsetup::SetSystemVersion(10, 5, 8);
    }
    void TearDown() override
    {
        Logging::SetupChannels(nullptr);
        macsetup::Reset();
    }

    CDrawContext Context(const CColor& colour = kBlue, float width = 2.0f)
    {
        return CDrawContext(canvas_.GetContext(), colour, width);
    }
    // The log's messages without their time stamps.
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> out;
        std::istringstream in(log_.str());
        for (std::string line; std::getline(in, line);)
            out.push_back(line.substr(line.find(", ") + 2));
        return out;
    }

    CCanvas canvas_{400, 300};
    std::ostringstream log_;
};

} // namespace

TEST_F(QuartzContext, LinesAndPolygons)
{
    ASSERT_TRUE(canvas_.Usable());
    pvquartz::Recording recording;
    Context().DrawLine(CPointF(10, 20), CPointF(110, 20), true);
    Context().DrawLine(CPointF(10, 30), CPointF(110, 30), false);
    const std::vector<CPointF> zigzag = {{10, 10}, {50, 80}, {90, 10}, {130, 80}};
    Context().DrawPolygon(zigzag, false, true);
    Context().DrawPolygon(zigzag, false, false);
    Context().DrawPolygon(zigzag, true, false);
    Context().DrawPolygon({}, false, false);
    Context().DrawPolygon({{5, 6}}, false, false);
    const auto& lines = recording.Lines();
    ASSERT_EQ(lines.size(), 6u) << recording.Text();

    // Dashes of 0.5 on and 1.0 off from phase 0, in the context's width and colour.
    EXPECT_EQ(Field(lines[0], "dash"), "(0.00;0.50,1.00)");
    EXPECT_EQ(Field(lines[0], "width"), "2.00");
    EXPECT_EQ(Field(lines[0], "color"), "rgba(0.200,0.400,0.800,1.000)");
    EXPECT_EQ(Field(lines[0], "path"), "M(10.00,20.00);L(110.00,20.00)");
    EXPECT_EQ(Field(lines[1], "dash"), "none");
    // Filled: the corners, no outline.
    EXPECT_EQ(lines[2].rfind("FillPath rule=winding", 0), 0u) << lines[2];
    EXPECT_EQ(Field(lines[2], "path"),
              "M(10.00,10.00);L(50.00,80.00);L(90.00,10.00);L(130.00,80.00)");
    // Plain: round joins.
    EXPECT_EQ(lines[3].rfind("StrokePath", 0), 0u);
    EXPECT_EQ(Field(lines[3], "join"), "round");
    // Smoothed: stroked along the curve from the first point, many steps.
    EXPECT_EQ(lines[4].rfind("StrokePath", 0), 0u);
    EXPECT_EQ(Field(lines[4], "join"), "miter");
    const std::string curve = Field(lines[4], "path");
    EXPECT_EQ(curve.rfind("M(10.00,10.00);L(", 0), 0u);
    EXPECT_GT(std::count(curve.begin(), curve.end(), 'L'), 300);
    // A single point is a segment to itself.
    EXPECT_EQ(Field(lines[5], "path"), "M(5.00,6.00);L(5.00,6.00)");
}

TEST_F(QuartzContext, TextPlacementAndRotation)
{
    pvquartz::Recording recording;
    // "abcd" at 10 points: 20 x 12.5.
    Context().DrawString(L"DejaVu Sans", CPointF(100, 50), L"abcd", 10, 0, 0);
    Context().DrawString(L"DejaVu Sans", CPointF(100, 50), L"abcd", 10, 1, 0);
    Context().DrawString(L"DejaVu Sans", CPointF(100, 50), L"abcd", 10, 2, 0);
    Context().DrawString(L"DejaVu Sans", CPointF(100, 50), L"abcd", 10, 2, 270);
    Context().DrawString(L"DejaVu Sans", CPointF(100, 50), L"abcd", 10, 2, -90);
    Context().DrawString(L"DejaVu Sans", CPointF(100, 50), L"abcd", 10, 3, 0);
    const auto texts = LinesOf(recording.Lines(), "DrawText");
    ASSERT_EQ(texts.size(), 6u) << recording.Text();
    EXPECT_EQ(Field(texts[0], "origin"), "(100.00,43.75)");
    EXPECT_EQ(Field(texts[1], "origin"), "(90.00,43.75)");
    EXPECT_EQ(Field(texts[2], "origin"), "(80.00,43.75)");
    EXPECT_EQ(Field(texts[2], "angle"), "0.00");
    // A positive angle turns the text about the anchor, centred on it
    // whatever the alignment; a negative one is not applied.
    EXPECT_EQ(Field(texts[3], "angle"), "270.00");
    EXPECT_EQ(Field(texts[3], "centre"), "(100.00,50.00)");
    EXPECT_EQ(Field(texts[4], "angle"), "0.00");
    EXPECT_EQ(Field(texts[4], "origin"), "(80.00,43.75)");
    // An unknown alignment draws from the anchor and says so.
    EXPECT_EQ(Field(texts[5], "origin"), "(100.00,43.75)");
    EXPECT_EQ(Field(texts[0], "color"), "rgba(0.200,0.400,0.800,1.000)");
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 1u) << log_.str();
    EXPECT_EQ(messages[0], "[ERROR] - Wrong text align type");
}

TEST_F(QuartzContext, UnknownFontsDrawSansSerifAndLeaveNoState)
{
    const long objects = NSObject::LiveObjects();
    const CGAffineTransform before = CGContextGetCTM(canvas_.GetContext());
    pvquartz::Recording recording;
    for (const wchar_t* family : {L"NoSuchFont", L""}) {
        CDrawContext context = Context();
        const CSizeF size = context.MeasureString(family, L"abcd", 10);
        EXPECT_FLOAT_EQ(size.width, 20.0f);
        EXPECT_FLOAT_EQ(size.height, 12.5f);
        EXPECT_FLOAT_EQ(context.GetTextWidth(L"abcd", family, 10), 20.0f);
        EXPECT_FLOAT_EQ(context.GetTextHeight(L"abcd", family, 10), 12.5f);
        context.DrawString(family, CPointF(50, 50), L"abcd", 10, 1, 45);
    }
    const auto texts = LinesOf(recording.Lines(), "DrawText");
    ASSERT_EQ(texts.size(), 2u) << recording.Text();
    for (const std::string& text : texts)
        EXPECT_EQ(Field(text, "font"), "\"sans-serif\",10.00pt") << text;
    // Every frame undone: no current AppKit context, the transform as it
    // was, nothing left alive.
    EXPECT_EQ(NSGraphicsContext::currentContext(), nullptr);
    const CGAffineTransform after = CGContextGetCTM(canvas_.GetContext());
    EXPECT_EQ(after.a, before.a);
    EXPECT_EQ(after.b, before.b);
    EXPECT_EQ(after.d, before.d);
    EXPECT_EQ(after.ty, before.ty);
    EXPECT_EQ(NSObject::LiveObjects(), objects);
}

TEST_F(QuartzContext, GradientsFromTheShadeToTheColour)
{
    pvquartz::Recording recording;
    Context().DrawRectangle(CPointF(10, 20), CPointF(110, 220), true, true);
    Context().DrawArc(CPointF(200, 150), 100, 60, 0, 90, true, true);
    const auto gradients = LinesOf(recording.Lines(), "DrawLinearGradient");
    ASSERT_EQ(gradients.size(), 2u) << recording.Text();
    const std::string own = "rgba(0.200,0.400,0.800,1.000)";
    const std::string shade = "rgba(0.137,0.278,0.557,1.000)";
    // The rectangle: the shade at its top, the colour at its bottom.
    EXPECT_EQ(Field(gradients[0], "stops"), "0.00:" + shade + ";1.00:" + own) << gradients[0];
    // The slice: the colour toward (1, 1) of its unit circle, the shade
    // toward (-1, -1).
    EXPECT_EQ(Field(gradients[1], "stops"), "1.00:" + shade + ";0.00:" + own);
    EXPECT_EQ(Field(gradients[1], "from"), "(250.00,180.00)");
    EXPECT_EQ(Field(gradients[1], "to"), "(150.00,120.00)");
    EXPECT_TRUE(Messages().empty()) << log_.str();
}

TEST_F(QuartzContext, ColourWalksOnAnOlderSystem)
{
    macsetup::SetSystemVersion(10, 4, 11);
    const std::string warning = "[WARNING] - System does not support gradient filling. This feature "
                                "available sinse 10.5. Try to interpolate color.";
    {
        pvquartz::Recording recording;
        Context().DrawRectangle(CPointF(10, 20), CPointF(110, 120), true, true);
        const auto& lines = recording.Lines();
        EXPECT_TRUE(LinesOf(lines, "DrawLinearGradient").empty());
        EXPECT_TRUE(LinesOf(lines, "FillPath").empty());
        // One horizontal line per half pixel of the walk, from the colour at
        // the top to the shade at the bottom.
        ASSERT_GT(lines.size(), 200u);
        // The first line lies one step along, its channels truncated: 50, 101, 203.
        EXPECT_EQ(Field(lines.front(), "color"), "rgba(0.196,0.396,0.796,1.000)");
        EXPECT_EQ(Field(lines.front(), "path"), "M(10.00,20.49);L(110.00,20.49)");
        // The walks advance together and end with the red one, near the
        // bottom and the shade's red.
        EXPECT_EQ(Field(lines.back(), "color").substr(0, 12), "rgba(0.137,0");
        EXPECT_EQ(Field(lines.back(), "path").substr(0, 10), "M(10.00,11");
        for (const std::string& line : lines)
            EXPECT_EQ(line.rfind("StrokePath", 0), 0u) << line;
    }
    {
        pvquartz::Recording recording;
        Context().DrawArc(CPointF(200, 150), 100, 60, 0, 90, true, true);
        const auto& lines = recording.Lines();
        // Slices from the start angle toward the end, then the outline.
        const auto fills = LinesOf(lines, "FillPath");
        ASSERT_GT(fills.size(), 100u);
        EXPECT_EQ(lines.back().rfind("StrokePath", 0), 0u);
        EXPECT_EQ(Field(lines.back(), "color"), "rgba(0.200,0.400,0.800,1.000)");
        EXPECT_EQ(Field(fills.front(), "color"), "rgba(0.196,0.396,0.796,1.000)");
    }
    {
        pvquartz::Recording recording;
        // Without a gradient: drawn plainly, with the warning all the same.
        Context().DrawArc(CPointF(200, 150), 100, 60, 0, 90, true, false);
        Context().DrawRectangle(CPointF(10, 20), CPointF(110, 120), true, false);
        EXPECT_EQ(recording.Lines().size(), 2u) << recording.Text();
        // Walks over lengths that are no number end at once.
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float huge = std::numeric_limits<float>::max();
        recording.Clear();
        Context().DrawRectangle(CPointF(10, nan), CPointF(110, 120), true, true);
        Context().DrawRectangle(CPointF(10, -huge), CPointF(110, huge), true, true);
        Context().DrawArc(CPointF(200, 150), 100, 60, 0, nan, true, true);
        EXPECT_LE(recording.Lines().size(), 2u + CDrawContext::kMaxCurveSteps + 2u);
    }
    const auto messages = Messages();
    ASSERT_EQ(messages.size(), 7u) << log_.str();
    for (const std::string& m : messages)
        EXPECT_EQ(m, warning);
}

TEST_F(QuartzContext, WrappingNeverGivesEmptyLines)
{
    pvquartz::Recording recording;
    CDrawContext context = Context();
    // 10 points: 5 pixels a character, a space included.
    std::vector<std::wstring> lines;
    EXPECT_FLOAT_EQ(context.MeasureString(L"DejaVu Sans", L"one two ", 10).width, 40.0f);
    context.WrapText(L"DejaVu Sans", 10, 200, L"short text", lines);
    EXPECT_EQ(lines, std::vector<std::wstring>({L"short text"}));
    lines.clear();
    context.WrapText(L"DejaVu Sans", 10, 42, L"one two threefourfive six", lines);
    EXPECT_EQ(lines, std::vector<std::wstring>({L"one two ", L"threefo", L"urfive", L"six "}));
    for (float maximum : {0.0f, -5.0f}) {
        lines.clear();
        context.BreakWord(L"DejaVu Sans", 10, maximum, L"a\U0001F600b", lines);
        // Whole characters, a character outside the basic plane too.
        EXPECT_EQ(lines, std::vector<std::wstring>({L"a", L"\U0001F600", L"b"}));
        lines.clear();
        context.WrapText(L"DejaVu Sans", 10, maximum, L"  ab  c ", lines);
        for (const std::wstring& line : lines)
            EXPECT_FALSE(line.empty());
    }
    EXPECT_EQ(CDrawContext::GetSystemColor(), CColor(0xFFFFFFC0u));
}

TEST_F(QuartzContext, WrappingGivesTheLinesOfTheWordByWordRule)
{
    CDrawContext context = Context();
    for (const wchar_t* family : {L"Helvetica", L"Times", L"DejaVu Sans"}) {
        auto measure = [&](const std::wstring& t) { return context.MeasureString(family, t, 12).width; };
        for (const std::wstring& text : pvtest::OrdinaryTexts())
            for (float width : pvtest::OrdinaryWidths()) {
                std::vector<std::wstring> lines;
                context.WrapText(family, 12, width, text, lines);
                EXPECT_EQ(lines, pvtest::WrapByRule(measure, width, text)) << width;
            }
    }
}

TEST_F(QuartzContext, LongTextsAreCutToWhatThePictureCanShow)
{
    pvquartz::Recording recording;
    CDrawContext context = Context();   // 400 x 300: a diagonal of 500 px
    const std::wstring text(1000000, L'x');
    // A point a pixel: at 10 points an advance of at least 1.25 px.
    EXPECT_EQ(context.ShownLimit(10, false), 401u);
    EXPECT_EQ(context.ShownLimit(10, true), 400u * 300u * 8u / 100u + 1u);
    CDrawContext::TextWork& work = CDrawContext::TextWorkDone();
    const std::uint64_t before = work.characters;
    context.MeasureString(L"Helvetica", text, 10);
    context.DrawString(L"Helvetica", CPointF(0, 20), text, 10, 0, 0);
    EXPECT_LE(work.characters - before, 3u * 401u);
    std::vector<std::wstring> lines;
    context.WrapText(L"Helvetica", 10, 100.0f, text, lines);
    std::size_t shown = 0;
    for (const std::wstring& line : lines)
        shown += line.size();
    EXPECT_EQ(shown, context.ShownLimit(10, true));
}
