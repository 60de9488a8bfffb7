// The registry's data functions through the host: graphs, values, labels,
// pie colours and destruction.
#include <boost/lexical_cast.hpp>

#include <cmath>
#include <random>
#include <string>

#include "FuncTest.h"
#include "chart/engine/Pie.h"

namespace {

using namespace functest;

const char* const kColourWarning = "[WARNING] - PVPlugin::GetColorFromData got unknown data type";

class DataFunctions : public PluginTest {
protected:
    void SetUp() override
    {
        PluginTest::SetUp();
        ASSERT_EQ((Create(u"bars 2d", u"b")), kOk);
        ASSERT_EQ((Create(u"pie 2d", u"p")), kOk);
        ASSERT_EQ((Do(u"PVane_AddGraph", {u"b", u"g"})), kOk);
        ASSERT_EQ((Do(u"PVane_AddGraph", {u"p", u"g"})), kOk);
    }
    CGraphRecord& Graph(const std::wstring& chart = L"b", const std::wstring& graph = L"g")
    {
        return Entry(chart)->graphs.at(graph);
    }
    std::string AddData(const std::vector<Arg>& args) { return (Do(u"PVane_AddData", args)); }
};

TEST_F(DataFunctions, ValuesOfAText)
{
    EXPECT_EQ(AddData({u"b", u"g", u"1\r\r2.5\r"}), kOk);
    EXPECT_EQ(Values(Graph()), (std::vector<float>{1, 0, 2.5f, 0}));
    // Every control character separates; line feeds, tabs and others alike.
    EXPECT_EQ(AddData({u"b", u"g", u"-4\n5\t6\x01" u"7\x7F" u"8"}), kOk);
    EXPECT_EQ(Values(Graph()), (std::vector<float>{1, 0, 2.5f, 0, -4, 5, 6, 7, 8}));
    EXPECT_EQ(Exploded(Graph()), std::vector<bool>(9, false));
}

TEST_F(DataFunctions, PiecesAreConvertedWholeOrCountAsZero)
{
    EXPECT_EQ(AddData({u"b", u"g", u" 1\r1 \r1,5\rabc\r1e2\r.5\r12 pt"}), kOk);
    EXPECT_EQ(Values(Graph()), (std::vector<float>{0, 0, 0, 0, 100, 0.5f, 0}));
    // Pieces that read as no finite number count as 0 too.
    EXPECT_EQ(AddData({u"b", u"g", u"inf\r-INF\rnan\r1e39\r3.4e38"}), kOk);
    EXPECT_EQ(Values(Graph()), (std::vector<float>{0, 0, 0, 0, 100, 0.5f, 0, 0, 0, 0, 0, 3.4e38f}));
}

TEST_F(DataFunctions, PlainDecimalsReadAsBoostsLexicalCastReadsThem)
{
    // Plain decimals are read without a stream: the same floats as
    // boost::lexical_cast gives, for short and long digit strings (up to
    // and past the 24 characters read directly), halfway cases, leading
    // zeros, -0 and signs, in one list of thousands.
    std::mt19937 random(3);
    std::vector<std::string> pieces = {"0", "-0", "007", "+5", "16777217", "16777219", "0.1",
                                       "3.4028235e38", "1.00000005960464477539", "-"};
    for (int i = 0; i < 4000; ++i) {
        std::string piece = random() % 4 == 0 ? "-" : "";
        const int whole = 1 + static_cast<int>(random() % 14);
        const int fraction = static_cast<int>(random() % 14);
        for (int k = 0; k < whole; ++k)
            piece += static_cast<char>('0' + random() % 10);
        if (fraction > 0) {
            piece += '.';
            for (int k = 0; k < fraction; ++k)
                piece += static_cast<char>('0' + random() % 10);
        }
        pieces.push_back(piece);
    }
    std::u16string list;
    std::vector<float> expected;
    for (const std::string& piece : pieces) {
        list += (list.empty() ? u"" : u"\r") + std::u16string(piece.begin(), piece.end());
        float value = 0.0f;
        try {
            value = boost::lexical_cast<float>(std::wstring(piece.begin(), piece.end()));
        } catch (const boost::bad_lexical_cast&) {
        }
        expected.push_back(std::isfinite(value) ? value : 0.0f);
    }
    ASSERT_EQ(AddData({u"b", u"g", list}), kOk);
    const std::vector<float> values = Values(Graph());
    ASSERT_EQ(values.size(), expected.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(std::signbit(values[i]), std::signbit(expected[i])) << pieces[i];
        EXPECT_EQ(values[i], expected[i]) << pieces[i];
    }
}

TEST_F(DataFunctions, ANumberCountsWithItsIntegerPart)
{
    EXPECT_EQ(AddData({u"b", u"g", Arg::Number(3.7)}), kOk);
    EXPECT_EQ(AddData({u"b", u"g", Arg::Number(-2.9)}), kOk);
    EXPECT_EQ(Values(Graph()), (std::vector<float>{3, -2}));
}

TEST_F(DataFunctions, DataOfAnotherTypeFails)
{
    EXPECT_EQ(AddData({u"b", u"g", Arg::Date(10)}), kIncorrect);
    EXPECT_TRUE(Graph().values.data.empty());
    EXPECT_EQ(LogLines().back(), "[ERROR] - PVane_AddData failed. Error number is -3");
}

TEST_F(DataFunctions, ExplodedMarksOnlyThatCallsValues)
{
    EXPECT_EQ(AddData({u"p", u"g", u"1\r2", u"EXPLODED"}), kOk);
    EXPECT_EQ(AddData({u"p", u"g", u"3"}), kOk);
    EXPECT_EQ(AddData({u"p", u"g", u"4", u"Exploded"}), kOk);
    EXPECT_EQ(AddData({u"p", u"g", u"5", u"explode"}), kOk);
    EXPECT_EQ(AddData({u"p", u"g", u"6", u""}), kOk);
    EXPECT_EQ(Values(Graph(L"p")), (std::vector<float>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Exploded(Graph(L"p")), (std::vector<bool>{true, true, false, true, false, false}));

    // A bars chart keeps the flag too.
    EXPECT_EQ(AddData({u"b", u"g", u"7", u"exploded"}), kOk);
    EXPECT_EQ(Exploded(Graph()), std::vector<bool>{true});
}

TEST_F(DataFunctions, MissingChartOrGraphAddsNothing)
{
    EXPECT_EQ(AddData({u"b", u"never", u"1\r2"}), kIncorrect);
    EXPECT_EQ(AddData({u"nochart", u"g", u"1"}), kIncorrect);
    EXPECT_EQ(AddData({u"B", u"g", u"1"}), kIncorrect);
    EXPECT_EQ(AddData({u"b", u"G", u"1"}), kIncorrect);
    EXPECT_TRUE(Graph().values.data.empty());
    EXPECT_EQ(Entry(L"b")->graphs.size(), 1u);
    EXPECT_EQ(Entry(L"b")->graphs.count(L"never"), 0u);
}

TEST_F(DataFunctions, AddGraphTwiceKeepsTheFirst)
{
    ASSERT_EQ((Do(u"PVane_AddGraph", {u"b", u"h", u"First", u"FF0000"})), kOk);
    ASSERT_EQ(AddData({u"b", u"h", u"1\r2"}), kOk);
    EXPECT_EQ((Do(u"PVane_AddGraph", {u"b", u"h", u"Second", u"00FF00"})), kOk);
    const CGraphRecord& h = Graph(L"b", L"h");
    EXPECT_EQ(h.title, L"First");
    EXPECT_EQ(h.colour, CColor(0xFFFF0000u));
    EXPECT_EQ(Values(h), (std::vector<float>{1, 2}));
    EXPECT_EQ(Entry(L"b")->graphs.size(), 2u);
}

TEST_F(DataFunctions, GraphColours)
{
    ASSERT_EQ((Do(u"PVane_AddGraph", {u"b", u"none", u"No colour"})), kOk);
    ASSERT_EQ((Do(u"PVane_AddGraph", {u"b", u"empty", u"", u""})), kOk);
    ASSERT_EQ((Do(u"PVane_AddGraph", {u"b", u"short", u"", u"FF00"})), kOk);
    ASSERT_EQ((Do(u"PVane_AddGraph", {u"b", u"number", u"", Arg::Number(255)})), kOk);
    ASSERT_EQ((Do(u"PVane_AddGraph", {u"b", u"blue", u"Blue\rline", u"0,0,255"})), kOk);

    EXPECT_EQ(Graph(L"b", L"none").colour, CColor::Empty());
    EXPECT_EQ(Graph(L"b", L"none").title, L"No colour");
    for (const wchar_t* name : {L"empty", L"short", L"number"}) {
        const CColor& c = Graph(L"b", name).colour;
        EXPECT_FALSE(c.empty) << name;
        EXPECT_EQ(c.A(), 0xFF) << name;
    }
    EXPECT_EQ(Graph(L"b", L"blue").colour, CColor(0xFF0000FFu));
    EXPECT_EQ(Graph(L"b", L"blue").title, L"Blue\nline");
    // The title of a graph without one is empty.
    EXPECT_EQ(Graph().title, L"");
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(DataFunctions, AddGraphFailures)
{
    EXPECT_EQ((Do(u"PVane_AddGraph", {u"missing", u"g"})), kIncorrect);
    EXPECT_EQ(Entry(L"missing"), nullptr);
    EXPECT_EQ((Do(u"PVane_AddGraph", {u"b", u"bad", u"", u"1,x,3"})), kUnknown);
    EXPECT_EQ(Entry(L"b")->graphs.count(L"bad"), 0u);
}

TEST_F(DataFunctions, Labels)
{
    EXPECT_EQ((Do(u"PVane_AddLabels", {u"b", u"a\r\rb"})), kOk);
    EXPECT_EQ((Do(u"PVane_AddLabels", {u"b", Arg::Number(3.9)})), kOk);
    EXPECT_EQ((Do(u"PVane_AddLabels", {u"b", u"c\r"})), kOk);
    EXPECT_EQ((Do(u"PVane_AddLabels", {u"b", u""})), kOk);
    EXPECT_EQ(Entry(L"b")->labels, (std::vector<std::wstring>{L"a", L"0", L"b", L"3", L"c", L"0", L"0"}));

    EXPECT_EQ((Do(u"PVane_AddLabels", {u"b", Arg::Date(3)})), kIncorrect);
    EXPECT_EQ((Do(u"PVane_AddLabels", {u"missing", u"x"})), kIncorrect);
    EXPECT_EQ(Entry(L"b")->labels.size(), 7u);
}

TEST_F(DataFunctions, PieColours)
{
    EXPECT_EQ((Do(u"PVane_AddPieColors", {u"p", u"FF0000\rxyz"})), kOk);
    std::vector<CColor> colours = Entry(L"p")->chart->pieColors;
    ASSERT_EQ(colours.size(), 2u);
    EXPECT_EQ(colours[0], CColor(0xFFFF0000u));
    EXPECT_FALSE(colours[1].empty);
    EXPECT_EQ(colours[1].A(), 0xFF);

    // They are appended at once; an empty piece gets a random colour too.
    EXPECT_EQ((Do(u"PVane_AddPieColors", {u"p", u"0,0,255\r\r00FF00"})), kOk);
    colours = Entry(L"p")->chart->pieColors;
    ASSERT_EQ(colours.size(), 5u);
    EXPECT_EQ(colours[2], CColor(0xFF0000FFu));
    EXPECT_FALSE(colours[3].empty);
    EXPECT_EQ(colours[4], CColor(0xFF00FF00u));

    // Colours split at every control character, as values and labels do
    // (U+0085 is a control character too).
    EXPECT_EQ((Do(u"PVane_AddPieColors", {u"p", u"0000FF\u0085FF0000\tF0F0F0"})), kOk);
    colours = Entry(L"p")->chart->pieColors;
    ASSERT_EQ(colours.size(), 8u);
    EXPECT_EQ(colours[5], CColor(0xFF0000FFu));
    EXPECT_EQ(colours[6], CColor(0xFFFF0000u));
    EXPECT_EQ(colours[7], CColor(0xFFF0F0F0u));
}

TEST_F(DataFunctions, PieColoursThatAddNothing)
{
    EXPECT_EQ((Do(u"PVane_AddPieColors", {u"p", u""})), kOk);
    EXPECT_EQ((Do(u"PVane_AddPieColors", {u"p", Arg::Number(255)})), kOk);
    EXPECT_TRUE(Entry(L"p")->chart->pieColors.empty());
    EXPECT_EQ(LogLines(), std::vector<std::string>{kColourWarning});

    EXPECT_EQ((Do(u"PVane_AddPieColors", {u"p", u"FF0000\r1,x,3"})), kUnknown);
    EXPECT_TRUE(Entry(L"p")->chart->pieColors.empty());
}

TEST_F(DataFunctions, PieColoursOnlyForPies)
{
    EXPECT_EQ((Do(u"PVane_AddPieColors", {u"b", u"FF0000"})), kIncorrect);
    EXPECT_TRUE(Entry(L"b")->chart->pieColors.empty());
    EXPECT_EQ((Do(u"PVane_AddPieColors", {u"missing", u"FF0000"})), kIncorrect);
    // The colours are read before the chart is looked up.
    log_ = std::make_unique<gfx_test::LogCapture>();
    EXPECT_EQ((Do(u"PVane_AddPieColors", {u"b", Arg::Number(1)})), kIncorrect);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{
                              kColourWarning, "[ERROR] - PVane_AddPieColors failed. Error number is -3"}));
}

TEST_F(DataFunctions, DestroyChart)
{
    std::weak_ptr<CPlot> chart = Entry(L"b")->chart;
    EXPECT_EQ((Do(u"PVane_DestroyChart", {u"B"})), kIncorrect);
    EXPECT_NE(Entry(L"b"), nullptr);
    EXPECT_EQ((Do(u"PVane_DestroyChart", {u"b"})), kOk);
    EXPECT_EQ(Entry(L"b"), nullptr);
    EXPECT_TRUE(chart.expired());
    EXPECT_EQ((Do(u"PVane_DestroyChart", {u"b"})), kIncorrect);
    EXPECT_EQ((Do(u"PVane_DestroyChart", {u"unknown"})), kIncorrect);
    EXPECT_EQ(Registry().size(), 1u);

    // Every data function now misses it; the name can be used again.
    EXPECT_EQ((Do(u"PVane_AddGraph", {u"b", u"g"})), kIncorrect);
    EXPECT_EQ((Do(u"PVane_AddLabels", {u"b", u"a"})), kIncorrect);
    EXPECT_EQ((Create(u"lines", u"b")), kOk);
    EXPECT_TRUE(Entry(L"b")->graphs.empty());
}

} // namespace
