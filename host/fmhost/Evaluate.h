// Evaluation of parsed calculations through the host's function registry.
#pragma once

#include <cstdint>

#include "fmapi/fm_api.h"
#include "fmhost/Calc.h"

namespace fmhost {

// Evaluates into `result` (cleared first). Texts become values of type text,
// numbers of type number; Get ( ScriptName ) and Get ( ScriptParameter ) are
// the running script's (world/World.h); other calls go through
// FMH_CallFunction, which refuses a wrong argument count without calling the
// plug-in. The first call that
// answers an error stops the evaluation: its error is the answer and the
// result holds what that call left there. 0 on success.
std::int16_t EvaluateCalc(const CalcNode& calc, FMData* result);

// Makes FM_ExprEnv_Evaluate parse and evaluate here: a calculation that does
// not parse answers kFMHSyntaxError.
void InstallEvaluator();

} // namespace fmhost
