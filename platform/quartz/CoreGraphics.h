// CoreGraphics as the macOS flavour's drawing code calls it, over cairo.
// Only what that code calls is declared, with the semantics it relies on.
//
// Objects (contexts, colours, colour spaces, gradients, images) are Core
// Foundation objects: CFRetain and CFRelease work on them as the CG...Retain
// and CG...Release functions do; those accept null. Every CGContext function
// given a null context does nothing (and answers null or the identity).
//
// A bitmap context has the Quartz base transform: user space starts with
// the origin at the bottom-left corner and y growing upward; CGContextGetCTM
// answers the identity then. Angles are in radians; CGContextAddArc with
// clockwise 0 runs from the start angle toward larger angles (counter-
// clockwise on a y-up picture, clockwise once the caller flips y).
//
// Pixels: 8 bits per component, premultiplied alpha, in the caller's buffer
// with the caller's row bytes. The bytes of a pixel lie as cairo's ARGB32
// keeps them (one native-endian 32-bit word 0xAARRGGBB) whatever alpha info
// is asked for; the callers never read the buffer themselves, they take
// images of it (CGBitmapContextCreateImage).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/corefoundation/CoreFoundation.h"

extern "C" {

typedef double CGFloat;

struct CGPoint {
    CGFloat x;
    CGFloat y;
};
struct CGSize {
    CGFloat width;
    CGFloat height;
};
struct CGRect {
    CGPoint origin;
    CGSize size;
};
struct CGAffineTransform {
    CGFloat a, b, c, d, tx, ty;
};

extern const CGAffineTransform CGAffineTransformIdentity;

inline CGPoint CGPointMake(CGFloat x, CGFloat y) { return CGPoint{x, y}; }
inline CGSize CGSizeMake(CGFloat width, CGFloat height) { return CGSize{width, height}; }
inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat width, CGFloat height)
{
    return CGRect{{x, y}, {width, height}};
}

// The rectangle helpers work on the standardized rectangle (a negative
// width or height counts from the other edge).
CGFloat CGRectGetMidX(CGRect rect);
CGFloat CGRectGetMidY(CGRect rect);
CGFloat CGRectGetWidth(CGRect rect);
CGFloat CGRectGetHeight(CGRect rect);

CGAffineTransform CGAffineTransformMakeTranslation(CGFloat tx, CGFloat ty);
CGAffineTransform CGAffineTransformMakeScale(CGFloat sx, CGFloat sy);
CGAffineTransform CGAffineTransformMakeRotation(CGFloat angle);
// t1 then t2.
CGAffineTransform CGAffineTransformConcat(CGAffineTransform t1, CGAffineTransform t2);
CGAffineTransform CGAffineTransformTranslate(CGAffineTransform t, CGFloat tx, CGFloat ty);
CGAffineTransform CGAffineTransformRotate(CGAffineTransform t, CGFloat angle);
bool CGAffineTransformIsIdentity(CGAffineTransform t);
CGPoint CGPointApplyAffineTransform(CGPoint point, CGAffineTransform t);

typedef struct CGContextObject* CGContextRef;
typedef struct CGColorObject* CGColorRef;
typedef struct CGColorSpaceObject* CGColorSpaceRef;
typedef struct CGGradientObject* CGGradientRef;
typedef struct CGImageObject* CGImageRef;

// ---- colour spaces and colours -----------------------------------------------

// One RGB space: generic and device RGB are the same space.
extern const CFStringRef kCGColorSpaceGenericRGB;

// Null for a name it does not know.
CGColorSpaceRef CGColorSpaceCreateWithName(CFStringRef name);
CGColorSpaceRef CGColorSpaceCreateDeviceRGB(void);
CGColorSpaceRef CGColorSpaceRetain(CGColorSpaceRef space);
void CGColorSpaceRelease(CGColorSpaceRef space);
// Colour components without alpha: 3.
size_t CGColorSpaceGetNumberOfComponents(CGColorSpaceRef space);

// components: the space's components then alpha (4 for RGB), each clamped to
// 0..1. Null without a space or components.
CGColorRef CGColorCreate(CGColorSpaceRef space, const CGFloat* components);
CGColorRef CGColorCreateGenericRGB(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
CGColorRef CGColorRetain(CGColorRef color);
void CGColorRelease(CGColorRef color);
size_t CGColorGetNumberOfComponents(CGColorRef color);   // alpha included
const CGFloat* CGColorGetComponents(CGColorRef color);
CGColorSpaceRef CGColorGetColorSpace(CGColorRef color);   // not retained

// ---- gradients ------------------------------------------------------------------

// count colours of the space's components plus alpha each; locations (0..1,
// in any order) or null for evenly spaced from 0 to 1.
CGGradientRef CGGradientCreateWithColorComponents(CGColorSpaceRef space, const CGFloat* components,
                                                  const CGFloat* locations, size_t count);
CGGradientRef CGGradientRetain(CGGradientRef gradient);
void CGGradientRelease(CGGradientRef gradient);

typedef uint32_t CGGradientDrawingOptions;
enum : CGGradientDrawingOptions {
    kCGGradientDrawsBeforeStartLocation = 1u << 0,
    kCGGradientDrawsAfterEndLocation = 1u << 1,
};

// ---- bitmap contexts and images ----------------------------------------------------

typedef uint32_t CGBitmapInfo;
enum : CGBitmapInfo {
    kCGImageAlphaNone = 0,
    kCGImageAlphaPremultipliedLast = 1,
    kCGImageAlphaPremultipliedFirst = 2,
    kCGImageAlphaLast = 3,
    kCGImageAlphaFirst = 4,
    kCGImageAlphaNoneSkipLast = 5,
    kCGImageAlphaNoneSkipFirst = 6,
    kCGBitmapAlphaInfoMask = 0x1F,
    kCGBitmapByteOrderDefault = 0,
    kCGBitmapByteOrder32Little = 2u << 12,
    kCGBitmapByteOrder32Big = 4u << 12,
    kCGBitmapByteOrderMask = 0x7000,
};

// Over the caller's buffer of bytesPerRow * height bytes, which it keeps and
// frees after releasing the context; a null buffer is allocated and owned by
// the context (bytesPerRow 0: the least, rounded up to 16). Takes 8 bits per
// component, an RGB space and premultiplied alpha (first or last) or none
// skipped; null for anything else, for sizes of 0 or beyond 32767, for
// bytesPerRow below width * 4 or not a multiple of 4, or when cairo cannot
// make the surface. Pixels are left as they are.
CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent,
                                   size_t bytesPerRow, CGColorSpaceRef space, uint32_t bitmapInfo);
void* CGBitmapContextGetData(CGContextRef context);
size_t CGBitmapContextGetWidth(CGContextRef context);
size_t CGBitmapContextGetHeight(CGContextRef context);
size_t CGBitmapContextGetBytesPerRow(CGContextRef context);
// The context's pixels as they are now (an open transparency layer not
// composited); null when there is no memory. Copy on write: the image reads
// the context's buffer until the context paints again or is released (the
// caller's own writes to the buffer before then show in the image, as
// Quartz allows).
CGImageRef CGBitmapContextCreateImage(CGContextRef context);

CGImageRef CGImageRetain(CGImageRef image);
void CGImageRelease(CGImageRef image);
size_t CGImageGetWidth(CGImageRef image);
size_t CGImageGetHeight(CGImageRef image);

CGContextRef CGContextRetain(CGContextRef context);
void CGContextRelease(CGContextRef context);

// ---- graphics state ---------------------------------------------------------------

// Saves the transform, clip, line width, cap, join, dash, fill
// and stroke colours, alpha and antialiasing; the path is not part of it.
void CGContextSaveGState(CGContextRef c);
// Without a matching save it does nothing.
void CGContextRestoreGState(CGContextRef c);

void CGContextTranslateCTM(CGContextRef c, CGFloat tx, CGFloat ty);
void CGContextScaleCTM(CGContextRef c, CGFloat sx, CGFloat sy);
void CGContextRotateCTM(CGContextRef c, CGFloat angle);
void CGContextConcatCTM(CGContextRef c, CGAffineTransform transform);
CGAffineTransform CGContextGetCTM(CGContextRef c);

typedef int32_t CGLineCap;
enum : CGLineCap { kCGLineCapButt = 0, kCGLineCapRound = 1, kCGLineCapSquare = 2 };
typedef int32_t CGLineJoin;
enum : CGLineJoin { kCGLineJoinMiter = 0, kCGLineJoinRound = 1, kCGLineJoinBevel = 2 };

void CGContextSetLineWidth(CGContextRef c, CGFloat width);
void CGContextSetLineCap(CGContextRef c, CGLineCap cap);
void CGContextSetLineJoin(CGContextRef c, CGLineJoin join);
// lengths null or count 0: solid lines.
void CGContextSetLineDash(CGContextRef c, CGFloat phase, const CGFloat* lengths, size_t count);
void CGContextSetShouldAntialias(CGContextRef c, bool shouldAntialias);
void CGContextSetAlpha(CGContextRef c, CGFloat alpha);

// Null colours leave the colour as it was. Both are opaque black at first.
void CGContextSetFillColorWithColor(CGContextRef c, CGColorRef color);
void CGContextSetStrokeColorWithColor(CGContextRef c, CGColorRef color);
void CGContextSetRGBFillColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue,
                              CGFloat alpha);
void CGContextSetRGBStrokeColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue,
                                CGFloat alpha);

// ---- paths ---------------------------------------------------------------------------

void CGContextBeginPath(CGContextRef c);
void CGContextMoveToPoint(CGContextRef c, CGFloat x, CGFloat y);
void CGContextAddLineToPoint(CGContextRef c, CGFloat x, CGFloat y);
// A line from the current point (when there is one) to the arc's start, then
// the arc of centre (x, y) from startAngle to endAngle (radians); clockwise 0
// runs toward larger angles.
void CGContextAddArc(CGContextRef c, CGFloat x, CGFloat y, CGFloat radius, CGFloat startAngle,
                     CGFloat endAngle, int clockwise);
void CGContextAddRect(CGContextRef c, CGRect rect);
void CGContextClosePath(CGContextRef c);

// Painting the path consumes it; fills use the non-zero winding rule.
void CGContextFillPath(CGContextRef c);
void CGContextStrokePath(CGContextRef c);
// Narrows the clip to the path (non-zero winding) and consumes it.
void CGContextClip(CGContextRef c);
void CGContextClipToRect(CGContextRef c, CGRect rect);

void CGContextFillRect(CGContextRef c, CGRect rect);
// Every pixel of the rectangle (within the clip) transparent black.
void CGContextClearRect(CGContextRef c, CGRect rect);

// Paints the clip area with the gradient along the line from start to end
// (user space); beyond the ends only where the options ask.
void CGContextDrawLinearGradient(CGContextRef c, CGGradientRef gradient, CGPoint startPoint,
                                 CGPoint endPoint, CGGradientDrawingOptions options);

// What is drawn until the matching end is composited onto the picture as one
// image at the end (with the alpha of the begin). Begin saves the graphics
// state, end restores it; an end without a begin does nothing.
void CGContextBeginTransparencyLayer(CGContextRef c, CFDictionaryRef auxiliaryInfo);
void CGContextEndTransparencyLayer(CGContextRef c);


}  // extern "C"
