// Helpers of the stand-in tests: owned references and bundle folders made
// on the fly.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/corefoundation/CoreFoundation.h"

namespace cftest {

// Releases a Create/Copy result at scope end.
template <class T>
class Ref {
public:
    explicit Ref(T ref = nullptr) : ref_(ref) {}
    ~Ref() {
        if (ref_ != nullptr) {
            CFRelease(ref_);
        }
    }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    T get() const { return ref_; }
    explicit operator bool() const { return ref_ != nullptr; }

private:
    T ref_;
};

inline CFStringRef Str(const std::string& utf8) {
    return CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(utf8.data()),
                                   static_cast<CFIndex>(utf8.size()), kCFStringEncodingUTF8, false);
}

inline std::string Utf8(CFStringRef s) {
    if (s == nullptr) {
        return "<null>";
    }
    const CFIndex n = CFStringGetLength(s);
    CFIndex used = 0;
    CFStringGetBytes(s, CFRangeMake(0, n), kCFStringEncodingUTF8, 0, false, nullptr, 0, &used);
    std::string out(static_cast<std::size_t>(used), '\0');
    CFStringGetBytes(s, CFRangeMake(0, n), kCFStringEncodingUTF8, 0, false,
                     reinterpret_cast<UInt8*>(&out[0]), used, &used);
    return out;
}

inline std::string Path(CFURLRef url) {
    UInt8 buffer[4096];
    return CFURLGetFileSystemRepresentation(url, true, buffer, sizeof buffer)
               ? std::string(reinterpret_cast<char*>(buffer))
               : std::string("<none>");
}

inline CFURLRef FolderURL(const std::string& path) {
    Ref<CFStringRef> s(Str(path));
    return CFURLCreateWithFileSystemPath(nullptr, s.get(), kCFURLPOSIXPathStyle, true);
}

// A fresh folder under the temporary folder, removed at scope end.
class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/pv-macplat-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempFolder() {
        if (std::system(("rm -rf '" + path_ + "'").c_str()) != 0) {
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }

    // Writes a file (and the folders on its way) below the folder.
    void Write(const std::string& relative, const std::string& bytes) const {
        std::size_t at = 0;
        while ((at = relative.find('/', at)) != std::string::npos) {
            mkdir((path_ + "/" + relative.substr(0, at)).c_str(), 0755);
            ++at;
        }
        std::ofstream out(path_ + "/" + relative, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

private:
    std::string path_;
};

inline std::string Plist(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body +
           "\n</plist>\n";
}

}  // namespace cftest
