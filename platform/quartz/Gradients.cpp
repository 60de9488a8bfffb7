// Opaque linear gradients painted through a clip's coverage (see
// GradientThrough).
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "platform/common/FastPaths.h"
#include "platform/common/FlatPath.h"
#include "platform/quartz/Internal.h"


namespace {

// An opaque linear gradient through a coverage onto the bitmap, each
// covered pixel's colour worked out straight from its place along the
// gradient, as pixman's does (at the pixel's centre, channels in single
// precision, rounded to the nearest level). pixman's general gradient fetch
// costs several times the rest of a pie's drawing. The coverage comes as
// runs: runs(box, paint) calls box(x0, y0, x1, y1) with the pixels the
// runs lie in, then paint(y, x0, x1, level) for every run of pixels
// [x0, x1) of row y covered at that level (1 to 255), on the bitmap, and is
// false (having painted nothing) when it cannot. False (nothing painted)
// where the result would not be the same: a layer open, translucent stops,
// a bitmap of another kind, runs that cannot be had.
template <class Runs>
bool GradientThrough(CGContextObject* c, Runs runs, const std::vector<CGGradientObject::Stop>& stops,
                     CGPoint start, CGPoint end, bool before, bool after)
{
    if (stops.empty() || cairo_get_group_target(c->cr) != c->surface ||
        cairo_get_operator(c->cr) != CAIRO_OPERATOR_OVER ||
        cairo_surface_get_type(c->surface) != CAIRO_SURFACE_TYPE_IMAGE)
        return false;
    const cairo_format_t format = cairo_image_surface_get_format(c->surface);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24)
        return false;
    for (const auto& stop : stops)
        if (stop.rgba[3] * c->state.alpha < 1.0)
            return false;
    // The place along the gradient of a point on the picture: affine in it.
    const double gx = end.x - start.x, gy = end.y - start.y;
    const double g2 = gx * gx + gy * gy;
    if (!(g2 > 0.0) || !std::isfinite(g2))
        return false;
    double ox = 0, oy = 0, xx = 1, xy = 0, yx = 0, yy = 1;
    cairo_device_to_user(c->cr, &ox, &oy);
    cairo_device_to_user(c->cr, &xx, &xy);
    cairo_device_to_user(c->cr, &yx, &yy);
    const double along0 = ((ox - start.x) * gx + (oy - start.y) * gy) / g2;
    const double alongX = ((xx - ox) * gx + (xy - oy) * gy) / g2;
    const double alongY = ((yx - ox) * gx + (yy - oy) * gy) / g2;
    if (!std::isfinite(along0) || !std::isfinite(alongX) || !std::isfinite(alongY))
        return false;

    // The colours along the gradient from its first stop to its last, as
    // pixman works them out (channels in single precision, rounded to the
    // nearest level), in steps of at most a quarter of a level and two to a
    // pixel's move along it (at most 4,096 steps): a pixel takes the nearest
    // step's colour, within a level of its colour at its exact place.
    const double first = stops.front().location, last = stops.back().location;
    double slope = 0.0;   // the steepest change of a channel, in levels along the whole ramp
    for (std::size_t n = 1; n < stops.size(); ++n)
        for (int ch = 0; ch < 3; ++ch)
            if (stops[n].location > stops[n - 1].location)
                slope = std::max(slope, std::fabs(stops[n].rgba[ch] - stops[n - 1].rgba[ch]) * 255.0 *
                                            (last - first) / (stops[n].location - stops[n - 1].location));
    const double perPixel = std::hypot(alongX, alongY);
    const double wanted = std::max(4.0 * slope, 2.0 * (last - first) / std::max(perPixel, 1e-9));
    const int kSteps = static_cast<int>(std::clamp(std::ceil(wanted), 2.0, 4096.0));
    std::vector<std::uint32_t> ramp;
    try {
        ramp.resize(static_cast<std::size_t>(kSteps) + 1);
    } catch (const std::bad_alloc&) {
        return false;   // cairo paints it
    }
    auto byte = [](float v) {
        const float scaled = v * 255.0f + 0.5f;
        return static_cast<std::uint32_t>(scaled <= 0.0f ? 0.0f : scaled >= 255.0f ? 255.0f : scaled);
    };
    auto colourOf = [&](int k) {
        const double t = last > first ? first + (last - first) * k / kSteps : first;
        std::size_t n = 0;
        while (n < stops.size() && t >= stops[n].location)
            ++n;
        const auto& l = stops[n == 0 ? 0 : n - 1];
        const auto& r = stops[n == stops.size() ? n - 1 : n];
        const float w = r.location > l.location
                            ? static_cast<float>((t - l.location) / (r.location - l.location))
                            : 0.0f;
        std::uint32_t pixel = 0xFF000000u;
        for (int ch = 0; ch < 3; ++ch) {
            const float a = static_cast<float>(l.rgba[ch]), b = static_cast<float>(r.rgba[ch]);
            pixel |= byte(a + (b - a) * w) << (16 - 8 * ch);
        }
        return pixel;
    };
    // A pixel's step in the ramp, and where before or beyond it.
    const double scale = last > first ? kSteps / (last - first) : 0.0;
    // A pixel's place along the gradient, as the painting below works it out
    // for a row, for a fully covered run, and for any other pixel; each is
    // monotonic along a row and down a column.
    auto rowAlongAt = [&](int y) { return along0 + alongY * (y + 0.5) + alongX * 0.5; };
    auto runStep = [&](double rowAlong) { return (rowAlong - first) * scale + 0.5; };
    const double perPixelStep = alongX * scale;
    const double rampEnd = kSteps + 0.5;
    auto stepOfRun = [&](double u) { return !(u >= 0.5) ? 0 : u > rampEnd ? kSteps : static_cast<int>(u); };
    auto stepOfPixel = [&](double t) {
        return !(t >= first) ? 0 : t > last ? kSteps : static_cast<int>((t - first) * scale + 0.5);
    };
    // Only the steps the runs' box reaches are worked out (a slice of a pie
    // reaches a part of its gradient): the places at the box's corners,
    // worked out as the painting does, bound every place inside.
    auto box = [&](int x0, int y0, int x1, int y1) {
        int lo = kSteps, hi = 0;
        for (const int y : {y0, y1 - 1})
            for (const int x : {x0, x1 - 1}) {
                const double rowAlong = rowAlongAt(y);
                for (const int k : {stepOfRun(runStep(rowAlong) + perPixelStep * x),
                                    stepOfPixel(rowAlong + alongX * x)}) {
                    lo = std::min(lo, k);
                    hi = std::max(hi, k);
                }
            }
        for (int k = std::max(0, lo - 1), upto = std::min(kSteps, hi + 1); k <= upto; ++k)
            ramp[static_cast<std::size_t>(k)] = colourOf(k);
    };

    // Beyond the first and last stops the ramp is padded on both sides when
    // either side is asked for, as cairo pads it: the side not asked for is
    // beyond the start or end point, which the clip has cut away already
    // (stops need not lie at the ends).
    const bool pad = before || after;
    pvquartz::WillPaint(c);
    cairo_surface_flush(c->surface);
    unsigned char* data = cairo_image_surface_get_data(c->surface);
    const std::size_t stride = static_cast<std::size_t>(cairo_image_surface_get_stride(c->surface));
    const bool painted = runs(box, [&](int y, int x0, int x1, unsigned cover) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
        const double rowAlong = rowAlongAt(y);
        if (cover == 255 && scale > 0.0) {
            // Fully covered: the step straight from the place along the
            // ramp, in steps (a step's middle at whole numbers and a half).
            const double rowStep = runStep(rowAlong);
            for (int i = x0; i < x1; ++i) {
                const double u = rowStep + perPixelStep * i;
                if (u >= 0.5 && u <= rampEnd)
                    row[i] = ramp[static_cast<std::size_t>(u)];
                else if (pad)
                    row[i] = u < 0.5 ? ramp.front() : ramp.back();
            }
            return;
        }
        for (int i = x0; i < x1; ++i) {
            const double t = rowAlong + alongX * i;
            std::uint32_t colour;
            if (t < first) {
                if (!pad)
                    continue;
                colour = ramp.front();
            } else if (t > last) {
                if (!pad)
                    continue;
                colour = ramp.back();
            } else {
                colour = ramp[static_cast<std::size_t>((t - first) * scale + 0.5)];
            }
            // Channel by channel, two at a time: no sum passes 255.
            row[i] = cover == 255 ? colour
                                  : pvcommon::raster::ScalePixel(colour, cover) +
                                        pvcommon::raster::ScalePixel(row[i], 255 - cover);
        }
    });
    cairo_surface_mark_dirty(c->surface);
    return painted;
}

// The runs of a clip's coverage rendered by cairo into an 8-bit mask (see
// GradientThrough); none when it is not one within the bitmap.
auto MaskRuns(CGContextObject* c, cairo_pattern_t* coverage)
{
    return [c, coverage](auto&& box, auto&& paint) {
        cairo_surface_t* mask = nullptr;
        if (cairo_pattern_get_surface(coverage, &mask) != CAIRO_STATUS_SUCCESS ||
            cairo_surface_get_type(mask) != CAIRO_SURFACE_TYPE_IMAGE ||
            cairo_image_surface_get_format(mask) != CAIRO_FORMAT_A8)
            return false;
        cairo_surface_flush(mask);
        double mx = 0, my = 0;
        cairo_surface_get_device_offset(mask, &mx, &my);
        const int maskWidth = cairo_image_surface_get_width(mask);
        const int maskHeight = cairo_image_surface_get_height(mask);
        const int maskStride = cairo_image_surface_get_stride(mask);
        const unsigned char* maskData = cairo_image_surface_get_data(mask);
        const int left = static_cast<int>(std::lround(-mx)), top = static_cast<int>(std::lround(-my));
        if (!maskData || left < 0 || top < 0 || left + maskWidth > c->width || top + maskHeight > c->height)
            return false;
        if (maskWidth > 0 && maskHeight > 0)
            box(left, top, left + maskWidth, top + maskHeight);
        for (int j = 0; j < maskHeight; ++j) {
            const unsigned char* m = maskData + static_cast<std::size_t>(j) * maskStride;
            // Only between the row's first and last covered pixels, found a
            // word at a time.
            int i0 = 0, i1 = maskWidth;
            for (std::uint64_t word = 0; i0 + 8 <= i1; i0 += 8) {
                std::memcpy(&word, m + i0, sizeof(word));
                if (word)
                    break;
            }
            while (i0 < i1 && m[i0] == 0)
                ++i0;
            for (std::uint64_t word = 0; i1 - 8 >= i0; i1 -= 8) {
                std::memcpy(&word, m + i1 - 8, sizeof(word));
                if (word)
                    break;
            }
            while (i1 > i0 && m[i1 - 1] == 0)
                --i1;
            for (int i = i0; i < i1; ++i)
                if (m[i])
                    paint(top + j, left + i, left + i + 1, m[i]);
        }
        return true;
    };
}

// The runs of a clip's outline covered by area (see GradientThrough): the
// outline's rows only, without a mask over its box.
auto OutlineRuns(CGContextObject* c, const pvcommon::raster::Polygons& outline)
{
    return [c, &outline](auto&& box, auto&& paint) {
        pvcommon::raster::AreaCoverage& area = c->area;
        return area.CoverThen(outline, c->width, c->height, [&] {
            box(area.Left(), area.Top(), area.Left() + area.Width(), area.Top() + area.Height());
            area.Render(paint);
            return true;
        });
    };
}

} // namespace

namespace pvquartz {

bool GradientThroughOutline(CGContextObject* c, const pvcommon::raster::Polygons& outline,
                            const std::vector<CGGradientObject::Stop>& stops, CGPoint start, CGPoint end,
                            bool before, bool after)
{
    // Painting aliased, cairo cuts the smoothed clip otherwise than its
    // area: its own mask of the clip serves (GradientThroughMask).
    return pvcommon::raster::FastPaths() && c->state.antialias &&
           GradientThrough(c, OutlineRuns(c, outline), stops, start, end, before, after);
}

bool GradientThroughMask(CGContextObject* c, cairo_pattern_t* coverage,
                         const std::vector<CGGradientObject::Stop>& stops, CGPoint start, CGPoint end,
                         bool before, bool after)
{
    return pvcommon::raster::FastPaths() && GradientThrough(c, MaskRuns(c, coverage), stops, start, end, before, after);
}

} // namespace pvquartz
