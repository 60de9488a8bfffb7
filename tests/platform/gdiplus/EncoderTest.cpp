// Encoders: listing, PNG and JPEG round trips decoded with libpng/libjpeg.
#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>

#include "platform/gdiplus/Gdiplus.h"
#include "support/gfx_support.h"

using namespace Gdiplus;

namespace {

// A picture with opaque, half-transparent and untouched (transparent) areas.
void Paint(Bitmap& bitmap, bool opaqueBackground)
{
    Graphics g(&bitmap);
    g.SetSmoothingMode(SmoothingModeHighQuality);
    if (opaqueBackground) {
        SolidBrush white(Color(0xFFFFFFFF));
        g.FillRectangle(&white, 0, 0, float(bitmap.GetWidth()), float(bitmap.GetHeight()));
    }
    LinearGradientBrush bar(RectF(10, 10, 30, 60), Color(0xFF3060C0), Color(0xFF21437F),
                            LinearGradientModeVertical);
    g.FillRectangle(&bar, 10, 10, 30, 60);
    SolidBrush glass(Color(0x80C03010));
    g.FillPie(&glass, 30, 20, 60, 60, -30, 200);
    Pen pen(Color(0xFF000000), 2.0f);
    g.DrawLine(&pen, 0, 79, 99, 0);
}

std::vector<unsigned char> Encode(const Bitmap& bitmap, const wchar_t* mime)
{
    CLSID clsid = gfx_test::EncoderClsid(mime);
    std::vector<unsigned char> bytes;
    VectorSink sink(bytes);
    EXPECT_EQ(const_cast<Bitmap&>(bitmap).Save(&sink, &clsid), Ok);
    return bytes;
}

} // namespace

TEST(Encoders, ListPngAndJpegByMimeType)
{
    UINT count = 0, size = 0;
    ASSERT_EQ(GetImageEncodersSize(&count, &size), Ok);
    ASSERT_EQ(count, 2u);
    ASSERT_GT(size, count * sizeof(ImageCodecInfo));
    std::vector<unsigned char> block(size);
    auto* list = reinterpret_cast<ImageCodecInfo*>(block.data());
    EXPECT_EQ(GetImageEncoders(count, size - 1, list), InvalidParameter);
    ASSERT_EQ(GetImageEncoders(count, size, list), Ok);
    std::vector<std::wstring> mimes;
    for (UINT i = 0; i < count; ++i) {
        mimes.emplace_back(list[i].MimeType);
        // Texts live inside the caller's block.
        auto* text = reinterpret_cast<const unsigned char*>(list[i].MimeType);
        EXPECT_GE(text, block.data() + count * sizeof(ImageCodecInfo));
        EXPECT_LT(text, block.data() + size);
    }
    EXPECT_EQ(mimes, (std::vector<std::wstring>{L"image/png", L"image/jpeg"}));
}

TEST(Encoders, PngRoundTripIsExactIncludingAlpha)
{
    Bitmap bitmap(100, 80);
    Paint(bitmap, false);
    std::vector<unsigned char> bytes = Encode(bitmap, L"image/png");
    gfx_test::Image decoded;
    ASSERT_TRUE(gfx_test::DecodePng(bytes, &decoded));
    gfx_test::Image original = gfx_test::Pixels(bitmap);
    ASSERT_EQ(decoded.width, 100);
    ASSERT_EQ(decoded.height, 80);
    EXPECT_TRUE(decoded.argb == original.argb);
    // Untouched pixels stay fully transparent, the glass half transparent.
    EXPECT_EQ(decoded.At(99, 79), 0x00000000u);
    // (Colours under partial alpha are kept premultiplied, so they read back
    // within one step.)
    std::uint32_t glass = decoded.At(80, 70);
    EXPECT_EQ(glass >> 24, 0x80u);
    EXPECT_NEAR(double(glass >> 16 & 0xFF), 0xC0, 1.0);
    EXPECT_NEAR(double(glass >> 8 & 0xFF), 0x30, 1.0);
    EXPECT_NEAR(double(glass & 0xFF), 0x10, 1.0);
    EXPECT_EQ(decoded.At(15, 40) >> 24, 0xFFu);
}

// Byte 25 of a PNG: the colour type in the header chunk.
int PngColourType(const std::vector<unsigned char>& bytes)
{
    return bytes.size() > 25 ? bytes[25] : -1;
}

TEST(Encoders, OpaquePngIsRgbAndTransparentStaysRgba)
{
    // A glass pie over an opaque background leaves no transparency.
    Bitmap opaque(100, 80);
    {
        Graphics g(&opaque);
        g.Clear(Color(0xFFFFFFFF));
    }
    Paint(opaque, false);
    std::vector<unsigned char> bytes = Encode(opaque, L"image/png");
    EXPECT_EQ(PngColourType(bytes), 2);
    gfx_test::Image decoded;
    ASSERT_TRUE(gfx_test::DecodePng(bytes, &decoded));
    EXPECT_TRUE(decoded.argb == gfx_test::Pixels(opaque).argb);

    // One untouched pixel keeps the alpha channel.
    Bitmap nearly(100, 80);
    {
        Graphics g(&nearly);
        SolidBrush black(Color(0xFF000000));
        g.FillRectangle(&black, 0, 0, 100, 79);
        g.FillRectangle(&black, 0, 79, 99, 1);
    }
    bytes = Encode(nearly, L"image/png");
    EXPECT_EQ(PngColourType(bytes), 6);
    ASSERT_TRUE(gfx_test::DecodePng(bytes, &decoded));
    EXPECT_EQ(decoded.At(99, 79), 0x00000000u);
    EXPECT_EQ(decoded.At(98, 79), 0xFF000000u);
}

TEST(Encoders, JpegRoundTripIsCloseAndWhiteWhereTransparent)
{
    Bitmap opaque(100, 80);
    Paint(opaque, true);
    gfx_test::Image decoded;
    ASSERT_TRUE(gfx_test::DecodeJpeg(Encode(opaque, L"image/jpeg"), &decoded));
    ASSERT_EQ(decoded.width, 100);
    ASSERT_EQ(decoded.height, 80);
    EXPECT_GT(gfx_test::Psnr(decoded, gfx_test::Pixels(opaque)), 30.0);

    Bitmap clear(64, 32);   // nothing drawn
    ASSERT_TRUE(gfx_test::DecodeJpeg(Encode(clear, L"image/jpeg"), &decoded));
    for (std::uint32_t p : decoded.argb)
        ASSERT_EQ(p, 0xFFFFFFFFu);

    // Half-transparent red over white is light red.
    Bitmap half(16, 16);
    {
        Graphics g(&half);
        SolidBrush brush(Color(0x80FF0000));
        g.FillRectangle(&brush, 0, 0, 16, 16);
    }
    ASSERT_TRUE(gfx_test::DecodeJpeg(Encode(half, L"image/jpeg"), &decoded));
    std::uint32_t p = decoded.At(8, 8);
    EXPECT_GE(p >> 16 & 0xFF, 250u);
    EXPECT_NEAR(double(p >> 8 & 0xFF), 127.0, 4.0);
    EXPECT_NEAR(double(p & 0xFF), 127.0, 4.0);
}

TEST(Encoders, SaveToFileWritesTheSameBytes)
{
    Bitmap bitmap(40, 30);
    Paint(bitmap, false);
    CLSID png = gfx_test::EncoderClsid(L"image/png");
    std::string path = std::string(PV_BIN_DIR) + "/gdiplus_save_test.png";
    std::wstring wide(path.begin(), path.end());
    ASSERT_EQ(bitmap.Save(wide.c_str(), &png), Ok);
    EXPECT_EQ(gfx_test::ReadFile(path), Encode(bitmap, L"image/png"));
    std::remove(path.c_str());

    EXPECT_EQ(bitmap.Save(L"/no/such/folder/x.png", &png), Win32Error);
    EXPECT_EQ(bitmap.GetLastStatus(), Win32Error);
}

TEST(Encoders, FailuresAreStatuses)
{
    Bitmap bitmap(4, 4);
    std::vector<unsigned char> bytes;
    VectorSink sink(bytes);
    CLSID unknown;
    EXPECT_EQ(bitmap.Save(&sink, &unknown), UnknownImageFormat);
    EXPECT_EQ(bitmap.Save(&sink, nullptr), InvalidParameter);
    EXPECT_TRUE(bytes.empty());

    // A sink that refuses its bytes fails the save, for both encoders.
    struct Refusing : ByteSink {
        bool Write(const void*, std::size_t) override { return false; }
    } refusing;
    CLSID png = gfx_test::EncoderClsid(L"image/png");
    CLSID jpeg = gfx_test::EncoderClsid(L"image/jpeg");
    EXPECT_EQ(bitmap.Save(&refusing, &png), GenericError);
    EXPECT_EQ(bitmap.Save(&refusing, &jpeg), GenericError);
    // A sink that throws is a failure too, not an escape.
    struct Throwing : ByteSink {
        bool Write(const void*, std::size_t) override { throw std::runtime_error("full"); }
    } throwing;
    EXPECT_EQ(bitmap.Save(&throwing, &png), GenericError);
    EXPECT_EQ(bitmap.Save(&throwing, &jpeg), GenericError);

    Bitmap broken(-1, 4);
    EXPECT_EQ(broken.Save(&sink, &png), InvalidParameter);

    // A sink that fills up inside the image data (more than one chunk) fails
    // the save too, transparent or opaque.
    struct Filling : ByteSink {
        std::size_t room;
        explicit Filling(std::size_t bytes) : room(bytes) {}
        bool Write(const void*, std::size_t size) override
        {
            if (size > room)
                return false;
            room -= size;
            return true;
        }
    };
    for (bool opaque : {false, true}) {
        Bitmap noisy(400, 300);
        {
            Graphics g(&noisy);
            if (opaque)
                g.Clear(Color(0xFFFFFFFF));
            for (int i = 0; i < 400; ++i) {
                Pen pen(Color(0xFF000000u | static_cast<ARGB>(i * 2654435761u >> 8)), 1.0f);
                g.DrawLine(&pen, float(i), 0.0f, float(i * 7 % 400), 299.0f);
            }
        }
        std::vector<unsigned char> whole;
        VectorSink all(whole);
        ASSERT_EQ(noisy.Save(&all, &png), Ok);
        ASSERT_GT(whole.size(), 1u << 16);
        for (std::size_t room : {std::size_t(40), std::size_t(1) << 16, whole.size() - 1}) {
            Filling filling(room);
            EXPECT_EQ(noisy.Save(&filling, &png), GenericError) << opaque << " " << room;
        }
        Filling enough(whole.size());
        EXPECT_EQ(noisy.Save(&enough, &png), Ok);
    }
}
