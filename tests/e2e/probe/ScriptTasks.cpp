// Scripts performed through the host-access layer.
//
// Probe_Perform ( file ; script {; parameter {; control}} ): what
//   DbScript::Perform answers; 8 when the file (by its whole name) or the
//   script is not found.
// Probe_RunScript ( file ; script {; parameter} ): the script task's code
//   when run at once, the file given as "fmname:FILE".
// Probe_QueueScript ( file ; script {; parameter} ): queues a script task
//   (pause flag 0) through the file's handle: 1 when queued, 0 when not (or
//   the file is not found). The task's notifications append "script:0" and
//   "script:1" to the journal.
#include "fmx/DbHandles.h"
#include "fmx/ExecuteScriptTask.h"
#include "tests/e2e/probe/Probe.h"

namespace probe {
namespace {

constexpr std::int16_t kNotFound = 8;

const FMData* Parameter(const FMDataVect* args)
{
    return ArgCount(args) > 2 ? fmx::DataVect(args).At(2) : nullptr;
}

fmx::Database FileNamed(const FMDataVect* args)
{
    const std::string name = TextArg(args, 0);
    return fmx::Session::GetCurrent().FindDatabaseByName(name.c_str(), name.size());
}

std::int16_t Perform(std::int16_t, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    const fmx::Database file = FileNamed(args);
    const std::string name = TextArg(args, 1);
    const fmx::DbScript script = file.IsEmpty() ? fmx::DbScript() : file.FindScript(name.c_str(), name.size());
    const auto control = static_cast<std::uint8_t>(ArgCount(args) > 3 ? IntegerArg(args, 3) : 0);
    SetNumber(result, script.IsEmpty() ? kNotFound : script.Perform(control, Parameter(args)));
    return 0;
}

std::int16_t RunScript(std::int16_t, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    fmx::FilePath location;
    location.SetFromText("fmname:" + TextArg(args, 0));
    SetNumber(result, fmx::ExecuteScriptTask::Execute(0, location, TextArg(args, 1), Parameter(args)));
    return 0;
}

void Notified(std::int32_t state, std::uintptr_t) { Journal("script:" + std::to_string(state)); }

std::int16_t QueueScript(std::int16_t, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    const fmx::Database file = FileNamed(args);
    SetNumber(result, !file.IsEmpty() && file.ExecuteScript(TextArg(args, 1), Parameter(args), 0, &Notified));
    return 0;
}

const Registration kPerform({7, L"Probe_Perform", L"Probe_Perform ( file ; script {; parameter {; control}} )", 2,
                             4, &Perform});
const Registration kRun({8, L"Probe_RunScript", L"Probe_RunScript ( file ; script {; parameter} )", 2, 3,
                         &RunScript});
const Registration kQueue({9, L"Probe_QueueScript", L"Probe_QueueScript ( file ; script {; parameter} )", 2, 3,
                           &QueueScript});

} // namespace
} // namespace probe
