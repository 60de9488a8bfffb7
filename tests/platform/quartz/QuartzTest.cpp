// The CoreGraphics stand-in: base transform, arcs, clips, gradients,
// transparency layers, bitmap contexts over the caller's rows, the recording.
#include <gtest/gtest.h>

#include <cmath>

#include "Pictures.h"
#include "platform/corefoundation/SystemSetup.h"
#include "platform/quartz/Recording.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

uint32_t Alpha(uint32_t pixel) { return pixel >> 24; }
uint32_t Red(uint32_t pixel) { return pixel >> 16 & 0xFF; }
uint32_t Blue(uint32_t pixel) { return pixel & 0xFF; }

TEST(Quartz, YUpBaseTransformArcsAndTheCallersRowBytes)
{
    // 100 pixels take 400 bytes; the rows are 416 apart, the rest is the caller's.
    qtest::Canvas canvas(100, 80, 416);
    for (int y = 0; y < 80; ++y)
        std::memset(canvas.bytes().data() + y * 416 + 400, 0xAB, 16);
    CGContextRef c = canvas.context();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(CGBitmapContextGetData(c), canvas.bytes().data());
    EXPECT_EQ(CGBitmapContextGetBytesPerRow(c), 416u);
    EXPECT_TRUE(CGAffineTransformIsIdentity(CGContextGetCTM(c)));

    // y up: a rectangle near the origin lies near the bottom of the picture.
    qtest::SetFill(c, 1, 0, 0);
    CGContextFillRect(c, CGRectMake(10, 10, 20, 20));
    EXPECT_EQ(canvas.At(15, 60), 0xFFFF0000u);
    EXPECT_EQ(canvas.At(15, 15), 0u);
    EXPECT_EQ(canvas.At(15, 72), 0u);

    // The chart's flip: the arc from 0 toward 90 degrees runs downward.
    canvas.Flip();
    const CGAffineTransform ctm = CGContextGetCTM(c);
    EXPECT_EQ(ctm.d, -1.0);
    EXPECT_EQ(ctm.ty, 80.0);
    qtest::SetFill(c, 0, 0, 1);
    CGContextBeginPath(c);
    CGContextMoveToPoint(c, 50, 40);
    CGContextAddArc(c, 50, 40, 30, 0, kPi / 2, 0);
    CGContextClosePath(c);
    CGContextFillPath(c);
    EXPECT_EQ(canvas.At(62, 52), 0xFF0000FFu);
    EXPECT_EQ(canvas.At(62, 28), 0u);
    EXPECT_EQ(canvas.At(38, 52), 0u);
    // Clockwise 1 from 0 to 90 degrees takes the other three quarters.
    qtest::SetFill(c, 0, 1, 0);
    CGContextBeginPath(c);
    CGContextMoveToPoint(c, 50, 40);
    CGContextAddArc(c, 50, 40, 30, 0, kPi / 2, 1);
    CGContextClosePath(c);
    CGContextFillPath(c);
    EXPECT_EQ(canvas.At(62, 52), 0xFF0000FFu);
    EXPECT_EQ(canvas.At(62, 28), 0xFF00FF00u);
    EXPECT_EQ(canvas.At(38, 52), 0xFF00FF00u);

    // Painting everything leaves the bytes past each row alone.
    CGContextFillRect(c, CGRectMake(-10, -10, 200, 200));
    EXPECT_EQ(canvas.At(99, 79), 0xFF00FF00u);
    for (int y = 0; y < 80; ++y)
        for (int i = 400; i < 416; ++i)
            ASSERT_EQ(canvas.bytes()[y * 416 + i], 0xAB) << "row " << y;
}

TEST(Quartz, ClipsAndLinearGradients)
{
    const CGFloat redToBlue[8] = {1, 0, 0, 1, 0, 0, 1, 1};
    CGGradientRef gradient = qtest::Gradient(redToBlue, nullptr, 2);
    const CGFloat reversed[2] = {1.0, 0.0};
    CGGradientRef backwards = qtest::Gradient(redToBlue, reversed, 2);

    qtest::Canvas clipped(200, 100, 800);
    CGContextRef c = clipped.context();
    clipped.Flip();
    CGContextSaveGState(c);
    CGContextClipToRect(c, CGRectMake(50, 20, 100, 60));
    CGContextDrawLinearGradient(c, gradient, CGPointMake(50, 0), CGPointMake(150, 0), 0);
    CGContextRestoreGState(c);
    EXPECT_EQ(clipped.At(40, 50), 0u);
    EXPECT_EQ(clipped.At(160, 50), 0u);
    EXPECT_EQ(clipped.At(100, 10), 0u);
    EXPECT_EQ(clipped.At(100, 85), 0u);
    EXPECT_GT(Red(clipped.At(51, 50)), 245u);
    EXPECT_LT(Blue(clipped.At(51, 50)), 10u);
    EXPECT_GT(Blue(clipped.At(148, 50)), 245u);
    EXPECT_NEAR(static_cast<double>(Red(clipped.At(100, 50))), 127.5, 3.0);
    EXPECT_EQ(Alpha(clipped.At(100, 50)), 0xFFu);
    // The restore ended the clip.
    qtest::SetFill(c, 0, 1, 0);
    CGContextFillRect(c, CGRectMake(0, 0, 10, 10));
    EXPECT_EQ(clipped.At(5, 5), 0xFF00FF00u);

    // Beyond the ends only where the options ask.
    struct Case {
        CGGradientDrawingOptions options;
        uint32_t left, right;
    } cases[] = {
        {0, 0u, 0u},
        {kCGGradientDrawsBeforeStartLocation | kCGGradientDrawsAfterEndLocation, 0xFFFF0000u, 0xFF0000FFu},
        {kCGGradientDrawsAfterEndLocation, 0u, 0xFF0000FFu},
        {kCGGradientDrawsBeforeStartLocation, 0xFFFF0000u, 0u},
    };
    for (const Case& k : cases) {
        qtest::Canvas canvas(200, 20, 800);
        canvas.Flip();
        CGContextDrawLinearGradient(canvas.context(), gradient, CGPointMake(50, 0), CGPointMake(150, 0),
                                    k.options);
        EXPECT_EQ(canvas.At(20, 10), k.left) << "options " << k.options;
        EXPECT_EQ(canvas.At(180, 10), k.right) << "options " << k.options;
        EXPECT_EQ(Alpha(canvas.At(100, 10)), 0xFFu);
    }
    // Locations given backwards: the first colour at the far end.
    qtest::Canvas canvas(200, 20, 800);
    CGContextDrawLinearGradient(canvas.context(), backwards, CGPointMake(50, 0), CGPointMake(150, 0), 0);
    EXPECT_GT(Blue(canvas.At(51, 10)), 245u);
    EXPECT_GT(Red(canvas.At(148, 10)), 245u);

    CGGradientRelease(gradient);
    CGGradientRelease(backwards);
}

TEST(Quartz, TransparencyLayerComposesItsDrawingAsOneImage)
{
    qtest::Canvas layered(60, 40, 240);
    CGContextRef c = layered.context();
    layered.Flip();
    CGContextSetAlpha(c, 0.5);
    qtest::SetFill(c, 1, 0, 0);
    CGContextBeginTransparencyLayer(c, nullptr);
    qtest::SetFill(c, 1, 0, 0);
    CGContextFillRect(c, CGRectMake(0, 0, 40, 40));
    CGContextFillRect(c, CGRectMake(20, 0, 40, 40));
    qtest::SetFill(c, 0, 1, 0);
    // Nothing drawn in the layer is in the picture before it ends.
    CGImageRef during = CGBitmapContextCreateImage(c);
    EXPECT_EQ(layered.At(30, 20), 0u);
    CGContextRestoreGState(c);   // no save inside the layer: nothing to undo
    CGContextEndTransparencyLayer(c);
    EXPECT_NEAR(static_cast<double>(Alpha(layered.At(10, 20))), 127.5, 1.0);
    EXPECT_EQ(layered.At(30, 20), layered.At(10, 20));
    EXPECT_EQ(layered.At(50, 20), layered.At(10, 20));
    // The end restored what the begin saved: the red fill, alpha 0.5.
    CGContextSetAlpha(c, 1.0);
    CGContextFillRect(c, CGRectMake(0, 0, 5, 5));
    EXPECT_EQ(layered.At(2, 2), 0xFFFF0000u);
    CGContextEndTransparencyLayer(c);   // none open: nothing
    ASSERT_NE(during, nullptr);
    EXPECT_EQ(CGImageGetWidth(during), 60u);
    CGImageRelease(during);

    // Without the layer the overlap is painted twice.
    qtest::Canvas plain(60, 40, 240);
    plain.Flip();
    CGContextSetAlpha(plain.context(), 0.5);
    qtest::SetFill(plain.context(), 1, 0, 0);
    CGContextFillRect(plain.context(), CGRectMake(0, 0, 40, 40));
    CGContextFillRect(plain.context(), CGRectMake(20, 0, 40, 40));
    EXPECT_GT(Alpha(plain.At(30, 20)), Alpha(plain.At(10, 20)) + 40);
}

TEST(Quartz, BitmapContextsTakeOnlyWhatTheyCanDraw)
{
    CGColorSpaceRef rgb = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
    CGColorSpaceRef device = CGColorSpaceCreateDeviceRGB();
    EXPECT_EQ(rgb, device);   // one RGB space
    std::vector<unsigned char> buffer(416 * 10);
    const uint32_t premultipliedLast = kCGImageAlphaPremultipliedLast;
    EXPECT_EQ(CGBitmapContextCreate(buffer.data(), 100, 10, 8, 396, rgb, premultipliedLast), nullptr);
    EXPECT_EQ(CGBitmapContextCreate(buffer.data(), 100, 10, 8, 402, rgb, premultipliedLast), nullptr);
    EXPECT_EQ(CGBitmapContextCreate(buffer.data(), 100, 10, 16, 416, rgb, premultipliedLast), nullptr);
    EXPECT_EQ(CGBitmapContextCreate(buffer.data(), 0, 10, 8, 416, rgb, premultipliedLast), nullptr);
    EXPECT_EQ(CGBitmapContextCreate(nullptr, 40000, 10, 8, 0, rgb, premultipliedLast), nullptr);
    EXPECT_EQ(CGBitmapContextCreate(buffer.data(), 100, 10, 8, 416, nullptr, premultipliedLast), nullptr);
    EXPECT_EQ(CGBitmapContextCreate(buffer.data(), 100, 10, 8, 416, rgb, kCGImageAlphaLast), nullptr);
    // Without a buffer the context makes its own, rows rounded up to 16 bytes.
    for (auto [width, rowBytes] : {std::pair<size_t, size_t>{1, 16}, {4, 16}, {5, 32}, {100, 400}}) {
        CGContextRef own = CGBitmapContextCreate(nullptr, width, 3, 8, 0, rgb, premultipliedLast);
        ASSERT_NE(own, nullptr);
        EXPECT_EQ(CGBitmapContextGetBytesPerRow(own), rowBytes);
        EXPECT_NE(CGBitmapContextGetData(own), nullptr);
        CGContextRelease(own);
    }
    // Failure injection for the callers' error paths: one refusal, then as before.
    macsetup::FailCalls("CGBitmapContextCreate");
    CGContextRef refused = CGBitmapContextCreate(buffer.data(), 100, 10, 8, 416, rgb, premultipliedLast);
    EXPECT_EQ(refused, nullptr);
    // A null context takes every call and does nothing, as Quartz does.
    CGContextTranslateCTM(refused, 0, 10);
    CGContextSaveGState(refused);
    CGContextBeginTransparencyLayer(refused, nullptr);
    CGContextClearRect(refused, CGRectMake(0, 0, 100, 10));
    CGContextMoveToPoint(refused, 0, 0);
    CGContextAddArc(refused, 0, 0, 1, 0, 1, 0);
    CGContextFillPath(refused);
    CGContextEndTransparencyLayer(refused);
    CGContextRestoreGState(refused);
    EXPECT_TRUE(CGAffineTransformIsIdentity(CGContextGetCTM(refused)));
    EXPECT_EQ(CGBitmapContextCreateImage(refused), nullptr);
    CGContextRef again = CGBitmapContextCreate(buffer.data(), 100, 10, 8, 416, rgb, premultipliedLast);
    EXPECT_NE(again, nullptr);
    // Retained and released like any Core Foundation object.
    CGContextRetain(again);
    EXPECT_EQ(CFGetRetainCount(again), 2);
    CGContextRelease(again);
    CGContextRelease(again);
    CGContextRelease(nullptr);
    CGColorRelease(nullptr);
    CGColorSpaceRelease(rgb);
    CGColorSpaceRelease(device);
}

TEST(Quartz, ColoursAreClampedAndKeepTheirSpace)
{
    CGColorSpaceRef rgb = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
    const CGFloat components[4] = {0.25, 1.5, -0.5, 1.0};
    CGColorRef color = CGColorCreate(rgb, components);
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(CGColorGetNumberOfComponents(color), 4u);
    const CGFloat* got = CGColorGetComponents(color);
    EXPECT_EQ(got[0], 0.25);
    EXPECT_EQ(got[1], 1.0);
    EXPECT_EQ(got[2], 0.0);
    EXPECT_EQ(CGColorGetColorSpace(color), rgb);
    EXPECT_EQ(CGColorCreate(nullptr, components), nullptr);
    EXPECT_EQ(CGColorSpaceCreateWithName(nullptr), nullptr);
    CGColorRelease(color);
    CGColorSpaceRelease(rgb);
}

TEST(Quartz, RecordingWritesThePicturesGeometry)
{
    qtest::Canvas canvas(200, 100, 800);
    CGContextRef c = canvas.context();
    canvas.Flip();
    pvquartz::Recording recording;

    CGContextSaveGState(c);
    CGContextSetLineWidth(c, 2.0);
    const CGFloat dash[2] = {0.5, 1.0};
    CGContextSetLineDash(c, 0.0, dash, 2);
    CGContextSetLineJoin(c, kCGLineJoinRound);
    CGContextSetRGBStrokeColor(c, 0.2, 0.4, 0.6, 1.0);
    CGContextBeginPath(c);
    CGContextMoveToPoint(c, 10, 20);
    CGContextAddLineToPoint(c, 30, 40);
    CGContextStrokePath(c);
    CGContextRestoreGState(c);

    // A pie slice as the chart builds it: a unit circle under a scale.
    CGContextSaveGState(c);
    CGContextTranslateCTM(c, 100, 50);
    CGContextScaleCTM(c, 40, 20);
    CGContextMoveToPoint(c, 0, 0);
    CGContextAddArc(c, 0, 0, 1.0, 0, kPi / 2, 0);
    CGContextClosePath(c);
    const CGFloat shadeToColour[8] = {0.7, 0, 0, 1, 1, 0, 0, 1};
    const CGFloat locations[2] = {1.0, 0.0};
    CGGradientRef gradient = qtest::Gradient(shadeToColour, locations, 2);
    CGContextClip(c);
    CGContextDrawLinearGradient(c, gradient, CGPointMake(1, 1), CGPointMake(-1, -1), 0);
    CGContextRestoreGState(c);

    CGContextSetShouldAntialias(c, false);
    qtest::SetFill(c, 1, 0, 0);
    CGContextFillRect(c, CGRectMake(5, 6, 7, 8));
    CGContextClearRect(c, CGRectMake(0, 0, 200, 100));
    CGContextBeginTransparencyLayer(c, nullptr);
    CGContextEndTransparencyLayer(c);

    const std::vector<std::string> expected = {
        "StrokePath color=rgba(0.200,0.400,0.600,1.000) width=2.00 cap=butt join=round "
        "dash=(0.00;0.50,1.00) path=M(10.00,20.00);L(30.00,40.00) aa=on",
        "Clip rule=winding path=M(100.00,50.00);L(140.00,50.00);"
        "A(100.00,50.00,40.00,20.00,0.00,90.00,+);Z",
        "DrawLinearGradient from=(140.00,70.00) to=(60.00,30.00) "
        "stops=1.00:rgba(0.700,0.000,0.000,1.000);0.00:rgba(1.000,0.000,0.000,1.000) options=0 "
        "xf=(40.00,0.00,0.00,20.00,100.00,50.00) aa=on",
        "FillRect color=rgba(1.000,0.000,0.000,1.000) rect=(5.00,6.00,7.00,8.00) aa=off",
        "ClearRect rect=(0.00,0.00,200.00,100.00) aa=off",
        "BeginTransparencyLayer",
        "EndTransparencyLayer",
    };
    EXPECT_EQ(recording.Lines(), expected);
    CGGradientRelease(gradient);

    // Nested recordings: the inner one takes the lines while it lives.
    {
        pvquartz::Recording inner;
        CGContextFillRect(c, CGRectMake(0, 0, 1, 1));
        EXPECT_EQ(inner.Lines().size(), 1u);
    }
    EXPECT_EQ(recording.Lines().size(), expected.size());
    EXPECT_EQ(pvquartz::Recording::Active(), &recording);
}

TEST(Quartz, ArcsUnderOtherTransformsAreWrittenOnThePicture)
{
    qtest::Canvas canvas(100, 100, 400);
    CGContextRef c = canvas.context();
    pvquartz::Recording recording;
    // Unflipped (y up): the arc turns the other way on the picture.
    CGContextBeginPath(c);
    CGContextAddArc(c, 50, 50, 10, 0, kPi / 2, 0);
    CGContextStrokePath(c);
    // Rotated: Bezier pieces.
    CGContextRotateCTM(c, 0.5);
    CGContextBeginPath(c);
    CGContextAddArc(c, 50, 50, 10, 0, kPi / 2, 0);
    CGContextStrokePath(c);
    ASSERT_EQ(recording.Lines().size(), 2u);
    EXPECT_NE(recording.Lines()[0].find("path=A(50.00,50.00,10.00,10.00,0.00,-90.00,-) "),
              std::string::npos)
        << recording.Lines()[0];
    EXPECT_NE(recording.Lines()[1].find("path=C("), std::string::npos) << recording.Lines()[1];
    EXPECT_EQ(recording.Lines()[1].find("A("), std::string::npos);
}

} // namespace

namespace {

// One dashed line on a fresh canvas; `tilt` takes it off the pixel axes by
// a rotation too small to move it.
std::vector<uint32_t> DashedLine(CGPoint from, CGPoint to, CGFloat width, std::vector<CGFloat> dash,
                                 CGFloat phase, bool antialias, bool tilt)
{
    qtest::Canvas canvas(120, 120, 480);
    CGContextRef c = canvas.context();
    canvas.Flip();
    if (tilt)
        CGContextRotateCTM(c, 1e-12);
    CGContextSetShouldAntialias(c, antialias);
    CGContextSetLineWidth(c, width);
    CGContextSetLineDash(c, phase, dash.data(), dash.size());
    CGContextSetRGBStrokeColor(c, 0, 0, 0, 1);
    CGContextBeginPath(c);
    CGContextMoveToPoint(c, from.x, from.y);
    CGContextAddLineToPoint(c, to.x, to.y);
    CGContextStrokePath(c);
    std::vector<uint32_t> alpha;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 120; ++x)
            alpha.push_back(canvas.At(x, y) >> 24);
    return alpha;
}

TEST(Quartz, DashedLinesAlongTheAxesCoverWhatTheGeneralStrokeCovers)
{
    struct Case {
        CGPoint from, to;
        CGFloat width;
        std::vector<CGFloat> dash;
        CGFloat phase;
    } cases[] = {
        {{10, 40}, {110, 40}, 1.0, {0.5, 1.0}, 0.0},        // the chart's grid
        {{110, 20.3}, {10.2, 20.3}, 3.0, {4.0, 2.5}, 1.7},  // backwards, off the pixel grid
        {{30.5, 5}, {30.5, 115}, 2.0, {2.0}, 0.5},           // vertical, one length: on and off alike
        {{60, 100}, {60, 10}, 1.0, {0.5, 1.0, 3.0}, 2.0},    // odd count, upward
    };
    for (const Case& k : cases) {
        const auto fast = DashedLine(k.from, k.to, k.width, k.dash, k.phase, true, false);
        const auto general = DashedLine(k.from, k.to, k.width, k.dash, k.phase, true, true);
        double fastSum = 0, generalSum = 0;
        uint32_t worst = 0;
        for (size_t i = 0; i < fast.size(); ++i) {
            fastSum += fast[i];
            generalSum += general[i];
            worst = std::max(worst, fast[i] > general[i] ? fast[i] - general[i] : general[i] - fast[i]);
        }
        EXPECT_GT(generalSum, 0.0);
        EXPECT_NEAR(fastSum, generalSum, 0.02 * generalSum) << "width " << k.width;
        EXPECT_LE(worst, 40u) << "width " << k.width;
    }
    // Aliased: the pixels whose centres lie in a dash, for the grid's pattern.
    const auto aliased = DashedLine({10, 40}, {110, 40}, 1.0, {0.5, 1.0}, 0.0, false, false);
    for (int x = 0; x < 120; ++x) {
        const double along = x + 0.5 - 10;
        const bool dash = along >= 0 && along < 100 && std::fmod(along, 1.5) < 0.5;
        EXPECT_EQ(aliased[static_cast<size_t>(39 * 120 + x)], dash ? 255u : 0u) << "x " << x;
        EXPECT_EQ(aliased[static_cast<size_t>(40 * 120 + x)], 0u) << "x " << x;
    }
}

// Under a shaped clip an opaque gradient is painted through the clip's
// outline, covered by area, by our own loop; in a layer, cairo paints it.
// Both agree within a level inside the clip and within cairo's sampling on
// its rim, and nothing outside the clip changes.
TEST(Quartz, GradientsUnderShapedClipsAgreeWithCairos)
{
    const CGFloat greenToPurple[12] = {0.1, 0.8, 0.2, 1, 0.9, 0.9, 0.1, 1, 0.5, 0.1, 0.6, 1};
    const CGFloat locations[3] = {0.0, 0.4, 1.0};
    CGGradientRef gradient = qtest::Gradient(greenToPurple, locations, 3);
    auto draw = [&](bool layer, CGGradientDrawingOptions options, bool rectFirst, bool aliased) {
        qtest::Canvas canvas(160, 120, 640);
        CGContextRef c = canvas.context();
        canvas.Flip();
        CGContextSetShouldAntialias(c, !aliased);
        qtest::SetFill(c, 1, 1, 1);
        CGContextFillRect(c, CGRectMake(0, 0, 160, 120));
        if (layer)
            CGContextBeginTransparencyLayer(c, nullptr);
        CGContextSaveGState(c);
        if (rectFirst)
            CGContextClipToRect(c, CGRectMake(0, 0, 160, 120));
        CGContextTranslateCTM(c, 80, 60);
        CGContextScaleCTM(c, 70, 40);
        CGContextBeginPath(c);
        CGContextMoveToPoint(c, 0, 0);
        CGContextAddArc(c, 0, 0, 1.0, 0.3, 4.0, 0);
        CGContextClosePath(c);
        CGContextClip(c);
        CGContextDrawLinearGradient(c, gradient, CGPointMake(0.6, 0.6), CGPointMake(-0.6, -0.6), options);
        CGContextRestoreGState(c);
        if (layer)
            CGContextEndTransparencyLayer(c);
        return canvas.All();
    };
    // Clipped to a rectangle first, the clip is no longer one outline; an
    // aliased clip, or padding on one side only (a half-plane cut away),
    // is cairo's: the coverage comes from cairo's mask.
    const CGGradientDrawingOptions both = kCGGradientDrawsBeforeStartLocation | kCGGradientDrawsAfterEndLocation;
    const struct {
        bool rectFirst, aliased;
        CGGradientDrawingOptions options;
    } cases[] = {{false, false, 0}, {false, false, both}, {true, false, 0}, {true, false, both},
                 {false, true, 0}, {false, false, kCGGradientDrawsAfterEndLocation}};
    for (const auto& k : cases) {
        const CGGradientDrawingOptions options = k.options;
        const bool masked = k.rectFirst || k.aliased || options == kCGGradientDrawsAfterEndLocation;
        const auto ours = draw(false, options, k.rectFirst, k.aliased);
        const auto cairos = draw(true, options, k.rectFirst, k.aliased);
        const auto white = [&](int x, int y) {
            return x < 0 || y < 0 || x >= 160 || y >= 120 || ours[static_cast<std::size_t>(y * 160 + x)] == 0xFFFFFFFFu;
        };
        std::size_t painted = 0;
        unsigned inside = 0, edge = 0;
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x) {
                const std::size_t i = static_cast<std::size_t>(y * 160 + x);
                if (white(x, y))
                    continue;
                ++painted;
                const unsigned difference = qtest::ChannelDifference(ours[i], cairos[i]);
                // The rim: partly covered pixels lie within two of an
                // uncovered one.
                bool onEdge = false;
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx)
                        onEdge = onEdge || white(x + dx, y + dy);
                (onEdge ? edge : inside) = std::max(onEdge ? edge : inside, difference);
            }
        EXPECT_GT(painted, 3000u) << "options " << options;
        EXPECT_LE(inside, 1u) << "options " << options;
        // The outline is covered by area, cairo samples 15 rows a pixel;
        // through the mask the layer rounds once more.
        EXPECT_LE(edge, masked ? 2u : 16u) << "options " << options;
        // Well outside the slice (the gap between its ends) stays white.
        EXPECT_EQ(ours[static_cast<std::size_t>(60 * 160 + 150)], 0xFFFFFFFFu);
    }
    CGGradientRelease(gradient);

    // A gradient far shorter than a pixel, padded both ways, at the clip's
    // corner: the places along it are large and cancel, and every covered
    // pixel still takes one of its two colours.
    const CGFloat blackToWhite[8] = {0, 0, 0, 1, 1, 1, 1, 1};
    const CGFloat ends[2] = {0.0, 1.0};
    CGGradientRef tiny = qtest::Gradient(blackToWhite, ends, 2);
    qtest::Canvas canvas(200, 100, 800);
    CGContextRef c = canvas.context();
    canvas.Flip();
    CGContextBeginPath(c);
    CGContextMoveToPoint(c, 19, 5);
    CGContextAddLineToPoint(c, 150, 5);
    CGContextAddLineToPoint(c, 150, 95);
    CGContextAddLineToPoint(c, 19, 60);
    CGContextClosePath(c);
    CGContextClip(c);
    CGContextDrawLinearGradient(c, tiny, CGPointMake(149.49999999999818, 5.50000000000129),
                                CGPointMake(149.50000000000023, 5.499999999999839), both);
    CGGradientRelease(tiny);
    for (const auto& [x, y] : {std::pair{149, 5}, std::pair{19, 5}, std::pair{100, 50}, std::pair{30, 58}})
        EXPECT_EQ(canvas.At(x, y) >> 24, 255u) << x << "," << y;
}

// Smoothed strokes of a curve that bends gently one way (arcs of ellipses)
// are covered by area; in a layer cairo strokes them. Both ink the same
// pixels within cairo's sampling and as much in all; a curve bending
// tighter than its half width is cairo's in both.
TEST(Quartz, SmoothArcStrokesAgreeWithCairos)
{
    struct Case {
        double rx, ry, a0, a1, width, alpha;
        bool ours;   // covered by area outside the layer
    };
    const Case cases[] = {
        {70, 35, 0.2, 5.9, 2.0, 1.0, true},
        {55, 50, -1.0, 2.5, 1.0, 0.6, true},
        {72, 22, 0.0, 2 * M_PI, 3.0, 1.0, true},
        {50, 4, 0.0, 3.0, 5.0, 1.0, false},
    };
    auto draw = [](const Case& k, bool layer) {
        qtest::Canvas canvas(160, 120, 640);
        CGContextRef c = canvas.context();
        canvas.Flip();
        qtest::SetFill(c, 1, 1, 1);
        CGContextFillRect(c, CGRectMake(0, 0, 160, 120));
        if (layer)
            CGContextBeginTransparencyLayer(c, nullptr);
        CGContextSetRGBStrokeColor(c, 0.1, 0.2, 0.6, k.alpha);
        CGContextSetLineWidth(c, k.width);
        CGContextBeginPath(c);
        CGContextSaveGState(c);
        CGContextTranslateCTM(c, 80.3, 60.6);
        CGContextScaleCTM(c, k.rx, k.ry);
        CGContextMoveToPoint(c, std::cos(k.a0), std::sin(k.a0));
        CGContextAddArc(c, 0, 0, 1.0, k.a0, k.a1, 0);
        CGContextRestoreGState(c);
        CGContextStrokePath(c);
        if (layer)
            CGContextEndTransparencyLayer(c);
        return canvas.All();
    };
    for (const Case& k : cases) {
        const auto ours = draw(k, false), cairos = draw(k, true);
        unsigned largest = 0;
        double inkOurs = 0.0, inkCairo = 0.0;
        for (std::size_t i = 0; i < ours.size(); ++i) {
            largest = std::max(largest, qtest::ChannelDifference(ours[i], cairos[i]));
            inkOurs += 255 - (ours[i] & 0xFF);
            inkCairo += 255 - (cairos[i] & 0xFF);
        }
        EXPECT_GT(inkCairo, 255.0 * 40) << k.rx << "," << k.ry;
        EXPECT_LE(largest, k.ours ? 20u : 2u) << k.rx << "," << k.ry;
        EXPECT_NEAR(inkOurs, inkCairo, 0.02 * inkCairo) << k.rx << "," << k.ry;
        if (k.ours) {
            EXPECT_NE(ours, cairos) << "covered by area: not cairo's own pixels";
        }
    }
    // A polyline bending gently one way: its ends stay square to its end
    // segments.
    auto polyline = [](bool layer) {
        qtest::Canvas canvas(200, 120, 800);
        CGContextRef c = canvas.context();
        qtest::SetFill(c, 1, 1, 1);
        CGContextFillRect(c, CGRectMake(0, 0, 200, 120));
        if (layer)
            CGContextBeginTransparencyLayer(c, nullptr);
        CGContextSetRGBStrokeColor(c, 0.1, 0.2, 0.6, 1.0);
        CGContextSetLineWidth(c, 8.0);
        CGContextMoveToPoint(c, 10, 60);
        CGContextAddLineToPoint(c, 100, 48);
        CGContextAddLineToPoint(c, 190, 60);
        CGContextStrokePath(c);
        if (layer)
            CGContextEndTransparencyLayer(c);
        return canvas.All();
    };
    const auto ours = polyline(false), cairos = polyline(true);
    unsigned largest = 0;
    for (std::size_t i = 0; i < ours.size(); ++i)
        largest = std::max(largest, qtest::ChannelDifference(ours[i], cairos[i]));
    EXPECT_LE(largest, 20u);
}

// Aliased opaque dashes are written straight into the pixels: cut to the
// clip, and the same as cairo's fill where they cannot be (translucent, in a
// layer).
TEST(Quartz, AliasedDashesKeepToTheClipAndTheLayer)
{
    auto draw = [](bool clip, double alpha, bool layer) {
        qtest::Canvas canvas(120, 60, 480);
        CGContextRef c = canvas.context();
        canvas.Flip();
        if (clip)
            CGContextClipToRect(c, CGRectMake(0, 0, 50, 60));
        if (layer)
            CGContextBeginTransparencyLayer(c, nullptr);
        CGContextSetShouldAntialias(c, false);
        const CGFloat dash[] = {0.5, 1.0};
        CGContextSetLineDash(c, 0.0, dash, 2);
        CGContextSetRGBStrokeColor(c, 0.2, 0.4, 0.6, alpha);
        CGContextBeginPath(c);
        CGContextMoveToPoint(c, 10, 20);
        CGContextAddLineToPoint(c, 110, 20);
        CGContextStrokePath(c);
        if (layer)
            CGContextEndTransparencyLayer(c);
        return canvas.All();
    };
    const auto whole = draw(false, 1.0, false);
    const auto clipped = draw(true, 1.0, false);
    std::size_t painted = 0;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        painted += whole[i] != 0;
        EXPECT_EQ(clipped[i], i % 120 < 50 ? whole[i] : 0u) << "pixel " << i;
    }
    EXPECT_GT(painted, 30u);
    // In a layer the opaque dashes come out the same; translucent ones are
    // painted by cairo, on the same pixels.
    EXPECT_EQ(draw(false, 1.0, true), whole);
    const auto faint = draw(false, 0.5, false);
    for (std::size_t i = 0; i < whole.size(); ++i)
        EXPECT_EQ(faint[i] != 0, whole[i] != 0) << "pixel " << i;
}

// The picture's pixels after `draw` on a flipped 320 x 240 canvas.
template <class Draw>
std::vector<uint32_t> Drawn(Draw&& draw)
{
    qtest::Canvas canvas(320, 240, 320 * 4);
    canvas.Flip();
    draw(canvas.context());
    return canvas.All();
}

void AddEllipseArc(CGContextRef c, CGFloat x, CGFloat y, CGFloat rx, CGFloat ry, CGFloat a0, CGFloat a1)
{
    CGContextSaveGState(c);
    CGContextTranslateCTM(c, x, y);
    CGContextScaleCTM(c, rx, ry);
    CGContextMoveToPoint(c, std::cos(a0), std::sin(a0));
    CGContextAddArc(c, 0, 0, 1.0, a0, a1, 0);
    CGContextRestoreGState(c);
}

TEST(Quartz, AliasedStacksOfRowsPaintWhatEachRowPaints)
{
    // A pie's side: the lower half of an ellipse, one row lower per copy,
    // off the pixel grid; with a thin and a thick pen, in a half-transparent
    // colour too (each pixel is painted once either way). The path is
    // stroked as built, or after the context had to hand it over whole (an
    // image taken of it), through a clip, or with rows half a pixel apart (not
    // copies of each other then).
    enum Way { kBuilt, kHandedOver, kClipped, kUneven };
    for (const CGFloat width : {1.0, 3.0}) {
        for (const CGFloat alpha : {1.0, 0.5}) {
            for (const Way way : {kBuilt, kHandedOver, kClipped, kUneven}) {
                auto stack = [&](bool oneStroke) {
                    return Drawn([&](CGContextRef c) {
                        CGContextSetShouldAntialias(c, false);
                        CGContextSetLineWidth(c, width);
                        CGContextSetRGBStrokeColor(c, 0.2, 0.4, 0.8, alpha);
                        if (way == kClipped)
                            CGContextClipToRect(c, CGRectMake(40.0, 60.0, 200.0, 120.0));
                        CGContextBeginPath(c);
                        for (int row = 0; row <= 40; ++row) {
                            const CGFloat y = way == kUneven ? 90.3 + row * 0.5 : 90.5 + row;
                            AddEllipseArc(c, 160.25, y, 140.2, 60.7, 0.1, kPi - 0.1);
                            if (!oneStroke) {
                                // Each row its own stroke, where the rows
                                // overlap painted over and over: only for
                                // opaque colours.
                                CGContextStrokePath(c);
                                CGContextBeginPath(c);
                            }
                        }
                        if (way == kHandedOver)
                            CGImageRelease(CGBitmapContextCreateImage(c));
                        CGContextStrokePath(c);
                    });
                };
                const auto fast = stack(true);
                if (alpha == 1.0) {
                    EXPECT_EQ(fast, stack(false)) << "width " << width << ", way " << way;
                } else {
                    // Translucent: painted once, so every painted pixel has
                    // the same value.
                    uint32_t painted = 0;
                    size_t count = 0;
                    for (uint32_t p : fast) {
                        if (!p)
                            continue;
                        EXPECT_TRUE(!painted || p == painted) << "way " << way;
                        painted = p;
                        ++count;
                    }
                    EXPECT_GT(count, way == kClipped ? 2000u : 5000u) << "way " << way;
                }
            }
        }
    }
}

TEST(Quartz, ThinnedPolylinesFollowTheirFigure)
{
    // A circle walked in half-pixel steps (thousands of joins) against the
    // same circle drawn as an arc: within what flattening and thinning move.
    auto circle = [](bool polyline) {
        return Drawn([&](CGContextRef c) {
            CGContextSetLineWidth(c, 2.0);
            CGContextSetRGBStrokeColor(c, 0, 0, 0, 1);
            CGContextBeginPath(c);
            const int steps = 2400;
            CGContextMoveToPoint(c, 160 + 100.3, 120.4);
            if (polyline) {
                for (int i = 1; i <= steps; ++i) {
                    const double t = 2 * kPi * i / steps;
                    CGContextAddLineToPoint(c, 160 + 100.3 * std::cos(t), 120.4 + 100.3 * std::sin(t));
                }
            } else {
                CGContextAddArc(c, 160, 120.4, 100.3, 0, 2 * kPi, 0);
            }
            CGContextStrokePath(c);
        });
    };
    const auto thinned = circle(true), arc = circle(false);
    double thinnedSum = 0, arcSum = 0;
    uint32_t worst = 0;
    for (size_t i = 0; i < arc.size(); ++i) {
        thinnedSum += Alpha(thinned[i]);
        arcSum += Alpha(arc[i]);
        const uint32_t a = Alpha(thinned[i]), b = Alpha(arc[i]);
        worst = std::max(worst, a > b ? a - b : b - a);
    }
    EXPECT_GT(arcSum, 0.0);
    EXPECT_NEAR(thinnedSum, arcSum, 0.01 * arcSum);
    EXPECT_LE(worst, 24u);
}

} // namespace
