// The product log: one file beside the plug-in, named after it, shared by the
// warning, error and information channels; append, overwrite and off. Each
// case runs in a copy of this program placed in a temporary folder, so that
// the copy is the plug-in file and the folder is the plug-in's.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/fmx/access/TestHost.h"
#include "chart/functions/PVPlugin.h"
#include "chart/output/Logging.h"

namespace {

const char kPluginFile[] = "Plotvane.fmx";
const char kLogFile[] = "Plotvane.log";

// ctime without its line end, as in "Mon Dec 07 22:17:40 2026".
const char kStamp[] = "[A-Z][a-z]{2} [A-Z][a-z]{2} [0-9 ][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}";

bool IsLine(const std::string& line, const std::string& prefix, const std::string& message)
{
    const std::regex pattern(std::string("^") + kStamp + ", " + prefix + " - (.*)$");
    std::smatch match;
    return std::regex_match(line, match, pattern) && match[1] == message;
}

// The children: each sets the log up as a case needs and writes to it.
#define PV_LOG_CHILD(name)                                                  \
    TEST(ProductLogChild, name)                                             \
    {                                                                       \
        if (!pvtest::ChildFolder())                                         \
            GTEST_SKIP() << "runs as the plug-in file of ProductLog tests"; \
        pvtest::HostEnv env(54);                                            \
        name##Body();                                                       \
    }

void AppendBody()
{
    PVPlugin::SetupLogChannels(0);
    LogInfo("hello %d", 1);
    LogWarning("%s", "careful");
    LogError("failed with %i", -3);
}
PV_LOG_CHILD(Append)

void OverwriteBody()
{
    PVPlugin::SetupLogChannels(1);
    LogInfo("after");
}
PV_LOG_CHILD(Overwrite)

void OffBody()
{
    PVPlugin::SetupLogChannels(2);
    LogInfo("dropped");
    LogError("dropped too");
}
PV_LOG_CHILD(Off)

void SwitchBody()
{
    PVPlugin::SetupLogChannels(1);
    LogInfo("one");
    PVPlugin::SetupLogChannels(2);
    LogInfo("two");
    PVPlugin::SetupLogChannels(0);
    LogInfo("three");
}
PV_LOG_CHILD(Switch)

void LongMessageBody()
{
    PVPlugin::SetupLogChannels(1);
    const std::string text(3000, 'x');
    LogWarning("%s%s", "<", text.c_str());
    LogInfo("next");
}
PV_LOG_CHILD(LongMessage)

void UnopenableBody()
{
    PVPlugin::SetupLogChannels(0);
    LogInfo("nowhere");
    LogError("nowhere");
}
PV_LOG_CHILD(Unopenable)

class ProductLog : public ::testing::Test {
protected:
    void SetUp() override { folder_ = pvtest::MakeTempFolder(); }

    void Run(const std::string& child)
    {
        ASSERT_EQ(pvtest::RunCopyAs(folder_, kPluginFile, "ProductLogChild." + child), 0);
    }
    std::string LogPath() const { return folder_ + "/" + kLogFile; }

    std::string folder_;
};

TEST_F(ProductLog, ThreeChannelsAppendToTheFileBesideThePlugin)
{
    pvtest::WriteFile(LogPath(), "earlier line\n");
    Run("Append");
    const auto lines = pvtest::ReadLines(LogPath());
    ASSERT_EQ(lines.size(), 4u) << pvtest::ReadFile(LogPath());
    EXPECT_EQ(lines[0], "earlier line");
    EXPECT_TRUE(IsLine(lines[1], "\\[INFO\\]", "hello 1")) << lines[1];
    EXPECT_TRUE(IsLine(lines[2], "\\[WARNING\\]", "careful")) << lines[2];
    EXPECT_TRUE(IsLine(lines[3], "\\[ERROR\\]", "failed with -3")) << lines[3];
    // Lines end as a text stream of the flavour ends them.
    const std::string text = pvtest::ReadFile(LogPath());
    const std::string end = std::string("failed with -3") + flavour::kProductLogLineEnd;
    EXPECT_EQ(text.compare(text.size() - end.size(), end.size(), end), 0);
    // A second start appends again.
    Run("Append");
    EXPECT_EQ(pvtest::ReadLines(LogPath()).size(), 7u);
}

TEST_F(ProductLog, OverwriteEmptiesTheFile)
{
    pvtest::WriteFile(LogPath(), "earlier line\nanother\n");
    Run("Overwrite");
    const auto lines = pvtest::ReadLines(LogPath());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(IsLine(lines[0], "\\[INFO\\]", "after")) << lines[0];
}

TEST_F(ProductLog, OffWritesNothing)
{
    Run("Off");
    EXPECT_FALSE(pvtest::IsFile(LogPath()));
    pvtest::WriteFile(LogPath(), "earlier line\n");
    Run("Off");
    EXPECT_EQ(pvtest::ReadFile(LogPath()), "earlier line\n");
}

TEST_F(ProductLog, EachSetUpStartsANewStream)
{
    Run("Switch");
    const auto lines = pvtest::ReadLines(LogPath());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(IsLine(lines[0], "\\[INFO\\]", "one"));
    EXPECT_TRUE(IsLine(lines[1], "\\[INFO\\]", "three"));
}

TEST_F(ProductLog, ALongMessageIsCutToTheRoomAndItsLineKept)
{
    Run("LongMessage");
    const auto lines = pvtest::ReadLines(LogPath());
    ASSERT_EQ(lines.size(), 2u);
    const std::string cut = "<" + std::string(Logging::kMessageRoom - 2, 'x');
    EXPECT_TRUE(IsLine(lines[0], "\\[WARNING\\]", cut)) << lines[0].size();
    EXPECT_TRUE(IsLine(lines[1], "\\[INFO\\]", "next"));
}

TEST_F(ProductLog, AFileThatCannotBeOpenedLosesLinesSilently)
{
    // A folder where the file would be.
    ASSERT_EQ(mkdir(LogPath().c_str(), 0755), 0);
    Run("Unopenable");
    EXPECT_TRUE(pvtest::IsFolder(LogPath()));
}

TEST(ProductLogOff, DropsEveryLineWithoutAFile)
{
    pvtest::HostEnv env(54);
    PVPlugin::SetupLogChannels(2);
    EXPECT_NO_THROW(LogInfo("nothing"));
    EXPECT_FALSE(pvtest::IsFile(std::string(PV_BIN_DIR) + "/pv_test_win_productlog.log"));
}

TEST(ProductLogWithoutHost, SetsUpChannelsThatWriteNowhere)
{
    // Without the host plug-in object there is no plug-in folder.
    EXPECT_NO_THROW(PVPlugin::SetupLogChannels(0));
    EXPECT_TRUE(Logging::CLogger::Exists());
    EXPECT_NO_THROW(LogError("lost"));
}

} // namespace

TEST(LogElements, FileLineAndLineFeedInAFormat)
{
    Logging::CFormat format(Logging::kWarn);
    format.Add(std::make_shared<Logging::CFileName>())
        .Add(std::make_shared<Logging::CFixedText>(":"))
        .Add(std::make_shared<Logging::CLine>())
        .Add(std::make_shared<Logging::CFixedText>(" "))
        .Add(std::make_shared<Logging::CTrace>())
        .Add(std::make_shared<Logging::CEndOFLine>());
    Logging::CRecord record;
    record.message = "bars";
    record.code = Logging::kWarn;
    record.file = "chart/engine/BarChart.cpp";
    record.line = 4294967295u;
    EXPECT_EQ(format.Format(record), "chart/engine/BarChart.cpp:4294967295 bars\n");
    record.file.clear();
    record.line = 0;
    EXPECT_EQ(format.Format(record), ":0 bars\n");
}
