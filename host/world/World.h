// The host's world: what a running host holds, in one library shared by the
// host's internal modules (which export the operations a plug-in binds) and by
// fmhost and the tests (which set it up). Below API level 54 the user model,
// the scripts and the layouts are three modules; they see the same files here.
// The macOS host's frameworks (host/frameworks) serve the same objects: the
// members they define are declared with the classes below.
//
// It holds session 1 with its script runtime; the open files, each with its
// universal path, layout and script catalogs, default window and fonts; the
// host's windows front to back (document windows with a window model, other
// windows without); a journal of the scripts the plug-in had performed; and
// the desktop of platform windows, fmhost's main window and windows of other
// processes among them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fmapi/draco.h"
#include "fmapi/object_layout.h"

// The world's interface leaves the library; the modules that use it hide
// their own symbols.
#define PV_WORLD_API __attribute__((visibility("default")))

// Members of the host's classes that the macOS host's frameworks define
// (host/frameworks) and export under their Itanium names
// (fmapi/mac_frameworks.h); nothing here defines them.
#define PV_MAC_MEMBER __attribute__((visibility("default")))

// The older host's name of DBSession::OpenFileUser (level 50 and below): its
// vector parameter is mangled as no compiler of ours mangles it.
#define PV_MAC_OPENFILEUSER50_ELF_NAME                                                                         \
    "_ZN5Draco9DBSession12OpenFileUserERNS_16RefCountedObjPtrINS_10DBFileUserEEERKNSt6vectorINS_13UniversalPathE" \
    "SaIS6_EEEPKS2_RNS_20DBAuthenticationInfoEb"

namespace hostworld {

// A string owned by a host object and handed out by reference.
struct OwnedText {
    std::u16string text;
    Draco::unistring ref{&text};
    OwnedText() = default;
    explicit OwnedText(std::u16string t) : text(std::move(t)), ref{&text} {}
    OwnedText(const OwnedText&) = delete;
    OwnedText& operator=(const OwnedText&) = delete;
};

// Behind a universal path: a type ("filewin", "fmnet", ...), a path text of
// components each followed by U+E000, and a name.
struct PathImp {
    OwnedText type;
    OwnedText path;
    OwnedText name;
};

// Replacing: a lone surrogate, or a byte that starts no well-formed sequence,
// becomes U+FFFD (platform/common/Utf.h).
PV_WORLD_API std::string ToUtf8(const std::u16string& text);
PV_WORLD_API std::u16string FromUtf8(const std::string& text);

// The key bytes without the length byte.
PV_WORLD_API std::string KeyBytes(const Draco::HBAbstractKey& key);

} // namespace hostworld

namespace Draco {

// Types that only name the macOS host's members.
template <class T>
class RefCountedObjPtr;
template <unsigned char N>
class HBSerialKey;
struct DBTypeFilter {
    enum FilterType : std::int32_t { kAllTypes = 0 };
};

struct DBSession {
    hostworld::OwnedText name{u"FileMaker Session"};

    PV_MAC_MEMBER DBError OpenFileUser(RefCountedObjPtr<DBFileUser>& user, const std::vector<UniversalPath>& paths,
                                       const DBFileUser* parent, DBAuthenticationInfo& authentication, bool flag)
        __asm__(PV_MAC_OPENFILEUSER50_ELF_NAME);
    PV_MAC_MEMBER DBError OpenFileUser(RefCountedObjPtr<DBFileUser>& user, const std::vector<UniversalPath>& paths,
                                       const DBFileUser* parent, const DBAuthenticationInfo& authentication, bool flag);
    PV_MAC_MEMBER DBError OpenFileUser(RefCountedObjPtr<DBFileUser>& user, const std::vector<UniversalPath>& paths,
                                       const DBFileUser* parent, const DBAuthenticationInfo& authentication,
                                       unsigned long options);
    PV_MAC_MEMBER static DBSession* GetSessionFromID(unsigned long id);
};

struct ScriptRuntimeBase {
    // First: the macOS host's paused field at its place for the API level
    // (fmapi/mac_layout.h), which a plug-in reads in place.
    alignas(void*) unsigned char macHead[24] = {};
    FMScript* script = nullptr;   // the running script, or none
    std::u16string parameter;
    bool paused = false;

    // Null while no script runs.
    PV_MAC_MEMBER const FMScript* GetScript() const;
    PV_MAC_MEMBER DBError CallScript(FMWindowModel& window, const HBSerialKey<5>& script, const DBData* parameter,
                                     bool first, bool second, std::uint16_t control, bool third);
    PV_MAC_MEMBER DBError CallScript(FMWindowModel& window, const HBSerialKey<5>& script, const DBData* parameter,
                                     std::uint16_t control, bool flag, TriggerState* trigger);
    PV_MAC_MEMBER DBError CallScript(FMWindowModel& window, const HBSerialKey<5>& script, DBData* parameter,
                                     std::uint16_t control, bool flag, TriggerState* trigger);
};

struct FMSession : DBSession {
    ScriptRuntimeBase runtime;

    PV_MAC_MEMBER ScriptRuntimeBase& GetScriptRuntime() const;
    PV_MAC_MEMBER FMWindowModel* OpenWindow(FMFileUser& file, bool first, bool second);
    PV_MAC_MEMBER FMWindowModel* OpenWindow(const FMFileUser& file, bool first, bool second);
};

struct DBCatalog {
    FMFileUser* file = nullptr;
    std::uint32_t memberCount = 0;   // the highest index unless set otherwise

    PV_MAC_MEMBER unsigned long GetMemberCount() const;
    PV_MAC_MEMBER unsigned long GetMemberCount(bool allKinds) const;
};

// A layout or a script; the key comes first (fmapi/object_layout.h).
struct CatalogMember {
    HBAbstractKey key{};
    DBCatalog* catalog = nullptr;
    std::u16string name;
    bool hidden = false;
    std::uint16_t index = 0;
    // The object the macOS host hands out for it, laid out for the API level
    // (fmapi/mac_layout.h): its key record, identifier and file user.
    alignas(void*) unsigned char macObject[136] = {};
};

struct FMLayout : CatalogMember {};
struct FMScript : CatalogMember {};

template <class Member>
struct MemberCatalog : DBCatalog {
    std::map<std::uint16_t, std::unique_ptr<Member>> byIndex;
    std::map<std::string, Member*> byKey;
    std::uint32_t lastSerial = 0;

    Member* AtIndex(std::uint16_t index) const
    {
        auto it = byIndex.find(index);
        return it == byIndex.end() ? nullptr : it->second.get();
    }
    Member* WithKey(const HBAbstractKey* key) const
    {
        if (!key)
            return nullptr;
        auto it = byKey.find(hostworld::KeyBytes(*key));
        return it == byKey.end() ? nullptr : it->second;
    }
};

struct FMLayoutCatalog : MemberCatalog<FMLayout> {
    PV_MAC_MEMBER bool IsLayoutHidden(const HBAbstractKey& key) const;
    PV_MAC_MEMBER bool GetLayoutName(const HBAbstractKey& key, DBData& name) const;
    PV_MAC_MEMBER bool GetMemberName(const HBAbstractKey& key, DBData& name) const;
    PV_MAC_MEMBER bool GetLayoutKey(std::uint16_t index, HBAbstractKey& key, bool flag,
                                    const DBTableProxy* table) const;
};

struct FMScriptCatalog : MemberCatalog<FMScript> {
    struct TypeFilter {
        enum FilterType : std::int32_t { kAllTypes = 0 };
    };

    PV_MAC_MEMBER bool GetScriptName(const HBAbstractKey& key, DBData& name) const;
    PV_MAC_MEMBER bool GetMemberName(const HBAbstractKey& key, DBData& name) const;
    PV_MAC_MEMBER bool GetScriptKey(std::uint16_t index, HBAbstractKey& key, bool flag) const;
    PV_MAC_MEMBER bool GetScriptKey(std::uint16_t index, HBAbstractKey& key, TypeFilter::FilterType filter,
                                    bool flag) const;
    PV_MAC_MEMBER bool GetScriptKey(std::uint16_t index, HBAbstractKey& key, DBTypeFilter::FilterType filter,
                                    bool flag) const;
};

struct FMWindowModel {
    // First: the words laid out for the API level (fmapi/object_layout.h).
    alignas(void*) unsigned char head[fmapi::kWindowModelHeadSize] = {};
    hostworld::OwnedText name;
    FMFileUser* file = nullptr;
    std::int32_t mode = 0;
    const FMLayout* layout = nullptr;
    bool flag = false;
};

struct PV_WORLD_API DBFileUser {
    // First: the macOS host's words laid out for the API level
    // (fmapi/mac_layout.h): its key record, identifier and path holder.
    alignas(void*) unsigned char macHead[88] = {};
    UniversalPath path{nullptr};
    // Room for the macOS host's path holder, with the universal path (whose
    // record is `path`'s) at its place for the level and on a pointer
    // boundary.
    alignas(void*) unsigned char macPathHolder[104] = {};
    DBFileUser();
    ~DBFileUser();
    DBFileUser(const DBFileUser&) = delete;
    DBFileUser& operator=(const DBFileUser&) = delete;
};

struct FMFileUser : DBFileUser {
    std::u16string name;
    FMLayoutCatalog layouts;
    FMScriptCatalog scripts;
    FMWindowModel* defaultWindow = nullptr;
    std::vector<std::u16string> fonts{u"Arial", u"Times New Roman", u"Courier New"};

    PV_MAC_MEMBER FMWindowModel* GetDefaultWindow() const;
    PV_MAC_MEMBER FMScriptCatalog& GetScriptCatalog() const;
    PV_MAC_MEMBER FMLayoutCatalog& GetLayoutCatalog() const;
};

} // namespace Draco

namespace hostworld {

// Window kinds: a document window and a dialog.
enum : std::int16_t { kDocumentKind = 10, kDialogKind = 2 };

// Window style bits of the desktop.
constexpr std::uint32_t kStyleMaximize = 0x01000000u;
constexpr std::uint32_t kStyleMinimize = 0x20000000u;
constexpr std::uint32_t kStyleDisabled = 0x08000000u;

// A window of the host (an XMLWindow).
struct Window {
    std::uintptr_t platform = 0;   // its window on the desktop
    std::u16string title;
    std::int16_t kind = kDocumentKind;
    bool visible = true;
    std::unique_ptr<Draco::FMWindowModel> model;   // none for other windows
};

struct WindowOptions {
    bool hidden = false;
    bool maximised = false;
    bool minimised = false;
    bool flag = false;
    bool dialog = false;
    std::int32_t mode = 0;
};

// A window of the desktop.
struct DesktopWindow {
    std::uintptr_t handle = 0;
    std::uintptr_t parent = 0;
    std::uint32_t process = 0;
    std::uint32_t thread = 0;
    std::string className;
    std::uint32_t style = 0;
    bool flashing = false;
};

// A hook on window messages (fmapi/desktop.h).
struct DesktopHook {
    std::uintptr_t id = 0;
    int kind = 0;
    std::intptr_t (*proc)(int, std::uintptr_t, std::intptr_t) = nullptr;
    std::uint32_t thread = 0;   // 0: every thread
};

enum class MainWindow { kEnabled, kDisabled, kNone };

class PV_WORLD_API World {
public:
    static World& Get();

    // The API level the modules serve; window models are laid out for it.
    void SetApiLevel(std::int32_t level);
    std::int32_t ApiLevel() const { return level_; }

    Draco::FMSession& Session() { return session_; }

    // ---- files
    // A file at a location in path notation ("filewin:/C:/Files/a.fmp12",
    // "fmnet:/host/a.fmp12"); the universal path gets the prefix as its type,
    // the folder with each "/" as U+E000 as its path and the name. Null when
    // the location has no prefix or no name, or the name is taken.
    Draco::FMFileUser* AddFile(const std::string& name, const std::string& location);
    Draco::FMFileUser* FindFile(const std::string& name) const;

    // ---- catalogs; index 0: after the last member. Null when the index or
    // the name is taken.
    Draco::FMLayout* AddLayout(Draco::FMFileUser& file, const std::string& name, bool hidden, std::uint16_t index);
    Draco::FMScript* AddScript(Draco::FMFileUser& file, const std::string& name, std::uint16_t index);
    Draco::FMLayout* FindLayout(const Draco::FMFileUser& file, const std::string& name) const;
    Draco::FMScript* FindScript(const Draco::FMFileUser& file, const std::string& name) const;

    // ---- windows
    // A window of the file in front of all others; a file's first document
    // window becomes its default window.
    Window* AddWindow(Draco::FMFileUser& file, const std::string& title, const WindowOptions& options);
    // A window without a model (of any kind) in front of all others.
    Window* AddBareWindow(const std::string& title, std::int16_t kind);
    Window* FindWindow(const std::string& title) const;
    const std::vector<Window*>& Windows() const { return order_; }
    Window* NextWindow(const Window* window) const;
    bool IsHostWindow(const void* window) const;
    void SetWindowLayout(Window& window, const Draco::FMLayout* layout);
    void SetDefaultWindow(Draco::FMFileUser& file, Window* window);
    // Lays the model's head out for the API level (after any change).
    void LayOut(Draco::FMWindowModel& model) const;

    // ---- the script runtime; a null script: none runs
    void SetRunning(Draco::FMScript* script, const std::string& parameter, bool paused);
    std::u16string RunningScriptName() const;
    std::u16string RunningParameter() const;

    // ---- scripts performed by the plug-in
    void Record(std::string entry) { journal_.push_back(std::move(entry)); }
    std::vector<std::string> TakeJournal();
    // Tests: the next script calls throw.
    void FailScriptCalls(bool fail) { failScriptCalls_ = fail; }
    bool ScriptCallsFail() const { return failScriptCalls_; }

    // The file of the host's expression environment (null: none).
    void SetCurrentFile(Draco::FMFileUser* file);

    // ---- the desktop
    // The class of FileMaker's main window at the API level for the
    // application kind (2: a runtime).
    std::string MainWindowClass(std::uint8_t appKind) const;
    // Enables or disables the main window of that class, or replaces the
    // main window with a new one in front of all others.
    void SetMainWindow(MainWindow state, const std::string& className);
    std::uintptr_t MainWindowHandle() const { return mainWindow_; }
    // A window of this process or another, in front of all others.
    std::uintptr_t AddPlainWindow(const std::string& className, bool otherProcess);
    void DestroyDesktopWindow(std::uintptr_t handle);
    // The desktop answers through fmapi/desktop.h only once it is set up.
    void SetUpDesktop() { desktopUp_ = true; }
    bool DesktopUp() const { return desktopUp_; }
    std::uintptr_t DesktopHandle() const { return kDesktop; }
    const DesktopWindow* FindDesktopWindow(std::uintptr_t handle) const;
    std::uintptr_t FirstChild(std::uintptr_t handle) const;
    std::uintptr_t NextSibling(std::uintptr_t handle) const;

    // Flashing: while flags name the caption or the button (bits 1, 2).
    // Answers whether the window was flashing; false for no window.
    bool Flash(std::uintptr_t handle, std::uint32_t flags);
    // Hooks: only kind fmapi::kHookAfterMessage is known (0 otherwise).
    std::uintptr_t SetHook(int kind, std::intptr_t (*proc)(int, std::uintptr_t, std::intptr_t), std::uint32_t thread);
    bool RemoveHook(std::uintptr_t id);
    std::size_t HookCount() const { return hooks_.size(); }
    // The next hook of the message being passed along the chain; 0 at its end
    // or outside a message.
    std::intptr_t CallNextHook(int code, std::uintptr_t wParam, std::intptr_t lParam);
    // The thread of fmhost and of its windows.
    std::uint32_t CurrentThread() const;
    // Sends a message to a window of the desktop: the window handles it (it
    // answers 0), then the hooks of its thread see it. Nothing for no window.
    std::intptr_t SendMessage(std::uintptr_t handle, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam);
    // The application becomes active: the activation message (28, flag
    // true) to the main window.
    void Activate();

private:
    World() = default;
    std::uintptr_t AddDesktopWindow(std::uint32_t process, const std::string& className, std::uint32_t style);
    template <class Member, class Catalog>
    Member* AddMember(Catalog& catalog, const std::string& name, std::uint16_t index);

    static constexpr std::uintptr_t kDesktop = 0x10000;

    std::int32_t level_ = 0;
    Draco::FMSession session_;
    std::vector<std::unique_ptr<Draco::FMFileUser>> files_;
    std::vector<std::unique_ptr<Window>> windows_;
    std::vector<Window*> order_;   // front to back
    std::vector<std::string> journal_;
    bool failScriptCalls_ = false;

    bool desktopUp_ = false;
    std::map<std::uintptr_t, DesktopWindow> desktop_;
    std::vector<std::uintptr_t> topLevel_;   // front to back
    std::uintptr_t lastHandle_ = kDesktop;
    std::uintptr_t mainWindow_ = 0;

    std::vector<DesktopHook> hooks_;   // newest first
    std::uintptr_t lastHook_ = 0x7000;
    // The messages being passed along their hook chains, innermost last: the
    // chain as it was when the message came and the next hook's place.
    struct Passing {
        std::vector<DesktopHook> chain;
        std::size_t next = 0;
    };
    std::vector<Passing> passing_;
};

} // namespace hostworld
