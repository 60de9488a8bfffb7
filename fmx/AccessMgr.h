// Access to the host's internals: modules the host has loaded, functions
// found in them by decorated name, the twelve host callbacks of the call
// record, and the implementation objects behind the session, database,
// window, layout and script handles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>

#include "fmapi/call_record.h"
#include "fmapi/draco.h"
#include "fmx/Singleton.h"
#if defined(PV_FLAVOUR_MAC)
#include "macos/PlatSymFinder.h"
#endif

namespace fmx {

// Base of the implementation objects kept by class id.
class FmClassImpBase {
public:
    virtual ~FmClassImpBase() = default;
    virtual void* Allocate(std::size_t size);
    virtual void Free(void* storage);
};

// Class ids of the implementation objects.
enum FmClassId : int {
    kSessionImp = 0,
    kDatabaseImp = 1,
    kWindowImp = 2,
    kLayoutImp = 3,
    kScriptImp = 4,
};

// The host objects behind the handles (fmx/DbHandles.h), as class tags.
struct FmSession;
struct FmDatabase;
struct FmWindow;
struct FmLayout;
struct FmScript;

template <class T>
struct FmClassIdOf;
template <>
struct FmClassIdOf<FmSession> {
    static constexpr int value = kSessionImp;
};
template <>
struct FmClassIdOf<FmDatabase> {
    static constexpr int value = kDatabaseImp;
};
template <>
struct FmClassIdOf<FmWindow> {
    static constexpr int value = kWindowImp;
};
template <>
struct FmClassIdOf<FmLayout> {
    static constexpr int value = kLayoutImp;
};
template <>
struct FmClassIdOf<FmScript> {
    static constexpr int value = kScriptImp;
};

// Base of the implementation object of one class of host objects.
template <class T>
class FmClassImp : public FmClassImpBase {
public:
    static constexpr int kClassId = FmClassIdOf<T>::value;
};

// The module "name" that selects a host callback in FindFunction; the name
// argument then carries the callback's index.
extern const char* const kHostCallbackModule;

class AccessMgr : public Singleton<AccessMgr> {
public:
    // Copies the record's callbacks and creates the implementation objects
    // of the session, database, window, layout and script handles.
    explicit AccessMgr(const fmapi::CallRecord* record);
    ~AccessMgr() override;

    // The implementation object of a class id; std::invalid_argument
    // ("invalid implementation class id") when there is none.
    FmClassImpBase& GetImp(int classId) const;
    // Enters the implementation object of a class id (replacing any).
    void SetImp(int classId, std::unique_ptr<FmClassImpBase> imp);

    // Handle of a module the host has already loaded, or null.
    static void* GetModule(const char* moduleName);

    // Address of an exported member function; std::runtime_error ("member
    // function is not found") when there is none.
    void* FindMemberFunction(const char* moduleName, const char* decoratedName) const;
    // Address of a static function. With kHostCallbackModule, `name` carries
    // a callback index: 0 to 11 give the copied callback. A missing module,
    // symbol or callback throws std::runtime_error ("static function loading
    // failed").
    void* FindFunction(const char* moduleName, const char* name) const;
    // Address of an exported data symbol; std::runtime_error ("data symbol is
    // not found") when there is none.
    void* FindDataSymbol(const char* moduleName, const char* name) const;

    // The host callback with that index, or null (index 12 and above).
    fmapi::HostCallback GetHostCallback(unsigned index) const;

private:
    // The flavour's finder: made before the implementation objects (its
    // failure fails the manager), withdrawn before they go.
    void StartFinder(const fmapi::CallRecord* record);
    void StopFinder() noexcept;

    fmapi::HostCallback callbacks_[fmapi::kHostCallbackCount] = {};
#if defined(PV_FLAVOUR_MAC)
    // The host's frameworks among the process's bundles.
    std::unique_ptr<PlatSymFinder> finder_;
#endif
    std::map<int, std::unique_ptr<FmClassImpBase>> imps_;
};

// The module that holds an operation group at a host API level.
const char* HostModuleName(fmapi::HostGroup group, std::int32_t apiLevel);

// Host callbacks #0 to #11, each bound once through FindFunction.
std::intptr_t HostCallback0(std::intptr_t a, std::intptr_t b);
std::intptr_t HostCallback1(std::intptr_t a, std::intptr_t b);
std::intptr_t HostCallback2(std::intptr_t a, std::intptr_t b);
std::intptr_t HostCallback3(std::intptr_t a, std::intptr_t b);
std::intptr_t HostCallback4(std::intptr_t a, std::intptr_t b);
std::intptr_t HostCallback5(std::intptr_t a, std::intptr_t b);
std::intptr_t HostCallback6(std::intptr_t a, std::intptr_t b);
std::intptr_t HostCallback7(std::intptr_t a, std::intptr_t b);
std::intptr_t HostCallback8(std::intptr_t a, std::intptr_t b);
std::intptr_t HostCallback9(std::intptr_t a, std::intptr_t b);
std::intptr_t HostCallback10(std::intptr_t a, std::intptr_t b);
std::intptr_t HostCallback11(std::intptr_t a, std::intptr_t b);

} // namespace fmx
