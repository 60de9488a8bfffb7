#include <gtest/gtest.h>

#include "fmapi/fm_host.h"
#include "fmx/FMWrapper.h"
#include "fmx/Plugin.h"
#include "plugin/PlugIn.h"
#include "support/plugin_harness.h"

namespace {

using namespace pvtest;

TEST(StringRequest, AnsweredBeforeInitialisationAndAfterShutdown)
{
    EXPECT_EQ(RequestString(128), u"Plotvane");
    EXPECT_EQ(RequestString(131), u"PLVN1YnYYnn");
    EXPECT_EQ(RequestString(129), u"Vanecraft Plotvane");
    EXPECT_EQ(Init(), 52);
    EXPECT_EQ(RequestString(128), u"Plotvane");
    Shutdown();
    EXPECT_FALSE(fmx::Plugin::Exists());
    EXPECT_EQ(RequestString(128), u"Plotvane");
}

TEST(StringRequest, OtherIdsGiveAnEmptyStringAndShortBuffersStayUntouched)
{
    EXPECT_EQ(RequestString(130), u"");
    EXPECT_EQ(RequestString(23000 % 256), u"");
    // Capacity 7 cannot hold "Plotvane": nothing is copied.
    EXPECT_EQ(RequestString(128, 7), u"");
    EXPECT_EQ(RequestString(128, 8), u"Plotvane");
}

TEST(StringRequest, NullOutputBufferWritesNothing)
{
    fmapi::CallRecord r = MakeRecord(fmapi::kMsgGetString);
    r.parm1 = 128;
    r.parm3 = 100;
    r.result = 0;
    FMExternCallProc(&r);
    EXPECT_EQ(std::intptr_t(r.result), 0);
}

TEST(Entry, UnsafeRecordsChangeNothing)
{
    fmapi::CallRecord r = MakeRecord(fmapi::kMsgInit);
    r.extnVersion = 52;
    r.unsafeCalls = 1;
    r.result = 1234;
    FMExternCallProc(&r);
    EXPECT_EQ(std::intptr_t(r.result), 1234);
    EXPECT_FALSE(fmx::Plugin::Exists());
    EXPECT_EQ(FMH_Registry_Count(), 0);
}

TEST(Entry, IdleAndPreferencesBeforeInitialisationDoNothing)
{
    for (std::uint8_t kind : {std::uint8_t(fmapi::kMsgIdle), std::uint8_t(fmapi::kMsgAppPrefs), std::uint8_t(fmapi::kMsgShutdown), std::uint8_t(9)}) {
        fmapi::CallRecord r = MakeRecord(kind);
        r.result = 77;
        FMExternCallProc(&r);
        EXPECT_EQ(std::intptr_t(r.result), 77);
    }
    EXPECT_FALSE(fmx::Plugin::Exists());
    EXPECT_EQ(__Quarrow__::PlugIn::Product(), nullptr);
}

TEST(Entry, InitialisationAnswersTheOfferedVersion)
{
    for (std::int16_t v : {std::int16_t(50), std::int16_t(52), std::int16_t(255)}) {
        EXPECT_EQ(Init(v), v);
        EXPECT_TRUE(fmx::Plugin::Exists());
        EXPECT_NE(__Quarrow__::PlugIn::Product(), nullptr);
        EXPECT_EQ(FMH_Registry_Count(), 10);
        Shutdown();
        EXPECT_FALSE(fmx::Plugin::Exists());
        EXPECT_EQ(__Quarrow__::PlugIn::Product(), nullptr);
        EXPECT_EQ(FMH_Registry_Count(), 0);
    }
}

TEST(Entry, OutOfRangeVersionsLeaveTheHostsResultAndDestroyBothObjects)
{
    for (std::int16_t v : {std::int16_t(49), std::int16_t(256)}) {
        EXPECT_EQ(Init(v, u"Pro 11.0v4", 4711), 4711);
        EXPECT_FALSE(fmx::Plugin::Exists());
        EXPECT_EQ(__Quarrow__::PlugIn::Product(), nullptr);
        // The refusal takes the functions back from the host...
        EXPECT_EQ(FMH_Registry_Count(), 0);
    }
    // ...so a later initialisation in the same process gives a working plug-in.
    ASSERT_EQ(Init(52), 52);
    EXPECT_EQ(FMH_Registry_Count(), 10);
    CallResult r = CallText(u"PVane_GetLastResultCode", {});
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.text, u"000 (OK)");
    Shutdown();
}

TEST(Entry, ASecondInitialisationWhileLiveAnswersAsTheFirstAndChangesNothing)
{
    ASSERT_EQ(Init(52), 52);
    ASSERT_EQ(CallText(u"PVane_CreateChart", {u"pie 2d", u"kept"}).text, u"000 (OK)");
    const auto* product = __Quarrow__::PlugIn::Product();
    EXPECT_EQ(Init(60, u"Pro 11.0v4", 4711), 52);
    EXPECT_EQ(Init(49), 52);
    EXPECT_EQ(__Quarrow__::PlugIn::Product(), product);
    EXPECT_EQ(FMH_Registry_Count(), 10);
    // The chart made before is still there.
    EXPECT_EQ(CallText(u"PVane_DestroyChart", {u"kept"}).text, u"000 (OK)");
    Shutdown();
    EXPECT_EQ(FMH_Registry_Count(), 0);
}

TEST(Entry, AfterShutdownCallsAreRefusedOrAnswerMinus2000)
{
    ASSERT_EQ(Init(), 52);
    Shutdown();
    CallResult r = CallText(u"PVane_Version", {});
    EXPECT_NE(r.error, 0);
}

TEST(Framework, UnknownFunctionIdAnswersMinus2000)
{
    ASSERT_EQ(Init(), 52);
    fmx::Data result;
    fmx::DataVect args;
    EXPECT_EQ(__Quarrow__::PlugIn::FunctionCallback(1, nullptr, args.get(), result.get()), -2000);
    EXPECT_EQ(__Quarrow__::PlugIn::FunctionCallback(12, nullptr, args.get(), result.get()), -2000);
    Shutdown();
}

TEST(Framework, RegistryShowsTheFunctionTable)
{
    ASSERT_EQ(Init(), 52);
    struct Row {
        const char16_t* name;
        std::int16_t id, min, max;
        std::uint32_t flags;
    } rows[] = {{u"PVane_Version", 0, 0, 1, 0x00FF01},      {u"PVane_SetupLog", 3, 0, 2, 0x00FF01},
                {u"PVane_CreateChart", 4, 2, 21, 0x00FF01}, {u"PVane_AddGraph", 5, 2, 4, 0x00FF01},
                {u"PVane_AddData", 6, 3, 4, 0x00FF01},      {u"PVane_AddLabels", 7, 2, 2, 0x00FF01},
                {u"PVane_GetChart", 8, 1, 1, 0x00FF01},     {u"PVane_DestroyChart", 9, 1, 1, 0x00FF01},
                {u"PVane_AddPieColors", 10, 2, 2, 0x00FF01}, {u"PVane_GetLastResultCode", 11, 0, 0, 0x00FF01}};
    for (const Row& row : rows) {
        FMHostFunction f;
        ASSERT_TRUE(FMH_Registry_Find(row.name, &f)) << Narrow(row.name);
        EXPECT_EQ(f.pluginId, 0x504C564Eu);
        EXPECT_EQ(f.functionId, row.id);
        EXPECT_EQ(f.minArgs, row.min);
        EXPECT_EQ(f.maxArgs, row.max);
        EXPECT_EQ(f.flags, row.flags);
    }
    FMHostFunction f;
    ASSERT_TRUE(FMH_Registry_Find(u"PVane_GetLastResultCode", &f));
    EXPECT_EQ(std::u16string(f.prototype).find(u'('), std::u16string::npos);
    ASSERT_TRUE(FMH_Registry_Find(u"PVane_CreateChart", &f));
    std::u16string proto(f.prototype);
    EXPECT_EQ(proto.rfind(u"PVane_CreateChart( type; name {; format;", 0), 0u);
    EXPECT_NE(proto.find(u"\r\n\r\n/*\r\n"), std::u16string::npos);
    EXPECT_NE(proto.find(u"name \x00D0 "), std::u16string::npos);
    EXPECT_NE(proto.find(u"showTags;  \t\t\t\t\t\ttagsBkColor; showGrid} )"), std::u16string::npos);
    // A call with 22 arguments never reaches the plug-in.
    std::vector<std::u16string> many(22, u"x");
    EXPECT_EQ(CallText(u"PVane_CreateChart", many).error, kFMHWrongArgCount);
    Shutdown();
}

} // namespace
