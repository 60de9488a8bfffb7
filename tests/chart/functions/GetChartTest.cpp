// PVane_GetChart through the host: hand-over of graphs and labels, padding,
// graph order, repeated requests and unknown charts.
#include "FuncTest.h"

namespace {

using namespace functest;

class GetChart : public PluginTest {
protected:
    CallResult Get(const std::u16string& name) { return pvtest::CallText(u"PVane_GetChart", {name}); }
    // The decoded PNG of a container; fails the test when there is none.
    gfx_test::Image Picture(const CallResult& r)
    {
        std::vector<unsigned char> png;
        gfx_test::Image image;
        EXPECT_TRUE(pvtest::StreamOf(r, kPngStream, &png));
        EXPECT_TRUE(gfx_test::DecodePng(png, &image));
        return image;
    }
};

TEST_F(GetChart, ShortGraphsArePaddedToTheLabelsAndKeepThePadding)
{
    ASSERT_EQ(Create(u"bars 2d", u"b"), kOk);
    ASSERT_EQ(Do(u"PVane_AddGraph", {u"b", u"short"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddGraph", {u"b", u"tall"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddData", {u"b", u"short", u"7", u"exploded"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddData", {u"b", u"tall", u"1\r2\r3\r4"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddLabels", {u"b", u"a\rb\rc"}), kOk);

    const CallResult r = Get(u"b");
    EXPECT_EQ(r.type, kFMTypeBinary);
    const CChartEntry& entry = *Entry(L"b");
    EXPECT_EQ(Values(entry.graphs.at(L"short")), (std::vector<float>{7, 0, 0}));
    EXPECT_EQ(Exploded(entry.graphs.at(L"short")), (std::vector<bool>{true, false, false}));
    // A graph with more values than labels is not cut.
    EXPECT_EQ(Values(entry.graphs.at(L"tall")), (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(entry.labels, (std::vector<std::wstring>{L"a", L"b", L"c"}));

    // The chart got the padded values and the labels.
    const auto& series = entry.chart->series.data;
    ASSERT_EQ(series.size(), 2u);
    EXPECT_EQ(series[0].Count(), 3u);
    EXPECT_EQ(series[1].Count(), 4u);
    EXPECT_EQ(entry.chart->labels, entry.labels);

    // Later values come after the padding.
    ASSERT_EQ(Do(u"PVane_AddData", {u"b", u"short", u"9"}), kOk);
    EXPECT_EQ(Values(Entry(L"b")->graphs.at(L"short")), (std::vector<float>{7, 0, 0, 9}));
}

TEST_F(GetChart, PaddingIsCountedNotStored)
{
    // 1,000 graphs of one value and 30,000 labels: the registry and the
    // chart hold the values given and a run of padding per graph; the
    // padding reads as zeros, grows with the labels, and later values come
    // after it.
    ASSERT_EQ(Create(u"bars 2d", u"b"), kOk);
    for (int g = 0; g < 1000; ++g) {
        std::u16string name = u"g";
        for (char digit : std::to_string(1000 + g))
            name += static_cast<char16_t>(digit);
        ASSERT_EQ(Do(u"PVane_AddGraph", {u"b", name}), kOk);
        ASSERT_EQ(Do(u"PVane_AddData", {u"b", name, u"5"}), kOk);
    }
    std::u16string labels = u"x";
    for (int i = 0; i < 30000; ++i)
        labels += u"\rx";
    ASSERT_EQ(Do(u"PVane_AddLabels", {u"b", labels}), kOk);
    ASSERT_EQ(Get(u"b").type, kFMTypeBinary);
    const CChartEntry& entry = *Entry(L"b");
    ASSERT_EQ(entry.labels.size(), 30001u);
    std::size_t stored = 0;
    for (const auto& graph : entry.graphs) {
        stored += graph.second.values.data.size();
        EXPECT_EQ(graph.second.values.Count(), 30001u);
        EXPECT_EQ(graph.second.values.padding.Runs().size(), 1u);
    }
    EXPECT_EQ(stored, 1000u);
    std::size_t handed = 0;
    for (const auto& graph : entry.chart->series.data)
        handed += graph.values.size();
    EXPECT_EQ(handed, 1000u);
    EXPECT_LE(entry.chart->children.size(), 10000u);

    const CGraphRecord& first = entry.graphs.begin()->second;
    EXPECT_EQ(first.values.At(1).first, 0.0f);
    ASSERT_EQ(Do(u"PVane_AddData", {u"b", u"g1000", u"9"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddLabels", {u"b", u"y\ry"}), kOk);
    ASSERT_EQ(Get(u"b").type, kFMTypeBinary);
    const std::vector<float> values = Values(first);
    ASSERT_EQ(values.size(), 30003u);
    EXPECT_EQ(values[0], 5.0f);
    EXPECT_EQ(values[30001], 9.0f);
    EXPECT_EQ(values[30002], 0.0f);
    EXPECT_EQ(first.values.data.size(), 2u);
    EXPECT_EQ(first.values.padding.Runs().size(), 2u);
}

TEST_F(GetChart, APieGetsItsFirstGraphWhole)
{
    // A pie reads its slices one by one: its first graph goes over with the
    // padding as stored zeros (each still takes a slice colour); the
    // registry keeps counting it.
    ASSERT_EQ(Create(u"pie 2d", u"p"), kOk);
    ASSERT_EQ(Do(u"PVane_AddGraph", {u"p", u"a"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddGraph", {u"p", u"b"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddData", {u"p", u"a", u"4"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddLabels", {u"p", u"x\ry\rz"}), kOk);
    ASSERT_EQ(Get(u"p").type, kFMTypeBinary);
    const CChartEntry& entry = *Entry(L"p");
    EXPECT_EQ(entry.graphs.at(L"a").values.data.size(), 1u);
    const auto& series = entry.chart->series.data;
    ASSERT_EQ(series.size(), 2u);
    EXPECT_EQ(series[0].values.size(), 3u);
    EXPECT_EQ(series[0].padding.Total(), 0u);
    EXPECT_EQ(series[1].values.size(), 0u);
    EXPECT_EQ(series[1].Count(), 3u);
    EXPECT_EQ(entry.chart->pieColors.size(), 3u);
}

TEST_F(GetChart, AFirstGraphLongerThanTheLabelsNeedsTheOthersAsLong)
{
    // "long" comes first: its fourth value has no partner in "short", which
    // the padding only brings up to the three labels.
    ASSERT_EQ(Create(u"bars 2d", u"b"), kOk);
    ASSERT_EQ(Do(u"PVane_AddGraph", {u"b", u"long"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddGraph", {u"b", u"short"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddData", {u"b", u"long", u"1\r2\r3\r4"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddData", {u"b", u"short", u"7"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddLabels", {u"b", u"a\rb\rc"}), kOk);
    const CallResult r = Get(u"b");
    EXPECT_EQ(r.type, kFMTypeInvalid);
    EXPECT_EQ(LastResult(), kUnknown);
    EXPECT_EQ(LogLines().back(), "[ERROR] - PVane_GetChart faild. invalid vector<T> subscript");
    EXPECT_EQ(Values(Entry(L"b")->graphs.at(L"short")), (std::vector<float>{7, 0, 0}));

    // One more value mends it.
    ASSERT_EQ(Do(u"PVane_AddData", {u"b", u"short", u"8"}), kOk);
    EXPECT_EQ(Get(u"b").type, kFMTypeBinary);
}

TEST_F(GetChart, NoLabelsNoPadding)
{
    ASSERT_EQ((Create(u"lines", u"l")), kOk);
    ASSERT_EQ(Do(u"PVane_AddGraph", {u"l", u"one"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddGraph", {u"l", u"three"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddData", {u"l", u"one", u"5"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddData", {u"l", u"three", u"1\r2\r3"}), kOk);
    EXPECT_EQ(Get(u"l").type, kFMTypeBinary);
    EXPECT_EQ(Values(Entry(L"l")->graphs.at(L"one")), std::vector<float>{5});
    EXPECT_EQ(Values(Entry(L"l")->graphs.at(L"three")), (std::vector<float>{1, 2, 3}));
}

TEST_F(GetChart, GraphsGoToTheChartInTheOrderOfTheirNames)
{
    ASSERT_EQ((Create(u"bars 3d", u"b")), kOk);
    ASSERT_EQ(Do(u"PVane_AddGraph", {u"b", u"zeta", u"Zeta", u"FF0000"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddGraph", {u"b", u"alpha", u"Alpha", u"0000FF"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddGraph", {u"b", u"Zulu", u"Zulu", u"00FF00"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddData", {u"b", u"zeta", u"1"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddData", {u"b", u"alpha", u"2"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddData", {u"b", u"Zulu", u"3"}), kOk);
    EXPECT_EQ(Get(u"b").type, kFMTypeBinary);

    const auto& series = Entry(L"b")->chart->series.data;
    ASSERT_EQ(series.size(), 3u);
    // Code-unit order: capitals first.
    EXPECT_EQ(series[0].title, L"Zulu");
    EXPECT_EQ(series[1].title, L"Alpha");
    EXPECT_EQ(series[1].color, CColor(0xFF0000FFu));
    EXPECT_EQ(series[1].values.front().first, 2.0f);
    EXPECT_EQ(series[2].title, L"Zeta");
    EXPECT_EQ(series[2].color, CColor(0xFFFF0000u));
}

TEST_F(GetChart, TheSameDataGivesTheSamePictureEveryTime)
{
    for (const char16_t* type : {u"pie 3d", u"bars 2d", u"lines soft"}) {
        ASSERT_EQ((Create(type, type, {{5, u"FFFFFF"}, {6, u"Again"}})), kOk);
        ASSERT_EQ(Do(u"PVane_AddGraph", {type, u"g", u"G", u"336699"}), kOk);
        ASSERT_EQ(Do(u"PVane_AddGraph", {type, u"h", u"H", u"993366"}), kOk);
        ASSERT_EQ(Do(u"PVane_AddPieColors", {type, u"FF0000\r00FF00\r0000FF"}), std::u16string(type).rfind(u"pie", 0) == 0 ? kOk : kIncorrect);
        ASSERT_EQ(Do(u"PVane_AddData", {type, u"g", u"4\r8\r3"}), kOk);
        ASSERT_EQ(Do(u"PVane_AddData", {type, u"h", u"2\r5\r7"}), kOk);
        ASSERT_EQ(Do(u"PVane_AddLabels", {type, u"a\rb\rc"}), kOk);

        const CallResult first = Get(type);
        const CallResult second = Get(type);
        // Each request hands the graphs over once.
        EXPECT_EQ(Entry(std::wstring(type, type + std::char_traits<char16_t>::length(type)))->chart->series.data.size(), 2u);
        std::vector<unsigned char> a, b;
        ASSERT_TRUE(pvtest::StreamOf(first, kPngStream, &a));
        ASSERT_TRUE(pvtest::StreamOf(second, kPngStream, &b));
        EXPECT_TRUE(a == b) << pvtest::Narrow(type);
    }
}

TEST_F(GetChart, AChartWithoutGraphsStillYieldsAPicture)
{
    for (const char16_t* type : {u"pie 2d", u"pie 3d", u"bars 2d", u"bars 3d", u"lines", u"lines soft", u"lines dotted"}) {
        ASSERT_EQ((Create(type, u"empty", {{3, u"300"}, {4, u"200"}, {5, u"FFFFFF"}, {6, u"Nothing"}})), kOk);
        const CallResult r = Get(u"empty");
        ASSERT_EQ(r.type, kFMTypeBinary) << pvtest::Narrow(type);
        const gfx_test::Image image = Picture(r);
        EXPECT_EQ(image.width, 300);
        EXPECT_EQ(image.height, 200);
        EXPECT_EQ(image.At(0, 0), 0xFFFFFFFFu);
        ASSERT_EQ(Do(u"PVane_DestroyChart", {u"empty"}), kOk);
    }
    EXPECT_EQ(LastResult(), kOk);
}

TEST_F(GetChart, ADrawnChartTakesMoreData)
{
    ASSERT_EQ((Create(u"lines", u"l", {{5, u"FFFFFF"}})), kOk);
    ASSERT_EQ(Do(u"PVane_AddGraph", {u"l", u"g", u"G", u"000000"}), kOk);
    ASSERT_EQ(Do(u"PVane_AddData", {u"l", u"g", u"1\r2"}), kOk);
    const gfx_test::Image before = Picture(Get(u"l"));
    ASSERT_EQ(Do(u"PVane_AddData", {u"l", u"g", u"30\r1"}), kOk);
    const gfx_test::Image after = Picture(Get(u"l"));
    EXPECT_EQ(Entry(L"l")->chart->series.data.front().values.size(), 4u);
    EXPECT_NE(before.argb, after.argb);
}

TEST_F(GetChart, UnknownChartGivesAnEmptyResult)
{
    ASSERT_EQ((Create(u"pie 3d", u"p")), kOk);
    const CallResult r = Get(u"P");
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.type, kFMTypeInvalid);
    EXPECT_TRUE(r.streams.empty());
    EXPECT_EQ(LastResult(), kIncorrect);
    EXPECT_EQ(LogLines().back(), "[ERROR] - PVane_GetChart failed. Error number is -3");

    // A picture is the value, never the last-result text.
    const CallResult ok = Get(u"p");
    EXPECT_EQ(ok.type, kFMTypeBinary);
    EXPECT_EQ(LastResult(), kIncorrect);
}

// Values that are not ordinary numbers still give a picture.
TEST_F(GetChart, ExtremeValuesDrawWithoutHarm)
{
    const std::u16string values[] = {u"nan", u"inf\r1", u"-inf\r1", u"3e38\r-3e38", u"-5\r-7",
                                     u"0\r0", u"1e-30\r2e-30"};
    int n = 0;
    for (const char16_t* type : {u"pie 2d", u"pie 3d", u"bars 2d", u"bars 3d", u"lines", u"lines soft", u"lines dotted"}) {
        for (const std::u16string& data : values) {
            const std::u16string name = u"x" + std::u16string(1, char16_t(u'a' + n % 26)) +
                                        std::u16string(1, char16_t(u'a' + n / 26));
            ++n;
            ASSERT_EQ((Create(type, name, {{3, u"320"}, {4, u"240"}, {18, u"values"}})), kOk);
            ASSERT_EQ(Do(u"PVane_AddGraph", {name, u"g", u"G", u"336699"}), kOk);
            ASSERT_EQ(Do(u"PVane_AddData", {name, u"g", data}), kOk);
            ASSERT_EQ(Do(u"PVane_AddLabels", {name, u"a\rb"}), kOk);
            const CallResult r = Get(name);
            EXPECT_EQ(r.error, 0);
            EXPECT_EQ(r.type, kFMTypeBinary) << pvtest::Narrow(type) << " " << pvtest::Narrow(data);
        }
    }
    EXPECT_EQ(LastResult(), kOk);
}

} // namespace
