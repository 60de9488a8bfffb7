// The macOS flavour's drawing stand-ins: a 640 x 480 chart-like picture
// drawn through CoreGraphics and AppKit, and its PNG and JPEG through
// ImageIO beside the shared encoder called directly.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "platform/appkit/AppKit.h"
#include "platform/common/Encoders.h"
#include "platform/quartz/Quartz.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr size_t kRowBytes = (kWidth * 4 + 15) & ~size_t(15);

struct Picture {
    std::vector<unsigned char> bytes = std::vector<unsigned char>(kRowBytes * kHeight);
    CGContextRef context = nullptr;
    Picture()
    {
        CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
        context = CGBitmapContextCreate(bytes.data(), kWidth, kHeight, 8, kRowBytes, space,
                                        kCGImageAlphaPremultipliedLast);
        CGContextTranslateCTM(context, 0, kHeight);
        CGContextScaleCTM(context, 1.0, -1.0);
    }
    ~Picture() { CGContextRelease(context); }
};

// Bars, a dashed grid, pie slices and labels, each in the frames the
// chart's drawing context runs them in.
void Draw(CGContextRef c)
{
    CGContextClearRect(c, CGRectMake(0, 0, kWidth, kHeight));
    CGContextSetRGBFillColor(c, 1, 1, 1, 1);
    CGContextFillRect(c, CGRectMake(0, 0, kWidth, kHeight));
    NSAutoreleasePool* pool = NSAutoreleasePool::alloc()->init();
    for (int i = 0; i < 12; ++i) {
        CGContextSaveGState(c);
        NSGraphicsContext::saveGraphicsState();
        NSGraphicsContext::setCurrentContext(NSGraphicsContext::graphicsContextWithGraphicsPort_flipped(c, NO));
        NSBezierPath* grid = NSBezierPath::alloc()->init();
        const CGFloat dash[2] = {0.5, 1.0};
        grid->setLineDash_count_phase(dash, 2, 0.0);
        NSColor::colorWithCalibratedRed_green_blue_alpha(0.7, 0.7, 0.7, 1)->set();
        grid->moveToPoint(NSMakePoint(40, 40 + i * 30));
        grid->lineToPoint(NSMakePoint(600, 40 + i * 30));
        grid->stroke();
        NSGraphicsContext::restoreGraphicsState();
        CGContextRestoreGState(c);
        grid->release();
    }
    for (int i = 0; i < 36; ++i) {
        CGContextSaveGState(c);
        NSGraphicsContext::saveGraphicsState();
        NSGraphicsContext::setCurrentContext(NSGraphicsContext::graphicsContextWithGraphicsPort_flipped(c, NO));
        NSBezierPath* bar = NSBezierPath::bezierPath();
        NSColor::colorWithCalibratedRed_green_blue_alpha(0.2 + 0.02 * i, 0.4, 0.8 - 0.02 * i, 1)->set();
        bar->appendBezierPathWithRect(NSMakeRect(45 + i * 15, 400 - (i * 37) % 300, 12, (i * 37) % 300));
        bar->fill();
        NSGraphicsContext::restoreGraphicsState();
        CGContextRestoreGState(c);
    }
    CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
    for (int i = 0; i < 6; ++i) {
        const CGFloat components[8] = {0.5, 0.1 * i, 0.3, 1, 0.9, 0.15 * i, 0.4, 1};
        const CGFloat locations[2] = {1.0, 0.0};
        CGGradientRef gradient = CGGradientCreateWithColorComponents(space, components, locations, 2);
        CGContextSaveGState(c);
        CGContextBeginPath(c);
        CGContextTranslateCTM(c, 520, 120);
        CGContextScaleCTM(c, 80, 60);
        CGContextMoveToPoint(c, 0, 0);
        CGContextAddArc(c, 0, 0, 1.0, i * 1.0472f, (i + 1) * 1.0472f, 0);
        CGContextClosePath(c);
        CGContextClip(c);
        CGContextDrawLinearGradient(c, gradient, CGPointMake(1, 1), CGPointMake(-1, -1), 0);
        CGContextRestoreGState(c);
        CGGradientRelease(gradient);
    }
    CGColorSpaceRelease(space);
    NSFont* font = NSFont::fontWithName_size(NSSTR("Arial"), 10);
    for (int i = 0; i < 30; ++i) {
        NSAutoreleasePool* inner = NSAutoreleasePool::alloc()->init();
        CGContextSaveGState(c);
        NSGraphicsContext::saveGraphicsState();
        NSGraphicsContext::setCurrentContext(NSGraphicsContext::graphicsContextWithGraphicsPort_flipped(c, YES));
        NSMutableDictionary* attributes = NSMutableDictionary::dictionaryWithObject_forKey(font, NSFontAttributeName);
        attributes->setObject_forKey(NSColor::blackColor(), NSForegroundColorAttributeName);
        NSString* text = NSString::stringWithFormat(NSSTR("Label %d"), i % 12);
        const NSSize size = text->sizeWithAttributes(attributes);
        text->drawAtPoint_withAttributes(NSMakePoint(20 + (i % 12) * 50 - size.width / 2, 450 - size.height / 2),
                                         attributes);
        NSGraphicsContext::restoreGraphicsState();
        CGContextRestoreGState(c);
        inner->release();
    }
    pool->release();
}

void BM_QuartzDrawChart(benchmark::State& state)
{
    Picture picture;
    for (auto _ : state)
        Draw(picture.context);
}
BENCHMARK(BM_QuartzDrawChart)->Unit(benchmark::kMillisecond);

void Encode(benchmark::State& state, CFStringRef type)
{
    Picture picture;
    Draw(picture.context);
    size_t bytes = 0;
    for (auto _ : state) {
        CGImageRef image = CGBitmapContextCreateImage(picture.context);
        CFMutableDataRef data = CFDataCreateMutable(nullptr, 0);
        CGImageDestinationRef destination = CGImageDestinationCreateWithData(data, type, 1, nullptr);
        CGImageDestinationAddImage(destination, image, nullptr);
        CGImageDestinationFinalize(destination);
        bytes = static_cast<size_t>(CFDataGetLength(data));
        CFRelease(destination);
        CGImageRelease(image);
        CFRelease(data);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_ImageIOPng(benchmark::State& state) { Encode(state, kUTTypePNG); }
BENCHMARK(BM_ImageIOPng)->Unit(benchmark::kMillisecond);

void BM_ImageIOJpeg(benchmark::State& state) { Encode(state, kUTTypeJPEG); }
BENCHMARK(BM_ImageIOJpeg)->Unit(benchmark::kMillisecond);

// The shared PNG writer on the same pixels, without ImageIO around it.
void BM_SharedPngWriter(benchmark::State& state)
{
    Picture picture;
    Draw(picture.context);
    pvcommon::image::Pixels pixels;
    pixels.data = picture.bytes.data();
    pixels.stride = kRowBytes;
    pixels.width = kWidth;
    pixels.height = kHeight;
    struct Sink : pvcommon::image::ByteSink {
        bool Write(const void* data, std::size_t size) override
        {
            bytes.insert(bytes.end(), static_cast<const unsigned char*>(data),
                         static_cast<const unsigned char*>(data) + size);
            return true;
        }
        std::vector<unsigned char> bytes;
    };
    size_t bytes = 0;
    for (auto _ : state) {
        Sink sink;
        pvcommon::image::EncodePng(pixels, &sink);
        bytes = sink.bytes.size();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SharedPngWriter)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
