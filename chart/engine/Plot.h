// The chart base: canvas, options, graphs, labels, pie colours, layout and
// the fixed drawing sequence that the chart kinds fill in.
#pragma once

#include <boost/any.hpp>
#include <boost/variant.hpp>

#include <algorithm>
#include <cstddef>
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

// Zero values that stand in a graph's sequence without being stored: a
// picture request pads a short graph up to the label count, and values
// added later come after the padding. Held as runs, so a thousand graphs
// padded to a million labels hold a few numbers each.
class CPaddedSlots {
public:
    struct CRun {
        std::size_t at;       // position in the sequence
        std::size_t count;
        std::size_t before;   // padded slots before it
    };

    std::size_t Total() const { return total_; }
    // Pads a sequence of `stored` stored values (and the slots padded so
    // far) up to n slots; a longer one is left as it is.
    void PadTo(std::size_t stored, std::size_t n);
    // Of the sequence's positions [first, end): the stored values there are
    // those from *storedFirst up to the returned index; padded slots in it,
    // through *padded.
    std::size_t StoredIn(std::size_t first, std::size_t end, std::size_t* storedFirst,
                         std::size_t* padded) const;
    // The stored index at position c, or npos for a padded slot.
    std::size_t StoredIndex(std::size_t c) const;
    const std::vector<CRun>& Runs() const { return runs_; }
    // Walks the positions [first, end) in stretches: stored(position, stored
    // index, length) for stored values, padded(position, length) for
    // padded slots.
    template <class Stored, class Padded>
    void Walk(std::size_t first, std::size_t end, Stored stored, Padded padded) const
    {
        std::size_t r = static_cast<std::size_t>(
            std::partition_point(runs_.begin(), runs_.end(),
                                 [first](const CRun& run) { return run.at + run.count <= first; }) -
            runs_.begin());
        for (std::size_t at = first; at < end;) {
            if (r < runs_.size() && runs_[r].at <= at) {
                const std::size_t next = std::min(end, runs_[r].at + runs_[r].count);
                padded(at, next - at);
                at = next;
                ++r;
            } else {
                const std::size_t next = r < runs_.size() ? std::min(end, runs_[r].at) : end;
                const std::size_t before = r < runs_.size() ? runs_[r].before : total_;
                stored(at, at - before, next - at);
                at = next;
            }
        }
    }

    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

private:
    // Padded slots before position c.
    std::size_t Before(std::size_t c) const;

    std::vector<CRun> runs_;   // ascending, apart
    std::size_t total_ = 0;
};

// The values of one graph as the handlers collect them.
class CChartData : public CDataSet<CChartValue> {
public:
    using CDataSet<CChartValue>::CDataSet;
    ~CChartData() override;

    // Stored values and padded slots.
    std::size_t Count() const { return data.size() + padding.Total(); }
    // The value at position c: a padded slot reads 0, not exploded.
    const CChartValue& At(std::size_t c) const;
    // Every position as a stored value.
    CChartData Expanded() const;

    CPaddedSlots padding;
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
        // Zeros among the values that are not stored (see CPaddedSlots).
        CPaddedSlots padding;

        // Values and padded slots.
        std::size_t Count() const { return values.size() + padding.Total(); }
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
    // grid shown, else a tick through the category axis. At most one per
    // pixel column (they would lie on one another): false when x's column is
    // `lastColumn`, the column of the caller's last separator, which is kept.
    bool AddCategorySeparator(float x, float& lastColumn);
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
    // The pixel column of the drawing's last category separator.
    std::uintptr_t graphicsToken_ = 0;
    CCanvasReservation canvasBudget_;
    CCanvasPtr canvas_;
};
