// Binding to the host's frameworks on macOS: the platform symbol finder of
// the host-access manager. It finds the frameworks the host has loaded among
// the process's bundles, looks symbols up by their Mach-O names in a
// framework's library, and answers the twelve host callbacks of the call
// record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>

#include "fmapi/call_record.h"
#include "platform/corefoundation/CoreFoundation.h"

class PlatSymFinder {
public:
    // A bound member function: a function word (the address, or an offset
    // into the object's virtual table plus 1 when odd) and the adjustment of
    // the object's address. The host's words are 32-bit; here they are as
    // wide as a pointer.
    struct BoundMember {
        std::uintptr_t function = 0;
        std::ptrdiff_t adjustment = 0;
    };

    // The framework name that selects a host callback in FindStaticFunction;
    // the symbol argument then carries the callback's index.
    static const char* const kCallbackFramework;

    // Takes the location of the host application's private frameworks and
    // copies the record's callbacks; std::runtime_error ("PlatSymFinder
    // initialization failed") when the process has no main bundle or it
    // gives no location.
    explicit PlatSymFinder(const fmapi::CallRecord* record);
    ~PlatSymFinder();
    PlatSymFinder(const PlatSymFinder&) = delete;
    PlatSymFinder& operator=(const PlatSymFinder&) = delete;

    // The bundle of a framework the process knows ("FMEngine" finds
    // FMEngine.framework in any letter case), found once per name; null when
    // there is none.
    CFBundleRef FindFramework(const char* name);
    // The same; any failure gives null.
    CFBundleRef IsFrameworkLoaded(const char* name) noexcept;

    // Address of a symbol (a Mach-O name) in a framework's library, or 0.
    void* FindSymbol(const char* framework, const char* symbol);
    // {address, 0}, or {0, 0} when there is none.
    BoundMember FindMemberFunction(const char* framework, const char* symbol);
    void* FindDataSymbol(const char* framework, const char* symbol);
    // Address of a static function, or with kCallbackFramework the copied
    // host callback at the index `symbol` carries (0 to 11); never 0:
    // std::runtime_error ("static function loading failed").
    void* FindStaticFunction(const char* framework, const char* symbol);

    // The private frameworks' location the finder keeps.
    CFURLRef PrivateFrameworksURL() const { return privateFrameworks_; }

    // Symbol lookups made so far in this process, for one name (tests).
    static std::size_t LookupCount(const char* symbol);
    // Searches of the process's bundles so far (tests).
    static std::size_t FrameworkSearchCount();

private:
    // A framework name as the cache keeps it: a length byte and the bytes,
    // compared bytewise.
    struct FrameworkKey {
        unsigned char length = 0;
        char bytes[255] = {};
        bool operator<(const FrameworkKey& other) const;
    };

    std::map<FrameworkKey, CFBundleRef> cache_;
    CFURLRef privateFrameworks_ = nullptr;
    fmapi::HostCallback callbacks_[fmapi::kHostCallbackCount] = {};
};

namespace mac {

// The frameworks of the database and of the support classes at a host API
// level: "FMEngine" below 51, then "DBEngine" and "Support".
const char* HostDBModuleName(std::int32_t apiLevel);
const char* HostSupportModuleName(std::int32_t apiLevel);

// What the bound operations bind with: the host-access manager's finder
// (registered when the manager is made, withdrawn with null before it goes)
// and the host API level.
void SetBindingFinder(PlatSymFinder* finder);
void SetBindingLevelSource(std::int32_t (*apiLevel)());
// The registered finder; std::runtime_error ("Bad access to
// fmx::Singleton<>::GetInstance") when there is none.
PlatSymFinder& BindingFinder();
std::int32_t BindingLevel();

// The host-access manager's finders on macOS, over the registered finder:
// std::runtime_error "member function is not found", "static function
// loading failed" and "data symbol is not found" when there is none.
PlatSymFinder::BoundMember FindMemberFunction(const char* framework, const char* symbol);
void* FindFunction(const char* framework, const char* symbol);
void* FindDataSymbol(const char* framework, const char* symbol);

} // namespace mac
