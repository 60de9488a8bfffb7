#include "platform/carbon/FileManager.h"

#include <sys/stat.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/corefoundation/SystemSetup.h"

namespace {

// Every path a reference was made for; a reference holds its number here
// (from 1), so the same node always gets the same reference.
struct References {
    std::mutex mutex;
    std::vector<std::string> paths;
};

References& Refs() {
    static References& refs = *new References;
    return refs;
}

void MakeRef(const std::string& path, FSRef* ref) {
    References& r = Refs();
    std::uint64_t number = 0;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        for (std::size_t i = 0; i < r.paths.size() && number == 0; ++i) {
            if (r.paths[i] == path) {
                number = i + 1;
            }
        }
        if (number == 0) {
            r.paths.push_back(path);
            number = r.paths.size();
        }
    }
    std::memset(ref, 0, sizeof *ref);
    std::memcpy(ref->hidden, &number, sizeof number);
}

bool PathOf(const FSRef* ref, std::string& path) {
    std::uint64_t number = 0;
    std::memcpy(&number, ref->hidden, sizeof number);
    References& r = Refs();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (number == 0 || number > r.paths.size()) {
        return false;
    }
    path = r.paths[number - 1];
    return true;
}

}  // namespace

extern "C" {

Boolean CFURLGetFSRef(CFURLRef url, FSRef* fsRef) {
    if (url == nullptr || fsRef == nullptr) {
        return false;
    }
    char buffer[4096];
    if (!CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(buffer), sizeof buffer)) {
        return false;
    }
    struct stat info {};
    if (stat(macsetup::HostPath(buffer).c_str(), &info) != 0) {
        return false;
    }
    MakeRef(buffer, fsRef);
    return true;
}

OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfo,
                       HFSUniStr255* outName, FSSpec* fsSpec, FSRef* parentRef) {
    std::string path;
    if (ref == nullptr || fsSpec != nullptr || !PathOf(ref, path)) {
        return paramErr;
    }
    struct stat info {};
    if (stat(macsetup::HostPath(path).c_str(), &info) != 0) {
        return fnfErr;
    }
    if (catalogInfo != nullptr && (whichInfo & kFSCatInfoNodeFlags) != 0) {
        catalogInfo->nodeFlags = S_ISDIR(info.st_mode) ? kFSNodeIsDirectoryMask : 0;
    }
    const std::size_t slash = path.find_last_of('/');
    const std::string name = path == "/" ? std::string("/") : path.substr(slash + 1);
    if (outName != nullptr) {
        CFStringRef text = CFStringCreateWithBytes(kCFAllocatorDefault,
                                                   reinterpret_cast<const UInt8*>(name.data()),
                                                   static_cast<CFIndex>(name.size()),
                                                   kCFStringEncodingUTF8, false);
        if (text == nullptr) {
            return paramErr;
        }
        const CFIndex length = CFStringGetLength(text) < 255 ? CFStringGetLength(text) : 255;
        CFStringGetCharacters(text, CFRangeMake(0, length), outName->unicode);
        outName->length = static_cast<UInt16>(length);
        CFRelease(text);
    }
    if (parentRef != nullptr) {
        std::memset(parentRef, 0, sizeof *parentRef);
        if (path != "/") {
            MakeRef(slash == 0 ? std::string("/") : path.substr(0, slash), parentRef);
        }
    }
    return noErr;
}

}  // extern "C"
