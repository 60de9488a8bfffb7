// Pens, brushes, string formats, paths and the small free functions.
#include <cmath>
#include <cstring>

#include "platform/gdiplus/Internal.h"

namespace Gdiplus {

bool operator==(const CLSID& a, const CLSID& b)
{
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof(a.Data4)) == 0;
}

bool VectorSink::Write(const void* data, std::size_t size)
{
    if (size == 0)
        return true;
    if (!data)
        return false;
    try {
        const auto* bytes = static_cast<const unsigned char*>(data);
        bytes_.insert(bytes_.end(), bytes, bytes + size);
    } catch (...) {
        return false;
    }
    return true;
}

namespace {
ULONG_PTR g_nextToken = 1;
}

Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, void*)
{
    if (!token || !input)
        return InvalidParameter;
    *token = g_nextToken++;
    return Ok;
}

void GdiplusShutdown(ULONG_PTR) {}

COLORREF GetSysColor(int index)
{
    if (index == COLOR_INFOBK)
        return 0x00E1FFFFu;   // red 255, green 255, blue 225
    return 0;
}

// --- Pen ---------------------------------------------------------------------

Pen::Pen(const Color& color, REAL width) : color_(color), width_(width)
{
    if (!std::isfinite(width) || width < 0.0f)
        usable_ = last_ = InvalidParameter;
}

Status Pen::SetWidth(REAL width)
{
    if (!std::isfinite(width) || width < 0.0f)
        return last_ = InvalidParameter;
    width_ = width;
    usable_ = Ok;
    return Ok;
}

Status Pen::SetDashStyle(DashStyle style)
{
    if (style != DashStyleSolid && style != DashStyleDash)
        return last_ = InvalidParameter;
    dash_ = style;
    return Ok;
}

Status Pen::GetLastStatus() const
{
    Status s = last_;
    last_ = Ok;
    return s;
}

// --- Brushes -----------------------------------------------------------------

Status Brush::GetLastStatus() const
{
    Status s = last_;
    last_ = Ok;
    return s;
}

LinearGradientBrush::LinearGradientBrush(const RectF& rect, const Color& color1,
                                         const Color& color2, LinearGradientMode mode)
    : Brush(Kind::LinearGradient), rect_(rect), color1_(color1), color2_(color2), mode_(mode)
{
    bool finite = std::isfinite(rect.X) && std::isfinite(rect.Y) && std::isfinite(rect.Width) &&
                  std::isfinite(rect.Height);
    if (!finite || rect.Width == 0.0f || rect.Height == 0.0f ||
        (mode != LinearGradientModeVertical && mode != LinearGradientModeHorizontal))
        usable_ = last_ = InvalidParameter;
}

Status LinearGradientBrush::SetWrapMode(WrapMode mode)
{
    if (mode != WrapModeTile)
        return last_ = InvalidParameter;
    wrap_ = mode;
    return Ok;
}

// --- String format, path -------------------------------------------------------

StringFormat::StringFormat(INT, LANGID) {}

Status StringFormat::SetAlignment(StringAlignment align)
{
    if (align != StringAlignmentNear && align != StringAlignmentCenter)
        return InvalidParameter;
    align_ = align;
    return Ok;
}

GraphicsPath::GraphicsPath(FillMode) {}

Status GraphicsPath::AddLine(const PointF& from, const PointF& to)
{
    try {
        if (points_.empty() || points_.back().X != from.X || points_.back().Y != from.Y)
            points_.push_back(from);
        points_.push_back(to);
    } catch (...) {
        return last_ = OutOfMemory;
    }
    return Ok;
}

Status GraphicsPath::AddLine(REAL x1, REAL y1, REAL x2, REAL y2)
{
    return AddLine(PointF(x1, y1), PointF(x2, y2));
}

Status GraphicsPath::GetLastStatus() const
{
    Status s = last_;
    last_ = Ok;
    return s;
}

} // namespace Gdiplus
