// The GDI+ layer's fast paths held against its general path (plain cairo)
// over generated shapes: the same calls drawn with the fast paths on and
// off (see tests/platform/common/Differential.h).
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/gdiplus/Gdiplus.h"
#include "platform/gdiplus/Internal.h"
#include "platform/gdiplus/Recording.h"
#include "tests/platform/common/Differential.h"

using namespace Gdiplus;
using pvtest::differential::Cases;
using pvtest::differential::Generator;
using pvtest::differential::Hold;
using pvtest::differential::Picture;
using pvtest::differential::Tolerance;

namespace {

constexpr int kWidth = 96, kHeight = 72;

// A canvas cleared to a colour of the case, drawn on by `shapes`, as its
// premultiplied pixels.
template <class Shapes>
Picture Draw(Generator& gen, Shapes shapes)
{
    Bitmap bitmap(kWidth, kHeight);
    std::uint32_t cleared = 0;
    std::unique_ptr<Recording> recording;
    if (std::getenv("PV_DIFFERENTIAL_SEED"))
        recording = std::make_unique<Recording>();
    {
        Graphics g(&bitmap);
        const Color background(gen.Chance(0.8) ? 0xFFFFFFFFu : gen.Colour(false));
        g.Clear(background);
        cairo_surface_t* surface = bitmap.GetImpl()->surface;
        cairo_surface_flush(surface);
        std::memcpy(&cleared, cairo_image_surface_get_data(surface), 4);
        g.SetSmoothingMode(gen.Chance(0.5) ? SmoothingModeHighQuality : SmoothingModeDefault);
        shapes(g);
    }
    if (recording)
        std::printf("%s\n", recording->Text().c_str());
    cairo_surface_t* surface = bitmap.GetImpl()->surface;
    cairo_surface_flush(surface);
    Picture picture;
    picture.width = kWidth;
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            std::uint32_t p;
            std::memcpy(&p, data + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) + 4u * static_cast<unsigned>(x), 4);
            picture.pixels.push_back(p);
        }
    picture.background = cleared;
    return picture;
}

// A pen as the chart's: mostly opaque, of a width from hairline to broad,
// in whole, 256ths or any fraction of a pixel, solid or dashed.
Pen MakePen(Generator& gen, bool thin)
{
    const double r = gen.Real(0.0, 1.0);
    double width = r < 0.1 ? 0.0 : r < 0.4 ? gen.Int(1, thin ? 4 : 8) : r < 0.7 ? gen.Int(16, thin ? 1024 : 2048) / 256.0
                                                                  : gen.Real(0.1, thin ? 4.0 : 9.0);
    Pen pen(Color(gen.Colour(gen.Chance(0.85))), static_cast<REAL>(width));
    if (gen.Chance(0.3))
        pen.SetDashStyle(DashStyleDash);
    return pen;
}

// Now and then a transform: a translation, whole or not, or a rotation.
void MaybeTransform(Generator& gen, Graphics& g, double chance)
{
    if (!gen.Chance(chance))
        return;
    const double dx = gen.Chance(0.5) ? gen.Int(-20, 20) : gen.Real(-20, 20);
    const double dy = gen.Chance(0.5) ? gen.Int(-20, 20) : gen.Real(-20, 20);
    g.TranslateTransform(static_cast<REAL>(dx), static_cast<REAL>(dy));
    if (gen.Chance(0.4))
        g.RotateTransform(static_cast<REAL>(gen.Chance(0.5) ? 90.0 * gen.Int(-2, 2) : gen.Real(-180, 180)));
}

REAL C(Generator& gen, double size) { return static_cast<REAL>(gen.Coordinate(size)); }
REAL Len(Generator& gen, double size) { return static_cast<REAL>(gen.Length(size)); }

// An arc of the case (its numbers drawn in order, whatever the compiler's
// order of arguments).
void DrawArc(Generator& gen, Graphics& g, const Pen& pen)
{
    const REAL x = C(gen, kWidth), y = C(gen, kHeight), w = Len(gen, kWidth), h = Len(gen, kHeight);
    const REAL start = static_cast<REAL>(gen.Real(-400, 400)), sweep = static_cast<REAL>(gen.Real(-400, 400));
    g.DrawArc(&pen, x, y, w, h, start, sweep);
}

} // namespace

// Horizontal, vertical and short slanted lines, stroked and filled
// rectangles, aliased and opaque, in runs of one colour with repeats: the
// pixels cairo sets, exactly.
TEST(FastPathDifferential, AliasedLinesAndRectanglesAreCairosPixels)
{
    Hold("aliased lines", 0x11A5u, Cases(3000), pvtest::differential::kExact, [](Generator& gen) {
        return Draw(gen, [&](Graphics& g) {
            g.SetSmoothingMode(gen.Chance(0.9) ? SmoothingModeDefault : SmoothingModeHighQuality);
            MaybeTransform(gen, g, 0.1);
            const int count = gen.Int(1, 8);
            Pen pen = MakePen(gen, false);
            for (int i = 0; i < count; ++i) {
                if (gen.Chance(0.3))
                    pen = MakePen(gen, false);
                const REAL x1 = C(gen, kWidth), y1 = C(gen, kHeight);
                const int kind = gen.Int(0, 9);
                if (kind < 3) {
                    g.DrawLine(&pen, x1, y1, gen.Chance(0.1) ? x1 : C(gen, kWidth), y1);
                } else if (kind < 6) {
                    g.DrawLine(&pen, x1, y1, x1, C(gen, kHeight));
                } else if (kind < 7) {
                    // A short slant, sometimes again a whole pixel away.
                    const REAL dx = static_cast<REAL>(gen.Real(-70, 70)), dy = static_cast<REAL>(gen.Real(-70, 70));
                    g.DrawLine(&pen, x1, y1, x1 + dx, y1 + dy);
                    if (gen.Chance(0.5))
                        g.DrawLine(&pen, x1 + 3, y1 + 1, x1 + 3 + dx, y1 + 1 + dy);
                } else if (kind < 8) {
                    const REAL w = Len(gen, kWidth), h = Len(gen, kHeight);
                    g.DrawRectangle(&pen, x1, y1, w, h);
                } else {
                    SolidBrush brush(pen.GetColor());
                    const REAL w = Len(gen, kWidth), h = Len(gen, kHeight);
                    g.FillRectangle(&brush, x1, y1, w, h);
                }
                if (gen.Chance(0.2))   // the same shape again, as a run repeats it
                    g.DrawLine(&pen, x1, y1, x1, y1 + 10);
            }
        });
    });
}

// Thin aliased arcs rasterised as a band: within a twentieth of a pixel of
// cairo's stroke (and chords within 0.02), so pixels whose centre lies that
// near the stroke's edge may differ, all or nothing: for a pen of a pixel,
// about one edge pixel in seven; for the thinnest pens it takes (a quarter
// pixel), about a third.
TEST(FastPathDifferential, AliasedArcsStayNearCairosStroke)
{
    Hold("aliased arcs", 0xA4C5u, Cases(1500), Tolerance{0, 0.4, 10}, [](Generator& gen) {
        return Draw(gen, [&](Graphics& g) {
            g.SetSmoothingMode(SmoothingModeDefault);
            MaybeTransform(gen, g, 0.05);
            Pen pen = MakePen(gen, true);
            if (gen.Chance(0.8))
                pen.SetDashStyle(DashStyleSolid);
            for (int i = gen.Int(1, 3); i > 0; --i)
                DrawArc(gen, g, pen);
        });
    });
}

// Smoothed solid arcs covered by area as a band: cairo samples the coverage
// where the band's is exact, so edge pixels differ, by an eighth at most.
TEST(FastPathDifferential, SmoothedArcsStayNearCairosStroke)
{
    Hold("smoothed arcs", 0x5A00u, Cases(1500), Tolerance{32, 1.0}, [](Generator& gen) {
        return Draw(gen, [&](Graphics& g) {
            g.SetSmoothingMode(SmoothingModeHighQuality);
            MaybeTransform(gen, g, 0.3);
            Pen pen = MakePen(gen, false);
            if (gen.Chance(0.8))
                pen.SetDashStyle(DashStyleSolid);
            for (int i = gen.Int(1, 3); i > 0; --i)
                DrawArc(gen, g, pen);
        });
    });
}

// Pies filled with a vertical gradient through their coverage, one colour a
// row: cairo's per-pixel gradient and its sampled coverage differ by a few
// levels. The gradient's box holds the pie, as the chart's does (a row on
// the seam of a repeating gradient may take either side's colour).
TEST(FastPathDifferential, GradientRowsStayNearCairosGradient)
{
    Hold("gradient rows", 0x6ADu, Cases(1500), Tolerance{32, 1.0}, [](Generator& gen) {
        return Draw(gen, [&](Graphics& g) {
            g.SetSmoothingMode(gen.Chance(0.9) ? SmoothingModeHighQuality : SmoothingModeDefault);
            MaybeTransform(gen, g, 0.3);
            for (int i = gen.Int(1, 3); i > 0; --i) {
                const REAL x = C(gen, kWidth), y = C(gen, kHeight), w = Len(gen, kWidth), h = Len(gen, kHeight);
                const REAL above = gen.Chance(0.5) ? 0.25f : static_cast<REAL>(gen.Real(0.25, 20));
                const RectF box(x, y - above, w + 1, h + above + static_cast<REAL>(gen.Real(0.25, 20)));
                const Color top(gen.Colour(gen.Chance(0.7))), bottom(gen.Colour(gen.Chance(0.7)));
                LinearGradientBrush brush(box, top, bottom,
                                          gen.Chance(0.85) ? LinearGradientModeVertical : LinearGradientModeHorizontal);
                const REAL start = static_cast<REAL>(gen.Real(-400, 400)), sweep = static_cast<REAL>(gen.Real(-400, 400));
                g.FillPie(&brush, x, y, w, h, start, sweep);
            }
        });
    });
}

// Arcs and pies stacked row by row, painted at once, against drawing each
// layer: pies exactly (cairo's own mask), arcs as their bands above;
// smoothed ones go layer by layer both ways, by the smoothed arcs' path.
TEST(FastPathDifferential, RowStacksPaintWhatEachRowPaints)
{
    Hold("row stacks", 0x57ACu, Cases(1000), Tolerance{32, 0.2, 8}, [](Generator& gen) {
        return Draw(gen, [&](Graphics& g) {
            g.SetSmoothingMode(gen.Chance(0.9) ? SmoothingModeDefault : SmoothingModeHighQuality);
            MaybeTransform(gen, g, 0.05);
            const bool near = gen.Chance(0.8);
            const REAL x = near ? static_cast<REAL>(gen.Real(-30, kWidth)) : C(gen, kWidth);
            const REAL y = near ? static_cast<REAL>(gen.Real(-40, kHeight)) : C(gen, kHeight);
            const REAL w = Len(gen, kWidth), h = Len(gen, kHeight / 2);
            const REAL start = static_cast<REAL>(gen.Real(-400, 400)), sweep = static_cast<REAL>(gen.Real(-400, 400));
            const INT rows = gen.Chance(0.05) ? gen.Int(0, 100000) : gen.Int(0, 40);
            if (gen.Chance(0.5)) {
                Pen pen = MakePen(gen, true);
                if (gen.Chance(0.8))
                    pen.SetDashStyle(DashStyleSolid);
                g.DrawArcStack(&pen, x, y, w, h, start, sweep, rows);
            } else {
                SolidBrush brush(Color(gen.Colour(gen.Chance(0.85))));
                g.FillPieStack(&brush, x, y, w, h, start, sweep, rows);
            }
        });
    });
}

// Smooth polylines (a smoothed line walked in small steps) thinned before
// stroking: the points left out lie within a twentieth of a pixel of the
// line kept, so a smoothed edge moves by a level or so and an aliased one
// by the pixels whose centre lies that near it (as the aliased arcs'). (A jagged line would lose
// its mitre spikes: the thinning is for curves.)
TEST(FastPathDifferential, ThinnedPolylinesStayNearTheWholeLine)
{
    Hold("thinned polylines", 0x7419u, Cases(1000), Tolerance{16, 0.15, 8}, [](Generator& gen) {
        return Draw(gen, [&](Graphics& g) {
            MaybeTransform(gen, g, 0.3);
            Pen pen = MakePen(gen, false);
            GraphicsPath path;
            const int count = gen.Int(2, 400);
            double x = gen.Coordinate(kWidth), y = gen.Coordinate(kHeight);
            // Slopes of at most 1.5, turning by a little at each point.
            const double step = gen.Real(0.05, 1.0), wave = gen.Real(0.0, 20.0);
            const double freq = gen.Real(0.0, std::min(0.3, 1.5 / std::max(1.0, wave))) * step;
            for (int i = 0; i < count; ++i) {
                const double nx = x + step, ny = kHeight / 2.0 + wave * std::sin(freq * i);
                path.AddLine(static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(nx), static_cast<REAL>(ny));
                x = nx;
                y = ny;
            }
            g.DrawPath(&pen, &path);
        });
    });
}
