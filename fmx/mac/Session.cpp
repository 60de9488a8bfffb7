// The session's macOS bodies: whether a modal window blocks the host (there
// is no main window to ask), the session's bound primitives, and the paused
// field of the script runtime read at the host's offset.
#include <stdexcept>

#include "fmx/FmImp.h"
#include "macos/HostObjects.h"
#include "macos/PlatStubs.h"
#include "platform/carbon/WindowManager.h"

namespace fmx {

bool FmSessionImp::IsModalWindowShown()
{
    for (WindowRef w = FrontWindow(); w; w = GetNextWindow(w)) {
        WindowClass windowClass = 0;
        if (GetWindowClass(w, &windowClass) == noErr && windowClass >= kAlertWindowClass &&
            windowClass <= kMovableModalWindowClass)
            return true;
    }
    return false;
}

bool FmSessionImp::IsHostBlocked(Draco::DBSession*) { return IsModalWindowShown(); }

Draco::DBSession* FmSessionImp::GetSessionFromID(std::uint32_t id) { return mac::bound::GetSessionFromID(id); }

// The macOS host binds no session name.
std::string FmSessionImp::GetSessionName(const Draco::DBSession*)
{
    throw std::runtime_error("ATTENTION!!! Function is implemented incorrectly");
}

Draco::ScriptRuntimeBase* FmSessionImp::GetScriptRuntime(const Draco::DBSession* session)
{
    // The session is the user model's FMSession.
    return mac::bound::GetScriptRuntime(reinterpret_cast<const Draco::FMSession*>(session));
}

bool FmSessionImp::IsRuntimePaused(const Draco::ScriptRuntimeBase* runtime) { return mac::ReadPaused(runtime); }

const Draco::FMScript* FmSessionImp::GetRuntimeScript(const Draco::ScriptRuntimeBase* runtime)
{
    return mac::bound::GetScript(runtime);
}

} // namespace fmx
