// Foundation and AppKit as the macOS flavour's drawing code uses them, in
// C++: one class per Cocoa class with the same name; class methods are
// static members, `[X alloc]` is X::alloc(), selector parts are joined by
// '_' (drawAtPoint:withAttributes: is drawAtPoint_withAttributes). A message
// to nil is the caller's business: calling a member through a null pointer
// is undefined, as any C++ call.
//
// Objects are reference counted: alloc, new, copy and mutableCopy give the
// caller one reference; other class methods return autoreleased objects,
// released when the innermost autorelease pool of the thread is released.
// retain, release and autorelease work as in Cocoa; an object autoreleased
// with no pool in place is leaked, with a message on stderr, as Cocoa does.
//
// Where Cocoa raises, these classes throw NSException (by value).
//
// Text is laid out and drawn by pango at 72 dpi (a point is a pixel) over
// the shared font code: the classic core families draw with their Liberation
// families. It is drawn on the current NSGraphicsContext's CGContext.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <exception>
#include <map>
#include <string>
#include <vector>

#include "platform/quartz/CoreGraphics.h"

typedef signed char BOOL;
#define YES ((BOOL)1)
#define NO ((BOOL)0)
typedef long NSInteger;
typedef unsigned long NSUInteger;
typedef uint16_t unichar;
typedef CGPoint NSPoint;
typedef CGSize NSSize;
typedef CGRect NSRect;

inline NSPoint NSMakePoint(CGFloat x, CGFloat y) { return CGPoint{x, y}; }
inline NSSize NSMakeSize(CGFloat width, CGFloat height) { return CGSize{width, height}; }
inline NSRect NSMakeRect(CGFloat x, CGFloat y, CGFloat width, CGFloat height)
{
    return CGRect{{x, y}, {width, height}};
}

class NSObject;
class NSString;
namespace pvappkit {
NSObject* Immortal(NSObject* object);
NSString* NewString(std::u16string units);
} // namespace pvappkit

// ---- NSObject, NSAutoreleasePool -------------------------------------------------

class NSObject {
public:
    static NSObject* alloc();
    NSObject* init() { return this; }
    NSObject* retain();
    // Frees the object when the last reference goes.
    void release();
    NSObject* autorelease();
    NSUInteger retainCount() const;
    // The text %@ inserts.
    virtual NSString* description();
    virtual BOOL isEqual(NSObject* other);
    virtual NSUInteger hash();

    NSObject(const NSObject&) = delete;
    NSObject& operator=(const NSObject&) = delete;

    // Objects alive in the process (made by alloc and not yet freed): for leak tests.
    static long LiveObjects();

protected:
    NSObject();
    virtual ~NSObject();

private:
    friend NSObject* pvappkit::Immortal(NSObject* object);
    NSUInteger refs_ = 1;
};
typedef NSObject* id;

// Pools nest per thread. Releasing a pool releases the pools made inside
// it first, then sends release to every object autoreleased into it (once
// per autorelease).
class NSAutoreleasePool : public NSObject {
public:
    static NSAutoreleasePool* alloc();
    NSAutoreleasePool* init();
    // Autoreleases into the innermost pool of the thread.
    static void addObject(NSObject* object);

protected:
    NSAutoreleasePool() = default;
    ~NSAutoreleasePool() override;

private:
    friend class NSObject;
    void Pop();
    std::vector<NSObject*> objects_;
    NSAutoreleasePool* outer_ = nullptr;
    bool pushed_ = false;
};

// ---- NSException -------------------------------------------------------------------

extern NSString* const NSGenericException;
extern NSString* const NSRangeException;
extern NSString* const NSInvalidArgumentException;
extern NSString* const NSInternalInconsistencyException;

// Thrown by value; holds its name and reason (retained).
class NSException : public std::exception {
public:
    NSException(NSString* name, NSString* reason);
    NSException(const NSException& other);
    NSException& operator=(const NSException& other);
    ~NSException() override;

    // Throws an exception of the name with the formatted reason.
    [[noreturn]] static void raise_format(NSString* name, NSString* format, ...);

    NSString* name() const { return name_; }
    NSString* reason() const { return reason_; }
    // "name: reason" in UTF-8.
    const char* what() const noexcept override { return what_.c_str(); }

private:
    NSString* name_;
    NSString* reason_;
    std::string what_;
};

// ---- strings ----------------------------------------------------------------------

// Text held as UTF-16 units, as Cocoa's.
class NSString : public NSObject {
public:
    static NSString* alloc();
    NSString* init();
    // Null text raises NSInvalidArgumentException; text that is not UTF-8
    // gives nil (and the allocated object is released).
    NSString* initWithUTF8String(const char* text);

    static NSString* stringWithUTF8String(const char* text);
    // printf-style formats: %@ (an object's description), %C (a unichar),
    // %c, %s (UTF-8), %d %i %u %x %X %o with the l, ll, h, z and q size
    // modifiers, %f %g %e, %p and %%, with flags, width and precision. An
    // unknown conversion raises NSInvalidArgumentException; a null format too.
    static NSString* stringWithFormat(NSString* format, ...);

    NSUInteger length() const;
    // Raises NSRangeException beyond the end.
    unichar characterAtIndex(NSUInteger index) const;
    // A zero-terminated UTF-8 copy that lives as long as an autoreleased
    // object of the innermost pool (unpaired surrogates become U+FFFD).
    const char* UTF8String();

    // The size the text takes in the attributes' font (NSFontAttributeName;
    // Helvetica 12 when none), one line; 0 x 0 for an empty text. While a
    // recording with fixed metrics is active, the recording's metrics.
    NSSize sizeWithAttributes(class NSDictionary* attributes);
    // Draws one line with the attributes' font and colour
    // (NSForegroundColorAttributeName; black when none) on the current
    // graphics context: in a flipped context the point is the text's top-left
    // corner, otherwise its bottom-left. Without a current context nothing
    // is drawn.
    void drawAtPoint_withAttributes(NSPoint point, class NSDictionary* attributes);

    NSString* description() override { return this; }
    BOOL isEqual(NSObject* other) override;
    NSUInteger hash() override;

    // For the layer's own use: the UTF-16 units.
    const std::u16string& Units() const { return units_; }

protected:
    friend NSString* pvappkit::NewString(std::u16string units);
    NSString() = default;
    std::u16string units_;
};

// A string literal (@"..." in Cocoa): one immortal object per distinct text.
NSString* NSSTR(const char* utf8);

class NSMutableString : public NSString {
public:
    static NSMutableString* alloc();
    NSMutableString* init();
    static NSMutableString* string();
    // Null raises NSInvalidArgumentException.
    void appendString(NSString* other);
    void appendFormat(NSString* format, ...);

protected:
    NSMutableString() = default;
};

// ---- dictionaries -------------------------------------------------------------------

// Keys are compared with isEqual (strings by their text); the dictionary
// retains keys and values. A nil key or object raises NSInvalidArgumentException.
class NSDictionary : public NSObject {
public:
    static NSDictionary* alloc();
    NSDictionary* init();
    static NSDictionary* dictionaryWithObject_forKey(NSObject* object, NSObject* key);
    NSObject* objectForKey(NSObject* key) const;
    NSUInteger count() const;

protected:
    NSDictionary() = default;
    ~NSDictionary() override;
    void Set(NSObject* object, NSObject* key);
    std::vector<std::pair<NSObject*, NSObject*>> entries_;
};

class NSMutableDictionary : public NSDictionary {
public:
    static NSMutableDictionary* alloc();
    NSMutableDictionary* init();
    static NSMutableDictionary* dictionary();
    static NSMutableDictionary* dictionaryWithObject_forKey(NSObject* object, NSObject* key);
    void setObject_forKey(NSObject* object, NSObject* key);

protected:
    NSMutableDictionary() = default;
};

extern NSString* const NSFontAttributeName;
extern NSString* const NSForegroundColorAttributeName;

// ---- fonts and colours ---------------------------------------------------------------

class NSFont : public NSObject {
public:
    // Nil for an empty name or one that fontconfig does not resolve to that
    // family (the classic core names resolve to their Liberation families),
    // and for a negative or non-finite size; 0 is the default size 12, as in
    // Cocoa.
    static NSFont* fontWithName_size(NSString* fontName, CGFloat fontSize);
    // The generic sans-serif family; sizes of 0 or less are 12.
    static NSFont* systemFontOfSize(CGFloat fontSize);
    NSString* fontName() const { return name_; }
    CGFloat pointSize() const { return size_; }

    // For the layer's own use: the family pango draws, as asked for.
    const std::string& Family() const { return family_; }

protected:
    NSFont() = default;
    ~NSFont() override;

private:
    static NSFont* Make(const std::string& family, CGFloat size);
    NSString* name_ = nullptr;
    std::string family_;
    CGFloat size_ = 0.0;
};

// RGB colours (calibrated and device RGB are the same space here).
class NSColor : public NSObject {
public:
    // Components clamped to 0..1.
    static NSColor* colorWithCalibratedRed_green_blue_alpha(CGFloat red, CGFloat green,
                                                            CGFloat blue, CGFloat alpha);
    static NSColor* colorWithDeviceRed_green_blue_alpha(CGFloat red, CGFloat green, CGFloat blue,
                                                        CGFloat alpha);
    static NSColor* blackColor();
    // The fill and stroke colour of the current graphics context (none: nothing).
    void set();
    CGFloat redComponent() const { return rgba_[0]; }
    CGFloat greenComponent() const { return rgba_[1]; }
    CGFloat blueComponent() const { return rgba_[2]; }
    CGFloat alphaComponent() const { return rgba_[3]; }
    // A CGColor of the generic RGB space; the colour keeps it.
    CGColorRef CGColor();

protected:
    NSColor() = default;
    ~NSColor() override;

private:
    CGFloat rgba_[4] = {0.0, 0.0, 0.0, 1.0};
    CGColorRef cg_ = nullptr;
};

// ---- graphics context ---------------------------------------------------------------

// The current context is per thread; it starts as nil.
class NSGraphicsContext : public NSObject {
public:
    // Over a CGContextRef (given as void*, the graphics port); nil for a null
    // port. Does not change the CGContext's transform: "flipped" tells the
    // drawing that user space runs with y downward (text is drawn upright).
    static NSGraphicsContext* graphicsContextWithGraphicsPort_flipped(void* graphicsPort,
                                                                      BOOL initialFlippedState);
    static NSGraphicsContext* currentContext();
    // Retains the new context; nil is allowed.
    static void setCurrentContext(NSGraphicsContext* context);
    // Pushes the current context and its CGContext's graphics state (when
    // there is a current context).
    static void saveGraphicsState();
    // Pops what the matching save pushed: the CGContext's graphics state is
    // restored and the saved context becomes current again. Without a save,
    // nothing.
    static void restoreGraphicsState();

    void* graphicsPort() const { return port_; }
    CGContextRef CGContext() const { return port_; }
    BOOL isFlipped() const { return flipped_; }
    void setShouldAntialias(BOOL antialias);

protected:
    NSGraphicsContext() = default;
    ~NSGraphicsContext() override;

private:
    CGContextRef port_ = nullptr;
    BOOL flipped_ = NO;
};

// ---- paths, transforms, gradients ------------------------------------------------------

typedef NSUInteger NSLineJoinStyle;
enum : NSLineJoinStyle { NSMiterLineJoinStyle = 0, NSRoundLineJoinStyle = 1, NSBevelLineJoinStyle = 2 };

// A path with its own line width (1.0), join (miter) and dash (none), butt
// caps and the non-zero winding rule; stroke, fill and addClip paint on the
// current graphics context's CGContext in its current transform and colours.
class NSBezierPath : public NSObject {
public:
    static NSBezierPath* alloc();
    NSBezierPath* init();
    static NSBezierPath* bezierPath();

    // lineToPoint without a current point raises
    // NSInternalInconsistencyException ("no current point"), as Cocoa does.
    void moveToPoint(NSPoint point);
    void lineToPoint(NSPoint point);
    void closePath();
    void appendBezierPathWithRect(NSRect rect);

    void setLineWidth(CGFloat width) { lineWidth_ = width; }
    void setLineJoinStyle(NSLineJoinStyle style) { join_ = style; }
    // count 0 or a null pattern: solid. A negative count raises
    // NSInvalidArgumentException.
    void setLineDash_count_phase(const CGFloat* pattern, NSInteger count, CGFloat phase);

    void stroke();
    void fill();
    void addClip();

    BOOL isEmpty() const { return elements_.empty(); }
    // The smallest rectangle holding every point.
    NSRect bounds() const;

protected:
    NSBezierPath() = default;

private:
    struct Element {
        enum Kind { Move, Line, Close } kind;
        CGPoint point;
    };
    void AddToContext(CGContextRef c) const;
    void ApplyStroke(CGContextRef c) const;
    std::vector<Element> elements_;
    bool hasCurrent_ = false;
    CGPoint current_ = {0.0, 0.0};
    CGPoint subpathStart_ = {0.0, 0.0};
    CGFloat lineWidth_ = 1.0;
    NSLineJoinStyle join_ = NSMiterLineJoinStyle;
    std::vector<CGFloat> dash_;
    CGFloat phase_ = 0.0;
};

// A 2-D affine transform, identity at first; operations prepend (the new
// step applies first to points, as Cocoa's do).
class NSAffineTransform : public NSObject {
public:
    static NSAffineTransform* alloc();
    NSAffineTransform* init();
    static NSAffineTransform* transform();
    void translateXBy_yBy(CGFloat deltaX, CGFloat deltaY);
    void rotateByDegrees(CGFloat angle);
    // Concatenates the transform onto the current graphics context's CTM.
    void concat();

protected:
    NSAffineTransform() = default;

private:
    CGAffineTransform m_ = {1.0, 0.0, 0.0, 1.0, 0.0, 0.0};
};

// A linear gradient of two colours (start at location 0, end at 1).
class NSGradient : public NSObject {
public:
    static NSGradient* alloc();
    // Nil colours raise NSInvalidArgumentException.
    NSGradient* initWithStartingColor_endingColor(NSColor* startingColor, NSColor* endingColor);
    // Fills the path with the gradient running across its bounds at the angle
    // in degrees (0: start at the left, 90: start at the smaller y), on the
    // current graphics context, the path's rule clipping.
    void drawInBezierPath_angle(NSBezierPath* path, CGFloat angle);

protected:
    NSGradient() = default;
    ~NSGradient() override;

private:
    NSColor* start_ = nullptr;
    NSColor* end_ = nullptr;
};
