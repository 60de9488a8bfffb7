// Host-side extensions of libFMWrapper.so, used by the host simulator and by
// tests: the registry of plug-in functions, the calculation evaluator hook
// and failure injection. A plug-in never calls these.
#pragma once

#include <cstdint>
#include "fmapi/fm_api.h"

extern "C" {

struct FMHostFunction {
    std::uint32_t pluginId;       // four-character code, first char highest
    std::int16_t functionId;
    const char16_t* name;         // zero-terminated, valid until unregistered
    const char16_t* prototype;
    std::int16_t minArgs;
    std::int16_t maxArgs;        // -1: no upper limit
    std::uint32_t flags;         // as the host received them
    FMExtFunction function;
};

// Registered functions in registration order.
std::int32_t FMH_Registry_Count();
bool FMH_Registry_At(std::int32_t index, FMHostFunction* out);
// Lookup by name ignoring ASCII case.
bool FMH_Registry_Find(const char16_t* name, FMHostFunction* out);
// Calls a registered function as the host does: refuses a wrong argument
// count (answers kFMHWrongArgCount without calling the plug-in).
enum : std::int16_t { kFMHWrongArgCount = -10001, kFMHUnknownFunction = -10002 };
std::int16_t FMH_CallFunction(const char16_t* name, const FMDataVect* args, FMData* result);

// Further answers of this host.
enum : std::int16_t {
    kFMHAlreadyRegistered = -10003,   // (plug-in id, function id) or the name is taken
    kFMHNotRegistered = -10004,       // unregistering what is not registered
    kFMHBadRegistration = -10005,     // no name, prototype or callback; bad counts
    kFMHNoEvaluator = -10006,         // FM_ExprEnv_Evaluate without an evaluator
    kFMHSyntaxError = -10007,         // a calculation that does not parse
    kFMHTooDeep = -10008,             // calls nested beyond kFMHMaxCallDepth
    kFMHNoDatabase = -10009,          // FM_ExprEnv_ExecuteSQL: this host has no tables
    kFMHHostFailure = -10010,         // the host itself failed (memory, an exception)
};
enum : std::int32_t { kFMHMaxCallDepth = 64 };

// Fills env with the expression environment of the innermost function call
// in progress (the host's own when none runs): host callback #11. 0 on success.
std::int16_t FMH_ExprEnv_FillCurrent(FMExprEnv* env);
// Sets the file of the host's own expression environment (the first word of
// every environment made from it, fmapi/object_layout.h); null: none.
void FMH_ExprEnv_SetFile(void* file);
// How deep in nested function calls the environment was made: 1 for the
// environment of a call from a calculation, 2 for a call made while that one
// runs, ...; 0 outside any call. -1 for a null environment.
std::int32_t FMH_ExprEnv_Depth(const FMExprEnv* env);

// The evaluator behind FM_ExprEnv_Evaluate (set by the host program).
typedef std::int16_t (*FMHEvaluator)(const FMExprEnv* env, const FMText* expression,
                                     FMData* result);
void FMH_SetEvaluator(FMHEvaluator evaluator);

// Failure injection: the export named `function` (for example
// "FM_BinaryData_Add") fails with `code` (1 or 2) on its calls number
// skip + 1 ... skip + times counted from now. FMH_ClearFailures ends all.
void FMH_InjectFailure(const char* function, std::int32_t code, std::int32_t skip,
                       std::int32_t times);
void FMH_ClearFailures();

// Answer of FM_BinaryData_Add (not a memory failure) for error-path tests:
// non-zero makes the given stream type's add answer that code.
void FMH_SetAddAnswer(std::uint32_t streamType, std::int16_t answer);

} // extern "C"
