// A stand-in for the type identifier part of ApplicationServices: PNG and
// JPEG by file-name extension and MIME type, and the two tag classes.
#include "platform/corefoundation/CoreFoundation.h"

#include <cstring>
#include <string>

namespace {

CFStringRef Make(const char* text) { return CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8); }

std::string Text(CFStringRef s)
{
    char buffer[256];
    if (!s || !CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8))
        return {};
    return buffer;
}

struct Type {
    const char* identifier;
    const char* extension;
    const char* mime;
};
const Type kTypes[] = {{"public.png", "png", "image/png"}, {"public.jpeg", "jpg", "image/jpeg"}};

} // namespace

extern "C" {

__attribute__((visibility("default"))) CFStringRef kUTTagClassMIMEType = Make("public.mime-type");
__attribute__((visibility("default"))) CFStringRef kUTTagClassFilenameExtension =
    Make("public.filename-extension");

__attribute__((visibility("default"))) CFStringRef UTTypeCreatePreferredIdentifierForTag(
    CFStringRef tagClass, CFStringRef tag, CFStringRef)
{
    const bool mime = Text(tagClass) == Text(kUTTagClassMIMEType);
    const std::string wanted = Text(tag);
    for (const Type& type : kTypes)
        if (wanted == (mime ? type.mime : type.extension))
            return Make(type.identifier);
    return nullptr;
}

__attribute__((visibility("default"))) CFStringRef UTTypeCopyPreferredTagWithClass(
    CFStringRef identifier, CFStringRef tagClass)
{
    const bool mime = Text(tagClass) == Text(kUTTagClassMIMEType);
    const std::string wanted = Text(identifier);
    for (const Type& type : kTypes)
        if (wanted == type.identifier)
            return Make(mime ? type.mime : type.extension);
    return nullptr;
}

} // extern "C"
