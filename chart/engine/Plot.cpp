#include "chart/engine/Plot.h"

#include <boost/lexical_cast.hpp>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <stdexcept>

#include "chart/output/Logging.h"

CChartData::~CChartData() = default;

void CPaddedSlots::PadTo(std::size_t stored, std::size_t n)
{
    const std::size_t length = stored + total_;
    if (length >= n)
        return;
    const std::size_t add = n - length;
    if (!runs_.empty() && runs_.back().at + runs_.back().count == length)
        runs_.back().count += add;
    else
        runs_.push_back(CRun{length, add, total_});
    total_ += add;
}

std::size_t CPaddedSlots::Before(std::size_t c) const
{
    // The last run starting before c.
    auto it = std::partition_point(runs_.begin(), runs_.end(),
                                   [c](const CRun& run) { return run.at < c; });
    if (it == runs_.begin())
        return 0;
    --it;
    return it->before + std::min(it->count, c - it->at);
}

std::size_t CPaddedSlots::StoredIn(std::size_t first, std::size_t end, std::size_t* storedFirst,
                                   std::size_t* padded) const
{
    const std::size_t s0 = first - Before(first);
    const std::size_t s1 = end - Before(end);
    *storedFirst = s0;
    *padded = (end - first) - (s1 - s0);
    return s1;
}

std::size_t CPaddedSlots::StoredIndex(std::size_t c) const
{
    if (runs_.empty())
        return c;
    auto it = std::partition_point(runs_.begin(), runs_.end(),
                                   [c](const CRun& run) { return run.at <= c; });
    if (it == runs_.begin())
        return c;
    --it;
    if (c < it->at + it->count)
        return npos;
    return c - it->before - it->count;
}

const CChartValue& CChartData::At(std::size_t c) const
{
    static const CChartValue padded(0.0f, boost::any(false));
    const std::size_t index = padding.StoredIndex(c);
    return index == CPaddedSlots::npos ? padded : data.at(index);
}

CChartData CChartData::Expanded() const
{
    CChartData whole;
    whole.data.reserve(Count());
    for (std::size_t c = 0; c < Count(); ++c)
        whole.data.push_back(At(c));
    return whole;
}

namespace {

// 10 to the power of the whole number at or below log10(range), computed
// in float where float holds the range (so the steps keep their float
// values exactly).
double PowerOfTenBelow(double range)
{
    if (range <= std::numeric_limits<float>::max()) {
        const float r = static_cast<float>(range);
        return std::pow(10.0f, std::floor(std::log10(r)));
    }
    return std::pow(10.0, std::floor(std::log10(range)));
}

// A value label as a float reads (9 significant digits, so 0.4 reads
// 0.400000006), also beyond float's range.
std::wstring AxisLabel(double v)
{
    if (std::fabs(v) <= std::numeric_limits<float>::max())
        return boost::lexical_cast<std::wstring>(static_cast<float>(v));
    std::wostringstream out;
    out.imbue(std::locale::classic());
    out.precision(std::numeric_limits<float>::max_digits10);
    out << v;
    return out.str();
}

} // namespace

// ---------------------------------------------------------------------------
// Construction and layout

CPlot::CPlot(std::int32_t width, std::int32_t height, std::wstring titleText_,
             const CColor& backgroundColour, std::int32_t position, bool jpegFlag)
    : CPrimitive(CGraphicsHandle()),
      pictureWidth(width),
      pictureHeight(height),
      title(std::move(titleText_)),
      background(backgroundColour),
      jpeg(jpegFlag),
      historyPosition(position)
{
    StartGraphics();
    CPlot::CreateCanvas();
    pictureRect = std::make_shared<CRect>(CColor(0xFF000000u), 0.0f, 0.0f,
                                          static_cast<float>(pictureWidth) - 1,
                                          static_cast<float>(pictureHeight) - 1);
    CPlot::Layout();
}

CPlot::~CPlot()
{
    // Primitives refer to the canvas graphics: let them go first.
    children.clear();
    graphics = nullptr;
    canvas_.reset();
    canvasBudget_ = CCanvasReservation();
    StopGraphics();
}

void CPlot::Layout()
{
    areaRect = pictureRect->Inset(outerPadding);
    const CRect& a = *areaRect;

    const float band = static_cast<float>(titleBandHeight + titlePadding.top + titlePadding.bottom);
    titleRect = CRect(CColor(0xFF000000u), a.left, a.top, a.right, a.top + band - 1)
                    .Inset(titlePadding);

    const float y0 = a.top + band;
    const float split = (a.right - a.left) * chartShare + a.left +
                        static_cast<float>(chartPadding.right) +
                        static_cast<float>(chartPadding.left);

    bool positionKnown = true;
    std::shared_ptr<CRect> chart;
    if (!showHistory) {
        chart = std::make_shared<CRect>(CColor(0xFF000000u), a.left, y0, a.right, a.bottom);
    } else if (historyPosition == 1) {
        chart = std::make_shared<CRect>(CColor(0xFF000000u), a.left, y0, split - 1,
                                        a.bottom);
    } else if (historyPosition == 0) {
        chart = std::make_shared<CRect>(CColor(0xFF000000u), a.right - split, y0, a.right,
                                        a.bottom);
    } else {
        LogError("Wrong history position");
        positionKnown = false;
        // Without a known side the chart takes the whole width and no legend
        // is laid out.
        chart = std::make_shared<CRect>(CColor(0xFF000000u), a.left, y0, a.right, a.bottom);
    }
    chartRect = chart->Inset(chartPadding);

    historyRect.reset();
    if (showHistory) {
        if (historyPosition == 0) {
            historyRect = CRect(CColor(0xFF000000u), a.left, y0, chartRect->left, a.bottom)
                              .Inset(historyPadding);
        } else if (historyPosition == 1) {
            historyRect = CRect(CColor(0xFF000000u), split, y0, a.right, a.bottom)
                              .Inset(historyPadding);
        } else if (!positionKnown) {
            LogError("Wrong history position");
        }
    }
}

void CPlot::SetMargins()
{
    axisMargins.top = 1;
    axisMargins.right = 1;
    axisMargins.bottom = depth > 0 ? 35 : 15;
    axisMargins.left = depth > 0 ? 45 : 35;
    plotRect = chartRect->Inset(axisMargins);
}

// ---------------------------------------------------------------------------
// Drawing sequence

void CPlot::Draw()
{
    // Every picture starts from an empty model on a fresh background, so the
    // same data always gives the same picture.
    children.clear();
    titleText = nullptr;
    ClearCanvas();

    SetMargins();
    CreateTitle();
    ApplyOptions();
    DrawPlotArea();
    DrawChart();
    DrawHistory();
    // A canvas refused by the graphics layer cannot show anything.
    if (CanvasUsable())
        CPrimitive::Draw();
}

void CPlot::DrawPlotArea()
{
    DrawPlotFrame();
    DrawCategoryAxis();
    DrawAxes();
}

void CPlot::ApplyOptions()
{
    COptionValue value = GetOption(TitleFontName);
    std::wstring titleFamily = boost::get<std::wstring>(value);
    value = GetOption(TitleFontSize);
    std::int32_t titleSize = boost::get<std::int32_t>(value);
    value = GetOption(TitleFontColor);
    CColor titleColour = boost::get<CColor>(value);
    if (titleText) {
        titleText->family = titleFamily;
        titleText->size = titleSize;
        titleText->colour = titleColour;
        CSizeF extent =
            titleText->CreateDrawContext()->MeasureString(titleFamily, titleText->text, titleSize);
        titleText->x = static_cast<float>(pictureWidth) * 0.5f;
        titleText->y = titleRect->top + extent.height * 0.5f;
    }

    value = GetOption(LabelFontName);
    labelFontName = boost::get<std::wstring>(value);
    value = GetOption(LabelFontSize);
    labelFontSize = boost::get<std::int32_t>(value);
    value = GetOption(LabelFontColor);
    labelFontColor = boost::get<CColor>(value);
    value = GetOption(LabelPosition);
    labelAngle = boost::get<std::int32_t>(value);
    value = GetOption(HistoryFontName);
    historyFontName = boost::get<std::wstring>(value);
    value = GetOption(HistoryFontSize);
    historyFontSize = boost::get<std::int32_t>(value);
    value = GetOption(HistoryFontColor);
    historyFontColor = boost::get<CColor>(value);
    value = GetOption(ShowGrid);
    showGrid = boost::get<bool>(value);
}

void CPlot::CreateTitle()
{
    const CPointF anchor(static_cast<float>(pictureWidth) * 0.5f, titleRect->top);
    titleText = &Add<CText>(CColor::DefaultGray(), title, L"Times", anchor, 14, 1);
    titleText->smoothing = true;
}

void CPlot::DrawPlotFrame()
{
    const CRect& p = *plotRect;
    const float i = static_cast<float>(seriesInset);
    const float d = static_cast<float>(depth);
    const CColor grey = CColor::DefaultGray();
    Add<CLine>(grey, CPointF(p.left, p.top - i), CPointF(p.left, p.bottom + i));
    Add<CLine>(grey, CPointF(p.left - i, p.bottom), CPointF(p.right + i, p.bottom));
    if (depth > 0) {
        Add<CPolygon>(grey,
                      std::vector<CPointF>{CPointF(p.left, p.top), CPointF(p.left - d, p.top + d),
                                           CPointF(p.left - d, p.bottom + d),
                                           CPointF(p.left, p.bottom)},
                      false, false);
        Add<CLine>(grey, CPointF(p.left - d, p.bottom + d), CPointF(p.right - d, p.bottom + d));
        Add<CLine>(grey, CPointF(p.right - d, p.bottom + d), CPointF(p.right, p.bottom));
    }
}

void CPlot::DrawAxes()
{
    const CRect& p = *plotRect;
    const float i = static_cast<float>(seriesInset);
    const float d = static_cast<float>(depth);
    const CColor grey = CColor::DefaultGray();
    const CAxisScale scale = ValueScale();

    const float dy = scale.count > 0 ? (p.bottom - p.top) / static_cast<float>(scale.count) : 0.0f;
    const float labelX = p.left - (depth > 0 ? 2 * d : 0.0f) - 2 * i;
    float y = p.bottom;
    double v = scale.first;
    // The walk sums at float precision like the labels read; the count
    // bounds it.
    for (std::int32_t k = 0; v <= scale.last && k <= scale.count; ++k) {
        if (k > 0) {
            if (showGrid)
                Add<CLine>(grey, CPointF(p.left - i, y), CPointF(p.right + i, y), true);
            else
                Add<CLine>(grey, CPointF(p.left - i, y), CPointF(p.left + i, y));
        }
        if (depth > 0)
            Add<CLine>(grey, CPointF(p.left, y), CPointF(p.left - d, y + d));

        float labelY;
        if (k == 0)
            labelY = depth > 0 ? y : y - 10;
        else
            labelY = depth > 0 ? y + d : y;
        Add<CText>(labelFontColor, AxisLabel(v), labelFontName, CPointF(labelX, labelY),
                   labelFontSize, 2)
            .angle = labelAngle;

        v = FloatPrecision(v + scale.step);
        y -= dy;
    }
}

CCaption* CPlot::AddLegend()
{
    if (!historyRect)
        return nullptr;
    const CRect& h = *historyRect;
    CCaption& caption = Add<CCaption>(historyFontColor, h.left, h.top, h.right - h.left);
    caption.family = historyFontName;
    caption.size = historyFontSize;
    return &caption;
}

void CPlot::DrawHistory()
{
    if (CCaption* legend = AddLegend()) {
        for (const auto& graph : series.data)
            legend->AddEntry(graph.title, graph.color);
    }
}

// ---------------------------------------------------------------------------
// Value axis

double CPlot::FloatPrecision(double x)
{
    if (std::fabs(x) <= std::numeric_limits<float>::max())
        return static_cast<float>(x);
    if (!std::isfinite(x))
        return x;
    // Beyond float's range: float's 24 significant bits (halves to even),
    // double's exponent.
    int exponent = 0;
    const double mantissa = std::frexp(x, &exponent);
    return std::ldexp(std::nearbyint(std::ldexp(mantissa, 24)), exponent - 24);
}

float CPlot::ToGeometry(double x)
{
    const double most = std::numeric_limits<float>::max();
    if (x > most)
        return std::numeric_limits<float>::max();
    if (x < -most)
        return std::numeric_limits<float>::lowest();
    return static_cast<float>(x);
}

CAxisScale CPlot::ComputeAxisScale(double low, double high, double wanted)
{
    CAxisScale s;
    s.low = low;
    s.high = high;
    s.wanted = wanted;
    s.range = FloatPrecision(std::fabs(high - low));
    if (s.range == 0.0)
        s.range = 1.0;
    s.magnitude = PowerOfTenBelow(s.range);
    const double r = FloatPrecision(s.range / s.magnitude);
    const double q = FloatPrecision(wanted / r);
    double factor;
    if (q > 20)
        factor = 0.05f;
    else if (q > 10)
        factor = 0.2f;
    else if (q > 5)
        factor = 0.4f;
    else if (q > 3)
        factor = 0.5f;
    else if (q > 2)
        factor = 1.0f;
    else if (q > 0.25f)
        factor = 2.0f;
    else
        factor = std::ceil(r);
    s.step = FloatPrecision(s.magnitude * factor);
    s.first = FloatPrecision(std::floor(FloatPrecision(low / s.step)) * s.step);
    s.last = FloatPrecision(std::ceil(FloatPrecision(high / s.step)) * s.step);
    s.span = FloatPrecision(s.last - s.first);
    const double steps = FloatPrecision(s.span / s.step);
    // Values out of reach (infinite, NaN) leave no usable scale: keep only
    // the base.
    if (!std::isfinite(s.step) || !(s.step > 0.0) || !std::isfinite(s.first) ||
        !std::isfinite(s.last) || !std::isfinite(steps) || steps < 0.0 || steps > 1.0e6) {
        s.count = 0;
        s.first = s.last = s.span = 0.0;
        if (!std::isfinite(s.step) || !(s.step > 0.0))
            s.step = 1.0;
        return s;
    }
    s.count = static_cast<std::int32_t>(steps);
    return s;
}

CAxisScale CPlot::ValueScale() const
{
    // Asked for once per value; the maximum rarely changes.
    if (!scaleCache_.valid || !(scaleCache_.maximum == maximum)) {
        scaleCache_.scale = ComputeAxisScale(0.0, maximum, 10.0);
        scaleCache_.maximum = maximum;
        scaleCache_.valid = true;
    }
    return scaleCache_.scale;
}

double CPlot::ValueToHeight(double v) const
{
    if (v == 0.0)
        return 0.0;
    const CAxisScale scale = ValueScale();
    // With nothing above 0 the axis has no height to scale by.
    if (!(scale.last > 0.0))
        return 0.0;
    const double plotHeight = plotRect->bottom - plotRect->top;
    const double h = FloatPrecision(FloatPrecision(plotHeight * v) / scale.last);
    return std::isfinite(h) ? h : 0.0;
}

float CPlot::ValueAt(const CChartDataSeriesType& graph, std::size_t c)
{
    if (c >= graph.Count())
        throw std::out_of_range("invalid vector<T> subscript");
    const std::size_t index = graph.padding.StoredIndex(c);
    return index == CPaddedSlots::npos ? 0.0f : graph.values[index].first;
}

namespace {

float BandMargin(std::int32_t pictureHeight)
{
    return std::max(1.0f, std::fabs(static_cast<float>(pictureHeight)));
}

} // namespace

float CPlot::ClampToBand(double y) const
{
    const float margin = BandMargin(pictureHeight);
    const double low = plotRect->top - margin;
    const double high = plotRect->bottom + margin;
    return static_cast<float>(std::min(std::max(y, low), high));
}

std::vector<CPointF> CPlot::ClipToBand(const std::vector<CPointF>& points) const
{
    const float margin = BandMargin(pictureHeight);
    const float edges[2] = {plotRect->top - margin, plotRect->bottom + margin};
    std::vector<CPointF> out;
    out.reserve(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const CPointF& b = points[i];
        if (i > 0) {
            const CPointF& a = points[i - 1];
            // Where the segment crosses the band's edges, in order along it.
            float crossings[2];
            int n = 0;
            for (float edge : edges) {
                if ((a.y < edge && b.y > edge) || (a.y > edge && b.y < edge))
                    crossings[n++] = (edge - a.y) / (b.y - a.y);
            }
            if (n == 2 && crossings[0] > crossings[1])
                std::swap(crossings[0], crossings[1]);
            for (int k = 0; k < n; ++k) {
                const float t = crossings[k];
                out.emplace_back(a.x + (b.x - a.x) * t, ClampToBand(a.y + (b.y - a.y) * t));
            }
        }
        out.emplace_back(b.x, ClampToBand(b.y));
    }
    return out;
}

// ---------------------------------------------------------------------------
// Model

void CPlot::AddSeries(const CChartData& values, const CColor& colour_, const std::wstring& graphTitle)
{
    series.data.push_back(CChartDataSeriesType{values.data, colour_, graphTitle, values.padding});
    auto& added = series.data.back().values;
    if (series.data.back().Count() == 0)
        return;
    // A value that is no finite number counts as 0, as the data readers
    // count it: one such value must not blank the whole chart.
    for (auto& value : added)
        if (!std::isfinite(value.first))
            value.first = 0.0f;
    // Padded slots read 0.
    const bool padded = values.padding.Total() > 0;
    float largest = added.empty() || padded ? 0.0f : added.front().first;
    float smallest = largest;
    for (const auto& value : added) {
        if (value.first > largest)
            largest = value.first;
        if (value.first < smallest)
            smallest = value.first;
    }
    if (largest > maximum)
        maximum = largest;
    if (smallest < minimum)
        minimum = smallest;
}

void CPlot::ClearSeries()
{
    series.data.clear();
    maximum = 0.0f;
    minimum = std::numeric_limits<float>::max();
}

void CPlot::SetLabels(const std::vector<std::wstring>& newLabels) { labels = newLabels; }

void CPlot::AddPieColors(const std::vector<CColor>& colours)
{
    pieColors.insert(pieColors.end(), colours.begin(), colours.end());
}

void CPlot::SetOption(std::int32_t id, const COptionValue& value) { options.emplace(id, value); }

CPlot::COptionValue CPlot::GetOption(std::int32_t id) const
{
    auto it = options.find(id);
    if (it == options.end())
        return COptionValue(false);
    return it->second;
}

// ---------------------------------------------------------------------------
// Value texts

std::int64_t CPlot::RoundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    const double limit = 9223372036854775808.0;   // 2^63
    if (whole >= limit)
        return std::numeric_limits<std::int64_t>::max();
    if (whole < -limit)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(whole);
}

std::wstring CPlot::FormatValue(float value)
{
    // Grouped here rather than through a locale with its own numpunct facet:
    // building such a locale is not safe when memory runs out (the C++
    // library frees part of the facet twice).
    const std::int64_t whole = RoundHalfEven(value);
    std::uint64_t rest = whole < 0 ? 0 - static_cast<std::uint64_t>(whole)
                                   : static_cast<std::uint64_t>(whole);
    wchar_t text[32];   // 19 digits, 6 separators and a sign at most
    wchar_t* const end = text + 32;
    wchar_t* at = end;
    for (int digits = 0; digits == 0 || rest != 0; ++digits) {
        if (digits > 0 && digits % 3 == 0)
            *--at = L' ';
        *--at = static_cast<wchar_t>(L'0' + rest % 10);
        rest /= 10;
    }
    if (whole < 0)
        *--at = L'-';
    return std::wstring(at, end);
}

std::size_t CPlot::CategoryCount() const
{
    return series.data.empty() ? 0 : series.data.front().Count();
}

bool CPlot::AddCategorySeparator(float x, float& lastColumn)
{
    const float column = std::floor(x);
    if (column == lastColumn)
        return false;
    lastColumn = column;
    const CRect& p = *plotRect;
    const float t = static_cast<float>(seriesInset);
    if (showGrid)
        Add<CLine>(CColor::DefaultGray(), CPointF(x, p.top - t), CPointF(x, p.bottom + t), true);
    else
        Add<CLine>(CColor::DefaultGray(), CPointF(x, p.bottom - t), CPointF(x, p.bottom + t));
    return true;
}
