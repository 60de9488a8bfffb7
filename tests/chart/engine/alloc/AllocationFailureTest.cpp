// Memory running out at any single allocation while primitives are made or a
// chart is built and drawn: every run ends in std::bad_alloc or in a whole
// picture, nothing is freed twice or lost (the sanitizer build checks), and
// a chart whose draw failed draws the same picture as a fresh one afterwards.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "FailingNew.h"
#include "chart/engine/BarChart.h"
#include "chart/engine/LinesChart.h"
#include "chart/engine/Pie.h"
#include "platform/gdiplus/Gdiplus.h"
#include "platform/gdiplus/Recording.h"
#include "support/ChartSupport.h"

namespace {

// Counts the live instances; holds memory of its own besides.
struct Counted : CPrimitive {
    explicit Counted(const std::wstring& name) : CPrimitive(CColor()), label(name), marks(3, 1.0f)
    {
        ++alive;
    }
    ~Counted() override { --alive; }
    std::wstring label;
    std::vector<float> marks;
    static int alive;
};
int Counted::alive = 0;

// For n = 0, 1, 2, ...: prepare, then run step with the allocation after n
// good ones failing, then check(threw) the outcome; until a run no longer
// reaches the failure. The number of runs that failed.
std::size_t EveryAllocation(const std::function<void()>& prepare,
                            const std::function<void()>& step,
                            const std::function<void(bool)>& check)
{
    std::size_t failures = 0;
    for (std::size_t n = 0;; ++n) {
        prepare();
        bool threw = false;
        pvtest::ArmAllocationFailure(n);
        try {
            step();
        } catch (const std::bad_alloc&) {
            threw = true;
        }
        const bool failed = pvtest::DisarmAllocationFailure();
        // Only the failure itself may end a run early.
        EXPECT_TRUE(failed || !threw) << n;
        check(threw);
        if (!failed || ::testing::Test::HasFatalFailure())
            break;
        ++failures;
    }
    return failures;
}

const std::wstring kName(40, L'x');   // longer than any short-string buffer

} // namespace

TEST(AllocationFailure, FactoryHandsOverOnceOrNotAtAll)
{
    Gdiplus::Bitmap bitmap(20, 20);
    Gdiplus::Graphics graphics(&bitmap);
    {
        CPrimitive root(&graphics);
        for (int i = 0; i < 3; ++i)
            root.Add<Counted>(kName);
        root.children.shrink_to_fit();
        ASSERT_EQ(root.children.capacity(), root.children.size());

        std::size_t expected = root.children.size();
        const std::size_t failures = EveryAllocation(
            [] {},
            [&root] {
                Counted& made = root.Add<Counted>(kName);
                EXPECT_EQ(made.parent, &root);
                EXPECT_EQ(root.children.back().get(), &made);
            },
            [&root, &expected](bool threw) {
                if (!threw)
                    ++expected;
                // A failed hand-over leaves the list as it was and frees the
                // child once; a good one leaves exactly one more.
                EXPECT_EQ(root.children.size(), expected);
                EXPECT_EQ(Counted::alive, static_cast<int>(expected));
                for (const auto& child : root.children)
                    EXPECT_EQ(child->parent, &root);
            });
        // The shared block, the name, the marks and the list's growth.
        EXPECT_GE(failures, 4u);
    }
    EXPECT_EQ(Counted::alive, 0);
}

namespace {

struct Kind {
    const char* name;
    std::function<std::unique_ptr<CPlot>()> make;
};

std::vector<Kind> Kinds()
{
    return {
        {"pie3d",
         [] {
             return std::unique_ptr<CPlot>(new CPie(200, 150, L"pie", CColor::White(), 1, false));
         }},
        {"bars3d",
         [] {
             return std::unique_ptr<CPlot>(
                 new CVerticalBarChart(200, 150, L"bars", CColor::White(), 0, false));
         }},
        {"linesDotted",
         [] {
             return std::unique_ptr<CPlot>(
                 new CSimpleLinesChart(200, 150, L"dots", CColor::White(), 1, false, true));
         }},
        {"linesSoft",
         [] {
             return std::unique_ptr<CPlot>(
                 new CSoftLinesChart(200, 150, L"soft", CColor::White(), 1, false));
         }},
    };
}

// What a picture request hands over: options, two graphs, labels.
void Fill(CPlot& chart)
{
    pvtest::ChartOptions options;
    options.tags = CPlot::ETagMode::Values;
    options.grid = true;
    pvtest::SetOptions(chart, options);
    chart.AddPieColors({CColor(0xFF3366CCu), CColor(0xFFCC3333u), CColor(0xFF33CC66u),
                        CColor(0xFFCCCC33u)});
    CChartData first = pvtest::Values({3, 1234567, 2, 5});
    first.data[1].second = boost::any(true);   // an exploded slice
    chart.AddSeries(first, CColor(0xFF3366CCu), L"first graph");
    chart.AddSeries(pvtest::Values({4, 2, 6, 1}), CColor(0xFFCC3333u), L"second graph");
    chart.SetLabels({L"north", L"east", L"south", L"west"});
}

std::vector<std::string> Recorded(CPlot& chart)
{
    Gdiplus::Recording recording;
    chart.Draw();
    return recording.Lines();
}

} // namespace

TEST(AllocationFailure, EveryChartKindBuildsAndDrawsOrFailsCleanly)
{
    for (const Kind& kind : Kinds()) {
        SCOPED_TRACE(kind.name);
        std::vector<std::string> reference;
        {
            auto chart = kind.make();
            Fill(*chart);
            reference = Recorded(*chart);
        }
        ASSERT_FALSE(reference.empty());

        // Building the chart and handing the data over.
        EveryAllocation(
            [] {},
            [&kind] {
                auto chart = kind.make();
                Fill(*chart);
            },
            [](bool) {});

        // Drawing: a draw that failed leaves a chart that draws as a fresh one
        // (looked at after every third failure, which keeps the sanitizer
        // run short).
        std::unique_ptr<CPlot> chart;
        std::size_t run = 0;
        const std::size_t failures = EveryAllocation(
            [&kind, &chart] {
                chart = kind.make();
                Fill(*chart);
            },
            [&chart] { chart->Draw(); },
            [&chart, &reference, &run](bool threw) {
                if (threw && run++ % 3 == 0) {
                    ASSERT_EQ(Recorded(*chart), reference);
                }
            });
        EXPECT_GT(failures, 100u);
    }
}
