// The host's function registry, function calls, the evaluator hook and
// failure injection.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "fmapi/fm_api.h"
#include "fmapi/fm_host.h"

namespace {

struct Err : FMError {
    Err() : FMError{1, 0} {}
};

int g_calls = 0;
std::int16_t g_lastId = 0;
std::int32_t g_lastDepth = 0;

std::int16_t Count(std::int16_t id, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    ++g_calls;
    g_lastId = id;
    Err e;
    FMFixPt* f = FM_FixPt_Constructor1(static_cast<std::int32_t>(FM_DataVect_Size(args, &e)), &e);
    FM_Data_SetAsNumber(result, f, kFMTypeNumber, &e);
    FM_FixPt_Delete(f, &e);
    return 0;
}

struct Registrar {
    FMQuadChar* plugin;
    Registrar(char a = 'T', char b = 'E', char c = 'S', char d = 'T')
    {
        Err e;
        plugin = FM_QuadChar_Constructor2(a, b, c, d, &e);
    }
    ~Registrar()
    {
        Err e;
        for (int id = 0; id < 16; ++id) FM_ExprEnv_UnRegisterExternalFunction(plugin, static_cast<std::int16_t>(id), &e);
        FM_QuadChar_Delete(plugin, &e);
    }
    std::int16_t Register(std::int16_t id, const char* name, std::int16_t min, std::int16_t max,
                          std::uint32_t flags = 0, FMExtFunction fn = Count)
    {
        Err e;
        FMText* n = FM_Text_Constructor1(&e);
        FMText* p = FM_Text_Constructor1(&e);
        FM_Text_Assign(n, name, kFMEncUTF8, &e);
        FM_Text_Assign(p, (std::string(name) + "( x )").c_str(), kFMEncUTF8, &e);
        std::int16_t answer = FM_ExprEnv_RegisterExternalFunction(plugin, id, n, p, min, max, flags, fn, &e);
        EXPECT_EQ(e.code, 0);
        FM_Text_Delete(n, &e);
        FM_Text_Delete(p, &e);
        return answer;
    }
    std::int16_t Unregister(std::int16_t id)
    {
        Err e;
        return FM_ExprEnv_UnRegisterExternalFunction(plugin, id, &e);
    }
};

// Calls `name` with `count` empty arguments.
std::int16_t CallWith(const char16_t* name, int count, double* answer = nullptr)
{
    Err e;
    FMDataVect* v = FM_DataVect_Constructor1(&e);
    FMData* d = FM_Data_Constructor1(&e);
    for (int i = 0; i < count; ++i) FM_DataVect_PushBack(v, d, &e);
    std::int16_t error = FMH_CallFunction(name, v, d);
    if (answer) *answer = FM_FixPt_AsDouble(FM_Data_GetAsNumber(d, &e), &e);
    FM_Data_Delete(d, &e);
    FM_DataVect_Delete(v, &e);
    return error;
}

} // namespace

TEST(Registry, KeepsWhatPluginsRegister)
{
    Registrar r;
    EXPECT_EQ(r.Register(3, "PV_Three", 1, 2, 0x0000FF01), 0);
    EXPECT_EQ(r.Register(4, "PV_Four", 0, -1), 0);
    ASSERT_EQ(FMH_Registry_Count(), 2);
    FMHostFunction f{};
    ASSERT_TRUE(FMH_Registry_At(0, &f));
    EXPECT_EQ(f.pluginId, 0x54455354u);   // 'TEST'
    EXPECT_EQ(f.functionId, 3);
    EXPECT_EQ(std::u16string(f.name), u"PV_Three");
    EXPECT_EQ(std::u16string(f.prototype), u"PV_Three( x )");
    EXPECT_EQ(f.minArgs, 1);
    EXPECT_EQ(f.maxArgs, 2);
    EXPECT_EQ(f.flags, 0x0000FF01u);
    EXPECT_EQ(f.function, &Count);
    EXPECT_FALSE(FMH_Registry_At(2, &f));
    EXPECT_FALSE(FMH_Registry_At(-1, &f));
    ASSERT_TRUE(FMH_Registry_Find(u"pv_FOUR", &f));   // names ignore case
    EXPECT_EQ(f.functionId, 4);
    EXPECT_EQ(f.maxArgs, -1);
    EXPECT_FALSE(FMH_Registry_Find(u"PV_Five", &f));
}

TEST(Registry, RefusesTakenIdsAndNamesAndBadCounts)
{
    Registrar r;
    Registrar other('O', 'T', 'H', 'R');
    ASSERT_EQ(r.Register(1, "PV_One", 0, 1), 0);
    EXPECT_EQ(r.Register(1, "PV_Other", 0, 1), kFMHAlreadyRegistered);
    EXPECT_EQ(other.Register(2, "pv_one", 0, 1), kFMHAlreadyRegistered);
    EXPECT_EQ(other.Register(1, "PV_Mine", 0, 1), 0);   // same id, other plug-in
    EXPECT_EQ(r.Register(5, "PV_Bad", 2, 1), kFMHBadRegistration);
    EXPECT_EQ(r.Register(5, "PV_Bad", -1, 1), kFMHBadRegistration);
    EXPECT_EQ(r.Register(5, "PV_Bad", 0, -2), kFMHBadRegistration);
    EXPECT_EQ(r.Register(5, "PV_Bad", 0, 1, 0, nullptr), kFMHBadRegistration);
    EXPECT_EQ(r.Register(5, "", 0, 1), kFMHBadRegistration);
    EXPECT_EQ(FMH_Registry_Count(), 2);
}

TEST(Registry, UnregisterRemovesOnlyWhatIsThere)
{
    Registrar r;
    ASSERT_EQ(r.Register(1, "PV_One", 0, 1), 0);
    ASSERT_EQ(r.Register(2, "PV_Two", 0, 1), 0);
    EXPECT_EQ(r.Unregister(1), 0);
    EXPECT_EQ(r.Unregister(1), kFMHNotRegistered);
    EXPECT_EQ(r.Unregister(9), kFMHNotRegistered);
    ASSERT_EQ(FMH_Registry_Count(), 1);
    EXPECT_EQ(CallWith(u"PV_One", 0), kFMHUnknownFunction);
    // Once gone, the id and the name can be registered again.
    EXPECT_EQ(r.Register(1, "PV_One", 0, 0), 0);
    FMHostFunction f{};
    ASSERT_TRUE(FMH_Registry_At(1, &f));
    EXPECT_EQ(f.functionId, 1);   // registration order
}

TEST(Registry, WrongArgumentCountsNeverReachThePlugin)
{
    Registrar r;
    ASSERT_EQ(r.Register(7, "PV_Range", 1, 2), 0);
    ASSERT_EQ(r.Register(8, "PV_Open", 2, -1), 0);
    g_calls = 0;
    EXPECT_EQ(CallWith(u"PV_Range", 0), kFMHWrongArgCount);
    EXPECT_EQ(CallWith(u"PV_Range", 3), kFMHWrongArgCount);
    EXPECT_EQ(CallWith(u"PV_Open", 1), kFMHWrongArgCount);
    EXPECT_EQ(g_calls, 0);
    double n = 0;
    EXPECT_EQ(CallWith(u"pv_range", 2, &n), 0);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(g_lastId, 7);
    EXPECT_EQ(CallWith(u"PV_Open", 40, &n), 0);
    EXPECT_EQ(n, 40);
    EXPECT_EQ(g_calls, 2);
    EXPECT_EQ(CallWith(u"PV_Missing", 0), kFMHUnknownFunction);
    EXPECT_EQ(FMH_CallFunction(nullptr, nullptr, nullptr), kFMHUnknownFunction);
}

namespace {

// Calls itself through the host until the host stops it.
std::int16_t Recurse(std::int16_t, const FMExprEnv* env, const FMDataVect* args, FMData* result)
{
    g_lastDepth = FMH_ExprEnv_Depth(env);
    FMError e{1, 0};
    FMExprEnv* current = FM_ExprEnv_Constructor1(&e);
    EXPECT_EQ(FMH_ExprEnv_FillCurrent(current), 0);
    EXPECT_EQ(FMH_ExprEnv_Depth(current), g_lastDepth);
    FM_ExprEnv_Delete(current, &e);
    return FMH_CallFunction(u"PV_Recurse", args, result);
}

std::int16_t Evaluator(const FMExprEnv*, const FMText* expression, FMData* result)
{
    Err e;
    FM_Data_SetAsText(result, expression, nullptr, kFMTypeText, &e);
    return 17;
}

} // namespace

TEST(Registry, NestedCallsSeeTheirOwnEnvironmentAndAreBounded)
{
    Registrar r;
    ASSERT_EQ(r.Register(1, "PV_Recurse", 0, 0, 0, Recurse), 0);
    EXPECT_EQ(CallWith(u"PV_Recurse", 0), kFMHTooDeep);
    EXPECT_EQ(g_lastDepth, kFMHMaxCallDepth);
    FMError e{1, 0};
    FMExprEnv* outside = FM_ExprEnv_Constructor1(&e);
    EXPECT_EQ(FMH_ExprEnv_FillCurrent(outside), 0);
    EXPECT_EQ(FMH_ExprEnv_Depth(outside), 0);   // no call in progress any more
    FM_ExprEnv_Delete(outside, &e);
    EXPECT_NE(FMH_ExprEnv_FillCurrent(nullptr), 0);
    EXPECT_EQ(FMH_ExprEnv_Depth(nullptr), -1);
}

TEST(Evaluator, EvaluateGoesThroughTheHook)
{
    Err e;
    FMExprEnv* env = FM_ExprEnv_Constructor1(&e);
    FMText* t = FM_Text_Constructor1(&e);
    FM_Text_Assign(t, "1 & 2", kFMEncUTF8, &e);
    FMData* d = FM_Data_Constructor1(&e);
    FMH_SetEvaluator(nullptr);   // none left by an earlier test
    EXPECT_EQ(FM_ExprEnv_Evaluate(env, t, d, &e), kFMHNoEvaluator);
    FMH_SetEvaluator(Evaluator);
    EXPECT_EQ(FM_ExprEnv_Evaluate(env, t, d, &e), 17);
    EXPECT_EQ(FM_Data_GetNativeType(d, &e), kFMTypeText);
    EXPECT_EQ(e.code, 0);
    FM_ExprEnv_Evaluate(env, nullptr, d, &e);
    EXPECT_EQ(e.code, 2);
    FMH_SetEvaluator(nullptr);
    FM_Data_Delete(d, &e);
    FM_Text_Delete(t, &e);
    FM_ExprEnv_Delete(env, &e);
}

TEST(FailureInjection, AnExportFailsOnTheChosenCalls)
{
    Err e;
    FMH_InjectFailure("FM_Text_Constructor1", 1, 1, 2);
    FMText* first = FM_Text_Constructor1(&e);   // skipped
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(e.code, 0);
    EXPECT_EQ(FM_Text_Constructor1(&e), nullptr);
    EXPECT_EQ(e.code, 1);
    EXPECT_EQ(FM_Text_Constructor1(&e), nullptr);
    EXPECT_EQ(e.code, 1);
    FMText* later = FM_Text_Constructor1(&e);   // the plan is used up
    EXPECT_NE(later, nullptr);
    EXPECT_EQ(e.code, 0);

    FMH_InjectFailure("FM_Text_AppendText", 2, 0, 100);
    FM_Text_Assign(first, "abc", kFMEncUTF8, &e);
    FM_Text_AppendText(later, first, 0, 3, &e);
    EXPECT_EQ(e.code, 2);
    EXPECT_EQ(FM_Text_GetSize(later, &e), 0u);   // nothing done
    EXPECT_EQ(e.code, 0);                        // other exports unaffected
    FMH_ClearFailures();
    FM_Text_AppendText(later, first, 0, 3, &e);
    EXPECT_EQ(e.code, 0);
    EXPECT_EQ(FM_Text_GetSize(later, &e), 3u);
    FM_Text_Delete(first, &e);
    FM_Text_Delete(later, &e);
}

TEST(FailureInjection, RegistrationCanFailLikeAnyExport)
{
    Registrar r;
    FMH_InjectFailure("FM_ExprEnv_RegisterExternalFunction", 2, 0, 1);
    Err e;
    FMText* n = FM_Text_Constructor1(&e);
    FM_Text_Assign(n, "PV_X", kFMEncUTF8, &e);
    FM_ExprEnv_RegisterExternalFunction(r.plugin, 1, n, n, 0, 0, 0, Count, &e);
    EXPECT_EQ(e.code, 2);
    EXPECT_EQ(FMH_Registry_Count(), 0);
    EXPECT_EQ(FM_ExprEnv_RegisterExternalFunction(r.plugin, 1, n, n, 0, 0, 0, Count, &e), 0);
    EXPECT_EQ(e.code, 0);
    FM_Text_Delete(n, &e);
}
