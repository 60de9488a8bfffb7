// fmhost in mac mode, run as a program against the test bundle
// MacTest.fmplugin: the host's frameworks as the API level has them, the
// older host's interface library, the system version, and the mistakes that
// stop it.
#include <gtest/gtest.h>

#include <string>

#include "support/fmhost_run.h"

namespace {

using pvtest::Quote;
using Ran = pvtest::FmhostRan;

class FmhostMac : public pvtest::FmhostRun {
protected:
    Ran Run(const std::string& script, const std::string& args, const std::string& env = "") const
    {
        return RunFmhost(script, args, env);
    }
};

const std::string kBundle = std::string("--plugin ") + PV_MACTEST_BUNDLE;

TEST_F(FmhostMac, TheOlderHostsInterfaceLibraryIsTheInterfaceFramework)
{
    const std::string script = "MT_Info ( \"main\" )\nMT_Bind ( \"sql\" )\nMT_Bind ( \"string\" )\n";
    const Ran newer = Run(script, kBundle);
    ASSERT_EQ(newer.status, 0) << newer.err;
    EXPECT_EQ(newer.out, "1: error 0 text \"FMHost.app\"\n2: error 0 text \"bound\"\n"
                         "3: error 0 text \"Grüße ✓\"\n");
    const Ran older = Run(script, kBundle, "LD_LIBRARY_PATH=" + Quote(PV_BIN_DIR "/oldhost"));
    ASSERT_EQ(older.status, 0) << older.err;
    EXPECT_EQ(older.out, "1: error 0 text \"FMHost.app\"\n2: error 0 text \"static function loading failed\"\n"
                         "3: error 0 text \"Grüße ✓\"\n");
}

TEST_F(FmhostMac, MistakesStopIt)
{
    Ran r = Run("", kBundle + " --mac-system 10.6");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--mac-system must be 10.4 or 10.5, not \"10.6\""), std::string::npos) << r.err;

    for (const char* macOnly : {" --mac-system 10.4", " --home home", " --volume Data=data"}) {
        r = Run("", std::string("--plugin ") + Quote(PV_BIN_DIR "/PVTestPlugin.fmx") + macOnly);
        EXPECT_EQ(r.status, 1) << macOnly;
        EXPECT_NE(r.err.find("--mac-system, --home and --volume need a plug-in bundle"), std::string::npos) << r.err;
    }
    r = Run("", kBundle + " --volume Data");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--volume must be NAME=DIR, not \"Data\""), std::string::npos) << r.err;
    // The start-up volume's name is taken.
    r = Run("", kBundle + " --volume \"Macintosh HD=hd\"");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot mount the volume Macintosh HD"), std::string::npos) << r.err;

    // A bundle without an executable.
    r = Run("", std::string("--plugin ") + Quote(PV_TEST_BUNDLES "/Bare.fmplugin"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("its executable does not load"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

} // namespace
