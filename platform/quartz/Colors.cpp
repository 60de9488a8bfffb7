// Colour spaces, colours and gradients.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/quartz/Internal.h"

namespace {

// One RGB space: generic and device RGB are the same here.
CGColorSpaceObject rgbSpace(3);

CGColorSpaceObject* Space(CGColorSpaceRef space)
{
    return pvcf::As<CGColorSpaceObject>(space, pvquartz::kColorSpaceType, "CGColorSpace");
}

double Clamp(CGFloat v)
{
    if (!(v >= 0.0))   // NaN too
        return 0.0;
    return v > 1.0 ? 1.0 : v;
}

// The space's components then alpha, to RGBA.
void ToRgba(const CGColorSpaceObject*, const CGFloat* components, double rgba[4])
{
    for (int i = 0; i < 4; ++i)
        rgba[i] = Clamp(components[i]);
}

CFStringRef Literal(const char* text)
{
    return CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8);
}

} // namespace

extern "C" {

const CFStringRef kCGColorSpaceGenericRGB = Literal("kCGColorSpaceGenericRGB");

CGColorSpaceRef CGColorSpaceCreateWithName(CFStringRef name)
{
    if (!name)
        return nullptr;
    return CFEqual(name, kCGColorSpaceGenericRGB) ? &rgbSpace : nullptr;
}

CGColorSpaceRef CGColorSpaceCreateDeviceRGB(void) { return &rgbSpace; }
CGColorSpaceRef CGColorSpaceRetain(CGColorSpaceRef space)
{
    if (space)
        CFRetain(space);
    return space;
}

void CGColorSpaceRelease(CGColorSpaceRef space)
{
    if (space)
        CFRelease(space);
}

size_t CGColorSpaceGetNumberOfComponents(CGColorSpaceRef space)
{
    return space ? Space(space)->components : 0;
}

CGColorRef CGColorCreate(CGColorSpaceRef space, const CGFloat* components)
{
    if (!space || !components)
        return nullptr;
    const CGColorSpaceObject* s = Space(space);
    auto* color = new CGColorObject;
    color->space = space;
    for (size_t i = 0; i <= s->components; ++i)
        color->components[i] = Clamp(components[i]);
    ToRgba(s, components, color->rgba);
    return color;
}

CGColorRef CGColorCreateGenericRGB(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
    const CGFloat components[4] = {red, green, blue, alpha};
    return CGColorCreate(&rgbSpace, components);
}

CGColorRef CGColorRetain(CGColorRef color)
{
    if (color)
        CFRetain(color);
    return color;
}

void CGColorRelease(CGColorRef color)
{
    if (color)
        CFRelease(color);
}

size_t CGColorGetNumberOfComponents(CGColorRef color)
{
    if (!color)
        return 0;
    auto* c = pvcf::As<CGColorObject>(color, pvquartz::kColorType, "CGColorGetNumberOfComponents");
    return Space(c->space)->components + 1;
}

const CGFloat* CGColorGetComponents(CGColorRef color)
{
    if (!color)
        return nullptr;
    return pvcf::As<CGColorObject>(color, pvquartz::kColorType, "CGColorGetComponents")->components;
}
CGColorSpaceRef CGColorGetColorSpace(CGColorRef color)
{
    if (!color)
        return nullptr;
    return pvcf::As<CGColorObject>(color, pvquartz::kColorType, "CGColorGetColorSpace")->space;
}

CGGradientRef CGGradientCreateWithColorComponents(CGColorSpaceRef space, const CGFloat* components,
                                                  const CGFloat* locations, size_t count)
{
    if (!space || !components || count == 0)
        return nullptr;
    const CGColorSpaceObject* s = Space(space);
    auto* gradient = new CGGradientObject;
    gradient->stops.resize(count);
    for (size_t i = 0; i < count; ++i) {
        CGGradientObject::Stop& stop = gradient->stops[i];
        if (locations)
            stop.location = Clamp(locations[i]);
        else
            stop.location = count == 1 ? 0.0 : static_cast<double>(i) / static_cast<double>(count - 1);
        ToRgba(s, components + i * (s->components + 1), stop.rgba);
    }
    return gradient;
}

CGGradientRef CGGradientRetain(CGGradientRef gradient)
{
    if (gradient)
        CFRetain(gradient);
    return gradient;
}

void CGGradientRelease(CGGradientRef gradient)
{
    if (gradient)
        CFRelease(gradient);
}

}  // extern "C"
