// The primitive tree: ownership, drawing order, and the geometry each kind
// hands to the drawing layer (read back from the recording backend).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "chart/engine/Primitives.h"
#include "platform/gdiplus/Gdiplus.h"
#include "platform/gdiplus/Recording.h"
#include "support/ChartSupport.h"

namespace {

const CColor kRed(0xFFC04020u);

// A root primitive drawing on a bitmap of its own.
struct Canvas {
    Gdiplus::Bitmap bitmap{300, 300};
    Gdiplus::Graphics graphics{&bitmap};
    CPrimitive root{&graphics};
};

std::vector<std::string> Draw(CPrimitive& primitive)
{
    Gdiplus::Recording recording;
    primitive.Draw();
    return recording.Lines();
}

// Counts destructions.
struct Tracked : CPrimitive {
    explicit Tracked(int* destroyed) : CPrimitive(CColor()), count(destroyed) {}
    ~Tracked() override { ++*count; }
    int* count;
};

} // namespace

TEST(Tree, ChildJoinsParentAndIsReleasedWithIt)
{
    int destroyed = 0;
    {
        Canvas canvas;
        Tracked& a = canvas.root.Add<Tracked>(&destroyed);
        Tracked& b = a.Add<Tracked>(&destroyed);
        ASSERT_EQ(canvas.root.children.size(), 1u);
        EXPECT_EQ(canvas.root.children[0].get(), &a);
        EXPECT_EQ(a.children[0].get(), &b);
        EXPECT_EQ(b.parent, &a);
        EXPECT_EQ(a.parent, &canvas.root);
        // A primitive made apart joins its tree once appended.
        auto apart = std::make_shared<Tracked>(&destroyed);
        EXPECT_EQ(apart->parent, nullptr);
        b.AddChild(apart);
        EXPECT_EQ(apart->parent, &b);
        EXPECT_EQ(b.children.at(0), apart);
        apart.reset();
        EXPECT_EQ(destroyed, 0);
        // Thousands of children: the list grows ahead of them, not by one.
        for (int i = 0; i < 5000; ++i)
            a.Add<Tracked>(&destroyed);
        EXPECT_GT(a.children.capacity(), a.children.size());
    }
    EXPECT_EQ(destroyed, 5003);
}

TEST(Tree, ContextTakesNearestGraphicsAndOwnColourAndWidth)
{
    Canvas canvas;
    auto& group = canvas.root.Add<CPrimitive>(CColor(0xFF000000u));
    auto& line = group.Add<CLine>(kRed, CPointF(0, 0), CPointF(1, 1));
    line.width = 3.5f;
    auto context = line.CreateDrawContext();
    EXPECT_EQ(context->GetGraphics(), &canvas.graphics);
    EXPECT_EQ(context->GetColor(), kRed);
    EXPECT_FLOAT_EQ(context->GetWidth(), 3.5f);

    CLine orphan(kRed, CPointF(0, 0), CPointF(1, 1));
    EXPECT_EQ(orphan.CreateDrawContext()->GetGraphics(), nullptr);
}

TEST(Tree, ChildrenDrawInCreationOrderAndLinePaintsOverItsChild)
{
    Canvas canvas;
    auto& line = canvas.root.Add<CLine>(kRed, CPointF(10, 10), CPointF(50, 10));
    line.Add<CRectangle>(CColor(0xFF00FF00u), CPointF(20, 5), CPointF(30, 15), true, false);
    canvas.root.Add<CLine>(kRed, CPointF(0, 0), CPointF(0, 9), true);
    const std::vector<std::string> expected = {
        "FillRectangle brush=solid(FF00FF00) rect=(20.00,5.00,10.00,10.00) aa=off",
        "DrawLine pen=(FFC04020,1.00,solid) from=(10.00,10.00) to=(50.00,10.00) aa=off",
        "DrawLine pen=(FFC04020,1.00,dash) from=(0.00,0.00) to=(0.00,9.00) aa=off",
    };
    EXPECT_EQ(Draw(canvas.root), expected);
}

TEST(Tree, SmoothingFlagSwitchesAntiAliasing)
{
    Canvas canvas;
    canvas.root.Add<CLine>(kRed, CPointF(0, 0), CPointF(5, 5)).smoothing = true;
    canvas.root.Add<CLine>(kRed, CPointF(0, 0), CPointF(5, 5));
    auto lines = Draw(canvas.root);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(" aa=on"), std::string::npos);
    EXPECT_NE(lines[1].find(" aa=off"), std::string::npos);
}

TEST(Arc, ArcsAndStacksDrawWithWidthTwo)
{
    Canvas canvas;
    canvas.root.Add<CArc>(kRed, CPointF(100, 100), 80, 40, 0, 90, false, false);
    canvas.root.Add<CArc>(kRed, CPointF(100, 100), 80, 40, 90, 180, true, false);
    // A stack is centred on its top arc and reaches rows further down.
    CArcStack& stack = canvas.root.Add<CArcStack>(kRed, CPointF(100, 100), 80, 40, 30, 150, false, 64);
    canvas.root.Add<CArcStack>(kRed, CPointF(100, 100), 80, 40, 30, 150, true, 0);
    EXPECT_FALSE(stack.gradient);
    const std::vector<std::string> expected = {
        "DrawArc pen=(FFC04020,2.00,solid) rect=(60.00,80.00,80.00,40.00) start=0.00 sweep=90.00 aa=off",
        "FillPie brush=solid(FFC04020) rect=(60.00,80.00,80.00,40.00) start=90.00 sweep=90.00 aa=off",
        "DrawArcStack pen=(FFC04020,2.00,solid) rect=(60.00,80.00,80.00,40.00) start=30.00 "
        "sweep=120.00 rows=64 aa=off",
        "FillPieStack brush=solid(FFC04020) rect=(60.00,80.00,80.00,40.00) start=30.00 "
        "sweep=120.00 rows=0 aa=off",
    };
    EXPECT_EQ(Draw(canvas.root), expected);
}

TEST(Box, DepthTenBuildsFrontTopEdgeAndSide)
{
    Canvas canvas;
    auto* box = &canvas.root.Add<CBox>(kRed, CPointF(100, 50), CPointF(140, 200), true, true, 10);
    // Shades: 50 % of C0 40 20 is 60 20 10, 70 % is 86 2C 16.
    const std::vector<std::string> expected = {
        "FillRectangle brush=gradient(vertical,FFC04020,FF862C16,(90.00,60.00,40.00,150.00),tile) "
        "rect=(90.00,60.00,40.00,150.00) aa=off",
        "FillPolygon brush=solid(FF602010) mode=alternate "
        "points=(90.00,60.00);(100.00,50.00);(140.00,50.00);(130.00,60.00) aa=off",
        "DrawLine pen=(FF862C16,1.00,solid) from=(90.00,60.00) to=(130.00,60.00) aa=off",
        "FillPolygon brush=solid(FF602010) mode=alternate "
        "points=(130.00,60.00);(140.00,50.00);(140.00,200.00);(130.00,210.00) aa=off",
    };
    EXPECT_EQ(Draw(*box), expected);
    ASSERT_EQ(box->children.size(), 4u);
    auto* front = dynamic_cast<CRectangle*>(box->children[0].get());
    ASSERT_NE(front, nullptr);
    EXPECT_EQ(front->topLeft, CPointF(90, 60));
    EXPECT_EQ(front->bottomRight, CPointF(130, 210));
}

TEST(Box, FlatBoxIsOneSmoothedRectangleWithItsOwnFlags)
{
    Canvas canvas;
    auto* box = &canvas.root.Add<CBox>(kRed, CPointF(10, 20), CPointF(30, 60), false, false, 0);
    const std::vector<std::string> expected = {
        "DrawRectangle pen=(FFC04020,1.00,solid) rect=(10.00,20.00,20.00,40.00) aa=on",
    };
    EXPECT_EQ(Draw(*box), expected);
}

TEST(Box, EveryDrawAddsAFreshSetOfChildren)
{
    Canvas canvas;
    auto* box = &canvas.root.Add<CBox>(kRed, CPointF(10, 20), CPointF(30, 60), true, false, 5);
    Draw(*box);
    EXPECT_EQ(box->children.size(), 4u);
    EXPECT_EQ(Draw(*box).size(), 8u);
}

TEST(Dot, OutlineAroundFilledSquare)
{
    Canvas canvas;
    auto* dot = &canvas.root.Add<CDot>(kRed, CPointF(20, 20));
    const std::vector<std::string> expected = {
        "DrawRectangle pen=(FFC04020,1.00,solid) rect=(15.00,15.00,10.00,10.00) aa=off",
        "FillRectangle brush=solid(FFC04020) rect=(17.00,17.00,6.00,6.00) aa=off",
    };
    EXPECT_EQ(Draw(*dot), expected);
}

TEST(Polygon, HandsPointsAndFlagsOn)
{
    Canvas canvas;
    const std::vector<CPointF> points = {CPointF(1, 2), CPointF(3, 4), CPointF(5, 2)};
    canvas.root.Add<CPolygon>(kRed, points, false, false);
    canvas.root.Add<CPolygon>(kRed, points, true, true);
    const std::vector<std::string> expected = {
        "DrawPath pen=(FFC04020,1.00,solid) points=(1.00,2.00);(3.00,4.00);(5.00,2.00) aa=off",
        "FillPolygon brush=solid(FFC04020) mode=alternate points=(1.00,2.00);(3.00,4.00);(5.00,2.00) aa=off",
    };
    EXPECT_EQ(Draw(canvas.root), expected);
}

TEST(Rect, InsetShrinksByTopRightBottomLeft)
{
    CRect picture(kRed, 0, 0, 640, 480);
    auto inset = picture.Inset(CPadding{1, 1, 15, 35});
    EXPECT_FLOAT_EQ(inset->left, 35);
    EXPECT_FLOAT_EQ(inset->top, 1);
    EXPECT_FLOAT_EQ(inset->right, 639);
    EXPECT_FLOAT_EQ(inset->bottom, 465);
    EXPECT_EQ(inset->parent, nullptr);
    EXPECT_EQ(inset->colour, CColor(0xFF000000u));
    // A layout rectangle draws nothing.
    Canvas canvas;
    canvas.root.Add<CRect>(kRed, 1, 2, 3, 4);
    EXPECT_TRUE(Draw(canvas.root).empty());
}

using pvtest::Field;

namespace {

// Drawing lines only: measuring lines dropped.
std::vector<std::string> Drawn(const std::vector<std::string>& lines)
{
    std::vector<std::string> out;
    for (const auto& line : lines) {
        if (line.rfind("MeasureString", 0) != 0)
            out.push_back(line);
    }
    return out;
}

} // namespace

// With the recording's fixed metrics a 12-point text is 16 pixels to the em:
// 8 pixels per character and 20 pixels high.
TEST(Text, OneLineWithoutWrapWidthAndSubTextBelowFivePointsSmaller)
{
    Canvas canvas;
    auto* text = &canvas.root.Add<CText>(kRed, L"a rather long title that never wraps", L"Times",
                                         CPointF(50, 100), 12, 0, 0.0f, L"5");
    text->lineStep = 20;
    EXPECT_EQ(text->GetLineCount(), 1u);
    auto lines = Drawn(Draw(canvas.root));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Field(lines[0], "text"), "\"a");
    EXPECT_EQ(Field(lines[0], "layout"), "(50.00,90.00,0.00,0.00)");
    const std::string font = Field(lines[1], "font");
    EXPECT_EQ(font.substr(font.rfind(',')), ",7.00pt");
    EXPECT_EQ(Field(lines[1], "text"), "\"(5)\"");
    // Anchor one line step lower; 7 points are 9.33 pixels to the em.
    EXPECT_EQ(Field(lines[1], "layout"), "(50.00,114.17,0.00,0.00)");
}

TEST(Text, WrapsAtItsWidthAndStepsDownPerLine)
{
    Canvas canvas;
    auto* text = &canvas.root.Add<CText>(kRed, L"aaa bbb ccc", L"Times", CPointF(10, 50), 12, 0,
                                         70.0f);
    text->lineStep = 25;
    EXPECT_EQ(text->GetLineCount(), 2u);
    auto lines = Drawn(Draw(canvas.root));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Field(lines[0], "text"), "\"aaa");
    EXPECT_EQ(Field(lines[0], "layout"), "(10.00,40.00,0.00,0.00)");
    EXPECT_EQ(Field(lines[1], "text"), "\"ccc");
    EXPECT_EQ(Field(lines[1], "layout"), "(10.00,65.00,0.00,0.00)");
}

TEST(Text, AlignmentAndAngleReachTheDrawingLayer)
{
    Canvas canvas;
    canvas.root.Add<CText>(kRed, L"abcd", L"Times", CPointF(100, 100), 12, 2);
    canvas.root.Add<CText>(kRed, L"abcd", L"Times", CPointF(100, 100), 12, 0).angle = 270;
    auto lines = Drawn(Draw(canvas.root));
    ASSERT_EQ(lines.size(), 2u);
    // Four characters are 32 pixels: right alignment ends at the anchor.
    EXPECT_EQ(Field(lines[0], "layout"), "(68.00,90.00,0.00,0.00)");
    EXPECT_EQ(Field(lines[0], "xf"), "");
    EXPECT_NE(Field(lines[1], "xf"), "");
}

TEST(Caption, RowsOfOneLineEntriesTwentyPixelsApart)
{
    Canvas canvas;
    auto* caption = &canvas.root.Add<CCaption>(kRed, 10, 20, 0.0f);
    caption->family = L"Times";
    caption->size = 12;
    caption->AddEntry(L"one", CColor(0xFF0000FFu));
    caption->AddEntry(L"two", CColor(0xFF00FF00u));
    caption->AddEntry(L"three", CColor(0xFFFF0000u));
    auto lines = Drawn(Draw(*caption));
    ASSERT_EQ(lines.size(), 6u);
    // Rows at origin y + 5, + 25, + 45; markers inset by 2 from the 15-pixel
    // square; titles anchored 5 pixels right of it, in the row's middle.
    EXPECT_EQ(lines[0], "FillRectangle brush=solid(FF0000FF) rect=(12.00,27.00,11.00,11.00) aa=off");
    EXPECT_EQ(Field(lines[1], "layout"), "(30.00,22.50,0.00,0.00)");
    EXPECT_EQ(Field(lines[1], "brush"), "solid(FFC04020)");
    EXPECT_EQ(lines[2], "FillRectangle brush=solid(FF00FF00) rect=(12.00,47.00,11.00,11.00) aa=off");
    EXPECT_EQ(Field(lines[3], "layout"), "(30.00,42.50,0.00,0.00)");
    EXPECT_EQ(lines[4], "FillRectangle brush=solid(FFFF0000) rect=(12.00,67.00,11.00,11.00) aa=off");
    EXPECT_EQ(Field(lines[5], "text"), "\"three\"");
}

TEST(Caption, FrameAndSubTextTakeTheirRoom)
{
    Canvas canvas;
    auto* caption = &canvas.root.Add<CCaption>(kRed, 0, 0, 0.0f);
    caption->family = L"Times";
    caption->size = 12;
    caption->frame = true;
    caption->AddEntry(L"one", CColor(0xFF0000FFu));
    caption->AddEntry(L"two", CColor(0xFF00FF00u));
    caption->subTexts = {L"sub"};
    auto lines = Drawn(Draw(*caption));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "DrawRectangle pen=(FF0000FF,1.00,solid) rect=(0.00,5.00,15.00,15.00) aa=off");
    EXPECT_EQ(Field(lines[3], "text"), "\"(sub)\"");
    // The sub-text takes a row: the second entry starts two rows down.
    EXPECT_EQ(lines[4], "DrawRectangle pen=(FF00FF00,1.00,solid) rect=(0.00,45.00,15.00,15.00) aa=off");
}

TEST(Caption, RowsBelowTheCanvasAreLeftOut)
{
    // Two thousand entries on a canvas 300 pixels high: the rows one can see
    // are made (a title centred in a row just below the edge can still
    // reach onto it), the rest are not, and the pixels are those of a
    // legend of the first forty entries.
    auto legend = [](Canvas& canvas, std::size_t count) -> CCaption& {
        auto& caption = canvas.root.Add<CCaption>(kRed, 10, 0, 0.0f);
        caption.family = L"DejaVu Sans";
        caption.size = 20;
        caption.rowHeight = 8;
        for (std::size_t i = 0; i < count; ++i)
            caption.AddEntry(L"\u00C5ntry " + std::to_wstring(i),
                             CColor(0xFF000000u | (0x10305u * static_cast<std::uint32_t>(i))));
        canvas.root.Draw();
        return caption;
    };
    Canvas all, first;
    const CCaption& caption = legend(all, 2000);
    legend(first, 40);
    const std::size_t markers = pvtest::ChildrenOf<CRectangle>(caption).size();
    // Rows 13 pixels apart: the 23rd starts at 291, the last on the canvas.
    EXPECT_GT(markers, 23u);
    EXPECT_LT(markers, 40u);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x) {
            Gdiplus::Color a, b;
            all.bitmap.GetPixel(x, y, &a);
            first.bitmap.GetPixel(x, y, &b);
            ASSERT_EQ(a.GetValue(), b.GetValue()) << x << "," << y;
        }
}

TEST(Caption, WrappedTitleTakesOneRowPerLine)
{
    Canvas canvas;
    auto* caption = &canvas.root.Add<CCaption>(kRed, 0, 0, 70.0f);
    caption->family = L"Times";
    caption->size = 12;
    caption->AddEntry(L"aaa bbb ccc", CColor(0xFF0000FFu));
    caption->AddEntry(L"d", CColor(0xFF00FF00u));
    auto lines = Drawn(Draw(*caption));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[3], "FillRectangle brush=solid(FF00FF00) rect=(2.00,47.00,11.00,11.00) aa=off");
}
