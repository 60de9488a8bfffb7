// A small picture drawn through the drawing context and rendered by cairo:
// a filled pie slice, a dashed line and a text.
#include <gtest/gtest.h>

#include <cmath>

#include "chart/engine/DrawContext.h"
#include "platform/gdiplus/Gdiplus.h"
#include "support/gfx_support.h"

TEST(Raster, PieSliceDashedLineAndText)
{
    Gdiplus::Bitmap bitmap(160, 120);
    Gdiplus::Graphics graphics(&bitmap);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    {
        CDrawContext background(&graphics, CColor::White(), 1.0f);
        background.DrawRectangle(CPointF(0, 0), CPointF(160, 120), true, false);
    }
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
    CDrawContext pie(&graphics, CColor(0xFFD02020u), 1.0f);
    // Centre (50, 50), radius 40, from 90 (straight down) to 180 (left):
    // the lower left quarter.
    pie.DrawArc(CPointF(50, 50), 80, 80, 90, 180, true, false);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeDefault);
    CDrawContext line(&graphics, CColor(0xFF0000FFu), 1.0f);
    line.DrawLine(CPointF(0, 110), CPointF(160, 110), true);
    CDrawContext text(&graphics, CColor(0xFF000000u), 1.0f);
    CSizeF size = text.MeasureString(L"DejaVu Sans", L"Sales 2024", 10);
    text.DrawString(L"DejaVu Sans", CPointF(70, 20), L"Sales 2024", 10, 0, 0);

    gfx_test::Image image = gfx_test::Pixels(bitmap);
    // The slice: lower left quarter of the circle, nothing elsewhere.
    EXPECT_EQ(image.At(35, 65), 0xFFD02020u);
    EXPECT_EQ(image.At(49, 85), 0xFFD02020u);
    EXPECT_EQ(image.At(65, 65), 0xFFFFFFFFu);
    EXPECT_EQ(image.At(35, 35), 0xFFFFFFFFu);
    EXPECT_EQ(image.At(65, 35), 0xFFFFFFFFu);
    EXPECT_EQ(image.At(30, 98), 0xFFFFFFFFu);   // outside the radius

    // The dashed line: three pixels on, one off, on row 110 only.
    int on = 0;
    for (int x = 0; x < 160; ++x)
        on += image.At(x, 110) == 0xFF0000FFu;
    EXPECT_EQ(on, 120);
    EXPECT_EQ(image.At(3, 110), 0xFFFFFFFFu);
    EXPECT_EQ(image.At(4, 110), 0xFF0000FFu);
    EXPECT_EQ(image.At(4, 109), 0xFFFFFFFFu);

    // The text: all its ink inside its measured box, placed from the anchor
    // with the anchor at the box's vertical middle.
    double left = 70.0, top = 20.0 - size.height * 0.5;
    int inkLeft = 1000, inkRight = -1, inkTop = 1000, inkBottom = -1;
    for (int y = 0; y < 45; ++y)
        for (int x = 60; x < 160; ++x) {
            std::uint32_t p = image.At(x, y);
            if ((p & 0xFF) < 0xC0) {   // darker than light grey
                inkLeft = std::min(inkLeft, x);
                inkRight = std::max(inkRight, x);
                inkTop = std::min(inkTop, y);
                inkBottom = std::max(inkBottom, y);
            }
        }
    ASSERT_GE(inkRight, 0) << "no text drawn";
    EXPECT_GE(inkLeft, std::floor(left));
    EXPECT_LE(inkRight, std::ceil(left + size.width));
    EXPECT_GE(inkTop, std::floor(top));
    EXPECT_LE(inkBottom, std::ceil(top + size.height));
    EXPECT_GT(inkRight - inkLeft, size.width * 0.8);
}
