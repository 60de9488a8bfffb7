// Charts of realistic and large sizes through the plug-in's functions, as a
// solution builds them: every chart type with one graph of 100,000 values,
// with 1,000 graphs, and a soft line on the tallest picture. Each must come
// back as a PNG container of the asked size; CTest's timeout bounds the time.
// Large pictures of ordinary charts stay within 1.5 times the size libpng's
// default settings give.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fmapi/container_streams.h"
#include "support/gfx_support.h"
#include "support/plugin_harness.h"
#include "support/png_reference.h"

namespace {

using fmapi::kPngStream;
using fmapi::kSizeStream;

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }
std::u16string Number(long long n) { return Wide(std::to_string(n)); }

// Values joined by carriage returns, as a FileMaker list reaches the plug-in.
std::u16string List(const std::vector<std::u16string>& items)
{
    std::u16string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            out += u'\r';
        out += items[i];
    }
    return out;
}

// Varied positive values, some with decimals: no two neighbours equal.
std::u16string Value(std::size_t i)
{
    const std::size_t v = (i * 7919u) % 997u + 3u;
    return i % 3 == 0 ? Number(static_cast<long long>(v)) + u".25" : Number(static_cast<long long>(v));
}

class ChartRoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(pvtest::Init(52), 52);
        // After initialisation, which sets the log up anew.
        log_ = std::make_unique<gfx_test::LogCapture>();
    }
    void TearDown() override { pvtest::Shutdown(); }

    void Create(const std::u16string& type, int width, int height)
    {
        Ok(u"PVane_CreateChart", {type, u"scale", u"png", Number(width), Number(height), u"FFFFFF",
                                  u"Scale of " + type});
    }
    void Graph(const std::u16string& graph, const std::vector<std::u16string>& values)
    {
        Ok(u"PVane_AddGraph", {u"scale", graph, u"Graph " + graph});
        Ok(u"PVane_AddData", {u"scale", graph, List(values)});
    }
    void Labels(std::size_t count)
    {
        std::vector<std::u16string> labels;
        for (std::size_t i = 0; i < count; ++i)
            labels.push_back(u"L" + Number(static_cast<long long>(i)));
        Ok(u"PVane_AddLabels", {u"scale", List(labels)});
    }

    // The picture request answers a PNG of the chart's size, and the size
    // stream says the same.
    void ExpectPicture(int width, int height, std::vector<unsigned char>* bytes = nullptr)
    {
        const pvtest::CallResult r = pvtest::CallText(u"PVane_GetChart", {u"scale"});
        ASSERT_EQ(r.type, kFMTypeBinary) << ErrorLines();
        std::vector<unsigned char> png, size;
        ASSERT_TRUE(pvtest::StreamOf(r, kPngStream, &png));
        ASSERT_TRUE(pvtest::StreamOf(r, kSizeStream, &size));
        EXPECT_EQ(size, (std::vector<unsigned char>{static_cast<unsigned char>(width >> 8),
                                                    static_cast<unsigned char>(width & 0xFF),
                                                    static_cast<unsigned char>(height >> 8),
                                                    static_cast<unsigned char>(height & 0xFF)}));
        gfx_test::Image image;
        ASSERT_TRUE(gfx_test::DecodePng(png, &image));
        EXPECT_EQ(image.width, width);
        EXPECT_EQ(image.height, height);
        EXPECT_EQ(ErrorLines(), "");
        Ok(u"PVane_DestroyChart", {u"scale"});
        if (bytes)
            *bytes = png;
    }

private:
    void Ok(const std::u16string& function, const std::vector<std::u16string>& args)
    {
        const pvtest::CallResult r = pvtest::CallText(function, args);
        EXPECT_EQ(pvtest::Narrow(r.text), "000 (OK)") << pvtest::Narrow(function);
    }
    std::string ErrorLines() const
    {
        std::string out;
        for (const auto& line : log_->Lines())
            if (line.rfind("[ERROR]", 0) == 0)
                out += line + "\n";
        return out;
    }

    std::unique_ptr<gfx_test::LogCapture> log_;
};

class Scale : public ChartRoad, public ::testing::WithParamInterface<const char16_t*> {};

TEST_P(Scale, OneGraphOfAHundredThousandValues)
{
    constexpr std::size_t kValues = 100000;
    Create(GetParam(), 640, 480);
    std::vector<std::u16string> values;
    values.reserve(kValues);
    for (std::size_t i = 0; i < kValues; ++i)
        values.push_back(Value(i));
    Graph(u"g", values);
    ExpectPicture(640, 480);
}

TEST_P(Scale, AThousandGraphsOfFourValues)
{
    constexpr std::size_t kGraphs = 1000;
    Create(GetParam(), 640, 480);
    for (std::size_t g = 0; g < kGraphs; ++g) {
        std::vector<std::u16string> values;
        for (std::size_t i = 0; i < 4; ++i)
            values.push_back(Value(g * 4 + i));
        Graph(u"g" + Number(static_cast<long long>(g)), values);
    }
    Labels(4);
    ExpectPicture(640, 480);
}

// A soft line swinging from bottom to top at every value on a picture of the
// largest height: a curve of millions of pixels.
TEST_F(ChartRoad, SoftLineOfAlternatingValuesOnTheTallestPicture)
{
    constexpr int kHeight = 32767;
    Create(u"lines soft", 640, kHeight);
    std::vector<std::u16string> values;
    for (int i = 0; i < 400; ++i)
        values.push_back(i % 2 == 0 ? u"0" : u"100");
    Graph(u"g", values);
    ExpectPicture(640, kHeight);
}

// Three graphs of twelve labelled values at sizes where one deflate window
// grew past twice libpng's size.
TEST_P(Scale, LargePicturesStayWithinOneAndAHalfTimesLibpngsSize)
{
    for (const auto& [width, height] : {std::pair{1600, 1200}, std::pair{2000, 1500}, std::pair{4000, 3000}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        Create(GetParam(), width, height);
        for (int g = 0; g < 3; ++g) {
            std::vector<std::u16string> values;
            for (int v = 0; v < 12; ++v)
                values.push_back(Number((v * 7 + g * 13) % 90 + 5));
            Graph(u"g" + Number(g), values);
        }
        Labels(12);
        std::vector<unsigned char> png;
        ExpectPicture(width, height, &png);
        const std::size_t reference = pvtest::DefaultPngSize(png);
        ASSERT_GT(reference, 0u);
        EXPECT_LE(static_cast<double>(png.size()), 1.5 * static_cast<double>(reference))
            << png.size() << " bytes against libpng's " << reference;
    }
}

std::string TypeName(const ::testing::TestParamInfo<const char16_t*>& info)
{
    std::string name;
    for (const char16_t* c = info.param; *c; ++c)
        name += *c == u' ' ? '_' : static_cast<char>(*c);
    return name;
}

INSTANTIATE_TEST_SUITE_P(Types, Scale,
                         ::testing::Values(u"pie 2d", u"pie 3d", u"bars 2d", u"bars 3d", u"lines",
                                           u"lines soft", u"lines dotted"),
                         TypeName);

} // namespace
