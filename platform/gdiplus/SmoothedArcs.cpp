// Smoothed solid arcs covered by area as a band (see
// Graphics::Impl::StrokeArcSmoothed).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "platform/gdiplus/GraphicsImpl.h"

namespace Gdiplus {

using namespace detail;

bool Graphics::Impl::StrokeArcSmoothed(const Pen& pen, REAL x, REAL y, REAL width, REAL height,
                                       REAL start, REAL sweep)
{
    if (!pvcommon::raster::FastPaths() || smoothing != SmoothingModeHighQuality || pen.GetDashStyle() != DashStyleSolid ||
        world.xx != 1.0 || world.yy != 1.0 || world.xy != 0.0 || world.yx != 0.0)
        return false;
    const double half = (pen.GetWidth() > 0.0f ? pen.GetWidth() : 1.0) * 0.5;
    const double a = width * 0.5, b = height * 0.5;
    // The band's sides are the curve moved out and in along its normal; the
    // inner side folds where the curve bends tighter than the half width.
    const double tightest = std::min(a, b) * std::min(a, b) / std::max(a, b);
    if (!(tightest > half + 0.5) || std::max(a, b) > kMaxAliasedArc)
        return false;
    // Device coordinates: pixel centres on whole user coordinates.
    const double cx = x + a + 0.5 + world.x0, cy = y + b + 0.5 + world.y0;
    const double clamped = std::max(-360.0, std::min(360.0, static_cast<double>(sweep)));
    const double t0 = EllipseParameter(a, b, start);
    const double t1 = std::fabs(clamped) >= 360.0 ? t0 + (clamped > 0 ? 2.0 * kPi : -2.0 * kPi)
                                                  : EllipseParameter(a, b, start + clamped);
    // Chords within a twentieth of a pixel of the curve.
    const double outer = std::max(a, b) + half;
    const int steps = std::max(1, static_cast<int>(std::ceil(std::fabs(t1 - t0) / std::sqrt(0.4 / outer))));
    // Out along the curve, back along the inner side: butt ends across it.
    try {
        outline.xy.resize(4 * (static_cast<std::size_t>(steps) + 1));
        outline.starts.assign(1, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int i = 0; i <= steps; ++i) {
        const double t = t0 + (t1 - t0) * i / steps;
        const double c = std::cos(t), sn = std::sin(t);
        const double nx = b * c, ny = a * sn, side = half / std::hypot(nx, ny);
        const std::size_t out = 2 * static_cast<std::size_t>(i), back = outline.xy.size() - 2 - out;
        outline.xy[out] = cx + a * c + nx * side;
        outline.xy[out + 1] = cy + b * sn + ny * side;
        outline.xy[back] = cx + a * c - nx * side;
        outline.xy[back + 1] = cy + b * sn - ny * side;
    }
    cairo_surface_t* surface = bitmap->surface;
    const Color colour = pen.GetColor();
    const std::uint32_t alpha = colour.GetA();
    const std::uint32_t ink = alpha << 24 | pvcommon::raster::ScalePixel(colour.GetValue() & 0xFFFFFFu, alpha);
    return area.CoverThen(outline, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface),
                          [&] {
                              LayRuns(surface, area, [ink](int) { return ink; });
                              return true;
                          });
}

} // namespace Gdiplus
