// Calculations evaluated by fmhost through the host's registry.
#include <gtest/gtest.h>

#include <string>

#include "fmapi/fm_api.h"
#include "fmapi/fm_host.h"
#include "fmhost/Evaluate.h"
#include "fmhost/Values.h"

using namespace fmhost;

namespace {

std::string g_seen;   // what the functions were given
int g_calls = 0;

std::string Types(const FMDataVect* args)
{
    FMError e{1, 0};
    std::string out;
    for (std::uint32_t i = 0; i < FM_DataVect_Size(args, &e); ++i) {
        const FMData* d = FM_DataVect_At(args, i, &e);
        out += std::to_string(FM_Data_GetNativeType(d, &e)) + ":" + ToUtf8(TextOf(d)) + " ";
    }
    return out;
}

// id 1: records its arguments, answers their count; id 2: fails with -3,
// leaving "bad"; id 3: evaluates its first argument through the host.
std::int16_t Fn(std::int16_t id, const FMExprEnv* env, const FMDataVect* args, FMData* result)
{
    ++g_calls;
    FMError e{1, 0};
    if (id == 1) {
        g_seen += Types(args) + "| ";
        FMFixPt* f = FM_FixPt_Constructor1(static_cast<std::int32_t>(FM_DataVect_Size(args, &e)), &e);
        FM_Data_SetAsNumber(result, f, kFMTypeNumber, &e);
        FM_FixPt_Delete(f, &e);
        return 0;
    }
    Text t(NewText());
    if (id == 2) {
        Assign(t.get(), std::string_view("bad"));
        FM_Data_SetAsText(result, t.get(), nullptr, kFMTypeText, &e);
        return -3;
    }
    Assign(t.get(), TextOf(FM_DataVect_At(args, 0, &e)));
    return FM_ExprEnv_Evaluate(env, t.get(), result, &e);
}

class Evaluate : public ::testing::Test {
protected:
    void SetUp() override
    {
        FMError e{1, 0};
        plugin_ = FM_QuadChar_Constructor2('E', 'V', 'A', 'L', &e);
        Register(1, "Rec", 0, -1);
        Register(2, "Bad", 0, 0);
        Register(3, "Ev", 1, 1);
        Register(4, "Two", 2, 2);
        InstallEvaluator();
        g_seen.clear();
        g_calls = 0;
    }
    void TearDown() override
    {
        FMError e{1, 0};
        for (std::int16_t id = 1; id <= 4; ++id) FM_ExprEnv_UnRegisterExternalFunction(plugin_, id, &e);
        FM_QuadChar_Delete(plugin_, &e);
    }
    void Register(std::int16_t id, const char* name, std::int16_t min, std::int16_t max)
    {
        FMError e{1, 0};
        Text n(NewText());
        Assign(n.get(), std::string_view(name));
        ASSERT_EQ(FM_ExprEnv_RegisterExternalFunction(plugin_, id, n.get(), n.get(), min, max, 0, Fn, &e), 0);
    }
    // "E type:text" of the calculation's value.
    static std::string Run(const std::string& source)
    {
        CalcNode calc;
        CalcError error;
        if (!ParseCalc(source, 1, &calc, &error)) return "parse error";
        Data d(NewData());
        std::int16_t answer = EvaluateCalc(calc, d.get());
        FMError e{1, 0};
        return std::to_string(answer) + " " + std::to_string(FM_Data_GetNativeType(d.get(), &e)) + ":" +
               ToUtf8(TextOf(d.get()));
    }

    FMQuadChar* plugin_ = nullptr;
};

} // namespace

TEST_F(Evaluate, LiteralsAndOperators)
{
    EXPECT_EQ(Run("\"abc\""), "0 1:abc");
    EXPECT_EQ(Run("-2.50"), "0 2:-2.5");
    EXPECT_EQ(Run("\"n=\" & 0.1 & ¶ & \"x\""), "0 1:n=0.1\rx");
    EXPECT_EQ(Run("List ( \"a\" ; \"\" ; 3 ; List ( \"\" ) ; \"b¶\" )"), "0 1:a\r3\rb\r");
    EXPECT_EQ(Run("List ( \"\" )"), "0 1:");
}

TEST_F(Evaluate, ArgumentsReachThePluginWithTheirNativeTypes)
{
    EXPECT_EQ(Run("rec ( \"t\" ; 12 ; 1 & 2 ; List ( 1 ; 2 ) )"), "0 2:4");
    EXPECT_EQ(g_seen, "1:t 2:12 1:12 1:1\r2 | ");
    EXPECT_EQ(Run("REC"), "0 2:0");
    // Nested: the inner call's value is the outer call's argument.
    g_seen.clear();
    EXPECT_EQ(Run("Rec ( Rec ( 1 ; 2 ; 3 ) ; Rec )"), "0 2:2");
    EXPECT_EQ(g_seen, "2:1 2:2 2:3 | | 2:3 2:0 | ");
}

TEST_F(Evaluate, WrongCountsAndUnknownNamesAreRefused)
{
    EXPECT_EQ(Run("Two ( 1 )"), std::to_string(kFMHWrongArgCount) + " 0:");
    EXPECT_EQ(Run("Two ( 1 ; 2 ; 3 )"), std::to_string(kFMHWrongArgCount) + " 0:");
    EXPECT_EQ(Run("Bad ( 1 )"), std::to_string(kFMHWrongArgCount) + " 0:");
    EXPECT_EQ(g_calls, 0);
    EXPECT_EQ(Run("Nope ( 1 )"), std::to_string(kFMHUnknownFunction) + " 0:");
    // The refusal stops the calculation: the later call is not made.
    EXPECT_EQ(Run("\"a\" & Two ( 1 ) & Rec ( 1 )"), std::to_string(kFMHWrongArgCount) + " 0:");
    EXPECT_EQ(g_calls, 0);
}

TEST_F(Evaluate, AFailingCallStopsWithItsErrorAndValue)
{
    EXPECT_EQ(Run("Bad"), "-3 1:bad");
    g_calls = 0;
    EXPECT_EQ(Run("Rec ( \"x\" & Bad ; Rec )"), "-3 1:bad");
    EXPECT_EQ(g_calls, 1);   // Bad, and nothing after it
}

TEST_F(Evaluate, PluginsEvaluateThroughTheHost)
{
    EXPECT_EQ(Run("Ev ( \"Rec ( 1 ; 2 )\" )"), "0 2:2");
    EXPECT_EQ(Run(R"x(Ev ( "Ev ( \"\\\"inner\\\"\" )" ))x"), "0 1:inner");
    EXPECT_EQ(Run("Ev ( \"Bad\" )"), "-3 1:bad");
    EXPECT_EQ(Run("Ev ( \"Rec ( \" )"), std::to_string(kFMHSyntaxError) + " 0:");
    EXPECT_EQ(Run("Ev ( \"Ev ( 1 ) & 1\" )"), "0 1:11");
}
