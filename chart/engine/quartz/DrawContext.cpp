// The drawing context over our Quartz layer: paths and text through AppKit,
// arcs, gradients and colours through CoreGraphics. Every AppKit operation
// runs in its own frame (an autorelease pool and both saved graphics
// states), which is undone on every way out; no exception leaves an
// operation.
#include "chart/engine/DrawContext.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include <textconv>

#include "chart/engine/Spline.h"
#include "chart/engine/quartz/Canvas.h"
#include "chart/engine/quartz/Colours.h"
#include "chart/output/Logging.h"
#include "platform/carbon/SystemServices.h"

namespace {

// Walking step along a smoothed line, in pixels.
constexpr float kCurveStep = 0.5f;
// Steps of the colour walks of older systems: per slice of an arc, per line
// of a rectangle.
constexpr float kArcWalkStep = 0.1f;
constexpr float kRectangleWalkStep = 0.5f;
// The walk of an arc whose rim (at the wider radius) is shorter than
// kNarrowArcRim pixels fills no two slices whose starts lie closer than
// kArcWalkRim pixels on the rim. Its steps follow the colour change, not the
// rim: a narrow arc of a strong change would fill its few pixels over a
// thousand times, and a pie of thousands of narrow slices cost that many
// times its area. What lies between two kept starts, a pixel of rim at
// most, takes the colour of the first; wider arcs keep every step.
constexpr float kNarrowArcRim = 4.0f;
constexpr float kArcWalkRim = 1.0f;
// The system version from which gradients are drawn as gradients (10.5).
constexpr SInt32 kGradientSystem = 0x1050;
// Gestalt's selector of the system version, 'sysv'.
constexpr OSType kSystemVersionSelector = 0x73797376;
// The shade a gradient runs to, in percent of the colour.
constexpr int kShadePercent = 70;

// An autorelease pool with the CoreGraphics state and the AppKit state saved
// and AppKit drawing into the context; undone in reverse order, whatever
// part of it was reached.
class Frame {
public:
    Frame(CGContextRef context, bool flipped, bool saveContext = true) : context_(context)
    {
        try {
            pool_ = NSAutoreleasePool::alloc()->init();
            if (saveContext) {
                CGContextSaveGState(context_);
                contextSaved_ = true;
            }
            NSGraphicsContext::saveGraphicsState();
            appKitSaved_ = true;
            current_ = NSGraphicsContext::graphicsContextWithGraphicsPort_flipped(context_, flipped ? YES : NO);
            NSGraphicsContext::setCurrentContext(current_);
        } catch (...) {
            Undo();
            throw;
        }
    }
    ~Frame() { Undo(); }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    NSGraphicsContext* Current() const { return current_; }

private:
    void Undo() noexcept
    {
        try {
            if (appKitSaved_)
                NSGraphicsContext::restoreGraphicsState();
        } catch (...) {
        }
        appKitSaved_ = false;
        if (contextSaved_)
            CGContextRestoreGState(context_);
        contextSaved_ = false;
        try {
            if (pool_)
                pool_->release();
        } catch (...) {
        }
        pool_ = nullptr;
    }

    CGContextRef context_;
    NSAutoreleasePool* pool_ = nullptr;
    NSGraphicsContext* current_ = nullptr;
    bool contextSaved_ = false;
    bool appKitSaved_ = false;
};

// An object this code allocated, released when it goes.
template <class T>
class Owned {
public:
    explicit Owned(T* object = nullptr) : object_(object) {}
    ~Owned()
    {
        if (object_)
            object_->release();
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    T* get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T* object_;
};

// Runs an operation; whatever it throws ends there.
template <class F>
void Guarded(F&& operation) noexcept
{
    try {
        operation();
    } catch (...) {
    }
}

NSString* NewString(const std::wstring& text)
{
    return NSString::alloc()->initWithUTF8String(WideToUtf8String(text).c_str());
}

// The font of the family at the size; the sans-serif family when AppKit
// does not know the name (also an empty one).
NSFont* FontOf(NSString* family, CGFloat size)
{
    NSFont* font = family ? NSFont::fontWithName_size(family, size) : nullptr;
    return font ? font : NSFont::systemFontOfSize(size);
}

NSSize SizeIn(NSString* text, NSFont* font)
{
    NSSize size{0, 0};
    if (text && font)
        size = text->sizeWithAttributes(NSDictionary::dictionaryWithObject_forKey(font, NSFontAttributeName));
    return size;
}

bool GradientsDrawn()
{
    SInt32 version = 0;
    if (Gestalt(kSystemVersionSelector, &version) != noErr)
        return true;
    if (version < kGradientSystem) {
        LogWarning("System does not support gradient filling. This feature available sinse 10.5. "
                   "Try to interpolate color.");
        return false;
    }
    return true;
}

struct Point2 {
    float x, y;
};

// A walk of one colour channel along a coordinate: the channel from `from`
// to `to` while the coordinate runs from a to b.
Spline::Walker ChannelWalk(float a, float b, std::uint8_t from, std::uint8_t to)
{
    const Point2 points[2] = {{a, static_cast<float>(from)}, {b, static_cast<float>(to)}};
    return Spline::Walker::Through(std::vector<Point2>(points, points + 2));
}

// Three channel walks in step; each step gives the colour and the
// coordinate of the red walk. The walk ends where the red walk's length
// (less one) is reached, after at least one step, and also when the length
// is not a finite number or the steps would not move along it.
class ColourWalk {
public:
    ColourWalk(float a, float b, const CColor& from, const CColor& to, float step)
        : red_(ChannelWalk(a, b, from.R(), to.R())),
          green_(ChannelWalk(a, b, from.G(), to.G())),
          blue_(ChannelWalk(a, b, from.B(), to.B())),
          step_(step)
    {
        const float length = red_.Length();
        limit_ = std::isfinite(length) ? std::min<double>(std::ceil(length / step) + 1.0,
                                                          CDrawContext::kMaxCurveSteps)
                                       : 1.0;
    }

    // Advances every walk by one step: false after the end.
    bool Next(CColor* colour, float* at)
    {
        if (done_)
            return false;
        ++steps_;
        const float distance = static_cast<float>(steps_) * step_;
        const Spline::Vector r = red_.MoveTo(distance);
        const Spline::Vector g = green_.MoveTo(distance);
        const Spline::Vector b = blue_.MoveTo(distance);
        *colour = CColor(0xFF000000u | Byte(r.y) << 16 | Byte(g.y) << 8 | Byte(b.y));
        *at = r.x;
        done_ = !(red_.Distance() < red_.Length() - 1.0f) || steps_ >= limit_;
        return true;
    }

private:
    static std::uint32_t Byte(float value)
    {
        return value >= 0.0f && value <= 255.0f ? static_cast<std::uint32_t>(value) : 0u;
    }

    Spline::Walker red_, green_, blue_;
    float step_;
    double limit_ = 1.0;
    std::uint64_t steps_ = 0;
    bool done_ = false;
};

void AddEllipticalArcPath(CGContextRef context, CGFloat x, CGFloat y, CGFloat rx, CGFloat ry,
                          float start, float sweep, bool pie, CGGradientRef gradient)
{
    CGContextSaveGState(context);
    CGContextTranslateCTM(context, x, y);
    CGContextScaleCTM(context, rx, ry);
    const float a0 = DegreesToRadians(start);
    const float a1 = DegreesToRadians(start + sweep);
    if (pie)
        CGContextMoveToPoint(context, 0, 0);
    else
        CGContextMoveToPoint(context, std::cos(a0), std::sin(a0));
    CGContextAddArc(context, 0, 0, 1.0, a0, a1, 0);
    if (pie)
        CGContextClosePath(context);
    if (gradient) {
        CGContextClip(context);
        CGContextDrawLinearGradient(context, gradient, CGPointMake(1, 1), CGPointMake(-1, -1), 0);
    }
    CGContextRestoreGState(context);
}

void StrokeEllipticalArc(CGContextRef context, const CGRect& box, float start, float sweep)
{
    CGContextBeginPath(context);
    AddEllipticalArcPath(context, CGRectGetMidX(box), CGRectGetMidY(box), CGRectGetWidth(box) / 2,
                         CGRectGetHeight(box) / 2, start, sweep, false, nullptr);
    CGContextStrokePath(context);
}

void FillEllipticalArc(CGContextRef context, const CGRect& box, float start, float sweep,
                       CGGradientRef gradient)
{
    CGContextBeginPath(context);
    AddEllipticalArcPath(context, CGRectGetMidX(box), CGRectGetMidY(box), CGRectGetWidth(box) / 2,
                         CGRectGetHeight(box) / 2, start, sweep, true, gradient);
    CGContextClosePath(context);
    CGContextFillPath(context);
}

// A sweep of more than a full turn (a pie of mixed signs gives sweeps of
// many turns) draws as the full turn, in its direction. The turn is the one
// a pie shares out (a lone slice sweeps 360.00003), so that whole pies draw
// as they always have.
constexpr float kFullTurn = 360.00003f;

float ClampSweep(float sweep)
{
    return std::clamp(sweep, -kFullTurn, kFullTurn);
}

void SetFill(CGContextRef context, const CColor& colour)
{
    if (CGColorRef c = CreateCGColor(colour)) {
        CGContextSetFillColorWithColor(context, c);
        CGColorRelease(c);
    }
}

void SetStroke(CGContextRef context, const CColor& colour)
{
    if (CGColorRef c = CreateCGColor(colour)) {
        CGContextSetStrokeColorWithColor(context, c);
        CGColorRelease(c);
    }
}

} // namespace

CGColorSpaceRef GetGenericRGBColorSpace()
{
    static CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
    return space;
}

CGColorRef CreateCGColor(const CColor& colour)
{
    const CGFloat components[4] = {Channel(colour.R()), Channel(colour.G()), Channel(colour.B()), 1.0};
    return CGColorCreate(GetGenericRGBColorSpace(), components);
}

NSColor* MakeNSColor(const CColor& colour)
{
    return NSColor::colorWithCalibratedRed_green_blue_alpha(Channel(colour.R()), Channel(colour.G()),
                                                           Channel(colour.B()), 1.0);
}

float DegreesToRadians(float degrees) { return degrees * 0.017453292f; }

CDrawContext::CDrawContext(CGraphicsHandle graphics, const CColor& colour, float width)
    : graphics_(graphics), colour_(colour), width_(width)
{
}

CDrawContext::~CDrawContext() = default;

void CDrawContext::StrokeLine(const CColor& colour, const CPointF& from, const CPointF& to, bool dashed)
{
    if (!graphics_)
        return;
    Guarded([&] {
        Frame frame(graphics_, false);
        Owned<NSBezierPath> path(NSBezierPath::alloc()->init());
        if (dashed) {
            const CGFloat pattern[2] = {0.5, 1.0};
            path->setLineDash_count_phase(pattern, 2, 0.0);
        }
        MakeNSColor(colour)->set();
        path->setLineWidth(width_);
        path->moveToPoint(NSMakePoint(from.x, from.y));
        path->lineToPoint(NSMakePoint(to.x, to.y));
        path->stroke();
    });
}

void CDrawContext::DrawLine(const CPointF& from, const CPointF& to, bool dashed)
{
    StrokeLine(colour_, from, to, dashed);
}

void CDrawContext::SetAntialias(bool on)
{
    if (!graphics_)
        return;
    Guarded([&] {
        // The setting is meant to outlast the operation: the CoreGraphics
        // state is not saved around it.
        Frame frame(graphics_, false, false);
        if (NSGraphicsContext* current = frame.Current())
            current->setShouldAntialias(on ? YES : NO);
    });
}

void CDrawContext::DrawRectangle(const CPointF& topLeft, const CPointF& bottomRight, bool fill,
                                 bool gradient)
{
    if (!graphics_)
        return;
    const bool gradients = fill ? GradientsDrawn() : true;
    if (fill && gradient && !gradients) {
        // The colour walk: one line per step from the colour at the top to
        // the shade at the bottom.
        Guarded([&] {
            ColourWalk walk(topLeft.y, bottomRight.y, colour_, CColor::Shade(colour_, kShadePercent),
                            kRectangleWalkStep);
            CColor colour;
            float y = 0.0f;
            while (walk.Next(&colour, &y))
                StrokeLine(colour, CPointF(topLeft.x, y), CPointF(bottomRight.x, y), false);
        });
        return;
    }
    Guarded([&] {
        Frame frame(graphics_, false);
        NSBezierPath* path = NSBezierPath::bezierPath();
        MakeNSColor(colour_)->set();
        path->setLineWidth(width_);
        const NSRect box = NSMakeRect(topLeft.x, topLeft.y, bottomRight.x - topLeft.x,
                                      bottomRight.y - topLeft.y);
        path->appendBezierPathWithRect(box);
        if (!fill) {
            path->stroke();
        } else if (!gradient) {
            path->fill();
        } else {
            // The shade at the smaller y, the colour at the larger.
            Owned<NSGradient> shading(NSGradient::alloc()->initWithStartingColor_endingColor(
                MakeNSColor(CColor::Shade(colour_, kShadePercent)), MakeNSColor(colour_)));
            shading->drawInBezierPath_angle(path, 90.0);
        }
    });
}

void CDrawContext::DrawArc(const CPointF& centre, float width, float height, float startAngle,
                           float endAngle, bool fill, bool gradient)
{
    if (!graphics_)
        return;
    const bool gradients = fill ? GradientsDrawn() : true;
    CGContextRef context = graphics_;
    CGContextSaveGState(context);
    Guarded([&] {
        CGContextSetLineWidth(context, width_);
        const CGRect box = CGRectMake(centre.x + width * -0.5f, centre.y + height * -0.5f, width, height);
        const float sweep = ClampSweep(endAngle - startAngle);
        if (!fill) {
            SetStroke(context, colour_);
            StrokeEllipticalArc(context, box, startAngle, sweep);
        } else if (!gradient) {
            SetFill(context, colour_);
            FillEllipticalArc(context, box, startAngle, sweep, nullptr);
        } else if (gradients) {
            const CColor shade = CColor::Shade(colour_, kShadePercent);
            const CGFloat components[8] = {Channel(shade.R()),   Channel(shade.G()),   Channel(shade.B()),   1.0,
                                           Channel(colour_.R()), Channel(colour_.G()), Channel(colour_.B()), 1.0};
            const CGFloat locations[2] = {1.0, 0.0};
            CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
            CGGradientRef shading = CGGradientCreateWithColorComponents(space, components, locations, 2);
            if (shading) {
                FillEllipticalArc(context, box, startAngle, sweep, shading);
                CGGradientRelease(shading);
            }
            CGColorSpaceRelease(space);
        } else {
            // The colour walk: slices from the colour at the start angle to
            // the shade at the end angle, then the outline.
            const float end = sweep == endAngle - startAngle ? endAngle : startAngle + sweep;
            ColourWalk walk(startAngle, end, colour_, CColor::Shade(colour_, kShadePercent),
                            kArcWalkStep);
            const float pixelsPerDegree = std::max(std::fabs(width), std::fabs(height)) * 0.5f *
                                          DegreesToRadians(1.0f);
            const bool narrow = std::fabs(end - startAngle) * pixelsPerDegree < kNarrowArcRim;
            CColor colour;
            float a = 0.0f;
            float filled = 0.0f;
            for (bool first = true; walk.Next(&colour, &a); first = false) {
                if (narrow && !first && std::fabs(a - filled) * pixelsPerDegree < kArcWalkRim)
                    continue;
                filled = a;
                SetFill(context, colour);
                FillEllipticalArc(context, box, a, end - a, nullptr);
            }
            SetStroke(context, colour_);
            StrokeEllipticalArc(context, box, startAngle, sweep);
        }
    });
    CGContextRestoreGState(context);
}

void CDrawContext::DrawArcStack(const CPointF& centre, float width, float height, float startAngle,
                                float endAngle, int rows, bool fill)
{
    if (!graphics_ || rows < 0)
        return;
    if (fill)
        GradientsDrawn();
    // The arcs of every row in one path, painted once: in one colour, with
    // the non-zero rule, that is the union of what painting row after row
    // gives (exactly so while anti-aliasing is off, as it is for the
    // stacks of a pie's side), at the cost of one painting.
    CGContextRef context = graphics_;
    CGContextSaveGState(context);
    Guarded([&] {
        CGContextSetLineWidth(context, width_);
        if (fill)
            SetFill(context, colour_);
        else
            SetStroke(context, colour_);
        const float sweep = ClampSweep(endAngle - startAngle);
        CGContextBeginPath(context);
        for (int i = 0; i <= rows; ++i) {
            const CGRect box = CGRectMake(centre.x + width * -0.5f,
                                          centre.y + static_cast<float>(i) + height * -0.5f, width, height);
            AddEllipticalArcPath(context, CGRectGetMidX(box), CGRectGetMidY(box), CGRectGetWidth(box) / 2,
                                 CGRectGetHeight(box) / 2, startAngle, sweep, fill, nullptr);
            if (fill)
                CGContextClosePath(context);
        }
        if (fill)
            CGContextFillPath(context);
        else
            CGContextStrokePath(context);
    });
    CGContextRestoreGState(context);
}

void CDrawContext::DrawPolygon(const std::vector<CPointF>& points, bool smooth, bool fill)
{
    if (!graphics_ || points.empty())
        return;
    Guarded([&] {
        Frame frame(graphics_, true);
        NSBezierPath* path = NSBezierPath::bezierPath();
        MakeNSColor(colour_)->set();
        path->setLineWidth(width_);
        auto straight = [&] {
            path->moveToPoint(NSMakePoint(points[0].x, points[0].y));
            if (points.size() == 1)
                path->lineToPoint(NSMakePoint(points[0].x, points[0].y));
            for (std::size_t i = 1; i < points.size(); ++i)
                path->lineToPoint(NSMakePoint(points[i].x, points[i].y));
        };
        if (fill) {
            straight();
            path->fill();
            return;
        }
        // A curve needs two points.
        if (!smooth || points.size() < 2) {
            path->setLineJoinStyle(1);
            straight();
            path->stroke();
            return;
        }
        Spline::Walker walker = Spline::Walker::Through(points, static_cast<int>(Spline::Kind::Cardinal));
        const float length = walker.Length();
        float step = kCurveStep;
        if (length / kCurveStep > static_cast<float>(kMaxCurveSteps))
            step = length / static_cast<float>(kMaxCurveSteps);
        // The k-th position lies k steps along: counting steps keeps the
        // walk moving where adding a step to a long distance would not.
        Spline::Vector next = walker.MoveTo(step);
        path->moveToPoint(NSMakePoint(points[0].x, points[0].y));
        path->lineToPoint(NSMakePoint(next.x, next.y));
        for (std::uint32_t k = 2; k <= kMaxCurveSteps + 1 && walker.Distance() < length - 1.0f; ++k) {
            next = walker.MoveTo(static_cast<float>(k) * step);
            path->lineToPoint(NSMakePoint(next.x, next.y));
        }
        path->stroke();
    });
}

int CDrawContext::FontSize(int size) const
{
    // A glyph taller than the picture shows nothing more, while its cost
    // grows with its size: the size stops at the larger side (a point is a
    // pixel here).
    if (!graphics_)
        return size;
    const std::size_t side =
        std::max(CGBitmapContextGetWidth(graphics_), CGBitmapContextGetHeight(graphics_));
    if (side == 0)
        return size;
    return std::min<long long>(size, static_cast<long long>(side));
}

CSizeF CDrawContext::CanvasSize() const
{
    CSizeF size;
    if (graphics_) {
        size.width = static_cast<float>(CGBitmapContextGetWidth(graphics_));
        size.height = static_cast<float>(CGBitmapContextGetHeight(graphics_));
    }
    return size;
}

CSizeF CDrawContext::MeasureString(const std::wstring& family, const std::wstring& text, int size)
{
    CSizeF result;
    if (!graphics_)
        return result;
    std::wstring cut;
    const std::wstring& shown = ShownText(text, size, false, cut);
    CountTextWork(shown.size());
    const CGFloat points = static_cast<CGFloat>(FontSize(size));
    Guarded([&] {
        Frame frame(graphics_, false);
        Owned<NSString> string(NewString(shown));
        Owned<NSString> name(NewString(family));
        const NSSize size = SizeIn(string.get(), FontOf(name.get(), points));
        result.width = static_cast<float>(size.width);
        result.height = static_cast<float>(size.height);
    });
    return result;
}

float CDrawContext::GetTextHeight(const std::wstring& text, const std::wstring& family, int size)
{
    return MeasureString(family, text, size).height;
}

float CDrawContext::GetTextWidth(const std::wstring& text, const std::wstring& family, int size)
{
    return MeasureString(family, text, size).width;
}

void CDrawContext::DrawString(const std::wstring& family, const CPointF& anchor,
                              const std::wstring& text, int size, int alignment, int angle)
{
    if (!graphics_)
        return;
    std::wstring cut;
    const std::wstring& shown = ShownText(text, size, false, cut, KeptOf(alignment, angle));
    const CSizeF measured = MeasureString(family, shown, size);
    CountTextWork(shown.size());
    const CGFloat points = static_cast<CGFloat>(FontSize(size));
    Guarded([&] {
        Frame frame(graphics_, true);
        Owned<NSString> string(NewString(shown));
        Owned<NSString> name(NewString(family));
        NSMutableDictionary* attributes =
            NSMutableDictionary::dictionaryWithObject_forKey(FontOf(name.get(), points), NSFontAttributeName);
        attributes->setObject_forKey(MakeNSColor(colour_), NSForegroundColorAttributeName);
        const float x = anchor.x, y = anchor.y;
        if (angle > 0) {
            NSAffineTransform* turn = NSAffineTransform::transform();
            turn->translateXBy_yBy(x, y);
            turn->rotateByDegrees(angle);
            turn->translateXBy_yBy(-x, -y);
            turn->concat();
        }
        const float left = TextLeft(x, measured.width, alignment, angle);
        string->drawAtPoint_withAttributes(NSMakePoint(left, y - measured.height / 2), attributes);
    });
}

CColor CDrawContext::GetSystemColor() { return CColor(0xFFFFFFC0u); }

// The engine's coordinates run down from the canvas's top edge.
float CDrawContext::VisibleBottom() const
{
    const std::size_t height = graphics_ ? CGBitmapContextGetHeight(graphics_) : 0;
    if (height == 0)
        return std::numeric_limits<float>::infinity();
    return static_cast<float>(height);
}

void PrepareDrawing()
{
    // The families and size the charts use by default, measured once so that
    // the first chart does not pay for the font machinery.
    CCanvas canvas(64, 32);
    if (!canvas.Usable())
        return;
    CDrawContext context(canvas.GetContext(), CColor(0xFF000000u), 1.0f);
    std::wstring sample;
    for (wchar_t c = 0x20; c < 0x7F; ++c)
        sample += c;
    for (const wchar_t* family : {L"Times", L"sans-serif"}) {
        context.MeasureString(family, sample, 12);
        context.DrawString(family, CPointF(2, 16), sample, 12, 0, 0);
    }
}

void ReleaseDrawing() {}

