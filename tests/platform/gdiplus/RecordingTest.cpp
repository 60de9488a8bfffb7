// The recording backend: one exact line per drawing or measuring call.
#include <gtest/gtest.h>

#include "platform/gdiplus/Gdiplus.h"
#include "platform/gdiplus/Recording.h"

using namespace Gdiplus;

namespace {

struct Canvas {
    Bitmap bitmap{200, 100};
    Graphics graphics{&bitmap};
};

} // namespace

TEST(Recording, ShapesAndLines)
{
    Canvas c;
    Recording rec;
    Pen pen(Color(0xFF102030), 1.0f);
    pen.SetWidth(2.5f);
    pen.SetDashStyle(DashStyleDash);
    c.graphics.DrawLine(&pen, 1.0f, 2.0f, 30.125f, -0.001f);
    SolidBrush solid(Color(0x80FF0000));
    c.graphics.FillRectangle(&solid, 10, 20, 30, 40);
    c.graphics.SetSmoothingMode(SmoothingModeHighQuality);
    LinearGradientBrush gradient(RectF(0, 10, 50, 80), Color(0xFF0000FF), Color(0xFF0000B2),
                                 LinearGradientModeVertical);
    gradient.SetWrapMode(WrapModeTile);
    c.graphics.FillPie(&gradient, 0, 10, 50, 80, 0, 90);
    Pen thin(Color(0xFFABCDEF));
    c.graphics.DrawArc(&thin, 5, 5, 20, 10, -45, 180);
    c.graphics.DrawArcStack(&thin, 5, 5, 20, 10, -45, 180, 3);
    c.graphics.FillPieStack(&solid, 0, 10, 50, 80, 0, 90, 12);
    c.graphics.DrawRectangle(&thin, 1, 1, 8, 8);
    PointF tri[] = {{0, 0}, {10, 0}, {5, 8}};
    c.graphics.FillPolygon(&solid, tri, 3, FillModeAlternate);
    GraphicsPath path;
    path.AddLine(PointF(0, 0), PointF(1, 1));
    path.AddLine(PointF(1, 1), PointF(2, 0.5f));
    c.graphics.DrawPath(&thin, &path);

    std::vector<std::string> expected = {
        "DrawLine pen=(FF102030,2.50,dash) from=(1.00,2.00) to=(30.12,0.00) aa=off",
        "FillRectangle brush=solid(80FF0000) rect=(10.00,20.00,30.00,40.00) aa=off",
        "FillPie brush=gradient(vertical,FF0000FF,FF0000B2,(0.00,10.00,50.00,80.00),tile) "
        "rect=(0.00,10.00,50.00,80.00) start=0.00 sweep=90.00 aa=on",
        "DrawArc pen=(FFABCDEF,1.00,solid) rect=(5.00,5.00,20.00,10.00) start=-45.00 "
        "sweep=180.00 aa=on",
        "DrawArcStack pen=(FFABCDEF,1.00,solid) rect=(5.00,5.00,20.00,10.00) start=-45.00 "
        "sweep=180.00 rows=3 aa=on",
        "FillPieStack brush=solid(80FF0000) rect=(0.00,10.00,50.00,80.00) start=0.00 sweep=90.00 "
        "rows=12 aa=on",
        "DrawRectangle pen=(FFABCDEF,1.00,solid) rect=(1.00,1.00,8.00,8.00) aa=on",
        "FillPolygon brush=solid(80FF0000) mode=alternate points=(0.00,0.00);(10.00,0.00);"
        "(5.00,8.00) aa=on",
        "DrawPath pen=(FFABCDEF,1.00,solid) points=(0.00,0.00);(1.00,1.00);(2.00,0.50) aa=on",
    };
    EXPECT_EQ(rec.Lines(), expected);
}

TEST(Recording, TransformAndTextLines)
{
    Canvas c;
    Recording rec;
    FontFamily family(L"DejaVu Sans");
    Font font(&family, 12.0f, FontStyleRegular, UnitPoint);
    StringFormat format;
    format.SetAlignment(StringAlignmentCenter);
    RectF box;
    c.graphics.MeasureString(L"Ab \"q\"\n", -1, &font, RectF(0, 0, 0, 0), &format, &box);
    c.graphics.SetTextRenderingHint(TextRenderingHintAntiAlias);
    c.graphics.TranslateTransform(100, 50, MatrixOrderPrepend);
    c.graphics.RotateTransform(270, MatrixOrderPrepend);
    c.graphics.TranslateTransform(-100, -50, MatrixOrderPrepend);
    SolidBrush black(Color(0xFF000000));
    StringFormat near;
    c.graphics.DrawString(L"Hi", 2, &font, RectF(90, 40, 0, 0), &near, &black);
    c.graphics.ResetTransform();
    Pen pen(Color(0xFF000000));
    c.graphics.DrawLine(&pen, 0, 0, 1, 1);

    std::vector<std::string> expected = {
        // Fixed metrics: 12 pt = 16 px em, 8 px per code point, 20 px high.
        "MeasureString font=\"DejaVu Sans\",12.00pt layout=(0.00,0.00,0.00,0.00) align=center "
        "text=\"Ab \\\"q\\\"\\x0A\" -> (-28.00,0.00,56.00,20.00)",
        // Rotation by 270 about (100, 50): x' = y + 50, y' = -x + 150.
        "DrawString font=\"DejaVu Sans\",12.00pt brush=solid(FF000000) "
        "layout=(90.00,40.00,0.00,0.00) align=near text=\"Hi\" "
        "xf=(0.00,-1.00,1.00,0.00,50.00,150.00) hint=antialias",
        "DrawLine pen=(FF000000,1.00,solid) from=(0.00,0.00) to=(1.00,1.00) aa=off",
    };
    EXPECT_EQ(rec.Lines(), expected);
    EXPECT_FLOAT_EQ(box.Width, 56.0f);
}

TEST(Recording, NullObjectsAndFailedMeasureAreStillDescribed)
{
    Canvas c;
    Recording rec;
    EXPECT_EQ(c.graphics.DrawLine(nullptr, 0, 0, 1, 1), InvalidParameter);
    EXPECT_EQ(c.graphics.FillRectangle(nullptr, 0, 0, 1, 1), InvalidParameter);
    FontFamily missing(L"No Such Family Anywhere");
    Font bad(&missing, 10.0f);
    RectF box;
    EXPECT_NE(c.graphics.MeasureString(L"x", 1, &bad, RectF(), nullptr, &box), Ok);
    ASSERT_EQ(rec.Lines().size(), 3u);
    EXPECT_EQ(rec.Lines()[0], "DrawLine pen=null from=(0.00,0.00) to=(1.00,1.00) aa=off");
    EXPECT_EQ(rec.Lines()[1], "FillRectangle brush=null rect=(0.00,0.00,1.00,1.00) aa=off");
    EXPECT_EQ(rec.Lines()[2], "MeasureString font=\"No Such Family Anywhere\",10.00pt "
                              "layout=(0.00,0.00,0.00,0.00) align=near text=\"x\" -> failed");
}

TEST(Recording, NestedRecordingsHandBack)
{
    Canvas c;
    Pen pen(Color(0xFF000000));
    EXPECT_EQ(Recording::Active(), nullptr);
    c.graphics.DrawLine(&pen, 0, 0, 1, 1);   // nobody listens
    Recording outer;
    {
        Recording inner;
        c.graphics.DrawLine(&pen, 0, 0, 2, 2);
        EXPECT_EQ(inner.Lines().size(), 1u);
    }
    c.graphics.DrawLine(&pen, 0, 0, 3, 3);
    ASSERT_EQ(outer.Lines().size(), 1u);
    EXPECT_NE(outer.Lines()[0].find("to=(3.00,3.00)"), std::string::npos);
    EXPECT_EQ(outer.Text(), outer.Lines()[0] + "\n");
}

TEST(Recording, RealMetricsOnRequest)
{
    Canvas c;
    FontFamily family(L"DejaVu Sans");
    Font font(&family, 12.0f);
    RectF plain, recorded;
    c.graphics.MeasureString(L"Hello", -1, &font, RectF(), nullptr, &plain);
    Recording rec(Recording::TextMetrics::Font);
    c.graphics.MeasureString(L"Hello", -1, &font, RectF(), nullptr, &recorded);
    EXPECT_EQ(plain.Width, recorded.Width);
    EXPECT_EQ(plain.Height, recorded.Height);
    EXPECT_NE(recorded.Width, 40.0f);   // not the fixed 5 x 8 px
}
