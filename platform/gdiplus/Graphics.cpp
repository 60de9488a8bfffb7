// Drawing on a bitmap with cairo.
//
// GDI+ puts pixel centres on whole coordinates; cairo puts them at half
// coordinates. Every drawing call therefore works in a device space shifted
// by half a pixel, followed by the world transform.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/gdiplus/GraphicsImpl.h"
#include "platform/gdiplus/Recording.h"

namespace Gdiplus {

using namespace detail;

namespace {

bool Finite(std::initializer_list<REAL> values)
{
    for (REAL v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

// Cairo places points in 24.8 fixed point; beyond that range geometry is
// meaningless, and huge ellipses cost it time without bound.
constexpr REAL kMaxMagnitude = 8.0e6f;

// Status of coordinates and sizes: finite and within the canvas's reach.
Status Placeable(std::initializer_list<REAL> values)
{
    for (REAL v : values) {
        if (!std::isfinite(v))
            return InvalidParameter;
        if (std::fabs(v) > kMaxMagnitude)
            return ValueOverflow;
    }
    return Ok;
}

// Lines are only made while a recording listens.
template <class MakeLine> void Record(MakeLine makeLine)
{
    if (Recording* recording = Recording::Active())
        recording->Append(makeLine());
}

// Polylines are thinned before stroking: points that lie within this many
// canvas pixels of the line through their kept neighbours add nothing one can
// see, but cairo's stroker pays for every join (a smoothed line walked in
// half-pixel steps has thousands).
constexpr double kThinning = 0.05;

} // namespace

namespace detail {

// The ellipse parameter of the point seen from the centre under the angle
// (degrees), unwrapped so that it grows with the angle.
double EllipseParameter(double a, double b, double degrees)
{
    double theta = degrees * kPi / 180.0;
    double t = std::atan2(a * std::sin(theta), b * std::cos(theta));
    return t + 2.0 * kPi * std::round((theta - t) / (2.0 * kPi));
}

// The box (left, top, right, bottom) of the arc of the ellipse in the box
// (x, y, w, h) that AddArc traces, and of its centre when asked.
void ArcBox(double x, double y, double w, double h, double start, double sweep, bool centre,
            double box[4])
{
    const double a = w * 0.5, b = h * 0.5, cx = x + a, cy = y + b;
    sweep = std::max(-360.0, std::min(360.0, sweep));
    if (std::fabs(sweep) >= 360.0) {
        box[0] = x;
        box[1] = y;
        box[2] = x + w;
        box[3] = y + h;
        return;
    }
    const double t0 = EllipseParameter(a, b, start);
    const double t1 = EllipseParameter(a, b, start + sweep);
    box[0] = box[2] = cx + a * std::cos(t0);
    box[1] = box[3] = cy + b * std::sin(t0);
    auto add = [box](double px, double py) {
        box[0] = std::min(box[0], px);
        box[1] = std::min(box[1], py);
        box[2] = std::max(box[2], px);
        box[3] = std::max(box[3], py);
    };
    add(cx + a * std::cos(t1), cy + b * std::sin(t1));
    if (centre)
        add(cx, cy);
    // The quarter points the arc passes.
    const double low = std::min(t0, t1), high = std::max(t0, t1);
    for (double q = std::ceil(low / (kPi * 0.5)) * (kPi * 0.5); q <= high; q += kPi * 0.5)
        add(cx + a * std::cos(q), cy + b * std::sin(q));
}

// Appends the arc of the ellipse in the box to the current path.
void AddArc(cairo_t* cr, double x, double y, double w, double h, double start, double sweep)
{
    double a = w * 0.5, b = h * 0.5;
    if (sweep > 360.0)
        sweep = 360.0;
    if (sweep < -360.0)
        sweep = -360.0;
    double t0 = EllipseParameter(a, b, start);
    double t1 = std::fabs(sweep) >= 360.0 ? t0 + (sweep > 0 ? 2.0 * kPi : -2.0 * kPi)
                                          : EllipseParameter(a, b, start + sweep);
    cairo_matrix_t saved;
    cairo_get_matrix(cr, &saved);
    cairo_translate(cr, x + a, y + b);
    cairo_scale(cr, a, b);
    if (t1 >= t0)
        cairo_arc(cr, 0.0, 0.0, 1.0, t0, t1);
    else
        cairo_arc_negative(cr, 0.0, 0.0, 1.0, t0, t1);
    cairo_set_matrix(cr, &saved);
}

} // namespace detail

void Graphics::Impl::StrokeArc(const Pen& pen, REAL x, REAL y, REAL width, REAL height,
                               REAL start, REAL sweep)
{
    const Color colour = pen.GetColor();
    Touch();
    if (pvcommon::raster::FastPaths() && smoothing != SmoothingModeHighQuality && IsIdentity() &&
        pen.GetDashStyle() == DashStyleSolid && colour.GetA() == 0xFF &&
        StrokeArcAliased(bitmap->surface, arcs, x, y, width, height, start, sweep,
                         pen.GetWidth(), colour.GetValue()))
        return;
    if (StrokeArcSmoothed(pen, x, y, width, height, start, sweep))
        return;
    Prepare();
    SetPen(pen);
    AddArc(cr, x, y, width, height, start, sweep);
    cairo_stroke(cr);
}

void Graphics::Impl::FillPie(const Brush& brush, REAL x, REAL y, REAL width, REAL height,
                             REAL start, REAL sweep)
{
    Prepare();
    cairo_move_to(cr, x + width * 0.5, y + height * 0.5);
    AddArc(cr, x, y, width, height, start, sweep);
    cairo_close_path(cr);
    if (FillVerticalGradient(brush))
        return;
    SetBrush(brush);
    cairo_fill(cr);
}

void Graphics::Impl::StackOneByOne(const Pen* pen, const Brush* brush, REAL x, REAL y,
                                   REAL width, REAL height, REAL start, REAL sweep, INT rows)
{
    long long first = 0, last = rows;
    if (IsIdentity()) {
        // Only the layers that can touch the canvas.
        const double reach = (pen ? pen->GetWidth() : 0.0f) + 2.0;
        const double surfaceHeight = cairo_image_surface_get_height(bitmap->surface);
        first = std::max(first, static_cast<long long>(std::ceil(-(static_cast<double>(y) + height + reach))));
        last = std::min(last, static_cast<long long>(std::floor(surfaceHeight - y + reach)));
    }
    for (long long i = first; i <= last; ++i) {
        const REAL layerY = y + static_cast<REAL>(i);
        if (pen)
            StrokeArc(*pen, x, layerY, width, height, start, sweep);
        else
            FillPie(*brush, x, layerY, width, height, start, sweep);
    }
}

Status Graphics::Usable(const Pen* pen)
{
    return pen ? pen->usable_ : InvalidParameter;
}
Status Graphics::Usable(const Brush* brush)
{
    return brush ? brush->usable_ : InvalidParameter;
}

// --- Construction, state -----------------------------------------------------

Graphics::Graphics(Bitmap* bitmap) : impl_(std::make_unique<Impl>())
{
    cairo_matrix_init_identity(&impl_->world);
    // The bitmap's pixels are left as they are until something is drawn.
    Bitmap::Impl* pixels = bitmap ? bitmap->impl_.get() : nullptr;
    if (!pixels || !pixels->surface) {
        impl_->broken = pixels ? pixels->status : InvalidParameter;
        last_ = impl_->broken;
        return;
    }
    impl_->bitmap = pixels;
    impl_->cr = cairo_create(impl_->bitmap->surface);
    if (cairo_status(impl_->cr) != CAIRO_STATUS_SUCCESS) {
        impl_->broken = OutOfMemory;
        last_ = impl_->broken;
    }
}

Graphics* Graphics::FromImage(Bitmap* bitmap)
{
    return new Graphics(bitmap);
}

Graphics::~Graphics()
{
    if (impl_->cr)
        cairo_destroy(impl_->cr);
}

Status Graphics::Keep(Status status) const
{
    if (status != Ok)
        last_ = status;
    return status;
}

template <class Tool>
Status Graphics::Ready(const Tool* tool, std::initializer_list<REAL> coordinates) const
{
    if (impl_->broken != Ok)
        return Keep(impl_->broken);
    if (Status s = Usable(tool); s != Ok)
        return Keep(s);
    return Keep(Placeable(coordinates));
}

Status Graphics::GetLastStatus()
{
    Status s = last_;
    last_ = Ok;
    return s;
}

Status Graphics::SetSmoothingMode(SmoothingMode mode)
{
    if (mode != SmoothingModeDefault && mode != SmoothingModeHighQuality)
        return Keep(InvalidParameter);
    impl_->smoothing = mode;
    return Ok;
}

SmoothingMode Graphics::GetSmoothingMode() const
{
    return impl_->smoothing;
}

Status Graphics::SetTextRenderingHint(TextRenderingHint hint)
{
    if (hint != TextRenderingHintSystemDefault && hint != TextRenderingHintAntiAlias)
        return Keep(InvalidParameter);
    impl_->hint = hint;
    return Ok;
}

TextRenderingHint Graphics::GetTextRenderingHint() const
{
    return impl_->hint;
}

Status Graphics::TranslateTransform(REAL dx, REAL dy, MatrixOrder order)
{
    if (!Finite({dx, dy}))
        return Keep(InvalidParameter);
    cairo_matrix_t step;
    cairo_matrix_init_translate(&step, dx, dy);
    if (order == MatrixOrderPrepend)
        cairo_matrix_multiply(&impl_->world, &step, &impl_->world);
    else
        cairo_matrix_multiply(&impl_->world, &impl_->world, &step);
    return Ok;
}

Status Graphics::RotateTransform(REAL angle, MatrixOrder order)
{
    if (!Finite({angle}))
        return Keep(InvalidParameter);
    cairo_matrix_t step;
    // Whole quarter turns exactly, so that rotated text lands on whole pixels.
    double turns = angle / 90.0;
    if (turns == std::floor(turns)) {
        static const double sines[4] = {0.0, 1.0, 0.0, -1.0};
        long q = static_cast<long>(std::fmod(turns, 4.0));
        if (q < 0)
            q += 4;
        double s = sines[q], c = sines[(q + 1) % 4];
        cairo_matrix_init(&step, c, s, -s, c, 0.0, 0.0);
    } else {
        cairo_matrix_init_rotate(&step, angle * kPi / 180.0);
    }
    if (order == MatrixOrderPrepend)
        cairo_matrix_multiply(&impl_->world, &step, &impl_->world);
    else
        cairo_matrix_multiply(&impl_->world, &impl_->world, &step);
    return Ok;
}

Status Graphics::ResetTransform()
{
    cairo_matrix_init_identity(&impl_->world);
    return Ok;
}

Status Graphics::Clear(const Color& color)
{
    if (impl_->broken != Ok)
        return Keep(impl_->broken);
    // Every pixel is replaced: pixels not set yet need not be.
    if (impl_->bitmap)
        impl_->bitmap->blank = false;
    impl_->Touch();
    cairo_identity_matrix(impl_->cr);
    cairo_reset_clip(impl_->cr);
    cairo_set_operator(impl_->cr, CAIRO_OPERATOR_SOURCE);
    Impl::SetColor(impl_->cr, color);
    cairo_paint(impl_->cr);
    cairo_set_operator(impl_->cr, CAIRO_OPERATOR_OVER);
    return Ok;
}

void Graphics::GetTransform(REAL elements[6]) const
{
    const cairo_matrix_t& m = impl_->world;
    elements[0] = static_cast<REAL>(m.xx);
    elements[1] = static_cast<REAL>(m.yx);
    elements[2] = static_cast<REAL>(m.xy);
    elements[3] = static_cast<REAL>(m.yy);
    elements[4] = static_cast<REAL>(m.x0);
    elements[5] = static_cast<REAL>(m.y0);
}

Status Graphics::GetVisibleClipBounds(RectF* bounds) const
{
    if (!bounds)
        return Keep(InvalidParameter);
    *bounds = RectF(0, 0, static_cast<REAL>(impl_->bitmap ? impl_->bitmap->width : 0),
                    static_cast<REAL>(impl_->bitmap ? impl_->bitmap->height : 0));
    return Ok;
}

// --- Lines and shapes --------------------------------------------------------

Status Graphics::DrawLine(const Pen* pen, const PointF& from, const PointF& to)
{
    return DrawLine(pen, from.X, from.Y, to.X, to.Y);
}

Status Graphics::DrawLine(const Pen* pen, REAL x1, REAL y1, REAL x2, REAL y2)
{
    Record([&] {
        return "DrawLine pen=" + detail::PenText(pen) + " from=" + detail::Point(PointF(x1, y1)) +
               " to=" + detail::Point(PointF(x2, y2)) + impl_->State(false);
    });
    if (Status s = Ready(pen, {x1, y1, x2, y2}); s != Ok)
        return s;
    if (impl_->StrokeLineAliased(*pen, x1, y1, x2, y2))
        return Ok;
    impl_->Prepare();
    impl_->SetPen(*pen);
    cairo_move_to(impl_->cr, x1, y1);
    cairo_line_to(impl_->cr, x2, y2);
    cairo_stroke(impl_->cr);
    return Ok;
}

Status Graphics::DrawRectangle(const Pen* pen, REAL x, REAL y, REAL width, REAL height)
{
    Record([&] {
        return "DrawRectangle pen=" + detail::PenText(pen) +
               " rect=" + detail::Rect(RectF(x, y, width, height)) + impl_->State(false);
    });
    if (Status s = Ready(pen, {x, y, width, height}); s != Ok)
        return s;
    if (width < 0.0f || height < 0.0f)
        return Ok;
    if (impl_->StrokeRectangleAliased(*pen, x, y, width, height))
        return Ok;
    impl_->Prepare();
    impl_->SetPen(*pen);
    cairo_rectangle(impl_->cr, x, y, width, height);
    cairo_stroke(impl_->cr);
    return Ok;
}

Status Graphics::FillRectangle(const Brush* brush, REAL x, REAL y, REAL width, REAL height)
{
    Record([&] {
        return "FillRectangle brush=" + detail::BrushText(brush) +
               " rect=" + detail::Rect(RectF(x, y, width, height)) + impl_->State(false);
    });
    if (Status s = Ready(brush, {x, y, width, height}); s != Ok)
        return s;
    if (width <= 0.0f || height <= 0.0f)
        return Ok;
    if (impl_->FillRectangleAliased(*brush, x, y, width, height))
        return Ok;
    impl_->Prepare();
    impl_->SetBrush(*brush);
    cairo_rectangle(impl_->cr, x, y, width, height);
    cairo_fill(impl_->cr);
    return Ok;
}

Status Graphics::FillPie(const Brush* brush, REAL x, REAL y, REAL width, REAL height,
                         REAL startAngle, REAL sweepAngle)
{
    Record([&] {
        return "FillPie brush=" + detail::BrushText(brush) +
               " rect=" + detail::Rect(RectF(x, y, width, height)) +
               " start=" + detail::Num(startAngle) + " sweep=" + detail::Num(sweepAngle) +
               impl_->State(false);
    });
    if (Status s = Ready(brush, {x, y, width, height}); s != Ok)
        return s;
    if (!Finite({startAngle, sweepAngle}))
        return Keep(InvalidParameter);
    if (width <= 0.0f || height <= 0.0f || sweepAngle == 0.0f)
        return Ok;
    impl_->FillPie(*brush, x, y, width, height, startAngle, sweepAngle);
    return Ok;
}

Status Graphics::DrawArc(const Pen* pen, REAL x, REAL y, REAL width, REAL height, REAL startAngle,
                         REAL sweepAngle)
{
    Record([&] {
        return "DrawArc pen=" + detail::PenText(pen) +
               " rect=" + detail::Rect(RectF(x, y, width, height)) +
               " start=" + detail::Num(startAngle) + " sweep=" + detail::Num(sweepAngle) +
               impl_->State(false);
    });
    if (Status s = Ready(pen, {x, y, width, height}); s != Ok)
        return s;
    if (!Finite({startAngle, sweepAngle}))
        return Keep(InvalidParameter);
    if (width <= 0.0f || height <= 0.0f || sweepAngle == 0.0f)
        return Ok;
    impl_->StrokeArc(*pen, x, y, width, height, startAngle, sweepAngle);
    return Ok;
}

Status Graphics::DrawArcStack(const Pen* pen, REAL x, REAL y, REAL width, REAL height,
                              REAL startAngle, REAL sweepAngle, INT rows)
{
    Record([&] {
        return "DrawArcStack pen=" + detail::PenText(pen) +
               " rect=" + detail::Rect(RectF(x, y, width, height)) +
               " start=" + detail::Num(startAngle) + " sweep=" + detail::Num(sweepAngle) +
               " rows=" + std::to_string(rows) + impl_->State(false);
    });
    if (Status s = Ready(pen, {x, y, width, height, y + static_cast<REAL>(rows)}); s != Ok)
        return s;
    if (!Finite({startAngle, sweepAngle}) || rows < 0)
        return Keep(InvalidParameter);
    if (width <= 0.0f || height <= 0.0f || sweepAngle == 0.0f)
        return Ok;
    if (!impl_->StackAliased(pen, nullptr, x, y, width, height, startAngle, sweepAngle, rows))
        impl_->StackOneByOne(pen, nullptr, x, y, width, height, startAngle, sweepAngle, rows);
    return Ok;
}

Status Graphics::FillPieStack(const Brush* brush, REAL x, REAL y, REAL width, REAL height,
                              REAL startAngle, REAL sweepAngle, INT rows)
{
    Record([&] {
        return "FillPieStack brush=" + detail::BrushText(brush) +
               " rect=" + detail::Rect(RectF(x, y, width, height)) +
               " start=" + detail::Num(startAngle) + " sweep=" + detail::Num(sweepAngle) +
               " rows=" + std::to_string(rows) + impl_->State(false);
    });
    if (Status s = Ready(brush, {x, y, width, height, y + static_cast<REAL>(rows)}); s != Ok)
        return s;
    if (!Finite({startAngle, sweepAngle}) || rows < 0)
        return Keep(InvalidParameter);
    if (width <= 0.0f || height <= 0.0f || sweepAngle == 0.0f)
        return Ok;
    if (!impl_->StackAliased(nullptr, brush, x, y, width, height, startAngle, sweepAngle, rows))
        impl_->StackOneByOne(nullptr, brush, x, y, width, height, startAngle, sweepAngle, rows);
    return Ok;
}

Status Graphics::FillPolygon(const Brush* brush, const PointF* points, INT count, FillMode fillMode)
{
    Record([&] {
        std::string list;
        for (INT i = 0; points && i < count; ++i)
            list += (i ? ";" : "") + detail::Point(points[i]);
        return "FillPolygon brush=" + detail::BrushText(brush) +
               " mode=" + (fillMode == FillModeWinding ? "winding" : "alternate") +
               " points=" + list + impl_->State(false);
    });
    if (Status s = Ready(brush, {}); s != Ok)
        return s;
    if (!points || count <= 0 || (fillMode != FillModeAlternate && fillMode != FillModeWinding))
        return Keep(InvalidParameter);
    for (INT i = 0; i < count; ++i)
        if (Status s = Placeable({points[i].X, points[i].Y}); s != Ok)
            return Keep(s);
    impl_->Prepare();
    impl_->SetBrush(*brush);
    cairo_set_fill_rule(impl_->cr, fillMode == FillModeWinding ? CAIRO_FILL_RULE_WINDING
                                                               : CAIRO_FILL_RULE_EVEN_ODD);
    cairo_move_to(impl_->cr, points[0].X, points[0].Y);
    for (INT i = 1; i < count; ++i)
        cairo_line_to(impl_->cr, points[i].X, points[i].Y);
    cairo_close_path(impl_->cr);
    cairo_fill(impl_->cr);
    cairo_set_fill_rule(impl_->cr, CAIRO_FILL_RULE_WINDING);
    return Ok;
}

Status Graphics::DrawPath(const Pen* pen, const GraphicsPath* path)
{
    Record([&] {
        std::string list;
        if (path) {
            const auto& points = path->GetPoints();
            for (std::size_t i = 0; i < points.size(); ++i)
                list += (i ? ";" : "") + detail::Point(points[i]);
        }
        return "DrawPath pen=" + detail::PenText(pen) + " points=" + (path ? list : "null") +
               impl_->State(false);
    });
    if (Status s = Ready(pen, {}); s != Ok)
        return s;
    if (!path)
        return Keep(InvalidParameter);
    const auto& points = path->GetPoints();
    for (const PointF& p : points)
        if (Status s = Placeable({p.X, p.Y}); s != Ok)
            return Keep(s);
    if (points.empty())
        return Ok;
    impl_->Prepare();
    impl_->SetPen(*pen);
    // The tolerance in drawing units: canvas pixels over the transform's scale.
    const cairo_matrix_t& m = impl_->world;
    double scale = std::sqrt(std::fabs(m.xx * m.yy - m.xy * m.yx));
    std::vector<char> keep = detail::ThinPolyline(points, scale > 0.0 && pvcommon::raster::FastPaths() ? kThinning / scale : 0.0);
    cairo_move_to(impl_->cr, points[0].X, points[0].Y);
    for (std::size_t i = 1; i < points.size(); ++i)
        if (keep[i])
            cairo_line_to(impl_->cr, points[i].X, points[i].Y);
    cairo_stroke(impl_->cr);
    return Ok;
}

// --- Text --------------------------------------------------------------------

namespace {

const char* AlignText(const StringFormat* format)
{
    return format && format->GetAlignment() == StringAlignmentCenter ? "center" : "near";
}

// Texts drawn by font and text, in one drawing context shared by every
// canvas. A pango layout keeps its shaped lines until its context changes;
// pango_cairo_update_context changes the context on every call, so it is
// called only when the device matrix or the target's font options differ
// from what the context holds. A chart draws the same labels chart after
// chart; shaping them anew each time was about a third of a small chart.
class DrawnTexts {
public:
    // The layout of the text in the font, its context matching the cairo
    // context. Owned here; valid until the next call. Callers hold lock().
    PangoLayout* Layout(cairo_t* cr, const Font& font, const std::string& utf8)
    {
        Match(cr);
        const REAL size = font.GetPixelSize();
        std::string key = font.GetFamilyName();
        key.push_back('\0');
        key.append(reinterpret_cast<const char*>(&size), sizeof(size));
        key += utf8;
        auto it = layouts_.find(key);
        if (it != layouts_.end())
            return it->second;
        PangoLayout* layout = detail::NewLayout(context_, font, utf8);
        if (key.size() > kMaxKey) {
            // Long texts are laid out every time rather than crowd out the rest.
            Forget(once_);
            once_ = layout;
            return layout;
        }
        if (layouts_.size() >= kMaxEntries || bytes_ + key.size() > kMaxBytes)
            Clear();
        bytes_ += key.size();
        layouts_.emplace(std::move(key), layout);
        return layout;
    }

    std::mutex& lock() { return lock_; }

private:
    static constexpr std::size_t kMaxEntries = 1024;
    static constexpr std::size_t kMaxBytes = std::size_t(1) << 18;
    static constexpr std::size_t kMaxKey = 256;

    static void Forget(PangoLayout*& layout)
    {
        if (layout)
            g_object_unref(layout);
        layout = nullptr;
    }

    void Clear()
    {
        for (auto& entry : layouts_)
            g_object_unref(entry.second);
        layouts_.clear();
        bytes_ = 0;
    }

    void Match(cairo_t* cr)
    {
        if (!context_) {
            context_ = detail::NewDrawContext();
            target_ = cairo_font_options_create();
            own_ = cairo_font_options_create();
            seenTarget_ = cairo_font_options_create();
            seenOwn_ = cairo_font_options_create();
        }
        cairo_matrix_t matrix;
        cairo_get_matrix(cr, &matrix);
        cairo_surface_get_font_options(cairo_get_target(cr), seenTarget_);
        cairo_get_font_options(cr, seenOwn_);
        if (matched_ && matrix.xx == matrix_.xx && matrix.yx == matrix_.yx &&
            matrix.xy == matrix_.xy && matrix.yy == matrix_.yy && matrix.x0 == matrix_.x0 &&
            matrix.y0 == matrix_.y0 && cairo_font_options_equal(seenTarget_, target_) &&
            cairo_font_options_equal(seenOwn_, own_))
            return;
        pango_cairo_update_context(cr, context_);
        matrix_ = matrix;
        std::swap(target_, seenTarget_);
        std::swap(own_, seenOwn_);
        matched_ = true;
    }

    std::mutex lock_;
    PangoContext* context_ = nullptr;
    bool matched_ = false;
    cairo_matrix_t matrix_{};
    cairo_font_options_t* target_ = nullptr;
    cairo_font_options_t* own_ = nullptr;
    cairo_font_options_t* seenTarget_ = nullptr;
    cairo_font_options_t* seenOwn_ = nullptr;
    std::unordered_map<std::string, PangoLayout*> layouts_;
    std::size_t bytes_ = 0;
    PangoLayout* once_ = nullptr;
};

// Kept for the life of the process, like the fonts it holds.
DrawnTexts& Drawn()
{
    static DrawnTexts* texts = new DrawnTexts;
    return *texts;
}

// Where a text of the width starts in the layout rectangle.
double StartX(const RectF& layout, const StringFormat* format, double width)
{
    if (format && format->GetAlignment() == StringAlignmentCenter)
        return layout.X + (layout.Width - width) * 0.5;
    return layout.X;
}

} // namespace

Status Graphics::MeasureString(const WCHAR* text, INT length, const Font* font,
                               const RectF& layoutRect, const StringFormat* format,
                               RectF* boundingBox) const
{
    std::size_t n = detail::TextLength(text, length);
    std::string utf8 = text ? detail::Utf8(text, n) : std::string();
    Recording* recording = Recording::Active();
    std::string line;
    if (recording)
        line = "MeasureString font=" + detail::FontText(font) +
               " layout=" + detail::Rect(layoutRect) + " align=" + AlignText(format) +
               " text=" + detail::Quote(utf8) + " -> ";
    Status status = Ok;
    if (!text || !font || !boundingBox || length < -1)
        status = InvalidParameter;
    else if (!font->IsAvailable())
        status = font->GetLastStatus();
    else if (!Finite({layoutRect.X, layoutRect.Y, layoutRect.Width, layoutRect.Height}))
        status = InvalidParameter;
    if (status != Ok) {
        if (recording)
            recording->Append(line + "failed");
        return Keep(status);
    }
    double width = 0.0, height = 0.0;
    if (n > 0) {
        if (recording && recording->Metrics() == Recording::TextMetrics::Fixed) {
            double em = font->GetPixelSize();
            width = 0.5 * em * static_cast<double>(n);
            height = 1.25 * em;
        } else {
            pvcommon::text::MeasureCached(font->GetFamilyName(), font->GetPixelSize(), detail::kTextDpi, utf8,
                                          &width, &height);
        }
    }
    *boundingBox = RectF(static_cast<REAL>(StartX(layoutRect, format, width)), layoutRect.Y,
                         static_cast<REAL>(width), static_cast<REAL>(height));
    if (recording)
        recording->Append(line + detail::Rect(*boundingBox));
    return Ok;
}

Status Graphics::DrawString(const WCHAR* text, INT length, const Font* font,
                            const RectF& layoutRect, const StringFormat* format, const Brush* brush)
{
    std::size_t n = detail::TextLength(text, length);
    std::string utf8 = text ? detail::Utf8(text, n) : std::string();
    Record([&] {
        return "DrawString font=" + detail::FontText(font) + " brush=" + detail::BrushText(brush) +
               " layout=" + detail::Rect(layoutRect) + " align=" + AlignText(format) +
               " text=" + detail::Quote(utf8) + impl_->State(true);
    });
    if (impl_->broken != Ok)
        return Keep(impl_->broken);
    if (!text || !font || length < -1)
        return Keep(InvalidParameter);
    if (!font->IsAvailable())
        return Keep(font->GetLastStatus());
    if (Status s = Usable(brush); s != Ok)
        return Keep(s);
    if (Status s = Placeable({layoutRect.X, layoutRect.Y, layoutRect.Width, layoutRect.Height});
        s != Ok)
        return Keep(s);
    if (n == 0)
        return Ok;
    impl_->Prepare();
    // The boxes that stand for missing glyphs are stroked with the canvas's
    // line state: a dash left by a grid line must not reach them.
    cairo_set_dash(impl_->cr, nullptr, 0, 0.0);
    cairo_set_line_cap(impl_->cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(impl_->cr, CAIRO_LINE_JOIN_MITER);
    DrawnTexts& texts = Drawn();
    std::lock_guard<std::mutex> hold(texts.lock());
    PangoLayout* layout = texts.Layout(impl_->cr, *font, utf8);
    double width = 0.0, height = 0.0;
    detail::LayoutSize(layout, &width, &height);
    impl_->SetBrush(*brush);
    cairo_move_to(impl_->cr, StartX(layoutRect, format, width), layoutRect.Y);
    pango_cairo_show_layout(impl_->cr, layout);
    cairo_new_path(impl_->cr);
    return Ok;
}

} // namespace Gdiplus
