#include "platform/carbon/WindowManager.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/corefoundation/SystemSetup.h"

struct OpaqueWindowPtr {
    WindowClass windowClass = kDocumentWindowClass;
    WindowAttributes attributes = 0;
    SInt16 kind = kApplicationWindowKind;
    SRefCon refCon = 0;
    bool visible = false;
    bool collapsed = false;
    bool standardState = false;
    CFStringRef title = nullptr;
    OpaqueDialogPtr* dialog = nullptr;
};

struct OpaqueDialogPtr {
    OpaqueWindowPtr* window = nullptr;
};

namespace {

// The process's windows, front to back.
struct Windows {
    std::recursive_mutex mutex;
    std::vector<OpaqueWindowPtr*> order;
};

Windows& All()
{
    static Windows& windows = *new Windows;
    return windows;
}

using Lock = std::lock_guard<std::recursive_mutex>;

bool Known(WindowRef window)
{
    const auto& order = All().order;
    return window && std::find(order.begin(), order.end(), window) != order.end();
}

WindowRef Make(WindowClass windowClass, WindowAttributes attributes)
{
    auto* window = new OpaqueWindowPtr;
    window->windowClass = windowClass;
    window->attributes = attributes;
    All().order.insert(All().order.begin(), window);
    return window;
}

// From `start` (included) on, the first window of the class.
WindowRef FirstOfClass(std::size_t start, WindowClass windowClass, bool mustBeVisible)
{
    const auto& order = All().order;
    for (std::size_t i = start; i < order.size(); ++i) {
        WindowRef w = order[i];
        if ((windowClass == kAllWindowClasses || w->windowClass == windowClass) && (!mustBeVisible || w->visible))
            return w;
    }
    return nullptr;
}

std::size_t IndexOf(WindowRef window)
{
    const auto& order = All().order;
    return static_cast<std::size_t>(std::find(order.begin(), order.end(), window) - order.begin());
}

} // namespace

extern "C" {

OSStatus CreateNewWindow(WindowClass windowClass, WindowAttributes attributes, const Rect*, WindowRef* outWindow)
{
    if (!outWindow)
        return paramErr;
    *outWindow = nullptr;
    if (macsetup::ShouldFail("CreateNewWindow"))
        return memFullErr;
    if (windowClass < kAlertWindowClass || windowClass > kDocumentWindowClass)
        return paramErr;
    Lock lock(All().mutex);
    *outWindow = Make(windowClass, attributes);
    return noErr;
}

void DisposeWindow(WindowRef window)
{
    Lock lock(All().mutex);
    if (!Known(window))
        return;
    auto& order = All().order;
    order.erase(std::find(order.begin(), order.end(), window));
    if (window->title)
        CFRelease(window->title);
    delete window->dialog;
    delete window;
}

void ShowWindow(WindowRef window)
{
    Lock lock(All().mutex);
    if (Known(window))
        window->visible = true;
}

void HideWindow(WindowRef window)
{
    Lock lock(All().mutex);
    if (Known(window))
        window->visible = false;
}

void SelectWindow(WindowRef window)
{
    Lock lock(All().mutex);
    if (!Known(window))
        return;
    auto& order = All().order;
    order.erase(std::find(order.begin(), order.end(), window));
    order.insert(order.begin(), window);
}

OSStatus CollapseWindow(WindowRef window, Boolean collapse)
{
    Lock lock(All().mutex);
    if (!Known(window))
        return errInvalidWindowRef;
    window->collapsed = collapse != 0;
    return noErr;
}

OSStatus ZoomWindowIdeal(WindowRef window, WindowPartCode partCode, Point*)
{
    Lock lock(All().mutex);
    if (!Known(window))
        return errInvalidWindowRef;
    if (partCode != inZoomIn && partCode != inZoomOut)
        return paramErr;
    window->standardState = partCode == inZoomOut;
    return noErr;
}

void SetWRefCon(WindowRef window, SRefCon data)
{
    Lock lock(All().mutex);
    if (Known(window))
        window->refCon = data;
}

void SetWindowKind(WindowRef window, SInt16 kind)
{
    Lock lock(All().mutex);
    if (Known(window))
        window->kind = kind;
}

OSStatus SetWindowTitleWithCFString(WindowRef window, CFStringRef title)
{
    Lock lock(All().mutex);
    if (!Known(window))
        return errInvalidWindowRef;
    if (title)
        CFRetain(title);
    if (window->title)
        CFRelease(window->title);
    window->title = title;
    return noErr;
}

DialogRef NewCDialog(void*, const Rect*, ConstStr255Param title, Boolean visible, SInt16 procID, WindowRef behind,
                     Boolean, SRefCon refCon, Handle)
{
    constexpr SInt16 kDocumentProc = 0;
    constexpr SInt16 kMovableDBoxProc = 5;
    if (procID != kDocumentProc && procID != kMovableDBoxProc)
        return nullptr;
    Lock lock(All().mutex);
    WindowRef window = Make(procID == kDocumentProc ? kDocumentWindowClass : kMovableModalWindowClass,
                            procID == kDocumentProc ? kWindowStandardDocumentAttributes : kWindowNoAttributes);
    // Behind another window: just after it in the order.
    if (behind && behind != reinterpret_cast<WindowRef>(-1) && Known(behind) && behind != window) {
        auto& order = All().order;
        order.erase(order.begin());
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(IndexOf(behind)) + 1, window);
    }
    window->kind = kDialogWindowKind;
    window->visible = visible != 0;
    window->refCon = refCon;
    if (title)
        window->title = CFStringCreateWithBytes(kCFAllocatorDefault, title + 1, title[0], kCFStringEncodingUTF8, false);
    window->dialog = new OpaqueDialogPtr{window};
    return window->dialog;
}

OSStatus CreateStandardAlert(AlertType, CFStringRef error, CFStringRef, const void*, DialogRef* outAlert)
{
    if (!outAlert)
        return paramErr;
    Lock lock(All().mutex);
    WindowRef window = Make(kMovableAlertWindowClass, kWindowNoAttributes);
    window->kind = kDialogWindowKind;
    window->visible = true;
    if (error)
        window->title = static_cast<CFStringRef>(CFRetain(error));
    window->dialog = new OpaqueDialogPtr{window};
    *outAlert = window->dialog;
    return noErr;
}

void DisposeDialog(DialogRef dialog)
{
    if (dialog)
        DisposeWindow(dialog->window);
}

WindowRef GetDialogWindow(DialogRef dialog) { return dialog ? dialog->window : nullptr; }

WindowRef FrontWindow(void)
{
    Lock lock(All().mutex);
    // The front visible window.
    return FirstOfClass(0, kAllWindowClasses, true);
}

WindowRef GetNextWindow(WindowRef window)
{
    Lock lock(All().mutex);
    if (!Known(window))
        return nullptr;
    return FirstOfClass(IndexOf(window) + 1, kAllWindowClasses, true);
}

WindowRef GetFrontWindowOfClass(WindowClass windowClass, Boolean mustBeVisible)
{
    Lock lock(All().mutex);
    return FirstOfClass(0, windowClass, mustBeVisible != 0);
}

WindowRef GetNextWindowOfClass(WindowRef inWindow, WindowClass windowClass, Boolean mustBeVisible)
{
    Lock lock(All().mutex);
    if (!Known(inWindow))
        return nullptr;
    return FirstOfClass(IndexOf(inWindow) + 1, windowClass, mustBeVisible != 0);
}

OSStatus GetWindowClass(WindowRef window, WindowClass* outClass)
{
    Lock lock(All().mutex);
    if (!Known(window) || !outClass)
        return errInvalidWindowRef;
    *outClass = window->windowClass;
    return noErr;
}

DialogRef GetDialogFromWindow(WindowRef window)
{
    Lock lock(All().mutex);
    return Known(window) ? window->dialog : nullptr;
}

Boolean IsValidWindowPtr(WindowRef possibleWindow)
{
    Lock lock(All().mutex);
    return Known(possibleWindow);
}

SRefCon GetWRefCon(WindowRef window)
{
    Lock lock(All().mutex);
    return Known(window) ? window->refCon : 0;
}

SInt16 GetWindowKind(WindowRef window)
{
    Lock lock(All().mutex);
    return Known(window) ? window->kind : 0;
}

Boolean IsWindowVisible(WindowRef window)
{
    Lock lock(All().mutex);
    return Known(window) && window->visible;
}

Boolean IsWindowCollapsed(WindowRef window)
{
    Lock lock(All().mutex);
    return Known(window) && window->collapsed;
}

Boolean IsWindowInStandardState(WindowRef window, Point*, Rect*)
{
    Lock lock(All().mutex);
    return Known(window) && window->standardState;
}

OSStatus CopyWindowTitleAsCFString(WindowRef window, CFStringRef* outString)
{
    if (!outString)
        return paramErr;
    *outString = nullptr;
    Lock lock(All().mutex);
    if (!Known(window))
        return errInvalidWindowRef;
    if (macsetup::ShouldFail("CopyWindowTitleAsCFString"))
        return memFullErr;
    // Titles are immutable: the copy is the title itself, retained.
    *outString = window->title ? static_cast<CFStringRef>(CFRetain(window->title))
                               : CFStringCreateWithCString(kCFAllocatorDefault, "", kCFStringEncodingUTF8);
    return noErr;
}

OSStatus GetWindowAttributes(WindowRef window, WindowAttributes* outAttributes)
{
    Lock lock(All().mutex);
    if (!Known(window) || !outAttributes)
        return errInvalidWindowRef;
    *outAttributes = window->attributes;
    return noErr;
}

OSStatus ChangeWindowAttributes(WindowRef window, WindowAttributes setTheseAttributes,
                                WindowAttributes clearTheseAttributes)
{
    Lock lock(All().mutex);
    if (!Known(window))
        return errInvalidWindowRef;
    if (setTheseAttributes & clearTheseAttributes)
        return paramErr;
    window->attributes = (window->attributes | setTheseAttributes) & ~clearTheseAttributes;
    return noErr;
}

}  // extern "C"
