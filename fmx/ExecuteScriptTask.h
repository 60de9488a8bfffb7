// An idle task that performs a script of an open file as soon as the host is
// ready for one: no script runs and the host's main window takes input.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "fmx/DbHandles.h"
#include "fmx/FMWrapper.h"
#include "fmx/IdleTaskMgr.h"

namespace fmx {

class ExecuteScriptTask : public IdleTask {
public:
    // Answers of the static form.
    enum : std::int16_t { kHostNotReady = 13, kNotFound = 8 };

    // The parameter is copied now by its type (text, number, date, time, time
    // stamp or container); any other becomes none. `flag` is the control
    // value the script is performed with; `notify` (optional) hears 0 before
    // and 1 after.
    ExecuteScriptTask(std::uint8_t flag, const FilePath& file, std::string script, const FMData* parameter,
                      ScriptNotification notify = nullptr, std::uintptr_t context = 0);

    // False while the host is not ready; true once the script was performed
    // or the file or script turned out missing.
    bool Run() override;

    // Performs at once: kHostNotReady, kNotFound, or the answer of
    // DbScript::Perform.
    static std::int16_t Execute(std::uint8_t flag, const FilePath& file, const std::string& script,
                                const FMData* parameter);

private:
    std::uint8_t flag_;
    FilePath file_;
    std::string script_;
    std::unique_ptr<Data> parameter_;
    ScriptNotification notify_;
    std::uintptr_t context_;
};

} // namespace fmx
