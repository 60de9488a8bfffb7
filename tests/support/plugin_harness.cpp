#include "support/plugin_harness.h"

#include <cstring>

#include "fmapi/fm_host.h"
#include "fmx/FMWrapper.h"

#if defined(PV_FLAVOUR_MAC)
#include "platform/corefoundation/CoreFoundation.h"
#endif

namespace pvtest {

namespace {

void* g_override = nullptr;

} // namespace

InstanceOverride::InstanceOverride(void* instance) : saved_(g_override) { g_override = instance; }

InstanceOverride::~InstanceOverride() { g_override = saved_; }

void* ModuleInstance()
{
    if (g_override)
        return g_override;
#if defined(PV_FLAVOUR_MAC)
    static CFBundleRef const bundle = BundleAt(PV_BIN_DIR "/Plotvane.fmplugin");
    return bundle;
#else
    return nullptr;  // the program itself
#endif
}

#if defined(PV_FLAVOUR_MAC)
CFBundleRef BundleAt(const std::string& folder)
{
    CFStringRef path = CFStringCreateWithCString(kCFAllocatorDefault, folder.c_str(), kCFStringEncodingUTF8);
    CFURLRef url = CFURLCreateWithFileSystemPath(kCFAllocatorDefault, path, kCFURLPOSIXPathStyle, true);
    CFRelease(path);
    CFBundleRef bundle = url ? CFBundleCreate(kCFAllocatorDefault, url) : nullptr;
    if (url)
        CFRelease(url);
    return bundle;
}
#endif

fmapi::CallRecord MakeRecord(std::uint8_t kind)
{
    fmapi::CallRecord r;
    std::memset(&r, 0, sizeof(r));
    r.whichCall = kind;
    r.instanceID = ModuleInstance();
    return r;
}

std::intptr_t Init(std::int16_t extnVersion, const std::u16string& hostVersion, std::intptr_t initialResult)
{
    fmapi::CallRecord r = MakeRecord(fmapi::kMsgInit);
    r.extnVersion = extnVersion;
    r.parm1 = 1;
    std::u16string text = hostVersion;
    r.parm2 = reinterpret_cast<std::uintptr_t>(text.c_str());
    r.result = initialResult;
    FMExternCallProc(&r);
    return r.result;
}

void Shutdown()
{
    fmapi::CallRecord r = MakeRecord(fmapi::kMsgShutdown);
    FMExternCallProc(&r);
}

std::u16string RequestString(std::uint8_t id, std::uint32_t capacity)
{
    std::vector<char16_t> buffer(2048, u'x');
    fmapi::CallRecord r = MakeRecord(fmapi::kMsgGetString);
    r.parm1 = id;
    r.parm3 = capacity;
    r.result = reinterpret_cast<std::intptr_t>(buffer.data());
    FMExternCallProc(&r);
    std::u16string out;
    for (char16_t c : buffer) {
        if (c == 0 || c == u'x')
            break;
        out.push_back(c);
    }
    return out;
}

namespace {

CallResult CallWith(const std::u16string& name, const fmx::DataVect& vect)
{
    fmx::Data result;
    CallResult out;
    out.error = FMH_CallFunction(name.c_str(), vect.get(), result.get());
    out.type = result.GetNativeType();
    if (out.type == kFMTypeText)
        out.text = fmx::Text(result.GetAsText()).GetU16();
    if (out.type == kFMTypeBinary) {
        fmx::BinaryData binary(result.GetBinaryData());
        FMError err{1, 0};
        std::int32_t n = FM_BinaryData_GetCount(binary.get(), &err);
        for (std::int32_t i = 0; i < n; ++i) {
            FMQuadChar* q = FM_QuadChar_Constructor1(&err);
            FM_BinaryData_GetType(binary.get(), i, q, &err);
            std::uint32_t type = FM_QuadChar_GetMacType(q, &err);
            FM_QuadChar_Delete(q, &err);
            std::vector<unsigned char> bytes(binary.GetSize(i));
            if (!bytes.empty())
                binary.GetData(i, 0, static_cast<std::uint32_t>(bytes.size()), bytes.data());
            out.streams.emplace_back(type, std::move(bytes));
        }
    }
    return out;
}

void PushText(fmx::DataVect& vect, const std::u16string& a)
{
    fmx::Text text;
    text.AssignUnicodeWithLength(a.data(), static_cast<std::uint32_t>(a.size()));
    fmx::Data data;
    fmx::Locale locale(1);
    data.SetAsText(text, locale);
    vect.PushBack(data);
}

} // namespace

CallResult CallText(const std::u16string& name, const std::vector<std::u16string>& args)
{
    fmx::DataVect vect;
    for (const auto& a : args)
        PushText(vect, a);
    return CallWith(name, vect);
}

CallResult Call(const std::u16string& name, const std::vector<Arg>& args)
{
    fmx::DataVect vect;
    for (const Arg& a : args) {
        if (a.kind() == Arg::Kind::Text) {
            PushText(vect, a.text());
            continue;
        }
        fmx::FixPt number;
        number.AssignDouble(a.number());
        fmx::Data data;
        data.SetAsNumber(number, a.kind() == Arg::Kind::Date ? kFMTypeDate : kFMTypeNumber);
        vect.PushBack(data);
    }
    return CallWith(name, vect);
}

bool StreamOf(const CallResult& result, std::uint32_t type, std::vector<unsigned char>* bytes)
{
    for (const auto& stream : result.streams) {
        if (stream.first == type) {
            if (bytes)
                *bytes = stream.second;
            return true;
        }
    }
    return false;
}

std::string Narrow(const std::u16string& s)
{
    std::string out;
    for (char16_t c : s)
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

} // namespace pvtest
