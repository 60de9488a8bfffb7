// Sample pictures of every chart kind, written to bin/pictures for a look;
// each must show ink in its plot area and in its legend.
#include <gtest/gtest.h>

#include "chart/engine/BarChart.h"
#include "chart/engine/LinesChart.h"
#include "chart/engine/Pie.h"
#include "chart/engine/gdiplus/Canvas.h"
#include "support/ChartSupport.h"

namespace {

bool Ink(const CPlot& chart, const CRect& r)
{
    for (int y = static_cast<int>(r.top); y < static_cast<int>(r.bottom); ++y) {
        for (int x = static_cast<int>(r.left); x < static_cast<int>(r.right); ++x) {
            Gdiplus::Color c;
            chart.GetCanvas()->GetBitmap()->GetPixel(x, y, &c);
            if (c.GetValue() != 0xFFFFFFFFu)
                return true;
        }
    }
    return false;
}

void Fill(CPlot& chart, bool pie)
{
    pvtest::ChartOptions options;
    options.font = L"Liberation Sans";
    options.grid = true;
    options.tags = CPlot::ETagMode::Percentage;
    pvtest::SetOptions(chart, options);
    if (pie) {
        CChartData values = pvtest::Values({30, 12, 25, 8, 18, 7});
        values.data[1].second = boost::any(true);
        chart.AddSeries(values, CColor(0xFF3366CCu), L"share");
        chart.AddPieColors({CColor(0xFF3366CCu), CColor(0xFFDC3912u), CColor(0xFFFF9900u),
                            CColor(0xFF109618u), CColor(0xFF990099u), CColor(0xFF0099C6u)});
    } else {
        pvtest::AddGraph(chart, {12, 19, 3, 5, 2, 3}, CColor(0xFF3366CCu), L"North region");
        pvtest::AddGraph(chart, {7, 11, 15, 9, 13, 4}, CColor(0xFFDC3912u), L"South");
        pvtest::AddGraph(chart, {2, 6, 8, 14, 10, 17}, CColor(0xFF109618u), L"West");
    }
    chart.SetLabels({L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun"});
}

template <class Chart, class... Extra>
void Render(const std::string& name, std::int32_t depth, std::int32_t inset, bool pie,
            Extra... extra)
{
    Chart chart(640, 480, L"Sales by month", CColor::White(), 1, false, extra...);
    chart.depth = depth;
    chart.seriesInset = inset;
    Fill(chart, pie);
    chart.Draw();
    pvtest::SavePicture(chart, "sample_" + name);
    EXPECT_TRUE(Ink(chart, *chart.plotRect)) << name;
    EXPECT_TRUE(Ink(chart, *chart.historyRect)) << name;
}

} // namespace

TEST(Pictures, EveryKind)
{
    Render<CPie>("pie2d", 0, 5, true);
    Render<CPie>("pie3d", 10, 0, true);
    Render<CVerticalBarChart>("bars2d", 0, 5, false);
    Render<CVerticalBarChart>("bars3d", 10, 0, false);
    Render<CSimpleLinesChart>("lines", 0, 5, false, false);
    Render<CSimpleLinesChart>("linesDotted", 0, 5, false, true);
    Render<CSoftLinesChart>("linesSoft", 0, 5, false);
}
