// The session handle and its implementation: open files and windows, the
// host's main window, the current file and the running script.
#include <algorithm>
#include <cstring>
#include <functional>
#include <new>
#include <stdexcept>

#include "fmapi/object_layout.h"
#include "fmx/FmImp.h"
#include "fmx/HostBinding.h"
#include "fmx/HostText.h"
#include "fmx/Plugin.h"
#include "plugin/CallContext.h"

namespace fmx {

using namespace fmapi::sym;

namespace {

// A name of a file of kind "fmname" is compared from a buffer of this size.
constexpr std::size_t kFmNameBuffer = 256;
// Window names of this length or more are never looked for.
constexpr std::size_t kWindowNameLimit = 256;

// Stops where a predicate holds and keeps that handle.
template <class H>
class PredicateEnumFunctor : public EnumCallback<H>::AbstractImp {
public:
    explicit PredicateEnumFunctor(std::function<bool(const H&)> test) : test_(std::move(test)) {}
    bool Call(const H& handle) override
    {
        if (!test_(handle))
            return false;
        found_ = handle;
        return true;
    }
    const H& Found() const { return found_; }

private:
    std::function<bool(const H&)> test_;
    H found_;
};

std::size_t LengthOf(const char* name, std::size_t length) { return length ? length : std::strlen(name); }

} // namespace

void ThrowBadAccess() { throw std::runtime_error("Bad access to FileMaker object"); }

Database DatabaseOfEnvironment(const FMExprEnv* env)
{
    if (!env)
        return Database();
    void* file = nullptr;
    std::memcpy(&file, reinterpret_cast<const unsigned char*>(env) + fmapi::kExprEnvFileOffset, sizeof file);
    return Database(static_cast<Draco::FMFileUser*>(file));
}

// ---- FmSessionImp

FmSessionImp::FmSessionImp() = default;

Draco::DBSession* FmSessionImp::GetCurrentSession() { return GetSessionFromID(1); }

std::string FmSessionImp::GetName(Draco::DBSession* session)
{
    std::string name;
    ReadHostText(GetSessionName(session), name);
    return name;
}

Database FmSessionImp::FindDatabase(Draco::DBSession* session, const FilePath& location)
{
    switch (location.GetKind()) {
    case FilePath::kNone:
    case FilePath::kFile:
        return Database();
    case FilePath::kFmName: {
        const std::string& name = location.GetName();
        if (name.size() > kFmNameBuffer)
            return Database();
        char buffer[kFmNameBuffer];
        std::memcpy(buffer, name.data(), name.size());
        FindObjectEnumFunctor<Database, std::string> find(std::string(buffer, name.size()));
        EnumDatabases(session, find);
        return find.Found();
    }
    default: {
        FindObjectEnumFunctor<Database, FilePath> find(location);
        EnumDatabases(session, find);
        return find.Found();
    }
    }
}

Database FmSessionImp::FindDatabaseByName(Draco::DBSession* session, const char* name, std::size_t length,
                                          bool ignoreExtension)
{
    if (!name)
        return Database();
    const std::string wanted(name, LengthOf(name, length));
    if (wanted.empty())
        return Database();
    PredicateEnumFunctor<Database> find([&](const Database& file) {
        std::string fileName = file.GetName();
        if (ignoreExtension) {
            const std::size_t dot = fileName.rfind('.');
            if (dot != std::string::npos && dot != 0)
                fileName.resize(dot);
        }
        return fileName == wanted;
    });
    EnumDatabases(session, find);
    return find.Found();
}

void FmSessionImp::EnumDatabases(Draco::DBSession*, EnumCallback<Database> callback)
{
    // Files are reached through their document windows only.
    FmWindowImp& windows = ImpOf<FmWindowImp>();
    std::vector<Draco::FMFileUser*> seen;
    for (DbWindow window = windows.GetFirst(); !window.IsEmpty(); window = windows.GetNext(window.get())) {
        const Database file = windows.GetDatabase(window.get());
        if (file.IsEmpty() || std::find(seen.begin(), seen.end(), file.get()) != seen.end())
            continue;
        seen.push_back(file.get());
        if (callback(file))
            return;
    }
}

DbWindow FmSessionImp::FindWindow(Draco::DBSession* session, const char* name, std::size_t length)
{
    if (!name)
        return DbWindow();
    length = LengthOf(name, length);
    if (length >= kWindowNameLimit)
        return DbWindow();
    FindObjectEnumFunctor<DbWindow, std::string> find(std::string(name, length));
    EnumWindows(session, find);
    return find.Found();
}

void FmSessionImp::EnumWindows(Draco::DBSession*, EnumCallback<DbWindow> callback)
{
    FmWindowImp& windows = ImpOf<FmWindowImp>();
    for (DbWindow window = windows.GetFirst(); !window.IsEmpty(); window = windows.GetNext(window.get()))
        if (callback(window))
            return;
}

Database FmSessionImp::GetCurrentDatabase(Draco::DBSession*)
{
    const __Quarrow__::CallContext* top = __Quarrow__::TopCallContext();
    if (!top || top->kind != __Quarrow__::CallContext::kFunctionCall)
        return Database();
    return DatabaseOfEnvironment(top->environment);
}

bool FmSessionImp::IsIdle(Draco::DBSession* session) { return !GetActiveScriptRuntime(session, true); }

std::int32_t FmSessionImp::EvaluateCurrent(const char* expression, Data& result)
{
    try {
        auto* env = const_cast<FMExprEnv*>(env_.get());
        if (HostCallback11(reinterpret_cast<std::intptr_t>(env), 0) != 0)
            return 1;
        Text text;
        text.Assign(expression);
        return env_.Evaluate(text, result) == 0 ? 0 : 1;
    } catch (const std::bad_alloc&) {
        return 2;
    } catch (...) {
        return 1;
    }
}

std::int32_t FmSessionImp::GetScriptParameter(Draco::DBSession*, Data& result)
{
    return EvaluateCurrent("Get( ScriptParameter )", result);
}

DbScript FmSessionImp::GetRunningScript(Draco::DBSession* session)
{
    return GetScriptOfRuntime(GetActiveScriptRuntime(session, false));
}

DbScript FmSessionImp::GetRunningScriptChecked(Draco::DBSession* session)
{
    return GetScriptOfRuntime(GetActiveScriptRuntime(session, true));
}

bool FmSessionImp::IsScriptPaused(Draco::DBSession* session)
{
    const Draco::ScriptRuntimeBase* runtime = GetScriptRuntime(session);
    return runtime && host::Call<ScriptRuntimeBase_IsPaused>(runtime);
}

Draco::ScriptRuntimeBase* FmSessionImp::GetActiveScriptRuntime(Draco::DBSession* session, bool skipPaused)
{
    Data name;
    if (EvaluateCurrent("Get( ScriptName )", name) != 0 || Text(name.GetAsText()).GetSize() == 0)
        return nullptr;
    Draco::ScriptRuntimeBase* runtime = GetScriptRuntime(session);
    if (runtime && skipPaused && host::Call<ScriptRuntimeBase_IsPaused>(runtime))
        return nullptr;
    return runtime;
}

DbScript FmSessionImp::GetScriptOfRuntime(Draco::ScriptRuntimeBase* runtime)
{
    if (!runtime)
        return DbScript();
    return ImpOf<FmScriptImp>().FromObject(host::Call<ScriptRuntimeBase_GetScript>(runtime));
}

Draco::DBSession* FmSessionImp::GetSessionFromID(std::uint32_t id)
{
    return host::Call<DBSession_GetSessionFromID>(id);
}

const Draco::unistring* FmSessionImp::GetSessionName(const Draco::DBSession* session)
{
    return host::Call<DBSession_GetSessionName>(session);
}

Draco::ScriptRuntimeBase* FmSessionImp::GetScriptRuntime(const Draco::DBSession* session)
{
    // The session is the user model's FMSession (fmapi/object_layout.h).
    return host::Call<FMSession_GetScriptRuntime>(reinterpret_cast<const Draco::FMSession*>(session));
}

// ---- Session

namespace {
FmSessionImp& Imp() { return ImpOf<FmSessionImp>(); }
} // namespace

Session Session::GetCurrent()
{
    static Draco::DBSession* current = nullptr;
    if (!current)
        current = Imp().GetCurrentSession();
    return Session(current);
}

std::string Session::GetName() const { return Imp().GetName(Checked()); }

Database Session::FindDatabase(const FilePath& location) const { return Imp().FindDatabase(Checked(), location); }

Database Session::FindDatabaseByName(const char* name, std::size_t length, bool ignoreExtension) const
{
    return Imp().FindDatabaseByName(Checked(), name, length, ignoreExtension);
}

void Session::EnumDatabases(EnumCallback<Database> callback) const { Imp().EnumDatabases(Checked(), callback); }

std::vector<Database> Session::GetDatabases() const
{
    std::vector<Database> list;
    BuildListEnumFunctor<Database> build(list);
    EnumDatabases(build);
    return list;
}

NativeWindow Session::GetHostMainWindow(bool refresh) const { return Imp().GetHostMainWindow(Checked(), refresh); }

DbWindow Session::FindWindow(const char* name, std::size_t length) const
{
    return Imp().FindWindow(Checked(), name, length);
}

void Session::EnumWindows(EnumCallback<DbWindow> callback) const { Imp().EnumWindows(Checked(), callback); }

std::vector<DbWindow> Session::GetWindows() const
{
    std::vector<DbWindow> list;
    BuildListEnumFunctor<DbWindow> build(list);
    EnumWindows(build);
    return list;
}

Database Session::GetCurrentDatabase() const { return Imp().GetCurrentDatabase(Checked()); }

bool Session::IsIdle() const { return Imp().IsIdle(Checked()); }

bool Session::IsHostBlocked() const { return Imp().IsHostBlocked(Checked()); }

bool Session::IsReadyForScript(bool checkModal) const
{
    if (!IsIdle())
        return false;
    return !checkModal || !IsHostBlocked();
}

std::int32_t Session::GetScriptParameter(Data& result) const { return Imp().GetScriptParameter(Checked(), result); }

DbScript Session::GetRunningScript() const { return Imp().GetRunningScript(Checked()); }

DbScript Session::GetRunningScriptChecked() const { return Imp().GetRunningScriptChecked(Checked()); }

bool Session::IsScriptPaused() const { return Imp().IsScriptPaused(Checked()); }

} // namespace fmx
