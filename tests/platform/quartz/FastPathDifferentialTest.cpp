// The Quartz layer's fast paths held against its general path (plain
// cairo) over generated shapes: the same calls drawn with the fast paths on
// and off (see tests/platform/common/Differential.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "Pictures.h"
#include "platform/quartz/Recording.h"
#include "tests/platform/common/Differential.h"

using pvtest::differential::Cases;
using pvtest::differential::Generator;
using pvtest::differential::Hold;
using pvtest::differential::Picture;
using pvtest::differential::Tolerance;

namespace {

constexpr int kWidth = 96, kHeight = 72;
constexpr double kPi = 3.14159265358979323846;

// A canvas as the chart's (origin top-left), cleared to a colour of the
// case, now and then clipped to a rectangle or inside a transparency layer,
// drawn on by `shapes`.
template <class Shapes>
Picture Draw(Generator& gen, Shapes shapes, bool clipped = true)
{
    // A case drawn alone (PV_DIFFERENTIAL_SEED) is written out; the
    // recording hands every path to cairo at once, so steps are not kept.
    std::unique_ptr<pvquartz::Recording> recording;
    if (std::getenv("PV_DIFFERENTIAL_SEED"))
        recording = std::make_unique<pvquartz::Recording>();
    qtest::Canvas canvas(kWidth, kHeight, kWidth * 4 + 4 * static_cast<size_t>(gen.Int(0, 2)));
    CGContextRef c = canvas.context();
    canvas.Flip();
    if (gen.Chance(0.8)) {
        qtest::SetFill(c, 1, 1, 1);
    } else {
        const double r = gen.Real(0, 1), g = gen.Real(0, 1), b = gen.Real(0, 1);
        qtest::SetFill(c, r, g, b, gen.Real(0, 1));
    }
    CGContextFillRect(c, CGRectMake(0, 0, kWidth, kHeight));
    Picture picture;
    picture.width = kWidth;
    picture.background = canvas.At(0, 0);
    const bool layer = gen.Chance(0.05);
    if (clipped && gen.Chance(0.15)) {
        const double x = gen.Real(-10, kWidth), y = gen.Real(-10, kHeight), w = gen.Real(0, kWidth);
        CGContextClipToRect(c, CGRectMake(x, y, w, gen.Real(0, kHeight)));
    }
    if (layer)
        CGContextBeginTransparencyLayer(c, nullptr);
    CGContextSetShouldAntialias(c, gen.Chance(0.5));
    if (gen.Chance(0.1))
        CGContextSetAlpha(c, gen.Real(0, 1));
    shapes(c);
    if (layer)
        CGContextEndTransparencyLayer(c);
    picture.pixels = canvas.All();
    if (recording)
        std::printf("%s\n", recording->Text().c_str());
    return picture;
}

void SetStroke(Generator& gen, CGContextRef c, bool opaque)
{
    const double red = gen.Real(0, 1), green = gen.Real(0, 1), blue = gen.Real(0, 1);
    CGContextSetRGBStrokeColor(c, red, green, blue, opaque || gen.Chance(0.6) ? 1.0 : gen.Real(0, 1));
    const double r = gen.Real(0, 1);
    CGContextSetLineWidth(c, r < 0.3 ? gen.Int(1, 4) : r < 0.5 ? gen.Int(1, 32) / 8.0 : gen.Real(0.05, 6.0));
}

// Now and then a transform: mostly a move, whole or not, or a flip; a
// scale or a rotation unless lengths along the axes are to be kept.
void MaybeTransform(Generator& gen, CGContextRef c, double chance, bool keepLengths)
{
    if (!gen.Chance(chance))
        return;
    const double dx = gen.Chance(0.5) ? gen.Int(-20, 20) : gen.Real(-20, 20);
    CGContextTranslateCTM(c, dx, gen.Chance(0.5) ? gen.Int(-20, 20) : gen.Real(-20, 20));
    if (gen.Chance(0.3)) {
        const double sx = gen.Chance(0.5) ? 1 : -1;
        CGContextScaleCTM(c, sx, gen.Chance(0.5) ? 1 : -1);
    }
    if (!keepLengths && gen.Chance(0.3)) {
        const double sx = gen.Real(0.3, 3);
        CGContextScaleCTM(c, sx, gen.Real(0.3, 3));
    }
    if (!keepLengths && gen.Chance(0.1))
        CGContextRotateCTM(c, gen.Chance(0.5) ? kPi / 2 * gen.Int(-2, 2) : gen.Real(-kPi, kPi));
}

double X(Generator& gen) { return gen.Coordinate(kWidth); }
double Y(Generator& gen) { return gen.Coordinate(kHeight); }

// An arc of an ellipse as the chart draws one: a move to its start and an
// arc of the unit circle under a scale.
void AddEllipseArc(CGContextRef c, double cx, double cy, double rx, double ry, double a0, double a1, bool clockwise)
{
    CGContextSaveGState(c);
    CGContextTranslateCTM(c, cx, cy);
    CGContextScaleCTM(c, rx, ry);
    CGContextMoveToPoint(c, std::cos(a0), std::sin(a0));
    CGContextAddArc(c, 0, 0, 1, a0, a1, clockwise ? 1 : 0);
    CGContextRestoreGState(c);
}

} // namespace

// Dashed lines along a pixel axis, painted from their coverage: exact in
// area where cairo samples it, an eighth apart at dash ends; aliased, the
// pixels whose centre lies in a dash, where cairo's walk of the pattern in
// its fixed point can end a dash on the next pixel (two dozen pixels a
// case, or a tenth of them, at most).
TEST(FastPathDifferential, DashedAxisLinesCoverWhatCairoCovers)
{
    Hold("dashed axis lines", 0xDA5Eu, Cases(2000), Tolerance{32, 0.1, 24}, [](Generator& gen) {
        return Draw(gen, [&](CGContextRef c) {
            MaybeTransform(gen, c, 0.3, gen.Chance(0.9));
            SetStroke(gen, c, gen.Chance(0.7));
            std::vector<CGFloat> dash(static_cast<size_t>(gen.Int(1, 4)));
            for (CGFloat& d : dash)
                d = gen.Chance(0.5) ? gen.Int(1, 12) / 2.0 : gen.Real(0.05, 6.0);
            CGContextSetLineDash(c, gen.Chance(0.5) ? 0.0 : gen.Real(-5, 20), dash.data(), dash.size());
            if (gen.Chance(0.1))
                CGContextSetLineCap(c, kCGLineCapSquare);
            // Aliased, cairo walks the pattern in its fixed point, and over
            // thousands of dashes its ends drift off the exact ones: such
            // lines stay within a few thousand pixels.
            // Aliased pens thinner than a pixel are left out too: cairo sets
            // no pixel for some of them where a dash's pixel centres lie
            // inside them.
            const bool smooth = gen.Chance(0.5);
            CGContextSetShouldAntialias(c, smooth);
            if (!smooth)
                CGContextSetLineWidth(c, gen.Chance(0.5) ? gen.Int(1, 4) : gen.Real(1.0, 6.0));
            auto X = [&](Generator& g) { return smooth ? ::X(g) : std::clamp(::X(g), -2000.0, 2000.0); };
            auto Y = [&](Generator& g) { return smooth ? ::Y(g) : std::clamp(::Y(g), -2000.0, 2000.0); };
            for (int i = gen.Int(1, 3); i > 0; --i) {
                const double x = X(gen), y = Y(gen);
                CGContextBeginPath(c);
                CGContextMoveToPoint(c, x, y);
                if (gen.Chance(0.5))
                    CGContextAddLineToPoint(c, gen.Chance(0.1) ? x : X(gen), y);
                else
                    CGContextAddLineToPoint(c, x, Y(gen));
                CGContextStrokePath(c);
            }
        });
    });
}

// A figure stacked a whole row apart, stroked without anti-aliasing (a
// pie's side), as cairo's path or still in steps, is painted as the union
// of the rows' strokes: in an opaque colour exactly what stroking row after
// row paints. (cairo's own stroke of the whole path can paint a few pixels
// more where thin figures lie close: against it, translucent stacks, each
// pixel painted once either way, differ in those.) cairo's stroke of a
// figure that reaches beyond the picture, or a clip, is cut to it first and
// can set pixels along that edge which the figure's whole stroke does not:
// the picture's edge is left out of the comparison, and there are no clips
// here (a narrow one is all edge).
namespace {

auto Stack(bool opaque)
{
        return [opaque](Generator& gen) {
            Picture picture = Draw(gen, [&](CGContextRef c) {
                // Rows stay whole rows: else no stack, and cairo's stroke of
                // the whole path is held against its rows' strokes.
                MaybeTransform(gen, c, 0.2, true);
                SetStroke(gen, c, opaque);
                if (opaque)
                    CGContextSetAlpha(c, 1.0);
                else {
                    // Pens of a pixel or more: thinner figures a row apart
                    // lie close enough for cairo's stroke of them all to
                    // set pixels the rows' strokes do not.
                    const double r = gen.Real(0, 1), g = gen.Real(0, 1), b = gen.Real(0, 1);
                    CGContextSetRGBStrokeColor(c, r, g, b, gen.Real(0.05, 0.95));
                    CGContextSetLineWidth(c, gen.Real(1, 4));
                }
                CGContextSetShouldAntialias(c, false);
                // The general path of an opaque stack: row by row.
                const bool eachRow = opaque && !pvcommon::raster::FastPaths();
                const double cx = gen.Real(-20, kWidth + 20), cy = gen.Real(-40, kHeight);
                const double rx = gen.Length(kWidth), ry = gen.Length(kHeight / 2.0);
                const double a0 = gen.Real(-7, 7), a1 = gen.Real(-7, 7);
                const bool clockwise = gen.Chance(0.3), lines = gen.Chance(0.2), steps = gen.Chance(0.5);
                const int rows = gen.Chance(0.05) ? gen.Int(0, 3000) : gen.Int(0, 40);
                CGContextBeginPath(c);
                for (int row = 0; row <= rows; ++row) {
                    const double y = cy + row;
                    if (steps) {
                        // As the chart's pies build a side: an arc under a move.
                        CGContextSaveGState(c);
                        CGContextTranslateCTM(c, 0, row);
                        CGContextMoveToPoint(c, cx + rx * std::cos(a0), cy + rx * std::sin(a0));
                        CGContextAddArc(c, cx, cy, rx, a0, a1, clockwise ? 1 : 0);
                        CGContextRestoreGState(c);
                    } else if (lines) {
                        CGContextMoveToPoint(c, cx, y);
                        CGContextAddLineToPoint(c, cx + rx, y + ry * 0.3);
                        CGContextAddLineToPoint(c, cx + rx * 0.5, y + ry);
                    } else {
                        AddEllipseArc(c, cx, y, rx, ry, a0, a1, clockwise);
                    }
                    if (eachRow) {
                        CGContextStrokePath(c);
                        CGContextBeginPath(c);
                    }
                }
                CGContextStrokePath(c);
            }, false);
            // Deeper than the broadest pen's mitre reaches.
            picture.margin = 8;
            return picture;
        };
}

} // namespace

TEST(FastPathDifferential, OpaqueRowAndStepStacksPaintWhatEachRowPaints)
{
    Hold("opaque row stacks", 0x5AC4u, Cases(1000), pvtest::differential::kExact, Stack(true));
}

TEST(FastPathDifferential, TranslucentRowAndStepStacksPaintWhatCairosStrokePaints)
{
    Hold("translucent row stacks", 0x5AC5u, Cases(500), Tolerance{0, 0.05, 40}, Stack(false));
}

// Closed wedges stacked a whole row apart as the chart's pies build a
// filled side (a move to the centre, the arc, closes, under a transform a
// row lower each time), filled with the non-zero rule without
// anti-aliasing: painted from the first wedge's spans, exactly what cairo's
// fill of the whole path paints (which joins spans of a row less than a
// pixel apart, so is more than the rows' fills together), in any colour,
// in a layer or not. (Stacks that reach beyond the picture's sides, or
// under a clip, are cairo's.)
TEST(FastPathDifferential, FilledStepStacksPaintWhatCairosFillPaints)
{
    Hold("filled step stacks", 0xF111u, Cases(2000), pvtest::differential::kExact, [](Generator& gen) {
        return Draw(gen, [&](CGContextRef c) {
            MaybeTransform(gen, c, 0.2, true);
            const double r = gen.Real(0, 1), g = gen.Real(0, 1), b = gen.Real(0, 1);
            CGContextSetRGBFillColor(c, r, g, b, gen.Chance(0.6) ? 1.0 : gen.Real(0.05, 0.95));
            CGContextSetShouldAntialias(c, gen.Chance(0.05));
            const double cx = gen.Chance(0.1) ? X(gen) : gen.Real(-20, kWidth + 20);
            const double cy = gen.Chance(0.1) ? Y(gen) : gen.Real(-60, kHeight);
            // Mostly wedges that stay on the picture, thin ones among them.
            const bool inside = gen.Chance(0.7);
            const double rx = inside ? gen.Real(0, 0.45 * kWidth) : gen.Length(kWidth);
            const double ry = gen.Length(kHeight / 2.0);
            const double a0 = gen.Real(-7, 7);
            const double a1 = gen.Chance(0.1) ? a0 + gen.Real(-30, 30)
                              : gen.Chance(0.3) ? a0 + gen.Real(-0.05, 0.05) : gen.Real(-7, 7);
            const bool clockwise = gen.Chance(0.3), twice = gen.Chance(0.7), scaled = gen.Chance(0.8);
            const int rows = gen.Chance(0.05) ? gen.Int(0, 3000) : gen.Int(0, 60);
            const double offCentre = gen.Chance(0.05) ? gen.Real(-2, 2) : 0.0;
            const double x = inside ? gen.Real(rx + 1, kWidth - rx - 1) : cx;
            CGContextBeginPath(c);
            for (int row = 0; row <= rows; ++row) {
                CGContextSaveGState(c);
                CGContextTranslateCTM(c, x, cy + row);
                if (scaled)
                    CGContextScaleCTM(c, std::max(rx, 1e-3), std::max(ry, 1e-3));
                // Now and then a figure from elsewhere to its arc: cairo's.
                CGContextMoveToPoint(c, offCentre, 0);
                CGContextAddArc(c, 0, 0, scaled ? 1.0 : rx, a0, a1, clockwise ? 1 : 0);
                CGContextClosePath(c);
                CGContextRestoreGState(c);
                if (twice)
                    CGContextClosePath(c);
            }
            CGContextFillPath(c);
        });
    });
}

// Smoothed strokes of an elliptic arc covered by area as a band: cairo
// samples the coverage where the band's is exact, an eighth apart at most
// but for a few pixels (where the curve bends hardest, or at a butt end).
TEST(FastPathDifferential, SmoothCurvesStayNearCairosStroke)
{
    Hold("smooth curves", 0x5C0Du, Cases(1500), Tolerance{32, 0.02, 8}, [](Generator& gen) {
        return Draw(gen, [&](CGContextRef c) {
            MaybeTransform(gen, c, 0.3, gen.Chance(0.7));
            CGContextSetShouldAntialias(c, gen.Chance(0.9));
            SetStroke(gen, c, false);
            for (int i = gen.Int(1, 2); i > 0; --i) {
                CGContextBeginPath(c);
                const double x = X(gen), y = Y(gen), rx = gen.Length(kWidth), ry = gen.Length(kHeight);
                const double a0 = gen.Real(-7, 7), a1 = gen.Real(-7, 7);
                AddEllipseArc(c, x, y, rx, ry, a0, a1, gen.Chance(0.3));
                CGContextStrokePath(c);
            }
        });
    });
}

// Long runs of lines thinned before stroking: the points left out lie
// within a twentieth of a pixel of the line kept, so a smoothed edge moves
// by a level or so and an aliased one by the pixels whose centre lies that
// near it.
TEST(FastPathDifferential, ThinnedPolylinesStayNearTheWholeLine)
{
    Hold("thinned polylines", 0x7411u, Cases(1000), Tolerance{16, 0.15, 12}, [](Generator& gen) {
        return Draw(gen, [&](CGContextRef c) {
            MaybeTransform(gen, c, 0.3, false);
            SetStroke(gen, c, false);
            CGContextBeginPath(c);
            for (int figure = gen.Int(1, 3); figure > 0; --figure) {
                const int count = gen.Int(2, 300);
                // Slopes of at most 1.5, turning by a little at each point.
                const double step = gen.Real(0.05, 1.0), wave = gen.Real(0.0, 20.0);
                const double freq = gen.Real(0.0, std::min(0.3, 1.5 / std::max(1.0, wave))) * step;
                const double x0 = gen.Real(-20, kWidth), y0 = gen.Real(0, kHeight);
                CGContextMoveToPoint(c, x0, y0);
                for (int i = 1; i < count; ++i)
                    CGContextAddLineToPoint(c, x0 + step * i, y0 + wave * std::sin(freq * i));
            }
            CGContextStrokePath(c);
        });
    });
}

// Opaque linear gradients through a shaped clip, painted from the clip's
// outline covered by area, or from cairo's mask of it when the clip is more
// than one path: a level apart inside, an eighth on the rim where cairo
// samples the coverage, and more in a few pixels on the rim or where two
// stops lie close (the ramp's step on either side of the jump).
TEST(FastPathDifferential, GradientsThroughClipsStayNearCairos)
{
    Hold("gradients through clips", 0x6C11u, Cases(1000), Tolerance{32, 0.05, 16}, [](Generator& gen) {
        return Draw(gen, [&](CGContextRef c) {
            MaybeTransform(gen, c, 0.3, false);
            for (int clip = gen.Chance(0.7) ? 1 : 2; clip > 0; --clip) {
                CGContextBeginPath(c);
                const double cx = gen.Real(-10, kWidth + 10), cy = gen.Real(-10, kHeight + 10);
                // Slices a few pixels wide at least: a thinner one is all
                // rim, where cairo's sampled coverage and the exact one part.
                const double rx = 4 + gen.Length(kWidth), ry = 4 + gen.Length(kHeight);
                CGContextMoveToPoint(c, cx, cy);
                CGContextSaveGState(c);
                CGContextTranslateCTM(c, cx, cy);
                CGContextScaleCTM(c, std::max(rx, 0.01), std::max(ry, 0.01));
                const double a0 = gen.Real(-7, 7), a1 = gen.Real(-7, 7);
                CGContextAddArc(c, 0, 0, 1, a0, a1, gen.Chance(0.5) ? 1 : 0);
                CGContextRestoreGState(c);
                CGContextClosePath(c);
                CGContextClip(c);
            }
            const int stops = gen.Int(1, 4);
            std::vector<CGFloat> components, locations;
            for (int i = 0; i < stops; ++i) {
                for (int k = 0; k < 3; ++k)
                    components.push_back(gen.Real(0, 1));
                components.push_back(gen.Chance(0.9) ? 1.0 : gen.Real(0, 1));
                locations.push_back(gen.Real(0, 1));
            }
            CGGradientRef gradient = qtest::Gradient(components.data(), locations.data(), static_cast<size_t>(stops));
            const CGGradientDrawingOptions options = static_cast<CGGradientDrawingOptions>(
                (gen.Chance(0.7) ? static_cast<unsigned>(kCGGradientDrawsBeforeStartLocation) : 0u) |
                (gen.Chance(0.7) ? static_cast<unsigned>(kCGGradientDrawsAfterEndLocation) : 0u));
            const double fromX = X(gen), fromY = Y(gen);
            const bool upright = gen.Chance(0.5);
            const double toX = upright ? fromX : X(gen), toY = Y(gen);
            const CGPoint from = CGPointMake(fromX, fromY), to = CGPointMake(toX, toY);
            CGContextDrawLinearGradient(c, gradient, from, to, options);
            CGGradientRelease(gradient);
        });
    });
}
