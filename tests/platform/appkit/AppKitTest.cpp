// The Foundation/AppKit stand-in: reference counting and pools, exceptions
// where Cocoa raises, strings and formats, text at 72 dpi, the drawing
// frames as the chart's drawing context runs them.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/appkit/AppKit.h"
#include "platform/quartz/Recording.h"
#include "quartz/Pictures.h"

namespace {

// A pool for the test's autoreleased objects.
class Pool {
public:
    Pool() : pool_(NSAutoreleasePool::alloc()->init()) {}
    ~Pool() { pool_->release(); }

private:
    NSAutoreleasePool* pool_;
};

std::string Name(const NSException& e) { return e.name()->UTF8String(); }

TEST(AppKit, ReferenceCountingAndNestedAutoreleasePools)
{
    const long before = NSObject::LiveObjects();
    NSAutoreleasePool* outer = NSAutoreleasePool::alloc()->init();
    NSString* kept = NSString::alloc()->initWithUTF8String("kept");
    NSString* temp = NSString::stringWithUTF8String("temp");
    temp->retain();
    EXPECT_EQ(temp->retainCount(), 2u);
    NSAutoreleasePool::alloc()->init();   // left to the outer pool
    for (int i = 0; i < 1000; ++i)
        NSString::stringWithFormat(NSSTR("%d"), i);
    NSObject* twice = NSObject::alloc()->init();
    twice->retain();
    twice->autorelease();
    twice->autorelease();
    const char* bytes = temp->UTF8String();
    EXPECT_STREQ(bytes, "temp");
    // kept, temp, two pools, 1000 strings, twice, the UTF-8 bytes.
    EXPECT_EQ(NSObject::LiveObjects(), before + 1006);
    outer->release();   // the inner pool first, then everything once per autorelease
    EXPECT_EQ(temp->retainCount(), 1u);
    EXPECT_EQ(NSObject::LiveObjects(), before + 2);
    temp->release();
    kept->release();
    EXPECT_EQ(NSObject::LiveObjects(), before);
}

TEST(AppKit, MisuseRaisesNSExceptionAndLeaksNothing)
{
    const long before = NSObject::LiveObjects();
    {
        Pool pool;
        try {
            NSString::alloc()->initWithUTF8String(nullptr);
            ADD_FAILURE() << "no exception";
        } catch (const NSException& e) {
            EXPECT_EQ(Name(e), "NSInvalidArgumentException");
        }
        NSString* abc = NSSTR("abc");
        try {
            abc->characterAtIndex(3);
            ADD_FAILURE() << "no exception";
        } catch (const NSException& e) {
            EXPECT_EQ(Name(e), "NSRangeException");
            EXPECT_STREQ(e.what(),
                         "NSRangeException: -[NSString characterAtIndex:]: Range or index out of bounds");
        }
        EXPECT_EQ(abc->characterAtIndex(2), u'c');
        EXPECT_THROW(NSDictionary::dictionaryWithObject_forKey(nullptr, NSFontAttributeName), NSException);
        EXPECT_THROW(NSMutableDictionary::dictionary()->setObject_forKey(abc, nullptr), NSException);
        try {
            NSBezierPath::bezierPath()->lineToPoint(NSMakePoint(1, 1));
            ADD_FAILURE() << "no exception";
        } catch (const NSException& e) {
            EXPECT_EQ(Name(e), "NSInternalInconsistencyException");
        }
        EXPECT_THROW(NSString::stringWithFormat(NSSTR("%k"), 1), NSException);
        EXPECT_THROW(NSString::stringWithFormat(nullptr), NSException);
        EXPECT_THROW(NSGradient::alloc()->initWithStartingColor_endingColor(
                         nullptr, NSColor::blackColor()),
                     NSException);
        EXPECT_THROW(NSBezierPath::bezierPath()->setLineDash_count_phase(nullptr, -1, 0), NSException);
        // Text that is not UTF-8 is nil, not an exception.
        EXPECT_EQ(NSString::stringWithUTF8String("\xC3"), nullptr);
        EXPECT_EQ(NSString::stringWithUTF8String("\xED\xA0\x80"), nullptr);   // a surrogate
    }
    EXPECT_EQ(NSObject::LiveObjects(), before);
}

TEST(AppKit, StringsHoldUtf16UnitsAndFormatAsCocoa)
{
    Pool pool;
    NSString* s = NSString::stringWithUTF8String("a\xC3\xA9\xF0\x9F\x98\x80");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->length(), 4u);
    EXPECT_EQ(s->characterAtIndex(1), 0xE9);
    EXPECT_EQ(s->characterAtIndex(2), 0xD83D);
    EXPECT_EQ(s->characterAtIndex(3), 0xDE00);
    EXPECT_STREQ(s->UTF8String(), "a\xC3\xA9\xF0\x9F\x98\x80");
    // Half a pair alone comes out as U+FFFD.
    EXPECT_STREQ(NSString::stringWithFormat(NSSTR("%C%C"), static_cast<unichar>(0xD83D),
                                            static_cast<unichar>('x'))->UTF8String(),
                 "\xEF\xBF\xBDx");

    // The word breaking of the chart: "%@%C " and "%C".
    NSMutableString* line = NSMutableString::string();
    line->appendFormat(NSSTR("%C"), static_cast<unichar>('A'));
    NSString* candidate = NSString::stringWithFormat(NSSTR("%@%C "), line, static_cast<unichar>(0xE9));
    EXPECT_STREQ(candidate->UTF8String(), "A\xC3\xA9 ");
    EXPECT_EQ(candidate->length(), 3u);
    NSString* mixed = NSString::stringWithFormat(NSSTR("%5.1f|%-3d|%s|%x|%ld|%%|%@|%03u"), 3.14159, 7,
                                                 "x", 255u, 123456789012L,
                                                 static_cast<NSObject*>(nullptr), 5u);
    EXPECT_STREQ(mixed->UTF8String(), "  3.1|7  |x|ff|123456789012|%|(null)|005");
    EXPECT_TRUE(NSSTR("same") == NSSTR("same"));
    EXPECT_TRUE(NSString::stringWithUTF8String("same")->isEqual(NSSTR("same")));

    // Dictionaries find string keys by their text.
    NSMutableDictionary* d = NSMutableDictionary::dictionaryWithObject_forKey(s, NSSTR("key"));
    EXPECT_EQ(d->objectForKey(NSString::stringWithUTF8String("key")), s);
    d->setObject_forKey(line, NSSTR("key"));
    EXPECT_EQ(d->count(), 1u);
    EXPECT_EQ(d->objectForKey(NSSTR("key")), line);
}

NSDictionary* FontAttributes(NSFont* font)
{
    return NSDictionary::dictionaryWithObject_forKey(font, NSFontAttributeName);
}

TEST(AppKit, TextMeasuresThroughPangoAt72Dpi)
{
    Pool pool;
    NSFont* arial = NSFont::fontWithName_size(NSSTR("Arial"), 10);
    NSFont* helvetica = NSFont::fontWithName_size(NSSTR("Helvetica"), 10);
    NSFont* large = NSFont::fontWithName_size(NSSTR("Arial"), 20);
    ASSERT_NE(arial, nullptr);
    ASSERT_NE(helvetica, nullptr);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(NSFont::fontWithName_size(NSSTR(""), 10), nullptr);
    EXPECT_EQ(NSFont::fontWithName_size(NSSTR("NoSuchFont"), 10), nullptr);
    EXPECT_EQ(NSFont::fontWithName_size(nullptr, 10), nullptr);
    NSFont* fallback = NSFont::systemFontOfSize(10);
    ASSERT_NE(fallback, nullptr);
    EXPECT_STREQ(fallback->fontName()->UTF8String(), "sans-serif");

    NSString* text = NSSTR("Sales 2024");
    const NSSize a = text->sizeWithAttributes(FontAttributes(arial));
    const NSSize h = text->sizeWithAttributes(FontAttributes(helvetica));
    const NSSize big = text->sizeWithAttributes(FontAttributes(large));
    // Both names draw with Liberation Sans.
    EXPECT_EQ(a.width, h.width);
    EXPECT_EQ(a.height, h.height);
    // A point is a pixel: a 10 pt line is about 11.5 pixels high (15 at 96 dpi).
    EXPECT_GT(a.height, 10.0);
    EXPECT_LT(a.height, 13.0);
    EXPECT_GT(a.width, 40.0);
    EXPECT_LT(a.width, 60.0);
    EXPECT_NEAR(big.width, 2 * a.width, 0.02 * a.width);
    EXPECT_LT(NSSTR("iiii")->sizeWithAttributes(FontAttributes(arial)).width,
              NSSTR("WWWW")->sizeWithAttributes(FontAttributes(arial)).width);
    const NSSize empty = NSSTR("")->sizeWithAttributes(FontAttributes(arial));
    EXPECT_EQ(empty.width, 0.0);
    EXPECT_EQ(empty.height, 0.0);
    // No font in the attributes: Helvetica 12.
    const NSSize plain = text->sizeWithAttributes(nullptr);
    EXPECT_NEAR(plain.width, 1.2 * a.width, 0.02 * a.width);
}

// The chart's frame around one AppKit operation.
class Frame {
public:
    Frame(CGContextRef c, BOOL flipped) : c_(c), pool_(NSAutoreleasePool::alloc()->init())
    {
        CGContextSaveGState(c_);
        NSGraphicsContext::saveGraphicsState();
        NSGraphicsContext::setCurrentContext(
            NSGraphicsContext::graphicsContextWithGraphicsPort_flipped(c_, flipped));
    }
    ~Frame()
    {
        NSGraphicsContext::restoreGraphicsState();
        CGContextRestoreGState(c_);
        pool_->release();
    }

private:
    CGContextRef c_;
    NSAutoreleasePool* pool_;
};

TEST(AppKit, DrawingFramesPaintAndRecordAsTheChartExpects)
{
    const long before = NSObject::LiveObjects();
    qtest::Canvas canvas(200, 100, 800);
    CGContextRef c = canvas.context();
    canvas.Flip();
    pvquartz::Recording recording;
    {
        Frame frame(c, NO);
        NSBezierPath* path = NSBezierPath::alloc()->init();
        const CGFloat pattern[2] = {0.5, 1.0};
        path->setLineDash_count_phase(pattern, 2, 0.0);
        NSColor::colorWithCalibratedRed_green_blue_alpha(0.2, 0.4, 0.6, 1.0)->set();
        path->setLineWidth(2.0);
        path->moveToPoint(NSMakePoint(10, 10));
        path->lineToPoint(NSMakePoint(90, 10));
        path->stroke();
        path->release();
    }
    EXPECT_EQ(NSGraphicsContext::currentContext(), nullptr);
    {
        Frame frame(c, YES);
        NSBezierPath* path = NSBezierPath::bezierPath();
        NSColor::blackColor()->set();
        path->setLineJoinStyle(NSRoundLineJoinStyle);
        path->moveToPoint(NSMakePoint(10, 30));
        path->lineToPoint(NSMakePoint(20, 40));
        path->lineToPoint(NSMakePoint(30, 30));
        path->stroke();
    }
    // Text rotated by 270 degrees about its anchor, centred on it.
    NSFont* font = nullptr;
    {
        Frame frame(c, YES);
        font = NSFont::fontWithName_size(NSSTR("Arial"), 10);
        font->retain();
        NSDictionary* attributes = FontAttributes(font);
        NSString* text = NSString::alloc()->initWithUTF8String("abcd");
        const NSSize size = text->sizeWithAttributes(attributes);
        NSAffineTransform* t = NSAffineTransform::transform();
        t->translateXBy_yBy(100, 50);
        t->rotateByDegrees(270);
        t->translateXBy_yBy(-100, -50);
        t->concat();
        text->drawAtPoint_withAttributes(NSMakePoint(100 - size.width / 2, 50 - size.height / 2),
                                         attributes);
        text->release();
    }
    // A gradient rectangle: the starting colour at the smaller y.
    {
        Frame frame(c, NO);
        NSColor* shade = NSColor::colorWithCalibratedRed_green_blue_alpha(0.5, 0, 0, 1);
        NSColor* colour = NSColor::colorWithCalibratedRed_green_blue_alpha(1, 0, 0, 1);
        NSGradient* gradient = NSGradient::alloc()->initWithStartingColor_endingColor(shade, colour);
        NSBezierPath* path = NSBezierPath::bezierPath();
        path->appendBezierPathWithRect(NSMakeRect(120, 60, 50, 30));
        gradient->drawInBezierPath_angle(path, 90.0);
        gradient->release();
    }
    {
        Frame frame(c, NO);
        NSGraphicsContext::currentContext()->setShouldAntialias(NO);
    }
    EXPECT_EQ(NSGraphicsContext::currentContext(), nullptr);

    const std::vector<std::string> expected = {
        "StrokePath color=rgba(0.200,0.400,0.600,1.000) width=2.00 cap=butt join=miter "
        "dash=(0.00;0.50,1.00) path=M(10.00,10.00);L(90.00,10.00) aa=on",
        "StrokePath color=rgba(0.000,0.000,0.000,1.000) width=1.00 cap=butt join=round dash=none "
        "path=M(10.00,30.00);L(20.00,40.00);L(30.00,30.00) aa=on",
        "MeasureText font=\"Arial\",10.00pt text=\"abcd\" -> (20.00,12.50)",
        "DrawText font=\"Arial\",10.00pt color=rgba(0.000,0.000,0.000,1.000) origin=(93.75,60.00) "
        "angle=270.00 size=(20.00,12.50) centre=(100.00,50.00) text=\"abcd\" "
        "xf=(0.00,-1.00,1.00,0.00,50.00,150.00) aa=on",
        "Clip rule=winding path=M(120.00,60.00);L(170.00,60.00);L(170.00,90.00);L(120.00,90.00);Z",
        "DrawLinearGradient from=(145.00,60.00) to=(145.00,90.00) "
        "stops=0.00:rgba(0.500,0.000,0.000,1.000);1.00:rgba(1.000,0.000,0.000,1.000) options=3 aa=on",
    };
    EXPECT_EQ(recording.Lines(), expected);

    // The pixels: the gradient runs from the shade down; the dashes cover a
    // third of the line (0.5 on, 1.0 off), where a solid line covers it all.
    const uint32_t top = canvas.At(140, 60), bottom = canvas.At(140, 89);
    EXPECT_NEAR(static_cast<double>(top >> 16 & 0xFF), 130.0, 6.0);
    EXPECT_GT(bottom >> 16 & 0xFF, 248u);
    double coverage = 0.0;
    for (int x = 10; x < 90; ++x)
        coverage += (canvas.At(x, 10) >> 24) / 255.0 / 80.0;
    EXPECT_NEAR(coverage, 1.0 / 3.0, 0.05);
    // The antialias setting outlives its frame: it is the context's.
    qtest::SetFill(c, 0, 0, 0);
    CGContextSetShouldAntialias(c, true);
    font->release();
    EXPECT_EQ(NSObject::LiveObjects(), before);
}

TEST(AppKit, TextLandsInItsBoxFlippedOrNot)
{
    Pool pool;
    NSDictionary* attributes = FontAttributes(NSFont::fontWithName_size(NSSTR("Arial"), 20));
    NSString* text = NSSTR("Hello");
    const NSSize size = text->sizeWithAttributes(attributes);
    for (BOOL flipped : {YES, NO}) {
        qtest::Canvas canvas(120, 80, 480);
        if (flipped)
            canvas.Flip();
        {
            Frame frame(canvas.context(), flipped);
            text->drawAtPoint_withAttributes(NSMakePoint(10, 20), attributes);
        }
        // Flipped: the point is the box's top-left on the picture; otherwise
        // its bottom-left in y-up space, rows counted from the bottom.
        const int boxTop = flipped ? 20 : 80 - 20 - static_cast<int>(std::ceil(size.height));
        const int boxBottom = boxTop + static_cast<int>(std::ceil(size.height));
        int inside = 0, outside = 0;
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 120; ++x) {
                const bool ink = (canvas.At(x, y) >> 24) > 0;
                const bool inBox = x >= 9 && x <= 11 + size.width && y >= boxTop - 1 && y <= boxBottom + 1;
                (inBox ? inside : outside) += ink;
            }
        EXPECT_GT(inside, 50) << "flipped " << int(flipped);
        EXPECT_EQ(outside, 0) << "flipped " << int(flipped);
    }
}

} // namespace
