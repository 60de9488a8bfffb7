#include "fmx/ExecuteScriptTask.h"

namespace fmx {

namespace {

DbScript FindScript(const FilePath& file, const std::string& script)
{
    const Database database = Session::GetCurrent().FindDatabase(file);
    return database.IsEmpty() ? DbScript() : database.FindScript(script.c_str(), script.size());
}

// Tells the end of the script whenever its start was told, also when
// performing it throws.
class Notification {
public:
    Notification(ScriptNotification notify, std::uintptr_t context) : notify_(notify), context_(context)
    {
        if (notify_)
            notify_(0, context_);
    }
    ~Notification()
    {
        if (notify_)
            notify_(1, context_);
    }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

private:
    ScriptNotification notify_;
    std::uintptr_t context_;
};

} // namespace

ExecuteScriptTask::ExecuteScriptTask(std::uint8_t flag, const FilePath& file, std::string script,
                                     const FMData* parameter, ScriptNotification notify, std::uintptr_t context)
    : flag_(flag), file_(file), script_(std::move(script)), notify_(notify), context_(context)
{
    auto copy = std::make_unique<Data>();
    if (CopyData(parameter, *copy))
        parameter_ = std::move(copy);
}

bool ExecuteScriptTask::Run()
{
    if (!Session::GetCurrent().IsReadyForScript(true))
        return false;
    const DbScript script = FindScript(file_, script_);
    if (script.IsEmpty())
        return true;
    Notification told(notify_, context_);
    script.Perform(flag_, parameter_ ? parameter_->get() : nullptr);
    return true;
}

std::int16_t ExecuteScriptTask::Execute(std::uint8_t flag, const FilePath& file, const std::string& script,
                                        const FMData* parameter)
{
    if (!Session::GetCurrent().IsReadyForScript(true))
        return kHostNotReady;
    const DbScript found = FindScript(file, script);
    if (found.IsEmpty())
        return kNotFound;
    return found.Perform(flag, parameter);
}

} // namespace fmx
