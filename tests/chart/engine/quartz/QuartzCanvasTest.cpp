// The Quartz canvas: row lengths, the background and its transparency
// layer, failed bitmap contexts, PNG files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "chart/engine/BarChart.h"
#include "chart/engine/Pie.h"
#include "chart/engine/quartz/Canvas.h"
#include "chart/output/Container.h"
#include "platform/corefoundation/SystemSetup.h"
#include "platform/quartz/CoreGraphics.h"
#include "support/ChartSupport.h"

#include <textconv>

namespace {

// A pixel as the bitmap keeps it: one 32-bit word 0xAARRGGBB.
std::uint32_t PixelAt(const CCanvas& canvas, int x, int y)
{
    std::uint32_t word;
    std::memcpy(&word, canvas.Pixels() + canvas.RowLength() * static_cast<std::size_t>(y) + x * 4u, 4);
    return word;
}

std::vector<unsigned char> FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

bool IsPng(const std::vector<unsigned char>& bytes)
{
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return bytes.size() > 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

struct Chart {
    Chart(const CColor& background, bool jpeg)
        : chart(160, 120, L"c", background, 1, jpeg)
    {
        pvtest::SetOptions(chart);
        pvtest::AddGraph(chart, {3, 5, 2}, CColor(0xFF3366CCu));
    }
    CVerticalBarChart chart;
};

// A 3D pie: its last primitives leave anti-aliasing off.
struct PieChart {
    PieChart(const CColor& background, bool jpeg) : chart(160, 120, L"p", background, 1, jpeg)
    {
        pvtest::SetOptions(chart);
        pvtest::AddGraph(chart, {3, 5, 2}, CColor::Empty());
        chart.AddPieColors({CColor(0xFF4472C4u), CColor(0xFFED7D31u), CColor(0xFFA5A5A5u)});
    }
    CPie chart;
};

} // namespace

TEST(QuartzCanvas, RowLengthsInSizeT)
{
    EXPECT_EQ(CCanvas::RowBytes(1), 16u);
    EXPECT_EQ(CCanvas::RowBytes(4), 16u);
    EXPECT_EQ(CCanvas::RowBytes(5), 32u);
    EXPECT_EQ(CCanvas::RowBytes(640), 2560u);
    // Beyond what an int product holds.
    EXPECT_EQ(CCanvas::RowBytes(0x7FFFFFFF), std::size_t(0x7FFFFFFF) * 4 + 4);
    CCanvas canvas(5, 3);
    ASSERT_TRUE(canvas.Usable());
    EXPECT_EQ(canvas.RowLength(), 32u);
    EXPECT_EQ(CGBitmapContextGetBytesPerRow(canvas.GetContext()), 32u);
}

TEST(QuartzCanvas, ClearedWhenMade)
{
    // A block of the canvas's size, written and freed just before, is what
    // the heap hands out next.
    const std::size_t bytes = CCanvas::RowBytes(37) * 23;
    for (int round = 0; round < 2; ++round) {
        {
            std::vector<unsigned char> junk(bytes, 0xAB);
        }
        CCanvas canvas(37, 23);
        ASSERT_TRUE(canvas.Usable());
        const unsigned char* pixels = canvas.Pixels();
        EXPECT_EQ(std::count(pixels, pixels + bytes, 0), static_cast<std::ptrdiff_t>(bytes));
    }
}

TEST(QuartzCanvas, BackgroundAndItsLayer)
{
    CCanvas canvas(20, 10);
    ASSERT_TRUE(canvas.Usable());
    // PNG without a colour: transparent, drawn into a layer until it ends.
    canvas.Clear(CColor::Empty(), false);
    EXPECT_TRUE(canvas.LayerOpen());
    EXPECT_EQ(PixelAt(canvas, 0, 0), 0u);
    CGContextSetRGBFillColor(canvas.GetContext(), 1, 0, 0, 1);
    CGContextFillRect(canvas.GetContext(), CGRectMake(0, 0, 5, 5));
    canvas.EndLayer();
    EXPECT_FALSE(canvas.LayerOpen());
    // y grows downward: the square lies at the top left.
    EXPECT_EQ(PixelAt(canvas, 1, 1), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(canvas, 10, 8), 0u);
    canvas.EndLayer();
    // Cleared anew, the old picture goes, the layer too.
    canvas.Clear(CColor::Empty(), false);
    EXPECT_EQ(PixelAt(canvas, 1, 1), 0u);
    canvas.Clear(CColor::Empty(), true);
    EXPECT_FALSE(canvas.LayerOpen());
    EXPECT_EQ(PixelAt(canvas, 19, 9), 0xFFFFFFFFu);
    canvas.Clear(CColor(0xFF102030u), false);
    EXPECT_EQ(PixelAt(canvas, 0, 9), 0xFF102030u);
    canvas.Clear(CColor(0xFF102030u), true);
    EXPECT_EQ(PixelAt(canvas, 19, 0), 0xFF102030u);
}

TEST(QuartzCanvas, RefusedBitmapContextLeavesTheChartWithoutCanvas)
{
    // Refused at creation and again when it is drawn.
    macsetup::FailCalls("CGBitmapContextCreate", 2);
    Chart refused(CColor::Empty(), false);
    EXPECT_FALSE(refused.chart.CanvasUsable());
    refused.chart.Draw();
    EXPECT_FALSE(refused.chart.CanvasUsable());
    EXPECT_FALSE(refused.chart.SaveToFile(L"/tmp/never.png"));
    macsetup::ClearFailures();
    Chart made(CColor::Empty(), false);
    EXPECT_TRUE(made.chart.CanvasUsable());
}

TEST(QuartzCanvas, RedrawnPicturesAreEqualAndSavedAsPng)
{
    struct Kind {
        CColor background;
        bool jpeg;
        std::uint32_t corner;
    };
    // Without a background: transparent for PNG (a layer), white for JPEG;
    // with one, no layer (what a drawing leaves on the context must not
    // reach the next picture).
    for (const Kind& kind : {Kind{CColor::Empty(), false, 0u}, Kind{CColor::Empty(), true, 0xFFFFFFFFu},
                             Kind{CColor(0xFFF0E0D0u), false, 0xFFF0E0D0u}}) {
        PieChart c(kind.background, kind.jpeg);
        c.chart.Draw();
        const CCanvas& canvas = *c.chart.GetCanvas();
        const std::size_t bytes = canvas.RowLength() * static_cast<std::size_t>(canvas.Height());
        // Saving ends the open layer: the bars are in the picture.
        const std::string path = std::string(PV_BIN_DIR) + "/pictures-mac Grüße ✓" +
                                 (kind.jpeg ? "-jpeg" : "-png") + ".png";
        std::remove(path.c_str());
        ASSERT_TRUE(c.chart.SaveToFile(Utf8ToWideString(path)));
        EXPECT_FALSE(canvas.LayerOpen());
        EXPECT_TRUE(IsPng(FileBytes(path))) << path;
        std::remove(path.c_str());
        const std::vector<unsigned char> first(canvas.Pixels(), canvas.Pixels() + bytes);
        EXPECT_EQ(PixelAt(canvas, 0, 0), kind.corner);
        c.chart.Draw();
        c.chart.GetCanvas()->EndLayer();
        const std::vector<unsigned char> second(canvas.Pixels(), canvas.Pixels() + bytes);
        EXPECT_TRUE(first == second) << kind.corner;
        std::size_t painted = 0;
        for (int y = 0; y < canvas.Height(); ++y)
            for (int x = 0; x < canvas.Width(); ++x)
                painted += PixelAt(canvas, x, y) >> 24 != 0;
        EXPECT_GT(painted, 500u);
    }
}

TEST(QuartzCanvas, FailedEncodingGivesNoPicture)
{
    Chart c(CColor::Empty(), false);
    c.chart.Draw();
    for (const char* call : {"CGImageDestinationFinalize", "CGBitmapContextCreateImage"}) {
        macsetup::FailCalls(call);
        // The failure answers before the container writers would touch the
        // result (a null one here).
        EXPECT_EQ(EncodePicture(c.chart, nullptr), -5) << call;
        EXPECT_FALSE(c.chart.GetCanvas()->LayerOpen());
        macsetup::ClearFailures();
    }
}
