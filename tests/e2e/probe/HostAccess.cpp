// The host's session, files and windows as the host-access layer sees them.
//
// Probe_Session ( what {; a {; b}} )
//   "databases", "windows": names front to back, joined by returns
//   "find" (name; ignore extension 0/1), "findwindow" (title): the name found
//   or empty; "exists" (a location in path notation): 1/0
//   "current", "script", "scriptchecked", "parameter": text
//   "ready", "readymodal", "idle", "blocked", "paused": 1/0
//   "mainwindow" (refresh 0/1): 1 when a main window is known
// Probe_Database ( file ; what {; a} ), the file found by its whole name
//   "path", "windows", "layouts", "scripts", "defaultwindow", "firstwindow":
//   text; "layout" (name), "script" (name): the name found or empty;
//   "hidden" (layout name): 1/0
// Probe_Window ( title ; what )
//   "state", "mode", "flag" (1/0), "hwnd" (1 when the window found from its
//   platform window is the same): numbers; "layout", "file": names
// A file or window that is not found answers empty; an unknown `what`
// answers error 1.
#include "fmx/DbHandles.h"
#include "fmx/FMWrapper.h"
#include "tests/e2e/probe/Probe.h"

namespace probe {
namespace {

constexpr std::int16_t kUnknownQuestion = 1;

template <class H>
std::string Names(const std::vector<H>& handles)
{
    std::string all;
    for (const H& h : handles)
        all += (all.empty() ? "" : "\r") + h.GetName();
    return all;
}

template <class H>
std::string NameOf(const H& handle)
{
    return handle.IsEmpty() ? std::string() : handle.GetName();
}

std::string Arg(const FMDataVect* args, std::uint32_t index)
{
    return ArgCount(args) > index ? TextArg(args, index) : std::string();
}

std::int16_t SessionQuestion(std::int16_t, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    const std::string what = TextArg(args, 0);
    const std::string a = Arg(args, 1);
    const fmx::Session session = fmx::Session::GetCurrent();
    if (what == "databases") {
        SetText(result, Names(session.GetDatabases()));
    } else if (what == "windows") {
        SetText(result, Names(session.GetWindows()));
    } else if (what == "find") {
        const bool ignoreExtension = ArgCount(args) > 2 && IntegerArg(args, 2) == 1;
        SetText(result, NameOf(session.FindDatabaseByName(a.c_str(), a.size(), ignoreExtension)));
    } else if (what == "findwindow") {
        SetText(result, NameOf(session.FindWindow(a.c_str(), a.size())));
    } else if (what == "exists") {
        fmx::FilePath path;
        SetNumber(result, path.SetFromText(a) && path.Exists() ? 1 : 0);
    } else if (what == "current") {
        SetText(result, NameOf(session.GetCurrentDatabase()));
    } else if (what == "script") {
        SetText(result, NameOf(session.GetRunningScript()));
    } else if (what == "scriptchecked") {
        SetText(result, NameOf(session.GetRunningScriptChecked()));
    } else if (what == "parameter") {
        fmx::Data parameter;
        const std::int32_t code = session.GetScriptParameter(parameter);
        SetText(result, code == 0 ? fmx::Text(parameter.GetAsText()).GetUtf8() : "failed " + std::to_string(code));
    } else if (what == "ready") {
        SetNumber(result, session.IsReadyForScript(false));
    } else if (what == "readymodal") {
        SetNumber(result, session.IsReadyForScript(true));
    } else if (what == "idle") {
        SetNumber(result, session.IsIdle());
    } else if (what == "blocked") {
        SetNumber(result, session.IsHostBlocked());
    } else if (what == "paused") {
        SetNumber(result, session.IsScriptPaused());
    } else if (what == "mainwindow") {
        const bool refresh = ArgCount(args) > 1 && IntegerArg(args, 1) == 1;
        SetNumber(result, session.GetHostMainWindow(refresh) != nullptr);
    } else {
        return kUnknownQuestion;
    }
    return 0;
}

std::int16_t DatabaseQuestion(std::int16_t, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    const std::string name = TextArg(args, 0);
    const std::string what = TextArg(args, 1);
    const std::string a = Arg(args, 2);
    const fmx::Database file = fmx::Session::GetCurrent().FindDatabaseByName(name.c_str(), name.size());
    if (file.IsEmpty())
        return 0;
    if (what == "path") {
        SetText(result, file.GetPathText());
    } else if (what == "windows") {
        SetText(result, Names(file.GetWindows()));
    } else if (what == "layouts") {
        SetText(result, Names(file.GetLayouts()));
    } else if (what == "scripts") {
        SetText(result, Names(file.GetScripts()));
    } else if (what == "defaultwindow") {
        SetText(result, NameOf(file.GetDefaultWindow()));
    } else if (what == "firstwindow") {
        SetText(result, NameOf(file.GetFirstWindow()));
    } else if (what == "layout") {
        SetText(result, NameOf(file.FindLayout(a.c_str(), a.size())));
    } else if (what == "script") {
        SetText(result, NameOf(file.FindScript(a.c_str(), a.size())));
    } else if (what == "hidden") {
        const fmx::DbLayout layout = file.FindLayout(a.c_str(), a.size());
        if (!layout.IsEmpty())
            SetNumber(result, layout.IsHidden());
    } else {
        return kUnknownQuestion;
    }
    return 0;
}

std::int16_t WindowQuestion(std::int16_t, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    const std::string title = TextArg(args, 0);
    const std::string what = TextArg(args, 1);
    const fmx::DbWindow window = fmx::Session::GetCurrent().FindWindow(title.c_str(), title.size());
    if (window.IsEmpty())
        return 0;
    if (what == "state") {
        SetNumber(result, window.GetState());
    } else if (what == "mode") {
        SetNumber(result, window.GetUserMode());
    } else if (what == "flag") {
        SetNumber(result, window.GetModelFlag());
    } else if (what == "hwnd") {
        SetNumber(result, fmx::DbWindow::FromHWND(window.GetHWND()) == window);
    } else if (what == "layout") {
        SetText(result, NameOf(window.GetLayout()));
    } else if (what == "file") {
        SetText(result, NameOf(window.GetDatabase()));
    } else {
        return kUnknownQuestion;
    }
    return 0;
}

const Registration kSession({4, L"Probe_Session", L"Probe_Session ( what {; a {; b}} )", 1, 3, &SessionQuestion});
const Registration kDatabase({5, L"Probe_Database", L"Probe_Database ( file ; what {; a} )", 2, 3, &DatabaseQuestion});
const Registration kWindow({6, L"Probe_Window", L"Probe_Window ( title ; what )", 2, 2, &WindowQuestion});

} // namespace
} // namespace probe
