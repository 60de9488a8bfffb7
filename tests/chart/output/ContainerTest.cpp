// Container output of PVane_GetChart: the streams and their order, the
// picture size written by the host or by hand, the decoded pictures, and
// what a refusing host leaves behind.
#include <boost/numeric/conversion/cast.hpp>

#include "chart/engine/BarChart.h"
#include "chart/functions/FuncTest.h"
#include "chart/output/Container.h"
#include "chart/output/Stream.h"
#include "fmapi/fm_host.h"
#include "fmx/Extensions.h"
#include "fmx/FMWrapper.h"
#include "platform/gdiplus/Testing.h"

namespace {

using namespace functest;

using Bytes = std::vector<unsigned char>;

template <std::int16_t Level>
class ContainerAt : public PluginTest {
protected:
    ContainerAt() : PluginTest(Level) {}
    void TearDown() override
    {
        FMH_ClearFailures();
        for (std::uint32_t type : {kJpegStream, kPngStream, kSizeStream, kNameStream})
            FMH_SetAddAnswer(type, 0);
        PluginTest::TearDown();
    }
    // A filled chart of that type and format, drawn.
    CallResult Picture(const std::u16string& format, const std::map<int, Arg>& more = {})
    {
        std::map<int, Arg> args = more;
        args.emplace(2, format);
        EXPECT_EQ((Create(u"bars 2d", u"c", args)), kOk);
        EXPECT_EQ((Do(u"PVane_AddGraph", {u"c", u"g", u"G", u"336699"})), kOk);
        EXPECT_EQ((Do(u"PVane_AddData", {u"c", u"g", u"3\r5\r2"})), kOk);
        return pvtest::CallText(u"PVane_GetChart", {u"c"});
    }
};

using Container = ContainerAt<52>;
using ContainerAt50 = ContainerAt<50>;

const Bytes kSize640x480{0x02, 0x80, 0x01, 0xE0};

Bytes StreamBytes(const CallResult& r, std::uint32_t type)
{
    Bytes bytes;
    EXPECT_TRUE(pvtest::StreamOf(r, type, &bytes));
    return bytes;
}

TEST_F(Container, PngListsEmptyJpegPngSizeAndName)
{
    const CallResult r = Picture(u"png");
    ASSERT_EQ(r.type, kFMTypeBinary);
    EXPECT_EQ(StreamTypes(r), (std::vector<std::uint32_t>{kJpegStream, kPngStream, kSizeStream, kNameStream}));
    EXPECT_TRUE(StreamBytes(r, kJpegStream).empty());
    const Bytes png = StreamBytes(r, kPngStream);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(Bytes(png.begin(), png.begin() + 8), (Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
    EXPECT_EQ(StreamBytes(r, kSizeStream), kSize640x480);
    const Bytes name = StreamBytes(r, kNameStream);
    EXPECT_EQ(std::string(name.begin(), name.end()), "Untitled.png");

    // The host reads back the size it was given.
    gfx_test::Image image;
    ASSERT_TRUE(gfx_test::DecodePng(png, &image));
    EXPECT_EQ(image.width, 640);
    EXPECT_EQ(image.height, 480);
}

TEST_F(Container, JpegListsJpegAndSizeOnly)
{
    const CallResult r = Picture(u"JPEG", {{3, u"320"}, {4, u"200"}});
    ASSERT_EQ(r.type, kFMTypeBinary);
    EXPECT_EQ(StreamTypes(r), (std::vector<std::uint32_t>{kJpegStream, kSizeStream}));
    const Bytes jpeg = StreamBytes(r, kJpegStream);
    ASSERT_GT(jpeg.size(), 3u);
    EXPECT_EQ(Bytes(jpeg.begin(), jpeg.begin() + 3), (Bytes{0xFF, 0xD8, 0xFF}));
    EXPECT_EQ(StreamBytes(r, kSizeStream), (Bytes{0x01, 0x40, 0x00, 0xC8}));
    gfx_test::Image image;
    ASSERT_TRUE(gfx_test::DecodeJpeg(jpeg, &image));
    EXPECT_EQ(image.width, 320);
    EXPECT_EQ(image.height, 200);
}

TEST_F(Container, UntouchedPixelsOfAPngWithoutBackgroundAreTransparent)
{
    const CallResult r = Picture(u"png", {{3, u"500"}, {4, u"300"}});
    gfx_test::Image image;
    ASSERT_TRUE(gfx_test::DecodePng(StreamBytes(r, kPngStream), &image));
    ASSERT_EQ(image.width, 500);
    ASSERT_EQ(image.height, 300);
    for (auto [x, y] : {std::pair<int, int>{0, 0}, {499, 0}, {0, 299}, {499, 299}, {250, 2}})
        EXPECT_EQ(image.At(x, y) >> 24, 0u) << x << "," << y;
    // The chart itself is drawn.
    gfx_test::Box box;
    ASSERT_TRUE(gfx_test::InkBox(image, &box));
    EXPECT_GT(box.right - box.left, 250);
}

TEST_F(Container, AJpegWithoutBackgroundIsWhite)
{
    const CallResult r = Picture(u"jpeg", {{3, u"500"}, {4, u"300"}});
    gfx_test::Image image;
    ASSERT_TRUE(gfx_test::DecodeJpeg(StreamBytes(r, kJpegStream), &image));
    for (auto [x, y] : {std::pair<int, int>{0, 0}, {499, 0}, {0, 299}, {499, 299}, {250, 2}}) {
        const std::uint32_t p = image.At(x, y);
        for (int shift : {0, 8, 16})
            EXPECT_GE(p >> shift & 0xFF, 250u) << x << "," << y;
    }
}

TEST_F(Container, ABackgroundFillsThePicture)
{
    const CallResult r = Picture(u"png", {{5, u"51,102,153"}});
    gfx_test::Image image;
    ASSERT_TRUE(gfx_test::DecodePng(StreamBytes(r, kPngStream), &image));
    EXPECT_EQ(image.At(0, 0), 0xFF336699u);
    EXPECT_EQ(image.At(639, 479), 0xFF336699u);
}

TEST_F(ContainerAt50, SizeIsWrittenByHandAndNoName)
{
    const CallResult png = Picture(u"png");
    ASSERT_EQ(png.type, kFMTypeBinary);
    EXPECT_EQ(StreamTypes(png), (std::vector<std::uint32_t>{kJpegStream, kPngStream, kSizeStream}));
    EXPECT_EQ(StreamBytes(png, kSizeStream), kSize640x480);
    EXPECT_EQ(LastResult(), kOk);

    ASSERT_EQ((Create(u"pie 3d", u"j", {{2, u"jpeg"}, {3, u"32767"}, {4, u"1"}})), kOk);
    const CallResult jpeg = pvtest::CallText(u"PVane_GetChart", {u"j"});
    EXPECT_EQ(StreamTypes(jpeg), (std::vector<std::uint32_t>{kJpegStream, kSizeStream}));
    EXPECT_EQ(StreamBytes(jpeg, kSizeStream), (Bytes{0x7F, 0xFF, 0x00, 0x01}));
}

TEST_F(ContainerAt50, HandWrittenSizeReadsBack)
{
    fmx::BinaryData binary;
    ASSERT_EQ(fmx::AddSIZEData(binary, 640, 480), 0);
    std::int16_t width = 0, height = 0;
    EXPECT_EQ(fmx::GetSIZEData(binary, width, height), 0);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    // No size stream, or one too short: -1.
    fmx::BinaryData none;
    EXPECT_EQ(fmx::GetSIZEData(none, width, height), -1);
    fmx::BinaryData shortOne;
    fmx::QuadChar size(kSizeStream);
    const unsigned char three[3] = {1, 2, 3};
    ASSERT_EQ(shortOne.Add(size, 3, three), 0);
    EXPECT_EQ(fmx::GetSIZEData(shortOne, width, height), -1);

    // Names are neither written nor read.
    fmx::Text name;
    name.Assign("Untitled.png");
    EXPECT_EQ(fmx::AddFNAMData(binary, name), 0);
    fmx::QuadChar fnam(kNameStream);
    EXPECT_LT(binary.GetIndex(fnam), 0);
    EXPECT_EQ(fmx::GetFNAMData(binary, name), 0);
    EXPECT_EQ(name.GetUtf8(), "");
}

TEST_F(Container, SizeStreamOfTheHostHasTheSameBytes)
{
    fmx::BinaryData binary;
    ASSERT_EQ(fmx::AddSIZEData(binary, 640, 480), 0);
    fmx::QuadChar size(kSizeStream);
    const std::int32_t index = binary.GetIndex(size);
    ASSERT_GE(index, 0);
    Bytes bytes(binary.GetSize(index));
    ASSERT_EQ(bytes.size(), 4u);
    ASSERT_EQ(binary.GetData(index, 0, 4, bytes.data()), 0);
    EXPECT_EQ(bytes, kSize640x480);
}

// ---------------------------------------------------------------------------
// A host that refuses to add streams

TEST_F(Container, RefusedPictureStreamLeavesTheResultEmpty)
{
    FMH_SetAddAnswer(kPngStream, 3);
    const CallResult r = Picture(u"png");
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.type, kFMTypeInvalid);
    EXPECT_TRUE(r.streams.empty());
    // No picture is no success.
    EXPECT_EQ(LastResult(), kUnknown);
    EXPECT_EQ(LogLines().back(), "[ERROR] - PVane_GetChart failed. Error number is -5");
}

TEST_F(Container, FailedEncodingLeavesTheResultEmptyAndReportsMinus5)
{
    for (const char16_t* format : {u"png", u"jpeg"}) {
        Gdiplus::InjectEncodeFailure(Gdiplus::OutOfMemory);
        const CallResult r = Picture(format);
        EXPECT_EQ(r.error, 0);
        EXPECT_EQ(r.type, kFMTypeInvalid);
        EXPECT_TRUE(r.streams.empty());
        EXPECT_EQ(LastResult(), kUnknown);
        EXPECT_EQ(LogLines().back(), "[ERROR] - PVane_GetChart failed. Error number is -5");
        // The next request gives the picture.
        EXPECT_EQ(pvtest::CallText(u"PVane_GetChart", {u"c"}).type, kFMTypeBinary);
        pvtest::CallText(u"PVane_DestroyChart", {u"c"});
    }
}

TEST_F(Container, RefusedEmptyJpegStreamLeavesTheResultEmpty)
{
    FMH_SetAddAnswer(kJpegStream, 2);
    EXPECT_EQ(Picture(u"png").type, kFMTypeInvalid);
    EXPECT_EQ(pvtest::CallText(u"PVane_GetChart", {u"c"}).type, kFMTypeInvalid);
}

TEST_F(Container, RefusedJpegLeavesTheResultEmpty)
{
    FMH_SetAddAnswer(kJpegStream, 7);
    EXPECT_EQ(Picture(u"jpeg").type, kFMTypeInvalid);
    FMH_SetAddAnswer(kJpegStream, 0);
    EXPECT_EQ(pvtest::CallText(u"PVane_GetChart", {u"c"}).type, kFMTypeBinary);
}

TEST_F(ContainerAt50, RefusedHandWrittenSizeLeavesTheResultEmpty)
{
    FMH_SetAddAnswer(kSizeStream, 4);
    EXPECT_EQ(Picture(u"png").type, kFMTypeInvalid);
    ASSERT_EQ((Create(u"lines", u"j", {{2, u"jpeg"}})), kOk);
    EXPECT_EQ(pvtest::CallText(u"PVane_GetChart", {u"j"}).type, kFMTypeInvalid);
    EXPECT_EQ(LastResult(), kUnknown);
}

TEST_F(Container, HostMemoryFailureIsReportedAndLeavesTheResultEmpty)
{
    ASSERT_EQ((Create(u"pie 2d", u"p")), kOk);
    for (std::int32_t skip : {0, 1}) {
        // The first add is the empty 'JPEG' stream, the second the picture.
        FMH_InjectFailure("FM_BinaryData_Add", 1, skip, 1);
        const CallResult r = pvtest::CallText(u"PVane_GetChart", {u"p"});
        EXPECT_EQ(r.error, 0);
        EXPECT_EQ(r.type, kFMTypeInvalid) << skip;
        EXPECT_EQ(LastResult(), kUnknown);
        EXPECT_EQ(LogLines().back(), "[ERROR] - PVane_GetChart faild. std::bad_alloc");
        FMH_ClearFailures();
    }
    EXPECT_EQ(pvtest::CallText(u"PVane_GetChart", {u"p"}).type, kFMTypeBinary);
}

// ---------------------------------------------------------------------------
// The writers and the stream adder on their own

TEST_F(Container, AddContainerStream)
{
    fmx::BinaryData binary;
    CMemoryStream empty;
    EXPECT_EQ(AddContainerStream(empty, kPngStream, binary), 0);
    FMError err{1, 0};
    EXPECT_EQ(FM_BinaryData_GetCount(binary.get(), &err), 0);

    // Without a buffer: -6, nothing added.
    EXPECT_EQ(AddContainerStream(empty, kPngStream, binary), -6);
    EXPECT_EQ(FM_BinaryData_GetCount(binary.get(), &err), 0);

    CMemoryStream full;
    ASSERT_TRUE(full.Write("abc", 3));
    EXPECT_EQ(AddContainerStream(full, kPngStream, binary), 0);
    EXPECT_EQ(full.GetData(), nullptr);   // the buffer went to the container
    fmx::QuadChar png(kPngStream);
    const std::int32_t index = binary.GetIndex(png);
    ASSERT_EQ(index, 0);
    Bytes bytes(3);
    ASSERT_EQ(binary.GetData(index, 0, 3, bytes.data()), 0);
    EXPECT_EQ(bytes, (Bytes{'a', 'b', 'c'}));

    // A host error: -5.
    FMH_SetAddAnswer(kJpegStream, 9);
    CMemoryStream refused;
    ASSERT_TRUE(refused.Write("x", 1));
    EXPECT_EQ(AddContainerStream(refused, kJpegStream, binary), -5);
    EXPECT_EQ(FM_BinaryData_GetCount(binary.get(), &err), 1);
}

TEST_F(Container, WritersPutTheirStreamsIntoTheResult)
{
    const char bytes[] = "PICTURE";
    fmx::Data png;
    EXPECT_EQ(WritePngContainer(bytes, 7, 640, 480, png.get()), 0);
    ASSERT_EQ(png.GetNativeType(), kFMTypeBinary);
    fmx::BinaryData pngData(png.GetBinaryData());
    FMError err{1, 0};
    EXPECT_EQ(FM_BinaryData_GetCount(pngData.get(), &err), 4);
    fmx::QuadChar pngType(kPngStream);
    EXPECT_EQ(pngData.GetSize(pngData.GetIndex(pngType)), 7u);

    fmx::Data jpeg;
    EXPECT_EQ(WriteJpegContainer(bytes, 7, 640, 480, jpeg.get()), 0);
    fmx::BinaryData jpegData(jpeg.GetBinaryData());
    EXPECT_EQ(FM_BinaryData_GetCount(jpegData.get(), &err), 2);

    // No bytes: no picture stream, but the rest.
    fmx::Data nothing;
    EXPECT_EQ(WriteJpegContainer(nullptr, 0, 10, 10, nothing.get()), 0);
    fmx::BinaryData nothingData(nothing.GetBinaryData());
    EXPECT_EQ(FM_BinaryData_GetCount(nothingData.get(), &err), 1);
}

TEST_F(Container, WritersRefuseSidesBeyondSixteenBits)
{
    const char bytes[] = "x";
    fmx::Data result;
    EXPECT_THROW(WritePngContainer(bytes, 1, 32768, 10, result.get()), boost::numeric::positive_overflow);
    EXPECT_THROW(WriteJpegContainer(bytes, 1, 10, -32769, result.get()), boost::numeric::negative_overflow);
    EXPECT_EQ(result.GetNativeType(), kFMTypeInvalid);
}

TEST_F(Container, APictureThatCannotBeEncodedLeavesTheResultEmpty)
{
    // A chart whose canvas could not be made has nothing to encode.
    CVerticalBarChart chart(0, 0, L"", CColor::Empty(), 1, false);
    fmx::Data result;
    EncodePicture(chart, result.get());
    EXPECT_EQ(result.GetNativeType(), kFMTypeInvalid);
    chart.jpeg = true;
    EncodePicture(chart, result.get());
    EXPECT_EQ(result.GetNativeType(), kFMTypeInvalid);
}

} // namespace
