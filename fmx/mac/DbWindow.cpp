// The window implementation's macOS bodies: the host's document windows
// among the process's Carbon windows (document class, a window model as
// reference constant, the host's document window kind), their state from the
// Window Manager, and the window model's fields read at the offsets of the
// host's level.
#include <cstring>

#include "fmx/FmImp.h"
#include "fmx/Plugin.h"
#include "macos/HostObjects.h"
#include "macos/WindowExtension.h"
#include "platform/carbon/WindowManager.h"

namespace fmx {

namespace {

using fmapi::mac::HostField;

WindowRef Ref(void* window) { return static_cast<WindowRef>(window); }

// A window of the document class that carries a model and the host's
// document window kind.
bool IsModelWindow(WindowRef window)
{
    return GetWRefCon(window) != 0 && GetWindowKind(window) == mac::GetDocumentWindowKind();
}

// Up to this level the host's windows take their attributes from the
// Window Manager; above it the window extension library protects them.
constexpr std::int32_t kLastCarbonAttributesLevel = 51;

} // namespace

// ---- operations

bool FmWindowImp::IsValid(void* window) { return IsValidWindowPtr(Ref(window)) && FindHostWindow(window) != nullptr; }

bool FmWindowImp::GetSecondModelFlag(void* window)
{
    const Draco::FMWindowModel* model = GetModel(window);
    return model && ModelSecondFlag(model);
}

// ---- primitives

void* FmWindowImp::FrontDocumentWindow()
{
    for (WindowRef w = GetFrontWindowOfClass(kDocumentWindowClass, false); w;
         w = GetNextWindowOfClass(w, kDocumentWindowClass, false))
        if (!GetDialogFromWindow(w) && IsModelWindow(w))
            return w;
    return nullptr;
}

void* FmWindowImp::FindHostWindow(void* window)
{
    void* w = FrontDocumentWindow();
    while (w && w != window)
        w = NextDocumentWindow(w);
    return w;
}

void* FmWindowImp::NextDocumentWindow(void* window)
{
    if (!window)
        return nullptr;
    for (WindowRef w = GetNextWindowOfClass(Ref(window), kDocumentWindowClass, false); w;
         w = GetNextWindowOfClass(w, kDocumentWindowClass, false))
        if (IsModelWindow(w))
            return w;
    return nullptr;
}

std::int32_t FmWindowImp::PlatformState(void* window)
{
    if (!IsWindowVisible(Ref(window)))
        return DbWindow::kHidden;
    if (IsWindowCollapsed(Ref(window)))
        return DbWindow::kMinimised;
    if (IsWindowInStandardState(Ref(window), nullptr, nullptr))
        return DbWindow::kMaximised;
    return DbWindow::kNormal;
}

Draco::FMWindowModel* FmWindowImp::PlatformModel(void* window)
{
    return reinterpret_cast<Draco::FMWindowModel*>(GetWRefCon(Ref(window)));
}

NativeWindow FmWindowImp::PlatformHandle(void* window) { return Ref(window); }

void FmWindowImp::SetPlatformAttribute(void* window, bool protect)
{
    if (Plugin::GetApiLevel() <= kLastCarbonAttributesLevel) {
        const WindowAttributes taken = fmapi::mac::kProtectedWindowAttributes;
        ChangeWindowAttributes(Ref(window), protect ? 0 : taken, protect ? taken : 0);
        return;
    }
    mac::SecureCocoaWindow(Ref(window), protect);
}

std::string FmWindowImp::PlatformTitle(void* window)
{
    Str255 title = {0};
    CFStringRef copy = nullptr;
    if (CopyWindowTitleAsCFString(Ref(window), &copy) == noErr && copy) {
        if (!CFStringGetPascalString(copy, title, sizeof title, kCFStringEncodingUTF8))
            title[0] = 0;
    }
    // Only what the copy made is released.
    if (copy)
        CFRelease(copy);
    return std::string(reinterpret_cast<const char*>(title + 1), title[0]);
}

const Draco::FMLayout* FmWindowImp::ModelLayout(const Draco::FMWindowModel* model)
{
    return static_cast<const Draco::FMLayout*>(mac::ReadPointerField(model, HostField::kModelLayout));
}

std::int32_t FmWindowImp::ModelUserMode(const Draco::FMWindowModel* model) { return mac::ReadUserMode(model); }

bool FmWindowImp::ModelFlag(const Draco::FMWindowModel* model) { return mac::ReadFlagB(model); }

bool FmWindowImp::ModelSecondFlag(const Draco::FMWindowModel* model) { return mac::ReadFlagA(model); }

std::string FmWindowImp::ModelWindowName(const Draco::FMWindowModel* model)
{
    std::string name;
    mac::ReadHostString(static_cast<const fmapi::mac::HostStringStorage*>(
                            mac::FieldAddress(model, HostField::kModelWindowName)),
                        name);
    return name;
}

Draco::FMFileUser* FmWindowImp::ModelFileUser(Draco::FMWindowModel* model)
{
    return const_cast<Draco::FMFileUser*>(
        static_cast<const Draco::FMFileUser*>(mac::ReadPointerField(model, HostField::kModelFileUser)));
}

} // namespace fmx
