// AppKit: fonts, colours, graphics contexts, Bezier paths, transforms,
// gradients and text, over the quartz layer.
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>
#include <vector>

#include "platform/appkit/AppKit.h"
#include "platform/appkit/Internal.h"
#include "platform/common/Fonts.h"
#include "platform/quartz/Internal.h"

NSString* const NSFontAttributeName = NSSTR("NSFont");
NSString* const NSForegroundColorAttributeName = NSSTR("NSColor");

namespace {

// Text at 72 dpi: a point is a pixel.
constexpr double kTextDpi = 72.0;
constexpr CGFloat kDefaultFontSize = 12.0;

template <class T>
T* Autoreleased(T* object)
{
    return static_cast<T*>(object->autorelease());
}

} // namespace

// ---- NSFont --------------------------------------------------------------------------------

NSFont::~NSFont()
{
    if (name_)
        name_->release();
}

NSFont* NSFont::Make(const std::string& family, CGFloat size)
{
    auto* font = new NSFont;
    font->family_ = family;
    font->size_ = size;
    std::u16string units;
    pvappkit::DecodeUtf8(family.data(), family.size(), &units);
    font->name_ = pvappkit::NewString(std::move(units));
    return Autoreleased(font);
}

NSFont* NSFont::fontWithName_size(NSString* fontName, CGFloat fontSize)
{
    if (!fontName || !std::isfinite(fontSize) || fontSize < 0.0)
        return nullptr;
    const std::string family = pvappkit::Utf8Of(fontName);
    if (family.empty() || !pvcommon::text::FamilyResolves(family))
        return nullptr;
    return Make(family, fontSize == 0.0 ? kDefaultFontSize : fontSize);
}

NSFont* NSFont::systemFontOfSize(CGFloat fontSize)
{
    if (!std::isfinite(fontSize) || fontSize <= 0.0)
        fontSize = kDefaultFontSize;
    return Make("sans-serif", fontSize);
}

// ---- NSColor ---------------------------------------------------------------------------------

NSColor::~NSColor()
{
    if (cg_)
        CGColorRelease(cg_);
}

NSColor* NSColor::colorWithCalibratedRed_green_blue_alpha(CGFloat red, CGFloat green, CGFloat blue,
                                                          CGFloat alpha)
{
    auto* color = new NSColor;
    const CGFloat in[4] = {red, green, blue, alpha};
    for (int i = 0; i < 4; ++i)
        color->rgba_[i] = !(in[i] >= 0.0) ? 0.0 : in[i] > 1.0 ? 1.0 : in[i];
    return Autoreleased(color);
}

NSColor* NSColor::colorWithDeviceRed_green_blue_alpha(CGFloat red, CGFloat green, CGFloat blue,
                                                      CGFloat alpha)
{
    return colorWithCalibratedRed_green_blue_alpha(red, green, blue, alpha);
}

NSColor* NSColor::blackColor() { return colorWithCalibratedRed_green_blue_alpha(0, 0, 0, 1); }
CGColorRef NSColor::CGColor()
{
    if (!cg_) {
        CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
        cg_ = CGColorCreate(space, rgba_);
        CGColorSpaceRelease(space);
    }
    return cg_;
}

void NSColor::set()
{
    if (NSGraphicsContext* context = NSGraphicsContext::currentContext()) {
        CGContextSetFillColorWithColor(context->CGContext(), CGColor());
        CGContextSetStrokeColorWithColor(context->CGContext(), CGColor());
    }
}

// ---- NSGraphicsContext -------------------------------------------------------------------------

namespace {

struct SavedContext {
    NSGraphicsContext* context;   // retained, or nil
};

thread_local NSGraphicsContext* current = nullptr;
thread_local std::vector<SavedContext>* savedContexts = nullptr;

std::vector<SavedContext>& Saved()
{
    // Per thread; freed with the thread's last restore.
    if (!savedContexts)
        savedContexts = new std::vector<SavedContext>;
    return *savedContexts;
}

} // namespace

NSGraphicsContext::~NSGraphicsContext()
{
    if (port_)
        CGContextRelease(port_);
}

NSGraphicsContext* NSGraphicsContext::graphicsContextWithGraphicsPort_flipped(void* graphicsPort,
                                                                             BOOL initialFlippedState)
{
    if (!graphicsPort)
        return nullptr;
    auto* context = new NSGraphicsContext;
    context->port_ = CGContextRetain(static_cast<CGContextRef>(graphicsPort));
    context->flipped_ = initialFlippedState ? YES : NO;
    return Autoreleased(context);
}

NSGraphicsContext* NSGraphicsContext::currentContext() { return current; }

void NSGraphicsContext::setCurrentContext(NSGraphicsContext* context)
{
    if (context)
        context->retain();
    if (current)
        current->release();
    current = context;
}

void NSGraphicsContext::saveGraphicsState()
{
    NSGraphicsContext* context = current;
    if (context) {
        context->retain();
        CGContextSaveGState(context->port_);
    }
    Saved().push_back(SavedContext{context});
}

void NSGraphicsContext::restoreGraphicsState()
{
    if (!savedContexts || savedContexts->empty())
        return;
    SavedContext saved = savedContexts->back();
    savedContexts->pop_back();
    if (saved.context)
        CGContextRestoreGState(saved.context->port_);
    setCurrentContext(saved.context);
    if (saved.context)
        saved.context->release();
    if (savedContexts->empty()) {
        delete savedContexts;
        savedContexts = nullptr;
    }
}

void NSGraphicsContext::setShouldAntialias(BOOL antialias)
{
    CGContextSetShouldAntialias(port_, antialias != NO);
}

// ---- NSBezierPath --------------------------------------------------------------------------------

NSBezierPath* NSBezierPath::alloc() { return new NSBezierPath; }
NSBezierPath* NSBezierPath::init() { return this; }
NSBezierPath* NSBezierPath::bezierPath() { return Autoreleased(alloc()->init()); }

void NSBezierPath::moveToPoint(NSPoint point)
{
    elements_.push_back(Element{Element::Move, point});
    hasCurrent_ = true;
    current_ = subpathStart_ = point;
}

void NSBezierPath::lineToPoint(NSPoint point)
{
    if (!hasCurrent_)
        NSException::raise_format(NSInternalInconsistencyException,
                                  NSSTR("-[NSBezierPath lineToPoint:]: no current point"));
    elements_.push_back(Element{Element::Line, point});
    current_ = point;
}

void NSBezierPath::closePath()
{
    if (!hasCurrent_)
        return;
    elements_.push_back(Element{Element::Close, subpathStart_});
    current_ = subpathStart_;
}

void NSBezierPath::appendBezierPathWithRect(NSRect rect)
{
    const CGFloat x = rect.origin.x, y = rect.origin.y;
    const CGFloat w = rect.size.width, h = rect.size.height;
    moveToPoint(NSMakePoint(x, y));
    lineToPoint(NSMakePoint(x + w, y));
    lineToPoint(NSMakePoint(x + w, y + h));
    lineToPoint(NSMakePoint(x, y + h));
    closePath();
}

void NSBezierPath::setLineDash_count_phase(const CGFloat* pattern, NSInteger count, CGFloat phase)
{
    if (count < 0)
        NSException::raise_format(NSInvalidArgumentException,
                                  NSSTR("-[NSBezierPath setLineDash:count:phase:]: negative count"));
    if (!pattern || count == 0) {
        dash_.clear();
        phase_ = 0.0;
        return;
    }
    dash_.assign(pattern, pattern + count);
    phase_ = phase;
}

void NSBezierPath::AddToContext(CGContextRef c) const
{
    CGContextBeginPath(c);
    for (const Element& e : elements_) {
        switch (e.kind) {
        case Element::Move:
            CGContextMoveToPoint(c, e.point.x, e.point.y);
            break;
        case Element::Line:
            CGContextAddLineToPoint(c, e.point.x, e.point.y);
            break;
        case Element::Close:
            CGContextClosePath(c);
            break;
        }
    }
}

void NSBezierPath::ApplyStroke(CGContextRef c) const
{
    CGContextSetLineWidth(c, lineWidth_);
    CGContextSetLineJoin(c, static_cast<CGLineJoin>(join_));
    CGContextSetLineCap(c, kCGLineCapButt);
    CGContextSetLineDash(c, phase_, dash_.empty() ? nullptr : dash_.data(), dash_.size());
}

void NSBezierPath::stroke()
{
    NSGraphicsContext* context = NSGraphicsContext::currentContext();
    if (!context || elements_.empty())
        return;
    CGContextRef c = context->CGContext();
    CGContextSaveGState(c);
    ApplyStroke(c);
    AddToContext(c);
    CGContextStrokePath(c);
    CGContextRestoreGState(c);
}

void NSBezierPath::fill()
{
    NSGraphicsContext* context = NSGraphicsContext::currentContext();
    if (!context || elements_.empty())
        return;
    CGContextRef c = context->CGContext();
    CGContextSaveGState(c);
    AddToContext(c);
    CGContextFillPath(c);
    CGContextRestoreGState(c);
}

void NSBezierPath::addClip()
{
    NSGraphicsContext* context = NSGraphicsContext::currentContext();
    if (!context)
        return;
    CGContextRef c = context->CGContext();
    AddToContext(c);
    CGContextClip(c);
}

NSRect NSBezierPath::bounds() const
{
    if (elements_.empty())
        return NSMakeRect(0, 0, 0, 0);
    CGFloat x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    for (const Element& e : elements_) {
        x0 = std::min(x0, e.point.x);
        y0 = std::min(y0, e.point.y);
        x1 = std::max(x1, e.point.x);
        y1 = std::max(y1, e.point.y);
    }
    return NSMakeRect(x0, y0, x1 - x0, y1 - y0);
}

// ---- NSAffineTransform -------------------------------------------------------------------------------

NSAffineTransform* NSAffineTransform::alloc() { return new NSAffineTransform; }
NSAffineTransform* NSAffineTransform::init() { return this; }
NSAffineTransform* NSAffineTransform::transform() { return Autoreleased(alloc()->init()); }

void NSAffineTransform::translateXBy_yBy(CGFloat deltaX, CGFloat deltaY)
{
    m_ = CGAffineTransformTranslate(m_, deltaX, deltaY);
}

void NSAffineTransform::rotateByDegrees(CGFloat angle)
{
    m_ = CGAffineTransformRotate(m_, angle * 3.14159265358979323846 / 180.0);
}

void NSAffineTransform::concat()
{
    if (NSGraphicsContext* context = NSGraphicsContext::currentContext())
        CGContextConcatCTM(context->CGContext(), m_);
}

// ---- NSGradient ---------------------------------------------------------------------------------------

NSGradient* NSGradient::alloc() { return new NSGradient; }

NSGradient::~NSGradient()
{
    if (start_)
        start_->release();
    if (end_)
        end_->release();
}

NSGradient* NSGradient::initWithStartingColor_endingColor(NSColor* startingColor, NSColor* endingColor)
{
    if (!startingColor || !endingColor) {
        release();
        NSException::raise_format(NSInvalidArgumentException,
                                  NSSTR("-[NSGradient initWithStartingColor:endingColor:]: nil color"));
    }
    start_ = static_cast<NSColor*>(startingColor->retain());
    end_ = static_cast<NSColor*>(endingColor->retain());
    return this;
}

void NSGradient::drawInBezierPath_angle(NSBezierPath* path, CGFloat angle)
{
    NSGraphicsContext* context = NSGraphicsContext::currentContext();
    if (!context || !path || path->isEmpty())
        return;
    CGContextRef c = context->CGContext();
    // The gradient line runs through the middle of the bounds at the angle,
    // as long as the bounds' extent in that direction.
    const NSRect b = path->bounds();
    const CGFloat radians = angle * 3.14159265358979323846 / 180.0;
    const CGFloat dx = std::cos(radians), dy = std::sin(radians);
    const CGFloat half = (std::fabs(dx) * b.size.width + std::fabs(dy) * b.size.height) / 2;
    const CGFloat cx = b.origin.x + b.size.width / 2, cy = b.origin.y + b.size.height / 2;
    const CGFloat components[8] = {start_->redComponent(), start_->greenComponent(),
                                   start_->blueComponent(), start_->alphaComponent(),
                                   end_->redComponent(), end_->greenComponent(),
                                   end_->blueComponent(), end_->alphaComponent()};
    const CGFloat locations[2] = {0.0, 1.0};
    CGColorSpaceRef space = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
    CGGradientRef gradient = CGGradientCreateWithColorComponents(space, components, locations, 2);
    CGColorSpaceRelease(space);
    CGContextSaveGState(c);
    path->addClip();
    CGContextDrawLinearGradient(c, gradient, CGPointMake(cx - dx * half, cy - dy * half),
                                CGPointMake(cx + dx * half, cy + dy * half),
                                kCGGradientDrawsBeforeStartLocation | kCGGradientDrawsAfterEndLocation);
    CGContextRestoreGState(c);
    CGGradientRelease(gradient);
}

// ---- text ------------------------------------------------------------------------------------------

namespace {

struct TextStyle {
    std::string family = "Helvetica";
    CGFloat size = kDefaultFontSize;
    double rgba[4] = {0.0, 0.0, 0.0, 1.0};
};

TextStyle StyleOf(NSDictionary* attributes)
{
    TextStyle style;
    if (!attributes)
        return style;
    if (auto* font = dynamic_cast<NSFont*>(attributes->objectForKey(NSFontAttributeName))) {
        style.family = font->Family();
        style.size = font->pointSize();
    }
    if (auto* color = dynamic_cast<NSColor*>(attributes->objectForKey(NSForegroundColorAttributeName))) {
        style.rgba[0] = color->redComponent();
        style.rgba[1] = color->greenComponent();
        style.rgba[2] = color->blueComponent();
        style.rgba[3] = color->alphaComponent();
    }
    return style;
}

std::string FontText(const TextStyle& style)
{
    return pvquartz::Quote(style.family) + "," + pvquartz::Num(style.size) + "pt";
}

NSSize Measure(const std::u16string& units, const std::string& utf8, const TextStyle& style)
{
    if (units.empty())
        return NSMakeSize(0.0, 0.0);
    pvquartz::Recording* recording = pvquartz::Recording::Active();
    if (recording && recording->Metrics() == pvquartz::Recording::TextMetrics::Fixed)
        return NSMakeSize(0.5 * style.size * static_cast<double>(units.size()), 1.25 * style.size);
    double width = 0.0, height = 0.0;
    pvcommon::text::MeasureCached(style.family, style.size, kTextDpi, utf8, &width, &height);
    return NSMakeSize(width, height);
}

PangoContext* DrawContext()
{
    // Only the host's calling thread draws.
    static PangoContext* context = pvcommon::text::NewContext(kTextDpi);
    return context;
}

// Layouts of the drawing context by font and text: a chart draws the same
// labels again and again, and a kept layout need not be shaped again (pango
// lays it out anew by itself when the context's transform changed).
// Bounded by entries and by the bytes of their keys.
PangoLayout* DrawLayout(const TextStyle& style, const std::string& utf8)
{
    static auto& layouts = *new std::unordered_map<std::string, PangoLayout*>;
    static std::size_t keyBytes = 0;
    constexpr std::size_t kMaxEntries = 512;
    constexpr std::size_t kMaxBytes = std::size_t(1) << 18;
    std::string key = style.family;
    key.push_back('\0');
    key.append(reinterpret_cast<const char*>(&style.size), sizeof(style.size));
    key += utf8;
    auto it = layouts.find(key);
    if (it != layouts.end())
        return static_cast<PangoLayout*>(g_object_ref(it->second));
    PangoLayout* layout = pvcommon::text::NewLayout(DrawContext(), style.family, style.size, utf8);
    if (key.size() > kMaxBytes / 16)
        return layout;
    if (layouts.size() >= kMaxEntries || keyBytes + key.size() > kMaxBytes) {
        for (auto& entry : layouts)
            g_object_unref(entry.second);
        layouts.clear();
        keyBytes = 0;
    }
    keyBytes += key.size();
    layouts.emplace(std::move(key), static_cast<PangoLayout*>(g_object_ref(layout)));
    return layout;
}

} // namespace

NSSize NSString::sizeWithAttributes(NSDictionary* attributes)
{
    const TextStyle style = StyleOf(attributes);
    const std::string utf8 = pvappkit::EncodeUtf8(units_);
    const NSSize size = Measure(units_, utf8, style);
    if (pvquartz::Recording* recording = pvquartz::Recording::Active())
        recording->Append("MeasureText font=" + FontText(style) + " text=" + pvquartz::Quote(utf8) +
                          " -> (" + pvquartz::Num(size.width) + "," + pvquartz::Num(size.height) +
                          ")");
    return size;
}

void NSString::drawAtPoint_withAttributes(NSPoint point, NSDictionary* attributes)
{
    NSGraphicsContext* context = NSGraphicsContext::currentContext();
    if (!context || !std::isfinite(point.x) || !std::isfinite(point.y))
        return;
    CGContextObject* c = pvquartz::Context(context->CGContext(), "drawAtPoint:withAttributes:");
    const TextStyle style = StyleOf(attributes);
    const std::string utf8 = pvappkit::EncodeUtf8(units_);
    const NSSize size = Measure(units_, utf8, style);
    const std::string state = pvquartz::Recording::Active() ? pvquartz::StateText(c) : "";
    cairo_t* cr = c->cr;
    // Text is not part of the path being built: it is kept aside.
    cairo_path_t* path = cairo_copy_path(cr);
    cairo_new_path(cr);
    cairo_save(cr);
    // The text's own frame: its box from (0, 0) to (width, height), y down.
    if (context->isFlipped()) {
        cairo_translate(cr, point.x, point.y);
    } else {
        cairo_translate(cr, point.x, point.y + size.height);
        cairo_scale(cr, 1.0, -1.0);
    }
    if (pvquartz::Recording* recording = pvquartz::Recording::Active()) {
        double ox = 0.0, oy = 0.0, cx = size.width / 2, cy = size.height / 2, dx = 1.0, dy = 0.0;
        cairo_user_to_device(cr, &ox, &oy);
        cairo_user_to_device(cr, &cx, &cy);
        cairo_user_to_device_distance(cr, &dx, &dy);
        double angle = std::atan2(dy, dx) * 180.0 / 3.14159265358979323846;
        if (angle < 0.0)
            angle += 360.0;
        if (pvquartz::Num(angle) == "360.00")
            angle = 0.0;
        recording->Append("DrawText font=" + FontText(style) + " color=" + pvquartz::Colour(style.rgba) +
                          " origin=(" + pvquartz::Num(ox) + "," + pvquartz::Num(oy) + ") angle=" +
                          pvquartz::Num(angle) + " size=(" + pvquartz::Num(size.width) + "," +
                          pvquartz::Num(size.height) + ") centre=(" + pvquartz::Num(cx) + "," +
                          pvquartz::Num(cy) + ") text=" + pvquartz::Quote(utf8) + state);
    }
    if (!units_.empty()) {
        PangoContext* pango = DrawContext();
        pango_cairo_update_context(cr, pango);
        PangoLayout* layout = DrawLayout(style, utf8);
        cairo_set_source_rgba(cr, style.rgba[0], style.rgba[1], style.rgba[2],
                              style.rgba[3] * c->state.alpha);
        cairo_move_to(cr, 0.0, 0.0);
        pvquartz::WillPaint(c);
        pango_cairo_show_layout(cr, layout);
        g_object_unref(layout);
        cairo_new_path(cr);
    }
    cairo_restore(cr);
    cairo_append_path(cr, path);
    cairo_path_destroy(path);
}
