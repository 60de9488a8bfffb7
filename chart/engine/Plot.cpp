#include "chart/engine/Plot.h"

#include <boost/lexical_cast.hpp>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <stdexcept>

#include "chart/output/Logging.h"

CChartData::~CChartData() = default;

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
    pictureRect = std::make_shared<CRect>(nullptr, CColor(0xFF000000u), 0.0f, 0.0f,
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
    titleRect = CRect(nullptr, CColor(0xFF000000u), a.left, a.top, a.right, a.top + band - 1)
                    .Inset(titlePadding);

    const float y0 = a.top + band;
    const float split = (a.right - a.left) * chartShare + a.left +
                        static_cast<float>(chartPadding.right) +
                        static_cast<float>(chartPadding.left);

    bool positionKnown = true;
    std::shared_ptr<CRect> chart;
    if (!showHistory) {
        chart = std::make_shared<CRect>(nullptr, CColor(0xFF000000u), a.left, y0, a.right, a.bottom);
    } else if (historyPosition == 1) {
        chart = std::make_shared<CRect>(nullptr, CColor(0xFF000000u), a.left, y0, split - 1,
                                        a.bottom);
    } else if (historyPosition == 0) {
        chart = std::make_shared<CRect>(nullptr, CColor(0xFF000000u), a.right - split, y0, a.right,
                                        a.bottom);
    } else {
        LogError("Wrong history position");
        positionKnown = false;
        // Without a known side the chart takes the whole width and no legend
        // is laid out.
        chart = std::make_shared<CRect>(nullptr, CColor(0xFF000000u), a.left, y0, a.right, a.bottom);
    }
    chartRect = chart->Inset(chartPadding);

    historyRect.reset();
    if (showHistory) {
        if (historyPosition == 0) {
            historyRect = CRect(nullptr, CColor(0xFF000000u), a.left, y0, chartRect->left, a.bottom)
                              .Inset(historyPadding);
        } else if (historyPosition == 1) {
            historyRect = CRect(nullptr, CColor(0xFF000000u), split, y0, a.right, a.bottom)
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
    titleText = new CText(this, CColor::DefaultGray(), title, L"Times",
                          CPointF(static_cast<float>(pictureWidth) * 0.5f, titleRect->top), 14, 1);
    titleText->smoothing = true;
}

void CPlot::DrawPlotFrame()
{
    const CRect& p = *plotRect;
    const float i = static_cast<float>(seriesInset);
    const float d = static_cast<float>(depth);
    const CColor grey = CColor::DefaultGray();
    new CLine(this, grey, CPointF(p.left, p.top - i), CPointF(p.left, p.bottom + i));
    new CLine(this, grey, CPointF(p.left - i, p.bottom), CPointF(p.right + i, p.bottom));
    if (depth > 0) {
        new CPolygon(this, grey,
                     {CPointF(p.left, p.top), CPointF(p.left - d, p.top + d),
                      CPointF(p.left - d, p.bottom + d), CPointF(p.left, p.bottom)},
                     false, false);
        new CLine(this, grey, CPointF(p.left - d, p.bottom + d), CPointF(p.right - d, p.bottom + d));
        new CLine(this, grey, CPointF(p.right - d, p.bottom + d), CPointF(p.right, p.bottom));
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
    float v = scale.first;
    // The walk sums in floats like the labels read; the count bounds it.
    for (std::int32_t k = 0; v <= scale.last && k <= scale.count; ++k) {
        if (k > 0) {
            if (showGrid)
                new CLine(this, grey, CPointF(p.left - i, y), CPointF(p.right + i, y), true);
            else
                new CLine(this, grey, CPointF(p.left - i, y), CPointF(p.left + i, y));
        }
        if (depth > 0)
            new CLine(this, grey, CPointF(p.left, y), CPointF(p.left - d, y + d));

        float labelY;
        if (k == 0)
            labelY = depth > 0 ? y : y - 10;
        else
            labelY = depth > 0 ? y + d : y;
        auto* label = new CText(this, labelFontColor, boost::lexical_cast<std::wstring>(v),
                                labelFontName, CPointF(labelX, labelY), labelFontSize, 2);
        label->angle = labelAngle;

        v += scale.step;
        y -= dy;
    }
}

void CPlot::DrawHistory()
{
    if (!historyRect)
        return;
    const CRect& h = *historyRect;
    auto* caption = new CCaption(this, historyFontColor, h.left, h.top, h.right - h.left);
    caption->family = historyFontName;
    caption->size = historyFontSize;
    for (const auto& graph : series.data)
        caption->AddEntry(graph.title, graph.color);
}

// ---------------------------------------------------------------------------
// Value axis

CAxisScale CPlot::ComputeAxisScale(float low, float high, float wanted)
{
    CAxisScale s;
    s.low = low;
    s.high = high;
    s.wanted = wanted;
    s.range = std::fabs(high - low);
    if (s.range == 0.0f)
        s.range = 1.0f;
    s.magnitude = std::pow(10.0f, std::floor(std::log10(s.range)));
    const float r = s.range / s.magnitude;
    const float q = wanted / r;
    float factor;
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
    s.step = s.magnitude * factor;
    s.first = std::floor(low / s.step) * s.step;
    s.last = std::ceil(high / s.step) * s.step;
    s.span = s.last - s.first;
    const float steps = s.span / s.step;
    // Values out of float's reach leave no usable scale: keep only the base.
    if (!std::isfinite(s.step) || !(s.step > 0.0f) || !std::isfinite(s.first) ||
        !std::isfinite(s.last) || !std::isfinite(steps) || steps < 0.0f || steps > 1.0e6f) {
        s.count = 0;
        s.first = s.last = s.span = 0.0f;
        if (!std::isfinite(s.step) || !(s.step > 0.0f))
            s.step = 1.0f;
        return s;
    }
    s.count = static_cast<std::int32_t>(steps);
    return s;
}

CAxisScale CPlot::ValueScale() const { return ComputeAxisScale(0.0f, maximum, 10.0f); }

float CPlot::ValueToHeight(float v) const
{
    if (v == 0.0f)
        return 0.0f;
    const CAxisScale scale = ValueScale();
    // With nothing above 0 the axis has no height to scale by.
    if (!(scale.last > 0.0f))
        return 0.0f;
    const float h = (plotRect->bottom - plotRect->top) * v / scale.last;
    return std::isfinite(h) ? h : 0.0f;
}

float CPlot::ValueAt(const CChartDataSeriesType& graph, std::size_t c)
{
    if (c >= graph.values.size())
        throw std::out_of_range("invalid vector<T> subscript");
    return graph.values[c].first;
}

namespace {

float BandMargin(std::int32_t pictureHeight)
{
    return std::max(1.0f, std::fabs(static_cast<float>(pictureHeight)));
}

} // namespace

float CPlot::ClampToBand(float y) const
{
    const float margin = BandMargin(pictureHeight);
    const float low = plotRect->top - margin;
    const float high = plotRect->bottom + margin;
    return std::min(std::max(y, low), high);
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
    series.data.push_back(CChartDataSeriesType{values.data, colour_, graphTitle});
    const auto& added = series.data.back().values;
    if (added.empty())
        return;
    float largest = added.front().first;
    float smallest = added.front().first;
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

std::int32_t CPlot::RoundHalfEven(float value)
{
    if (std::isnan(value))
        return 0;
    const double v = value;
    double whole = std::floor(v);
    const double fraction = v - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    if (whole >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (whole <= -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(whole);
}

std::wstring CPlot::FormatValue(float value)
{
    std::wostringstream out;
    out.imbue(std::locale(std::locale::classic(), new ThousandFaset));
    out << RoundHalfEven(value);
    return out.str();
}

std::size_t CPlot::CategoryCount() const
{
    return series.data.empty() ? 0 : series.data.front().values.size();
}

void CPlot::AddCategorySeparator(float x)
{
    const CRect& p = *plotRect;
    const float t = static_cast<float>(seriesInset);
    if (showGrid)
        new CLine(this, CColor::DefaultGray(), CPointF(x, p.top - t), CPointF(x, p.bottom + t), true);
    else
        new CLine(this, CColor::DefaultGray(), CPointF(x, p.bottom - t), CPointF(x, p.bottom + t));
}
