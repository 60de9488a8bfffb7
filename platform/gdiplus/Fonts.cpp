// Font families through fontconfig, fonts and pango text layout.
#include <fontconfig/fontconfig.h>

#include <cmath>
#include <map>

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

namespace {

PangoFontMap* FontMap()
{
    static PangoFontMap* map = pango_cairo_font_map_new();
    return map;
}

void Configure(PangoContext* context, bool antialias)
{
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_antialias(options,
                                     antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_cairo_context_set_resolution(context, 96.0);
    pango_context_set_round_glyph_positions(context, FALSE);
}

// Generic names fontconfig expands itself.
bool IsGeneric(const std::string& name)
{
    static const char* const generic[] = {"sans-serif", "sans", "serif", "monospace"};
    for (const char* g : generic)
        if (FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(g),
                               reinterpret_cast<const FcChar8*>(name.c_str())) == 0)
            return true;
    return false;
}

// The classic core families a solution names are drawn with their
// metric-compatible Liberation families, whatever else the system binds to
// the name, so text measures the same on every machine.
std::string RenderedFamily(const std::string& name)
{
    static const std::pair<const char*, const char*> aliases[] = {
        {"Times", "Liberation Serif"},      {"Times New Roman", "Liberation Serif"},
        {"Arial", "Liberation Sans"},       {"Helvetica", "Liberation Sans"},
        {"Courier", "Liberation Mono"},     {"Courier New", "Liberation Mono"}};
    for (const auto& alias : aliases)
        if (FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(alias.first),
                               reinterpret_cast<const FcChar8*>(name.c_str())) == 0)
            return alias.second;
    return name;
}

// True when fontconfig resolves the name to a font of that family or of a
// family it binds strongly to the name (the metric-compatible aliases), as
// opposed to a generic fall-back.
bool Resolves(const std::string& requested)
{
    if (requested.empty() || requested.find(',') != std::string::npos)
        return false;
    const std::string name = RenderedFamily(requested);
    if (IsGeneric(name))
        return true;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    bool found = false;
    if (match) {
        FcPatternIter it;
        FcPatternIterStart(pattern, &it);
        do {
            if (!FcPatternIterIsValid(pattern, &it) ||
                std::string(FcPatternIterGetObject(pattern, &it)) != FC_FAMILY)
                continue;
            int n = FcPatternIterValueCount(pattern, &it);
            for (int i = 0; i < n && !found; ++i) {
                FcValue value;
                FcValueBinding binding;
                if (FcPatternIterGetValue(pattern, &it, i, &value, &binding) != FcResultMatch ||
                    value.type != FcTypeString || binding == FcValueBindingWeak)
                    continue;
                FcChar8* family = nullptr;
                for (int j = 0; !found && FcPatternGetString(match, FC_FAMILY, j, &family) ==
                                              FcResultMatch;
                     ++j)
                    found = FcStrCmpIgnoreCase(family, value.u.s) == 0;
            }
        } while (!found && FcPatternIterNext(pattern, &it));
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return found;
}

// Bounded: a solution may ask for any number of names.
bool ResolvesCached(const std::string& name)
{
    static std::map<std::string, bool> cache;
    constexpr std::size_t kMaxNames = 256;
    auto it = cache.find(name);
    if (it != cache.end())
        return it->second;
    bool found = Resolves(name);
    if (cache.size() >= kMaxNames)
        cache.clear();
    cache.emplace(name, found);
    return found;
}

} // namespace

PangoContext* MeasureContext()
{
    static PangoContext* context = [] {
        PangoContext* c = pango_font_map_create_context(FontMap());
        Configure(c, true);
        return c;
    }();
    return context;
}

PangoContext* NewDrawContext()
{
    PangoContext* c = pango_font_map_create_context(FontMap());
    Configure(c, true);
    return c;
}

PangoLayout* NewLayout(PangoContext* context, const Font& font, const std::string& utf8)
{
    PangoLayout* layout = pango_layout_new(context);
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, RenderedFamily(font.GetFamilyName()).c_str());
    pango_font_description_set_style(desc, PANGO_STYLE_NORMAL);
    pango_font_description_set_weight(desc, PANGO_WEIGHT_NORMAL);
    pango_font_description_set_absolute_size(desc, font.GetPixelSize() * PANGO_SCALE);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
    return layout;
}

void LayoutSize(PangoLayout* layout, double* width, double* height)
{
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    *width = static_cast<double>(logical.width) / PANGO_SCALE;
    *height = static_cast<double>(logical.height) / PANGO_SCALE;
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
    if (!detail::ResolvesCached(name_))
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
