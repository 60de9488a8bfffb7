// The objects behind the Core Foundation references: one C++ class per type,
// all derived from CFObject, which holds the reference count.
#pragma once

#include <atomic>
#include <string>

#include "platform/corefoundation/CoreFoundation.h"

namespace pvcf {

enum TypeId : CFTypeID {
    kAllocatorType = 1,
    kStringType,
    kNumberType,
    kBooleanType,
    kDataType,
    kArrayType,
    kDictionaryType,
    kURLType,
    kBundleType,
    kTimeZoneType,
};

[[noreturn]] void Fatal(const char* message);

}  // namespace pvcf

struct CFObject {
    explicit CFObject(CFTypeID type, bool immortal = false) : typeId(type), immortal(immortal) {}
    virtual ~CFObject() = default;
    CFObject(const CFObject&) = delete;
    CFObject& operator=(const CFObject&) = delete;

    virtual bool Equals(const CFObject& other) const { return this == &other; }
    virtual CFHashCode Hash() const { return reinterpret_cast<CFHashCode>(this); }

    const CFTypeID typeId;
    const bool immortal;  // static objects: retain and release do nothing
    std::atomic<long> refs{1};
    CFObject* nextFreed = nullptr;  // CFRelease's worklist of objects to delete
};

namespace pvcf {

// The object behind a reference of the expected type; a reference of another
// type is a fatal error (the real system would crash or misbehave).
template <class T>
T* As(const void* ref, CFTypeID type, const char* function) {
    if (ref == nullptr) {
        Fatal(function);
    }
    auto* object = static_cast<CFObject*>(const_cast<void*>(ref));
    if (object->typeId != type) {
        Fatal(function);
    }
    return static_cast<T*>(object);
}

}  // namespace pvcf
