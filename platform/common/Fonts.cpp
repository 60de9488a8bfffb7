// Font families through fontconfig and pango text layout, shared by the
// drawing layers of both flavours.
#include "platform/common/Fonts.h"

#include <fontconfig/fontconfig.h>

#include <cmath>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace pvcommon {
namespace text {

namespace {

PangoFontMap* FontMap()
{
    static PangoFontMap* map = pango_cairo_font_map_new();
    return map;
}

void Configure(PangoContext* context, double dpi)
{
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_cairo_context_set_resolution(context, dpi);
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

} // namespace

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

namespace {

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

} // namespace

// Bounded: a solution may ask for any number of names.
bool FamilyResolves(const std::string& name)
{
    static std::mutex lock;
    static std::map<std::string, bool> cache;
    std::lock_guard<std::mutex> hold(lock);
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

PangoContext* NewContext(double dpi)
{
    PangoContext* c = pango_font_map_create_context(FontMap());
    Configure(c, dpi);
    return c;
}

PangoContext* MeasureContext(double dpi)
{
    // One per resolution, kept for the life of the process.
    static std::mutex lock;
    static std::map<double, PangoContext*> contexts;
    std::lock_guard<std::mutex> hold(lock);
    PangoContext*& context = contexts[dpi];
    if (!context)
        context = NewContext(dpi);
    return context;
}

PangoLayout* NewLayout(PangoContext* context, const std::string& family, double pixelSize,
                       const std::string& utf8)
{
    PangoLayout* layout = pango_layout_new(context);
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, RenderedFamily(family).c_str());
    pango_font_description_set_style(desc, PANGO_STYLE_NORMAL);
    pango_font_description_set_weight(desc, PANGO_WEIGHT_NORMAL);
    pango_font_description_set_absolute_size(desc, pixelSize * PANGO_SCALE);
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

// Text measures by font and text. A chart measures the same texts again and
// again (to lay out, to wrap, to place each line as it is drawn); pango
// shapes the text each time (measured: about 2 % of a chart's time).
void MeasureCached(const std::string& family, double pixelSize, double dpi, const std::string& utf8,
                   double* width, double* height)
{
    static std::mutex lock;
    static std::unordered_map<std::string, std::pair<double, double>> cache;
    static std::size_t cacheBytes = 0;
    // Bounded by entries and by the bytes of their keys; long texts are
    // measured every time rather than crowd out the rest.
    constexpr std::size_t kMaxEntries = 4096;
    constexpr std::size_t kMaxBytes = std::size_t(1) << 20;
    constexpr std::size_t kMaxKey = 1024;
    std::string key = family;
    key.push_back('\0');
    key.append(reinterpret_cast<const char*>(&pixelSize), sizeof(pixelSize));
    key.append(reinterpret_cast<const char*>(&dpi), sizeof(dpi));
    key += utf8;
    {
        std::lock_guard<std::mutex> hold(lock);
        auto it = cache.find(key);
        if (it != cache.end()) {
            *width = it->second.first;
            *height = it->second.second;
            return;
        }
    }
    PangoLayout* layout = NewLayout(MeasureContext(dpi), family, pixelSize, utf8);
    LayoutSize(layout, width, height);
    g_object_unref(layout);
    if (key.size() > kMaxKey)
        return;
    std::lock_guard<std::mutex> hold(lock);
    if (cache.size() >= kMaxEntries || cacheBytes + key.size() > kMaxBytes) {
        cache.clear();
        cacheBytes = 0;
    }
    cacheBytes += key.size();
    cache.emplace(std::move(key), std::make_pair(*width, *height));
}

} // namespace text
} // namespace pvcommon
