// What the layer puts into the pixels: GDI+ pixel placement, arcs, dashes,
// gradients, transforms, text, last status.
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "platform/gdiplus/Gdiplus.h"
#include "platform/gdiplus/Internal.h"
#include "platform/gdiplus/Recording.h"
#include "support/gfx_support.h"
#include "support/seen_difference.h"

using namespace Gdiplus;

namespace {

std::uint32_t At(const Bitmap& bitmap, int x, int y)
{
    Color c;
    EXPECT_EQ(bitmap.GetPixel(x, y, &c), Ok);
    return c.GetValue();
}

} // namespace

TEST(Bitmap, StartsTransparentAndReadsStraightAlpha)
{
    Bitmap bitmap(8, 4);
    EXPECT_EQ(bitmap.GetLastStatus(), Ok);
    EXPECT_EQ(bitmap.GetWidth(), 8u);
    EXPECT_EQ(bitmap.GetHeight(), 4u);
    EXPECT_EQ(At(bitmap, 7, 3), 0x00000000u);
    Graphics g(&bitmap);
    SolidBrush half(Color(0x80FF4000));
    g.FillRectangle(&half, 0, 0, 8, 4);
    // Stored premultiplied, read back straight.
    EXPECT_EQ(At(bitmap, 3, 2), 0x80FF4000u);
    Color c;
    EXPECT_EQ(bitmap.GetPixel(8, 0, &c), InvalidParameter);
    EXPECT_EQ(bitmap.GetLastStatus(), InvalidParameter);
    EXPECT_EQ(bitmap.GetLastStatus(), Ok);   // handed out once
}

TEST(Bitmap, BadSizesLeaveAStatusAndDrawNothing)
{
    Bitmap empty(0, 10);
    EXPECT_EQ(empty.GetLastStatus(), InvalidParameter);
    Bitmap callerMemory(4, 4, 0, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(&empty));
    EXPECT_EQ(callerMemory.GetLastStatus(), NotImplemented);
    Graphics g(&empty);
    SolidBrush brush(Color(0xFF000000));
    EXPECT_EQ(g.FillRectangle(&brush, 0, 0, 1, 1), InvalidParameter);
    EXPECT_EQ(g.GetLastStatus(), InvalidParameter);
    EXPECT_EQ(g.GetLastStatus(), Ok);
    Bitmap normal(4, 4, 0, PixelFormat32bppARGB, nullptr);
    EXPECT_EQ(normal.GetLastStatus(), Ok);
}

TEST(Graphics, FillCoversWholePixelsLikeGdiplus)
{
    // Pixel centres on whole coordinates: (2, 1, 3, 2) covers columns 2..4, rows 1..2,
    // and a full-canvas fill reaches every edge pixel.
    Bitmap bitmap(8, 6);
    Graphics g(&bitmap);
    SolidBrush white(Color(0xFFFFFFFF));
    g.FillRectangle(&white, 0, 0, 8, 6);
    SolidBrush red(Color(0xFFFF0000));
    g.FillRectangle(&red, 2, 1, 3, 2);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            bool inside = x >= 2 && x <= 4 && y >= 1 && y <= 2;
            EXPECT_EQ(At(bitmap, x, y), inside ? 0xFFFF0000u : 0xFFFFFFFFu) << x << "," << y;
        }
}

TEST(Graphics, OnePixelLinesAreCrispWithAndWithoutSmoothing)
{
    for (SmoothingMode mode : {SmoothingModeDefault, SmoothingModeHighQuality}) {
        Bitmap bitmap(10, 10);
        Graphics g(&bitmap);
        g.SetSmoothingMode(mode);
        Pen pen(Color(0xFF0000FF));
        g.DrawLine(&pen, 1, 4, 8, 4);
        EXPECT_EQ(At(bitmap, 5, 4), 0xFF0000FFu);
        EXPECT_EQ(At(bitmap, 5, 3), 0u);
        EXPECT_EQ(At(bitmap, 5, 5), 0u);
    }
}

TEST(Graphics, PieAnglesRunClockwiseFromPlusX)
{
    // 0..90 is the lower right quarter on the canvas (y grows downwards).
    Bitmap bitmap(40, 40);
    Graphics g(&bitmap);
    SolidBrush brush(Color(0xFF00FF00));
    g.FillPie(&brush, 0, 0, 40, 40, 0, 90);
    EXPECT_EQ(At(bitmap, 30, 30), 0xFF00FF00u);   // lower right
    EXPECT_EQ(At(bitmap, 10, 30), 0u);            // lower left
    EXPECT_EQ(At(bitmap, 30, 10), 0u);            // upper right
    EXPECT_EQ(At(bitmap, 10, 10), 0u);            // upper left

    // Negative sweep goes anticlockwise: 0..-90 is the upper right quarter.
    Bitmap other(40, 40);
    Graphics g2(&other);
    g2.FillPie(&brush, 0, 0, 40, 40, 0, -90);
    EXPECT_EQ(At(other, 30, 10), 0xFF00FF00u);
    EXPECT_EQ(At(other, 30, 30), 0u);
}

TEST(Graphics, EllipseAnglesAreSeenFromTheCentre)
{
    // A wide ellipse: the 45-degree ray from the centre meets the ellipse at
    // the diagonal point, so a slice 0..45 lies below the diagonal only.
    Bitmap bitmap(200, 50);
    Graphics g(&bitmap);
    SolidBrush brush(Color(0xFF000000));
    g.FillPie(&brush, 0, 0, 200, 50, 0, 45);
    // (120, 35) lies 26.6 degrees below +x as seen from the centre (100, 25):
    // inside. Read as the ellipse's parameter, 45 would end at 14 degrees.
    EXPECT_EQ(At(bitmap, 120, 35), 0xFF000000u);
    // 63 degrees: outside.
    EXPECT_EQ(At(bitmap, 110, 45), 0u);
}

TEST(Graphics, FullSweepFillsTheEllipse)
{
    Bitmap bitmap(20, 20);
    Graphics g(&bitmap);
    SolidBrush brush(Color(0xFF000000));
    EXPECT_EQ(g.FillPie(&brush, 0, 0, 20, 20, 30, 400), Ok);
    EXPECT_EQ(At(bitmap, 4, 10), 0xFF000000u);
    EXPECT_EQ(At(bitmap, 16, 10), 0xFF000000u);
    EXPECT_EQ(At(bitmap, 10, 4), 0xFF000000u);
    EXPECT_EQ(At(bitmap, 10, 16), 0xFF000000u);
}

// A new bitmap's pixels are set on first use; memory a bitmap before it
// filled must not show through, however the new one is first used.
TEST(Bitmap, NewBitmapsAreTransparentWhateverTheirMemoryHeld)
{
    const CLSID png = gfx_test::EncoderClsid(L"image/png");
    for (int use = 0; use < 4; ++use) {
        {
            Bitmap old(320, 240);
            Graphics g(&old);
            g.Clear(Color(0xFFFF2010));
        }
        Bitmap bitmap(320, 240);
        Graphics g(&bitmap);
        Pen pen(Color(0xFF0000FF));
        SolidBrush brush(Color(0xFF00FF00));
        if (use == 1)
            g.DrawLine(&pen, 10, 10, 100, 10);   // written straight into the pixels
        if (use == 2)
            g.FillPie(&brush, 50, 50, 80, 60, 0, 90);   // through cairo
        gfx_test::Image image;
        if (use == 3) {
            image = gfx_test::Pixels(bitmap);
        } else {
            std::vector<unsigned char> bytes;
            VectorSink sink(bytes);
            ASSERT_EQ(bitmap.Save(&sink, &png), Ok);
            ASSERT_TRUE(gfx_test::DecodePng(bytes, &image));
        }
        int inked = 0, old = 0;
        for (std::uint32_t pixel : image.argb) {
            inked += pixel != 0 ? 1 : 0;
            old += pixel == 0xFFFF2010u ? 1 : 0;
        }
        EXPECT_EQ(old, 0) << use;
        EXPECT_EQ(image.At(300, 200), 0u) << use;
        EXPECT_EQ(inked > 0, use == 1 || use == 2) << use;
    }
}

TEST(Graphics, DashedLineHasGaps)
{
    Bitmap bitmap(60, 5);
    Graphics g(&bitmap);
    Pen pen(Color(0xFF000000));
    pen.SetDashStyle(DashStyleDash);
    g.DrawLine(&pen, 0, 2, 60, 2);
    int on = 0, off = 0;
    for (int x = 0; x < 60; ++x)
        (At(bitmap, x, 2) >> 24 == 0xFF ? on : off)++;
    // Dash 3, gap 1 at width 1.
    EXPECT_EQ(on, 45);
    EXPECT_EQ(off, 15);
    EXPECT_EQ(At(bitmap, 1, 2), 0xFF000000u);
    EXPECT_EQ(At(bitmap, 3, 2), 0u);
}

TEST(Graphics, VerticalGradientRunsTopToBottomAndTiles)
{
    Bitmap bitmap(4, 40);
    Graphics g(&bitmap);
    LinearGradientBrush brush(RectF(0, 0, 4, 20), Color(0xFF0000FF), Color(0xFFFF0000),
                              LinearGradientModeVertical);
    brush.SetWrapMode(WrapModeTile);
    g.FillRectangle(&brush, 0, 0, 4, 40);
    EXPECT_EQ(At(bitmap, 1, 0), 0xFF0000FFu);
    std::uint32_t bottom = At(bitmap, 1, 19);
    EXPECT_GE(bottom >> 16 & 0xFF, 0xF0u);   // nearly red at the bottom edge
    EXPECT_LE(bottom & 0xFF, 0x0Fu);
    EXPECT_EQ(At(bitmap, 1, 20), 0xFF0000FFu);   // tiled: starts over
    std::uint32_t middle = At(bitmap, 1, 10);
    EXPECT_NEAR(double(middle >> 16 & 0xFF), 127.5, 2.0);
}

TEST(Graphics, EmptyGradientBrushCannotFill)
{
    Bitmap bitmap(4, 4);
    Graphics g(&bitmap);
    LinearGradientBrush brush(RectF(0, 0, 4, 0), Color(0xFF0000FF), Color(0xFFFF0000),
                              LinearGradientModeVertical);
    EXPECT_EQ(brush.GetLastStatus(), InvalidParameter);
    EXPECT_EQ(g.FillRectangle(&brush, 0, 0, 4, 4), InvalidParameter);
    EXPECT_EQ(At(bitmap, 1, 1), 0u);
}

TEST(Graphics, NonFiniteGeometryIsRefusedAndDrawingGoesOn)
{
    Bitmap bitmap(10, 10);
    Graphics g(&bitmap);
    Pen pen(Color(0xFF000000));
    float nan = std::nanf("");
    EXPECT_EQ(g.DrawLine(&pen, nan, 0, 5, 5), InvalidParameter);
    EXPECT_EQ(g.DrawArcStack(&pen, 0, 0, 5, 5, nan, 90, 3), InvalidParameter);
    EXPECT_EQ(g.DrawArcStack(&pen, 0, 0, 5, 5, 0, 90, -1), InvalidParameter);
    EXPECT_EQ(g.RotateTransform(nan), InvalidParameter);
    EXPECT_EQ(g.GetLastStatus(), InvalidParameter);
    SolidBrush brush(Color(0xFF112233));
    EXPECT_EQ(g.FillRectangle(&brush, 0, 0, 10, 10), Ok);
    EXPECT_EQ(At(bitmap, 9, 9), 0xFF112233u);
}

TEST(Graphics, PolygonFillsAlternate)
{
    // A pentagram drawn in alternate mode leaves its centre empty.
    Bitmap bitmap(100, 100);
    Graphics g(&bitmap);
    SolidBrush brush(Color(0xFF000000));
    PointF star[5];
    for (int i = 0; i < 5; ++i) {
        double a = (-90.0 + i * 144.0) * 3.14159265358979 / 180.0;
        star[i] = PointF(float(50 + 45 * std::cos(a)), float(50 + 45 * std::sin(a)));
    }
    EXPECT_EQ(g.FillPolygon(&brush, star, 5, FillModeAlternate), Ok);
    EXPECT_EQ(At(bitmap, 50, 52), 0u);
    EXPECT_EQ(At(bitmap, 50, 12), 0xFF000000u);   // a tip
    EXPECT_EQ(g.FillPolygon(&brush, star, 0), InvalidParameter);
}

TEST(Graphics, TransformsPrependAndAppend)
{
    Bitmap bitmap(10, 10);
    Graphics g(&bitmap);
    REAL m[6];
    g.TranslateTransform(10, 0);
    g.RotateTransform(90, MatrixOrderPrepend);   // rotate first, then translate
    g.GetTransform(m);
    // (1, 0) -> rotated (0, 1) -> (10, 1).
    EXPECT_FLOAT_EQ(1 * m[0] + 0 * m[2] + m[4], 10.0f);
    EXPECT_FLOAT_EQ(1 * m[1] + 0 * m[3] + m[5], 1.0f);
    g.ResetTransform();
    g.TranslateTransform(10, 0);
    g.RotateTransform(90, MatrixOrderAppend);    // translate first, then rotate
    g.GetTransform(m);
    // (1, 0) -> (11, 0) -> (0, 11).
    EXPECT_FLOAT_EQ(1 * m[0] + 0 * m[2] + m[4], 0.0f);
    EXPECT_FLOAT_EQ(1 * m[1] + 0 * m[3] + m[5], 11.0f);

    // Drawing follows the transform.
    g.ResetTransform();
    g.TranslateTransform(5, 5);
    SolidBrush brush(Color(0xFF000000));
    g.FillRectangle(&brush, 0, 0, 2, 2);
    EXPECT_EQ(At(bitmap, 5, 5), 0xFF000000u);
    EXPECT_EQ(At(bitmap, 1, 1), 0u);
}

TEST(Fonts, FamiliesResolveThroughFontconfig)
{
    FontFamily dejavu(L"DejaVu Sans");
    EXPECT_TRUE(dejavu.IsAvailable());
    FontFamily lower(L"dejavu sans");
    EXPECT_TRUE(lower.IsAvailable());
    FontFamily arial(L"Arial");   // metric-compatible Liberation Sans
    EXPECT_TRUE(arial.IsAvailable());
    FontFamily missing(L"No Such Family Anywhere");
    EXPECT_FALSE(missing.IsAvailable());
    EXPECT_EQ(missing.GetLastStatus(), FontFamilyNotFound);
    EXPECT_TRUE(FontFamily::GenericSansSerif()->IsAvailable());
    EXPECT_EQ(FontFamily::GenericSansSerif()->GetName(), "sans-serif");

    Font font(&dejavu, 12.0f, FontStyleRegular, UnitPoint);
    EXPECT_TRUE(font.IsAvailable());
    EXPECT_FLOAT_EQ(font.GetPixelSize(), 16.0f);   // 96 dpi
    Font onMissing(&missing, 12.0f);
    EXPECT_FALSE(onMissing.IsAvailable());
    Font noSize(&dejavu, 0.0f);
    EXPECT_FALSE(noSize.IsAvailable());
    Font huge(&dejavu, 1e9f);
    EXPECT_FALSE(huge.IsAvailable());
}

TEST(Text, MeasureGrowsWithTextAndSize)
{
    Bitmap bitmap(10, 10);
    Graphics g(&bitmap);
    FontFamily family(L"DejaVu Sans");
    Font small(&family, 10.0f), big(&family, 20.0f);
    StringFormat format;
    RectF a, b, c, empty;
    ASSERT_EQ(g.MeasureString(L"Chart", -1, &small, RectF(), &format, &a), Ok);
    ASSERT_EQ(g.MeasureString(L"Chart title", -1, &small, RectF(), &format, &b), Ok);
    ASSERT_EQ(g.MeasureString(L"Chart", -1, &big, RectF(), &format, &c), Ok);
    ASSERT_EQ(g.MeasureString(L"", 0, &small, RectF(), &format, &empty), Ok);
    EXPECT_GT(a.Width, 10.0f);
    EXPECT_GT(b.Width, a.Width);
    EXPECT_NEAR(c.Width, 2 * a.Width, 0.5);   // no hinting: widths scale
    EXPECT_GT(a.Height, 10.0f);
    EXPECT_LT(a.Height, 25.0f);
    EXPECT_EQ(empty.Width, 0.0f);
    EXPECT_EQ(empty.Height, 0.0f);
    // Length counts code points; the rest is ignored.
    RectF part;
    g.MeasureString(L"Chart title", 5, &small, RectF(), &format, &part);
    EXPECT_EQ(part.Width, a.Width);
}

TEST(Text, CoreFamiliesMeasureAsTheirMetricCompatibleFamilies)
{
    Bitmap bitmap(10, 10);
    Graphics g(&bitmap);
    StringFormat format;
    const std::pair<const WCHAR*, const WCHAR*> pairs[] = {
        {L"Times", L"Liberation Serif"}, {L"arial", L"Liberation Sans"}, {L"Courier New", L"Liberation Mono"}};
    for (const auto& pair : pairs) {
        FontFamily core(pair.first), liberation(pair.second);
        ASSERT_EQ(core.GetLastStatus(), Ok);
        Font a(&core, 12.0f), b(&liberation, 12.0f);
        RectF ra, rb;
        ASSERT_EQ(g.MeasureString(L"Quarterly revenue 2026", -1, &a, RectF(), &format, &ra), Ok);
        ASSERT_EQ(g.MeasureString(L"Quarterly revenue 2026", -1, &b, RectF(), &format, &rb), Ok);
        EXPECT_EQ(ra.Width, rb.Width);
        EXPECT_EQ(ra.Height, rb.Height);
    }
}

TEST(Text, DrawnInkLiesInTheMeasuredBox)
{
    Bitmap bitmap(200, 60);
    Graphics g(&bitmap);
    g.SetTextRenderingHint(TextRenderingHintAntiAlias);
    FontFamily family(L"DejaVu Sans");
    Font font(&family, 14.0f);
    SolidBrush black(Color(0xFF000000));
    StringFormat centre;
    centre.SetAlignment(StringAlignmentCenter);
    RectF box;
    g.MeasureString(L"Quarterly", -1, &font, RectF(100, 20, 0, 0), &centre, &box);
    EXPECT_NEAR(box.X + box.Width * 0.5f, 100.0f, 0.01);
    ASSERT_EQ(g.DrawString(L"Quarterly", -1, &font, RectF(100, 20, 0, 0), &centre, &black), Ok);
    gfx_test::Box ink;
    ASSERT_TRUE(gfx_test::InkBox(gfx_test::Pixels(bitmap), &ink));
    EXPECT_GE(ink.left, int(std::floor(box.X)) - 1);
    EXPECT_LE(ink.right, int(std::ceil(box.X + box.Width)));
    EXPECT_GE(ink.top, int(std::floor(box.Y)));
    EXPECT_LE(ink.bottom, int(std::ceil(box.Y + box.Height)));
    // And the ink fills most of the box's width.
    EXPECT_GT(ink.right - ink.left, int(box.Width * 0.8f));
}

// Texts are laid out once and drawn again from the kept layout; every
// drawing must match a layout made afresh for it, whatever transforms and
// canvases came between.
TEST(Text, DrawnAgainAsLaidOutAfresh)
{
    FontFamily sans(L"DejaVu Sans"), serif(L"Liberation Serif");
    Font small(&sans, 9.0f), large(&serif, 15.0f, FontStyleRegular, UnitPixel);
    SolidBrush ink(Color(0xFF203040));
    StringFormat centre;
    centre.SetAlignment(StringAlignmentCenter);
    struct Turn {
        float angle, dx, dy;
    };
    const Turn turns[] = {{0, 0, 0}, {-90, 20, 70}, {0, 0.25f, 0.5f}, {30, 40, 10}, {0, 0, 0}};
    const WCHAR* texts[] = {L"Quarterly", L"\u00C5g 1,234.5", L"Quarterly"};
    int drawn = 0;
    for (int round = 0; round < 2; ++round) {
        for (const Turn& turn : turns) {
            for (const WCHAR* text : texts) {
                for (const Font* font : {&small, &large}) {
                    Bitmap bitmap(160, 80);
                    Graphics g(&bitmap);
                    g.TranslateTransform(turn.dx, turn.dy);
                    g.RotateTransform(turn.angle);
                    const RectF at(60, 20, 0, 0);
                    RectF box;
                    ASSERT_EQ(g.MeasureString(text, -1, font, at, &centre, &box), Ok);
                    ASSERT_EQ(g.DrawString(text, -1, font, at, &centre, &ink), Ok);

                    cairo_surface_t* surface =
                        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 160, 80);
                    cairo_t* cr = cairo_create(surface);
                    cairo_translate(cr, 0.5, 0.5);
                    cairo_translate(cr, turn.dx, turn.dy);
                    if (turn.angle == -90.0f) {
                        cairo_matrix_t quarter;
                        cairo_matrix_init(&quarter, 0, -1, 1, 0, 0, 0);
                        cairo_transform(cr, &quarter);
                    } else {
                        cairo_rotate(cr, turn.angle * 3.14159265358979323846 / 180.0);
                    }
                    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
                    PangoContext* context = detail::NewDrawContext();
                    pango_cairo_update_context(cr, context);
                    const std::string utf8 = detail::Utf8(text, detail::TextLength(text, -1));
                    PangoLayout* layout = detail::NewLayout(context, *font, utf8);
                    double width = 0, height = 0;
                    detail::LayoutSize(layout, &width, &height);
                    cairo_set_source_rgba(cr, 0x20 / 255.0, 0x30 / 255.0, 0x40 / 255.0, 1.0);
                    cairo_move_to(cr, at.X - width * 0.5, at.Y);
                    pango_cairo_show_layout(cr, layout);
                    g_object_unref(layout);
                    g_object_unref(context);
                    cairo_destroy(cr);
                    cairo_surface_flush(surface);

                    const gfx_test::Image actual = gfx_test::Pixels(bitmap);
                    const unsigned char* data = cairo_image_surface_get_data(surface);
                    const int stride = cairo_image_surface_get_stride(surface);
                    int inked = 0, wrong = 0;
                    for (int y = 0; y < 80; ++y) {
                        for (int x = 0; x < 160; ++x) {
                            const std::uint32_t expected = detail::Unpremultiply(
                                reinterpret_cast<const std::uint32_t*>(data + y * stride)[x]);
                            inked += expected != 0 ? 1 : 0;
                            wrong += actual.At(x, y) != expected ? 1 : 0;
                        }
                    }
                    cairo_surface_destroy(surface);
                    EXPECT_GT(inked, 20) << round << " " << turn.angle;
                    EXPECT_EQ(wrong, 0) << "round " << round << " turn " << turn.angle << " "
                                        << turn.dx << "," << turn.dy << " size "
                                        << font->GetPixelSize();
                    ++drawn;
                }
            }
        }
    }
    EXPECT_EQ(drawn, 60);
}

TEST(SystemColours, TooltipBackgroundIsLightYellow)
{
    COLORREF c = GetSysColor(COLOR_INFOBK);
    EXPECT_EQ(c & 0xFF, 255u);         // red
    EXPECT_EQ(c >> 8 & 0xFF, 255u);    // green
    EXPECT_EQ(c >> 16 & 0xFF, 225u);   // blue
}

TEST(Graphics, DensePathsKeepTheirShape)
{
    // A path of thousands of tiny steps (as a smoothed line walk makes) is
    // thinned before stroking; every point it passes must still be inked.
    Bitmap bitmap(300, 100);
    Graphics g(&bitmap);
    g.SetSmoothingMode(SmoothingModeHighQuality);
    GraphicsPath path;
    std::vector<PointF> points;
    for (int i = 0; i <= 3000; ++i) {
        float x = 10.0f + i * 0.09f;
        points.emplace_back(x, 50.0f + 35.0f * std::sin(x / 15.0f));
    }
    for (std::size_t i = 1; i < points.size(); ++i)
        path.AddLine(points[i - 1], points[i]);
    Pen pen(Color(0xFF000000), 1.0f);
    ASSERT_EQ(g.DrawPath(&pen, &path), Ok);
    for (std::size_t i = 0; i < points.size(); i += 7) {
        int x = int(std::lround(points[i].X)), y = int(std::lround(points[i].Y));
        EXPECT_GE(At(bitmap, x, y) >> 24, 0x40u) << x << "," << y;
    }
    EXPECT_EQ(At(bitmap, 150, 5), 0u);
}

TEST(Graphics, ThinnedPolylinesKeepEveryPointWithinTheTolerance)
{
    // Every point left out lies within the tolerance of the segment between
    // the kept points around it, the ends stay: a smooth curve walked in tiny
    // steps (thinned to a small part), a line swinging up and down at every
    // point 0.004 pixels apart (which Douglas-Peucker took quadratic time
    // over), and points near the line through their neighbours but beyond
    // their segment, which must stay.
    const double tolerance = 0.05;
    auto check = [tolerance](const std::vector<PointF>& points, const char* name) {
        const std::vector<char> keep = detail::ThinPolyline(points, tolerance);
        EXPECT_TRUE(keep.front() && keep.back()) << name;
        std::size_t before = 0, kept = 1;
        for (std::size_t i = 1; i < points.size(); ++i) {
            if (!keep[i])
                continue;
            ++kept;
            const PointF& a = points[before];
            const PointF& b = points[i];
            const double dx = double(b.X) - a.X, dy = double(b.Y) - a.Y;
            const double length2 = dx * dx + dy * dy;
            for (std::size_t k = before + 1; k < i; ++k) {
                const double px = double(points[k].X) - a.X, py = double(points[k].Y) - a.Y;
                const double along = length2 > 0 ? (px * dx + py * dy) / length2 : 0.0;
                const double t = std::clamp(along, 0.0, 1.0);
                EXPECT_LE(std::hypot(px - t * dx, py - t * dy), tolerance * 1.0001)
                    << name << " " << k;
            }
            before = i;
        }
        return kept;
    };
    std::vector<PointF> curve;
    for (int i = 0; i <= 20000; ++i)
        curve.emplace_back(10.0f + i * 0.02f, 200.0f + 150.0f * std::sin(i * 0.001f));
    EXPECT_LT(check(curve, "curve") * 20, curve.size());

    std::vector<PointF> swing;
    for (int i = 0; i < 100000; ++i)
        swing.emplace_back(50.0f + i * 0.004f, i % 2 ? 90.0f : 10.0f);
    EXPECT_EQ(check(swing, "swing"), swing.size());
    // Swings a thousand points long, thinned along their sides.
    std::vector<PointF> slow;
    for (int i = 0; i < 200000; ++i)
        slow.emplace_back(50.0f + i * 0.001f, 10.0f + std::abs(i % 2000 - 1000) * 0.08f);
    EXPECT_LT(check(slow, "slow swing"), 1000u);

    const std::vector<PointF> back = {PointF(0, 0), PointF(40, 0.01f), PointF(10, 0.02f),
                                      PointF(30, 0)};
    const std::vector<char> keep = detail::ThinPolyline(back, tolerance);
    EXPECT_TRUE(keep[1]);
    check(back, "back");
}

TEST(Graphics, HugeGeometryIsRefusedAndDrawingGoesOn)
{
    Bitmap bitmap(10, 10);
    Graphics g(&bitmap);
    Pen pen(Color(0xFF000000), 3.0f);
    SolidBrush brush(Color(0xFF445566));
    // Beyond what the canvas can place (and an ellipse this size would take
    // seconds to flatten).
    EXPECT_EQ(g.DrawLine(&pen, -1e30f, 5, 1e30f, 5), ValueOverflow);
    EXPECT_EQ(g.DrawArc(&pen, -1e20f, -1e20f, 2e20f, 2e20f, 0, 300), ValueOverflow);
    EXPECT_EQ(g.FillPie(&brush, -1e20f, -1e20f, 2e20f, 2e20f, 0, 360), ValueOverflow);
    EXPECT_EQ(g.FillRectangle(&brush, 0, 0, 1e38f, 1e38f), ValueOverflow);
    EXPECT_EQ(g.FillPieStack(&brush, 0, 0, 5, 5, 0, 90, 2000000000), ValueOverflow);
    EXPECT_EQ(g.GetLastStatus(), ValueOverflow);
    // Large but placeable geometry still draws.
    EXPECT_EQ(g.FillPie(&brush, -1e6f, -1e6f, 2e6f, 2e6f, 0, 360), Ok);
    EXPECT_EQ(At(bitmap, 5, 5), 0xFF445566u);
    g.TranslateTransform(1e30f, 0);
    g.RotateTransform(1e30f);
    g.ResetTransform();
    SolidBrush probe(Color(0xFF00FF00));
    EXPECT_EQ(g.FillRectangle(&probe, 2, 2, 2, 2), Ok);
    EXPECT_EQ(At(bitmap, 3, 3), 0xFF00FF00u);
}

TEST(Graphics, ClearSetsEveryPixelWhateverTheTransformAndRecordsNothing)
{
    Bitmap bitmap(6, 5);
    Graphics g(&bitmap);
    SolidBrush red(Color(0xFFFF0000));
    g.FillRectangle(&red, 0, 0, 6, 5);
    g.TranslateTransform(3, 2);
    g.RotateTransform(30);
    Recording recording;
    EXPECT_EQ(g.Clear(Color(0x80204060)), Ok);
    EXPECT_TRUE(recording.Lines().empty());
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(At(bitmap, x, y), 0x80204060u) << x << "," << y;
    g.Clear(Color(0));
    EXPECT_EQ(At(bitmap, 5, 4), 0u);
    // Drawing goes on as before: the transform still holds.
    g.ResetTransform();
    g.FillRectangle(&red, 1, 1, 1, 1);
    EXPECT_EQ(At(bitmap, 1, 1), 0xFFFF0000u);
    EXPECT_EQ(At(bitmap, 2, 2), 0u);
}

namespace {

// The pixels an aliased arc stroke sets on a fresh transparent bitmap.
std::vector<bool> ArcInk(const Color& colour, float x, float y, float start, float sweep,
                         float width = 2.0f)
{
    Bitmap bitmap(200, 140);
    Graphics g(&bitmap);
    Pen pen(colour, width);
    EXPECT_EQ(g.DrawArc(&pen, x, y, 150.0f, 75.0f, start, sweep), Ok);
    std::vector<bool> ink;
    for (int py = 0; py < 140; ++py)
        for (int px = 0; px < 200; ++px)
            ink.push_back(At(bitmap, px, py) != 0u);
    return ink;
}

} // namespace

TEST(Graphics, AliasedOpaqueArcsMatchTheGeneralStrokeAndRepeatWhenMoved)
{
    // An opaque pen takes the direct path, a translucent one cairo's stroker:
    // the same band but for pixels on its edge (both place the edge within
    // a tenth of a pixel, and a pixel's centre decides).
    const float sweeps[][2] = {{10.0f, 70.0f}, {100.0f, 200.0f}, {-30.0f, 360.0f}, {200.0f, -90.0f}};
    for (const auto& arc : sweeps) {
        for (float width : {1.0f, 2.0f, 3.0f}) {
            std::vector<bool> direct = ArcInk(Color(0xFF2040A0), 20.3f, 30.25f, arc[0], arc[1], width);
            std::vector<bool> general = ArcInk(Color(0xFE2040A0), 20.3f, 30.25f, arc[0], arc[1], width);
            auto both = [&](int x, int y) {
                std::size_t i = static_cast<std::size_t>(y) * 200 + static_cast<std::size_t>(x);
                return x >= 0 && x < 200 && y >= 0 && y < 140 && direct[i] && general[i];
            };
            int inked = 0, differ = 0;
            for (int y = 0; y < 140; ++y) {
                for (int x = 0; x < 200; ++x) {
                    std::size_t i = static_cast<std::size_t>(y) * 200 + static_cast<std::size_t>(x);
                    inked += general[i] ? 1 : 0;
                    if (direct[i] == general[i])
                        continue;
                    ++differ;
                    EXPECT_TRUE(both(x - 1, y) || both(x + 1, y) || both(x, y - 1) || both(x, y + 1))
                        << arc[0] << " " << arc[1] << " " << width << " at " << x << "," << y;
                }
            }
            EXPECT_GT(inked, 50) << arc[0] << " " << arc[1] << " " << width;
            EXPECT_LE(differ * 10, inked) << arc[0] << " " << arc[1] << " " << width;
        }
    }
    // Drawn after an arc of the same shape elsewhere, an arc is the one drawn
    // alone: moved by whole pixels and by a fraction.
    for (float dy : {1.0f, -3.0f, 0.5f}) {
        Bitmap bitmap(200, 140);
        Graphics g(&bitmap);
        Pen grey(Color(0xFFD3D3D3), 2.0f);
        g.DrawArc(&grey, 20.3f, 30.25f, 150.0f, 75.0f, 100.0f, 200.0f);
        g.Clear(Color(0));
        Pen pen(Color(0xFF2040A0), 2.0f);
        g.DrawArc(&pen, 20.3f, 30.25f + dy, 150.0f, 75.0f, 100.0f, 200.0f);
        std::vector<bool> alone = ArcInk(Color(0xFF2040A0), 20.3f, 30.25f + dy, 100.0f, 200.0f);
        std::size_t i = 0;
        for (int py = 0; py < 140; ++py)
            for (int px = 0; px < 200; ++px, ++i)
                ASSERT_EQ(At(bitmap, px, py) != 0u, alone[i]) << dy << " at " << px << "," << py;
    }
}

TEST(Graphics, VerticalGradientPiesMatchCairosOwnGradientFill)
{
    // The layer works a vertical gradient out once per row and covers the
    // shape by area; cairo's own gradient fill of the same shape must give
    // the same colours inside it, and on the anti-aliased rim differ no more
    // than cairo's sampling of 15 rows a pixel does: opaque and translucent
    // colours, a box that tiles, a moved origin, a pie reaching off the
    // canvas.
    struct Case {
        ARGB c1, c2;
        RectF box;
        float dx, dy, cx, cy, r, start, sweep;
    };
    const Case cases[] = {
        {0xFF3366CC, 0xFF24478F, RectF(10, 10, 100, 100), 0, 0, 60, 60, 50, 20, 130},
        {0x803366CC, 0xC0DC3912, RectF(10, 30, 100, 25), 0, 0, 60, 60, 50, -40, 300},
        {0xFF109618, 0xFF0B6911, RectF(0, 0, 60, 60), 7.25f, -3.5f, 40, 40, 30, 90, 180},
        {0xFF990099, 0xFF6B006B, RectF(0, 50, 120, 100), 0, 0, 100, 70, 45, 0, 360},
    };
    for (const Case& c : cases) {
        Bitmap bitmap(120, 100);
        Graphics g(&bitmap);
        g.SetSmoothingMode(SmoothingModeHighQuality);
        g.TranslateTransform(c.dx, c.dy);
        LinearGradientBrush brush(c.box, Color(c.c1), Color(c.c2), LinearGradientModeVertical);
        brush.SetWrapMode(WrapModeTile);
        ASSERT_EQ(g.FillPie(&brush, c.cx - c.r, c.cy - c.r, 2 * c.r, 2 * c.r, c.start, c.sweep), Ok);

        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 120, 100);
        cairo_t* cr = cairo_create(surface);
        cairo_translate(cr, 0.5, 0.5);
        cairo_translate(cr, c.dx, c.dy);
        cairo_pattern_t* pattern =
            cairo_pattern_create_linear(c.box.X, c.box.Y, c.box.X, c.box.Y + c.box.Height);
        for (int i = 0; i < 2; ++i) {
            Color k(i == 0 ? c.c1 : c.c2);
            cairo_pattern_add_color_stop_rgba(pattern, i, k.GetR() / 255.0, k.GetG() / 255.0,
                                              k.GetB() / 255.0, k.GetA() / 255.0);
        }
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
        cairo_set_source(cr, pattern);
        cairo_pattern_destroy(pattern);
        cairo_move_to(cr, c.cx, c.cy);
        cairo_arc(cr, c.cx, c.cy, c.r, c.start * M_PI / 180, (c.start + c.sweep) * M_PI / 180);
        cairo_close_path(cr);
        cairo_fill(cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        int inside = 0;
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 120; ++x) {
                std::uint32_t p = reinterpret_cast<const std::uint32_t*>(data + y * stride)[x];
                Color got;
                bitmap.GetPixel(x, y, &got);
                std::uint32_t g8 = got.GetValue();
                std::uint32_t ga = g8 >> 24;
                for (int shift = 0; shift < 32; shift += 8) {
                    std::uint32_t expected = p >> shift & 0xFF;
                    std::uint32_t channel = g8 >> shift & 0xFF;
                    // The layer reads straight colour; premultiply it back.
                    std::uint32_t actual = shift == 24 ? channel : (channel * ga + 127) / 255;
                    const bool rim = ga != 255 || p >> 24 != 255;
                    ASSERT_NEAR(double(actual), double(expected), rim ? 16.0 : 1.0)
                        << "case " << c.start << " at " << x << "," << y;
                }
                inside += p >> 24 ? 1 : 0;
            }
        }
        EXPECT_GT(inside, 500);
        cairo_surface_destroy(surface);
    }
}

TEST(Graphics, SmoothedArcsMatchCairosStroke)
{
    // Smoothed solid arcs are covered by area as the band along the curve;
    // cairo's stroke of the same arc must ink the same pixels within its
    // sampling, and as much in all: whole ellipses and quarters either way,
    // pens of 1 to 3.5, a moved origin, a translucent colour, an arc reaching
    // off the canvas, and an ellipse too flat for the band (cairo's own).
    struct Case {
        ARGB colour;
        float pen, dx, dy, x, y, w, h, start, sweep;
    };
    const Case cases[] = {
        {0xFF2040A0, 2.0f, 0, 0, 10.3f, 12.6f, 150, 75, 0, 360},
        {0xFF405060, 1.0f, 0, 0, 20.0f, 20.0f, 120, 60, 90, 180},
        {0x80C03010, 3.5f, 4.5f, -2.25f, 30.0f, 15.0f, 100, 100, 180, -270},
        {0xFF109618, 2.0f, 0, 0, -40.0f, 30.0f, 140, 90, 270, 180},
        {0xFF990099, 2.0f, 0, 0, 20.0f, 50.0f, 150, 3, 0, 360},
    };
    for (const Case& c : cases) {
        Bitmap bitmap(160, 110);
        Graphics g(&bitmap);
        g.SetSmoothingMode(SmoothingModeHighQuality);
        g.TranslateTransform(c.dx, c.dy);
        Pen pen(Color(c.colour), c.pen);
        ASSERT_EQ(g.DrawArc(&pen, c.x, c.y, c.w, c.h, c.start, c.sweep), Ok);

        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 160, 110);
        cairo_t* cr = cairo_create(surface);
        cairo_translate(cr, 0.5 + c.dx, 0.5 + c.dy);
        Color k(c.colour);
        cairo_set_source_rgba(cr, k.GetR() / 255.0, k.GetG() / 255.0, k.GetB() / 255.0, k.GetA() / 255.0);
        cairo_save(cr);
        cairo_translate(cr, c.x + c.w / 2.0, c.y + c.h / 2.0);
        cairo_scale(cr, c.w / 2.0, c.h / 2.0);
        const double t0 = c.start * M_PI / 180, t1 = (c.start + c.sweep) * M_PI / 180;
        if (t1 >= t0)
            cairo_arc(cr, 0, 0, 1, t0, t1);
        else
            cairo_arc_negative(cr, 0, 0, 1, t0, t1);
        cairo_restore(cr);
        cairo_set_line_width(cr, c.pen);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        cairo_stroke(cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        double inkCairo = 0, inkLayer = 0;
        for (int y = 0; y < 110; ++y)
            for (int x = 0; x < 160; ++x) {
                const std::uint32_t p = reinterpret_cast<const std::uint32_t*>(data + y * stride)[x];
                const std::uint32_t got = At(bitmap, x, y);
                ASSERT_LE(pvtest::SeenDifference(got, p >> 24 ? (p & 0xFF000000u) | (Color(c.colour).GetValue() & 0xFFFFFFu) : 0u), 24u)
                    << "case " << c.start << "," << c.sweep << " at " << x << "," << y;
                inkCairo += p >> 24;
                inkLayer += got >> 24;
            }
        EXPECT_GT(inkCairo, 255.0 * 50);
        EXPECT_NEAR(inkLayer, inkCairo, 0.02 * inkCairo) << "case " << c.start << "," << c.sweep;
        cairo_surface_destroy(surface);
    }
}

namespace {

std::vector<std::uint32_t> Pixels(const Bitmap& bitmap)
{
    std::vector<std::uint32_t> pixels;
    for (INT y = 0; y < static_cast<INT>(bitmap.GetHeight()); ++y)
        for (INT x = 0; x < static_cast<INT>(bitmap.GetWidth()); ++x)
            pixels.push_back(At(bitmap, x, y));
    return pixels;
}

} // namespace

TEST(Graphics, StacksPaintWhatTheirLayersPaintOneByOne)
{
    // A stack is the shape drawn again at every whole pixel below, in one
    // call: the same pixels as the calls one after another, whichever way
    // it goes (the direct stroker, cairo through a mask, or call by call for
    // translucent, smoothed, gradient and transformed shapes), on and off
    // the canvas.
    struct Case {
        bool fill;
        ARGB colour;
        float pen, x, y, w, h, start, sweep;
        INT rows;
        bool smooth = false, gradient = false, moved = false;
        INT width = 200, height = 160;
    };
    const Case cases[] = {
        {false, 0xFF2040A0, 2, 20.25f, 30.25f, 150, 75, 100, 200, 60},
        {false, 0xFF2040A0, 2, 20.25f, 30.25f, 150, 75, 100, 200, 0},
        {false, 0xFFD3D3D3, 2, -40.5f, -50.75f, 150, 75, 10, 340, 90},
        {false, 0xFF2040A0, 6, 30.5f, 20.25f, 120, 60, -30, 250, 25},
        {false, 0xFF2040A0, 2, 90.25f, 40.75f, 5, 3, 0, 360, 70},
        {false, 0x802040A0, 2, 20.25f, 30.25f, 150, 75, 100, 200, 12},
        {false, 0xFF2040A0, 2, 20.25f, 30.25f, 150, 75, 100, 200, 8, true},
        {false, 0xFF2040A0, 2, 20.25f, 30.25f, 150, 75, 100, 200, 8, false, false, true},
        {true, 0xFF405060, 2, 20.25f, 30.25f, 150, 75, 20, 130, 40},
        {true, 0xFF405060, 2, 20.25f, 10.5f, 150, 75, 200, 290, 60},
        {true, 0xFF405060, 2, 120.5f, 100.25f, 150, 75, 30, -120, 80},
        {true, 0xFF405060, 2, 20.25f, 30.25f, 150, 75, 0, 360, 30},
        {true, 0xFF405060, 2, 20.25f, 30.25f, 150, 75, 45, 90, 1000},
        {true, 0xFF405060, 2, 20.25f, 30.25f, 150, 75, 45, 90, 10, false, true},
        // Thin slices: the mask covers their own box, near and across the
        // quarter points, either way round.
        {true, 0xFF405060, 2, 20.5f, 30.25f, 150, 75, 88.5f, 3, 30},
        {true, 0xFF405060, 2, 20.25f, 30.25f, 150, 75, 178.5f, 3, 30},
        {true, 0xFF405060, 2, 20.25f, 30.25f, 150, 75, 301.5f, -2.5f, 30},
        {true, 0xFF405060, 2, 20.25f, 30.25f, 150, 75, -1.5f, 3, 30},
        {false, 0xFF2040A0, 3, 20.25f, 30.25f, 150, 75, 268.5f, 3, 30},
        // Large enough for the mask to go in bands.
        {true, 0xFF405060, 2, 50.5f, 20.25f, 1100, 970, 10, 300, 20, false, false, false, 1200, 1000},
    };
    for (const Case& c : cases) {
        Bitmap stacked(c.width, c.height), layered(c.width, c.height);
        Graphics one(&stacked), many(&layered);
        SolidBrush ground(Color(0xFFF0E0D0));
        for (Graphics* g : {&one, &many}) {
            g->FillRectangle(&ground, 0, 0, static_cast<REAL>(c.width), static_cast<REAL>(c.height / 2));
            if (c.smooth)
                g->SetSmoothingMode(SmoothingModeHighQuality);
            if (c.moved)
                g->TranslateTransform(3.5f, 2.0f);
        }
        Pen pen(Color(c.colour), c.pen);
        SolidBrush solid{Color(c.colour)};
        LinearGradientBrush gradient(RectF(c.x, c.y, c.w, c.h), Color(c.colour), Color(0xFF000000),
                                     LinearGradientModeVertical);
        const Brush* brush = c.gradient ? static_cast<const Brush*>(&gradient) : &solid;
        if (c.fill)
            ASSERT_EQ(one.FillPieStack(brush, c.x, c.y, c.w, c.h, c.start, c.sweep, c.rows), Ok);
        else
            ASSERT_EQ(one.DrawArcStack(&pen, c.x, c.y, c.w, c.h, c.start, c.sweep, c.rows), Ok);
        for (INT i = 0; i <= c.rows; ++i) {
            const REAL y = c.y + static_cast<REAL>(i);
            if (c.fill)
                many.FillPie(brush, c.x, y, c.w, c.h, c.start, c.sweep);
            else
                many.DrawArc(&pen, c.x, y, c.w, c.h, c.start, c.sweep);
        }
        const std::vector<std::uint32_t> expected = Pixels(layered), actual = Pixels(stacked);
        std::size_t inked = 0, differ = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const bool ground = i < expected.size() / 2 ? expected[i] == 0xFFF0E0D0u : expected[i] == 0u;
            inked += ground ? 0 : 1;
            differ += expected[i] == actual[i] ? 0 : 1;
        }
        EXPECT_EQ(differ, 0u) << c.fill << " " << c.x << "," << c.y << " " << c.start << " "
                              << c.sweep << " rows " << c.rows;
        EXPECT_GT(inked, 20u) << c.fill << " " << c.x << "," << c.y << " rows " << c.rows;
    }
}

namespace {

// A line as the layer strokes it (pixel centres on whole coordinates, butt
// ends, dashes of 3 and 1 pen widths), straight through cairo.
void CairoLine(cairo_t* cr, ARGB colour, float width, bool dashed, float x1, float y1, float x2,
               float y2)
{
    cairo_identity_matrix(cr);
    cairo_translate(cr, 0.5, 0.5);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    const Color c(colour);
    cairo_set_source_rgba(cr, c.GetR() / 255.0, c.GetG() / 255.0, c.GetB() / 255.0, 1.0);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(cr, 10.0);
    const double dashes[2] = {3.0 * width, 1.0 * width};
    cairo_set_dash(cr, dashed ? dashes : nullptr, dashed ? 2 : 0, 0.0);
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
    cairo_stroke(cr);
}

} // namespace

TEST(Graphics, AliasedOpaqueLinesMatchCairosStroke)
{
    // Level and upright lines are written straight into the pixels, slants
    // from shapes cairo drew once, and a line already on the canvas is not
    // written again: every pixel as cairo's own stroke sets it. Groups of
    // one line moved by whole pixels and by fractions, in two colours, with
    // a fill and a second graphics on the same bitmap drawing in between.
    std::mt19937 random(11);
    auto uniform = [&random](float low, float high) {
        return std::uniform_real_distribution<float>(low, high)(random);
    };
    const float widths[] = {0.25f, 0.5f, 1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 0.3f, 6.5f};
    const ARGB colours[] = {0xFF336699, 0xFFD3D3D3};
    std::size_t inked = 0;
    for (int group = 0; group < 600; ++group) {
        const int kind = group % 3;   // level or upright, slant, nearly upright
        const float width = widths[random() % 9];
        const bool dashed = random() % 2 == 0;
        // Whole, quarter, 1/256 and any fractions.
        const int grid = group % 4;
        auto place = [grid](float v) {
            return grid == 0 ? std::round(v) : grid == 1 ? std::round(v * 4) / 4
                                             : grid == 2 ? std::round(v * 256) / 256 : v;
        };
        float dx = place(uniform(-60, 60)), dy = place(uniform(-60, 60));
        if (kind == 0)
            (random() % 2 ? dx : dy) = 0;
        if (kind == 2)
            dx = 1.0f / 1024;
        const float x = place(uniform(-40, 140)), y = place(uniform(-40, 130));
        Bitmap bitmap(100, 90);
        Graphics g(&bitmap), other(&bitmap);
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 100, 90);
        cairo_t* cr = cairo_create(surface);
        float firstX = 0, firstY = 0;
        ARGB firstColour = 0;
        for (int k = 0; k < 8; ++k) {
            // The fifth line again as the first, after the fill.
            const bool fraction = random() % 3 == 0;
            float ox = fraction ? place(uniform(-3, 3)) : float(int(random() % 7) - 3);
            float oy = float(int(random() % 5) - 2);
            ARGB colour = colours[random() % 2];
            if (k == 0) {
                firstX = ox;
                firstY = oy;
                firstColour = colour;
            } else if (k == 4) {
                ox = firstX;
                oy = firstY;
                colour = firstColour;
            }
            Pen pen(Color(colour), 1.0f);
            pen.SetWidth(width);
            if (dashed)
                pen.SetDashStyle(DashStyleDash);
            ASSERT_EQ(g.DrawLine(&pen, x + ox, y + oy, x + ox + dx, y + oy + dy), Ok);
            CairoLine(cr, colour, width, dashed, x + ox, y + oy, x + ox + dx, y + oy + dy);
            if (k == 3) {
                SolidBrush red(Color(0xFFAA0000));
                g.FillRectangle(&red, x - 2, y - 2, 5, 5);
                cairo_rectangle(cr, x - 2, y - 2, 5, 5);
                cairo_set_source_rgb(cr, 0xAA / 255.0, 0, 0);
                cairo_fill(cr);
            }
            if (k == 6) {
                Pen across(Color(0xFF10A010), 3.0f);
                other.DrawLine(&across, x, y, x + dx, y + dy);
                CairoLine(cr, 0xFF10A010, 3.0f, false, x, y, x + dx, y + dy);
            }
        }
        cairo_surface_flush(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        for (int py = 0; py < 90; ++py) {
            for (int px = 0; px < 100; ++px) {
                const std::uint32_t expected =
                    reinterpret_cast<const std::uint32_t*>(data + py * stride)[px];
                ASSERT_EQ(At(bitmap, px, py), expected)
                    << "group " << group << " width " << width << " dashed " << dashed << " from "
                    << x << "," << y << " by " << dx << "," << dy << " at " << px << "," << py;
                inked += expected != 0 ? 1 : 0;
            }
        }
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    EXPECT_GT(inked, 20000u);
}

TEST(Graphics, AliasedOpaqueRectanglesMatchCairosOwn)
{
    // Outlines with a solid pen and solid fills, aliased and opaque, are
    // written straight into the pixels: every pixel as cairo's stroke and
    // fill of the same rectangle sets it, for whole, quarter, 1/256 and any
    // positions and sizes, small and reaching off the canvas. Each case
    // draws its rectangle, one of another colour over it, and the first
    // again, which must show again.
    std::mt19937 random(5);
    auto uniform = [&random](float low, float high) {
        return std::uniform_real_distribution<float>(low, high)(random);
    };
    const float pens[] = {0.25f, 0.5f, 1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 0.3f, 6.5f};
    std::size_t inked = 0;
    for (int n = 0; n < 1500; ++n) {
        const int grid = n % 4;
        auto place = [grid](float v) {
            return grid == 0 ? std::round(v) : grid == 1 ? std::round(v * 4) / 4
                                             : grid == 2 ? std::round(v * 256) / 256 : v;
        };
        const bool fill = n % 2 == 0;
        const float x = place(uniform(-30, 120)), y = place(uniform(-30, 110));
        const float w = std::max(0.25f, place(uniform(0.05f, n % 5 == 0 ? 3.0f : 60.0f)));
        const float h = std::max(0.25f, place(uniform(0.05f, n % 7 == 0 ? 3.0f : 60.0f)));
        const float penWidth = pens[random() % 9];
        Bitmap bitmap(100, 90);
        Graphics g(&bitmap);
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 100, 90);
        cairo_t* cr = cairo_create(surface);
        cairo_translate(cr, 0.5, 0.5);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_set_line_width(cr, penWidth);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
        cairo_set_miter_limit(cr, 10.0);
        for (ARGB colour : {0xFF336699u, 0xFFCC8800u, 0xFF336699u}) {
            const float shift = colour == 0xFFCC8800u ? 1.5f : 0.0f;
            const Color c(colour);
            cairo_set_source_rgb(cr, c.GetR() / 255.0, c.GetG() / 255.0, c.GetB() / 255.0);
            cairo_rectangle(cr, x + shift, y + shift, w, h);
            if (fill) {
                SolidBrush brush(c);
                ASSERT_EQ(g.FillRectangle(&brush, x + shift, y + shift, w, h), Ok);
                cairo_fill(cr);
            } else {
                Pen pen(c, 1.0f);
                pen.SetWidth(penWidth);
                ASSERT_EQ(g.DrawRectangle(&pen, x + shift, y + shift, w, h), Ok);
                cairo_stroke(cr);
            }
        }
        cairo_surface_flush(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        for (int py = 0; py < 90; ++py) {
            for (int px = 0; px < 100; ++px) {
                const std::uint32_t expected =
                    reinterpret_cast<const std::uint32_t*>(data + py * stride)[px];
                ASSERT_EQ(At(bitmap, px, py), expected)
                    << "case " << n << " fill " << fill << " pen " << penWidth << " at " << x
                    << "," << y << " size " << w << "," << h << " pixel " << px << "," << py;
                inked += expected != 0 ? 1 : 0;
            }
        }
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    EXPECT_GT(inked, 100000u);
}
