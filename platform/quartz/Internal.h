// Shared inside the quartz layer and with the appkit layer above it.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/AreaCoverage.h"
#include "platform/corefoundation/Object.h"
#include "platform/quartz/CoreGraphics.h"
#include "platform/quartz/Recording.h"

namespace pvquartz {

// Type ids of the layer's objects, after Core Foundation's own.
enum : CFTypeID {
    kColorSpaceType = 0x100,
    kColorType,
    kGradientType,
    kImageType,
    kContextType,
    kImageDestinationType,
};

struct GState {
    double fill[4] = {0.0, 0.0, 0.0, 1.0};
    double stroke[4] = {0.0, 0.0, 0.0, 1.0};
    double alpha = 1.0;
    bool antialias = true;
    double lineWidth = 1.0;
    CGLineCap cap = kCGLineCapButt;
    CGLineJoin join = kCGLineJoinMiter;
    std::vector<double> dash;
    double phase = 0.0;
    bool layer = false;   // pushed by a transparency layer's begin
    bool shapedClip = false;   // a clip other than upright rectangles is in force
    bool clipped = false;      // any clip is in force
    // When the clip in force is one shaped path: its outline on the
    // picture, flattened; null for any other clip.
    std::shared_ptr<const pvcommon::raster::Polygons> clipOutline;
};

// The path as the recording writes it (see Recording.h), kept beside
// cairo's own path while a recording is active.
struct RecordedPath {
    std::vector<std::string> elements;
    bool hasCurrent = false;
    double currentX = 0.0, currentY = 0.0;   // on the picture
};

// A move, an arc or a close at the start of a path, kept until the path is
// used (see HandOverPath), under the transform it was added under.
struct PathStep {
    enum Kind { kMove, kArc, kClose };
    Kind kind = kMove;
    bool clockwise = false;
    double v[5] = {};   // a move's point; an arc's centre, radius and angles
    cairo_matrix_t m{};
};

} // namespace pvquartz

struct CGColorSpaceObject : CFObject {
    explicit CGColorSpaceObject(size_t n) : CFObject(pvquartz::kColorSpaceType, true), components(n) {}
    const size_t components;
};

struct CGColorObject : CFObject {
    CGColorObject() : CFObject(pvquartz::kColorType) {}
    CGColorSpaceRef space = nullptr;
    CGFloat components[4] = {0.0, 0.0, 0.0, 1.0};   // the space's, then alpha
    double rgba[4] = {0.0, 0.0, 0.0, 1.0};
};

struct CGGradientObject : CFObject {
    CGGradientObject() : CFObject(pvquartz::kGradientType) {}
    struct Stop {
        double location;
        double rgba[4];
    };
    std::vector<Stop> stops;   // in the order given
};

struct CGContextObject;

// An image's pixels: cairo ARGB32, premultiplied, opaque when without alpha.
// An image of a context shares the context's pixels until the context paints
// again or goes (copy on write), when its own buffer is made; without it
// (the copy could not be made) the image has no pixels.
struct CGImageObject : CFObject {
    CGImageObject() : CFObject(pvquartz::kImageType) {}
    ~CGImageObject() override;
    const unsigned char* Data() const { return shared ? sharedData : own.get(); }
    int width = 0;
    int height = 0;
    std::size_t stride = 0;
    CGBitmapInfo info = kCGImageAlphaPremultipliedFirst;
    std::unique_ptr<unsigned char[]> own;
    CGContextObject* shared = nullptr;   // not retained: the context lets go first
    const unsigned char* sharedData = nullptr;
};

struct CGContextObject : CFObject {
    CGContextObject() : CFObject(pvquartz::kContextType) {}
    ~CGContextObject() override;
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    unsigned char* data = nullptr;
    bool ownsData = false;
    int width = 0;
    int height = 0;
    std::size_t stride = 0;
    CGBitmapInfo info = 0;
    pvquartz::GState state;
    std::vector<pvquartz::GState> saved;
    pvquartz::RecordedPath path;
    std::vector<pvquartz::PathStep> steps;   // ahead of cairo's path, not in it yet
    std::vector<CGImageObject*> sharing;   // images that still read `data`
    pvcommon::raster::AreaCoverage area;   // kept from one painting to the next
    double lastSolid[4] = {-1.0, -1.0, -1.0, -1.0};   // the last solid colour painted
    std::uint32_t lastSolidPixel = 0;                  // and its pixel
};

namespace pvquartz {

// The context behind a reference; null for null (a wrong type is fatal).
// Its path is all in cairo's.
CGContextObject* Context(CGContextRef c, const char* function);
// The same, for calls that neither read nor extend cairo's path: steps
// kept ahead of it stay kept.
CGContextObject* ContextKeepingSteps(CGContextRef c, const char* function);
// Hands the first `count` kept steps (all by default) to cairo's path, in
// order, each under its transform; the rest stay kept.
void HandOverPath(CGContextObject* c, std::size_t count = SIZE_MAX);

// Before anything paints on the context: images sharing its pixels take
// their copy.
void WillPaint(CGContextObject* c);

// Painting state onto cairo: the fill or stroke colour with the alpha and
// antialiasing; for strokes the line attributes too.
void ApplyFill(CGContextObject* c);
void ApplyStroke(CGContextObject* c);

// The recording's pieces.
std::string Num(double value);
std::string Colour(const double rgba[4]);
std::string Quote(const std::string& utf8);
// " [xf=M] aa=on|off [alpha=N]" of the context's state now.
std::string StateText(CGContextObject* c);

// Sets cairo's source to the colour with the context's alpha, and its
// antialiasing.
void SetSource(CGContextObject* c, const double rgba[4]);
// The current path on the picture's pixels (flattened when asked), as
// cairo keeps it; the caller destroys it.
cairo_path_t* PicturePath(cairo_t* cr, bool flat);
// The pixel cairo paints for a colour (see Context.cpp).
std::uint32_t SolidPixel(CGContextObject* c, double r, double g, double b, double a);

// The hand-tuned paths beside cairo's general one, a file each; each paints
// what cairo's stroke or fill would, or returns false having painted
// nothing (cairo then does it). None is taken while
// pvcommon::raster::FastPaths() is off.
//   DashedAxisLines.cpp  dashed lines along a pixel axis
bool StrokeDashedAxisLine(CGContextObject* c);
//   RowStacks.cpp        one figure stacked row by row, aliased; as cairo's
//                        path or still in steps (see HandOverPath), stroked
//                        or (closed wedges) filled
bool StrokeRowStack(CGContextObject* c);
bool StrokeStepStack(CGContextObject* c);
bool FillStepStack(CGContextObject* c);
//   SmoothCurves.cpp     smoothed strokes of gentle curves, by area
bool StrokeSmoothCurve(CGContextObject* c);
//   Thinning.cpp         long polylines thinned in cairo's path (paints nothing)
void ThinPolylines(CGContextObject* c);
//   Gradients.cpp        opaque linear gradients through a clip's coverage:
//                        the clip's outline covered by area, or cairo's mask
bool GradientThroughOutline(CGContextObject* c, const pvcommon::raster::Polygons& outline,
                            const std::vector<CGGradientObject::Stop>& stops, CGPoint start, CGPoint end,
                            bool before, bool after);
bool GradientThroughMask(CGContextObject* c, cairo_pattern_t* coverage,
                         const std::vector<CGGradientObject::Stop>& stops, CGPoint start, CGPoint end,
                         bool before, bool after);

} // namespace pvquartz
