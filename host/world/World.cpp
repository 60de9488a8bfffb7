#include "world/World.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "fmapi/desktop.h"
#include "fmapi/fm_host.h"
#include "fmapi/mac_layout.h"
#include "platform/common/Utf.h"

namespace hostworld {

namespace {

// The macOS host's words of its objects, at their places for the API level.
template <class T>
void PutMac(unsigned char* object, std::size_t size, fmapi::mac::HostField field, std::int32_t level, const T& value)
{
    const std::size_t at = fmapi::mac::HostFieldOffset(field, level);
    if (at + sizeof value <= size)
        std::memcpy(object + at, &value, sizeof value);
}

// A file user: no key record, an identifier, its path holder (from 54 in the
// identifier's word), the holder's universal path over the file's path.
void LayOutMacFile(Draco::DBFileUser& file, std::uint32_t identifier, std::int32_t level)
{
    using fmapi::mac::HostField;
    std::memset(file.macHead, 0, sizeof file.macHead);
    std::memset(file.macPathHolder, 0, sizeof file.macPathHolder);
    PutMac(file.macHead, sizeof file.macHead, HostField::kRecordIdentifier, level, identifier);
    // The path is an object the host's members take by reference: the holder
    // starts where the path inside it lies on a pointer boundary (its offset
    // is packed, 4 bytes off at some levels).
    const std::size_t at = fmapi::mac::HostFieldOffset(HostField::kPathHolderPath, level);
    unsigned char* holder = file.macPathHolder + at % alignof(void*);
    PutMac(file.macHead, sizeof file.macHead, HostField::kFileUserPathHolder, level, static_cast<const void*>(holder));
    const fmapi::mac::UniversalPathLayout path{file.path.imp, {0, 0, 0}};
    PutMac(holder, sizeof file.macPathHolder - at % alignof(void*), HostField::kPathHolderPath, level, path);
}

// A layout or script object: its key record, identifier and file user.
void LayOutMacMember(Draco::CatalogMember& member, Draco::FMFileUser* file, std::int32_t level)
{
    using fmapi::mac::HostField;
    std::memset(member.macObject, 0, sizeof member.macObject);
    PutMac(member.macObject, sizeof member.macObject, HostField::kRecordKey, level,
           static_cast<const void*>(member.key.bytes));
    PutMac(member.macObject, sizeof member.macObject, HostField::kRecordIdentifier, level,
           static_cast<std::uint32_t>(member.index));
    PutMac(member.macObject, sizeof member.macObject, HostField::kMemberFileUser, level,
           static_cast<const void*>(file));
}

constexpr char16_t kSeparator = 0xE000;

// What the plug-in must never take for a window model's flag or pointers:
// every byte of the head not laid out has bit 7 set.
constexpr unsigned char kHeadFill = 0xA5;
constexpr unsigned char kFlagByteBase = 0x25;

// The object table a window model's first word points at.
const void* const kModelTable[4] = {};

std::uint32_t OwnProcess() { return static_cast<std::uint32_t>(getpid()); }
// Never a process id of ours: ids stay below 2^22.
std::uint32_t OtherProcess() { return OwnProcess() ^ 0x40000000u; }
constexpr std::uint32_t kOwnThread = 1;
constexpr std::uint32_t kActivateAppMessage = 0x1C;
constexpr std::uint32_t kOtherThread = 7;

void WritePointer(unsigned char* head, std::size_t offset, const void* pointer)
{
    std::memcpy(head + offset, &pointer, sizeof pointer);
}

} // namespace

std::string ToUtf8(const std::u16string& text)
{
    return pvcommon::utf::Utf16ToUtf8Replacing(text.data(), text.size());
}

std::u16string FromUtf8(const std::string& text)
{
    return pvcommon::utf::Utf8ToUtf16Replacing(text.data(), text.size());
}

std::string KeyBytes(const Draco::HBAbstractKey& key)
{
    const std::size_t length = std::min<std::size_t>(key.bytes[0], fmapi::kCatalogKeyCapacity);
    return std::string(reinterpret_cast<const char*>(key.bytes + 1), length);
}

World& World::Get()
{
    static World world;
    return world;
}

void World::SetApiLevel(std::int32_t level)
{
    level_ = level;
    for (const auto& window : windows_)
        if (window->model)
            LayOut(*window->model);
    for (std::size_t i = 0; i < files_.size(); ++i) {
        Draco::FMFileUser& file = *files_[i];
        LayOutMacFile(file, static_cast<std::uint32_t>(i + 1), level_);
        for (auto& [index, member] : file.layouts.byIndex)
            LayOutMacMember(*member, &file, level_);
        for (auto& [index, member] : file.scripts.byIndex)
            LayOutMacMember(*member, &file, level_);
    }
}

void World::LayOut(Draco::FMWindowModel& model) const
{
    unsigned char* head = model.head;
    std::memset(head, kHeadFill, sizeof model.head);
    WritePointer(head, 0, kModelTable);
    if (level_ < 54) {
        WritePointer(head, fmapi::Widened(4, 1), model.file);
    } else {
        WritePointer(head, fmapi::kWindowModelLayoutOffset, model.layout);
        WritePointer(head, fmapi::Widened(8, 2), model.file);
    }
    head[fmapi::WindowModelFlagOffset(level_)] =
        static_cast<unsigned char>(kFlagByteBase | (model.flag ? fmapi::kWindowModelFlagBit : 0));
}

// ---- files

Draco::FMFileUser* World::AddFile(const std::string& name, const std::string& location)
{
    const std::size_t colon = location.find(':');
    const std::size_t slash = location.rfind('/');
    const std::size_t nameAt = slash == std::string::npos ? colon + 1 : slash + 1;
    if (name.empty() || colon == std::string::npos || colon == 0 || location.compare(nameAt, std::string::npos, name) != 0 ||
        FindFile(name))
        return nullptr;
    auto file = std::make_unique<Draco::FMFileUser>();
    file->name = FromUtf8(name);
    auto& path = *static_cast<PathImp*>(file->path.imp);
    path.type.text = FromUtf8(location.substr(0, colon));
    for (char16_t c : FromUtf8(location.substr(colon + 1, nameAt - colon - 1)))
        path.path.text += c == u'/' ? kSeparator : c;
    path.name.text = file->name;
    file->layouts.file = file.get();
    file->scripts.file = file.get();
    LayOutMacFile(*file, static_cast<std::uint32_t>(files_.size() + 1), level_);
    files_.push_back(std::move(file));
    return files_.back().get();
}

Draco::FMFileUser* World::FindFile(const std::string& name) const
{
    const std::u16string wanted = FromUtf8(name);
    for (const auto& file : files_)
        if (file->name == wanted)
            return file.get();
    return nullptr;
}

// ---- catalogs

template <class Member, class Catalog>
Member* World::AddMember(Catalog& catalog, const std::string& name, std::uint16_t index)
{
    const std::u16string text = FromUtf8(name);
    for (const auto& [at, member] : catalog.byIndex)
        if (member->name == text)
            return nullptr;
    if (index == 0) {
        const std::uint32_t next = catalog.byIndex.empty() ? 1u : catalog.byIndex.rbegin()->first + 1u;
        if (next > 0xFFFF)
            return nullptr;
        index = static_cast<std::uint16_t>(next);
    }
    if (catalog.byIndex.count(index))
        return nullptr;
    auto member = std::make_unique<Member>();
    // Keys are serial numbers, high byte first, in as few bytes as they need.
    const std::uint32_t serial = ++catalog.lastSerial;
    std::uint8_t length = 0;
    for (std::uint32_t v = serial; v; v >>= 8)
        ++length;
    member->key.bytes[0] = length;
    for (std::uint8_t i = 0; i < length; ++i)
        member->key.bytes[1 + i] = static_cast<std::uint8_t>(serial >> (8 * (length - 1 - i)));
    member->catalog = &catalog;
    member->name = text;
    member->index = index;
    Member* added = member.get();
    LayOutMacMember(*added, catalog.file, level_);
    catalog.byKey[KeyBytes(added->key)] = added;
    catalog.byIndex[index] = std::move(member);
    catalog.memberCount = std::max<std::uint32_t>(catalog.memberCount, index);
    return added;
}

Draco::FMLayout* World::AddLayout(Draco::FMFileUser& file, const std::string& name, bool hidden, std::uint16_t index)
{
    Draco::FMLayout* layout = AddMember<Draco::FMLayout>(file.layouts, name, index);
    if (layout)
        layout->hidden = hidden;
    return layout;
}

Draco::FMScript* World::AddScript(Draco::FMFileUser& file, const std::string& name, std::uint16_t index)
{
    return AddMember<Draco::FMScript>(file.scripts, name, index);
}

Draco::FMLayout* World::FindLayout(const Draco::FMFileUser& file, const std::string& name) const
{
    const std::u16string text = FromUtf8(name);
    for (const auto& [at, member] : file.layouts.byIndex)
        if (member->name == text)
            return member.get();
    return nullptr;
}

Draco::FMScript* World::FindScript(const Draco::FMFileUser& file, const std::string& name) const
{
    const std::u16string text = FromUtf8(name);
    for (const auto& [at, member] : file.scripts.byIndex)
        if (member->name == text)
            return member.get();
    return nullptr;
}

// ---- windows

Window* World::AddWindow(Draco::FMFileUser& file, const std::string& title, const WindowOptions& options)
{
    Window* window = AddBareWindow(title, options.dialog ? kDialogKind : kDocumentKind);
    window->visible = !options.hidden;
    auto& entry = desktop_[window->platform];
    if (options.maximised)
        entry.style |= kStyleMaximize;
    if (options.minimised)
        entry.style |= kStyleMinimize;
    window->model = std::make_unique<Draco::FMWindowModel>();
    Draco::FMWindowModel& model = *window->model;
    model.name.text = window->title;
    model.file = &file;
    model.mode = options.mode;
    model.flag = options.flag;
    LayOut(model);
    if (!file.defaultWindow && !options.dialog)
        file.defaultWindow = &model;
    return window;
}

Window* World::AddBareWindow(const std::string& title, std::int16_t kind)
{
    auto window = std::make_unique<Window>();
    window->title = FromUtf8(title);
    window->kind = kind;
    window->platform = AddDesktopWindow(OwnProcess(), "XMLWindow", 0);
    order_.insert(order_.begin(), window.get());
    windows_.push_back(std::move(window));
    return windows_.back().get();
}

Window* World::FindWindow(const std::string& title) const
{
    const std::u16string text = FromUtf8(title);
    for (Window* window : order_)
        if (window->title == text)
            return window;
    return nullptr;
}

Window* World::NextWindow(const Window* window) const
{
    auto it = std::find(order_.begin(), order_.end(), window);
    if (it == order_.end() || ++it == order_.end())
        return nullptr;
    return *it;
}

bool World::IsHostWindow(const void* window) const
{
    return std::find(order_.begin(), order_.end(), window) != order_.end();
}

void World::SetWindowLayout(Window& window, const Draco::FMLayout* layout)
{
    if (!window.model)
        return;
    window.model->layout = layout;
    LayOut(*window.model);
}

void World::SetDefaultWindow(Draco::FMFileUser& file, Window* window)
{
    file.defaultWindow = window ? window->model.get() : nullptr;
}

// ---- script runtime

void World::SetRunning(Draco::FMScript* script, const std::string& parameter, bool paused)
{
    Draco::ScriptRuntimeBase& runtime = session_.runtime;
    runtime.script = script;
    runtime.parameter = script ? FromUtf8(parameter) : std::u16string();
    runtime.paused = script && paused;
    // The macOS host keeps the flag in its own word (or byte, at 50 and below).
    std::memset(runtime.macHead, 0, sizeof runtime.macHead);
    if (runtime.paused) {
        const std::size_t at = fmapi::mac::HostFieldOffset(fmapi::mac::HostField::kRuntimePaused, level_);
        static_assert(fmapi::mac::WidenedOffset(16, 0) + 4 <= sizeof runtime.macHead, "room for the field");
        runtime.macHead[at] = 1;
    }
}

std::u16string World::RunningScriptName() const
{
    const Draco::FMScript* script = session_.runtime.script;
    return script ? script->name : std::u16string();
}

std::u16string World::RunningParameter() const { return session_.runtime.parameter; }

std::vector<std::string> World::TakeJournal()
{
    std::vector<std::string> entries;
    entries.swap(journal_);
    return entries;
}

void World::SetCurrentFile(Draco::FMFileUser* file) { FMH_ExprEnv_SetFile(file); }

// ---- desktop

std::string World::MainWindowClass(std::uint8_t appKind) const
{
    const std::string version = level_ < 55 ? "FMPRO7" : "FMPRO11.0";
    return version + (appKind == 2 ? "RUNTIME" : "APP");
}

std::uintptr_t World::AddDesktopWindow(std::uint32_t process, const std::string& className, std::uint32_t style)
{
    DesktopWindow window;
    window.handle = lastHandle_ += 0x10;
    window.parent = kDesktop;
    window.process = process;
    window.thread = process == OwnProcess() ? kOwnThread : kOtherThread;
    window.className = className;
    window.style = style;
    desktop_[window.handle] = window;
    topLevel_.insert(topLevel_.begin(), window.handle);
    return window.handle;
}

void World::SetMainWindow(MainWindow state, const std::string& className)
{
    // The same window is enabled or disabled in place.
    auto current = desktop_.find(mainWindow_);
    if (state != MainWindow::kNone && current != desktop_.end() && current->second.className == className) {
        if (state == MainWindow::kDisabled)
            current->second.style |= kStyleDisabled;
        else
            current->second.style &= ~kStyleDisabled;
        return;
    }
    if (mainWindow_)
        DestroyDesktopWindow(mainWindow_);
    mainWindow_ = 0;
    if (state != MainWindow::kNone)
        mainWindow_ = AddDesktopWindow(OwnProcess(), className, state == MainWindow::kDisabled ? kStyleDisabled : 0u);
}

std::uintptr_t World::AddPlainWindow(const std::string& className, bool otherProcess)
{
    return AddDesktopWindow(otherProcess ? OtherProcess() : OwnProcess(), className, 0);
}

void World::DestroyDesktopWindow(std::uintptr_t handle)
{
    desktop_.erase(handle);
    topLevel_.erase(std::remove(topLevel_.begin(), topLevel_.end(), handle), topLevel_.end());
}

const DesktopWindow* World::FindDesktopWindow(std::uintptr_t handle) const
{
    auto it = desktop_.find(handle);
    return it == desktop_.end() ? nullptr : &it->second;
}

std::uintptr_t World::FirstChild(std::uintptr_t handle) const
{
    return handle == kDesktop && !topLevel_.empty() ? topLevel_.front() : 0;
}

std::uintptr_t World::NextSibling(std::uintptr_t handle) const
{
    auto it = std::find(topLevel_.begin(), topLevel_.end(), handle);
    if (it == topLevel_.end() || ++it == topLevel_.end())
        return 0;
    return *it;
}

bool World::Flash(std::uintptr_t handle, std::uint32_t flags)
{
    auto it = desktop_.find(handle);
    if (it == desktop_.end())
        return false;
    const bool was = it->second.flashing;
    it->second.flashing = (flags & 3u) != 0;
    return was;
}

std::uintptr_t World::SetHook(int kind, std::intptr_t (*proc)(int, std::uintptr_t, std::intptr_t), std::uint32_t thread)
{
    if (kind != fmapi::kHookAfterMessage || !proc)
        return 0;
    DesktopHook hook;
    hook.id = lastHook_ += 0x10;
    hook.kind = kind;
    hook.proc = proc;
    hook.thread = thread;
    hooks_.insert(hooks_.begin(), hook);
    return hook.id;
}

bool World::RemoveHook(std::uintptr_t id)
{
    auto it = std::find_if(hooks_.begin(), hooks_.end(), [id](const DesktopHook& h) { return h.id == id; });
    if (it == hooks_.end())
        return false;
    hooks_.erase(it);
    return true;
}

std::intptr_t World::CallNextHook(int code, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (passing_.empty())
        return 0;
    // A hook removed since the message came is passed over.
    for (;;) {
        Passing& p = passing_.back();
        if (p.next >= p.chain.size())
            return 0;
        const DesktopHook hook = p.chain[p.next++];
        if (std::any_of(hooks_.begin(), hooks_.end(), [&](const DesktopHook& h) { return h.id == hook.id; }))
            return hook.proc(code, wParam, lParam);
    }
}

std::uint32_t World::CurrentThread() const { return kOwnThread; }

std::intptr_t World::SendMessage(std::uintptr_t handle, std::uint32_t message, std::uintptr_t wParam,
                                 std::intptr_t lParam)
{
    const DesktopWindow* window = FindDesktopWindow(handle);
    if (!window)
        return 0;
    PVMessageAfter after{0, lParam, wParam, message, handle};
    Passing p;
    for (const DesktopHook& hook : hooks_)
        if (hook.thread == 0 || hook.thread == window->thread)
            p.chain.push_back(hook);
    passing_.push_back(std::move(p));
    struct Done {
        std::vector<Passing>& passing;
        ~Done() { passing.pop_back(); }
    } done{passing_};
    // From this process: the hook's wParam is non-zero.
    CallNextHook(0, 1, reinterpret_cast<std::intptr_t>(&after));
    return after.result;
}

void World::Activate()
{
    if (mainWindow_)
        SendMessage(mainWindow_, kActivateAppMessage, 1, 0);
}

} // namespace hostworld

namespace Draco {

DBFileUser::DBFileUser() { path.imp = new hostworld::PathImp; }

DBFileUser::~DBFileUser() { delete static_cast<hostworld::PathImp*>(path.imp); }

} // namespace Draco

// ---- the desktop service

namespace {

using hostworld::World;

std::uintptr_t DesktopOf() { return World::Get().DesktopHandle(); }

std::uintptr_t FirstChildOf(std::uintptr_t window) { return World::Get().FirstChild(window); }

std::uintptr_t NextOf(std::uintptr_t window) { return World::Get().NextSibling(window); }

std::uint32_t ThreadProcessOf(std::uintptr_t window, std::uint32_t* process)
{
    const hostworld::DesktopWindow* w = World::Get().FindDesktopWindow(window);
    if (process)
        *process = w ? w->process : 0;
    return w ? w->thread : 0;
}

int ClassNameOf(std::uintptr_t window, char* buffer, int capacity)
{
    const hostworld::DesktopWindow* w = World::Get().FindDesktopWindow(window);
    if (!w || !buffer || capacity <= 0)
        return 0;
    const std::size_t n = std::min<std::size_t>(w->className.size(), static_cast<std::size_t>(capacity - 1));
    std::memcpy(buffer, w->className.data(), n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

bool IsWindowOf(std::uintptr_t window)
{
    return window == World::Get().DesktopHandle() || World::Get().FindDesktopWindow(window) != nullptr;
}

bool IsEnabledOf(std::uintptr_t window)
{
    const hostworld::DesktopWindow* w = World::Get().FindDesktopWindow(window);
    return w && !(w->style & hostworld::kStyleDisabled);
}

std::uint32_t StyleOf(std::uintptr_t window)
{
    const hostworld::DesktopWindow* w = World::Get().FindDesktopWindow(window);
    return w ? w->style : 0;
}

bool FlashOf(std::uintptr_t window, std::uint32_t flags, std::uint32_t, std::uint32_t)
{
    return World::Get().Flash(window, flags);
}

std::uintptr_t SetHookOf(int kind, PVHookProc proc, std::uint32_t thread)
{
    return World::Get().SetHook(kind, proc, thread);
}

bool RemoveHookOf(std::uintptr_t hook) { return World::Get().RemoveHook(hook); }

std::intptr_t CallNextHookOf(std::uintptr_t, int code, std::uintptr_t wParam, std::intptr_t lParam)
{
    return World::Get().CallNextHook(code, wParam, lParam);
}

std::uint32_t CurrentThreadOf() { return World::Get().CurrentThread(); }

} // namespace

extern "C" __attribute__((visibility("default"))) const PVDesktopService* PVDesktop_Service()
{
    static const PVDesktopService service{DesktopOf,    FirstChildOf, NextOf,         ThreadProcessOf,
                                          ClassNameOf,  IsWindowOf,   IsEnabledOf,    StyleOf,
                                          FlashOf,      SetHookOf,    RemoveHookOf,   CallNextHookOf,
                                          CurrentThreadOf};
    return World::Get().DesktopUp() ? &service : nullptr;
}
