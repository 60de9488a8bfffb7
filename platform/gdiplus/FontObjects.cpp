// Font families and fonts over the shared font code, and wide text to UTF-8.
#include <cmath>

#include "platform/gdiplus/Internal.h"

namespace Gdiplus {
namespace detail {

std::size_t TextLength(const WCHAR* text, INT length)
{
    if (!text)
        return 0;
    if (length >= 0)
        return static_cast<std::size_t>(length);
    std::size_t n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

std::string Utf8(const WCHAR* text, std::size_t length)
{
    std::string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        auto c = static_cast<std::uint32_t>(text[i]);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

PangoContext* MeasureContext() { return pvcommon::text::MeasureContext(kTextDpi); }

PangoContext* NewDrawContext() { return pvcommon::text::NewContext(kTextDpi); }

PangoLayout* NewLayout(PangoContext* context, const Font& font, const std::string& utf8)
{
    return pvcommon::text::NewLayout(context, font.GetFamilyName(), font.GetPixelSize(), utf8);
}

} // namespace detail

// --- FontFamily, Font --------------------------------------------------------

FontFamily::FontFamily(const WCHAR* name)
{
    if (!name) {
        status_ = InvalidParameter;
        return;
    }
    name_ = detail::Utf8(name, detail::TextLength(name, -1));
    if (!pvcommon::text::FamilyResolves(name_))
        status_ = FontFamilyNotFound;
}

FontFamily::FontFamily(Generic) : name_("sans-serif") {}

const FontFamily* FontFamily::GenericSansSerif()
{
    static const FontFamily generic{Generic{}};
    return &generic;
}

namespace {
// Far beyond any picture; keeps pango's fixed-point sizes in range.
constexpr REAL kMaxPixelSize = 10000.0f;
} // namespace

Font::Font(const FontFamily* family, REAL emSize, INT style, Unit unit)
    : size_(emSize), unit_(unit)
{
    if (family)
        family_ = family->GetName();
    if (!family || !family->IsAvailable() || !std::isfinite(emSize) || emSize <= 0.0f ||
        style != FontStyleRegular || (unit != UnitPoint && unit != UnitPixel) ||
        GetPixelSize() > kMaxPixelSize)
        status_ = InvalidParameter;
}

REAL Font::GetPixelSize() const { return unit_ == UnitPoint ? size_ * 96.0f / 72.0f : size_; }

} // namespace Gdiplus
