#include "fmhost/MacWindows.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <vector>

#include "fmapi/mac_layout.h"
#include "platform/carbon/WindowManager.h"

namespace fmhost {

namespace {

using fmapi::mac::FieldKind;
using fmapi::mac::HostField;

// A window model as the host's frameworks of the level lay it out, with the
// name's text in the level's string form.
struct MacModel {
    alignas(void*) unsigned char bytes[192] = {};
    void* nameBlock = nullptr;
    ~MacModel() { std::free(nameBlock); }
};

struct MacWindow {
    WindowRef window = nullptr;
    std::unique_ptr<MacModel> model;
};

struct State {
    bool started = false;
    std::int32_t level = 0;
    std::map<const hostworld::Window*, MacWindow> windows;
    std::vector<DialogRef> modals;
};

State& TheState()
{
    static State state;
    return state;
}

void* Allocate(std::size_t bytes)
{
    void* block = std::malloc(bytes);
    if (!block)
        throw std::bad_alloc();
    return block;
}

std::size_t At(HostField field) { return fmapi::mac::HostFieldOffset(field, TheState().level); }

template <class T>
void Put(MacModel& model, HostField field, const T& value)
{
    static_assert(sizeof(T) <= sizeof(void*), "one word");
    std::memcpy(model.bytes + At(field), &value, sizeof value);
}

void PutName(MacModel& model, const std::u16string& name)
{
    const auto length = static_cast<std::uint32_t>(name.size());
    if (TheState().level >= fmapi::mac::kHostString51Level) {
        // The text follows its header; the string is the text's address.
        const fmapi::mac::StringHeader header{length, length + 1, 0};
        auto* block = static_cast<unsigned char*>(Allocate(sizeof header + (name.size() + 1) * sizeof(char16_t)));
        std::memcpy(block, &header, sizeof header);
        auto* text = reinterpret_cast<char16_t*>(block + sizeof header);
        std::memcpy(text, name.c_str(), (name.size() + 1) * sizeof(char16_t));
        model.nameBlock = block;
        Put(model, HostField::kModelWindowName, fmapi::mac::HostString51{text});
        return;
    }
    fmapi::mac::HostString50 form{length, 0, nullptr};
    if (length) {
        form.capacity = length + 1;
        form.buffer = static_cast<char16_t*>(Allocate(form.capacity * sizeof(char16_t)));
        std::memcpy(form.buffer, name.c_str(), form.capacity * sizeof(char16_t));
        model.nameBlock = form.buffer;
    }
    std::memcpy(model.bytes + At(HostField::kModelWindowName), &form, sizeof form);
}

std::unique_ptr<MacModel> ModelOf(const hostworld::Window& window, const hostworld::WindowOptions& options)
{
    auto model = std::make_unique<MacModel>();
    const Draco::FMWindowModel& world = *window.model;
    Put(*model, HostField::kModelFileUser, static_cast<const void*>(world.file));
    Put(*model, HostField::kModelLayout, static_cast<const void*>(world.layout));
    const std::int32_t level = TheState().level;
    if (fmapi::mac::HostFieldSpec(HostField::kModelUserMode, level).kind == FieldKind::kSignedByte)
        Put(*model, HostField::kModelUserMode, static_cast<std::int8_t>(options.mode));
    else
        Put(*model, HostField::kModelUserMode, static_cast<std::uint32_t>(options.mode));
    if (options.flag) {
        // Both flags from 54 (they share a word), flag B alone before.
        std::uint32_t word = 1u << 7;
        if (fmapi::mac::HostFieldSpec(HostField::kModelFlagA, level).kind != FieldKind::kAbsent)
            word |= 1u << 17;
        Put(*model, HostField::kModelFlagB, word);
    }
    PutName(*model, world.name.text);
    return model;
}

CFStringRef Title(const std::u16string& title)
{
    return CFStringCreateWithCharacters(kCFAllocatorDefault, reinterpret_cast<const UniChar*>(title.data()),
                                        static_cast<CFIndex>(title.size()));
}

} // namespace

void StartMacWindows(std::int32_t apiLevel)
{
    TheState().started = true;
    TheState().level = apiLevel;
}

bool MacWindowsStarted() { return TheState().started; }

void AddMacWindow(const hostworld::Window& window, const hostworld::WindowOptions& options)
{
    State& state = TheState();
    if (!state.started || !window.model)
        return;
    MacWindow mac;
    mac.model = ModelOf(window, options);
    const auto refCon = reinterpret_cast<SRefCon>(mac.model->bytes);
    if (options.dialog) {
        DialogRef dialog = NewCDialog(nullptr, nullptr, nullptr, !options.hidden, 0,
                                      reinterpret_cast<WindowRef>(-1), true, refCon, nullptr);
        mac.window = GetDialogWindow(dialog);
    } else {
        CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes, nullptr, &mac.window);
        SetWRefCon(mac.window, refCon);
        if (!options.hidden)
            ShowWindow(mac.window);
    }
    if (!mac.window)
        throw std::bad_alloc();
    SetWindowKind(mac.window, fmapi::mac::DocumentWindowKind(state.level));
    if (options.maximised)
        ZoomWindowIdeal(mac.window, inZoomOut, nullptr);
    if (options.minimised)
        CollapseWindow(mac.window, true);
    CFStringRef title = Title(window.title);
    SetWindowTitleWithCFString(mac.window, title);
    CFRelease(title);
    state.windows[&window] = std::move(mac);
}

void UpdateMacWindowLayout(const hostworld::Window& window)
{
    auto found = TheState().windows.find(&window);
    if (found != TheState().windows.end() && window.model)
        Put(*found->second.model, HostField::kModelLayout, static_cast<const void*>(window.model->layout));
}

void SetMacModal(const std::string& what)
{
    State& state = TheState();
    if (what == "none") {
        for (DialogRef dialog : state.modals)
            DisposeDialog(dialog);
        state.modals.clear();
        return;
    }
    DialogRef dialog = nullptr;
    if (what == "alert")
        CreateStandardAlert(kAlertStopAlert, nullptr, nullptr, nullptr, &dialog);
    else
        dialog = NewCDialog(nullptr, nullptr, nullptr, false, 5, reinterpret_cast<WindowRef>(-1), false, 0, nullptr);
    if (dialog)
        state.modals.push_back(dialog);
}

} // namespace fmhost
