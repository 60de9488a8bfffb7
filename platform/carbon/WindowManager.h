// Window Manager and Dialog Manager: the process's windows front to back,
// each with its class, kind, reference constant, visibility, collapse and
// zoom state, title and attributes; dialogs are windows that carry a dialog.
// The host creates and orders them; a plug-in walks and reads them.
#pragma once

#include "platform/carbon/CarbonTypes.h"

extern "C" {

struct OpaqueWindowPtr;
typedef OpaqueWindowPtr* WindowRef;
typedef WindowRef WindowPtr;
struct OpaqueDialogPtr;
typedef OpaqueDialogPtr* DialogRef;
typedef DialogRef DialogPtr;

typedef UInt32 WindowClass;
typedef UInt32 WindowAttributes;
typedef long SRefCon;
typedef SInt16 WindowPartCode;
typedef unsigned char Str255[256];
typedef const unsigned char* ConstStr255Param;

struct Rect {
    SInt16 top;
    SInt16 left;
    SInt16 bottom;
    SInt16 right;
};

struct Point {
    SInt16 v;
    SInt16 h;
};

enum : WindowClass {
    kAlertWindowClass = 1,
    kMovableAlertWindowClass = 2,
    kModalWindowClass = 3,
    kMovableModalWindowClass = 4,
    kFloatingWindowClass = 5,
    kDocumentWindowClass = 6,
    kAllWindowClasses = 0xFFFFFFFFu,
};

enum : WindowAttributes {
    kWindowNoAttributes = 0,
    kWindowCloseBoxAttribute = 1u << 0,
    kWindowHorizontalZoomAttribute = 1u << 1,
    kWindowVerticalZoomAttribute = 1u << 2,
    kWindowCollapseBoxAttribute = 1u << 3,
    kWindowStandardDocumentAttributes = 15,
};

// Window kinds: what the system's dialogs get, and the application's own.
enum : SInt16 { kDialogWindowKind = 2, kApplicationWindowKind = 8 };

// Zoom parts.
enum : WindowPartCode { inZoomIn = 7, inZoomOut = 8 };

// Alert types of CreateStandardAlert.
typedef SInt16 AlertType;
enum : AlertType { kAlertStopAlert = 0, kAlertNoteAlert = 1, kAlertCautionAlert = 2, kAlertPlainAlert = 3 };

enum : OSStatus {
    errInvalidWindowRef = -5600,
    errUnsupportedWindowAttributesForClass = -5602,
    errInvalidWindowProperty = -5603,
};

// ---- creating and disposing (the host)

// An invisible window of a class behind no other (in front of all), kind
// kApplicationWindowKind, reference constant 0, no title.
OSStatus CreateNewWindow(WindowClass windowClass, WindowAttributes attributes, const Rect* contentBounds,
                         WindowRef* outWindow);
void DisposeWindow(WindowRef window);
void ShowWindow(WindowRef window);
void HideWindow(WindowRef window);
// Brings the window in front of all others.
void SelectWindow(WindowRef window);
OSStatus CollapseWindow(WindowRef window, Boolean collapse);
// inZoomOut puts the window in its standard state, inZoomIn out of it.
OSStatus ZoomWindowIdeal(WindowRef window, WindowPartCode partCode, Point* ioIdealSize);
void SetWRefCon(WindowRef window, SRefCon data);
void SetWindowKind(WindowRef window, SInt16 kind);
OSStatus SetWindowTitleWithCFString(WindowRef window, CFStringRef title);

// A dialog in a window of the document class (procID 0) or of the movable
// modal class (procID 5), with a Pascal title; `behind` (WindowRef)-1 or
// null puts it in front of all others. Kind kDialogWindowKind.
DialogRef NewCDialog(void* storage, const Rect* boundsRect, ConstStr255Param title, Boolean visible, SInt16 procID,
                     WindowRef behind, Boolean goAwayFlag, SRefCon refCon, Handle items);
// A visible alert dialog of the movable alert class in front of all others.
OSStatus CreateStandardAlert(AlertType alertType, CFStringRef error, CFStringRef explanation, const void* param,
                             DialogRef* outAlert);
void DisposeDialog(DialogRef dialog);
WindowRef GetDialogWindow(DialogRef dialog);

// ---- walking and reading

WindowRef FrontWindow(void);
WindowRef GetNextWindow(WindowRef window);
// The first (next) window of a class; with mustBeVisible only visible ones.
WindowRef GetFrontWindowOfClass(WindowClass windowClass, Boolean mustBeVisible);
WindowRef GetNextWindowOfClass(WindowRef inWindow, WindowClass windowClass, Boolean mustBeVisible);
OSStatus GetWindowClass(WindowRef window, WindowClass* outClass);
DialogRef GetDialogFromWindow(WindowRef window);
Boolean IsValidWindowPtr(WindowRef possibleWindow);
SRefCon GetWRefCon(WindowRef window);
SInt16 GetWindowKind(WindowRef window);
Boolean IsWindowVisible(WindowRef window);
Boolean IsWindowCollapsed(WindowRef window);
// Both arguments may be null.
Boolean IsWindowInStandardState(WindowRef window, Point* inIdealSize, Rect* outIdealStandardState);
OSStatus CopyWindowTitleAsCFString(WindowRef window, CFStringRef* outString);
OSStatus GetWindowAttributes(WindowRef window, WindowAttributes* outAttributes);
OSStatus ChangeWindowAttributes(WindowRef window, WindowAttributes setTheseAttributes,
                                WindowAttributes clearTheseAttributes);

}  // extern "C"
