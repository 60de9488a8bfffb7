// The chart's canvas: size, background by format, redrawing and PNG files.
#include <gtest/gtest.h>

#include <cstdio>

#include "chart/engine/BarChart.h"
#include "chart/engine/Pie.h"
#include "chart/engine/gdiplus/Canvas.h"
#include "support/ChartSupport.h"

namespace {

Gdiplus::ARGB Pixel(const CPlot& chart, int x, int y)
{
    Gdiplus::Color colour;
    EXPECT_EQ(chart.GetCanvas()->GetBitmap()->GetPixel(x, y, &colour), Gdiplus::Ok);
    return colour.GetValue();
}

std::vector<Gdiplus::ARGB> Pixels(const CPlot& chart)
{
    std::vector<Gdiplus::ARGB> out;
    for (int y = 0; y < chart.pictureHeight; ++y)
        for (int x = 0; x < chart.pictureWidth; ++x)
            out.push_back(Pixel(chart, x, y));
    return out;
}

} // namespace

TEST(Canvas, SizeAndRootGraphics)
{
    CPie chart(320, 200, L"", CColor::Empty(), 1, false);
    ASSERT_NE(chart.GetCanvas()->GetBitmap(), nullptr);
    EXPECT_EQ(chart.GetCanvas()->GetBitmap()->GetWidth(), 320u);
    EXPECT_EQ(chart.GetCanvas()->GetBitmap()->GetHeight(), 200u);
    EXPECT_EQ(chart.graphics, chart.GetCanvas()->GetGraphics());
    EXPECT_EQ(chart.GetCanvas()->GetGraphics()->GetTextRenderingHint(), Gdiplus::TextRenderingHintAntiAlias);
}

TEST(Canvas, BackgroundByColourAndFormatPaintedAtEveryDraw)
{
    CPie png(40, 30, L"", CColor::Empty(), 1, false);
    CPie jpeg(40, 30, L"", CColor::Empty(), 1, true);
    CPie coloured(40, 30, L"", CColor(0xFF336699u), 1, false);
    const Gdiplus::SolidBrush scribble(Gdiplus::Color(0x80FF0000u));
    for (int draw = 0; draw < 2; ++draw) {
        for (CPie* chart : {&png, &jpeg, &coloured}) {
            pvtest::SetOptions(*chart);
            chart->GetCanvas()->GetGraphics()->FillRectangle(&scribble, 0, 0, 40, 30);
            chart->Draw();
        }
        EXPECT_EQ(Pixel(png, 0, 0), 0x00000000u);
        EXPECT_EQ(Pixel(png, 39, 29), 0x00000000u);
        EXPECT_EQ(Pixel(jpeg, 0, 0), 0xFFFFFFFFu);
        EXPECT_EQ(Pixel(jpeg, 39, 29), 0xFFFFFFFFu);
        EXPECT_EQ(Pixel(coloured, 0, 0), 0xFF336699u);
        EXPECT_EQ(Pixel(coloured, 39, 29), 0xFF336699u);
    }
}

TEST(Canvas, RedrawingGivesTheSamePixels)
{
    // Characters without a glyph are drawn as boxes; a dashed grid line drawn
    // before must not change how they look the next time.
    CVerticalBarChart chart(320, 240, L"T\xE000x\xFFFE", CColor(0xFFFFFFFFu), 1, false);
    chart.depth = 0;
    pvtest::ChartOptions options;
    options.font = L"Times";
    options.titleSize = options.labelSize = options.historySize = 12;
    options.grid = true;
    pvtest::SetOptions(chart, options);
    pvtest::AddGraph(chart, {3, 1, 2}, CColor(0xFF3366CCu));
    chart.SetLabels({L"x\xE000", L"y", L"z"});
    chart.Draw();
    auto first = Pixels(chart);
    chart.Draw();
    EXPECT_EQ(Pixels(chart), first);
    // A fresh set of graphs after clearing draws the same picture again.
    chart.ClearSeries();
    pvtest::AddGraph(chart, {3, 1, 2}, CColor(0xFF3366CCu));
    chart.Draw();
    EXPECT_EQ(Pixels(chart), first);
}

TEST(Canvas, SaveToFileWritesPngEvenForJpegCharts)
{
    CPie chart(64, 48, L"", CColor::Empty(), 1, true);
    pvtest::SetOptions(chart);
    chart.Draw();
    const std::string path = pvtest::SavePicture(chart, "canvas_save");
    FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    unsigned char head[8] = {};
    EXPECT_EQ(std::fread(head, 1, 8, file), 8u);
    std::fclose(file);
    const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_EQ(std::vector<unsigned char>(head, head + 8), std::vector<unsigned char>(png, png + 8));

    EXPECT_FALSE(chart.SaveToFile(L"/nonexistent-folder/x.png"));
}
