// The chart base: canvas, options, graphs, labels, pie colours, layout and
// the fixed drawing sequence that the chart kinds fill in.
#pragma once

#include <boost/any.hpp>
#include <boost/variant.hpp>

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "chart/engine/Canvas.h"
#include "chart/engine/CanvasBudget.h"
#include "chart/engine/Color.h"
#include "chart/engine/Primitives.h"

// A polymorphic holder of a vector.
template <class T>
class CDataSet {
public:
    CDataSet() = default;
    explicit CDataSet(std::vector<T> items) : data(std::move(items)) {}
    CDataSet(const CDataSet&) = default;
    CDataSet(CDataSet&&) = default;
    CDataSet& operator=(const CDataSet&) = default;
    CDataSet& operator=(CDataSet&&) = default;
    virtual ~CDataSet() = default;

    std::vector<T> data;
};

// One value of a graph: the number and its extra (a bool "exploded" for pie
// items added through the data function).
using CChartValue = std::pair<float, boost::any>;

// The values of one graph as the handlers collect them.
class CChartData : public CDataSet<CChartValue> {
public:
    using CDataSet<CChartValue>::CDataSet;
    ~CChartData() override;
};

// The value axis: from first to last in count steps of step. Doubles holding
// float values (see CPlot::FloatPrecision), so that an axis up to float's
// largest value still has its upper end.
struct CAxisScale {
    std::int32_t count = 0;
    double first = 0.0;
    double last = 0.0;
    double span = 0.0;
    double low = 0.0;
    double high = 0.0;
    double magnitude = 0.0;
    double step = 0.0;
    double range = 0.0;
    double wanted = 0.0;
};

class CPlot : public CPrimitive {
public:
    // Value tags of pie charts.
    enum class ETagMode : std::int32_t { None = 0, Percentage = 1, Values = 2 };

    // Option ids as the creation handler stores them (there is no id 12).
    enum EOption : std::int32_t {
        TitleFontName = 0,
        TitleFontSize = 1,
        TitleFontColor = 2,
        LabelFontName = 3,
        LabelFontSize = 4,
        LabelFontColor = 5,
        LabelPosition = 6,
        HistoryFontName = 7,
        HistoryFontSize = 8,
        HistoryFontColor = 9,
        ShowTags = 10,
        TagsBkColor = 11,
        ShowGrid = 13,
    };

    // Pass wide texts as std::wstring: a bare literal would pick the bool.
    using COptionValue = boost::variant<bool, std::int32_t, std::wstring, CColor, ETagMode>;

    struct CChartDataSeriesType {
        std::vector<CChartValue> values;
        CColor color;
        std::wstring title;
    };
    using CChartDataSeries = CDataSet<CChartDataSeriesType>;

    // historyPosition: 0 legend on the left, 1 on the right.
    CPlot(std::int32_t width, std::int32_t height, std::wstring title, const CColor& background,
          std::int32_t historyPosition, bool jpeg);
    ~CPlot() override;

    // Lays the chart out anew on a cleared canvas and draws it.
    void Draw() override;
    // Writes the canvas to a PNG file; false when it could not be written.
    virtual bool SaveToFile(const std::wstring& path);
    virtual void AddSeries(const CChartData& values, const CColor& colour,
                           const std::wstring& title);
    virtual void SetLabels(const std::vector<std::wstring>& labels);
    virtual void AddPieColors(const std::vector<CColor>& colours);

    // Forgets every graph, maximum and minimum; labels and pie colours stay.
    void ClearSeries();

    // The first value stored for an id stays.
    void SetOption(std::int32_t id, const COptionValue& value);
    // A copy of the stored value; bool false when the id was never stored.
    COptionValue GetOption(std::int32_t id) const;

    // The whole number nearest to value (halves to even), digits grouped by
    // three with spaces.
    static std::wstring FormatValue(float value);
    // Rounds halves to the even neighbour and clamps into the int64 range;
    // NaN gives 0.
    static std::int64_t RoundHalfEven(double value);

    // Value arithmetic runs in double so that sums and products of values
    // near float's limit do not overflow. Each result is rounded to float's
    // precision (24 significant bits; within float's range exactly as float
    // rounds), so data that float could always handle keeps exactly the
    // numbers, and pictures, it had.
    static double FloatPrecision(double x);
    // A coordinate for the drawing layer: the float nearest to x within
    // float's range (NaN stays NaN).
    static float ToGeometry(double x);

    static CAxisScale ComputeAxisScale(double low, double high, double wanted);
    // Pixels above the axis base for v on the value axis; 0 for values
    // without a place on it (infinite, NaN, or no axis above 0).
    double ValueToHeight(double v) const;

    // The canvas; null before it is made.
    CCanvas* GetCanvas() const { return canvas_.get(); }
    // False when the canvas could not be made (sides out of range, no memory).
    bool CanvasUsable() const;

    // Fields (set directly by the handlers and the chart kinds).
    std::int32_t pictureWidth;
    std::int32_t pictureHeight;
    std::int32_t titleBandHeight = 26;
    std::int32_t depth = 10;
    CPadding outerPadding{5, 5, 5, 5};
    CPadding titlePadding{5, 5, 5, 5};
    CPadding chartPadding{15, 15, 15, 15};
    CPadding historyPadding{10, 10, 10, 10};
    bool showHistory = true;
    float chartShare = 0.7f;
    std::wstring title;
    float maximum = 0.0f;
    float minimum = std::numeric_limits<float>::max();
    CText* titleText = nullptr;
    CColor background;
    bool jpeg;
    std::shared_ptr<CRect> pictureRect;
    std::shared_ptr<CRect> areaRect;
    std::shared_ptr<CRect> titleRect;
    std::shared_ptr<CRect> chartRect;
    std::shared_ptr<CRect> historyRect;
    CPadding axisMargins;
    std::shared_ptr<CRect> plotRect;
    std::int32_t historyPosition;
    CChartDataSeries series;
    std::vector<std::wstring> labels;
    std::vector<CColor> pieColors;
    std::map<std::int32_t, COptionValue> options;
    std::wstring labelFontName;
    std::int32_t labelFontSize = 0;
    CColor labelFontColor = CColor::Empty();
    std::wstring historyFontName;
    std::int32_t historyFontSize = 0;
    CColor historyFontColor = CColor::Empty();
    bool showGrid = false;
    std::int32_t labelAngle = 0;
    std::int32_t seriesInset = 0;
    std::int32_t barInset = 1;

protected:
    virtual void CreateCanvas();
    virtual void Layout();
    virtual void CreateTitle();
    virtual void DrawHistory();
    virtual void DrawChart() {}
    virtual void DrawPlotArea();
    virtual void DrawPlotFrame();
    virtual void DrawCategoryAxis() {}
    virtual void DrawAxes();
    virtual void SetMargins();
    virtual void ApplyOptions();

    // The legend at the history rectangle in the history font, without
    // entries yet; null when the layout has no room for a legend.
    CCaption* AddLegend();
    // Every pixel transparent, then the background as the canvas is made.
    void ClearCanvas();
    // The value-axis scale of the chart's data.
    CAxisScale ValueScale() const;
    // Values of the first graph: the number of categories (0 without graphs).
    std::size_t CategoryCount() const;
    // A separator between categories at x: dashed across the plot with the
    // grid shown, else a tick through the category axis.
    void AddCategorySeparator(float x);
    // The c-th value of a graph; std::out_of_range when it has fewer.
    static float ValueAt(const CChartDataSeriesType& graph, std::size_t c);

    // Values far below the axis base lie far outside the picture. Geometry is
    // kept within a band reaching one picture height beyond the plot on
    // both sides, so that what the picture shows is unchanged while the
    // drawing layer never meets coordinates of astronomic size.
    float ClampToBand(double y) const;
    // The polyline cut where it leaves the band and led along the band's
    // edge outside it; the part inside the band is unchanged.
    std::vector<CPointF> ClipToBand(const std::vector<CPointF>& points) const;

private:
    void StartGraphics();
    void StopGraphics();

    struct CScaleCache {
        bool valid = false;
        float maximum = 0.0f;
        CAxisScale scale;
    };
    mutable CScaleCache scaleCache_;
    std::uintptr_t graphicsToken_ = 0;
    CCanvasReservation canvasBudget_;
    CCanvasPtr canvas_;
};
