// Vertical gradient fills laid over their coverage row by row (see
// Graphics::Impl::FillVerticalGradient).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "platform/common/FlatPath.h"
#include "platform/gdiplus/GraphicsImpl.h"

namespace Gdiplus {

using namespace detail;

bool Graphics::Impl::FillVerticalGradient(const Brush& brush)
{
    if (!pvcommon::raster::FastPaths() || brush.GetKind() != Brush::Kind::LinearGradient ||
        static_cast<const LinearGradientBrush&>(brush).GetMode() != LinearGradientModeVertical ||
        world.xy != 0.0 || world.yx != 0.0 || cairo_get_antialias(cr) == CAIRO_ANTIALIAS_NONE)
        return false;
    // The outline in device pixels, flattened as cairo fills it, covered.
    cairo_matrix_t user;
    cairo_get_matrix(cr, &user);
    cairo_identity_matrix(cr);
    cairo_path_t* path = cairo_copy_path_flat(cr);
    cairo_set_matrix(cr, &user);
    const bool flat = pvcommon::raster::PolygonsOf(path, outline);
    cairo_path_destroy(path);
    if (!flat)
        return false;
    // Failing, cairo's own gradient fill of the path is still set.
    cairo_surface_t* surface = bitmap->surface;
    const bool painted =
        area.CoverThen(outline, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface),
                       [&] { return LayGradientRows(brush); });
    if (painted)
        cairo_new_path(cr);
    return painted;
}

// The covered rows of a vertical gradient fill laid over the bitmap; false
// (the coverage cleared, nothing laid) when the row colours cannot be had.
bool Graphics::Impl::LayGradientRows(const Brush& brush)
{
    const int x0 = area.Left(), y0 = area.Top(), h = area.Height();
    // The gradient's colour of every row, worked out by cairo along a strip
    // one pixel high with the axes swapped: its pixel (r, 0) is the canvas's
    // (x0, y0 + r). (pixman sets a gradient up anew for every scanline: a
    // column one pixel wide cost that for every row.)
    const int stripStride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, h);
    bool ok = stripStride > 0;
    try {
        if (ok && scratch.size() < static_cast<std::size_t>(stripStride / 4))
            scratch.resize(static_cast<std::size_t>(stripStride / 4));
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    cairo_surface_t* source = ok ? cairo_image_surface_create_for_data(
                                       reinterpret_cast<unsigned char*>(scratch.data()),
                                       CAIRO_FORMAT_ARGB32, h, 1, stripStride)
                                 : nullptr;
    if (!source || cairo_surface_status(source) != CAIRO_STATUS_SUCCESS) {
        if (source)
            cairo_surface_destroy(source);
        area.Clear();
        return false;
    }
    cairo_t* strip = cairo_create(source);
    const cairo_matrix_t swap = {0.0, 1.0, 1.0, 0.0, 0.0, 0.0};
    cairo_transform(strip, &swap);
    cairo_translate(strip, -x0 + 0.5, -y0 + 0.5);
    cairo_transform(strip, &world);
    SetBrush(strip, brush);
    cairo_identity_matrix(strip);
    cairo_set_operator(strip, CAIRO_OPERATOR_SOURCE);
    cairo_rectangle(strip, 0, 0, h, 1);
    cairo_fill(strip);
    cairo_destroy(strip);
    cairo_surface_flush(source);
    cairo_surface_destroy(source);
    LayRuns(bitmap->surface, area, [&](int y) { return scratch[static_cast<std::size_t>(y - y0)]; });
    return true;
}

} // namespace Gdiplus
