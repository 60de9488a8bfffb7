// A stand-in for the maker's window extension library: protecting a window
// takes (or gives back) its close box, zoom boxes and collapse box through
// the Window Manager, and each call is counted. It defines 20 of the 21
// functions: _GetCarbonRootMenu is missing, as in a library of an older
// release.
#include "platform/carbon/WindowManager.h"

#define PV_EXTENSION extern "C" __attribute__((visibility("default")))

namespace {
int g_secureCalls = 0;
WindowRef g_lastWindow = nullptr;
}

PV_EXTENSION void SecureCocoaWindow(WindowRef window, Boolean protect)
{
    ++g_secureCalls;
    g_lastWindow = window;
    const WindowAttributes boxes = kWindowStandardDocumentAttributes;
    ChangeWindowAttributes(window, protect ? 0 : boxes, protect ? boxes : 0);
}

// What the tests ask of the stand-in.
PV_EXTENSION int VellumarDouble_SecureCalls() { return g_secureCalls; }
PV_EXTENSION WindowRef VellumarDouble_LastWindow() { return g_lastWindow; }

// The others answer nothing.
PV_EXTENSION WindowRef GetFrontCocoaWindow() { return nullptr; }
PV_EXTENSION WindowRef GetFrontCollapsableCocoaWindow() { return nullptr; }
PV_EXTENSION Boolean GetNameFromCocoaWindowByRef(WindowRef, char*, int) { return false; }
PV_EXTENSION void SubclassCocoaWindows() {}
PV_EXTENSION void InstallWindowActivationHandler(void*) {}
PV_EXTENSION void UninstallWindowActivationHandler() {}
PV_EXTENSION void DeleteCocoaMenuItemsFromAppleMenu() {}
PV_EXTENSION void* GetApplMenuItemData() { return nullptr; }
PV_EXTENSION void CopyMenuItemsToAppleMenu(void*) {}
PV_EXTENSION void ReplaceSpecificApplMenuItems(void*) {}
PV_EXTENSION void SetupPreferencesItem(Boolean) {}
PV_EXTENSION void ResetSpecificApplMenuItems() {}
PV_EXTENSION void EnableApplMenuItem(int, Boolean) {}
PV_EXTENSION int InitApplMenu() { return 0; }
PV_EXTENSION void UninitApplMenu() {}
PV_EXTENSION Boolean RunFMMenuItem(int) { return false; }
PV_EXTENSION void CollectCocoaHelpMenuItems() {}
PV_EXTENSION void* GetCarbonHelpMenu() { return nullptr; }
PV_EXTENSION void* GetCarbonAppleMenu() { return nullptr; }
