// Fonts and text layout both drawing layers share: families resolved through
// fontconfig with the metric-compatible Liberation families for the classic
// core names, pango contexts with metric hinting off and unrounded glyph
// positions, and a measure cache. Sizes are absolute pixel sizes; a layer
// turns its points into pixels at its own resolution (96 or 72 dpi).
#pragma once

#include <pango/pangocairo.h>

#include <string>

namespace pvcommon {
namespace text {

// The family drawn for a name: "Liberation Sans" for "Arial" and
// "Helvetica", "Liberation Serif" for "Times" and "Times New Roman",
// "Liberation Mono" for "Courier" and "Courier New"; otherwise the name.
std::string RenderedFamily(const std::string& name);
// True when fontconfig resolves the name (after RenderedFamily) to a font of
// that family or of one it binds strongly to the name; the generic names
// always resolve. Empty names and lists (with ',') do not. Cached (bounded).
bool FamilyResolves(const std::string& name);

// A new context of the shared font map at the resolution; the caller unrefs it.
PangoContext* NewContext(double dpi);
// The shared measuring context of the resolution (identity transform).
PangoContext* MeasureContext(double dpi);
// A one-line layout of the UTF-8 text in the family (as RenderedFamily draws
// it), regular, at the pixel size; the caller unrefs it.
PangoLayout* NewLayout(PangoContext* context, const std::string& family, double pixelSize,
                       const std::string& utf8);
// Width and height of the layout's logical box in pixels.
void LayoutSize(PangoLayout* layout, double* width, double* height);
// LayoutSize of NewLayout in MeasureContext(dpi), kept by family, size,
// resolution and text: a chart measures the same texts again and again.
void MeasureCached(const std::string& family, double pixelSize, double dpi, const std::string& utf8,
                   double* width, double* height);

} // namespace text
} // namespace pvcommon
