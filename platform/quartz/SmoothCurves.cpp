// Smoothed strokes of gentle curves covered by area as a band (see
// StrokeSmoothCurve).
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

using pvquartz::PicturePath;
using pvquartz::SolidPixel;

namespace {



} // namespace

namespace pvquartz {

// A smoothed, undashed stroke with butt ends of one open curve that bends
// gently one way (an arc of an ellipse), under a transform that keeps
// angles, without a clip or a layer: covered by area as the band between
// the curve moved out and in by half the line's width (joins mitred), and
// laid over the bitmap in the stroke's colour. False (nothing painted) for
// any other stroke, or a curve bending tighter than the half width, where
// the band's inner side would fold.
bool StrokeSmoothCurve(CGContextObject* c)
{
    const pvquartz::GState& g = c->state;
    if (!g.antialias || !g.dash.empty() || g.cap != kCGLineCapButt || g.clipped ||
        cairo_get_group_target(c->cr) != c->surface || cairo_get_operator(c->cr) != CAIRO_OPERATOR_OVER ||
        cairo_surface_get_type(c->surface) != CAIRO_SURFACE_TYPE_IMAGE ||
        cairo_image_surface_get_format(c->surface) != CAIRO_FORMAT_ARGB32)
        return false;
    cairo_matrix_t m;
    cairo_get_matrix(c->cr, &m);
    const double k2 = m.xx * m.xx + m.yx * m.yx;
    if (std::fabs(m.xx * m.xy + m.yx * m.yy) > 1e-9 * k2 ||
        std::fabs(m.xy * m.xy + m.yy * m.yy - k2) > 1e-9 * k2 || !(k2 > 0.0))
        return false;
    const double half = g.lineWidth * std::sqrt(k2) * 0.5;
    if (!(half > 0.0) || !std::isfinite(half))
        return false;
    // What the path is made of: a curve's flattened ends lean from it, a
    // polyline's joins are its own.
    bool curveFirst = false, curveLast = false, lines = false;
    {
        cairo_path_t* shape = cairo_copy_path(c->cr);
        if (shape->status != CAIRO_STATUS_SUCCESS) {
            cairo_path_destroy(shape);
            return false;
        }
        // (A line to where the path already is, as a move to an arc's start
        // leaves, is no segment.)
        bool segments = false;
        double atX = 0.0, atY = 0.0;
        for (int i = 0; i < shape->num_data; i += shape->data[i].header.length) {
            const cairo_path_data_t* d = shape->data + i;
            const cairo_path_data_type_t type = d->header.type;
            const cairo_path_data_t& to = d[d->header.length - 1];
            const bool still = type == CAIRO_PATH_LINE_TO &&
                               std::fabs(to.point.x - atX) + std::fabs(to.point.y - atY) <=
                                   1e-9 * (1.0 + std::fabs(atX) + std::fabs(atY));
            if (type != CAIRO_PATH_CLOSE_PATH) {
                atX = to.point.x;
                atY = to.point.y;
            }
            if (i == 0 || still)
                continue;
            curveFirst = segments ? curveFirst : type == CAIRO_PATH_CURVE_TO;
            segments = true;
            curveLast = type == CAIRO_PATH_CURVE_TO;
            lines = lines || type == CAIRO_PATH_LINE_TO;
        }
        cairo_path_destroy(shape);
    }
    if (lines && g.join != kCGLineJoinMiter)
        return false;
    // The curve on the picture, as cairo flattens it: one move, then lines.
    cairo_path_t* path = PicturePath(c->cr, true);
    std::vector<double> xy;
    bool ok = path->status == CAIRO_STATUS_SUCCESS && path->num_data > 0 &&
              path->data[0].header.type == CAIRO_PATH_MOVE_TO;
    try {
        for (int i = 0; ok && i < path->num_data; i += path->data[i].header.length) {
            const cairo_path_data_t& d = path->data[i];
            ok = i == 0 || d.header.type == CAIRO_PATH_LINE_TO;
            const double x = path->data[i + 1].point.x, y = path->data[i + 1].point.y;
            if (ok && (xy.empty() || x != xy[xy.size() - 2] || y != xy.back())) {
                xy.push_back(x);
                xy.push_back(y);
            }
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    cairo_path_destroy(path);
    const std::size_t n = xy.size() / 2;
    if (!ok || n < 2)
        return false;
    // Every turn one way, none sharp, at most a whole turn in all; and the
    // curve bends less than the half width at every point.
    std::vector<double> normals(2 * (n - 1));
    double turned = 0.0, sign = 0.0, firstTurn = 0.0, lastTurn = 0.0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const double dx = xy[2 * i + 2] - xy[2 * i], dy = xy[2 * i + 3] - xy[2 * i + 1];
        const double length = std::hypot(dx, dy);
        normals[2 * i] = -dy / length;
        normals[2 * i + 1] = dx / length;
        if (i == 0)
            continue;
        const double px = normals[2 * i - 1], py = -normals[2 * i - 2];   // the last segment's direction
        const double turn = std::atan2(px * (dy / length) - py * (dx / length), px * (dx / length) + py * (dy / length));
        const double before = std::hypot(xy[2 * i] - xy[2 * i - 2], xy[2 * i + 1] - xy[2 * i - 1]);
        if (turn != 0.0) {
            if (sign * turn < 0.0 || std::fabs(turn) > 0.35 ||
                std::min(before, length) < (half + 0.5) * 1.5 * std::fabs(turn))
                return false;
            sign = turn;
        }
        turned += std::fabs(turn);
        if (i == 1)
            firstTurn = turn;
        lastTurn = turn;
    }
    if (turned > 2.0 * M_PI + 1e-9)
        return false;
    // The ends of a curve square to it, not to their chords: a chord of an
    // arc leans half a turn from the curve at either end.
    const auto rotated = [&normals](std::size_t at, double angle, double* to) {
        const double c = std::cos(angle), sn = std::sin(angle);
        to[0] = normals[at] * c - normals[at + 1] * sn;
        to[1] = normals[at] * sn + normals[at + 1] * c;
    };
    double ends[4];
    rotated(0, curveFirst ? -0.5 * firstTurn : 0.0, ends);
    rotated(2 * (n - 2), curveLast ? 0.5 * lastTurn : 0.0, ends + 2);
    // The band: out along the curve, back along its inner side.
    const double* rgba = g.stroke;
    const std::uint32_t ink = SolidPixel(c, rgba[0], rgba[1], rgba[2], rgba[3] * g.alpha);
    pvcommon::raster::Polygons band;
    try {
        band.xy.resize(4 * n);
        band.starts.push_back(0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::vector<double>& points = band.xy;
    for (std::size_t i = 0; i < n; ++i) {
        // The mitre at a joint: the mean of the two normals, lengthened.
        double nx = 0.0, ny = 0.0;
        if (i == 0 || i + 1 == n) {
            nx = ends[i == 0 ? 0 : 2];
            ny = ends[i == 0 ? 1 : 3];
        } else {
            nx = normals[2 * i - 2] + normals[2 * i];
            ny = normals[2 * i - 1] + normals[2 * i + 1];
        }
        const double along = std::hypot(nx, ny);
        const double cosHalf = i > 0 && i + 1 < n ? along * 0.5 : 1.0;
        const double reach = half / cosHalf / along;
        const double px = xy[2 * i], py = xy[2 * i + 1];
        points[2 * i] = px + nx * reach;
        points[2 * i + 1] = py + ny * reach;
        points[4 * n - 2 - 2 * i] = px - nx * reach;
        points[4 * n - 1 - 2 * i] = py - ny * reach;
    }
    return c->area.CoverThen(band, c->width, c->height, [c, ink] {
        pvquartz::WillPaint(c);
        cairo_surface_flush(c->surface);
        pvcommon::raster::LayRuns(c->area, cairo_image_surface_get_data(c->surface),
                                  static_cast<std::size_t>(cairo_image_surface_get_stride(c->surface)),
                                  [ink](int) { return ink; });
        cairo_surface_mark_dirty(c->surface);
        return true;
    });
}

} // namespace pvquartz
