#include "platform/corefoundation/URL.h"

#include <unistd.h>

#include <cstring>
#include <functional>
#include <vector>

#include "platform/corefoundation/Internal.h"
#include "platform/corefoundation/SystemSetup.h"

namespace {

// RFC 3986's removal of "." and ".." segments, for an absolute path.
std::string RemoveDotSegments(const std::string& path) {
    std::vector<std::string> segments;
    std::size_t i = 1;
    bool folder = false;
    while (i <= path.size()) {
        std::size_t j = path.find('/', i);
        if (j == std::string::npos) {
            j = path.size();
        }
        const std::string segment = path.substr(i, j - i);
        const bool last = j >= path.size();
        if (segment == ".") {
            folder = last;
        } else if (segment == "..") {
            if (!segments.empty()) {
                segments.pop_back();
            }
            folder = last;
        } else if (!(segment.empty() && last)) {
            segments.push_back(segment);
            folder = false;
        } else {
            folder = true;  // the path ended in "/"
        }
        i = j + 1;
    }
    std::string out;
    for (const std::string& s : segments) {
        out += "/" + s;
    }
    if (out.empty() || folder) {
        out += "/";
    }
    return out;
}

std::string CurrentFolder() {
    std::vector<char> buffer(4096);
    if (getcwd(buffer.data(), buffer.size()) == nullptr) {
        return "/";
    }
    std::string cwd(buffer.data());
    if (cwd.empty() || cwd.back() != '/') {
        cwd += "/";
    }
    return cwd;
}

}  // namespace

bool CFURLObject::Equals(const CFObject& other) const {
    const auto& o = static_cast<const CFURLObject&>(other);
    if (path != o.path || (base == nullptr) != (o.base == nullptr)) {
        return false;
    }
    return base == nullptr || CFEqual(base, o.base);
}

CFHashCode CFURLObject::Hash() const { return std::hash<std::string>()(path); }

std::string CFURLObject::Absolute() const {
    if (!path.empty() && path[0] == '/') {
        return RemoveDotSegments(path);
    }
    std::string start = base != nullptr ? pvcf::URL(base, "CFURL")->Absolute() : "/";
    if (path.empty()) {
        return start;
    }
    // A base that is no folder loses its last segment.
    start.erase(start.rfind('/') + 1);
    return RemoveDotSegments(start + path);
}

namespace pvcf {

const CFURLObject* URL(CFURLRef url, const char* function) {
    return As<CFURLObject>(url, kURLType, function);
}

CFURLRef NewFileURL(const std::string& absolutePath, bool isDirectory) {
    std::string path = absolutePath;
    if (isDirectory && (path.empty() || path.back() != '/')) {
        path += "/";
    }
    return new CFURLObject(path, nullptr);
}

}  // namespace pvcf

extern "C" {

CFTypeID CFURLGetTypeID(void) { return pvcf::kURLType; }

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef, CFStringRef filePath,
                                       CFURLPathStyle pathStyle, Boolean isDirectory) {
    std::string path = pvcf::Utf8(filePath);
    if (pathStyle != kCFURLPOSIXPathStyle || path.empty() ||
        macsetup::ShouldFail("CFURLCreateWithFileSystemPath")) {
        return nullptr;
    }
    if (isDirectory) {
        if (path.back() != '/') {
            path += "/";
        }
    } else {
        while (path.size() > 1 && path.back() == '/') {
            path.pop_back();
        }
    }
    if (path[0] == '/') {
        return new CFURLObject(path, nullptr);
    }
    return new CFURLObject(path, pvcf::NewFileURL(CurrentFolder(), true));
}

CFStringRef CFURLCopyPath(CFURLRef url) {
    return pvcf::NewStringFromUtf8(pvcf::URL(url, "CFURLCopyPath")->path);
}

CFStringRef CFURLCopyLastPathComponent(CFURLRef url) {
    std::string path = pvcf::URL(url, "CFURLCopyLastPathComponent")->Absolute();
    if (path == "/") {
        return pvcf::NewStringFromUtf8(path);
    }
    if (path.back() == '/') {
        path.pop_back();
    }
    return pvcf::NewStringFromUtf8(path.substr(path.rfind('/') + 1));
}

CFURLRef CFURLCopyAbsoluteURL(CFURLRef relativeURL) {
    const CFURLObject* u = pvcf::URL(relativeURL, "CFURLCopyAbsoluteURL");
    if (u->base == nullptr) {
        return static_cast<CFURLRef>(CFRetain(relativeURL));
    }
    return new CFURLObject(u->Absolute(), nullptr);
}

CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef, CFURLRef url,
                                               CFStringRef pathComponent, Boolean isDirectory) {
    const CFURLObject* u = pvcf::URL(url, "CFURLCreateCopyAppendingPathComponent");
    const std::string component = pvcf::Utf8(pathComponent);
    if (macsetup::ShouldFail("CFURLCreateCopyAppendingPathComponent")) {
        return nullptr;
    }
    std::string path = u->path;
    if (!path.empty() && path.back() != '/') {
        path += "/";
    }
    path += component;
    if (isDirectory && (path.empty() || path.back() != '/')) {
        path += "/";
    }
    if (u->base != nullptr) {
        CFRetain(u->base);
    }
    return new CFURLObject(path, u->base);
}

CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef, CFURLRef url) {
    const CFURLObject* u = pvcf::URL(url, "CFURLCreateCopyDeletingLastPathComponent");
    if (macsetup::ShouldFail("CFURLCreateCopyDeletingLastPathComponent")) {
        return nullptr;
    }
    std::string path = u->Absolute();
    if (path != "/") {
        if (path.back() == '/') {
            path.pop_back();
        }
        path.erase(path.rfind('/') + 1);
    }
    return new CFURLObject(path, nullptr);
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer,
                                         CFIndex maxBufLen) {
    const CFURLObject* u = pvcf::URL(url, "CFURLGetFileSystemRepresentation");
    if (buffer == nullptr || maxBufLen <= 0 ||
        macsetup::ShouldFail("CFURLGetFileSystemRepresentation")) {
        return false;
    }
    std::string path = resolveAgainstBase ? u->Absolute() : u->path;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    if (path.size() + 1 > static_cast<std::size_t>(maxBufLen)) {
        return false;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return true;
}

}  // extern "C"
