// PVane_Version, PVane_GetLastResultCode and PVane_SetupLog; the log modes
// are checked on the real module's log file through fmhost.
#include <regex>

#include "FuncTest.h"
#include "PrivateHost.h"

namespace {

using namespace functest;

class Version : public PluginTest {
protected:
    std::string Get(const std::vector<std::u16string>& args)
    {
        const CallResult r = pvtest::CallText(u"PVane_Version", args);
        EXPECT_EQ(r.error, 0);
        EXPECT_EQ(r.type, kFMTypeText);
        return Text(r);
    }
};

TEST_F(Version, KeywordsInAnyCase)
{
    const std::string product = Get({u"Product"});
    const std::string version = Get({u"version"});
    const std::string platform = Get({u"PLATFORM"});
    const std::string notice = Get({u"copyright"});
    EXPECT_EQ(product, pvtest::Narrow(pvtest::RequestString(128)));
    EXPECT_TRUE(std::regex_match(version, std::regex("[0-9]+\\.[0-9]+\\.[0-9]+\\.b[0-9]+.*"))) << version;
    EXPECT_EQ(platform, "Windows");
    EXPECT_FALSE(notice.empty());
    EXPECT_EQ(Get({u"VERSION"}), version);
    EXPECT_EQ(Get({u"pRoDuCt"}), product);

    const std::string all = product + " " + version + " " + platform + " " + notice;
    EXPECT_EQ(Get({}), all);
    EXPECT_EQ(Get({u"nothing"}), all);
    EXPECT_EQ(Get({u""}), all);
    EXPECT_EQ(Get({u"versions"}), all);
}

TEST_F(Version, DoesNotTouchTheLastResult)
{
    EXPECT_EQ((Create(u"pie", u"x")), kIncorrect);
    EXPECT_NE(Get({u"version"}), kIncorrect);
    EXPECT_EQ(LastResult(), kIncorrect);
}

using LastResultCode = PluginTest;

TEST_F(LastResultCode, KeepsAFailureAfterLaterSuccesses)
{
    EXPECT_EQ(LastResult(), kOk);
    EXPECT_EQ(Text(Call(u"PVane_CreateChart", {u"bars 2d", u"b"})), kOk);
    EXPECT_EQ(LastResult(), kOk);

    EXPECT_EQ(Text(Call(u"PVane_AddData", {u"b", u"nograph", u"1"})), kIncorrect);
    EXPECT_EQ(LastResult(), kIncorrect);

    // Successful calls answer the failure's text too, and do not reset it.
    EXPECT_EQ(Text(Call(u"PVane_AddGraph", {u"b", u"g"})), kIncorrect);
    EXPECT_EQ(Text(Call(u"PVane_AddData", {u"b", u"g", u"1"})), kIncorrect);
    EXPECT_EQ(Entry(L"b")->graphs.at(L"g").values.data.size(), 1u);
    EXPECT_EQ(pvtest::CallText(u"PVane_GetChart", {u"b"}).type, kFMTypeBinary);
    EXPECT_EQ(pvtest::CallText(u"PVane_SetupLog", {u"logAppend"}).type, kFMTypeInvalid);
    EXPECT_EQ(LastResult(), kIncorrect);
    EXPECT_EQ(LastResult(), kIncorrect);

    // The next failure replaces it.
    EXPECT_EQ(Text(Call(u"PVane_AddGraph", {u"b", u"h", u"", u"1,x,3"})), kUnknown);
    EXPECT_EQ(LastResult(), kUnknown);
}

TEST_F(LastResultCode, StartsAgainAfterANewInitialisation)
{
    EXPECT_EQ((Create(u"pie", u"x")), kIncorrect);
    pvtest::Shutdown();
    ASSERT_EQ(pvtest::Init(52), 52);
    EXPECT_EQ(LastResult(), kOk);
}

using SetupLogCall = PluginTest;

TEST_F(SetupLogCall, BadSizesFailAndKeepTheLog)
{
    for (const Arg& size : {Arg(u""), Arg(u"abc"), Arg(u"1.5"), Arg::Date(2)}) {
        const CallResult r = Call(u"PVane_SetupLog", {u"logOff", size});
        EXPECT_EQ(r.type, kFMTypeInvalid);
        EXPECT_EQ(LastResult(), kIncorrect);
    }
    // The captured log still receives every line: it was not replaced.
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[3], "[WARNING] - PVPlugin::GetLongFromData got unknown data type");
    EXPECT_EQ(lines[4], "[ERROR] - PVane_SetupLog failed. Error number is -3");
}

TEST_F(SetupLogCall, ReturnsNothing)
{
    const CallResult r = pvtest::CallText(u"PVane_SetupLog", {u"logAppend", u"1024"});
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.type, kFMTypeInvalid);
    EXPECT_EQ(LastResult(), kOk);
    EXPECT_EQ(Call(u"PVane_SetupLog", {u"logAppend", Arg::Number(10.5)}).type, kFMTypeInvalid);
    EXPECT_EQ(LastResult(), kOk);
}

// ---------------------------------------------------------------------------
// The log file of the real module

const char* const kFailingCall = "PVane_AddData ( \"none\" ; \"g\" ; 1 )\n";
const char* const kFailedLine = "[ERROR] - PVane_AddData failed. Error number is -3";

class LogFile : public PrivateHost {
protected:
    bool Has(const std::string& line) const
    {
        for (const auto& l : LogLines())
            if (l == line)
                return true;
        return false;
    }
    bool HasStartLine() const
    {
        for (const auto& l : LogLines())
            if (l.rfind("[INFO] - Plotvane v", 0) == 0)
                return true;
        return false;
    }
};

TEST_F(LogFile, StartsInAppendMode)
{
    WriteLog("old line\n");
    Ran r = Run(kFailingCall);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(LogLines().front(), "old line");
    EXPECT_TRUE(HasStartLine());
    EXPECT_TRUE(Has(kFailedLine));
}

TEST_F(LogFile, NoArgumentsOverwrite)
{
    WriteLog("old line\n");
    Ran r = Run(std::string("PVane_SetupLog\n") + kFailingCall);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[0], "1: error 0 empty");
    EXPECT_EQ(LogLines(), std::vector<std::string>{kFailedLine});
}

TEST_F(LogFile, OtherWordsOverwriteToo)
{
    WriteLog("old line\n");
    Ran r = Run(std::string("PVane_SetupLog ( \"whatever\" )\n") + kFailingCall);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(LogLines(), std::vector<std::string>{kFailedLine});
}

TEST_F(LogFile, AppendInCapitals)
{
    WriteLog("old line\n");
    Ran r = Run(std::string("PVane_SetupLog ( \"LOGAPPEND\" )\n") + kFailingCall);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(LogLines().front(), "old line");
    EXPECT_TRUE(HasStartLine());
    EXPECT_TRUE(Has(kFailedLine));
}

TEST_F(LogFile, OffWritesNothing)
{
    WriteLog("old line\n");
    Ran r = Run(std::string("PVane_SetupLog ( \"logoff\" )\n") + kFailingCall +
                "PVane_CreateChart ( \"lines\" ; \"x\" ; \"png\" ; 640 ; 480 ; \"\" )\n");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "old line");
    EXPECT_TRUE(HasStartLine());

    // And writing starts again when asked.
    Ran again = Run(std::string("PVane_SetupLog ( \"logOff\" )\nPVane_SetupLog ( \"logAppend\" )\n") + kFailingCall);
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_TRUE(Has(kFailedLine));
}

TEST_F(LogFile, MaximumSizeIsNotApplied)
{
    std::string script = "PVane_SetupLog ( \"logAppend\" ; 1 )\n";
    for (int i = 0; i < 40; ++i)
        script += kFailingCall;
    Ran r = Run(script);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines[0], "1: error 0 empty");
    std::size_t failed = 0;
    for (const auto& l : LogLines())
        failed += l == kFailedLine;
    EXPECT_EQ(failed, 40u);
    EXPECT_GT(fs::file_size(LogPath()), 1024u);

    Ran big = Run(std::string("PVane_SetupLog ( \"logOverwrite\" ; 1024 )\nPVane_GetLastResultCode\n") + kFailingCall);
    ASSERT_EQ(big.lines.size(), 3u);
    EXPECT_EQ(big.lines[1], "2: error 0 text \"000 (OK)\"");
    EXPECT_EQ(LogLines(), std::vector<std::string>{kFailedLine});
}

TEST_F(LogFile, AnEmptySizeKeepsTheMode)
{
    WriteLog("old line\n");
    Ran r = Run(std::string("PVane_SetupLog ( \"logOverwrite\" ; \"\" )\nPVane_GetLastResultCode\n") + kFailingCall);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines[1], "2: error 0 text \"-003 (Incorrect option)\"");
    // Still appending to the old file.
    const auto lines = LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "old line");
    EXPECT_TRUE(Has("[ERROR] - PVane_SetupLog failed. Error number is -3"));
    EXPECT_TRUE(Has(kFailedLine));
}

} // namespace
