// The database handle and its implementation: a file's name and location,
// its windows, layouts and scripts, its font mapper and its script tasks.
#include <cstring>
#include <memory>

#include "fmx/ExecuteScriptTask.h"
#include "fmx/FmImp.h"
#include "fmx/HostBinding.h"
#include "fmx/IdleTaskMgr.h"

namespace fmx {

using namespace fmapi::sym;

namespace {

constexpr std::size_t kWindowNameLimit = 256;
constexpr std::size_t kMemberNameLimit = 100;

std::size_t LengthOf(const char* name, std::size_t length) { return length ? length : std::strlen(name); }

FmDatabaseImp& Imp() { return ImpOf<FmDatabaseImp>(); }

} // namespace

// ---- FmDatabaseImp

FilePath FmDatabaseImp::GetFilePath(Draco::FMFileUser* file)
{
    FilePath location;
    const Draco::UniversalPath* path = GetUniversalPath(file);
    if (path)
        location.SetFromUniversalPath(*path);
    return location;
}

std::string FmDatabaseImp::GetPathText(Draco::FMFileUser* file)
{
    std::string text;
    GetFilePath(file).GetText(text);
    return text;
}

DbWindow FmDatabaseImp::FindWindow(Draco::FMFileUser* file, const char* name, std::size_t length)
{
    if (!name)
        return DbWindow();
    length = LengthOf(name, length);
    if (length >= kWindowNameLimit)
        return DbWindow();
    FindObjectEnumFunctor<DbWindow, std::string> find(std::string(name, length));
    EnumWindows(file, find);
    return find.Found();
}

void FmDatabaseImp::EnumWindows(Draco::FMFileUser* file, EnumCallback<DbWindow> callback)
{
    FmWindowImp& windows = ImpOf<FmWindowImp>();
    for (DbWindow window = windows.GetFirst(); !window.IsEmpty(); window = windows.GetNext(window.get()))
        if (windows.GetDatabase(window.get()).get() == file && callback(window))
            return;
}

DbLayout FmDatabaseImp::FindLayout(Draco::FMFileUser* file, const char* name, std::size_t length)
{
    if (!name)
        return DbLayout();
    length = LengthOf(name, length);
    if (length > kMemberNameLimit)
        return DbLayout();
    FindObjectEnumFunctor<DbLayout, std::string> find(std::string(name, length));
    EnumLayouts(file, find);
    return find.Found();
}

void FmDatabaseImp::EnumLayouts(Draco::FMFileUser* file, EnumCallback<DbLayout> callback)
{
    ImpOf<FmLayoutImp>().Walk(file, callback);
}

DbScript FmDatabaseImp::FindScript(Draco::FMFileUser* file, const char* name, std::size_t length)
{
    if (!name)
        return DbScript();
    length = LengthOf(name, length);
    if (length > kMemberNameLimit)
        return DbScript();
    FindObjectEnumFunctor<DbScript, std::string> find(std::string(name, length));
    EnumScripts(file, find);
    return find.Found();
}

void FmDatabaseImp::EnumScripts(Draco::FMFileUser* file, EnumCallback<DbScript> callback)
{
    ImpOf<FmScriptImp>().Walk(file, callback);
}

DbWindow FmDatabaseImp::GetDefaultWindow(Draco::FMFileUser* file)
{
    const Draco::FMWindowModel* model = GetDefaultWindowModel(file);
    if (!model)
        return DbWindow();
    FmWindowImp& windows = ImpOf<FmWindowImp>();
    for (DbWindow window = windows.GetFirst(); !window.IsEmpty(); window = windows.GetNext(window.get()))
        if (windows.GetModel(window.get()) == model)
            return window;
    return DbWindow();
}



// ---- Database

std::string Database::GetName() const { return Imp().GetName(Checked()); }

FilePath Database::GetFilePath() const { return Imp().GetFilePath(Checked()); }

std::string Database::GetPathText() const { return Imp().GetPathText(Checked()); }

DbWindow Database::FindWindow(const char* name, std::size_t length) const
{
    return Imp().FindWindow(Checked(), name, length);
}

void Database::EnumWindows(EnumCallback<DbWindow> callback) const { Imp().EnumWindows(Checked(), callback); }

std::vector<DbWindow> Database::GetWindows() const
{
    std::vector<DbWindow> list;
    BuildListEnumFunctor<DbWindow> build(list);
    EnumWindows(build);
    return list;
}

DbLayout Database::FindLayout(const char* name, std::size_t length) const
{
    return Imp().FindLayout(Checked(), name, length);
}

void Database::EnumLayouts(EnumCallback<DbLayout> callback) const { Imp().EnumLayouts(Checked(), callback); }

std::vector<DbLayout> Database::GetLayouts() const
{
    std::vector<DbLayout> list;
    BuildListEnumFunctor<DbLayout> build(list);
    EnumLayouts(build);
    return list;
}

DbScript Database::FindScript(const char* name, std::size_t length) const
{
    return Imp().FindScript(Checked(), name, length);
}

void Database::EnumScripts(EnumCallback<DbScript> callback) const { Imp().EnumScripts(Checked(), callback); }

std::vector<DbScript> Database::GetScripts() const
{
    std::vector<DbScript> list;
    BuildListEnumFunctor<DbScript> build(list);
    EnumScripts(build);
    return list;
}

DbWindow Database::GetDefaultWindow() const { return Imp().GetDefaultWindow(Checked()); }

DbWindow Database::GetFirstWindow() const
{
    struct First : EnumCallback<DbWindow>::AbstractImp {
        DbWindow window;
        bool Call(const DbWindow& w) override
        {
            window = w;
            return true;
        }
    } find;
    EnumWindows(find);
    return find.window;
}


bool Database::ExecuteScript(const std::string& script, const FMData* parameter, std::uint8_t flag,
                             ScriptNotification notify, std::uintptr_t context) const
{
    // The task finds the file again by its location, or by its name when the
    // location has no notation.
    FilePath location = GetFilePath();
    if (location.GetKind() == FilePath::kNone)
        location.SetFromText("fmname:" + GetName());
    auto task = std::make_unique<ExecuteScriptTask>(flag, location, script, parameter, notify, context);
    return IdleTaskMgr::GetInstance().AddTask(std::move(task));
}

} // namespace fmx
