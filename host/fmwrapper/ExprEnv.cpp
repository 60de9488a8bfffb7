// Expression environments, the registry of plug-in functions and the calls
// of those functions, the evaluator hook, and the newer expression exports.
#include "Internal.h"

#include <algorithm>

using fmw::Call;
using fmw::Failure;
using fmw::Need;
using fmw::Run;

namespace {

struct Entry {
    std::uint32_t pluginId;
    std::int16_t functionId;
    std::u16string name;
    std::u16string prototype;
    std::int16_t minArgs;
    std::int16_t maxArgs;
    std::uint32_t flags;
    FMExtFunction function;
};

std::vector<std::unique_ptr<Entry>>& Registry()
{
    static std::vector<std::unique_ptr<Entry>> entries;
    return entries;
}

// Environments of the calls in progress, innermost last.
std::vector<const FMExprEnv*>& Calls()
{
    static std::vector<const FMExprEnv*> calls;
    return calls;
}

FMExprEnv& HostEnvironment()
{
    static FMExprEnv host;
    return host;
}

const FMExprEnv& Current()
{
    return Calls().empty() ? HostEnvironment() : *Calls().back();
}

FMHEvaluator& Evaluator()
{
    static FMHEvaluator evaluator = nullptr;
    return evaluator;
}

char16_t Lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool SameName(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

const Entry* FindByName(std::u16string_view name)
{
    for (const auto& e : Registry())
        if (SameName(e->name, name)) return e.get();
    return nullptr;
}

void Describe(const Entry& e, FMHostFunction* out)
{
    out->pluginId = e.pluginId;
    out->functionId = e.functionId;
    out->name = e.name.c_str();
    out->prototype = e.prototype.c_str();
    out->minArgs = e.minArgs;
    out->maxArgs = e.maxArgs;
    out->flags = e.flags;
    out->function = e.function;
}

bool CountFits(const Entry& e, std::uint32_t count)
{
    if (count < static_cast<std::uint32_t>(std::max<std::int16_t>(e.minArgs, 0))) return false;
    return e.maxArgs < 0 || count <= static_cast<std::uint32_t>(e.maxArgs);
}

} // namespace

extern "C" {

FMExprEnv* FM_ExprEnv_Constructor1(FMError* err)
{
    return Call(__func__, err, static_cast<FMExprEnv*>(nullptr), [] { return new FMExprEnv; });
}

void FM_ExprEnv_Delete(FMExprEnv* e, FMError* err)
{
    Run(__func__, err, [&] { delete e; });
}

std::int16_t FM_ExprEnv_Evaluate(const FMExprEnv* e, const FMText* expression, FMData* result,
                                 FMError* err)
{
    return Call(__func__, err, static_cast<std::int16_t>(-1), [&]() -> std::int16_t {
        Need(expression);
        Need(result);
        FMHEvaluator evaluator = Evaluator();
        if (!evaluator) return kFMHNoEvaluator;
        return evaluator(e, expression, result);
    });
}

std::int16_t FM_ExprEnv_RegisterExternalFunction(const FMQuadChar* pluginId,
                                                 std::int16_t functionId, const FMText* name,
                                                 const FMText* prototype, std::int16_t minArgs,
                                                 std::int16_t maxArgs,
                                                 std::uint32_t compatibleFlags,
                                                 FMExtFunction function, FMError* err)
{
    return Call(__func__, err, static_cast<std::int16_t>(-1), [&]() -> std::int16_t {
        if (!pluginId || !name || !prototype || !function || name->units.empty())
            return kFMHBadRegistration;
        if (minArgs < 0 || maxArgs < -1 || (maxArgs != -1 && minArgs > maxArgs))
            return kFMHBadRegistration;
        auto& registry = Registry();
        for (const auto& e : registry)
            if ((e->pluginId == pluginId->value && e->functionId == functionId) ||
                SameName(e->name, name->units))
                return kFMHAlreadyRegistered;
        registry.push_back(std::make_unique<Entry>(Entry{pluginId->value, functionId, name->units,
                                                         prototype->units, minArgs, maxArgs,
                                                         compatibleFlags, function}));
        return 0;
    });
}

std::int16_t FM_ExprEnv_UnRegisterExternalFunction(const FMQuadChar* pluginId,
                                                   std::int16_t functionId, FMError* err)
{
    return Call(__func__, err, static_cast<std::int16_t>(-1), [&]() -> std::int16_t {
        Need(pluginId);
        auto& registry = Registry();
        auto it = std::find_if(registry.begin(), registry.end(), [&](const auto& e) {
            return e->pluginId == pluginId->value && e->functionId == functionId;
        });
        if (it == registry.end()) return kFMHNotRegistered;
        registry.erase(it);
        return 0;
    });
}

#if PV_FMWRAPPER_NEWER_EXPORTS

// This host has no tables in its files, so there is nothing to query.
std::int16_t FM_ExprEnv_ExecuteSQL(const FMExprEnv* e, const FMText* statement, FMData* result,
                                   char16_t columnSeparator, char16_t rowSeparator, FMError* err)
{
    (void)e;
    (void)columnSeparator;
    (void)rowSeparator;
    return Call(__func__, err, static_cast<std::int16_t>(-1), [&]() -> std::int16_t {
        Need(statement);
        *Need(result) = FMData{};
        result->type = kFMTypeText;
        return kFMHNoDatabase;
    });
}

// The newer host answers font questions without a font table: no id has a
// font, no name an id (a plug-in on an older host asks the file's font mapper).
bool FM_Data_GetFontInfo(const FMData* d, std::int16_t fontId, FMText* fontName,
                         std::int16_t* fontScript, const FMExprEnv* env, FMError* err)
{
    (void)fontId;
    (void)fontScript;
    (void)env;
    return Call(__func__, err, false, [&] {
        Need(d);
        Need(fontName);
        return false;
    });
}

std::int16_t FM_Data_GetFontID(const FMData* d, const FMText* fontName, std::int16_t fontScript,
                               const FMExprEnv* env, FMError* err)
{
    (void)fontScript;
    (void)env;
    return Call(__func__, err, static_cast<std::int16_t>(0), [&]() -> std::int16_t {
        Need(d);
        Need(fontName);
        return 0;
    });
}

#endif

// ---- Host side

std::int32_t FMH_Registry_Count()
{
    return static_cast<std::int32_t>(Registry().size());
}

bool FMH_Registry_At(std::int32_t index, FMHostFunction* out)
{
    if (!out || index < 0 || static_cast<std::size_t>(index) >= Registry().size()) return false;
    Describe(*Registry()[static_cast<std::size_t>(index)], out);
    return true;
}

bool FMH_Registry_Find(const char16_t* name, FMHostFunction* out)
{
    if (!name || !out) return false;
    const Entry* e = FindByName(name);
    if (!e) return false;
    Describe(*e, out);
    return true;
}

std::int16_t FMH_CallFunction(const char16_t* name, const FMDataVect* args, FMData* result)
{
    if (!name || !result) return kFMHUnknownFunction;
    const Entry* e = FindByName(name);
    if (!e) return kFMHUnknownFunction;
    static const FMDataVect none;
    if (!args) args = &none;
    if (!CountFits(*e, static_cast<std::uint32_t>(args->items.size()))) return kFMHWrongArgCount;
    auto& calls = Calls();
    if (calls.size() >= static_cast<std::size_t>(kFMHMaxCallDepth)) return kFMHTooDeep;

    // The entry may go while the function runs (it can unregister itself).
    FMExtFunction function = e->function;
    std::int16_t id = e->functionId;
    FMExprEnv env = Current();
    env.depth = static_cast<std::int32_t>(calls.size()) + 1;
    try {
        calls.push_back(&env);
    } catch (...) {
        return kFMHHostFailure;
    }
    std::int16_t answer = kFMHHostFailure;
    try {
        answer = function(id, &env, args, result);
    } catch (...) {
        answer = kFMHHostFailure;
    }
    calls.pop_back();
    return answer;
}

void FMH_SetEvaluator(FMHEvaluator evaluator)
{
    Evaluator() = evaluator;
}

std::int16_t FMH_ExprEnv_FillCurrent(FMExprEnv* env)
{
    if (!env) return -1;
    *env = Current();
    return 0;
}

void FMH_ExprEnv_SetFile(void* file)
{
    HostEnvironment().file = file;
}

std::int32_t FMH_ExprEnv_Depth(const FMExprEnv* env)
{
    return env ? env->depth : -1;
}

} // extern "C"
