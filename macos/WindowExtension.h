// The maker's window extension library (fmapi::mac::kWindowExtensionLibrary)
// beside the plug-in bundle's executable: its 21 functions are bound by name
// on the first call of any wrapper, once per process; a missing library or
// function leaves its pointer null, and a wrapper then does nothing.
#pragma once

#include <cstdint>

#include "fmapi/mac_layout.h"
#include "platform/carbon/WindowManager.h"

namespace mac {

// Binds the library of the plug-in bundle's folder (the first call only;
// the attempt is not repeated when it fails).
void BindWindowExtensionLibrary();
// The same for a given bundle (tests; the plug-in passes its own).
void BindWindowExtensionLibrary(CFBundleRef plugin);

// The bound address of function `index` (fmapi::mac::kWindowExtensionFunctions
// order), or null.
void* WindowExtensionFunction(int index);

// Protects a window (or lifts it) through the library; false when the
// library or the function is not there.
bool SecureCocoaWindow(WindowRef window, bool protect);

// Wrapper of any other of the 21: binds, then calls the function as F with
// the arguments when it is present; F's result, or R() without it.
template <int Index, class R, class... Args>
R CallWindowExtension(Args... args)
{
    static_assert(Index >= 0 && Index < fmapi::mac::kWindowExtensionFunctionCount, "one of the 21");
    BindWindowExtensionLibrary();
    if (void* function = WindowExtensionFunction(Index))
        return reinterpret_cast<R (*)(Args...)>(function)(args...);
    return R();
}

} // namespace mac
