#include "macos/TypeIdentifiers.h"

#include "macos/CFText.h"

namespace mac {

namespace {

using CreateIdentifierFn = CFStringRef (*)(CFStringRef, CFStringRef, CFStringRef);
using CopyTagFn = CFStringRef (*)(CFStringRef, CFStringRef);

// One entry per accessor, each with its own once-flag: an accessor whose
// lookup failed does not try again, but leaves the others theirs.
struct Entry {
    const char* name;
    void* address = nullptr;
    bool tried = false;
};

Entry g_createIdentifier{"UTTypeCreatePreferredIdentifierForTag"};
Entry g_copyTag{"UTTypeCopyPreferredTagWithClass"};
Entry g_mimeClass{"kUTTagClassMIMEType"};
Entry g_extensionClass{"kUTTagClassFilenameExtension"};

// Loads the framework (the bundle is kept for the process) and fills every
// entry it has.
void Load()
{
    CFStringRef path = CFStringCreateWithCString(nullptr, kApplicationServicesPath, kCFStringEncodingUTF8);
    if (!path)
        return;
    CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, path, kCFURLPOSIXPathStyle, true);
    CFRelease(path);
    if (!url)
        return;
    CFBundleRef bundle = CFBundleCreate(nullptr, url);
    CFRelease(url);
    if (!bundle || !CFBundleLoadExecutable(bundle))
        return;
    for (Entry* entry : {&g_createIdentifier, &g_copyTag, &g_mimeClass, &g_extensionClass})
        if (CFStringRef name = CFStringCache::Get(entry->name))
            entry->address = CFBundleGetFunctionPointerForName(bundle, name);
}

void* Resolve(Entry& entry)
{
    if (!entry.address && !entry.tried) {
        entry.tried = true;
        Load();
    }
    return entry.address;
}

// A constant of the framework: the string its symbol holds.
CFStringRef Constant(Entry& entry)
{
    void* address = Resolve(entry);
    return address ? *static_cast<CFStringRef*>(address) : nullptr;
}

} // namespace

CFStringRef UTTypeCreatePreferredIdentifierForTag(CFStringRef tagClass, CFStringRef tag,
                                                  CFStringRef conformingTo)
{
    void* address = Resolve(g_createIdentifier);
    return address ? reinterpret_cast<CreateIdentifierFn>(address)(tagClass, tag, conformingTo) : nullptr;
}

CFStringRef UTTypeCopyPreferredTagWithClass(CFStringRef identifier, CFStringRef tagClass)
{
    void* address = Resolve(g_copyTag);
    return address ? reinterpret_cast<CopyTagFn>(address)(identifier, tagClass) : nullptr;
}

CFStringRef UTTagClassMIMEType() { return Constant(g_mimeClass); }

CFStringRef UTTagClassFilenameExtension() { return Constant(g_extensionClass); }

void ResetTypeIdentifiersForTesting()
{
    for (Entry* entry : {&g_createIdentifier, &g_copyTag, &g_mimeClass, &g_extensionClass}) {
        entry->address = nullptr;
        entry->tried = false;
    }
}

} // namespace mac
