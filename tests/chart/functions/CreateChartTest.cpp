// PVane_CreateChart through the host: chart kinds, defaults, keywords,
// integers, colours, options, warnings and the order of the checks.
#include <sys/resource.h>
#include <unistd.h>

#include <boost/variant/get.hpp>
#include <fstream>

#include "FuncTest.h"
#include "chart/engine/BarChart.h"
#include "chart/engine/LinesChart.h"
#include "chart/engine/Pie.h"
#include "chart/engine/gdiplus/Canvas.h"

namespace {

using namespace functest;

const char* const kBackgroundWarning = "[WARNING] - Background color is empty. Using transparent background.";
const char* const kTagsWarning = "[WARNING] - Percentage (values) background color is empty. Using system one.";
const char* const kLongWarning = "[WARNING] - PVPlugin::GetLongFromData got unknown data type";
const char* const kCreateFailed = "[ERROR] - PVane_CreateChart failed. Error number is -3";

class CreateChart : public PluginTest {
protected:
    CPlot& Chart(const std::wstring& name)
    {
        CChartEntry* entry = Entry(name);
        if (!entry)
            throw std::runtime_error("no chart");
        return *entry->chart;
    }
    template <class T>
    T Option(const std::wstring& name, std::int32_t id)
    {
        return boost::get<T>(Chart(name).GetOption(id));
    }
    // Creates a chart with the arguments and answers its background.
    CColor Background(const std::u16string& name, const Arg& colour)
    {
        EXPECT_EQ((Create(u"bars 2d", name, {{5, colour}})), kOk);
        CChartEntry* entry = Entry(std::wstring(name.begin(), name.end()));
        return entry ? entry->chart->background : CColor(0u);
    }
};

TEST_F(CreateChart, TypeInAnyCaseAloneGivesTheDefaults)
{
    EXPECT_EQ((Create(u"Pie 3D", u"p")), kOk);
    ASSERT_EQ(Registry().size(), 1u);
    CPlot& chart = Chart(L"p");
    EXPECT_NE(dynamic_cast<CPie*>(&chart), nullptr);
    EXPECT_EQ(chart.depth, 10);
    EXPECT_EQ(chart.seriesInset, 0);
    EXPECT_EQ(chart.pictureWidth, 640);
    EXPECT_EQ(chart.pictureHeight, 480);
    ASSERT_NE(chart.GetCanvas()->GetBitmap(), nullptr);
    EXPECT_EQ(chart.GetCanvas()->GetBitmap()->GetWidth(), 640u);
    EXPECT_EQ(chart.GetCanvas()->GetBitmap()->GetHeight(), 480u);
    EXPECT_FALSE(chart.jpeg);
    EXPECT_EQ(chart.background, CColor::Empty());
    EXPECT_EQ(chart.title, L"");
    EXPECT_EQ(chart.historyPosition, 1);

    // Thirteen options, one of each id but 12.
    EXPECT_EQ(chart.options.size(), 13u);
    EXPECT_EQ(chart.options.count(12), 0u);
    for (std::int32_t id : {CPlot::TitleFontName, CPlot::LabelFontName, CPlot::HistoryFontName})
        EXPECT_EQ(Option<std::wstring>(L"p", id), L"Times") << id;
    for (std::int32_t id : {CPlot::TitleFontSize, CPlot::LabelFontSize, CPlot::HistoryFontSize})
        EXPECT_EQ(Option<std::int32_t>(L"p", id), 12) << id;
    for (std::int32_t id : {CPlot::TitleFontColor, CPlot::LabelFontColor, CPlot::HistoryFontColor,
                            CPlot::TagsBkColor})
        EXPECT_EQ(Option<CColor>(L"p", id), CColor::Empty()) << id;
    EXPECT_EQ(Option<std::int32_t>(L"p", CPlot::LabelPosition), 0);
    EXPECT_EQ(Option<CPlot::ETagMode>(L"p", CPlot::ShowTags), CPlot::ETagMode::None);
    EXPECT_TRUE(Option<bool>(L"p", CPlot::ShowGrid));

    // The new entry has no data yet, and nothing was logged.
    EXPECT_TRUE(Entry(L"p")->graphs.empty());
    EXPECT_TRUE(Entry(L"p")->labels.empty());
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(CreateChart, EveryTypeKeywordSelectsItsKind)
{
    struct Case {
        std::u16string type;
        std::wstring name;
    };
    const Case cases[] = {{u"PIE 2D", L"a"},   {u"pie 3d", L"b"},     {u"Bars 2D", L"c"},
                          {u"BARS 3d", L"d"},  {u"LINES", L"e"},      {u"Lines Soft", L"f"},
                          {u"lines DOTTED", L"g"}};
    for (const Case& c : cases)
        EXPECT_EQ((Create(c.type, std::u16string(c.name.begin(), c.name.end()))), kOk) << pvtest::Narrow(c.type);

    EXPECT_NE(dynamic_cast<CPie*>(&Chart(L"a")), nullptr);
    EXPECT_EQ(Chart(L"a").depth, 0);
    EXPECT_EQ(Chart(L"a").seriesInset, 5);
    EXPECT_NE(dynamic_cast<CPie*>(&Chart(L"b")), nullptr);
    EXPECT_EQ(Chart(L"b").depth, 10);
    EXPECT_EQ(Chart(L"b").seriesInset, 0);
    EXPECT_NE(dynamic_cast<CVerticalBarChart*>(&Chart(L"c")), nullptr);
    EXPECT_EQ(Chart(L"c").depth, 0);
    EXPECT_EQ(Chart(L"c").seriesInset, 5);
    EXPECT_NE(dynamic_cast<CVerticalBarChart*>(&Chart(L"d")), nullptr);
    EXPECT_EQ(Chart(L"d").depth, 10);
    EXPECT_EQ(Chart(L"d").seriesInset, 0);

    auto* lines = dynamic_cast<CSimpleLinesChart*>(&Chart(L"e"));
    ASSERT_NE(lines, nullptr);
    EXPECT_FALSE(lines->dots);
    EXPECT_FALSE(lines->smooth);
    auto* soft = dynamic_cast<CSoftLinesChart*>(&Chart(L"f"));
    ASSERT_NE(soft, nullptr);
    EXPECT_TRUE(soft->smooth);
    auto* dotted = dynamic_cast<CSimpleLinesChart*>(&Chart(L"g"));
    ASSERT_NE(dotted, nullptr);
    EXPECT_TRUE(dotted->dots);
    EXPECT_FALSE(dotted->smooth);
}

TEST_F(CreateChart, UnknownTypesFailAndLeaveNoChart)
{
    for (const char16_t* type : {u"pie", u"bars", u"pie 3d ", u"lines  soft", u"", u"pie2d"}) {
        EXPECT_EQ((Create(type, u"nopie")), kIncorrect) << pvtest::Narrow(type);
        EXPECT_EQ(Entry(L"nopie"), nullptr) << pvtest::Narrow(type);
    }
    EXPECT_TRUE(Registry().empty());
    const auto lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), kCreateFailed);
}

TEST_F(CreateChart, SecondChartOfTheSameNameChangesNothing)
{
    ASSERT_EQ((Create(u"bars 2d", u"x", {{6, u"first"}})), kOk);
    ASSERT_EQ((Do(u"PVane_AddGraph", {u"x", u"g", u"G", u"FF0000"})), kOk);
    ASSERT_EQ((Do(u"PVane_AddData", {u"x", u"g", u"1\r2"})), kOk);
    ASSERT_EQ((Do(u"PVane_AddLabels", {u"x", u"a"})), kOk);
    const std::shared_ptr<CPlot> first = Entry(L"x")->chart;

    EXPECT_EQ((Create(u"pie 3d", u"x", {{2, u"jpeg"}, {6, u"second"}})), kOk);
    ASSERT_EQ(Registry().size(), 1u);
    CChartEntry& entry = *Entry(L"x");
    EXPECT_EQ(entry.chart, first);
    EXPECT_NE(dynamic_cast<CVerticalBarChart*>(entry.chart.get()), nullptr);
    EXPECT_EQ(entry.chart->title, L"first");
    EXPECT_FALSE(entry.chart->jpeg);
    ASSERT_EQ(entry.graphs.size(), 1u);
    EXPECT_EQ(Values(entry.graphs.at(L"g")), (std::vector<float>{1, 2}));
    EXPECT_EQ(entry.labels, std::vector<std::wstring>{L"a"});
}

TEST_F(CreateChart, NamesAreCaseSensitiveAndMayBeEmpty)
{
    EXPECT_EQ((Create(u"bars 2d", u"Sales")), kOk);
    EXPECT_EQ((Create(u"pie 2d", u"sales")), kOk);
    EXPECT_EQ((Create(u"lines", u"")), kOk);
    ASSERT_EQ(Registry().size(), 3u);
    EXPECT_NE(dynamic_cast<CVerticalBarChart*>(&Chart(L"Sales")), nullptr);
    EXPECT_NE(dynamic_cast<CPie*>(&Chart(L"sales")), nullptr);
    EXPECT_NE(dynamic_cast<CLinesChart*>(&Chart(L"")), nullptr);
    EXPECT_EQ(Entry(L"SALES"), nullptr);
}

TEST_F(CreateChart, CarriageReturnsInTextsBecomeLineFeeds)
{
    EXPECT_EQ((Create(u"bars 2d", u"a\rb", {{6, u"one\rtwo"}, {7, u"F\r"}})), kOk);
    ASSERT_NE(Entry(L"a\nb"), nullptr);
    EXPECT_EQ(Chart(L"a\nb").title, L"one\ntwo");
    EXPECT_EQ(Option<std::wstring>(L"a\nb", CPlot::TitleFontName), L"F\n");
}

TEST_F(CreateChart, FormatKeyword)
{
    EXPECT_EQ((Create(u"lines", u"J", {{2, u"JPEG"}})), kOk);
    EXPECT_EQ((Create(u"lines", u"j", {{2, u"Jpeg"}})), kOk);
    EXPECT_EQ((Create(u"lines", u"jpg", {{2, u"jpg"}})), kOk);
    EXPECT_EQ((Create(u"lines", u"empty", {{2, u""}})), kOk);
    EXPECT_EQ((Create(u"lines", u"png", {{2, u"PNG"}})), kOk);
    EXPECT_TRUE(Chart(L"J").jpeg);
    EXPECT_TRUE(Chart(L"j").jpeg);
    EXPECT_FALSE(Chart(L"jpg").jpeg);
    EXPECT_FALSE(Chart(L"empty").jpeg);
    EXPECT_FALSE(Chart(L"png").jpeg);
}

TEST_F(CreateChart, PictureSidesAreWholeNumbers)
{
    for (const char16_t* width : {u"", u"abc", u"640.5", u"12 pt", u" 640", u"0x20", u"99999999999"}) {
        EXPECT_EQ((Create(u"lines", u"w", {{3, width}})), kIncorrect) << pvtest::Narrow(width);
        EXPECT_EQ((Create(u"lines", u"h", {{4, width}})), kIncorrect) << pvtest::Narrow(width);
    }
    EXPECT_TRUE(Registry().empty());

    // A number counts with its integer part.
    EXPECT_EQ((Create(u"lines", u"n", {{3, Arg::Number(640.9)}, {4, Arg::Number(100.2)}})), kOk);
    EXPECT_EQ(Chart(L"n").pictureWidth, 640);
    EXPECT_EQ(Chart(L"n").pictureHeight, 100);
    EXPECT_EQ(Chart(L"n").GetCanvas()->GetBitmap()->GetWidth(), 640u);
    EXPECT_EQ(Chart(L"n").GetCanvas()->GetBitmap()->GetHeight(), 100u);

    EXPECT_EQ((Create(u"lines", u"t", {{3, u"800"}, {4, u"-0600"}})), kIncorrect);
    EXPECT_EQ((Create(u"lines", u"t", {{3, u"800"}, {4, u"+600"}})), kOk);
    EXPECT_EQ(Chart(L"t").pictureWidth, 800);
    EXPECT_EQ(Chart(L"t").pictureHeight, 600);
}

TEST_F(CreateChart, AnotherTypeOfSideFailsWithAWarning)
{
    EXPECT_EQ((Create(u"lines", u"d", {{3, Arg::Date(700)}})), kIncorrect);
    EXPECT_EQ(Entry(L"d"), nullptr);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{kLongWarning, kCreateFailed}));
}

TEST_F(CreateChart, PictureSidesOutsideTheContainerRangeAreRefused)
{
    for (double side : {0.0, -1.0, -640.0, 32768.0, 100000.0}) {
        EXPECT_EQ((Create(u"bars 2d", u"s", {{3, Arg::Number(side)}})), kIncorrect) << side;
        EXPECT_EQ((Create(u"bars 2d", u"s", {{4, Arg::Number(side)}})), kIncorrect) << side;
    }
    EXPECT_EQ((Create(u"bars 2d", u"s", {{3, u"32768"}})), kIncorrect);
    EXPECT_EQ((Create(u"bars 2d", u"s", {{4, u"-5"}})), kIncorrect);
    EXPECT_TRUE(Registry().empty());

    // The edges of the range are pictures.
    EXPECT_EQ((Create(u"bars 2d", u"one", {{3, u"1"}, {4, u"1"}})), kOk);
    EXPECT_EQ((Create(u"bars 2d", u"wide", {{3, u"32767"}, {4, u"1"}})), kOk);
    EXPECT_EQ(Chart(L"wide").GetCanvas()->GetBitmap()->GetWidth(), 32767u);
    EXPECT_EQ(Registry().size(), 2u);
}

TEST_F(CreateChart, PicturesBeyond8192By8192OrTheLiveBudgetAreRefused)
{
    EXPECT_EQ((Create(u"bars 2d", u"big", {{3, u"8193"}, {4, u"8193"}})), kIncorrect);
    EXPECT_EQ((Create(u"bars 2d", u"big", {{3, u"32767"}, {4, u"32767"}})), kIncorrect);
    EXPECT_EQ((Create(u"lines", u"tall", {{3, u"2049"}, {4, u"32767"}})), kIncorrect);
    EXPECT_TRUE(Registry().empty());

    // Four charts of 8192 x 8192 take the whole gibibyte of canvas memory...
    const std::u16string names[] = {u"a", u"b", u"c", u"d"};
    for (const auto& name : names)
        ASSERT_EQ((Create(u"pie 2d", name, {{3, u"8192"}, {4, u"8192"}})), kOk);
    // ...so the next chart, however small, is refused until one goes.
    EXPECT_EQ((Create(u"pie 2d", u"e", {{3, u"1"}, {4, u"1"}})), kIncorrect);
    EXPECT_EQ(Entry(L"e"), nullptr);
    // A name already taken still keeps its chart and succeeds.
    EXPECT_EQ((Create(u"pie 2d", u"a")), kOk);
    ASSERT_EQ((Do(u"PVane_DestroyChart", {u"a"})), kOk);
    EXPECT_EQ((Create(u"pie 2d", u"e")), kOk);
}

#if defined(__SANITIZE_ADDRESS__)
#define PV_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PV_ADDRESS_SANITIZER 1
#endif
#endif

TEST_F(CreateChart, ACanvasThatCannotBeMadeFailsTheCall)
{
#ifdef PV_ADDRESS_SANITIZER
    GTEST_SKIP() << "the address sanitizer ends the process on a refused allocation";
#else
    // 8192 x 8192 pixels take 256 MiB; leave the process far less room.
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    const rlim_t used = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
    rlimit tight = old;
    tight.rlim_cur = used + (rlim_t(64) << 20);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
    const std::string outcome = Create(u"bars 2d", u"huge", {{3, u"8192"}, {4, u"8192"}});
    ASSERT_EQ(setrlimit(RLIMIT_AS, &old), 0);

    EXPECT_EQ(outcome, kIncorrect);
    EXPECT_EQ(Entry(L"huge"), nullptr);
    EXPECT_TRUE(Registry().empty());
    EXPECT_EQ(Create(u"bars 2d", u"small"), kOk);
#endif
}

TEST_F(CreateChart, ColourTexts)
{
    const CColor red(0xFFFF0000u);
    EXPECT_EQ(Background(u"a", u"255,0,0"), red);
    EXPECT_EQ(Background(u"b", u" 255 , 0 ,\t0 "), red);
    EXPECT_EQ(Background(u"c", u"FF0000"), red);
    EXPECT_EQ(Background(u"d", u"ff0000"), red);
    EXPECT_EQ(Background(u"e", u" 336699 "), CColor(0xFF336699u));
    // Each piece keeps its low byte.
    EXPECT_EQ(Background(u"f", u"256,0,0"), CColor(0xFF000000u));
    EXPECT_EQ(Background(u"g", u"-1,1,2"), CColor(0xFFFF0102u));
    EXPECT_TRUE(LogLines().empty());

    // Not colours: the background stays empty with a warning each.
    for (const char16_t* text : {u"FF00", u"1,2", u"", u"1,2,3,4", u"red", u"FF00000"})
        EXPECT_EQ(Background(text, text), CColor::Empty()) << pvtest::Narrow(text);
    EXPECT_EQ(Background(u"number", Arg::Number(255)), CColor::Empty());
    const auto lines = LogLines();
    EXPECT_EQ(lines, std::vector<std::string>(7, kBackgroundWarning));
}

TEST_F(CreateChart, SixCharactersThatAreNotAllHexDigitsCountAsZero)
{
    EXPECT_EQ(Background(u"g", u"GG8000"), CColor(0xFF008000u));
    EXPECT_EQ(LogLines(), std::vector<std::string>(2, "[ERROR] - Invalid charactare '71' in hex number"));
    EXPECT_EQ(LastResult(), kOk);
}

TEST_F(CreateChart, ThreePiecesThatAreNotNumbersFailWithUnknownError)
{
    EXPECT_EQ((Create(u"lines", u"bg", {{5, u"1,x,3"}})), kUnknown);
    EXPECT_EQ((Create(u"lines", u"title", {{9, u"1,x,3"}})), kUnknown);
    EXPECT_EQ((Create(u"lines", u"tags", {{19, u"1,2,"}})), kUnknown);
    EXPECT_EQ((Create(u"lines", u"fraction", {{13, u"1.5,2,3"}})), kUnknown);
    EXPECT_TRUE(Registry().empty());
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 4u);
    for (const auto& line : lines) {
        EXPECT_EQ(line.rfind("[ERROR] - PVane_CreateChart faild. ", 0), 0u) << line;
        EXPECT_NE(line.find("bad lexical cast"), std::string::npos) << line;
    }
}

TEST_F(CreateChart, FontColoursMustBeColourTexts)
{
    for (int position : {9, 13, 17}) {
        for (const Arg& colour : {Arg(u""), Arg(u"FF00"), Arg(u"1,2"), Arg::Number(255)}) {
            EXPECT_EQ((Create(u"lines", u"c", {{position, colour}})), kIncorrect) << position;
            EXPECT_EQ(Entry(L"c"), nullptr);
        }
    }
    EXPECT_EQ((Create(u"lines", u"ok",
                          {{9, u"255,0,0"}, {13, u" 0 , 0 , 255 "}, {17, u"00FF00"}})), kOk);
    EXPECT_EQ(Option<CColor>(L"ok", CPlot::TitleFontColor), CColor(0xFFFF0000u));
    EXPECT_EQ(Option<CColor>(L"ok", CPlot::LabelFontColor), CColor(0xFF0000FFu));
    EXPECT_EQ(Option<CColor>(L"ok", CPlot::HistoryFontColor), CColor(0xFF00FF00u));
}

TEST_F(CreateChart, TagsColourThatIsNotAColourOnlyWarns)
{
    EXPECT_EQ((Create(u"pie 2d", u"a", {{19, u""}})), kOk);
    EXPECT_EQ((Create(u"pie 2d", u"b", {{19, Arg::Number(7)}})), kOk);
    EXPECT_EQ((Create(u"pie 2d", u"c", {{19, u"FFFFE1"}})), kOk);
    EXPECT_EQ(Option<CColor>(L"a", CPlot::TagsBkColor), CColor::Empty());
    EXPECT_EQ(Option<CColor>(L"b", CPlot::TagsBkColor), CColor::Empty());
    EXPECT_EQ(Option<CColor>(L"c", CPlot::TagsBkColor), CColor(0xFFFFFFE1u));
    EXPECT_EQ(LogLines(), std::vector<std::string>(2, kTagsWarning));
}

TEST_F(CreateChart, FontSizes)
{
    EXPECT_EQ((Create(u"lines", u"a", {{8, u"20"}, {12, Arg::Number(9.7)}, {16, u"-3"}})), kOk);
    EXPECT_EQ(Option<std::int32_t>(L"a", CPlot::TitleFontSize), 20);
    EXPECT_EQ(Option<std::int32_t>(L"a", CPlot::LabelFontSize), 9);
    EXPECT_EQ(Option<std::int32_t>(L"a", CPlot::HistoryFontSize), -3);
    for (int position : {8, 12, 16})
        for (const Arg& size : {Arg(u""), Arg(u"12 pt"), Arg(u"12.5"), Arg::Date(3)})
            EXPECT_EQ((Create(u"lines", u"b", {{position, size}})), kIncorrect) << position;
    EXPECT_EQ(Registry().size(), 1u);
}

TEST_F(CreateChart, KeywordOptions)
{
    EXPECT_EQ((Create(u"pie 2d", u"a",
                          {{10, u"VERTICAL"}, {14, u"Left"}, {18, u"values"}, {20, u"HIDEGRID"}})), kOk);
    EXPECT_EQ(Option<std::int32_t>(L"a", CPlot::LabelPosition), 270);
    EXPECT_EQ(Chart(L"a").historyPosition, 0);
    EXPECT_EQ(Option<CPlot::ETagMode>(L"a", CPlot::ShowTags), CPlot::ETagMode::Values);
    EXPECT_FALSE(Option<bool>(L"a", CPlot::ShowGrid));

    EXPECT_EQ((Create(u"pie 2d", u"b",
                          {{10, u"horizontal"}, {14, u"right"}, {18, u"PERCENTAGE"}, {20, u"showGrid"}})), kOk);
    EXPECT_EQ(Option<std::int32_t>(L"b", CPlot::LabelPosition), 0);
    EXPECT_EQ(Chart(L"b").historyPosition, 1);
    EXPECT_EQ(Option<CPlot::ETagMode>(L"b", CPlot::ShowTags), CPlot::ETagMode::Percentage);
    EXPECT_TRUE(Option<bool>(L"b", CPlot::ShowGrid));

    EXPECT_EQ((Create(u"pie 2d", u"c", {{10, u"auto"}, {14, u""}, {18, u"none"}, {20, u""}})), kOk);
    EXPECT_EQ(Option<std::int32_t>(L"c", CPlot::LabelPosition), 0);
    EXPECT_EQ(Chart(L"c").historyPosition, 1);
    EXPECT_EQ(Option<CPlot::ETagMode>(L"c", CPlot::ShowTags), CPlot::ETagMode::None);
    EXPECT_TRUE(Option<bool>(L"c", CPlot::ShowGrid));

    // Near misses are not keywords.
    EXPECT_EQ((Create(u"pie 2d", u"d",
                          {{10, u"vertical "}, {14, u"lefty"}, {18, u"value"}, {20, u"hide"}})), kOk);
    EXPECT_EQ(Option<std::int32_t>(L"d", CPlot::LabelPosition), 0);
    EXPECT_EQ(Chart(L"d").historyPosition, 1);
    EXPECT_EQ(Option<CPlot::ETagMode>(L"d", CPlot::ShowTags), CPlot::ETagMode::None);
    EXPECT_TRUE(Option<bool>(L"d", CPlot::ShowGrid));
}

TEST_F(CreateChart, FontNamesAndTitle)
{
    EXPECT_EQ((Create(u"bars 3d", u"a",
                          {{6, u"Sales 2026"}, {7, u""}, {11, u"Liberation Sans"}, {15, u"DejaVu Sans"}})), kOk);
    EXPECT_EQ(Chart(L"a").title, L"Sales 2026");
    EXPECT_EQ(Option<std::wstring>(L"a", CPlot::TitleFontName), L"");
    EXPECT_EQ(Option<std::wstring>(L"a", CPlot::LabelFontName), L"Liberation Sans");
    EXPECT_EQ(Option<std::wstring>(L"a", CPlot::HistoryFontName), L"DejaVu Sans");
    // A name of 100,000 characters keeps its first 256.
    const std::u16string longName(100000, u'F');
    EXPECT_EQ((Create(u"lines", u"long", {{7, longName}, {11, longName}, {15, longName}})), kOk);
    for (std::int32_t id : {CPlot::TitleFontName, CPlot::LabelFontName, CPlot::HistoryFontName})
        EXPECT_EQ(Option<std::wstring>(L"long", id), std::wstring(256, L'F')) << id;
}

TEST_F(CreateChart, OrderOfTheChecks)
{
    // The background is read (and warned about) before the type is known.
    EXPECT_EQ((Create(u"pie", u"a", {{5, u"FF00"}})), kIncorrect);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{kBackgroundWarning, kCreateFailed}));

    // A bad width fails before the background is read.
    log_ = std::make_unique<gfx_test::LogCapture>();
    EXPECT_EQ((Create(u"lines", u"b", {{3, u"abc"}, {5, u"FF00"}})), kIncorrect);
    EXPECT_EQ(LogLines(), std::vector<std::string>{kCreateFailed});

    // The history font size fails before the tags colour is read.
    log_ = std::make_unique<gfx_test::LogCapture>();
    EXPECT_EQ((Create(u"lines", u"c", {{5, u""}, {16, u"x"}, {19, u""}})), kIncorrect);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{kBackgroundWarning, kCreateFailed}));

    // The unknown type fails before any option is read: a bad title font
    // colour does not turn -3 into -5.
    EXPECT_EQ((Create(u"chart", u"d", {{9, u"1,x,3"}})), kIncorrect);
    EXPECT_TRUE(Registry().empty());
}

} // namespace
