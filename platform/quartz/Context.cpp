// Bitmap contexts over cairo: graphics state, transforms, paths, painting
// and transparency layers.
//
// cairo's matrix is the user space's transform to the picture's pixels
// (origin top-left, y downward): the user CTM followed by the base
// transform that turns Quartz's y-up device space into cairo's. cairo keeps
// the transform and the clip (cairo_save and cairo_restore pair with the
// graphics state saves); the rest of the state is ours and applied at each
// painting. As in Quartz, path points are fixed when they are added.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "platform/corefoundation/SystemSetup.h"
#include "platform/common/FastPaths.h"
#include "platform/common/FlatPath.h"
#include "platform/quartz/Internal.h"

CGContextObject::~CGContextObject()
{
    pvquartz::WillPaint(this);
    if (cr)
        cairo_destroy(cr);
    if (surface)
        cairo_surface_destroy(surface);
    if (ownsData)
        delete[] data;
}

namespace pvquartz {

CGContextObject* ContextKeepingSteps(CGContextRef c, const char* function)
{
    // Quartz reports a null context and carries on; so do we, silently.
    if (!c)
        return nullptr;
    return pvcf::As<CGContextObject>(c, kContextType, function);
}

CGContextObject* Context(CGContextRef c, const char* function)
{
    CGContextObject* context = ContextKeepingSteps(c, function);
    if (context && !context->steps.empty())
        HandOverPath(context);
    return context;
}

// A path that starts with moves, arcs and closes keeps them as steps until
// it is used: a pie's side is one arc (or closed wedge) per row, the same a
// whole number of rows lower each time, and stroked (filled) without
// anti-aliasing it is the first row's stroke (fill) repeated down the rows
// (see StrokeStepStack, FillStepStack), so the other rows need not be built
// at all. Handed over, each step is what cairo would have made of it when
// it was added.
void HandOverPath(CGContextObject* c, std::size_t count)
{
    count = std::min(count, c->steps.size());
    if (count == 0)
        return;
    cairo_matrix_t now;
    cairo_get_matrix(c->cr, &now);
    for (auto s = c->steps.begin(); s != c->steps.begin() + static_cast<std::ptrdiff_t>(count); ++s) {
        cairo_set_matrix(c->cr, &s->m);
        if (s->kind == PathStep::kClose)
            cairo_close_path(c->cr);
        else if (s->kind == PathStep::kMove)
            cairo_move_to(c->cr, s->v[0], s->v[1]);
        else if (s->clockwise)
            cairo_arc_negative(c->cr, s->v[0], s->v[1], s->v[2], s->v[3], s->v[4]);
        else
            cairo_arc(c->cr, s->v[0], s->v[1], s->v[2], s->v[3], s->v[4]);
    }
    cairo_set_matrix(c->cr, &now);
    c->steps.erase(c->steps.begin(), c->steps.begin() + static_cast<std::ptrdiff_t>(count));
}

namespace {

constexpr double kPi = 3.14159265358979323846;

bool Finite(std::initializer_list<double> values)
{
    for (double v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}


} // namespace

void SetSource(CGContextObject* c, const double rgba[4])
{
    cairo_set_source_rgba(c->cr, rgba[0], rgba[1], rgba[2], rgba[3] * c->state.alpha);
    cairo_set_antialias(c->cr, c->state.antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

namespace {

// --- the recording's path -----------------------------------------------------------

std::string PointText(double x, double y) { return "(" + Num(x) + "," + Num(y) + ")"; }

void PathAdd(CGContextObject* c, std::string element)
{
    c->path.elements.push_back(std::move(element));
}

void PathMove(CGContextObject* c, double ux, double uy)
{
    double x = ux, y = uy;
    cairo_user_to_device(c->cr, &x, &y);
    PathAdd(c, "M" + PointText(x, y));
    c->path.hasCurrent = true;
    c->path.currentX = x;
    c->path.currentY = y;
}

void PathLine(CGContextObject* c, double ux, double uy)
{
    double x = ux, y = uy;
    cairo_user_to_device(c->cr, &x, &y);
    PathAdd(c, "L" + PointText(x, y));
    c->path.hasCurrent = true;
    c->path.currentX = x;
    c->path.currentY = y;
}

std::string PathText(const CGContextObject* c)
{
    std::string text;
    for (const std::string& e : c->path.elements) {
        if (!text.empty())
            text += ';';
        text += e;
    }
    return text;
}

void PathClear(CGContextObject* c)
{
    c->path.elements.clear();
    c->path.hasCurrent = false;
}

void Log(std::string line)
{
    if (pvquartz::Recording* r = pvquartz::Recording::Active())
        r->Append(std::move(line));
}

std::string RectText(double x, double y, double w, double h)
{
    return "(" + Num(x) + "," + Num(y) + "," + Num(w) + "," + Num(h) + ")";
}

// The rectangle as it lies on the picture (its corners' bounds).
std::string DeviceRectText(CGContextObject* c, CGRect r)
{
    double xs[4] = {r.origin.x, r.origin.x + r.size.width, r.origin.x, r.origin.x + r.size.width};
    double ys[4] = {r.origin.y, r.origin.y, r.origin.y + r.size.height, r.origin.y + r.size.height};
    for (int i = 0; i < 4; ++i)
        cairo_user_to_device(c->cr, &xs[i], &ys[i]);
    const double x0 = *std::min_element(xs, xs + 4), x1 = *std::max_element(xs, xs + 4);
    const double y0 = *std::min_element(ys, ys + 4), y1 = *std::max_element(ys, ys + 4);
    return RectText(x0, y0, x1 - x0, y1 - y0);
}

const char* CapText(CGLineCap cap)
{
    return cap == kCGLineCapRound ? "round" : cap == kCGLineCapSquare ? "square" : "butt";
}

const char* JoinText(CGLineJoin join)
{
    return join == kCGLineJoinRound ? "round" : join == kCGLineJoinBevel ? "bevel" : "miter";
}

std::string DashText(const GState& g)
{
    if (g.dash.empty())
        return "none";
    std::string text = "(" + Num(g.phase) + ";";
    for (std::size_t i = 0; i < g.dash.size(); ++i)
        text += (i ? "," : "") + Num(g.dash[i]);
    return text + ")";
}

std::string StrokeText(CGContextObject* c)
{
    const GState& g = c->state;
    return "color=" + Colour(g.stroke) + " width=" + Num(g.lineWidth) + " cap=" + CapText(g.cap) +
           " join=" + JoinText(g.join) + " dash=" + DashText(g);
}

} // namespace

void ApplyFill(CGContextObject* c) { SetSource(c, c->state.fill); }

void ApplyStroke(CGContextObject* c)
{
    const GState& g = c->state;
    pvquartz::SetSource(c, g.stroke);
    cairo_set_line_width(c->cr, g.lineWidth);
    cairo_set_line_cap(c->cr, g.cap == kCGLineCapRound    ? CAIRO_LINE_CAP_ROUND
                              : g.cap == kCGLineCapSquare ? CAIRO_LINE_CAP_SQUARE
                                                          : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(c->cr, g.join == kCGLineJoinRound    ? CAIRO_LINE_JOIN_ROUND
                               : g.join == kCGLineJoinBevel ? CAIRO_LINE_JOIN_BEVEL
                                                            : CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(c->cr, 10.0);   // Quartz's
    cairo_set_dash(c->cr, g.dash.empty() ? nullptr : g.dash.data(), static_cast<int>(g.dash.size()),
                   g.phase);
}

std::string StateText(CGContextObject* c)
{
    std::string text;
    cairo_matrix_t m;
    cairo_get_matrix(c->cr, &m);
    if (!(m.xx == 1.0 && m.yx == 0.0 && m.xy == 0.0 && m.yy == 1.0 && m.x0 == 0.0 && m.y0 == 0.0))
        text += " xf=(" + Num(m.xx) + "," + Num(m.yx) + "," + Num(m.xy) + "," + Num(m.yy) + "," +
                Num(m.x0) + "," + Num(m.y0) + ")";
    text += c->state.antialias ? " aa=on" : " aa=off";
    if (c->state.alpha != 1.0)
        text += " alpha=" + Num(c->state.alpha);
    return text;
}

} // namespace pvquartz

using pvquartz::Context;
using pvquartz::PicturePath;

namespace {

// The base transform: Quartz's y-up device space on cairo's y-down pixels.
cairo_matrix_t Base(const CGContextObject* c)
{
    cairo_matrix_t base;
    cairo_matrix_init(&base, 1.0, 0.0, 0.0, -1.0, 0.0, static_cast<double>(c->height));
    return base;
}

// Multiplies the user-space step onto the front of cairo's matrix.
void Prepend(CGContextObject* c, const CGAffineTransform& t)
{
    if (!c || !pvquartz::Finite({t.a, t.b, t.c, t.d, t.tx, t.ty}))
        return;
    cairo_matrix_t step, m;
    cairo_matrix_init(&step, t.a, t.b, t.c, t.d, t.tx, t.ty);
    cairo_get_matrix(c->cr, &m);
    cairo_matrix_multiply(&m, &step, &m);
    // A singular matrix puts cairo in an error state for good: Quartz draws
    // nothing under it; so do we, by not taking it.
    if (cairo_matrix_invert(&step) == CAIRO_STATUS_SUCCESS)
        cairo_set_matrix(c->cr, &m);
}

void FillCurrent(CGContextObject* c)
{
    if (!c)
        return;
    if (pvquartz::Recording::Active())
        pvquartz::Log(std::string("FillPath rule=winding") +
                      " color=" + pvquartz::Colour(c->state.fill) +
                      " path=" + pvquartz::PathText(c) + pvquartz::StateText(c));
    if (pvcommon::raster::FastPaths() && pvquartz::FillStepStack(c)) {
        pvquartz::PathClear(c);
        return;
    }
    pvquartz::HandOverPath(c);
    pvquartz::ApplyFill(c);
    cairo_set_fill_rule(c->cr, CAIRO_FILL_RULE_WINDING);
    pvquartz::WillPaint(c);
    cairo_fill(c->cr);
    pvquartz::PathClear(c);
}

} // namespace

namespace pvquartz {

// The current path on the picture's pixels (flattened when asked), as
// cairo keeps it.
cairo_path_t* PicturePath(cairo_t* cr, bool flat)
{
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    cairo_identity_matrix(cr);
    cairo_path_t* path = flat ? cairo_copy_path_flat(cr) : cairo_copy_path(cr);
    cairo_set_matrix(cr, &m);
    return path;
}

} // namespace pvquartz

namespace {

// The current path on the picture, flattened as cairo fills it; null when
// it cannot be had (the clip's own coverage serves).
std::shared_ptr<const pvcommon::raster::Polygons> FlatOutline(cairo_t* cr)
{
    cairo_path_t* path = PicturePath(cr, true);
    std::shared_ptr<pvcommon::raster::Polygons> outline;
    try {
        outline = std::make_shared<pvcommon::raster::Polygons>();
    } catch (const std::bad_alloc&) {
    }
    if (outline && !pvcommon::raster::PolygonsOf(path, *outline))
        outline = nullptr;
    cairo_path_destroy(path);
    return outline;
}

// Whether the current path is one rectangle with upright sides on the
// picture (cairo clips to those without shaping).
bool UprightRectangle(cairo_t* cr)
{
    cairo_path_t* path = PicturePath(cr, true);
    std::vector<std::pair<double, double>> corners;
    bool ok = path->status == CAIRO_STATUS_SUCCESS;
    bool closed = false;
    for (int i = 0; ok && i < path->num_data; i += path->data[i].header.length) {
        const cairo_path_data_t& d = path->data[i];
        if (d.header.type == CAIRO_PATH_CLOSE_PATH) {
            closed = true;
        } else if (closed) {
            // Only the move cairo adds after a close may follow it.
            ok = d.header.type == CAIRO_PATH_MOVE_TO && i + d.header.length == path->num_data;
        } else {
            ok = (d.header.type == CAIRO_PATH_MOVE_TO) == corners.empty();
            corners.emplace_back(path->data[i + 1].point.x, path->data[i + 1].point.y);
        }
    }
    cairo_path_destroy(path);
    if (ok && corners.size() == 5 && corners.back() == corners.front())
        corners.pop_back();
    if (!ok || corners.size() != 4)
        return false;
    for (std::size_t i = 0; i < 4; ++i) {
        const auto& a = corners[i];
        const auto& b = corners[(i + 1) % 4];
        if ((a.first == b.first) == (a.second == b.second))
            return false;   // slanted, or no edge at all
    }
    return true;
}

} // namespace

namespace pvquartz {

// The pixel cairo paints for a colour (painted once, so the conversion is
// cairo's own); the context keeps the last colour's, since a chart's grid
// lines share one.
std::uint32_t SolidPixel(CGContextObject* c, double r, double g, double b, double a)
{
    double* last = c->lastSolid;
    if (last[0] == r && last[1] == g && last[2] == b && last[3] == a)
        return c->lastSolidPixel;
    std::uint32_t pixel = 0;
    cairo_surface_t* one = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(&pixel),
                                                               CAIRO_FORMAT_ARGB32, 1, 1, 4);
    cairo_t* cr = cairo_create(one);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, r, g, b, a);
    cairo_paint(cr);
    const bool painted = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_flush(one);
    cairo_surface_destroy(one);
    if (!painted)
        return pixel;
    last[0] = r;
    last[1] = g;
    last[2] = b;
    last[3] = a;
    c->lastSolidPixel = pixel;
    return pixel;
}

} // namespace pvquartz

namespace {

void StrokeCurrent(CGContextObject* c, bool keep)
{
    if (!c)
        return;
    if (pvquartz::Recording::Active())
        pvquartz::Log("StrokePath " + pvquartz::StrokeText(c) + " path=" + pvquartz::PathText(c) +
                      pvquartz::StateText(c));
    const bool fast = !keep && pvcommon::raster::FastPaths();
    if (fast && pvquartz::StrokeStepStack(c)) {
        pvquartz::PathClear(c);
        return;
    }
    pvquartz::HandOverPath(c);
    if (fast && (pvquartz::StrokeDashedAxisLine(c) || pvquartz::StrokeRowStack(c) || pvquartz::StrokeSmoothCurve(c))) {
        pvquartz::PathClear(c);
        return;
    }
    if (fast)
        pvquartz::ThinPolylines(c);
    pvquartz::ApplyStroke(c);
    if (keep) {
        pvquartz::WillPaint(c);
        cairo_stroke_preserve(c->cr);
    } else {
        pvquartz::WillPaint(c);
        cairo_stroke(c->cr);
        pvquartz::PathClear(c);
    }
}
void Rectangle(CGContextObject* c, CGRect r)
{
    cairo_rectangle(c->cr, r.origin.x, r.origin.y, r.size.width, r.size.height);
    if (pvquartz::Recording::Active()) {
        const double x0 = r.origin.x, y0 = r.origin.y;
        const double x1 = x0 + r.size.width, y1 = y0 + r.size.height;
        pvquartz::PathMove(c, x0, y0);
        pvquartz::PathLine(c, x1, y0);
        pvquartz::PathLine(c, x1, y1);
        pvquartz::PathLine(c, x0, y1);
        pvquartz::PathAdd(c, "Z");
        // cairo's rectangle leaves the current point at its start.
        double x = x0, y = y0;
        cairo_user_to_device(c->cr, &x, &y);
        c->path.currentX = x;
        c->path.currentY = y;
    }
}
} // namespace

namespace {

// A move, an arc or a close kept as a step (see HandOverPath) while the
// path is made of nothing else yet; false when it is for cairo's path now.
bool KeepStep(CGContextObject* c, pvquartz::PathStep::Kind kind, std::initializer_list<double> values,
              bool clockwise)
{
    if (!pvcommon::raster::FastPaths() || pvquartz::Recording::Active() || (c->steps.empty() && cairo_has_current_point(c->cr))) {
        pvquartz::HandOverPath(c);
        return false;
    }
    pvquartz::PathStep step;
    step.kind = kind;
    step.clockwise = clockwise;
    std::copy(values.begin(), values.end(), step.v);
    cairo_get_matrix(c->cr, &step.m);
    try {
        c->steps.push_back(step);
    } catch (const std::bad_alloc&) {
        pvquartz::HandOverPath(c);   // and this one goes to cairo as well
        return false;
    }
    return true;
}

} // namespace

extern "C" {

CGContextRef CGContextRetain(CGContextRef c)
{
    if (c)
        CFRetain(c);
    return c;
}

void CGContextRelease(CGContextRef c)
{
    if (c)
        CFRelease(c);
}

void CGContextSaveGState(CGContextRef ref)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSaveGState");
    if (!c)
        return;
    c->saved.push_back(c->state);
    c->saved.back().layer = false;
    cairo_save(c->cr);
}

void CGContextRestoreGState(CGContextRef ref)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextRestoreGState");
    if (!c)
        return;
    // A layer's begin is undone only by its end.
    if (c->saved.empty() || c->saved.back().layer)
        return;
    c->state = c->saved.back();
    c->saved.pop_back();
    cairo_restore(c->cr);
}

void CGContextTranslateCTM(CGContextRef ref, CGFloat tx, CGFloat ty)
{
    Prepend(pvquartz::ContextKeepingSteps(ref, "CGContextTranslateCTM"), CGAffineTransformMakeTranslation(tx, ty));
}

void CGContextScaleCTM(CGContextRef ref, CGFloat sx, CGFloat sy)
{
    Prepend(pvquartz::ContextKeepingSteps(ref, "CGContextScaleCTM"), CGAffineTransformMakeScale(sx, sy));
}

void CGContextRotateCTM(CGContextRef ref, CGFloat angle)
{
    Prepend(pvquartz::ContextKeepingSteps(ref, "CGContextRotateCTM"), CGAffineTransformMakeRotation(angle));
}

void CGContextConcatCTM(CGContextRef ref, CGAffineTransform transform)
{
    Prepend(pvquartz::ContextKeepingSteps(ref, "CGContextConcatCTM"), transform);
}

CGAffineTransform CGContextGetCTM(CGContextRef ref)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextGetCTM");
    if (!c)
        return CGAffineTransformIdentity;
    cairo_matrix_t m, inverse = Base(c);
    cairo_get_matrix(c->cr, &m);
    cairo_matrix_invert(&inverse);
    cairo_matrix_multiply(&m, &m, &inverse);
    return CGAffineTransform{m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
}

void CGContextSetLineWidth(CGContextRef ref, CGFloat width)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetLineWidth");
    if (!c)
        return;
    if (std::isfinite(width))
        c->state.lineWidth = width < 0.0 ? 0.0 : width;
}

void CGContextSetLineCap(CGContextRef ref, CGLineCap cap)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetLineCap");
    if (!c)
        return;
    if (cap >= kCGLineCapButt && cap <= kCGLineCapSquare)
        c->state.cap = cap;
}

void CGContextSetLineJoin(CGContextRef ref, CGLineJoin join)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetLineJoin");
    if (!c)
        return;
    if (join >= kCGLineJoinMiter && join <= kCGLineJoinBevel)
        c->state.join = join;
}
void CGContextSetLineDash(CGContextRef ref, CGFloat phase, const CGFloat* lengths, size_t count)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetLineDash");
    if (!c)
        return;
    c->state.dash.clear();
    c->state.phase = 0.0;
    if (!lengths || count == 0)
        return;
    double total = 0.0;
    for (size_t i = 0; i < count; ++i) {
        if (!(lengths[i] >= 0.0) || !std::isfinite(lengths[i]))
            return;   // a pattern with a negative length is refused: solid
        total += lengths[i];
    }
    if (total <= 0.0)
        return;
    c->state.dash.assign(lengths, lengths + count);
    c->state.phase = std::isfinite(phase) ? phase : 0.0;
}

void CGContextSetShouldAntialias(CGContextRef ref, bool shouldAntialias)
{
    if (CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetShouldAntialias"))
        c->state.antialias = shouldAntialias;
}

void CGContextSetAlpha(CGContextRef ref, CGFloat alpha)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetAlpha");
    if (!c)
        return;
    if (std::isfinite(alpha))
        c->state.alpha = std::min(1.0, std::max(0.0, alpha));
}

void CGContextSetFillColorWithColor(CGContextRef ref, CGColorRef color)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetFillColorWithColor");
    if (!c)
        return;
    if (!color)
        return;
    auto* col = pvcf::As<CGColorObject>(color, pvquartz::kColorType, "CGContextSetFillColorWithColor");
    std::copy(col->rgba, col->rgba + 4, c->state.fill);
}

void CGContextSetStrokeColorWithColor(CGContextRef ref, CGColorRef color)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetStrokeColorWithColor");
    if (!c)
        return;
    if (!color)
        return;
    auto* col =
        pvcf::As<CGColorObject>(color, pvquartz::kColorType, "CGContextSetStrokeColorWithColor");
    std::copy(col->rgba, col->rgba + 4, c->state.stroke);
}

void CGContextSetRGBFillColor(CGContextRef ref, CGFloat red, CGFloat green, CGFloat blue,
                              CGFloat alpha)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetRGBFillColor");
    if (!c)
        return;
    CGColorRef color = CGColorCreateGenericRGB(red, green, blue, alpha);
    CGContextSetFillColorWithColor(c, color);
    CGColorRelease(color);
}

void CGContextSetRGBStrokeColor(CGContextRef ref, CGFloat red, CGFloat green, CGFloat blue,
                                CGFloat alpha)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextSetRGBStrokeColor");
    if (!c)
        return;
    CGColorRef color = CGColorCreateGenericRGB(red, green, blue, alpha);
    CGContextSetStrokeColorWithColor(c, color);
    CGColorRelease(color);
}

// --- paths ---------------------------------------------------------------------------

void CGContextBeginPath(CGContextRef ref)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextBeginPath");
    if (!c)
        return;
    c->steps.clear();
    cairo_new_path(c->cr);
    pvquartz::PathClear(c);
}

void CGContextMoveToPoint(CGContextRef ref, CGFloat x, CGFloat y)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextMoveToPoint");
    if (!c)
        return;
    if (!pvquartz::Finite({x, y}))
        return;
    if (KeepStep(c, pvquartz::PathStep::kMove, {x, y, 0.0, 0.0, 0.0}, false))
        return;
    cairo_move_to(c->cr, x, y);
    if (pvquartz::Recording::Active())
        pvquartz::PathMove(c, x, y);
}

void CGContextAddLineToPoint(CGContextRef ref, CGFloat x, CGFloat y)
{
    CGContextObject* c = Context(ref, "CGContextAddLineToPoint");
    if (!c)
        return;
    // Quartz ignores (with a message) a line without a current point.
    if (!pvquartz::Finite({x, y}) || !cairo_has_current_point(c->cr))
        return;
    cairo_line_to(c->cr, x, y);
    if (pvquartz::Recording::Active())
        pvquartz::PathLine(c, x, y);
}
void CGContextAddArc(CGContextRef ref, CGFloat x, CGFloat y, CGFloat radius, CGFloat startAngle,
                     CGFloat endAngle, int clockwise)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextAddArc");
    if (!c)
        return;
    if (!pvquartz::Finite({x, y, radius, startAngle, endAngle}))
        return;
    radius = std::fabs(radius);
    if (KeepStep(c, pvquartz::PathStep::kArc, {x, y, radius, startAngle, endAngle}, clockwise != 0))
        return;
    if (!pvquartz::Recording::Active()) {
        if (clockwise)
            cairo_arc_negative(c->cr, x, y, radius, startAngle, endAngle);
        else
            cairo_arc(c->cr, x, y, radius, startAngle, endAngle);
        return;
    }
    cairo_matrix_t m;
    cairo_get_matrix(c->cr, &m);
    const double sx = x + radius * std::cos(startAngle), sy = y + radius * std::sin(startAngle);
    double dx = sx, dy = sy;
    cairo_user_to_device(c->cr, &dx, &dy);
    const bool hadCurrent = c->path.hasCurrent;
    const bool axisAligned = m.xy == 0.0 && m.yx == 0.0;
    cairo_path_t* before = axisAligned ? nullptr : cairo_copy_path(c->cr);
    if (clockwise)
        cairo_arc_negative(c->cr, x, y, radius, startAngle, endAngle);
    else
        cairo_arc(c->cr, x, y, radius, startAngle, endAngle);
    if (hadCurrent && (pvquartz::Num(dx) != pvquartz::Num(c->path.currentX) ||
                       pvquartz::Num(dy) != pvquartz::Num(c->path.currentY)))
        pvquartz::PathAdd(c, "L" + pvquartz::PointText(dx, dy));
    if (axisAligned) {
        double cx = x, cy = y;
        cairo_user_to_device(c->cr, &cx, &cy);
        double a0 = startAngle * 180.0 / pvquartz::kPi, a1 = endAngle * 180.0 / pvquartz::kPi;
        bool up = !clockwise;
        if (m.xx < 0.0) {
            a0 = 180.0 - a0;
            a1 = 180.0 - a1;
            up = !up;
        }
        if (m.yy < 0.0) {
            a0 = -a0;
            a1 = -a1;
            up = !up;
        }
        pvquartz::PathAdd(c, "A(" + pvquartz::Num(cx) + "," + pvquartz::Num(cy) + "," +
                                 pvquartz::Num(std::fabs(m.xx) * radius) + "," +
                                 pvquartz::Num(std::fabs(m.yy) * radius) + "," +
                                 pvquartz::Num(a0) + "," + pvquartz::Num(a1) + "," +
                                 (up ? "+" : "-") + ")");
    } else {
        cairo_path_t* after = cairo_copy_path(c->cr);
        int skip = before ? before->num_data : 0;
        for (int i = skip; i < after->num_data; i += after->data[i].header.length) {
            const cairo_path_data_t& d = after->data[i];
            if (d.header.type != CAIRO_PATH_CURVE_TO)
                continue;
            double p[6];
            for (int k = 0; k < 3; ++k) {
                p[2 * k] = after->data[i + 1 + k].point.x;
                p[2 * k + 1] = after->data[i + 1 + k].point.y;
                cairo_user_to_device(c->cr, &p[2 * k], &p[2 * k + 1]);
            }
            std::string e = "C(";
            for (int k = 0; k < 6; ++k)
                e += (k ? "," : "") + pvquartz::Num(p[k]);
            pvquartz::PathAdd(c, e + ")");
        }
        cairo_path_destroy(after);
    }
    if (before)
        cairo_path_destroy(before);
    double ex = x + radius * std::cos(endAngle), ey = y + radius * std::sin(endAngle);
    cairo_user_to_device(c->cr, &ex, &ey);
    c->path.hasCurrent = true;
    c->path.currentX = ex;
    c->path.currentY = ey;
}

void CGContextAddRect(CGContextRef ref, CGRect rect)
{
    CGContextObject* c = Context(ref, "CGContextAddRect");
    if (!c)
        return;
    if (!pvquartz::Finite({rect.origin.x, rect.origin.y, rect.size.width, rect.size.height}))
        return;
    Rectangle(c, rect);
}
void CGContextClosePath(CGContextRef ref)
{
    CGContextObject* c = pvquartz::ContextKeepingSteps(ref, "CGContextClosePath");
    if (!c)
        return;
    // A close ends a kept figure as a step too; one that starts a path goes
    // to cairo's.
    if (!c->steps.empty() && KeepStep(c, pvquartz::PathStep::kClose, {}, false))
        return;
    pvquartz::HandOverPath(c);
    if (!cairo_has_current_point(c->cr))
        return;
    cairo_close_path(c->cr);
    if (pvquartz::Recording::Active())
        pvquartz::PathAdd(c, "Z");
}
// --- painting ------------------------------------------------------------------------------

void CGContextFillPath(CGContextRef ref) { FillCurrent(pvquartz::ContextKeepingSteps(ref, "CGContextFillPath")); }
void CGContextStrokePath(CGContextRef ref)
{
    StrokeCurrent(pvquartz::ContextKeepingSteps(ref, "CGContextStrokePath"), false);
}
void CGContextClip(CGContextRef ref)
{
    CGContextObject* c = Context(ref, "CGContextClip");
    if (!c)
        return;
    pvquartz::Log("Clip rule=winding path=" + pvquartz::PathText(c));
    // The first clip, when shaped, is kept as its outline too: a gradient
    // painted through it covers the outline by area (see GradientThrough).
    c->state.clipOutline = nullptr;
    if (!UprightRectangle(c->cr)) {
        // cairo clips to the outline anti-aliased or not as painting is now.
        if (!c->state.clipped && cairo_get_antialias(c->cr) != CAIRO_ANTIALIAS_NONE)
            c->state.clipOutline = FlatOutline(c->cr);
        c->state.shapedClip = true;
    }
    c->state.clipped = true;
    cairo_set_fill_rule(c->cr, CAIRO_FILL_RULE_WINDING);
    cairo_clip(c->cr);
    pvquartz::PathClear(c);
}
void CGContextClipToRect(CGContextRef ref, CGRect rect)
{
    CGContextObject* c = Context(ref, "CGContextClipToRect");
    if (!c)
        return;
    // The current path stays as it was.
    cairo_path_t* path = cairo_copy_path(c->cr);
    pvquartz::RecordedPath saved = c->path;
    cairo_new_path(c->cr);
    pvquartz::PathClear(c);
    Rectangle(c, rect);
    CGContextClip(c);
    cairo_append_path(c->cr, path);
    cairo_path_destroy(path);
    c->path = saved;
}

void CGContextFillRect(CGContextRef ref, CGRect rect)
{
    CGContextObject* c = Context(ref, "CGContextFillRect");
    if (!c)
        return;
    if (!pvquartz::Finite({rect.origin.x, rect.origin.y, rect.size.width, rect.size.height}))
        return;
    if (pvquartz::Recording::Active())
        pvquartz::Log("FillRect color=" + pvquartz::Colour(c->state.fill) +
                      " rect=" + pvquartz::DeviceRectText(c, rect) + pvquartz::StateText(c));
    // Painted as its own path: the current path stays.
    cairo_path_t* path = cairo_copy_path(c->cr);
    cairo_new_path(c->cr);
    cairo_rectangle(c->cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    pvquartz::ApplyFill(c);
    cairo_set_fill_rule(c->cr, CAIRO_FILL_RULE_WINDING);
    pvquartz::WillPaint(c);
    cairo_fill(c->cr);
    cairo_append_path(c->cr, path);
    cairo_path_destroy(path);
}
void CGContextClearRect(CGContextRef ref, CGRect rect)
{
    CGContextObject* c = Context(ref, "CGContextClearRect");
    if (!c)
        return;
    if (!pvquartz::Finite({rect.origin.x, rect.origin.y, rect.size.width, rect.size.height}))
        return;
    if (pvquartz::Recording::Active())
        pvquartz::Log("ClearRect rect=" + pvquartz::DeviceRectText(c, rect) + pvquartz::StateText(c));
    cairo_path_t* path = cairo_copy_path(c->cr);
    cairo_save(c->cr);
    cairo_new_path(c->cr);
    cairo_rectangle(c->cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_set_operator(c->cr, CAIRO_OPERATOR_CLEAR);
    cairo_set_antialias(c->cr, c->state.antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    pvquartz::WillPaint(c);
    cairo_fill(c->cr);
    cairo_restore(c->cr);
    cairo_append_path(c->cr, path);
    cairo_path_destroy(path);
}
void CGContextDrawLinearGradient(CGContextRef ref, CGGradientRef gradient, CGPoint startPoint,
                                 CGPoint endPoint, CGGradientDrawingOptions options)
{
    CGContextObject* c = Context(ref, "CGContextDrawLinearGradient");
    if (!c)
        return;
    if (!gradient || !pvquartz::Finite({startPoint.x, startPoint.y, endPoint.x, endPoint.y}))
        return;
    auto* g = pvcf::As<CGGradientObject>(gradient, pvquartz::kGradientType,
                                         "CGContextDrawLinearGradient");
    if (pvquartz::Recording::Active()) {
        double x0 = startPoint.x, y0 = startPoint.y, x1 = endPoint.x, y1 = endPoint.y;
        cairo_user_to_device(c->cr, &x0, &y0);
        cairo_user_to_device(c->cr, &x1, &y1);
        std::string stops;
        for (const auto& s : g->stops)
            stops += (stops.empty() ? "" : ";") + pvquartz::Num(s.location) + ":" +
                     pvquartz::Colour(s.rgba);
        pvquartz::Log("DrawLinearGradient from=" + pvquartz::PointText(x0, y0) +
                      " to=" + pvquartz::PointText(x1, y1) + " stops=" + stops +
                      " options=" + std::to_string(options) + pvquartz::StateText(c));
    }
    cairo_pattern_t* pattern =
        cairo_pattern_create_linear(startPoint.x, startPoint.y, endPoint.x, endPoint.y);
    // cairo wants the stops in order of location; equal locations keep the
    // order given.
    std::vector<CGGradientObject::Stop> stops = g->stops;
    std::stable_sort(stops.begin(), stops.end(),
                     [](const auto& a, const auto& b) { return a.location < b.location; });
    for (const auto& s : stops)
        cairo_pattern_add_color_stop_rgba(pattern, s.location, s.rgba[0], s.rgba[1], s.rgba[2],
                                          s.rgba[3] * c->state.alpha);
    const bool before = options & kCGGradientDrawsBeforeStartLocation;
    const bool after = options & kCGGradientDrawsAfterEndLocation;
    cairo_pattern_set_extend(pattern, before || after ? CAIRO_EXTEND_PAD : CAIRO_EXTEND_NONE);
    cairo_path_t* path = cairo_copy_path(c->cr);
    cairo_save(c->cr);
    cairo_new_path(c->cr);
    const double dx = endPoint.x - startPoint.x, dy = endPoint.y - startPoint.y;
    const double length = std::hypot(dx, dy);
    if (before != after && length > 0.0) {
        // Padding on one side only: clip away the half-plane beyond the
        // other end (a band far wider than any picture).
        const double ux = dx / length, uy = dy / length;
        // Far in the picture's pixels, not in the user's units: scaled up,
        // a million of those lies beyond cairo's fixed-point range and
        // the clip comes out empty.
        cairo_matrix_t m;
        cairo_get_matrix(c->cr, &m);
        const double scale = std::max(std::hypot(m.xx, m.yx), std::hypot(m.xy, m.yy));
        const double far = scale > 0.0 ? 1e5 / scale : 1e6;
        const CGPoint edge = before ? endPoint : startPoint;
        const double sign = before ? -1.0 : 1.0;
        cairo_move_to(c->cr, edge.x - uy * far, edge.y + ux * far);
        cairo_line_to(c->cr, edge.x + uy * far, edge.y - ux * far);
        cairo_line_to(c->cr, edge.x + uy * far + sign * ux * far, edge.y - ux * far + sign * uy * far);
        cairo_line_to(c->cr, edge.x - uy * far + sign * ux * far, edge.y + ux * far + sign * uy * far);
        cairo_close_path(c->cr);
        cairo_clip(c->cr);
    }
    cairo_set_antialias(c->cr, c->state.antialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    if (length > 0.0) {
        pvquartz::WillPaint(c);
        // Under a shaped clip: the clip's coverage first, then the gradient
        // through it in one composite. Painting under such a clip composites
        // every span of it on its own, the gradient set up anew each time.
        if (!c->state.shapedClip) {
            cairo_set_source(c->cr, pattern);
            cairo_paint(c->cr);
        } else {
            // A clip that is one outline is covered by area, without cairo
            // (not with padding on one side only: the half-plane cut away is
            // cairo's clip).
            const auto outline = before == after ? c->state.clipOutline : nullptr;
            if (!outline || !pvquartz::GradientThroughOutline(c, *outline, stops, startPoint, endPoint,
                                             before, after)) {
                cairo_push_group_with_content(c->cr, CAIRO_CONTENT_ALPHA);
                cairo_set_source_rgba(c->cr, 0, 0, 0, 1);
                cairo_paint(c->cr);
                cairo_pattern_t* coverage = cairo_pop_group(c->cr);
                cairo_reset_clip(c->cr);
                if (!pvquartz::GradientThroughMask(c, coverage, stops, startPoint, endPoint, before, after)) {
                    cairo_set_source(c->cr, pattern);
                    cairo_mask(c->cr, coverage);
                }
                cairo_pattern_destroy(coverage);
            }
        }
    }
    cairo_restore(c->cr);
    cairo_pattern_destroy(pattern);
    cairo_append_path(c->cr, path);
    cairo_path_destroy(path);
}

void CGContextBeginTransparencyLayer(CGContextRef ref, CFDictionaryRef)
{
    CGContextObject* c = Context(ref, "CGContextBeginTransparencyLayer");
    if (!c)
        return;
    pvquartz::Log("BeginTransparencyLayer");
    c->saved.push_back(c->state);
    c->saved.back().layer = true;
    cairo_push_group(c->cr);
    // Inside the layer the alpha starts at 1; it applies when the layer ends.
    c->state.alpha = 1.0;
}

void CGContextEndTransparencyLayer(CGContextRef ref)
{
    CGContextObject* c = Context(ref, "CGContextEndTransparencyLayer");
    if (!c)
        return;
    auto layer = std::find_if(c->saved.rbegin(), c->saved.rend(),
                              [](const pvquartz::GState& g) { return g.layer; });
    if (layer == c->saved.rend())
        return;
    pvquartz::Log("EndTransparencyLayer");
    // Saves made inside the layer and not restored end with it.
    while (!c->saved.back().layer) {
        c->saved.pop_back();
        cairo_restore(c->cr);
    }
    c->state = c->saved.back();
    c->state.layer = false;
    c->saved.pop_back();
    cairo_pop_group_to_source(c->cr);
    pvquartz::WillPaint(c);
    cairo_paint_with_alpha(c->cr, c->state.alpha);
    // The layer's picture, a surface as large as the layer, is let go now
    // rather than kept as the source until the next painting.
    pvquartz::ApplyFill(c);
}
}  // extern "C"
