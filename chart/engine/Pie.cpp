#include "chart/engine/Pie.h"

#include <boost/lexical_cast.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

namespace {

constexpr float kDegreesToRadians = 0.0174532924f;
// A slice's share of the circle and of 100, a hair over each.
constexpr double kFullCircle = 360.00003f;
constexpr double kPercent = 100.00003f;
// Far enough for any picture side; a damaged centre gets no deeper side.
constexpr int kMaxSideLayers = 65536;
// A slice whose rim is shorter than this many pixels cannot be told apart
// from its neighbours; runs of such slices are drawn as parts of about this
// size.
constexpr float kThinRim = 1.0f;

bool IsExploded(const boost::any& extra)
{
    const bool* flag = boost::any_cast<bool>(&extra);
    return flag && *flag;
}

// A slice reaching round the near side is built in two halves so that each
// sorts on its own; its top face comes after all parts.
bool IsSplit(float sweep, float end)
{
    return (sweep > 90 && end < 270) || sweep >= 270;
}

// The sort key of a part from s to e; false for a part spanning the far
// side (270), which is drawn at once, before every keyed part.
bool PartKey(float s, float e, bool splitHalf, float* key)
{
    if (s < 270 && e > 270)
        return false;
    if (splitHalf && s < 90)
        *key = std::numeric_limits<float>::max();
    else if (s >= 0 && s < 90)
        *key = std::min(s + 90, 270 - e);
    else if (s > 270)
        *key = s - 270;
    else
        *key = 270 - e;
    // Angles past float's range sort last rather than upset the order.
    if (std::isnan(*key))
        *key = std::numeric_limits<float>::infinity();
    return true;
}

// Mixed signs: slices going back and forth over the same angles overlap,
// and where they do the picture shows the top face painted last. When such
// a pie has more slices than its rim has pixels, or its slices sweep more
// than kMaxTurns full turns together, it is drawn as what it shows: the rim
// is cut into bins of about kThinRim pixels, each bin takes the slice whose
// top face is painted last over the bin's middle (in the order the parts of
// those slices would be painted), and runs of bins with the same slice
// colour and centre become parts, untagged. Smaller mixed pies are drawn
// slice by slice, as positive ones.
constexpr double kMaxTurns = 4.0;
// Far more bins than any picture's rim has pixels.
constexpr std::size_t kMaxBins = std::size_t(1) << 20;

struct CSweptSlice {
    float start;
    float sweep;
    std::uint32_t index;
};

// For every bin from 0 degrees on, the position in `slices` of the slice
// painted last over its middle, or -1 where none is; `painted` lists
// positions in painting order.
std::vector<std::int64_t> TopSlices(const std::vector<CSweptSlice>& slices,
                                    const std::vector<std::uint32_t>& painted, std::size_t bins)
{
    std::vector<std::int64_t> top(bins, -1);
    // The first bin at or after each one that no slice has taken yet.
    std::vector<std::size_t> free(bins + 1);
    for (std::size_t k = 0; k <= bins; ++k)
        free[k] = k;
    auto find = [&free](std::size_t k) {
        std::size_t root = k;
        while (free[root] != root)
            root = free[root];
        while (free[k] != root) {
            const std::size_t up = free[k];
            free[k] = root;
            k = up;
        }
        return root;
    };
    std::size_t left = bins;
    auto take = [&](std::size_t from, std::size_t to, std::int64_t slice) {
        for (std::size_t k = find(from); k <= to; k = find(k)) {
            top[k] = slice;
            free[k] = k + 1;
            --left;
        }
    };
    const double width = 360.0 / static_cast<double>(bins);
    for (auto it = painted.rbegin(); it != painted.rend() && left > 0; ++it) {
        const CSweptSlice& slice = slices[*it];
        const double a = slice.start;
        const double e = static_cast<double>(slice.start) + slice.sweep;
        const double lo = std::min(a, e);
        const double hi = std::max(a, e);
        if (!std::isfinite(lo) || !std::isfinite(hi))
            continue;
        if (hi - lo >= 360.0) {
            take(0, bins - 1, *it);
            continue;
        }
        // The bins whose middles lie within [lo, hi].
        const double first = std::ceil(lo / width - 0.5);
        const double last = std::floor(hi / width - 0.5);
        if (!(last >= first))
            continue;
        const std::size_t count =
            static_cast<std::size_t>(std::min<double>(last - first + 1.0, static_cast<double>(bins)));
        double from = std::fmod(first, static_cast<double>(bins));
        if (from < 0)
            from += static_cast<double>(bins);
        const std::size_t k0 = std::min(static_cast<std::size_t>(from), bins - 1);
        const std::size_t k1 = k0 + count - 1;
        if (k1 < bins) {
            take(k0, k1, *it);
        } else {
            take(k0, bins - 1, *it);
            take(0, k1 - bins, *it);
        }
    }
    return top;
}

} // namespace

CPie::CPie(std::int32_t width, std::int32_t height, std::wstring title, const CColor& background,
           std::int32_t historyPosition, bool jpeg)
    : CPlot(width, height, std::move(title), background, historyPosition, jpeg),
      diameter(0.75f * (chartRect->right - chartRect->left))
{
}

CPie::~CPie() = default;

void CPie::SetMargins()
{
    axisMargins = CPadding{1, 1, 1, 1};
    plotRect = chartRect->Inset(axisMargins);
}

void CPie::ApplyOptions()
{
    CPlot::ApplyOptions();
    COptionValue value = GetOption(ShowTags);
    tagMode = boost::get<ETagMode>(value);
    value = GetOption(TagsBkColor);
    tagBkColor = boost::get<CColor>(value);
}

CArc& CPie::MakeTopFace(CPrimitive& parentPrimitive, const CPointF& centre, float start,
                        float end, const CColor& sliceColour) const
{
    CArc& top = parentPrimitive.Add<CArc>(sliceColour, centre, diameter,
                                          depth > 0 ? diameter * 0.5f : diameter, start, end,
                                          true, true);
    top.width = 2.0f;
    top.smoothing = true;
    return top;
}

void CPie::BuildPart(CPrimitive& group, const CPointF& centre, float start, float end,
                     const CColor& sliceColour, bool withTop) const
{
    if (depth > 0) {
        // The side: the arc (a filled piece when a slice is exploded) at
        // every pixel from 1.25 x cy + 5 up to the slice centre, the lowest
        // first; the lowest five in light grey, smoothed at the bottom and at
        // 1.25 x cy. Equal layers between those are drawn as one stack, so a
        // part holds at most five primitives however tall the picture is.
        const float cy = centre.y;
        const float rim = 1.25f * cy;
        const float bottom = rim + 5;
        const CColor shaded = CColor::Shade(sliceColour, 50);
        const CColor lightGrey(0xFFD3D3D3u);
        // Layer k lies at bottom - k, down to cy (none when cy is not a number).
        const double reach = static_cast<double>(bottom) - cy;
        const int layers = reach >= 0.0 ? static_cast<int>(std::min<double>(
                                               kMaxSideLayers, std::floor(reach) + 1.0))
                                         : 0;
        auto layerY = [bottom](int k) { return bottom - static_cast<float>(k); };
        // Layers below the rim are grey; a layer exactly at the rim is smoothed.
        const double toRim = static_cast<double>(bottom) - rim;
        const int grey =
            static_cast<int>(std::clamp(std::ceil(toRim), 0.0, static_cast<double>(layers)));
        const int atRim =
            toRim == std::floor(toRim) && toRim < layers ? static_cast<int>(toRim) : -1;
        for (int k = 0; k < layers;) {
            const CColor& colour = k < grey ? lightGrey : shaded;
            if (k == 0 || k == atRim) {
                CArc& arc = group.Add<CArc>(colour, CPointF(centre.x, layerY(k)), diameter,
                                            diameter * 0.5f, start, end, anyExploded, false);
                arc.smoothing = true;
                ++k;
                continue;
            }
            int last = layers - 1;
            if (k < grey)
                last = std::min(last, grey - 1);
            if (atRim > k)
                last = std::min(last, atRim - 1);
            // Centred on its top layer, reaching down to layer k.
            group.Add<CArcStack>(colour, CPointF(centre.x, layerY(last)), diameter,
                                 diameter * 0.5f, start, end, anyExploded, last - k);
            k = last + 1;
        }
    }
    if (withTop)
        MakeTopFace(group, centre, start, end, sliceColour);
}

void CPie::MakeTag(CPrimitive& group, const CPointF& centre, float start, float end,
                   const std::wstring& text) const
{
    const float m = (start + end) * 0.5f;
    const float c = std::cos(m * kDegreesToRadians);
    const float s = std::sin(m * kDegreesToRadians);
    const float x0 = centre.x + c * (diameter - 20) * 0.5f;
    const float y0 = centre.y + s * (diameter - 20) / (depth > 0 ? 4.0f : 2.0f);
    const float x1 = x0 + c * 20;
    const float y1 = y0 + s * 20;
    const bool rightHalf = m < 90 || m >= 270;
    const float x2 = rightHalf ? x1 + 10 : x1 - 10;
    const CColor grey = CColor::DefaultGray();
    group.Add<CLine>(grey, CPointF(x0, y0), CPointF(x1, y1));
    group.Add<CLine>(grey, CPointF(x1, y1), CPointF(x2, y1));

    const CSizeF extent = CreateDrawContext()->MeasureString(historyFontName, text, historyFontSize);
    const float boxWidth = extent.width + 4;
    const float left = rightHalf ? x2 + 2 : x2 - 2 - boxWidth;
    const CColor boxColour = tagBkColor.empty ? CColor::SystemTagColor() : tagBkColor;
    group.Add<CRectangle>(boxColour, CPointF(left, y1 - extent.height * 0.5f - 1),
                          CPointF(left + boxWidth, y1 + extent.height * 0.5f + 1), true, false);
    group.Add<CText>(historyFontColor, text, historyFontName, CPointF(left + boxWidth * 0.5f, y1),
                     historyFontSize, 1)
        .smoothing = true;
}

void CPie::DrawChart()
{
    anyExploded = false;
    if (series.data.empty())
        return;
    const auto& values = series.data.front().values;

    // In double, so that large values (their sum, or a value times 360)
    // still share out; at float precision, so that other pies keep their
    // angles exactly.
    double total = 0.0;
    for (const auto& value : values)
        total = FloatPrecision(total + value.first);
    for (const auto& value : values) {
        if (IsExploded(value.second))
            anyExploded = true;
    }
    // Nothing to share out (all zero, infinite or NaN values): no slices.
    if (total == 0.0 || !std::isfinite(total))
        return;
    auto share = [total](float v, double whole) {
        return FloatPrecision(FloatPrecision(v * whole) / total);
    };
    auto sweepOf = [&](std::size_t index) {
        return static_cast<float>(share(values[index].first, kFullCircle));
    };
    bool forward = false;
    bool backward = false;
    std::size_t nonZero = 0;
    double turns = 0.0;
    for (const auto& value : values) {
        // A sweep beyond float's range (a tiny total of mixed signs) has no
        // angle to draw.
        const double sweep = share(value.first, kFullCircle);
        if (!(std::fabs(sweep) <= std::numeric_limits<float>::max()))
            return;
        forward = forward || sweep > 0.0;
        backward = backward || sweep < 0.0;
        nonZero += sweep != 0.0 ? 1 : 0;
        turns += std::min(std::fabs(sweep), 360.0) / 360.0;
    }

    const CRect& p = *plotRect;
    const float cx = (p.left + p.right) * 0.5f;
    const float cy = (p.top + p.bottom) * 0.5f;

    struct CKeyedPart {
        float key;
        std::shared_ptr<CPrimitive> group;
    };
    struct CTopFace {
        CPointF centre;
        float start;
        float end;
        CColor colour;
    };
    std::vector<CKeyedPart> keyed;
    std::vector<CTopFace> splitTops;
    std::vector<std::shared_ptr<CPrimitive>> tags;

    // One slice, or a merged run of thin ones, from a to end: its parts
    // placed or keyed, its top face, and its tag when it has a text.
    auto addSlice = [&](float a, float sweep, float end, const CPointF& centre,
                        const CColor& sliceColour, const std::wstring& tag) {
        const bool split = IsSplit(sweep, end);
        std::vector<std::pair<float, float>> parts;
        if (split) {
            const float middle = a + sweep * 0.5f;
            parts = {{a, middle}, {middle, end}};
            splitTops.push_back(CTopFace{centre, a, end, sliceColour});
        } else {
            parts = {{a, end}};
        }
        for (const auto& part : parts) {
            const float s = part.first;
            const float e = part.second;
            auto group = std::make_shared<CPrimitive>(CColor(0xFF000000u));
            group->width = 1.0f;
            BuildPart(*group, centre, s, e, sliceColour, !split);
            float key = 0.0f;
            if (PartKey(s, e, split, &key))
                keyed.push_back(CKeyedPart{key, std::move(group)});
            else
                AddChild(std::move(group));
        }
        if (!tag.empty()) {
            auto group = std::make_shared<CPrimitive>(CColor(0xFF000000u));
            MakeTag(*group, centre, a, end, tag);
            tags.push_back(std::move(group));
        }
    };
    auto colourOf = [this](std::size_t index) {
        if (index >= pieColors.size())
            pieColors.push_back(CColor::Random());
        return pieColors[index];
    };
    const CPointF plainCentre(cx + 10, cy);
    // An exploded slice moves out along its mid angle.
    auto explodedCentre = [&](float a, float sweep) {
        const float m = (a + sweep * 0.5f) * kDegreesToRadians;
        return CPointF(cx + 10 + std::cos(m) * static_cast<float>(explodeOffset),
                       cy + std::sin(m) * static_cast<float>(explodeOffset));
    };
    // Thin: a sweep whose stretch of the rim (at the ellipse's wider radius)
    // is shorter than kThinRim pixels.
    const float pixelsPerDegree = diameter * 0.5f * kDegreesToRadians;
    auto thin = [pixelsPerDegree](float sweep) {
        return sweep != 0.0f && std::fabs(sweep) * pixelsPerDegree < kThinRim;
    };
    const double rimPixels = 360.0 * pixelsPerDegree / kThinRim;
    const std::size_t bins =
        rimPixels >= 1.0 ? static_cast<std::size_t>(
                               std::min<double>(std::ceil(rimPixels), static_cast<double>(kMaxBins)))
                         : 1;

    if (forward && backward && (nonZero > bins || turns > kMaxTurns)) {
        // Drawn as what it shows (see kMaxTurns): the slices with their
        // angles, in the order their top faces would be painted.
        std::vector<CSweptSlice> slices;
        slices.reserve(nonZero);
        std::vector<float> keys;
        std::vector<std::uint8_t> stage;
        float a = 0.0f;
        for (std::size_t index = 0; index < values.size(); ++index) {
            colourOf(index);
            const float sweep = sweepOf(index);
            const float end = a + sweep;
            if (sweep != 0.0f) {
                float key = 0.0f;
                const bool split = IsSplit(sweep, end);
                // Parts across the far side first, then the keyed ones,
                // then the top faces of split slices.
                stage.push_back(split ? 2 : PartKey(a, end, false, &key) ? 1 : 0);
                keys.push_back(key);
                slices.push_back(CSweptSlice{a, sweep, static_cast<std::uint32_t>(index)});
            }
            a = end;
        }
        std::vector<std::uint32_t> painted(slices.size());
        for (std::size_t i = 0; i < painted.size(); ++i)
            painted[i] = static_cast<std::uint32_t>(i);
        std::stable_sort(painted.begin(), painted.end(),
                         [&](std::uint32_t l, std::uint32_t r) {
                             if (stage[l] != stage[r])
                                 return stage[l] < stage[r];
                             return stage[l] == 1 && keys[l] < keys[r];
                         });
        const std::vector<std::int64_t> top = TopSlices(slices, painted, bins);
        auto look = [&](std::int64_t at) {
            const CSweptSlice& slice = slices[static_cast<std::size_t>(at)];
            const bool exploded = IsExploded(values[slice.index].second);
            return std::make_pair(pieColors[slice.index],
                                  exploded ? explodedCentre(slice.start, slice.sweep) : plainCentre);
        };
        const float binWidth = static_cast<float>(360.0 / static_cast<double>(bins));
        for (std::size_t k = 0; k < bins;) {
            if (top[k] < 0) {
                ++k;
                continue;
            }
            const auto shown = look(top[k]);
            std::size_t next = k + 1;
            while (next < bins && top[next] >= 0 && look(top[next]) == shown)
                ++next;
            const float from = static_cast<float>(k) * binWidth;
            const float to = next == bins ? 360.0f : static_cast<float>(next) * binWidth;
            addSlice(from, to - from, to, shown.second, shown.first, std::wstring());
            k = next;
        }
    } else {
        float a = 0.0f;
        for (std::size_t index = 0; index < values.size();) {
            const float v = values[index].first;
            const float sweep = sweepOf(index);
            const bool exploded = IsExploded(values[index].second);
            if (thin(sweep)) {
                // Consecutive thin slices of one kind, exploded or not
                // (slices of sweep 0 among them), as many as keep what they
                // sweep together within kThinRim pixels of the rim, make
                // one part over that stretch in the first one's colour,
                // without tags, exploded along its own mid angle: a hundred
                // thousand slices on a rim of a thousand pixels cost what a
                // thousand do. A thin slice alone is drawn as any other.
                float end = a;
                float low = a;
                float high = a;
                std::size_t next = index;
                int drawn = 0;
                for (; next < values.size() && IsExploded(values[next].second) == exploded; ++next) {
                    const float s = sweepOf(next);
                    if (s != 0.0f) {
                        if (!thin(s))
                            break;
                        const float e = end + s;
                        const float l = std::min(low, e);
                        const float h = std::max(high, e);
                        if (drawn > 0 && (h - l) * pixelsPerDegree > kThinRim)
                            break;
                        end = e;
                        low = l;
                        high = h;
                        ++drawn;
                    }
                    colourOf(next);
                }
                if (drawn >= 2) {
                    addSlice(low, high - low, high,
                             exploded ? explodedCentre(low, high - low) : plainCentre,
                             pieColors[index], std::wstring());
                    a = end;
                    index = next;
                    continue;
                }
            }

            const float end = a + sweep;
            const CColor sliceColour = colourOf(index);
            const CPointF centre = exploded ? explodedCentre(a, sweep) : plainCentre;
            if (sweep != 0.0f) {
                std::wstring tag;
                if (tagMode == ETagMode::Percentage)
                    tag = boost::lexical_cast<std::wstring>(RoundHalfEven(share(v, kPercent)));
                else if (tagMode == ETagMode::Values)
                    tag = FormatValue(v);
                addSlice(a, sweep, end, centre, sliceColour, tag);
            }
            a = end;
            ++index;
        }
    }

    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const CKeyedPart& l, const CKeyedPart& r) { return l.key < r.key; });
    for (auto& part : keyed)
        AddChild(std::move(part.group));
    for (const auto& top : splitTops)
        MakeTopFace(*this, top.centre, top.start, top.end, top.colour);
    for (auto& tag : tags)
        AddChild(std::move(tag));
}

void CPie::DrawHistory()
{
    // The categories in their slice colours; the graph titles play no part.
    if (CCaption* legend = AddLegend()) {
        for (std::size_t i = 0; i < labels.size(); ++i)
            legend->AddEntry(labels[i], i < pieColors.size() ? pieColors[i] : CColor::Random());
    }
}
