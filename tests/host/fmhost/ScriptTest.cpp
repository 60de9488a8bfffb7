// fmhost's script lines: directives, comments and where a bad line fails.
#include <gtest/gtest.h>

#include "fmhost/Script.h"

using fmhost::CalcError;
using fmhost::Command;
using fmhost::ParseScript;

namespace {

CalcError ErrorOf(const std::string& script)
{
    std::vector<Command> commands;
    CalcError error;
    EXPECT_FALSE(ParseScript(script, &commands, &error)) << script;
    return error;
}

} // namespace

TEST(Script, LinesDirectivesAndComments)
{
    std::string script =
        "\xEF\xBB\xBF// a comment\r\n"
        "\n"
        "   // indented comment\n"
        "#string 128\n"
        "#string 131 5\r\n"
        "#init\n"
        "#init 50\n"
        "#init 51 Pro 9.0v3 \n"
        "#init 52 \"Advanced 11.0\"\n"
        "  #idle\n"
        "#prefs\n"
        "#unsafe 4\n"
        "\"a\" & 1\n"
        "#shutdown\n"
        "#sleep 0\n"
        "#sleep 60000\n"
        "#external 65535\n"
        "#external 0 \" a|\"b\" \"";
    std::vector<Command> c;
    CalcError error;
    ASSERT_TRUE(ParseScript(script, &c, &error)) << error.message;
    ASSERT_EQ(c.size(), 15u);
    EXPECT_EQ(c[0].kind, Command::Kind::String);
    EXPECT_EQ(c[0].line, 4);
    EXPECT_EQ(c[0].stringId, 128);
    EXPECT_EQ(c[0].capacity, 1024u);
    EXPECT_EQ(c[1].capacity, 5u);
    EXPECT_EQ(c[2].kind, Command::Kind::Init);
    EXPECT_FALSE(c[2].extnVersion);
    EXPECT_FALSE(c[2].hostVersion);
    EXPECT_EQ(c[3].extnVersion, 50);
    EXPECT_FALSE(c[3].hostVersion);
    EXPECT_EQ(c[4].hostVersion, "Pro 9.0v3");
    EXPECT_EQ(c[5].hostVersion, "Advanced 11.0");
    EXPECT_EQ(c[6].kind, Command::Kind::Idle);
    EXPECT_EQ(c[7].kind, Command::Kind::Prefs);
    EXPECT_EQ(c[8].kind, Command::Kind::Unsafe);
    EXPECT_EQ(c[8].messageKind, 4);
    EXPECT_EQ(c[9].kind, Command::Kind::Calc);
    EXPECT_EQ(c[9].line, 13);
    EXPECT_EQ(c[10].kind, Command::Kind::Shutdown);
    EXPECT_EQ(c[10].line, 14);
    EXPECT_EQ(c[11].kind, Command::Kind::Sleep);
    EXPECT_EQ(c[11].sleepMs, 0);
    EXPECT_EQ(c[12].sleepMs, 60000);
    EXPECT_EQ(c[13].kind, Command::Kind::External);
    EXPECT_EQ(c[13].externalIndex, 65535);
    EXPECT_EQ(c[13].parameter, "");
    EXPECT_EQ(c[14].externalIndex, 0);
    EXPECT_EQ(c[14].parameter, " a|\"b\" ");   // one pair of quotes off, the rest kept
}

TEST(Script, BadDirectivesNameLineAndColumn)
{
    CalcError e = ErrorOf("#idle\n  #string abc\n");
    EXPECT_EQ(e.line, 2);
    EXPECT_EQ(e.column, 11);
    EXPECT_EQ(ErrorOf("#string 256").column, 9);
    EXPECT_EQ(ErrorOf("#string").column, 8);
    EXPECT_EQ(ErrorOf("#string 1 -1").column, 11);
    EXPECT_EQ(ErrorOf("#string 1 2 3").column, 13);
    EXPECT_EQ(ErrorOf("#init 40000").column, 7);
    EXPECT_EQ(ErrorOf("#idle now").column, 7);
    EXPECT_EQ(ErrorOf("#unsafe").column, 8);
    EXPECT_EQ(ErrorOf("#sleep 60001").column, 8);
    EXPECT_EQ(ErrorOf("#sleep -1").column, 8);
    EXPECT_EQ(ErrorOf("#sleep 5 5").column, 10);
    EXPECT_EQ(ErrorOf("#external").column, 10);
    EXPECT_EQ(ErrorOf("#external 65536 x").column, 11);
    EXPECT_EQ(ErrorOf("#external -1").column, 11);
    EXPECT_EQ(ErrorOf("#bogus 1").column, 1);
    EXPECT_EQ(ErrorOf("#").column, 1);
}

TEST(Script, WorldDirectivesTakeWordsAndQuotedTexts)
{
    std::vector<Command> c;
    CalcError error;
    ASSERT_TRUE(ParseScript("#file \"A \\\"B\\\".fmp12\" filewin:/C:/X/A.fmp12\n"
                            "#window A W hidden mode 3 flag\n"
                            "#current \"none\"\n"
                            "#current none\n"
                            "#journal\n"
                            "#desktop\n"
                            "#activate\n",
                            &c, &error))
        << error.message;
    ASSERT_EQ(c.size(), 7u);
    EXPECT_EQ(c[0].kind, Command::Kind::World);
    EXPECT_EQ(c[0].directive, "#file");
    EXPECT_EQ(c[0].words[0].text, "A \"B\".fmp12");
    EXPECT_TRUE(c[0].words[0].quoted);
    EXPECT_EQ(c[0].words[1].text, "filewin:/C:/X/A.fmp12");
    EXPECT_EQ(c[1].words.size(), 6u);
    EXPECT_TRUE(c[2].words[0].quoted);   // a file named "none"
    EXPECT_FALSE(c[3].words[0].quoted);
    EXPECT_EQ(c[4].kind, Command::Kind::Journal);
    EXPECT_EQ(c[5].kind, Command::Kind::Desktop);
    EXPECT_EQ(c[6].kind, Command::Kind::World);
    EXPECT_EQ(c[6].directive, "#activate");
    // A mistake names the part at fault (or the end of the line).
    EXPECT_EQ(ErrorOf("#window A W big").column, 13);
    EXPECT_EQ(ErrorOf("#window A W maximised minimised").column, 23);
    EXPECT_EQ(ErrorOf("#window A W mode 256").column, 18);
    EXPECT_EQ(ErrorOf("#layout A L at 0").column, 16);
    EXPECT_EQ(ErrorOf("#layouts A").column, 11);
    EXPECT_EQ(ErrorOf("#running A").column, 11);
    EXPECT_EQ(ErrorOf("#mainwindow \"enabled\"").column, 13);   // a quoted text is no keyword
    EXPECT_EQ(ErrorOf("#file \"A").column, 7);
    EXPECT_EQ(ErrorOf("#journal now").column, 10);
    EXPECT_EQ(ErrorOf("#desktop all").column, 10);
    EXPECT_EQ(ErrorOf("#activate main").column, 11);
}

TEST(Script, ABadCalculationNamesItsLine)
{
    CalcError e = ErrorOf("#init\n\"ok\"\n\nF ( \"x\" ;\n\"never reached\"\n");
    EXPECT_EQ(e.line, 4);
    EXPECT_EQ(e.column, 10);
}
