// Value handles on the host's running session, its open files, their windows,
// layouts and scripts. A handle is one pointer to a host object and owns
// nothing: copying it copies the pointer, and two handles are equal when
// their pointers are. Every operation on an empty handle throws
// std::runtime_error("Bad access to FileMaker object"); the work is done by
// the implementation object of the handle's class (fmx/FmImp.h), which
// AccessMgr keeps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "fmapi/draco.h"
#include "fmapi/fm_api.h"
#include "fmx/FilePath.h"
#include "fmx/NativeWindow.h"

namespace fmx {

class Data;
class Database;
class DbWindow;
class DbLayout;
class DbScript;

// Throws std::runtime_error("Bad access to FileMaker object").
[[noreturn]] void ThrowBadAccess();

template <class Derived, class Object>
class HandleBase {
public:
    HandleBase() = default;
    explicit HandleBase(Object* object) : p_(object) {}

    Object* get() const { return p_; }
    bool IsEmpty() const { return !p_; }

    friend bool operator==(const Derived& a, const Derived& b) { return a.p_ == b.p_; }
    friend bool operator!=(const Derived& a, const Derived& b) { return a.p_ != b.p_; }

protected:
    Object* Checked() const
    {
        if (!p_)
            ThrowBadAccess();
        return p_;
    }

private:
    Object* p_ = nullptr;
};

// A walk over handles: the callback answers true to stop it.
template <class H>
class EnumCallback {
public:
    class AbstractImp {
    public:
        virtual ~AbstractImp() = default;
        virtual bool Call(const H& handle) = 0;
    };

    EnumCallback(AbstractImp& imp) : imp_(&imp) {}
    bool operator()(const H& handle) const { return imp_->Call(handle); }

private:
    AbstractImp* imp_;
};

// Appends every handle to a list; never stops.
template <class H>
class BuildListEnumFunctor : public EnumCallback<H>::AbstractImp {
public:
    explicit BuildListEnumFunctor(std::vector<H>& list) : list_(list) {}
    bool Call(const H& handle) override
    {
        list_.push_back(handle);
        return false;
    }

private:
    std::vector<H>& list_;
};

// Stops at the first object whose name (K = std::string, bytes) or location
// (K = FilePath) equals the key and keeps it.
template <class H, class K>
class FindObjectEnumFunctor : public EnumCallback<H>::AbstractImp {
public:
    explicit FindObjectEnumFunctor(K key) : key_(std::move(key)) {}
    bool Call(const H& handle) override
    {
        if (!Matches(handle))
            return false;
        found_ = handle;
        return true;
    }
    const H& Found() const { return found_; }

private:
    bool Matches(const H& handle) const
    {
        if constexpr (std::is_same_v<K, FilePath>)
            return handle.GetFilePath() == key_;
        else
            return handle.GetName() == key_;
    }

    K key_;
    H found_;
};

// What a layout or script handle points at: a key of a file's catalog,
// length-prefixed, kept by the implementation object of its class.
struct CatalogMember {
    Draco::FMFileUser* file = nullptr;
    std::string key;

    friend bool operator<(const CatalogMember& a, const CatalogMember& b)
    {
        return a.file != b.file ? a.file < b.file : a.key < b.key;
    }
};

// Length-prefixed key data (a length byte and that many bytes) into a key;
// std::invalid_argument("invalid key data") when the data is missing, empty or
// longer than the key holds.
void CopyKeyData(const std::uint8_t* data, Draco::HBAbstractKey& key);
// The key as length-prefixed data (checked the same way).
std::string KeyData(const Draco::HBAbstractKey& key);

// Called with 0 before a script task performs its script and with 1 after.
using ScriptNotification = void (*)(std::int32_t state, std::uintptr_t context);

class Session : public HandleBase<Session, Draco::DBSession> {
public:
    using HandleBase::HandleBase;

    // Session 1, asked for once and then kept.
    static Session GetCurrent();

    std::string GetName() const;
    // The open file at a location: none for kinds none and "file"; "fmname"
    // compares file names, the other kinds compare locations.
    Database FindDatabase(const FilePath& location) const;
    // The open file by name (a length of 0: up to the terminating zero). With
    // `ignoreExtension` the file's name loses its last extension first.
    Database FindDatabaseByName(const char* name, std::size_t length = 0, bool ignoreExtension = false) const;
    // Each file that has a document window, once, front to back.
    void EnumDatabases(EnumCallback<Database> callback) const;
    std::vector<Database> GetDatabases() const;
    // The host's main window; the one found first is kept unless `refresh`.
    NativeWindow GetHostMainWindow(bool refresh = false) const;
    // A document window by name (fewer than 256 bytes).
    DbWindow FindWindow(const char* name, std::size_t length = 0) const;
    void EnumWindows(EnumCallback<DbWindow> callback) const;
    std::vector<DbWindow> GetWindows() const;
    // The file in whose context the innermost calculation function runs.
    Database GetCurrentDatabase() const;
    // No script runs (a paused one does not count).
    bool IsIdle() const;
    // The main window is absent or disabled.
    bool IsHostBlocked() const;
    // Idle, and with `checkModal` also not blocked.
    bool IsReadyForScript(bool checkModal) const;
    // "Get( ScriptParameter )" into `result`: 0 on success, 1 when the host
    // fails it, 2 when memory runs out.
    std::int32_t GetScriptParameter(Data& result) const;
    DbScript GetRunningScript() const;
    // The running script unless it is paused.
    DbScript GetRunningScriptChecked() const;
    bool IsScriptPaused() const;
};

class Database : public HandleBase<Database, Draco::FMFileUser> {
public:
    using HandleBase::HandleBase;

    // The file name of its universal path.
    std::string GetName() const;
    FilePath GetFilePath() const;
    std::string GetPathText() const;
    // One of its document windows by name (fewer than 256 bytes).
    DbWindow FindWindow(const char* name, std::size_t length = 0) const;
    void EnumWindows(EnumCallback<DbWindow> callback) const;
    std::vector<DbWindow> GetWindows() const;
    // Layouts and scripts by name (at most 100 bytes).
    DbLayout FindLayout(const char* name, std::size_t length = 0) const;
    void EnumLayouts(EnumCallback<DbLayout> callback) const;
    std::vector<DbLayout> GetLayouts() const;
    DbScript FindScript(const char* name, std::size_t length = 0) const;
    void EnumScripts(EnumCallback<DbScript> callback) const;
    std::vector<DbScript> GetScripts() const;
    // The document window of its default window model.
    DbWindow GetDefaultWindow() const;
    // Its front document window.
    DbWindow GetFirstWindow() const;
    // The name of a font id through the file's font mapper.
    std::string GetFontName(std::uint16_t fontId) const;
    // Queues a task that performs one of its scripts once the host is ready
    // (fmx/ExecuteScriptTask.h); answers whether the task was queued.
    bool ExecuteScript(const std::string& script, const FMData* parameter, std::uint8_t flag,
                       ScriptNotification notify = nullptr, std::uintptr_t context = 0) const;
};

class DbWindow : public HandleBase<DbWindow, void> {
public:
    enum State : std::int32_t { kNormal = 0, kMaximised = 1, kMinimised = 2, kHidden = 3 };

    using HandleBase::HandleBase;

    // The front document window and the document window of a platform window.
    static DbWindow GetFirst();
    static DbWindow FromHWND(NativeWindow window);
    DbWindow GetNext() const;
    std::string GetName() const;
    std::int32_t GetState() const;
    std::int32_t GetUserMode() const;
    NativeWindow GetHWND() const;
    Draco::FMWindowModel* GetModel() const;
    Database GetDatabase() const;
    DbLayout GetLayout() const;
    bool GetModelFlag() const;
    void SetWindowAttribute(bool flag) const;
};

class DbLayout : public HandleBase<DbLayout, const CatalogMember> {
public:
    using HandleBase::HandleBase;

    std::string GetName() const;
    bool IsHidden() const;
    Database GetDatabase() const;
};

class DbScript : public HandleBase<DbScript, const CatalogMember> {
public:
    using HandleBase::HandleBase;

    std::string GetName() const;
    Database GetDatabase() const;
    // Performs the script in its file's default window: 0 when the host ran
    // it, 1 when it failed or there is no default window, 13 when the host is
    // not ready for a script.
    std::int16_t Perform(std::uint8_t control, const FMData* parameter) const;
};

namespace dblay {

// Stops at the layout whose key equals its key.
class FindByKeyFunc : public EnumCallback<DbLayout>::AbstractImp {
public:
    explicit FindByKeyFunc(std::string key) : key_(std::move(key)) {}
    bool Call(const DbLayout& layout) override;
    const DbLayout& Found() const { return found_; }

private:
    std::string key_;
    DbLayout found_;
};

} // namespace dblay

} // namespace fmx
