// What the Quartz flavour's drawing context and canvas share: the system
// layers, the generic RGB colour space and colours made from chart colours.
#pragma once

#include "chart/engine/Color.h"
#include "platform/appkit/AppKit.h"
#include "platform/quartz/Quartz.h"

// Made once, on first use, and never released.
CGColorSpaceRef GetGenericRGBColorSpace();

// The chart colour's channels as 0..1 (the 8-bit channel / 255), always opaque.
inline CGFloat Channel(std::uint8_t value) { return static_cast<CGFloat>(value) / 255.0; }
// A CoreGraphics colour of the chart colour in the generic RGB space, alpha
// 1; the caller releases it.
CGColorRef CreateCGColor(const CColor& colour);
// The AppKit colour of the chart colour, alpha 1 (autoreleased).
NSColor* MakeNSColor(const CColor& colour);
// pi / 180 in single precision.
float DegreesToRadians(float degrees);
