// fmhost run as a program against the test plug-in module.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fmhost/App.h"
#include "support/fmhost_run.h"

namespace fs = std::filesystem;

namespace {

using Ran = pvtest::FmhostRan;
using pvtest::Quote;
using pvtest::Slurp;

class Fmhost : public pvtest::FmhostRun {
protected:
    void SetUp() override
    {
        FmhostRun::SetUp();
        log_ = dir_ / "messages.log";
    }

    // Runs fmhost on `script` with the test plug-in (unless args name one),
    // the output folder in the temporary folder and TP_LOG set.
    Ran Run(const std::string& script, std::vector<std::string> args = {}, bool viaStdin = false,
            const std::string& env = "")
    {
        std::string words;
        bool plugin = false;
        for (const auto& a : args) plugin = plugin || a == "--plugin";
        if (!plugin) words += " --plugin " + Quote(PV_TEST_PLUGIN);
        words += " --out " + Quote((dir_ / "out").string());
        for (const auto& a : args) words += " " + Quote(a);
        return RunFmhost(script, words, "TP_LOG=" + Quote(log_.string()) + " " + env, viaStdin);
    }
    std::string Messages() const { return Slurp(log_); }

    fs::path log_;
};

} // namespace

TEST_F(Fmhost, StringRequestsBeforeAndAfterShutdown)
{
    Ran r = Run("#string 128\n#string 131\n#string 130\n#string 128 9\n#string 128 10\n"
                "#string 128 0\n#init\n#shutdown\n#string 128\n",
                {"--no-init"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "1: string \"TestPlugin\"\n"
              "2: string \"TPLG1YnYYnn\"\n"
              "3: string \"\"\n"
              "4: string \"\"\n"   // too small: the buffer stays untouched
              "5: string \"TestPlugin\"\n"
              "6: string \"\"\n"
              "7: result 52\n"
              "8: result 0\n"
              "9: string \"TestPlugin\"\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(Fmhost, AStringWrittenPastTheCapacityIsReported)
{
    Ran r = Run("#string 200 2\n#string 200 100\n", {"--no-init"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "1: string \"ov\"\n2: string \"overrun\"\n");
    EXPECT_NE(r.err.find("line 1: the plug-in wrote beyond the capacity of 2 units"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("line 2"), std::string::npos) << r.err;
}

TEST_F(Fmhost, InitialisationCarriesTheOptions)
{
    Ran r = Run("TP_Init\n#init 60 Advanced 12.0v1\nTP_Init\n",
                {"--extn-version", "51", "--host-version", "Pro 9.0v3", "--app-kind", "2"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "1: error 0 text \"extn=51 app=2 host=Pro 9.0v3 module=own\"\n"
              "2: result 60\n"
              "3: error 0 text \"extn=60 app=2 host=Advanced 12.0v1 module=own\"\n");
    Ran d = Run("TP_Init\nTP_Callbacks\n");
    EXPECT_EQ(d.out,
              "1: error 0 text \"extn=52 app=1 host=Pro 11.0v4 module=own\"\n"
              "2: error 0 text \"1,2,5,6,9,11\"\n");
}

TEST_F(Fmhost, ImplicitInitialisationAndShutdownPrintNothing)
{
    Ran r = Run("#idle\n#prefs\n#unsafe 4\nTP_Messages\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1: result 0\n2: result 0\n3: result 0\n4: error 0 text \"0,1,5,u4\"\n");
    EXPECT_EQ(Messages(), "0\n1\n5\nu4\n4\n");   // the unsafe shutdown is no shutdown
}

TEST_F(Fmhost, NoSecondShutdownAndNoneWithoutInitialisation)
{
    Run("#shutdown\n");
    EXPECT_EQ(Messages(), "0\n4\n");
    fs::remove(log_);
    Run("#idle\n", {"--no-init"});
    EXPECT_EQ(Messages(), "1\n");
    fs::remove(log_);
    Run("#init\n#idle\n", {"--no-init"});
    EXPECT_EQ(Messages(), "0\n1\n4\n");
}

TEST_F(Fmhost, CalculationValues)
{
    Ran r = Run("// values of every kind\n"
                "\"a¶b\" & \" \\\"q\\\"\"\n"
                "TP_Echo ( -2.50 )\n"
                "TP_Add ( 0.1 ; 0.2 )\n"
                "TP_Add ( 1e ; 2 )\n",
                {});
    // "1e" does not parse: nothing runs.
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Messages(), "");

    r = Run("\n"
            "\"a¶b\" & \" \\\"q\\\"\"\n"
            "TP_Echo ( -2.50 )\n"
            "TP_Add ( 0.1 ; 0.2 )\n"
            "TP_Add ( 1000000 ; 0 )\n"
            "TP_Types ( \"x\" ; 1 ; List ( 1 ) ; TP_Add ( 1 ; 1 ) )\n"
            "TP_Kind ( \"date\" )\n"
            "TP_Kind ( \"time\" )\n"
            "TP_Kind ( \"timestamp\" )\n"
            "TP_Kind ( \"boolean\" )\n"
            "TP_Kind ( \"none\" )\n"
            "List ( \"\" ; \"\" )\n"
            "tp_echo(\"case\")\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "2: error 0 text \"a¶b \\\"q\\\"\"\n"
              "3: error 0 number -2.5\n"
              "4: error 0 number 0.30000000000000004\n"
              "5: error 0 number 1000000\n"
              "6: error 0 text \"1,2,1,2\"\n"
              "7: error 0 date 738000\n"
              "8: error 0 time 3600.5\n"
              "9: error 0 timestamp 63000000000\n"
              "10: error 0 boolean 1\n"
              "11: error 0 empty\n"
              "12: error 0 empty\n"
              "13: error 0 text \"case\"\n");
}

TEST_F(Fmhost, RefusedAndFailingCalls)
{
    Ran r = Run("TP_Add ( 1 )\n"
                "TP_Add ( 1 ; 2 ; 3 )\n"
                "TP_Calls\n"
                "TP_Nothing ( 1 )\n"
                "TP_Fail ( 7 )\n"
                "\"x\" & TP_Fail ( -4 ) & TP_Calls\n"
                "TP_Calls\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "1: error -10001 empty\n"
              "2: error -10001 empty\n"
              "3: error 0 number 1\n"   // the refused calls never arrived
              "4: error -10002 empty\n"
              "5: error 7 text \"failed\"\n"
              "6: error -4 text \"failed\"\n"
              "7: error 0 number 4\n");
}

TEST_F(Fmhost, NestedEvaluationThroughTheHost)
{
    Ran r = Run("TP_Eval ( \"TP_Add ( 2 ; 3 )\" )\n"
                "TP_Eval ( \"TP_Eval ( \\\"1 & 2\\\" ) & 3\" )\n"
                "TP_Eval ( \"TP_Add ( 2 \" )\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "1: error 0 number 5\n"
              "2: error 0 text \"123\"\n"
              "3: error -10007 empty\n");
}

TEST_F(Fmhost, TheHostsWorldAndItsRunningScript)
{
    Ran r = Run("#file \"My File.fmp12\"\n"
                "#script \"My File.fmp12\" Report\n"
                "Get ( ScriptName ) & \"/\" & Get ( ScriptParameter )\n"
                "#running \"My File.fmp12\" Report param \"a b\"\n"
                "Get ( ScriptName ) & \"/\" & get ( scriptparameter )\n"
                "TP_Eval ( \"Get ( ScriptName )\" )\n"
                "#journal\n"
                "#mainwindow disabled\n"
                "#activate\n"
                "#desktop\n"
                "#mainwindow none\n"
                "#desktop\n"
                "#window Other.fmp12 W\n"
                "\"never\"\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "1: ok\n2: ok\n3: error 0 text \"/\"\n4: ok\n5: error 0 text \"Report/a b\"\n"
              "6: error 0 text \"Report\"\n7: journal none\n8: ok\n9: ok\n"
              "10: desktop mainwindow \"FMPRO11.0APP\" disabled still hooks 0\n11: ok\n12: desktop mainwindow none hooks 0\n");
    EXPECT_NE(r.err.find("line 13: unknown file \"Other.fmp12\""), std::string::npos) << r.err;
}

TEST_F(Fmhost, ContainersWritePictures)
{
    Ran r = Run("TP_Picture ( \"png\" )\n\nTP_Picture ( \"jpeg\" )\nTP_Picture ( \"none\" )\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "1: error 0 container JPEG:0 PNGf:13 SIZE:4=640x480 FNAM:12=\"Untitled.png\" -> 1.png\n"
              "3: error 0 container JPEG:8 SIZE:4=640x480 -> 3.jpg\n"
              "4: error 0 container SIZE:4=640x480\n");
    EXPECT_EQ(Slurp(dir_ / "out" / "1.png"), std::string("\x89PNG\r\n\x1a\n-test", 13));
    EXPECT_EQ(Slurp(dir_ / "out" / "3.jpg"), "\xFF\xD8\xFF-test");
    EXPECT_FALSE(fs::exists(dir_ / "out" / "4.png"));
    EXPECT_FALSE(fs::exists(dir_ / "out" / "4.jpg"));
}

TEST_F(Fmhost, PlaysAnOlderHostWithTheOlderLibrary)
{
    // Without the newer exports the plug-in finds no size or file-name writer.
    Ran r = Run("TP_Picture ( \"png\" )\n", {}, false, "LD_LIBRARY_PATH=" + Quote(PV_BIN_DIR "/oldhost"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1: error 0 container JPEG:0 PNGf:13 -> 1.png\n");
}

TEST_F(Fmhost, AnUnwritablePictureEndsTheRunAfterWholeLines)
{
    {
        std::ofstream f(dir_ / "out");   // a file where the folder should be
    }
    Ran r = Run("\"first\"\nTP_Picture ( \"png\" )\n\"never\"\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "1: error 0 text \"first\"\n");
    EXPECT_NE(r.err.find("line 2: cannot write"), std::string::npos) << r.err;
    EXPECT_EQ(Messages(), "0\n4\n");   // still shut down
}

TEST_F(Fmhost, OldStyleCallsCarryMacRomanTextInHandles)
{
    Ran r = Run("#external 1 \"né|x\"\n#external 2 é¶\n#external 2\n#external 7 \"a\"\n#external 3\n"
            "#external 1 after\n");
    // A handle left locked is reported, and the run still goes to its end.
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "1: external \"né|x\"\n"
              "2: external \"8EA6\"\n"   // Mac Roman bytes of é and ¶
              "3: external \"\"\n"
              "4: external untouched\n"
              "5: external \"\"\n"
              "6: external \"after\"\n");
    EXPECT_NE(r.err.find("line 5: the plug-in left a handle of the old-style call locked"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("line 4"), std::string::npos) << r.err;
}

TEST_F(Fmhost, JsonLines)
{
    Ran r = Run("#string 128\n\"a¶\\\"\"\nTP_Add ( 1 ; 0.5 )\nTP_Picture ( \"png\" )\nTP_Add ( 1 )\n#shutdown\n"
                "#external 1 x\n#external 7\n",
                {"--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "{\"line\":1,\"kind\":\"string\",\"error\":null,\"type\":null,\"text\":\"TestPlugin\",\"number\":null,"
              "\"result\":null,\"streams\":null,\"file\":null}\n"
              "{\"line\":2,\"kind\":\"calc\",\"error\":0,\"type\":\"text\",\"text\":\"a\\r\\\"\",\"number\":null,"
              "\"result\":null,\"streams\":null,\"file\":null}\n"
              "{\"line\":3,\"kind\":\"calc\",\"error\":0,\"type\":\"number\",\"text\":null,\"number\":1.5,"
              "\"result\":null,\"streams\":null,\"file\":null}\n"
              "{\"line\":4,\"kind\":\"calc\",\"error\":0,\"type\":\"container\",\"text\":null,\"number\":null,"
              "\"result\":null,\"streams\":[{\"type\":\"JPEG\",\"bytes\":0},{\"type\":\"PNGf\",\"bytes\":13},"
              "{\"type\":\"SIZE\",\"bytes\":4},{\"type\":\"FNAM\",\"bytes\":12}],\"file\":\"4.png\"}\n"
              "{\"line\":5,\"kind\":\"calc\",\"error\":-10001,\"type\":\"empty\",\"text\":null,\"number\":null,"
              "\"result\":null,\"streams\":null,\"file\":null}\n"
              "{\"line\":6,\"kind\":\"shutdown\",\"error\":null,\"type\":null,\"text\":null,\"number\":null,"
              "\"result\":0,\"streams\":null,\"file\":null}\n"
              "{\"line\":7,\"kind\":\"external\",\"error\":null,\"type\":\"text\",\"text\":\"x\",\"number\":null,"
              "\"result\":null,\"streams\":null,\"file\":null}\n"
              "{\"line\":8,\"kind\":\"external\",\"error\":null,\"type\":\"untouched\",\"text\":null,"
              "\"number\":null,\"result\":null,\"streams\":null,\"file\":null}\n");
}

TEST_F(Fmhost, ScriptFromStandardInput)
{
    Ran r = Run("TP_Add ( 2 ; 2 )\n", {}, true);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1: error 0 number 4\n");
    r = Run("TP_Add ( 2 ; 3 )\n", {"-"}, true);
    EXPECT_EQ(r.out, "1: error 0 number 5\n");
}

TEST_F(Fmhost, ParseErrorsStopEverythingBeforeItStarts)
{
    Ran r = Run("\"fine\"\n#idle\nTP_Add ( \"open ; 1 )\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "fmhost: script.fmcalc: line 3, column 10: the text that starts here has no closing quote\n");
    EXPECT_EQ(Messages(), "");   // the plug-in never heard of it

    r = Run("TP_Add ( 1 ; ( 2 )\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "fmhost: script.fmcalc: line 1, column 19: missing \")\" for the \"(\" at column 8\n");
    r = Run("#string x\n", {}, true);
    EXPECT_EQ(r.err, "fmhost: standard input: line 1, column 9: the string id must be a whole number, not \"x\"\n");
}

TEST_F(Fmhost, LoadFailuresAreClear)
{
    Ran r = Run("\"x\"\n", {"--plugin", (dir_ / "missing.fmx").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("cannot load the plug-in " + (dir_ / "missing.fmx").string()), std::string::npos) << r.err;

    r = Run("\"x\"\n", {"--plugin", PV_BIN_DIR "/libFMWrapper.so"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "fmhost: the plug-in " PV_BIN_DIR "/libFMWrapper.so has no entry point FMExternCallProc\n");

    fs::create_directories(dir_ / "folder");
    std::string cmd = Quote(PV_FMHOST) + " --plugin " + Quote(PV_TEST_PLUGIN) + " " + Quote((dir_ / "nope").string()) +
                      " > /dev/null 2> " + Quote((dir_ / "err.txt").string());
    int raw = std::system(cmd.c_str());
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_NE(Slurp(dir_ / "err.txt").find("cannot read the script " + (dir_ / "nope").string()), std::string::npos);
}

TEST_F(Fmhost, BadCommandLines)
{
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {"--extn-version", "abc"}, {"--extn-version", "40000"}, {"--app-kind", "256"},
             {"--frobnicate"}, {"other.fmcalc"}}) {
        Ran r = Run("\"x\"\n", args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_NE(r.err.find("usage: fmhost"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(FmhostOptions, DefaultsAndValues)
{
    fmhost::Options o;
    std::string error;
    const char* none[] = {"fmhost"};
    ASSERT_TRUE(fmhost::ParseOptions(1, none, &o, &error));
    EXPECT_EQ(o.host.extnVersion, 52);
    EXPECT_EQ(o.host.hostVersion, "Pro 11.0v4");
    EXPECT_EQ(o.host.appKind, 1);
    EXPECT_EQ(o.host.outDir, ".");
    EXPECT_EQ(o.script, "-");
    EXPECT_FALSE(o.json);
    EXPECT_TRUE(o.init);
    // Beside the running program: here the test, which lives beside fmhost.
    EXPECT_EQ(fs::weakly_canonical(o.host.plugin), fs::weakly_canonical(PV_BIN_DIR "/Plotvane.fmx"));

    const char* all[] = {"fmhost", "--plugin", "p.fmx", "--extn-version", "-3", "--host-version", "X",
                         "--app-kind", "0", "--out", "o", "--json", "--no-init", "--", "--odd-name"};
    ASSERT_TRUE(fmhost::ParseOptions(15, all, &o, &error)) << error;
    EXPECT_EQ(o.host.plugin, "p.fmx");
    EXPECT_EQ(o.host.extnVersion, -3);
    EXPECT_EQ(o.host.hostVersion, "X");
    EXPECT_EQ(o.host.appKind, 0);
    EXPECT_EQ(o.host.outDir, "o");
    EXPECT_TRUE(o.json);
    EXPECT_FALSE(o.init);
    EXPECT_EQ(o.script, "--odd-name");

    const char* missing[] = {"fmhost", "--out"};
    EXPECT_FALSE(fmhost::ParseOptions(2, missing, &o, &error));
    EXPECT_EQ(error, "--out needs a value");
}
