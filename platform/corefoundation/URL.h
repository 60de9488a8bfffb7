// File URLs inside the library: a path relative to an optional base.
#pragma once

#include <string>

#include "platform/corefoundation/Object.h"

struct CFURLObject : CFObject {
    CFURLObject(std::string p, CFURLRef b) : CFObject(pvcf::kURLType), path(std::move(p)), base(b) {}
    ~CFURLObject() override {
        if (base != nullptr) {
            CFRelease(base);
        }
    }
    bool Equals(const CFObject& other) const override;
    CFHashCode Hash() const override;

    // The absolute path (the base applied, "." and ".." segments removed).
    std::string Absolute() const;

    const std::string path;  // UTF-8; a folder's ends in "/"
    const CFURLRef base;     // owned; null for an absolute URL
};

namespace pvcf {

// A new absolute URL of a path ("/" added for a folder when missing).
CFURLRef NewFileURL(const std::string& absolutePath, bool isDirectory);
const CFURLObject* URL(CFURLRef url, const char* function);

}  // namespace pvcf
