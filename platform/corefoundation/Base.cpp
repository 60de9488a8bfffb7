#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/corefoundation/Object.h"
#include "platform/corefoundation/State.h"
#include "platform/corefoundation/SystemSetup.h"

struct CFAllocatorObject : CFObject {
    CFAllocatorObject() : CFObject(pvcf::kAllocatorType, true) {}
};

namespace {

CFAllocatorObject mallocAllocator;
CFAllocatorObject nullAllocator;

struct Failure {
    int skip = 0;
    int times = 0;
};

struct Failures {
    std::mutex mutex;
    std::map<std::string, Failure> byName;
    std::atomic<bool> any{false};
};

Failures& FailureTable() {
    static Failures& table = *new Failures;
    return table;
}

// Objects whose last reference went while another object was being deleted:
// the outermost CFRelease deletes them one after another, so releasing a
// deeply nested structure never recurses (a collection's destructor releases
// its values, which only join the list). Plain pointers: nothing to destroy at
// thread exit.
thread_local CFObject* freedHead = nullptr;
thread_local bool deleting = false;

void Delete(CFObject* object) {
    object->nextFreed = freedHead;
    freedHead = object;
    if (deleting) {
        return;
    }
    deleting = true;
    while (freedHead != nullptr) {
        CFObject* next = freedHead;
        freedHead = next->nextFreed;
        delete next;
    }
    deleting = false;
}

CFObject* Object(CFTypeRef ref, const char* function) {
    if (ref == nullptr) {
        pvcf::Fatal(function);
    }
    return static_cast<CFObject*>(const_cast<void*>(ref));
}

}  // namespace

namespace pvcf {

void Fatal(const char* function) {
    std::fprintf(stderr, "CoreFoundation: invalid object passed to %s\n", function);
    std::abort();
}

SystemState& State() {
    static SystemState& state = *new SystemState;
    return state;
}

}  // namespace pvcf

extern "C" {

const CFAllocatorRef kCFAllocatorDefault = nullptr;
const CFAllocatorRef kCFAllocatorMalloc = &mallocAllocator;
const CFAllocatorRef kCFAllocatorNull = &nullAllocator;

CFTypeRef CFRetain(CFTypeRef ref) {
    CFObject* object = Object(ref, "CFRetain");
    if (!object->immortal) {
        object->refs.fetch_add(1, std::memory_order_relaxed);
    }
    return ref;
}

void CFRelease(CFTypeRef ref) {
    CFObject* object = Object(ref, "CFRelease");
    if (object->immortal) {
        return;
    }
    const long before = object->refs.fetch_sub(1, std::memory_order_acq_rel);
    if (before <= 0) {
        pvcf::Fatal("CFRelease (object already freed)");
    }
    if (before == 1) {
        Delete(object);
    }
}

CFIndex CFGetRetainCount(CFTypeRef ref) {
    const CFObject* object = Object(ref, "CFGetRetainCount");
    return object->immortal ? 0x7FFFFFFF : object->refs.load(std::memory_order_relaxed);
}

CFTypeID CFGetTypeID(CFTypeRef ref) { return Object(ref, "CFGetTypeID")->typeId; }

Boolean CFEqual(CFTypeRef ref1, CFTypeRef ref2) {
    const CFObject* a = Object(ref1, "CFEqual");
    const CFObject* b = Object(ref2, "CFEqual");
    return a == b || (a->typeId == b->typeId && a->Equals(*b));
}

CFHashCode CFHash(CFTypeRef ref) { return Object(ref, "CFHash")->Hash(); }

}  // extern "C"

namespace macsetup {

void SetSystemRoot(const std::string& folder) {
    auto& state = pvcf::State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.systemRoot = folder;
    while (state.systemRoot.size() > 1 && state.systemRoot.back() == '/') {
        state.systemRoot.pop_back();
    }
}

std::string HostPath(const std::string& systemPath) {
    std::string host, startupFolder;
    if (pvcf::MountedHostPath(systemPath, host, startupFolder)) {
        return host;
    }
    auto& state = pvcf::State();
    std::lock_guard<std::mutex> lock(state.mutex);
    const bool underSystem = systemPath == "/System" || systemPath.rfind("/System/", 0) == 0;
    if (!state.systemRoot.empty() && underSystem) {
        return state.systemRoot + systemPath;
    }
    if (!startupFolder.empty() && !systemPath.empty() && systemPath[0] == '/') {
        return systemPath == "/" ? startupFolder : startupFolder + systemPath;
    }
    return systemPath;
}

void SetSystemVersion(int major, int minor, int bugfix) {
    auto& state = pvcf::State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.version[0] = major;
    state.version[1] = minor;
    state.version[2] = bugfix;
}

void GetSystemVersion(int& major, int& minor, int& bugfix) {
    auto& state = pvcf::State();
    std::lock_guard<std::mutex> lock(state.mutex);
    major = state.version[0];
    minor = state.version[1];
    bugfix = state.version[2];
}

void SetSystemEncoding(std::uint32_t encoding) {
    auto& state = pvcf::State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.systemEncoding = encoding;
}

void SetApplicationTextEncoding(std::uint32_t encoding) {
    auto& state = pvcf::State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.applicationEncoding = encoding;
}

std::uint32_t GetApplicationTextEncoding() {
    auto& state = pvcf::State();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.applicationEncoding;
}

void SetPreferredLocalizations(const std::vector<std::string>& names) {
    auto& state = pvcf::State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.localizations = names;
}

std::vector<std::string> GetPreferredLocalizations() {
    auto& state = pvcf::State();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.localizations;
}

void SetCurrentTime(const double* fixed) {
    auto& state = pvcf::State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (fixed != nullptr) {
        state.fixedTime = *fixed;
    } else {
        state.fixedTime.reset();
    }
}

void FailCalls(const std::string& function, int times, int skip) {
    Failures& table = FailureTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.byName[function] = Failure{skip, times};
    table.any.store(true);
}

void ClearFailures() {
    Failures& table = FailureTable();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.byName.clear();
    table.any.store(false);
}

bool ShouldFail(const char* function) {
    Failures& table = FailureTable();
    if (!table.any.load(std::memory_order_relaxed)) {
        return false;
    }
    std::lock_guard<std::mutex> lock(table.mutex);
    const auto found = table.byName.find(function);
    if (found == table.byName.end()) {
        return false;
    }
    Failure& failure = found->second;
    if (failure.skip > 0) {
        --failure.skip;
        return false;
    }
    if (failure.times > 0) {
        --failure.times;
        return true;
    }
    return false;
}

void Reset() {
    SetMainBundle("");
    SetSystemRoot("");
    SetSystemVersion(10, 5, 8);
    SetSystemEncoding(kCFStringEncodingMacRoman);
    SetApplicationTextEncoding(0);
    SetPreferredLocalizations({"English", "en"});
    SetCurrentTime(nullptr);
    ClearFailures();
    SetStartupVolume("Macintosh HD", "");
    UnmountVolumes();
}

}  // namespace macsetup
