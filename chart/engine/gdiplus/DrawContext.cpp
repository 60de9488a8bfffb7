// The drawing context over our GDI+ layer.
#include "chart/engine/DrawContext.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "chart/engine/Spline.h"
#include "chart/engine/gdiplus/Canvas.h"
#include "chart/output/Logging.h"

using namespace Gdiplus;

namespace {

// Walking step along a smoothed line, in pixels.
constexpr float kCurveStep = 0.5f;

Color ToColor(const CColor& colour) { return Color(colour.argb); }

// Solid, or the vertical gradient from the colour to its 70 % shade over the box.
std::unique_ptr<Brush> FillBrush(const CColor& colour, bool gradient, const RectF& box)
{
    if (!gradient)
        return std::make_unique<SolidBrush>(ToColor(colour));
    auto brush = std::make_unique<LinearGradientBrush>(
        box, ToColor(colour), ToColor(CColor::Shade(colour, 70)), LinearGradientModeVertical);
    brush->SetWrapMode(WrapModeTile);
    return brush;
}

bool HasEqualNeighbours(const std::vector<CPointF>& points)
{
    for (std::size_t i = 1; i < points.size(); ++i)
        if (points[i] == points[i - 1])
            return true;
    return false;
}

} // namespace

CDrawContext::CDrawContext(CGraphicsHandle graphics, const CColor& colour, float width)
    : graphics_(graphics), colour_(colour), width_(width)
{
}

CDrawContext::~CDrawContext() = default;

void CDrawContext::DrawLine(const CPointF& from, const CPointF& to, bool dashed)
{
    if (!graphics_)
        return;
    Pen pen(ToColor(colour_), 1.0f);
    pen.SetWidth(width_);
    if (dashed)
        pen.SetDashStyle(DashStyleDash);
    graphics_->DrawLine(&pen, from.x, from.y, to.x, to.y);
}

void CDrawContext::DrawRectangle(const CPointF& topLeft, const CPointF& bottomRight, bool fill,
                                 bool gradient)
{
    if (!graphics_)
        return;
    RectF box(topLeft.x, topLeft.y, bottomRight.x - topLeft.x, bottomRight.y - topLeft.y);
    if (!fill) {
        Pen pen(ToColor(colour_), 1.0f);
        pen.SetWidth(width_);
        graphics_->DrawRectangle(&pen, box.X, box.Y, box.Width, box.Height);
        return;
    }
    auto brush = FillBrush(colour_, gradient, box);
    graphics_->FillRectangle(brush.get(), box.X, box.Y, box.Width, box.Height);
}

void CDrawContext::DrawArc(const CPointF& centre, float width, float height, float startAngle,
                           float endAngle, bool fill, bool gradient)
{
    if (!graphics_)
        return;
    RectF box(centre.x - width * 0.5f, centre.y - height * 0.5f, width, height);
    float sweep = endAngle - startAngle;
    if (fill) {
        auto brush = FillBrush(colour_, gradient, box);
        graphics_->FillPie(brush.get(), box.X, box.Y, box.Width, box.Height, startAngle, sweep);
        return;
    }
    Pen pen(ToColor(colour_), 1.0f);
    pen.SetWidth(width_);
    graphics_->DrawArc(&pen, box.X, box.Y, box.Width, box.Height, startAngle, sweep);
}

void CDrawContext::DrawArcStack(const CPointF& centre, float width, float height,
                                float startAngle, float endAngle, int rows, bool fill)
{
    if (!graphics_)
        return;
    RectF box(centre.x - width * 0.5f, centre.y - height * 0.5f, width, height);
    float sweep = endAngle - startAngle;
    if (fill) {
        SolidBrush brush(ToColor(colour_));
        graphics_->FillPieStack(&brush, box.X, box.Y, box.Width, box.Height, startAngle, sweep,
                                rows);
        return;
    }
    Pen pen(ToColor(colour_), 1.0f);
    pen.SetWidth(width_);
    graphics_->DrawArcStack(&pen, box.X, box.Y, box.Width, box.Height, startAngle, sweep, rows);
}

void CDrawContext::DrawPolygon(const std::vector<CPointF>& points, bool smooth, bool fill)
{
    if (!graphics_ || points.empty())
        return;
    if (fill) {
        std::vector<PointF> corners;
        corners.reserve(points.size());
        for (const CPointF& p : points)
            corners.emplace_back(p.x, p.y);
        SolidBrush brush(ToColor(colour_));
        graphics_->FillPolygon(&brush, corners.data(), static_cast<INT>(corners.size()),
                               FillModeAlternate);
        return;
    }
    Pen pen(ToColor(colour_), 1.0f);
    pen.SetWidth(width_);
    GraphicsPath path;
    // A curve needs two distinct points per segment; otherwise the straight
    // segments are the line.
    if (!smooth || points.size() < 2 || HasEqualNeighbours(points)) {
        if (points.size() == 1)
            path.AddLine(points[0].x, points[0].y, points[0].x, points[0].y);
        for (std::size_t i = 1; i < points.size(); ++i)
            path.AddLine(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
        graphics_->DrawPath(&pen, &path);
        return;
    }
    Spline::Walker walker = Spline::Walker::Through(points);
    const float length = walker.Length();
    float step = kCurveStep;
    if (length / kCurveStep > static_cast<float>(kMaxCurveSteps))
        step = length / static_cast<float>(kMaxCurveSteps);
    // The k-th position lies k steps along (the walker caps it at the end).
    // Counting steps keeps the walk moving where adding a step to a long
    // distance would no longer change the float.
    Spline::Vector previous = walker.MoveTo(0.0f);
    Spline::Vector next = walker.MoveTo(step);
    path.AddLine(previous.x, previous.y, next.x, next.y);
    for (std::uint32_t k = 2; k <= kMaxCurveSteps + 1 && walker.Distance() < length - 1.0f; ++k) {
        previous = next;
        next = walker.MoveTo(static_cast<float>(k) * step);
        path.AddLine(previous.x, previous.y, next.x, next.y);
    }
    graphics_->DrawPath(&pen, &path);
}

std::unique_ptr<Gdiplus::Font> CreateFont(const std::wstring& family, int size)
{
    // Longer names name no font; cut, they cannot flood the font caches.
    constexpr std::size_t kMaxFamilyName = 256;
    const std::wstring name =
        family.size() > kMaxFamilyName ? family.substr(0, kMaxFamilyName) : family;
    FontFamily named(name.c_str());
    const FontFamily* chosen = named.GetLastStatus() == Ok ? &named : FontFamily::GenericSansSerif();
    auto font = std::make_unique<Font>(chosen, static_cast<REAL>(size), FontStyleRegular, UnitPoint);
    if (font->GetLastStatus() != Ok)
        font = std::make_unique<Font>(FontFamily::GenericSansSerif(), static_cast<REAL>(size),
                                      FontStyleRegular, UnitPoint);
    return font;
}

int CDrawContext::FontSize(int size) const
{
    // A glyph taller than the picture shows nothing more, while its cost
    // grows with its size: a font's pixel size stops at the larger side.
    RectF bounds;
    if (!graphics_ || graphics_->GetVisibleClipBounds(&bounds) != Ok)
        return size;
    const double side = std::max(bounds.Width, bounds.Height);
    const int largest = std::max(1, static_cast<int>(side * 72.0 / 96.0));
    return std::min(size, largest);
}

CSizeF CDrawContext::CanvasSize() const
{
    CSizeF size;
    RectF bounds;
    if (graphics_ && graphics_->GetVisibleClipBounds(&bounds) == Ok) {
        size.width = bounds.Width;
        size.height = bounds.Height;
    }
    return size;
}

float CDrawContext::VisibleBottom() const
{
    RectF bounds;
    if (!graphics_ || graphics_->GetVisibleClipBounds(&bounds) != Ok)
        return std::numeric_limits<float>::infinity();
    return bounds.Y + bounds.Height;
}

CSizeF CDrawContext::MeasureString(const std::wstring& family, const std::wstring& text, int size)
{
    CSizeF result;
    if (!graphics_)
        return result;
    std::wstring cut;
    const std::wstring& shown = ShownText(text, size, false, cut);
    CountTextWork(shown.size());
    auto font = CreateFont(family, FontSize(size));
    StringFormat format(0, LANG_NEUTRAL);
    format.SetAlignment(StringAlignmentCenter);
    RectF box;
    if (graphics_->MeasureString(shown.c_str(), static_cast<INT>(shown.size()), font.get(),
                                 RectF(0, 0, 0, 0), &format, &box) == Ok) {
        result.width = box.Width;
        result.height = box.Height;
    }
    return result;
}

void CDrawContext::DrawString(const std::wstring& family, const CPointF& anchor,
                              const std::wstring& text, int size, int alignment, int angle)
{
    if (!graphics_)
        return;
    std::wstring cut;
    const std::wstring& shown = ShownText(text, size, false, cut, KeptOf(alignment, angle));
    CSizeF measured = MeasureString(family, shown, size);
    CountTextWork(shown.size());
    auto font = CreateFont(family, FontSize(size));
    SolidBrush brush(ToColor(colour_));
    StringFormat format;
    format.SetAlignment(StringAlignmentNear);

    float x = anchor.x, y = anchor.y;
    bool rotated = angle > 0;
    if (rotated) {
        graphics_->TranslateTransform(x, y, MatrixOrderPrepend);
        graphics_->RotateTransform(static_cast<REAL>(angle), MatrixOrderPrepend);
        graphics_->TranslateTransform(-x, -y, MatrixOrderPrepend);
    }
    const float left = TextLeft(x, measured.width, alignment, angle);
    float top = y - measured.height * 0.5f;
    graphics_->DrawString(shown.c_str(), static_cast<INT>(shown.size()), font.get(),
                          RectF(left, top, 0, 0), &format, &brush);
    if (rotated)
        graphics_->ResetTransform();
}

CColor CDrawContext::GetSystemColor()
{
    COLORREF c = GetSysColor(COLOR_INFOBK);
    std::uint32_t r = c & 0xFF, g = c >> 8 & 0xFF, b = c >> 16 & 0xFF;
    return CColor(0xFF000000u | r << 16 | g << 8 | b);
}

void PrepareDrawing()
{
    Gdiplus::StartEncoderThreads();
    CCanvas canvas(64, 32);
    if (!canvas.Usable())
        return;
    CDrawContext context(canvas.GetGraphics(), CColor(0xFF000000u), 1.0f);
    // The families and size the charts use by default: the printable ASCII
    // glyphs, and a character no font has.
    std::wstring sample = L"\xE000";
    for (wchar_t c = 0x20; c < 0x7F; ++c)
        sample += c;
    for (const wchar_t* family : {L"Times", L"sans-serif"}) {
        context.MeasureString(family, sample, 12);
        context.DrawString(family, CPointF(2, 16), sample, 12, 0, 0);
    }
    // The encoders' own set-up, on a picture of their smallest kind.
    Gdiplus::CLSID clsid;
    std::vector<unsigned char> bytes;
    Gdiplus::VectorSink sink(bytes);
    for (const wchar_t* mime : {L"image/png", L"image/jpeg"})
        if (GetEncoderClsid(mime, &clsid) >= 0)
            canvas.GetBitmap()->Save(&sink, &clsid, nullptr);
}

void ReleaseDrawing() { Gdiplus::StopEncoderThreads(); }
