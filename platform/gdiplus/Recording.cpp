#include "platform/gdiplus/Recording.h"

#include <cstdio>

#include "platform/gdiplus/Internal.h"

namespace Gdiplus {

namespace detail {

std::string Num(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%.2f", value);
    std::string s = buffer;
    if (s == "-0.00")
        s = "0.00";
    return s;
}

std::string Hex(ARGB value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "%08X", static_cast<unsigned>(value));
    return buffer;
}

std::string Point(const PointF& point) { return "(" + Num(point.X) + "," + Num(point.Y) + ")"; }

std::string Rect(const RectF& rect)
{
    return "(" + Num(rect.X) + "," + Num(rect.Y) + "," + Num(rect.Width) + "," +
           Num(rect.Height) + ")";
}

std::string PenText(const Pen* pen)
{
    if (!pen)
        return "null";
    return "(" + Hex(pen->GetColor().GetValue()) + "," + Num(pen->GetWidth()) + "," +
           (pen->GetDashStyle() == DashStyleDash ? "dash" : "solid") + ")";
}

std::string BrushText(const Brush* brush)
{
    if (!brush)
        return "null";
    if (brush->GetKind() == Brush::Kind::Solid)
        return "solid(" + Hex(static_cast<const SolidBrush*>(brush)->GetColor().GetValue()) + ")";
    const auto* g = static_cast<const LinearGradientBrush*>(brush);
    return std::string("gradient(") +
           (g->GetMode() == LinearGradientModeVertical ? "vertical" : "horizontal") + "," +
           Hex(g->GetColor1().GetValue()) + "," + Hex(g->GetColor2().GetValue()) + "," +
           Rect(g->GetRect()) + ",tile)";
}

std::string FontText(const Font* font)
{
    if (!font)
        return "null";
    return Quote(font->GetFamilyName()) + "," + Num(font->GetSize()) +
           (font->GetUnit() == UnitPixel ? "px" : "pt");
}

std::string Quote(const std::string& utf8)
{
    std::string s = "\"";
    for (char c : utf8) {
        auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            s += '\\';
            s += c;
        } else if (u < 0x20 || u == 0x7F) {
            char buffer[8];
            std::snprintf(buffer, sizeof(buffer), "\\x%02X", u);
            s += buffer;
        } else {
            s += c;
        }
    }
    return s + "\"";
}

} // namespace detail
} // namespace Gdiplus
