// Reference pictures of the macOS flavour: one chart of each type (and one
// JPEG), 3D bars and a 3D pie also on 10.4, drawn through the chart classes
// with fixed data, colours and fonts and encoded through ImageIO, compared
// with tests/data/reference-mac under the bounds of the win set. On failure
// the actual picture is written to the build folder.
//
// PV_UPDATE_REFERENCES=1 writes the references anew from what is drawn now.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <jpeglib.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/BarChart.h"
#include "chart/engine/LinesChart.h"
#include "chart/engine/Pie.h"
#include "chart/engine/quartz/Canvas.h"
#include "platform/corefoundation/SystemSetup.h"
#include "platform/quartz/Quartz.h"
#include "support/seen_difference.h"
#include "support/ChartSupport.h"

namespace {

constexpr unsigned kMaxChannelDifference = 48;
constexpr double kMaxChangedShare = 0.02;

struct Case {
    const char* name;
    const char* type;
    bool jpeg;
    CColor background;
    std::int32_t history;   // 0 left, 1 right
    CPlot::ETagMode tags;
    bool grid;
    int minor;              // the system's minor version: 5 or 4
};

const Case kCases[] = {
    {"pie_2d", "pie 2d", false, CColor(0xFFFFFFFFu), 1, CPlot::ETagMode::Percentage, false, 5},
    {"pie_3d", "pie 3d", false, CColor::Empty(), 0, CPlot::ETagMode::Values, false, 5},
    {"bars_2d", "bars 2d", false, CColor(0xFFF4F4F4u), 1, CPlot::ETagMode::None, true, 5},
    {"bars_3d", "bars 3d", false, CColor(0xFFFFFFFFu), 0, CPlot::ETagMode::None, true, 5},
    {"lines", "lines", false, CColor(0xFFFFFFFFu), 1, CPlot::ETagMode::None, true, 5},
    {"lines_soft", "lines soft", false, CColor::Empty(), 1, CPlot::ETagMode::None, false, 5},
    {"lines_dotted", "lines dotted", false, CColor(0xFFFFFFF0u), 0, CPlot::ETagMode::None, false, 5},
    {"bars_3d_jpeg", "bars 3d", true, CColor::Empty(), 1, CPlot::ETagMode::None, true, 5},
    {"bars_3d_10_4", "bars 3d", false, CColor(0xFFFFFFFFu), 0, CPlot::ETagMode::None, true, 4},
    {"pie_3d_10_4", "pie 3d", false, CColor::Empty(), 0, CPlot::ETagMode::Values, false, 4},
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

std::shared_ptr<CPlot> Make(const Case& c)
{
    const std::string type = c.type;
    const std::wstring title = L"Quarterly figures";
    std::shared_ptr<CPlot> chart;
    if (type.rfind("pie", 0) == 0)
        chart = std::make_shared<CPie>(480, 320, title, c.background, c.history, c.jpeg);
    else if (type.rfind("bars", 0) == 0)
        chart = std::make_shared<CVerticalBarChart>(480, 320, title, c.background, c.history, c.jpeg);
    else if (type == "lines soft")
        chart = std::make_shared<CSoftLinesChart>(480, 320, title, c.background, c.history, c.jpeg);
    else
        chart = std::make_shared<CSimpleLinesChart>(480, 320, title, c.background, c.history, c.jpeg,
                                                    type == "lines dotted");
    if (type.find("2d") != std::string::npos) {
        chart->depth = 0;
        chart->seriesInset = 5;
    }
    pvtest::ChartOptions options;
    options.font = L"Liberation Sans";
    options.titleColour = CColor(0xFF1F3864u);
    options.tags = c.tags;
    options.tagsColour = CColor::Empty();
    options.grid = c.grid;
    pvtest::SetOptions(*chart, options);
    if (type.rfind("pie", 0) == 0) {
        CChartData share;
        const float values[5] = {45, 30, 20, 15, 10};
        for (int i = 0; i < 5; ++i)
            share.data.emplace_back(type == "pie 3d" ? values[i] * 1000 : values[i], boost::any(i == 3));
        chart->AddSeries(share, CColor::Empty(), L"Share");
        chart->SetLabels({L"North", L"South", L"East", L"West", L"Other"});
        chart->AddPieColors({CColor(0xFF4472C4u), CColor(0xFFED7D31u), CColor(0xFFA5A5A5u),
                             CColor(0xFFFFC000u), CColor(0xFF5B9BD5u)});
    } else {
        pvtest::AddGraph(*chart, {12, 19, 3, 5, 2, 3}, CColor(0xFF4472C4u), L"North");
        pvtest::AddGraph(*chart, {7, 11, 15, 9, 13, 4}, CColor(0xFFED7D31u), L"South");
        pvtest::AddGraph(*chart, {2, 6, 8, 14, 10, 17}, CColor(0xFF46AD47u), L"West");
        chart->SetLabels({L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun"});
    }
    return chart;
}

// Pixels as 0xAARRGGBB, un-premultiplied, row by row.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
};

// The chart's picture as ImageIO encodes it, decoded again.
bool Encode(CPlot& chart, bool jpeg, Image* image)
{
    CCanvas* canvas = chart.GetCanvas();
    canvas->EndLayer();
    CFMutableDataRef data = CFDataCreateMutable(nullptr, 0);
    CGImageDestinationRef destination =
        CGImageDestinationCreateWithData(data, jpeg ? kUTTypeJPEG : kUTTypePNG, 1, nullptr);
    CGImageRef picture = CGBitmapContextCreateImage(canvas->GetContext());
    CGImageDestinationAddImage(destination, picture, nullptr);
    const bool ok = CGImageDestinationFinalize(destination);
    CGImageRelease(picture);
    CFRelease(destination);
    std::vector<unsigned char> bytes(CFDataGetBytePtr(data), CFDataGetBytePtr(data) + CFDataGetLength(data));
    CFRelease(data);
    if (!ok)
        return false;
    if (jpeg) {
        jpeg_decompress_struct info;
        jpeg_error_mgr errors;
        info.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info);
        image->width = static_cast<int>(info.output_width);
        image->height = static_cast<int>(info.output_height);
        std::vector<unsigned char> row(info.output_width * 3);
        while (info.output_scanline < info.output_height) {
            unsigned char* rows[1] = {row.data()};
            jpeg_read_scanlines(&info, rows, 1);
            for (unsigned x = 0; x < info.output_width; ++x)
                image->argb.push_back(0xFF000000u | row[x * 3] << 16 | row[x * 3 + 1] << 8 | row[x * 3 + 2]);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        return true;
    }
    return [&] {
        png_image png;
        std::memset(&png, 0, sizeof png);
        png.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()))
            return false;
        png.format = PNG_FORMAT_BGRA;
        image->width = static_cast<int>(png.width);
        image->height = static_cast<int>(png.height);
        image->argb.resize(static_cast<std::size_t>(png.width) * png.height);
        return png_image_finish_read(&png, nullptr, image->argb.data(), 0, nullptr) != 0;
    }();
}

bool ReadPng(const std::string& path, Image* image)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        return false;
    png.format = PNG_FORMAT_BGRA;
    image->width = static_cast<int>(png.width);
    image->height = static_cast<int>(png.height);
    image->argb.resize(static_cast<std::size_t>(png.width) * png.height);
    return png_image_finish_read(&png, nullptr, image->argb.data(), 0, nullptr) != 0;
}

bool WritePng(const std::string& path, const Image& image)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_BGRA;
    return png_image_write_to_file(&png, path.c_str(), 0, image.argb.data(), 0, nullptr) != 0;
}

class MacReference : public ::testing::TestWithParam<Case> {
protected:
    void TearDown() override { macsetup::Reset(); }
};

} // namespace

TEST_P(MacReference, PictureMatches)
{
    const Case& c = GetParam();
    macsetup::SetSystemVersion(10, c.minor, c.minor == 4 ? 11 : 8);
    std::shared_ptr<CPlot> chart = Make(c);
    ASSERT_TRUE(chart->CanvasUsable());
    chart->Draw();
    Image actual;
    ASSERT_TRUE(Encode(*chart, c.jpeg, &actual)) << c.name;
    ASSERT_EQ(actual.width, 480);
    ASSERT_EQ(actual.height, 320);

    const std::string reference = std::string(PV_TEST_DATA_DIR) + "/reference-mac/" + c.name + ".png";
    const char* update = std::getenv("PV_UPDATE_REFERENCES");
    if (update && std::string(update) == "1") {
        ::mkdir((std::string(PV_TEST_DATA_DIR) + "/reference-mac").c_str(), 0755);
        ASSERT_TRUE(WritePng(reference, actual)) << reference;
        return;
    }
    Image expected;
    ASSERT_TRUE(ReadPng(reference, &expected)) << "no reference " << reference;
    ASSERT_EQ(expected.width, actual.width);
    ASSERT_EQ(expected.height, actual.height);
    if (expected.argb == actual.argb)
        return;
    unsigned largest = 0;
    std::size_t changed = 0;
    for (std::size_t i = 0; i < actual.argb.size(); ++i) {
        const unsigned d = pvtest::SeenDifference(actual.argb[i], expected.argb[i]);
        largest = std::max(largest, d);
        changed += d > 0;
    }
    const double share = double(changed) / double(actual.argb.size());
    if (largest > kMaxChannelDifference || share > kMaxChangedShare) {
        const std::string folder = std::string(PV_BIN_DIR) + "/pictures";
        ::mkdir(folder.c_str(), 0755);
        WritePng(folder + "/" + c.name + "-mac-actual.png", actual);
        FAIL() << c.name << ": largest channel difference " << largest << ", changed share " << share;
    }
}

INSTANTIATE_TEST_SUITE_P(Charts, MacReference, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });
