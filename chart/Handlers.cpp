// Handlers of the chart functions whose work is not built yet.
#include "chart/PVPlugin.h"
#include "plugin/ResultCodes.h"

namespace {
[[noreturn]] void NotSupported() { throw PVStandardException(-4); }
} // namespace

std::int16_t PVPlugin::SetupLog(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*) { NotSupported(); }
std::int16_t PVPlugin::CreateChart(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*) { NotSupported(); }
std::int16_t PVPlugin::AddGraph(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*) { NotSupported(); }
std::int16_t PVPlugin::AddData(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*) { NotSupported(); }
std::int16_t PVPlugin::AddLabels(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*) { NotSupported(); }
std::int16_t PVPlugin::GetChart(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*) { NotSupported(); }
std::int16_t PVPlugin::DestroyChart(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*) { NotSupported(); }
std::int16_t PVPlugin::AddPieColors(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*) { NotSupported(); }
