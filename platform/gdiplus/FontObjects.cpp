// Font families and fonts over the shared font code, and wide text to UTF-8.
#include <cmath>

#include "platform/common/Utf.h"
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
    return pvcommon::utf::Utf32ToUtf8Replacing(text, length);
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
