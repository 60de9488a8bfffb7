// A small plug-in bundle for fmhost's mac mode: it tells what the host gave
// it (its instance handle, the main bundle, the system version, the host's
// frameworks) and reaches the host's frameworks through the macOS binding.
#include <cstring>
#include <exception>
#include <string>

#include "fmapi/call_record.h"
#include "fmapi/fm_api.h"
#include "macos/PlatStubs.h"
#include "platform/carbon/Carbon.h"
#include "platform/corefoundation/CoreFoundation.h"

namespace {

struct State {
    void* instance = nullptr;
    std::int32_t level = 0;
    PlatSymFinder* finder = nullptr;
};

State& S()
{
    static State s;
    return s;
}

std::int32_t Level() { return S().level; }

// The API level from the offered version and the host's version text.
std::int32_t ApiLevel(std::int16_t extnVersion, const char16_t* hostVersion)
{
    std::string text;
    for (const char16_t* c = hostVersion; c && *c; ++c)
        text += static_cast<char>(*c < 0x80 ? *c : '?');
    auto has = [&](const char* s) { return text.find(s) != std::string::npos; };
    std::int32_t level = extnVersion;
    if (level == 51)
        level = has("10.0") ? 54 : has("9.0") ? 53 : has("8.5") ? 52 : 51;
    else if (level == 52 && has("11.0"))
        level = 55;
    return level;
}

std::string Utf8(CFStringRef text)
{
    if (!text)
        return std::string();
    char buffer[1024];
    return CFStringGetCString(text, buffer, sizeof buffer, kCFStringEncodingUTF8) ? buffer : "?";
}

std::string LastComponent(CFBundleRef bundle)
{
    CFURLRef url = bundle ? CFBundleCopyBundleURL(bundle) : nullptr;
    if (!url)
        return "none";
    CFStringRef last = CFURLCopyLastPathComponent(url);
    std::string name = Utf8(last);
    CFRelease(last);
    CFRelease(url);
    return name;
}

std::string Info(const std::string& what)
{
    if (what == "instance") {
        const auto instance = static_cast<CFTypeRef>(S().instance);
        if (!instance || CFGetTypeID(instance) != CFBundleGetTypeID())
            return "not a bundle";
        return "bundle " + LastComponent(static_cast<CFBundleRef>(const_cast<void*>(instance)));
    }
    if (what == "version") {
        CFStringRef key = CFStringCreateWithCString(nullptr, "CFBundleShortVersionString", kCFStringEncodingUTF8);
        auto* bundle = static_cast<CFBundleRef>(S().instance);
        const auto value = static_cast<CFStringRef>(CFBundleGetValueForInfoDictionaryKey(bundle, key));
        CFRelease(key);
        return Utf8(value);
    }
    if (what == "main")
        return LastComponent(CFBundleGetMainBundle());
    if (what == "system") {
        SInt32 major = 0, minor = 0, bugfix = 0;
        Gestalt(FourCC("sys1"), &major);
        Gestalt(FourCC("sys2"), &minor);
        Gestalt(FourCC("sys3"), &bugfix);
        return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(bugfix);
    }
    if (what == "frameworks") {
        std::string names;
        CFArrayRef bundles = CFBundleGetAllBundles();
        for (CFIndex i = 0; i < CFArrayGetCount(bundles); ++i) {
            auto* bundle = static_cast<CFBundleRef>(const_cast<void*>(CFArrayGetValueAtIndex(bundles, i)));
            const std::string name = LastComponent(bundle);
            if (name.size() > 10 && name.compare(name.size() - 10, 10, ".framework") == 0)
                names += (names.empty() ? "" : ",") + name.substr(0, name.size() - 10);
        }
        return names;
    }
    return "?";
}

// A host string of the level's form round trip: UTF-8 in, UTF-8 out.
std::string StringRoundTrip(const std::string& text)
{
    fmapi::mac::HostStringStorage string{};
    const bool newer = Level() >= fmapi::mac::kHostString51Level;
    if (newer)
        mac::bound::ConstructString(&string);
    std::string out = "failed";
    if (mac::bound::ConvertFromNonUnichars(&string, text.data(), text.size(), fmapi::mac::kHostEncodingUtf8)) {
        char buffer[256];
        unsigned long size = sizeof buffer;
        if (mac::bound::ConvertToNonUnichars(&string, buffer, &size, fmapi::mac::kHostEncodingUtf8))
            out.assign(buffer, size);
    }
    if (newer) {
        mac::bound::DestroyString(&string);
    } else {
        fmapi::mac::HostString50 old;
        std::memcpy(&old, string.bytes, sizeof old);
        if (old.buffer)
            mac::bound::HostOperatorDelete(old.buffer);
    }
    return out;
}

std::string Bind(const std::string& what)
{
    try {
        if (what == "session") {
            auto* session = reinterpret_cast<Draco::FMSession*>(mac::bound::GetSessionFromID(1));
            if (!session)
                return "no session";
            const Draco::FMScript* script = mac::bound::GetScript(mac::bound::GetScriptRuntime(session));
            return script ? "session, a script runs" : "session, no script runs";
        }
        if (what == "string")
            return StringRoundTrip("Grüße ✓");
        if (what == "sql") {
            mac::bound::ExprEnvExecuteSQL();
            return "bound";
        }
        if (what == "callback11") {
            mac::bound::HostCallback<11>();
            return "bound";
        }
        if (what == "callback12") {
            mac::bound::HostCallback<12>();
            return "bound";
        }
        return "?";
    } catch (const std::exception& e) {
        return e.what();
    }
}

FMError NewErr() { return FMError{1, 0}; }

std::string ArgText(const FMDataVect* args, std::uint32_t i)
{
    FMError e = NewErr();
    const FMText* t = FM_DataVect_AtAsText(args, i, &e);
    std::uint32_t n = FM_Text_GetSize(t, &e);
    std::string out(static_cast<std::size_t>(n) * 3 + 1, '\0');
    out.resize(FM_Text_GetBytes(t, out.data(), static_cast<std::uint32_t>(out.size()), 0, n, kFMEncUTF8, &e));
    return out;
}

void SetText(FMData* result, const std::string& utf8)
{
    FMError e = NewErr();
    FMText* t = FM_Text_Constructor1(&e);
    FM_Text_Assign(t, utf8.c_str(), kFMEncUTF8, &e);
    FMLocale* l = FM_Locale_Constructor1(0, &e);
    FM_Data_SetAsText(result, t, l, kFMTypeText, &e);
    FM_Locale_Delete(l, &e);
    FM_Text_Delete(t, &e);
}

std::int16_t Function(std::int16_t id, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    const std::string what = ArgText(args, 0);
    SetText(result, id == 1 ? Info(what) : Bind(what));
    return 0;
}

FMQuadChar* PluginId()
{
    FMError e = NewErr();
    return FM_QuadChar_Constructor2('M', 'A', 'C', 'T', &e);
}

const char* const kNames[] = {"MT_Info", "MT_Bind"};

bool Register()
{
    FMError e = NewErr();
    FMQuadChar* id = PluginId();
    bool ok = true;
    for (std::int16_t i = 0; i < 2; ++i) {
        FMText* name = FM_Text_Constructor1(&e);
        FM_Text_Assign(name, kNames[i], kFMEncUTF8, &e);
        FMText* proto = FM_Text_Constructor1(&e);
        FM_Text_Assign(proto, (std::string(kNames[i]) + "( what )").c_str(), kFMEncUTF8, &e);
        ok = FM_ExprEnv_RegisterExternalFunction(id, static_cast<std::int16_t>(i + 1), name, proto, 1, 1, 0x0000FF00,
                                                 Function, &e) == 0 &&
             ok;
        FM_Text_Delete(name, &e);
        FM_Text_Delete(proto, &e);
    }
    FM_QuadChar_Delete(id, &e);
    return ok;
}

void Unregister()
{
    FMError e = NewErr();
    FMQuadChar* id = PluginId();
    for (std::int16_t i = 1; i <= 2; ++i)
        FM_ExprEnv_UnRegisterExternalFunction(id, i, &e);
    FM_QuadChar_Delete(id, &e);
}

void Shutdown()
{
    State& s = S();
    Unregister();
    mac::SetBindingFinder(nullptr);
    delete s.finder;
    s.finder = nullptr;
}

} // namespace

extern "C" __attribute__((visibility("default"))) void FMExternCallProc(fmapi::CallRecord* r)
{
    if (r->unsafeCalls)
        return;
    State& s = S();
    switch (r->whichCall) {
    case fmapi::kMsgInit:
        if (s.finder)
            Shutdown();
        s.instance = r->instanceID;
        s.level = ApiLevel(r->extnVersion, reinterpret_cast<const char16_t*>(r->parm2));
        try {
            s.finder = new PlatSymFinder(r);
        } catch (const std::exception&) {
            r->result = -2;
            return;
        }
        mac::SetBindingFinder(s.finder);
        mac::SetBindingLevelSource(&Level);
        r->result = Register() ? r->extnVersion : -1;
        break;
    case fmapi::kMsgShutdown:
        if (s.finder)
            Shutdown();
        break;
    case fmapi::kMsgGetString:
        if (auto* out = reinterpret_cast<char16_t*>(r->result)) {
            const std::u16string text = r->parm1 == 128 ? u"MacTest" : u"";
            if (text.size() < r->parm3) {
                std::memcpy(out, text.data(), text.size() * sizeof(char16_t));
                out[text.size()] = 0;
            }
        }
        break;
    default:
        break;
    }
}
