// ImageIO over the shared encoders: PNG exact, JPEG at quality 75 on white,
// destinations in memory and in files, and their failures.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "Pictures.h"
#include "platform/common/Encoders.h"
#include "platform/corefoundation/SystemSetup.h"

namespace {

// Encodes the image through a destination over a new CFData.
std::vector<unsigned char> Encode(CGImageRef image, CFStringRef type, CFDictionaryRef properties = nullptr,
                                  bool* finalized = nullptr)
{
    CFMutableDataRef data = CFDataCreateMutable(nullptr, 0);
    CGImageDestinationRef destination = CGImageDestinationCreateWithData(data, type, 1, nullptr);
    EXPECT_NE(destination, nullptr);
    CGImageDestinationAddImage(destination, image, properties);
    const bool ok = CGImageDestinationFinalize(destination);
    if (finalized)
        *finalized = ok;
    else
        EXPECT_TRUE(ok);
    CFRelease(destination);
    const UInt8* bytes = CFDataGetBytePtr(data);
    std::vector<unsigned char> out(bytes, bytes + CFDataGetLength(data));
    CFRelease(data);
    return out;
}

CFDictionaryRef SizeProperties(int width, int height)
{
    CFNumberRef w = CFNumberCreate(nullptr, kCFNumberIntType, &width);
    CFNumberRef h = CFNumberCreate(nullptr, kCFNumberIntType, &height);
    const void* keys[2] = {kCGImagePropertyPixelWidth, kCGImagePropertyPixelHeight};
    const void* values[2] = {w, h};
    CFDictionaryRef d = CFDictionaryCreate(nullptr, keys, values, 2, &kCFTypeDictionaryKeyCallBacks,
                                           &kCFTypeDictionaryValueCallBacks);
    CFRelease(w);
    CFRelease(h);
    return d;
}

TEST(ImageIO, PngRoundTripIsExactAndTheImageIsASnapshot)
{
    // Tall enough for several stripes, with every kind of alpha.
    const int width = 64, height = 1500;
    qtest::Canvas canvas(width, height, 272);
    CGContextRef c = canvas.context();
    canvas.Flip();
    const CGFloat colours[8] = {0.1, 0.8, 0.3, 1.0, 0.9, 0.2, 0.6, 0.0};
    CGGradientRef gradient = qtest::Gradient(colours, nullptr, 2);
    CGContextDrawLinearGradient(c, gradient, CGPointMake(0, 0), CGPointMake(width, height), 3);
    CGGradientRelease(gradient);
    qtest::SetFill(c, 0.2, 0.3, 0.9, 0.4);
    CGContextSaveGState(c);
    CGContextTranslateCTM(c, 30, 550);
    CGContextScaleCTM(c, 25, 450);
    CGContextBeginPath(c);
    CGContextAddArc(c, 0, 0, 1, 0, 6.283185307179586, 0);
    CGContextRestoreGState(c);
    CGContextFillPath(c);
    CGImageRef image = CGBitmapContextCreateImage(c);
    ASSERT_NE(image, nullptr);
    std::vector<uint32_t> expected;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            expected.push_back(pvcommon::image::Unpremultiply(canvas.At(x, y)));
    // Drawing after the image was taken does not reach it.
    qtest::SetFill(c, 0, 0, 0);
    CGContextFillRect(c, CGRectMake(0, 0, width, height));

    CFDictionaryRef properties = SizeProperties(width, height);
    const std::vector<unsigned char> png = Encode(image, kUTTypePNG, properties);
    CFRelease(properties);
    CGImageRelease(image);
    qtest::Decoded decoded;
    ASSERT_TRUE(qtest::DecodePng(png.data(), png.size(), &decoded));
    ASSERT_EQ(decoded.width, width);
    ASSERT_EQ(decoded.height, height);
    int differing = 0, translucent = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t want = expected[static_cast<size_t>(y * width + x)];
            const unsigned char* got = decoded.At(x, y);
            const uint32_t have = uint32_t(got[3]) << 24 | uint32_t(got[0]) << 16 |
                                  uint32_t(got[1]) << 8 | got[2];
            differing += have != want;
            translucent += (want >> 24) != 0 && (want >> 24) != 0xFF;
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(translucent, 1000);
}

TEST(ImageIO, AnImageOutlivesItsContextAndTheCallersBuffer)
{
    CGImageRef image = nullptr;
    {
        qtest::Canvas canvas(40, 30, 160);
        canvas.Flip();
        qtest::SetFill(canvas.context(), 0, 0, 1);
        CGContextFillRect(canvas.context(), CGRectMake(0, 0, 20, 30));
        image = CGBitmapContextCreateImage(canvas.context());
        CGImageRef second = CGBitmapContextCreateImage(canvas.context());
        CGImageRelease(second);
    }   // the context is released, then the buffer freed
    const std::vector<unsigned char> png = Encode(image, kUTTypePNG);
    CGImageRelease(image);
    qtest::Decoded decoded;
    ASSERT_TRUE(qtest::DecodePng(png.data(), png.size(), &decoded));
    EXPECT_EQ(decoded.At(5, 5)[2], 255);
    EXPECT_EQ(decoded.At(5, 5)[3], 255);
    EXPECT_EQ(decoded.At(30, 5)[3], 0);
}

TEST(ImageIO, JpegIsQuality75OnWhiteUnlessAskedOtherwise)
{
    const int width = 64, height = 48;
    qtest::Canvas canvas(width, height, 256);
    CGContextRef c = canvas.context();
    canvas.Flip();
    qtest::SetFill(c, 1, 0, 0);
    CGContextFillRect(c, CGRectMake(16, 12, 32, 24));
    CGImageRef image = CGBitmapContextCreateImage(c);
    pvcommon::image::Pixels pixels;
    pixels.data = canvas.bytes().data();
    pixels.stride = 256;
    pixels.width = width;
    pixels.height = height;
    struct Sink : pvcommon::image::ByteSink {
        bool Write(const void* data, std::size_t size) override
        {
            bytes.insert(bytes.end(), static_cast<const unsigned char*>(data),
                         static_cast<const unsigned char*>(data) + size);
            return true;
        }
        std::vector<unsigned char> bytes;
    } at75, at50;
    ASSERT_EQ(pvcommon::image::EncodeJpeg(pixels, &at75, 75), pvcommon::image::Ok);
    ASSERT_EQ(pvcommon::image::EncodeJpeg(pixels, &at50, 50), pvcommon::image::Ok);
    ASSERT_NE(at75.bytes, at50.bytes);

    const std::vector<unsigned char> jpeg = Encode(image, kUTTypeJPEG);
    EXPECT_EQ(jpeg, at75.bytes);
    qtest::Decoded decoded;
    ASSERT_TRUE(qtest::DecodeJpeg(jpeg.data(), jpeg.size(), &decoded));
    EXPECT_EQ(decoded.width, width);
    EXPECT_EQ(decoded.height, height);
    for (int i = 0; i < 3; ++i)
        EXPECT_GT(decoded.At(2, 2)[i], 248) << "transparent corner: white";
    EXPECT_GT(decoded.At(32, 24)[0], 230);
    EXPECT_LT(decoded.At(32, 24)[1], 30);

    // The lossy compression quality of the properties.
    double half = 0.5;
    CFNumberRef quality = CFNumberCreate(nullptr, kCFNumberDoubleType, &half);
    const void* keys[1] = {kCGImageDestinationLossyCompressionQuality};
    const void* values[1] = {quality};
    CFDictionaryRef properties = CFDictionaryCreate(nullptr, keys, values, 1, &kCFTypeDictionaryKeyCallBacks,
                                                    &kCFTypeDictionaryValueCallBacks);
    EXPECT_EQ(Encode(image, kUTTypeJPEG, properties), at50.bytes);
    CFRelease(properties);
    CFRelease(quality);
    CGImageRelease(image);
}

TEST(ImageIO, DestinationsRefuseAndFailWithoutLeavingHalfResults)
{
    qtest::Canvas canvas(8, 8, 32);
    CGImageRef image = CGBitmapContextCreateImage(canvas.context());
    CFMutableDataRef data = CFDataCreateMutable(nullptr, 0);
    CFStringRef gif = CFStringCreateWithCString(nullptr, "com.compuserve.gif", kCFStringEncodingUTF8);
    EXPECT_EQ(CGImageDestinationCreateWithData(data, gif, 1, nullptr), nullptr);
    EXPECT_EQ(CGImageDestinationCreateWithData(data, kUTTypePNG, 2, nullptr), nullptr);
    EXPECT_EQ(CGImageDestinationCreateWithData(nullptr, kUTTypePNG, 1, nullptr), nullptr);
    CFRelease(gif);

    // No image: nothing to finalize; a destination finalizes once.
    CGImageDestinationRef empty = CGImageDestinationCreateWithData(data, kUTTypePNG, 1, nullptr);
    EXPECT_FALSE(CGImageDestinationFinalize(empty));
    CFRelease(empty);
    CGImageDestinationRef once = CGImageDestinationCreateWithData(data, kUTTypePNG, 1, nullptr);
    CGImageDestinationAddImage(once, image, nullptr);
    EXPECT_TRUE(CGImageDestinationFinalize(once));
    const CFIndex length = CFDataGetLength(data);
    EXPECT_GT(length, 8);
    EXPECT_FALSE(CGImageDestinationFinalize(once));
    EXPECT_EQ(CFDataGetLength(data), length);
    CFRelease(once);

    // An injected failure leaves the data as it was.
    macsetup::FailCalls("CGImageDestinationFinalize");
    bool finalized = true;
    EXPECT_TRUE(Encode(image, kUTTypePNG, nullptr, &finalized).empty());
    EXPECT_FALSE(finalized);

    // Files: written whole, or not at all.
    char folder[] = "/tmp/pv-imageio-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string good = std::string(folder) + "/picture.png";
    const std::string bad = std::string(folder) + "/missing/picture.png";
    for (const std::string& path : {good, bad}) {
        CFStringRef text = CFStringCreateWithCString(nullptr, path.c_str(), kCFStringEncodingUTF8);
        CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, text, kCFURLPOSIXPathStyle, false);
        CGImageDestinationRef file = CGImageDestinationCreateWithURL(url, kUTTypePNG, 1, nullptr);
        CGImageDestinationAddImage(file, image, nullptr);
        EXPECT_EQ(CGImageDestinationFinalize(file), path == good) << path;
        CFRelease(file);
        CFRelease(url);
        CFRelease(text);
    }
    std::ifstream in(good, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    qtest::Decoded decoded;
    EXPECT_TRUE(qtest::DecodePng(bytes.data(), bytes.size(), &decoded));
    EXPECT_EQ(decoded.width, 8);
    EXPECT_EQ(std::vector<unsigned char>(CFDataGetBytePtr(data), CFDataGetBytePtr(data) + length), bytes);
    std::remove(good.c_str());
    EXPECT_EQ(rmdir(folder), 0) << "only the picture was written";
    CFRelease(data);
    CGImageRelease(image);
}

} // namespace
