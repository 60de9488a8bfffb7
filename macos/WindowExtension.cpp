#include "macos/WindowExtension.h"

#include <atomic>
#include <mutex>

#include "fmx/Plugin.h"
#include "platform/dyld/dyld.h"

namespace mac {

namespace {

constexpr CFIndex kPathRoom = 1024;
constexpr int kSecureCocoaWindow = 0;

void* g_functions[fmapi::mac::kWindowExtensionFunctionCount] = {};
std::atomic<bool> g_tried{false};

// The library's path in the bundle's executable folder; false when it does
// not fit or a URL cannot be made.
bool LibraryPath(CFBundleRef plugin, char (&path)[kPathRoom])
{
    bool converted = false;
    CFURLRef executable = plugin ? CFBundleCopyExecutableURL(plugin) : nullptr;
    CFURLRef folder = executable ? CFURLCreateCopyDeletingLastPathComponent(kCFAllocatorDefault, executable) : nullptr;
    CFStringRef name = CFStringCreateWithCString(kCFAllocatorDefault, fmapi::mac::kWindowExtensionLibrary,
                                                 kCFStringEncodingUTF8);
    CFURLRef library =
        folder && name ? CFURLCreateCopyAppendingPathComponent(kCFAllocatorDefault, folder, name, false) : nullptr;
    if (library)
        converted = CFURLGetFileSystemRepresentation(library, true, reinterpret_cast<UInt8*>(path), kPathRoom);
    for (CFTypeRef made : {static_cast<CFTypeRef>(library), static_cast<CFTypeRef>(name),
                           static_cast<CFTypeRef>(folder), static_cast<CFTypeRef>(executable)})
        if (made)
            CFRelease(made);
    return converted;
}

const mach_header* AddImageOnce(const char* path)
{
    static const mach_header* image = nullptr;
    static std::once_flag once;
    std::call_once(once, [path] { image = NSAddImage(path, NSADDIMAGE_OPTION_RETURN_ON_ERROR); });
    return image;
}

} // namespace

void BindWindowExtensionLibrary(CFBundleRef plugin)
{
    if (g_tried.load() || g_functions[kSecureCocoaWindow]) {
        g_tried = true;
        return;
    }
    char path[kPathRoom];
    if (LibraryPath(plugin, path) && AddImageOnce(path)) {
        for (int i = 0; i < fmapi::mac::kWindowExtensionFunctionCount; ++i) {
            const char* name = fmapi::mac::kWindowExtensionFunctions[i];
            if (!NSIsSymbolNameDefinedWithHint(name, path))
                continue;
            if (NSSymbol symbol = NSLookupAndBindSymbolWithHint(name, path))
                g_functions[i] = NSAddressOfSymbol(symbol);
        }
    }
    g_tried = true;
}

void BindWindowExtensionLibrary()
{
    if (g_tried.load())
        return;
    BindWindowExtensionLibrary(static_cast<CFBundleRef>(fmx::Plugin::GetModule()));
}

void* WindowExtensionFunction(int index)
{
    return index >= 0 && index < fmapi::mac::kWindowExtensionFunctionCount ? g_functions[index] : nullptr;
}

bool SecureCocoaWindow(WindowRef window, bool protect)
{
    BindWindowExtensionLibrary();
    void* function = g_functions[kSecureCocoaWindow];
    if (!function)
        return false;
    reinterpret_cast<void (*)(WindowRef, Boolean)>(function)(window, protect);
    return true;
}

} // namespace mac
