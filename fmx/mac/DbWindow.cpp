// The window implementation's macOS bodies before the host's windows are
// reachable in this flavour: there is no front window, so every walk over
// the document windows is empty and no window handle names a window.
#include "fmx/FmImp.h"

namespace fmx {

DbWindow FmWindowImp::FromHWND(NativeWindow) { return DbWindow(); }

void* FmWindowImp::FrontDocumentWindow() { return nullptr; }

void* FmWindowImp::FindByPlatformHandle(NativeWindow) { return nullptr; }

void* FmWindowImp::NextDocumentWindow(void*) { return nullptr; }

std::int32_t FmWindowImp::PlatformState(void*) { return DbWindow::kHidden; }

Draco::FMWindowModel* FmWindowImp::PlatformModel(void*) { return nullptr; }

NativeWindow FmWindowImp::PlatformHandle(void*) { return nullptr; }

void FmWindowImp::SetPlatformAttribute(void*, bool) {}

std::string FmWindowImp::PlatformTitle(void*) { return std::string(); }

} // namespace fmx
