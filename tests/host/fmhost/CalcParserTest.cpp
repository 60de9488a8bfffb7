// fmhost's calculation parser: what it accepts and where it says input fails.
#include <gtest/gtest.h>

#include <string>

#include "fmhost/Calc.h"

using fmhost::CalcError;
using fmhost::CalcNode;
using fmhost::DescribeCalc;
using fmhost::ParseCalc;

namespace {

std::string Parsed(const std::string& source)
{
    CalcNode node;
    CalcError error;
    if (!ParseCalc(source, 1, &node, &error))
        return "error at " + std::to_string(error.column) + ": " + error.message;
    return DescribeCalc(node);
}

CalcError ErrorOf(const std::string& source, int line = 7)
{
    CalcNode node;
    CalcError error;
    EXPECT_FALSE(ParseCalc(source, line, &node, &error)) << source;
    return error;
}

} // namespace

TEST(CalcParser, TextLiteralsAndEscapes)
{
    EXPECT_EQ(Parsed("\"abc\""), "\"abc\"");
    EXPECT_EQ(Parsed("\"\""), "\"\"");
    // ¶ inside a text is a return; \¶ keeps the character itself.
    CalcNode node;
    CalcError error;
    ASSERT_TRUE(ParseCalc("\"a¶b\\¶c\\\"d\\\\e\\n\"", 1, &node, &error));
    EXPECT_EQ(node.kind, CalcNode::Kind::Text);
    EXPECT_EQ(node.text, "a\rb¶c\"d\\e\\n");
}

TEST(CalcParser, Numbers)
{
    CalcNode node;
    CalcError error;
    ASSERT_TRUE(ParseCalc("  -12.25 ", 1, &node, &error));
    EXPECT_EQ(node.kind, CalcNode::Kind::Number);
    EXPECT_EQ(node.number, -12.25);
    ASSERT_TRUE(ParseCalc(".5", 1, &node, &error));
    EXPECT_EQ(node.number, 0.5);
    ASSERT_TRUE(ParseCalc("7.", 1, &node, &error));
    EXPECT_EQ(node.number, 7);
    ASSERT_TRUE(ParseCalc("- 3", 1, &node, &error));
    EXPECT_EQ(node.number, -3);
}

TEST(CalcParser, ConcatenationListsAndCalls)
{
    EXPECT_EQ(Parsed("\"a\" & 1 & ¶"), "cat(\"a\" & 1 & \"¶\")");
    EXPECT_EQ(Parsed("List ( \"a\" ; \"\" ; 2 )"), "list(\"a\" ; \"\" ; 2)");
    EXPECT_EQ(Parsed("list(\"a\")"), "list(\"a\")");
    EXPECT_EQ(Parsed("PVane_AddData ( \"c\" ; \"g\" ; 1 & ¶ & 2 )"),
              "call PVane_AddData(\"c\" ; \"g\" ; cat(1 & \"¶\" & 2))");
    EXPECT_EQ(Parsed("F(G(H(1));\"x\")"), "call F(call G(call H(1)) ; \"x\")");
    // Without parentheses, or with empty ones, a function takes no argument.
    EXPECT_EQ(Parsed("PVane_Version"), "call PVane_Version()");
    EXPECT_EQ(Parsed("PVane_Version ( )"), "call PVane_Version()");
    EXPECT_EQ(Parsed("( \"a\" & \"b\" ) & \"c\""), "cat(cat(\"a\" & \"b\") & \"c\")");
    EXPECT_EQ(Parsed("\t\"a\"\r\n&\n\"b\""), "cat(\"a\" & \"b\")");
}

TEST(CalcParser, UnclosedTextNamesItsOpeningQuote)
{
    CalcError e = ErrorOf("F ( \"abc ; 1 )", 12);
    EXPECT_EQ(e.line, 12);
    EXPECT_EQ(e.column, 5);
    EXPECT_NE(e.message.find("closing quote"), std::string::npos) << e.message;
    // An escaped quote does not close the text, a final backslash does not crash.
    EXPECT_EQ(ErrorOf("\"abc\\\"").column, 1);
    EXPECT_EQ(ErrorOf("\"abc\\").column, 1);
}

TEST(CalcParser, UnbalancedParentheses)
{
    CalcError open = ErrorOf("F ( G ( 1 ; 2 )");
    EXPECT_EQ(open.column, 16);   // the end, where ")" is missing
    EXPECT_NE(open.message.find("\"(\" at column 3"), std::string::npos) << open.message;

    CalcError extra = ErrorOf("F ( 1 ) )");
    EXPECT_EQ(extra.column, 9);
    EXPECT_NE(extra.message.find(")"), std::string::npos);

    EXPECT_EQ(ErrorOf("( 1").column, 4);
    EXPECT_EQ(ErrorOf(")").column, 1);
    EXPECT_EQ(ErrorOf("F ( 1 2 )").column, 7);
}

TEST(CalcParser, MissingValues)
{
    EXPECT_EQ(ErrorOf("").column, 1);
    EXPECT_EQ(ErrorOf("   ").column, 4);
    EXPECT_EQ(ErrorOf("\"a\" &").column, 6);
    EXPECT_EQ(ErrorOf("& \"a\"").column, 1);
    EXPECT_EQ(ErrorOf("F ( 1 ; )").column, 9);
    EXPECT_EQ(ErrorOf("F ( ; 1 )").column, 5);
    EXPECT_EQ(ErrorOf("-").column, 1);
    EXPECT_EQ(ErrorOf("-x").column, 1);
    EXPECT_EQ(ErrorOf(".").column, 1);
    EXPECT_EQ(ErrorOf("List").column, 1);
    EXPECT_EQ(ErrorOf("List ( )").column, 8);
}

TEST(CalcParser, ColumnsCountCharactersNotBytes)
{
    // Each ¶ is two bytes but one character: the stray "@" is the ninth.
    CalcError e = ErrorOf("¶&¶ & ¶ @");
    EXPECT_EQ(e.column, 9);
    EXPECT_NE(e.message.find("\"@\""), std::string::npos) << e.message;
    CalcError quote = ErrorOf("¶ & “a”");
    EXPECT_EQ(quote.column, 5);
    EXPECT_NE(quote.message.find("“"), std::string::npos) << quote.message;
}

TEST(CalcParser, TrailingGarbage)
{
    EXPECT_EQ(ErrorOf("12abc").column, 3);
    EXPECT_EQ(ErrorOf("\"a\" \"b\"").column, 5);
    EXPECT_EQ(ErrorOf("1 ; 2").column, 3);
    EXPECT_EQ(ErrorOf("1.2.3").column, 4);
    CalcError bytes = ErrorOf(std::string("1 & \x01"));
    EXPECT_NE(bytes.message.find("0x01"), std::string::npos) << bytes.message;
}

TEST(CalcParser, NumbersOutOfRange)
{
    EXPECT_EQ(ErrorOf(std::string(400, '9')).column, 1);
    CalcNode node;
    CalcError error;
    ASSERT_TRUE(ParseCalc("0.000000000000000000000000000001", 1, &node, &error));
    EXPECT_EQ(node.number, 1e-30);
}

TEST(CalcParser, NestingIsBounded)
{
    std::string deep;
    for (int i = 0; i < fmhost::kMaxCalcNesting; ++i) deep += "F(";
    deep += "1";
    for (int i = 0; i < fmhost::kMaxCalcNesting; ++i) deep += ")";
    EXPECT_NE(Parsed(deep).rfind("error", 0), 0u);
    CalcError e = ErrorOf("(" + deep + ")");
    EXPECT_NE(e.message.find("nested too deeply"), std::string::npos);
    // Very deep input without closing parentheses fails cleanly too.
    EXPECT_FALSE(ErrorOf(std::string(100000, '(')).message.empty());
}
