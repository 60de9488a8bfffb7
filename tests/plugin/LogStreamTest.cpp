// The framework log: the size limit, lines, banners and time stamps, the cut
// of the oldest lines and the compaction, old files beyond the limit, and
// the plug-in base class's two ways of opening it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "tests/fmx/access/TestHost.h"
#include "platform/win32/winfile.h"
#include "platform/win32/winlocaltime.h"
#include "plugin/LogStream.h"
#include "plugin/PlugIn.h"

namespace {

using __Quarrow__::LogStream;

// Wednesday, 2 January 1980, 02:03:55.
const win32::SYSTEMTIME kFixedTime{1980, 1, 3, 2, 2, 3, 55, 0};
const std::string kCalendar = "Wed Jan 02 02:03:55 1980";
const std::string kStamp = "[02.01.1980 02:03:55] - ";

class FixedTime {
public:
    FixedTime() { win32::SetLocalTimeForTesting(&kFixedTime); }
    ~FixedTime() { win32::SetLocalTimeForTesting(nullptr); }
};

std::wstring WindowsPath(const std::string& posix)
{
    std::wstring path;
    EXPECT_TRUE(win32::FromPosixPath(posix, path)) << posix;
    return path;
}

long long FileSize(const std::string& posix)
{
    struct stat st;
    return stat(posix.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

// The log as it stands: the file's bytes up to the log's length.
std::string Logged(const std::string& posix)
{
    std::string text = pvtest::ReadFile(posix);
    if (LogStream* log = LogStream::Current())
        text.resize(static_cast<std::size_t>(log->Length()));
    return text;
}

TEST(LogStream, SizeLimitRule)
{
    EXPECT_EQ(LogStream::ApplyLimit(0), 0x40000000u);
    EXPECT_EQ(LogStream::ApplyLimit(1000), 0x10000u);
    EXPECT_EQ(LogStream::ApplyLimit(70000), 70144u);
    EXPECT_EQ(LogStream::ApplyLimit(1342177280), 0x40000000u);
    EXPECT_EQ(LogStream::ApplyLimit(-1), 0x40000000u);
    EXPECT_EQ(LogStream::ApplyLimit(-2147483647 - 1), 0x40000000u);
    EXPECT_EQ(LogStream::ApplyLimit(0x10000), 0x10000u);
    EXPECT_EQ(LogStream::ApplyLimit(0x10001), 0x10200u);
    EXPECT_EQ(LogStream::ApplyLimit(0x40000000), 0x40000000u);
    // Opening applies it.
    const std::string file = pvtest::MakeTempFolder() + "/limit.log";
    ASSERT_TRUE(LogStream::Open(WindowsPath(file), LogStream::kNew, 70000, false));
    EXPECT_EQ(LogStream::Current()->Limit(), 70144u);
    EXPECT_TRUE(LogStream::Close());
}

TEST(LogStream, OneLinePerMessageWithBannersAndTimeStamps)
{
    FixedTime fixed;
    const std::string folder = pvtest::MakeTempFolder();
    const std::string file = folder + "/a.log";
    pvtest::WriteFile(file, "left over");
    ASSERT_TRUE(LogStream::Open(WindowsPath(file), LogStream::kNew, 0, false));
    LogStream::Printf("%s|%d", "one\r\ntwo", 5);
    // A second opening is refused and the first log stays.
    EXPECT_FALSE(LogStream::Open(WindowsPath(folder + "/b.log"), LogStream::kNew, 0, false));
    EXPECT_EQ(LogStream::Current()->Path(), WindowsPath(file));
    EXPECT_FALSE(pvtest::IsFile(folder + "/b.log"));
    EXPECT_TRUE(LogStream::Close());
    EXPECT_EQ(pvtest::ReadFile(file), "Log started at " + kCalendar + "\r\none\\r\\ntwo|5\r\n\r\nLog stopped at " + kCalendar);

    // Appending, with time stamps; a message is cut at 511 bytes without
    // splitting a character (255 two-byte characters).
    ASSERT_TRUE(LogStream::Open(WindowsPath(file), LogStream::kAppend, 0, true));
    std::string accents;
    for (int i = 0; i < 300; ++i)
        accents += "\xC3\xA9";
    LogStream::Printf("%s", accents.c_str());
    LogStream::Printf("%s", (std::string(510, 'a') + "\xC3\xA9").c_str());
    std::vector<std::string> lines = Lines(pvtest::ReadFile(file));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[3], "Log stopped at " + kCalendar);
    EXPECT_EQ(lines[4], kStamp + "Log started at " + kCalendar);
    EXPECT_EQ(lines[5], kStamp + accents.substr(0, 510));
    EXPECT_EQ(lines[6], kStamp + std::string(510, 'a'));
    // The flag of a refused opening stays; a bad mode is refused too.
    EXPECT_FALSE(LogStream::Open(WindowsPath(file), 7, 0, false));
    EXPECT_FALSE(LogStream::Stamped());
    LogStream::Printf("plain");
    EXPECT_EQ(Lines(pvtest::ReadFile(file)).back(), "plain");
    EXPECT_TRUE(LogStream::Open(std::wstring(), LogStream::kClose, 0, true));
    EXPECT_EQ(LogStream::Current(), nullptr);

    // Nothing open: closing answers false and lines go nowhere.
    const std::string closed = pvtest::ReadFile(file);
    EXPECT_FALSE(LogStream::Close());
    EXPECT_FALSE(LogStream::Open(std::wstring(), LogStream::kClose, 0, false));
    LogStream::Printf("lost");
    EXPECT_EQ(pvtest::ReadFile(file), closed);
    // A file that cannot be made.
    EXPECT_FALSE(LogStream::Open(WindowsPath(folder + "/missing/c.log"), LogStream::kAppend, 0, false));
    EXPECT_FALSE(LogStream::Open(L"\\\\server\\share\\c.log", LogStream::kNew, 0, false));

    // The clock's own time, in the same form.
    win32::SetLocalTimeForTesting(nullptr);
    ASSERT_TRUE(LogStream::Open(WindowsPath(file), LogStream::kNew, 0, true));
    EXPECT_TRUE(LogStream::Close());
    const std::regex stamp(R"(\[(0[1-9]|[12]\d|3[01])\.(0[1-9]|1[0-2])\.20\d\d \d\d:\d\d:\d\d\] - )"
                           R"(Log started at [A-Z][a-z]{2} [A-Z][a-z]{2} \d\d \d\d:\d\d:\d\d 20\d\d)");
    const std::string first = Lines(pvtest::ReadFile(file)).front();
    EXPECT_TRUE(std::regex_match(first, stamp)) << first;
}

TEST(LogStream, KeepsWithinItsLimitByWholeLines)
{
    const std::string file = pvtest::MakeTempFolder() + "/cut.log";
    ASSERT_TRUE(LogStream::Open(WindowsPath(file), LogStream::kNew, 1000, false));
    const long long limit = 0x10000;
    const std::string filler(90, 'x');
    const long long longestLine = 2 + 6 + 90;
    int compactions = 0;
    long long before = 0;
    for (int i = 0; i < 3000; ++i) {
        LogStream::Printf("%05d %s", i, filler.c_str());
        const LogStream& log = *LogStream::Current();
        ASSERT_LE(log.Length() - log.CutPosition(), limit);
        // The open file never passes one and a half limits and a line.
        ASSERT_LE(FileSize(file), limit + limit / 2 + longestLine) << i;
        compactions += log.Length() < before;
        before = log.Length();
    }
    EXPECT_GE(compactions, 3);
    EXPECT_TRUE(LogStream::Close());

    // Closed: within the limit, whole lines, the newest ones in order.
    const std::string text = pvtest::ReadFile(file);
    EXPECT_LE(static_cast<long long>(text.size()), limit);
    // No more is dropped than must be: one line more would not fit.
    EXPECT_GT(static_cast<long long>(text.size()) + longestLine, limit);
    std::vector<std::string> lines = Lines(text);
    ASSERT_GT(lines.size(), 600u);
    EXPECT_TRUE(lines.back().rfind("Log stopped at ", 0) == 0);
    EXPECT_EQ(lines[lines.size() - 2], "");
    const std::regex line(R"((\d{5}) x{90})");
    int expected = -1;
    for (std::size_t i = 0; i + 2 < lines.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, line)) << i << ": " << lines[i];
        if (expected >= 0) {
            EXPECT_EQ(std::stoi(m[1]), expected);
        }
        expected = std::stoi(m[1]) + 1;
    }
    EXPECT_EQ(expected, 3000);

    // A log one line past its limit loses exactly that line.
    FixedTime fixed;
    ASSERT_TRUE(LogStream::Open(WindowsPath(file), LogStream::kNew, 1000, false));
    const std::string banner = "Log started at " + kCalendar;
    for (int i = 0; i < 130; ++i)
        LogStream::Printf("%s", std::string(500, 'y').c_str());
    const long long length = LogStream::Current()->Length();
    // The new line's separator and text take the log to the limit plus the
    // banner and its line end.
    LogStream::Printf("%s", std::string(limit + static_cast<long long>(banner.size()) - length, 'z').c_str());
    EXPECT_EQ(LogStream::Current()->CutPosition(), static_cast<long long>(banner.size()) + 2);
    EXPECT_TRUE(LogStream::Close());
}

TEST(LogStream, AnOldFileBeyondTheLimitIsCutBeforeTheOpeningBanner)
{
    FixedTime fixed;
    const std::string folder = pvtest::MakeTempFolder();
    // 85,000 bytes of old lines.
    const std::string lined = folder + "/lined.log";
    std::string old;
    for (int i = 0; i < 5000; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "%sold %06d ....", i ? "\r\n" : "", i);
        old += line;
    }
    pvtest::WriteFile(lined, old);
    ASSERT_TRUE(LogStream::Open(WindowsPath(lined), LogStream::kAppend, 1000, false));
    std::string text = Logged(lined);
    std::vector<std::string> lines = Lines(text);
    const std::string started = "Log started at " + kCalendar;
    EXPECT_LE(text.size(), 0x10000 + 2 + started.size());
    ASSERT_GE(lines.size(), 4u);
    EXPECT_TRUE(std::regex_match(lines.front(), std::regex(R"(old \d{6} \.\.\.\.)"))) << lines.front();
    EXPECT_EQ(lines[lines.size() - 4], "old 004999 ....");
    EXPECT_EQ(lines[lines.size() - 3], "");
    EXPECT_EQ(lines[lines.size() - 2], "Log stopped at " + kCalendar);
    EXPECT_EQ(lines.back(), started);
    EXPECT_TRUE(LogStream::Close());

    // A file without line feeds has no line to keep.
    const std::string flat = folder + "/flat.log";
    pvtest::WriteFile(flat, std::string(100000, 'x'));
    ASSERT_TRUE(LogStream::Open(WindowsPath(flat), LogStream::kAppend, 70000, false));
    EXPECT_EQ(Logged(flat), "Log stopped at " + kCalendar + "\r\n" + started);
    EXPECT_TRUE(LogStream::Close());
    EXPECT_LE(FileSize(flat), 200);
}

// ---- the plug-in base class's openings, in a copy of this program that is
// the plug-in file "Probe.fmx" in a folder of its own.

class Product : public __Quarrow__::PlugIn {
public:
    explicit Product(__Quarrow__::ResponderChain* chain) : PlugIn(chain) {}
    bool OpenLog(std::int32_t, std::int32_t) override
    {
        ++productOpens;
        return false;
    }
    void CloseLog() override {}
    int productOpens = 0;
};

TEST(FrameworkLogChild, OpenedBesideThePlugIn)
{
    if (!pvtest::ChildFolder())
        GTEST_SKIP() << "runs as the plug-in file of FrameworkLog tests";
    FixedTime fixed;
    pvtest::HostEnv env(54);
    const std::string file = std::string(pvtest::ChildFolder()) + "/Probe.log";
    const std::string banner = "Plotvane v1.0.0.b36 (Windows)";
    {
        __Quarrow__::ResponderChain chain;
        Product product(&chain);
        // The time-stamped twin opens the framework log, not the product's.
        ASSERT_TRUE(product.OpenSharedLog(LogStream::kNew, 1000));
        EXPECT_EQ(product.productOpens, 0);
        EXPECT_EQ(LogStream::Current()->Limit(), 0x10000u);
        EXPECT_FALSE(product.PlugIn::OpenLog(LogStream::kNew, 0));
        EXPECT_EQ(Lines(pvtest::ReadFile(file)),
                  (std::vector<std::string>{kStamp + "Log started at " + kCalendar, kStamp + banner}));
        product.PlugIn::CloseLog();
        EXPECT_EQ(LogStream::Current(), nullptr);
        // The base's own opening writes plain lines.
        ASSERT_TRUE(product.PlugIn::OpenLog(LogStream::kAppend, 0));
        EXPECT_EQ(Lines(pvtest::ReadFile(file)).back(), banner);
    }
    // The plug-in closes the log when it goes.
    EXPECT_EQ(LogStream::Current(), nullptr);
    EXPECT_EQ(Lines(pvtest::ReadFile(file)).back(), "Log stopped at " + kCalendar);
}

TEST(FrameworkLog, OpenedBesideThePlugIn)
{
    const std::string folder = pvtest::MakeTempFolder();
    EXPECT_EQ(pvtest::RunCopyAs(folder, "Probe.fmx", "FrameworkLogChild.OpenedBesideThePlugIn"), 0);
    EXPECT_TRUE(pvtest::IsFile(folder + "/Probe.log"));
}

} // namespace
