// Reference pictures: one chart of each type (and one JPEG) made through the
// plug-in's functions with fixed data, colours and fonts, compared with the
// pictures in tests/data/reference. Exact pixels pass at once; otherwise the
// largest channel difference (colours weighed by alpha) and the share of
// changed pixels must stay within bounds. On failure the actual picture and a diff picture are written
// to the build folder.
//
// PV_UPDATE_REFERENCES=1 writes the references anew from what is drawn now.
#include <gtest/gtest.h>
#include <png.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fmapi/container_streams.h"
#include "support/seen_difference.h"
#include "support/gfx_support.h"
#include "support/plugin_harness.h"

namespace {

using pvtest::CallText;

using fmapi::kJpegStream;
using fmapi::kPngStream;

// Bounds for pictures that are not identical: every channel of every pixel
// within kMaxChannelDifference, and at most kMaxChangedShare of the pixels
// different at all.
constexpr unsigned kMaxChannelDifference = 48;
constexpr double kMaxChangedShare = 0.02;

struct Case {
    const char* name;       // file name of the reference, without ".png"
    const char16_t* type;
    const char16_t* format;
    const char16_t* background;
    const char16_t* labelPosition;
    const char16_t* history;
    const char16_t* tags;
    const char16_t* grid;
};

const Case kCases[] = {
    {"pie_2d", u"pie 2d", u"png", u"FFFFFF", u"", u"right", u"percentage", u""},
    {"pie_3d", u"pie 3d", u"png", u"", u"", u"left", u"values", u""},
    {"bars_2d", u"bars 2d", u"png", u"F4F4F4", u"", u"right", u"none", u"showGrid"},
    {"bars_3d", u"bars 3d", u"png", u"FFFFFF", u"vertical", u"left", u"none", u"showGrid"},
    {"lines", u"lines", u"png", u"FFFFFF", u"", u"right", u"none", u"showGrid"},
    {"lines_soft", u"lines soft", u"png", u"", u"", u"right", u"none", u"hideGrid"},
    {"lines_dotted", u"lines dotted", u"png", u"FFFFF0", u"", u"left", u"none", u"hideGrid"},
    {"bars_3d_jpeg", u"bars 3d", u"jpeg", u"", u"", u"right", u"none", u"showGrid"},
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

bool IsPie(const Case& c) { return std::u16string(c.type).rfind(u"pie", 0) == 0; }

// Every call must succeed: the last-result text stays "000 (OK)".
void Must(const std::u16string& function, const std::vector<std::u16string>& args)
{
    const pvtest::CallResult r = CallText(function, args);
    ASSERT_EQ(pvtest::Narrow(r.text), "000 (OK)") << pvtest::Narrow(function);
}

// The chart of a case, drawn through the plug-in; false when no picture came.
bool Render(const Case& c, gfx_test::Image* image)
{
    const std::u16string font = u"Liberation Sans";
    Must(u"PVane_CreateChart",
         {c.type, u"ref", c.format, u"480", u"320", c.background, u"Quarterly figures", font, u"14",
          u"1F3864", c.labelPosition, font, u"9", u"404040", c.history, font, u"10", u"202020", c.tags,
          u"FFFFE1", c.grid});
    if (IsPie(c)) {
        // Shares of 120 (tags 38, 25, 17, 13, 8) or values in thousands.
        const bool thousands = std::u16string(c.type) == u"pie 3d";
        Must(u"PVane_AddGraph", {u"ref", u"share", u"Share"});
        Must(u"PVane_AddData", {u"ref", u"share", thousands ? u"125000\r86500\r43250" : u"45\r30\r20"});
        Must(u"PVane_AddData", {u"ref", u"share", thousands ? u"21000" : u"15", u"exploded"});
        Must(u"PVane_AddData", {u"ref", u"share", thousands ? u"15000" : u"10"});
        Must(u"PVane_AddLabels", {u"ref", u"North\rSouth\rEast\rWest\rOther"});
        Must(u"PVane_AddPieColors", {u"ref", u"4472C4\rED7D31\r165,165,165\rFFC000\r5B9BD5"});
    } else {
        Must(u"PVane_AddGraph", {u"ref", u"north", u"North", u"4472C4"});
        Must(u"PVane_AddGraph", {u"ref", u"south", u"South", u"ED7D31"});
        Must(u"PVane_AddGraph", {u"ref", u"west", u"West", u"70,173,71"});
        Must(u"PVane_AddData", {u"ref", u"north", u"12\r19\r3\r5\r2\r3"});
        Must(u"PVane_AddData", {u"ref", u"south", u"7\r11\r15\r9\r13\r4"});
        Must(u"PVane_AddData", {u"ref", u"west", u"2\r6\r8\r14\r10\r17"});
        Must(u"PVane_AddLabels", {u"ref", u"Jan\rFeb\rMar\rApr\rMay\rJun"});
    }
    const pvtest::CallResult r = CallText(u"PVane_GetChart", {u"ref"});
    std::vector<unsigned char> bytes;
    if (std::u16string(c.format) == u"jpeg")
        return pvtest::StreamOf(r, kJpegStream, &bytes) && gfx_test::DecodeJpeg(bytes, image);
    return pvtest::StreamOf(r, kPngStream, &bytes) && gfx_test::DecodePng(bytes, image);
}

bool WritePng(const std::string& path, const gfx_test::Image& image)
{
    std::vector<unsigned char> rgba(image.argb.size() * 4);
    for (std::size_t i = 0; i < image.argb.size(); ++i) {
        const std::uint32_t p = image.argb[i];
        rgba[i * 4] = static_cast<unsigned char>(p >> 16);
        rgba[i * 4 + 1] = static_cast<unsigned char>(p >> 8);
        rgba[i * 4 + 2] = static_cast<unsigned char>(p);
        rgba[i * 4 + 3] = static_cast<unsigned char>(p >> 24);
    }
    png_image png;
    std::memset(&png, 0, sizeof(png));
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&png, path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
}

struct Comparison {
    unsigned largest = 0;
    double changedShare = 0.0;
    gfx_test::Image diff;   // changed pixels red, the rest a pale copy
};

Comparison Compare(const gfx_test::Image& actual, const gfx_test::Image& expected)
{
    Comparison c;
    c.diff = actual;
    std::size_t changed = 0;
    for (std::size_t i = 0; i < actual.argb.size(); ++i) {
        const unsigned d = pvtest::SeenDifference(actual.argb[i], expected.argb[i]);
        c.largest = std::max(c.largest, d);
        if (d > 0) {
            ++changed;
            c.diff.argb[i] = 0xFFFF0000u;
        } else {
            // Grey at a quarter of the strength, over white.
            const std::uint32_t p = actual.argb[i];
            const unsigned grey = ((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) / 3;
            const unsigned alpha = p >> 24;
            const unsigned v = 255 - (255 - grey) * alpha / 255 / 4;
            c.diff.argb[i] = 0xFF000000u | v << 16 | v << 8 | v;
        }
    }
    c.changedShare = actual.argb.empty() ? 0.0 : double(changed) / double(actual.argb.size());
    return c;
}

std::string OutputFolder()
{
    const std::string folder = std::string(PV_BIN_DIR) + "/pictures";
    ::mkdir(folder.c_str(), 0755);
    return folder;
}

class Reference : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override { ASSERT_EQ(pvtest::Init(52), 52); }
    void TearDown() override { pvtest::Shutdown(); }
};

TEST_P(Reference, PictureMatches)
{
    const Case& c = GetParam();
    gfx_test::Image actual;
    ASSERT_TRUE(Render(c, &actual)) << c.name;
    ASSERT_EQ(actual.width, 480);
    ASSERT_EQ(actual.height, 320);

    const std::string reference = std::string(PV_TEST_DATA_DIR) + "/reference/" + c.name + ".png";
    const char* update = std::getenv("PV_UPDATE_REFERENCES");
    if (update && std::string(update) == "1") {
        ASSERT_TRUE(WritePng(reference, actual)) << reference;
        std::printf("wrote %s\n", reference.c_str());
        return;
    }

    gfx_test::Image expected;
    ASSERT_TRUE(gfx_test::DecodePng(gfx_test::ReadFile(reference), &expected))
        << "no reference " << reference << " (PV_UPDATE_REFERENCES=1 writes it)";
    ASSERT_EQ(expected.width, actual.width);
    ASSERT_EQ(expected.height, actual.height);
    if (expected.argb == actual.argb)
        return;

    const Comparison result = Compare(actual, expected);
    const bool within = result.largest <= kMaxChannelDifference && result.changedShare <= kMaxChangedShare;
    if (!within) {
        const std::string base = OutputFolder() + "/" + c.name;
        WritePng(base + ".actual.png", actual);
        WritePng(base + ".diff.png", result.diff);
        std::printf("diff picture: %s.diff.png\nactual picture: %s.actual.png\n", base.c_str(), base.c_str());
    }
    EXPECT_TRUE(within) << c.name << ": largest channel difference " << result.largest << ", "
                        << result.changedShare * 100.0 << "% of the pixels changed";
}

INSTANTIATE_TEST_SUITE_P(Charts, Reference, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// The comparison itself: identical pictures, small noise and real changes.
TEST(ReferenceComparison, BoundsOnDifferenceAndShare)
{
    gfx_test::Image a;
    a.width = 100;
    a.height = 10;
    a.argb.assign(1000, 0xFF808080u);
    gfx_test::Image b = a;
    Comparison same = Compare(a, b);
    EXPECT_EQ(same.largest, 0u);
    EXPECT_EQ(same.changedShare, 0.0);

    b.argb[5] = 0xFF8A8080u;   // one pixel, red off by 10
    Comparison noise = Compare(a, b);
    EXPECT_EQ(noise.largest, 10u);
    EXPECT_DOUBLE_EQ(noise.changedShare, 0.001);
    EXPECT_EQ(noise.diff.argb[5], 0xFFFF0000u);
    EXPECT_NE(noise.diff.argb[4], 0xFFFF0000u);

    b.argb[6] = 0x00808080u;   // alpha gone
    EXPECT_EQ(Compare(a, b).largest, 255u);
}

} // namespace
