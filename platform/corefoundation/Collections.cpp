#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <unordered_map>
#include <vector>

#include "platform/corefoundation/Object.h"
#include "platform/corefoundation/SystemSetup.h"

// ---- numbers and booleans ---------------------------------------------------

struct CFNumberObject : CFObject {
    CFNumberObject() : CFObject(pvcf::kNumberType) {}
    bool Equals(const CFObject& other) const override {
        const auto& o = static_cast<const CFNumberObject&>(other);
        if (isFloat || o.isFloat) {
            return AsDouble() == o.AsDouble();
        }
        return integer == o.integer;
    }
    // From the value as a double, as a float and an integer compare: an
    // integer beyond double's precision hashes as the float it equals.
    CFHashCode Hash() const override {
        const double d = AsDouble();
        if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9e18) {
            return std::hash<long long>()(static_cast<long long>(d));
        }
        return std::hash<double>()(d);
    }
    double AsDouble() const { return isFloat ? real : static_cast<double>(integer); }

    bool isFloat = false;
    long long integer = 0;
    double real = 0;
};

struct CFBooleanObject : CFObject {
    explicit CFBooleanObject(bool v) : CFObject(pvcf::kBooleanType, true), value(v) {}
    const bool value;
};

namespace {

CFBooleanObject trueObject(true);
CFBooleanObject falseObject(false);

CFNumberObject* Num(CFNumberRef ref, const char* function) {
    return pvcf::As<CFNumberObject>(ref, pvcf::kNumberType, function);
}

template <class T>
bool StoreInteger(long long v, void* out) {
    const bool fits = v >= static_cast<long long>(std::numeric_limits<T>::min()) &&
                      v <= static_cast<long long>(std::numeric_limits<T>::max());
    const T t = static_cast<T>(v);
    std::memcpy(out, &t, sizeof t);
    return fits;
}

template <class T>
bool StoreIntegerFromDouble(double d, void* out) {
    T t = 0;
    bool exact = false;
    if (std::isfinite(d) && d >= static_cast<double>(std::numeric_limits<T>::min()) &&
        d < -static_cast<double>(std::numeric_limits<T>::min())) {
        t = static_cast<T>(d);
        exact = static_cast<double>(t) == d;
    }
    std::memcpy(out, &t, sizeof t);
    return exact;
}

template <class T>
bool LoadInteger(const void* in, long long& v) {
    T t;
    std::memcpy(&t, in, sizeof t);
    v = static_cast<long long>(t);
    return true;
}

bool IsFloatType(CFNumberType type) {
    return type == kCFNumberFloat32Type || type == kCFNumberFloat64Type ||
           type == kCFNumberFloatType || type == kCFNumberDoubleType;
}

int IntegerSize(CFNumberType type) {
    switch (type) {
    case kCFNumberSInt8Type:
    case kCFNumberCharType:
        return 1;
    case kCFNumberSInt16Type:
    case kCFNumberShortType:
        return 2;
    case kCFNumberSInt32Type:
    case kCFNumberIntType:
        return 4;
    case kCFNumberSInt64Type:
    case kCFNumberLongType:
    case kCFNumberLongLongType:
    case kCFNumberCFIndexType:
        return 8;
    default:
        return 0;
    }
}

}  // namespace

// ---- data -------------------------------------------------------------------

struct CFDataObject : CFObject {
    explicit CFDataObject(bool mutableData) : CFObject(pvcf::kDataType), isMutable(mutableData) {}
    bool Equals(const CFObject& other) const override {
        return bytes == static_cast<const CFDataObject&>(other).bytes;
    }
    CFHashCode Hash() const override {
        return std::hash<std::string>()(std::string(bytes.begin(), bytes.end()));
    }
    std::vector<UInt8> bytes;
    const bool isMutable;
};

namespace {

CFDataObject* Data(CFDataRef ref, const char* function) {
    return pvcf::As<CFDataObject>(ref, pvcf::kDataType, function);
}

CFDataObject* MutableData(CFMutableDataRef ref, const char* function) {
    CFDataObject* d = Data(ref, function);
    if (!d->isMutable) {
        pvcf::Fatal(function);
    }
    return d;
}

}  // namespace

// ---- arrays and dictionaries --------------------------------------------------

struct CFArrayObject : CFObject {
    CFArrayObject() : CFObject(pvcf::kArrayType) {}
    ~CFArrayObject() override {
        if (callBacks.release != nullptr) {
            for (const void* v : values) {
                callBacks.release(nullptr, v);
            }
        }
    }
    bool Equals(const CFObject& other) const override {
        const auto& o = static_cast<const CFArrayObject&>(other);
        if (values.size() != o.values.size()) {
            return false;
        }
        for (std::size_t i = 0; i < values.size(); ++i) {
            const bool same = callBacks.equal != nullptr ? callBacks.equal(values[i], o.values[i]) != 0
                                                         : values[i] == o.values[i];
            if (!same) {
                return false;
            }
        }
        return true;
    }
    CFHashCode Hash() const override { return values.size(); }

    CFArrayCallBacks callBacks{};
    std::vector<const void*> values;
};

struct CFDictionaryObject : CFObject {
    CFDictionaryObject() : CFObject(pvcf::kDictionaryType), index(0, KeyHash{this}, KeyEqual{this}) {}
    ~CFDictionaryObject() override {
        for (const auto& entry : entries) {
            if (keyCallBacks.release != nullptr) {
                keyCallBacks.release(nullptr, entry.first);
            }
            if (valueCallBacks.release != nullptr) {
                valueCallBacks.release(nullptr, entry.second);
            }
        }
    }
    // Keys are found through their hash, then compared: without a hash
    // callback a key's hash is its address, without an equality callback keys
    // are equal only when they are the same pointer.
    struct KeyHash {
        const CFDictionaryObject* dict;
        std::size_t operator()(const void* key) const {
            return dict->keyCallBacks.hash != nullptr ? dict->keyCallBacks.hash(key)
                                                      : reinterpret_cast<std::uintptr_t>(key);
        }
    };
    struct KeyEqual {
        const CFDictionaryObject* dict;
        bool operator()(const void* a, const void* b) const {
            return a == b || (dict->keyCallBacks.equal != nullptr && dict->keyCallBacks.equal(a, b) != 0);
        }
    };
    std::size_t Find(const void* key) const {
        const auto found = index.find(key);
        return found != index.end() ? found->second : entries.size();
    }
    CFHashCode Hash() const override { return entries.size(); }

    CFDictionaryKeyCallBacks keyCallBacks{};
    CFDictionaryValueCallBacks valueCallBacks{};
    std::vector<std::pair<const void*, const void*>> entries;  // in the order the keys came
    std::unordered_map<const void*, std::size_t, KeyHash, KeyEqual> index;  // key to its entry
};

namespace {

const void* RetainValue(CFAllocatorRef, const void* value) { return CFRetain(value); }
void ReleaseValue(CFAllocatorRef, const void* value) { CFRelease(value); }
Boolean EqualValues(const void* a, const void* b) { return CFEqual(a, b); }
CFHashCode HashValue(const void* value) { return CFHash(value); }

}  // namespace

extern "C" {

const CFBooleanRef kCFBooleanTrue = &trueObject;
const CFBooleanRef kCFBooleanFalse = &falseObject;

CFTypeID CFNumberGetTypeID(void) { return pvcf::kNumberType; }

CFNumberRef CFNumberCreate(CFAllocatorRef, CFNumberType theType, const void* valuePtr) {
    if (valuePtr == nullptr || macsetup::ShouldFail("CFNumberCreate")) {
        return nullptr;
    }
    auto* number = new CFNumberObject;
    if (theType == kCFNumberFloat32Type || theType == kCFNumberFloatType) {
        float f;
        std::memcpy(&f, valuePtr, sizeof f);
        number->isFloat = true;
        number->real = f;
    } else if (IsFloatType(theType)) {
        std::memcpy(&number->real, valuePtr, sizeof number->real);
        number->isFloat = true;
    } else {
        switch (IntegerSize(theType)) {
        case 1:
            LoadInteger<std::int8_t>(valuePtr, number->integer);
            break;
        case 2:
            LoadInteger<std::int16_t>(valuePtr, number->integer);
            break;
        case 4:
            LoadInteger<std::int32_t>(valuePtr, number->integer);
            break;
        case 8:
            LoadInteger<std::int64_t>(valuePtr, number->integer);
            break;
        default:
            delete number;
            return nullptr;
        }
    }
    return number;
}

CFNumberType CFNumberGetType(CFNumberRef number) {
    return Num(number, "CFNumberGetType")->isFloat ? kCFNumberFloat64Type : kCFNumberSInt64Type;
}

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr) {
    const CFNumberObject* n = Num(number, "CFNumberGetValue");
    if (valuePtr == nullptr) {
        return false;
    }
    if (IsFloatType(theType)) {
        const double d = n->AsDouble();
        if (theType == kCFNumberFloat32Type || theType == kCFNumberFloatType) {
            const float f = static_cast<float>(d);
            std::memcpy(valuePtr, &f, sizeof f);
            return static_cast<double>(f) == d || std::isnan(d);
        }
        std::memcpy(valuePtr, &d, sizeof d);
        return n->isFloat || static_cast<long long>(d) == n->integer;
    }
    const int size = IntegerSize(theType);
    if (n->isFloat) {
        switch (size) {
        case 1:
            return StoreIntegerFromDouble<std::int8_t>(n->real, valuePtr);
        case 2:
            return StoreIntegerFromDouble<std::int16_t>(n->real, valuePtr);
        case 4:
            return StoreIntegerFromDouble<std::int32_t>(n->real, valuePtr);
        case 8:
            return StoreIntegerFromDouble<std::int64_t>(n->real, valuePtr);
        default:
            return false;
        }
    }
    switch (size) {
    case 1:
        return StoreInteger<std::int8_t>(n->integer, valuePtr);
    case 2:
        return StoreInteger<std::int16_t>(n->integer, valuePtr);
    case 4:
        return StoreInteger<std::int32_t>(n->integer, valuePtr);
    case 8:
        return StoreInteger<std::int64_t>(n->integer, valuePtr);
    default:
        return false;
    }
}

CFTypeID CFBooleanGetTypeID(void) { return pvcf::kBooleanType; }

Boolean CFBooleanGetValue(CFBooleanRef boolean) {
    return pvcf::As<CFBooleanObject>(boolean, pvcf::kBooleanType, "CFBooleanGetValue")->value;
}

CFTypeID CFDataGetTypeID(void) { return pvcf::kDataType; }

CFDataRef CFDataCreate(CFAllocatorRef, const UInt8* bytes, CFIndex length) {
    if (length < 0 || (bytes == nullptr && length != 0) || macsetup::ShouldFail("CFDataCreate")) {
        return nullptr;
    }
    auto* data = new CFDataObject(false);
    data->bytes.assign(bytes, bytes + length);
    return data;
}

CFMutableDataRef CFDataCreateMutable(CFAllocatorRef, CFIndex capacity) {
    if (capacity < 0 || macsetup::ShouldFail("CFDataCreateMutable")) {
        return nullptr;
    }
    return new CFDataObject(true);
}

CFIndex CFDataGetLength(CFDataRef theData) {
    return static_cast<CFIndex>(Data(theData, "CFDataGetLength")->bytes.size());
}

const UInt8* CFDataGetBytePtr(CFDataRef theData) {
    const CFDataObject* d = Data(theData, "CFDataGetBytePtr");
    return d->bytes.empty() ? nullptr : d->bytes.data();
}

UInt8* CFDataGetMutableBytePtr(CFMutableDataRef theData) {
    CFDataObject* d = MutableData(theData, "CFDataGetMutableBytePtr");
    return d->bytes.empty() ? nullptr : d->bytes.data();
}

void CFDataAppendBytes(CFMutableDataRef theData, const UInt8* bytes, CFIndex length) {
    CFDataObject* d = MutableData(theData, "CFDataAppendBytes");
    if (length < 0 || (bytes == nullptr && length != 0)) {
        pvcf::Fatal("CFDataAppendBytes");
    }
    d->bytes.insert(d->bytes.end(), bytes, bytes + length);
}

void CFDataSetLength(CFMutableDataRef theData, CFIndex length) {
    CFDataObject* d = MutableData(theData, "CFDataSetLength");
    if (length < 0) {
        pvcf::Fatal("CFDataSetLength");
    }
    d->bytes.resize(static_cast<std::size_t>(length), 0);
}

const CFArrayCallBacks kCFTypeArrayCallBacks = {0, RetainValue, ReleaseValue, nullptr,
                                                EqualValues};

CFTypeID CFArrayGetTypeID(void) { return pvcf::kArrayType; }

CFArrayRef CFArrayCreate(CFAllocatorRef, const void** values, CFIndex numValues,
                         const CFArrayCallBacks* callBacks) {
    if (numValues < 0 || (values == nullptr && numValues != 0) ||
        macsetup::ShouldFail("CFArrayCreate")) {
        return nullptr;
    }
    auto* array = new CFArrayObject;
    if (callBacks != nullptr) {
        array->callBacks = *callBacks;
    }
    for (CFIndex i = 0; i < numValues; ++i) {
        const void* v = values[i];
        if (array->callBacks.retain != nullptr) {
            v = array->callBacks.retain(nullptr, v);
        }
        array->values.push_back(v);
    }
    return array;
}

CFIndex CFArrayGetCount(CFArrayRef theArray) {
    return static_cast<CFIndex>(
        pvcf::As<CFArrayObject>(theArray, pvcf::kArrayType, "CFArrayGetCount")->values.size());
}

const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx) {
    const auto* a = pvcf::As<CFArrayObject>(theArray, pvcf::kArrayType, "CFArrayGetValueAtIndex");
    if (idx < 0 || static_cast<std::size_t>(idx) >= a->values.size()) {
        pvcf::Fatal("CFArrayGetValueAtIndex");
    }
    return a->values[static_cast<std::size_t>(idx)];
}

const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {
    0, RetainValue, ReleaseValue, nullptr, EqualValues, HashValue};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {
    0, RetainValue, ReleaseValue, nullptr, EqualValues};

CFTypeID CFDictionaryGetTypeID(void) { return pvcf::kDictionaryType; }

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef, const void** keys, const void** values,
                                   CFIndex numValues, const CFDictionaryKeyCallBacks* keyCallBacks,
                                   const CFDictionaryValueCallBacks* valueCallBacks) {
    if (numValues < 0 || ((keys == nullptr || values == nullptr) && numValues != 0) ||
        macsetup::ShouldFail("CFDictionaryCreate")) {
        return nullptr;
    }
    auto* dict = new CFDictionaryObject;
    if (keyCallBacks != nullptr) {
        dict->keyCallBacks = *keyCallBacks;
    }
    if (valueCallBacks != nullptr) {
        dict->valueCallBacks = *valueCallBacks;
    }
    dict->entries.reserve(static_cast<std::size_t>(numValues));
    dict->index.reserve(static_cast<std::size_t>(numValues));
    for (CFIndex i = 0; i < numValues; ++i) {
        const void* key = keys[i];
        const void* value = values[i];
        if (dict->valueCallBacks.retain != nullptr) {
            value = dict->valueCallBacks.retain(nullptr, value);
        }
        const std::size_t at = dict->Find(key);
        if (at < dict->entries.size()) {
            if (dict->valueCallBacks.release != nullptr) {
                dict->valueCallBacks.release(nullptr, dict->entries[at].second);
            }
            dict->entries[at].second = value;
            continue;
        }
        if (dict->keyCallBacks.retain != nullptr) {
            key = dict->keyCallBacks.retain(nullptr, key);
        }
        dict->entries.emplace_back(key, value);
        dict->index.emplace(key, dict->entries.size() - 1);
    }
    return dict;
}

CFIndex CFDictionaryGetCount(CFDictionaryRef theDict) {
    return static_cast<CFIndex>(
        pvcf::As<CFDictionaryObject>(theDict, pvcf::kDictionaryType, "CFDictionaryGetCount")
            ->entries.size());
}

const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key) {
    const auto* d =
        pvcf::As<CFDictionaryObject>(theDict, pvcf::kDictionaryType, "CFDictionaryGetValue");
    const std::size_t at = d->Find(key);
    return at < d->entries.size() ? d->entries[at].second : nullptr;
}

}  // extern "C"
