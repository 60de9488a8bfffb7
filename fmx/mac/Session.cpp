// The session's macOS bodies before the host's windows are reachable in this
// flavour: the host has no main window here, and no modal window blocks it.
#include "fmx/FmImp.h"

namespace fmx {

NativeWindow FmSessionImp::GetHostMainWindow(Draco::DBSession*, bool) { return nullptr; }

bool FmSessionImp::IsHostBlocked(Draco::DBSession*) { return false; }

} // namespace fmx
