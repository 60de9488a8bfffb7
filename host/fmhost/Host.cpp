#include "fmhost/Host.h"
#include "fmhost/EngineModules.h"
#include "fmhost/MacHost.h"
#include "fmhost/MacWindows.h"

#include <dlfcn.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "fmapi/container_streams.h"
#include "fmapi/fm_host.h"
#include "fmhost/Evaluate.h"
#include "fmhost/HostMemory.h"
#include "fmhost/Values.h"
#include "fmhost/WorldScript.h"
#include "world/World.h"

namespace fmhost {
namespace {

constexpr char16_t kMarker = 0xFFFF;     // a noncharacter: never part of a text
constexpr std::size_t kGuardUnits = 64;  // marker units past the capacity
using fmapi::kJpegStream;
using fmapi::kNameStream;
using fmapi::kPngStream;
using fmapi::kSizeStream;
// File names longer than this are shown by their length only.
constexpr std::uint32_t kMostNameBytes = 1024;

const char* TypeName(std::int32_t type)
{
    switch (type) {
    case kFMTypeText: return "text";
    case kFMTypeNumber: return "number";
    case kFMTypeDate: return "date";
    case kFMTypeTime: return "time";
    case kFMTypeTimeStamp: return "timestamp";
    case kFMTypeBinary: return "container";
    case kFMTypeBoolean: return "boolean";
    default: return "empty";
    }
}

void WriteFile(const std::filesystem::path& path, const std::vector<char>& bytes)
{
    // Written aside and renamed, so that no half picture is ever left.
    std::filesystem::path temp = path;
    temp += ".part";
    {
        std::ofstream f(temp, std::ios::binary | std::ios::trunc);
        if (f) f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (f) f.close();
        if (!f) {
            std::error_code ec;
            std::filesystem::remove(temp, ec);
            throw HostFailure("cannot write " + path.string());
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        throw HostFailure("cannot write " + path.string());
    }
}

} // namespace

Host::Host(HostSettings settings) : settings_(std::move(settings)) {}

bool Host::Load(std::string* error)
{
    // The host's own modules (frameworks in mac mode) are in place before any
    // plug-in is loaded, and so is its desktop with its main window.
    const std::int32_t level = HostApiLevel(settings_.extnVersion, settings_.hostVersion);
    macMode_ = IsPluginBundle(settings_.plugin);
    if (macMode_) {
        const std::string application = HostApplicationFolder(*error);
        if (application.empty() || !LoadMacHost(level, application, *error)) {
            *error = "cannot load the host's frameworks: " + *error;
            return false;
        }
        if (!settings_.macSystem.empty())
            SetMacSystem(settings_.macSystem);
        if (!SetUpMacFiles(settings_.home, settings_.volumes, *error))
            return false;
        StartMacWindows(level);
    } else if (!settings_.macSystem.empty() || !settings_.home.empty() || !settings_.volumes.empty()) {
        *error = "--mac-system, --home and --volume need a plug-in bundle (a folder) as --plugin";
        return false;
    } else if (!LoadHostModules(level, *error)) {
        *error = "cannot load the host's modules: " + *error;
        return false;
    }
    hostworld::World& world = hostworld::World::Get();
    world.SetUpDesktop();
    world.SetMainWindow(hostworld::MainWindow::kEnabled,
                        world.MainWindowClass(static_cast<std::uint8_t>(settings_.appKind)));
    if (macMode_)
        return LoadPluginBundle(settings_.plugin, &module_, &entry_, *error);
    std::string path = settings_.plugin;
    // A bare file name means the file, not a search of the library path.
    if (path.find('/') == std::string::npos) path = "./" + path;
    dlerror();
    module_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module_) {
        const char* why = dlerror();
        *error = "cannot load the plug-in " + settings_.plugin + ": " + (why ? why : "unknown error");
        return false;
    }
    entry_ = reinterpret_cast<FMExternCallProcPtr>(dlsym(module_, "FMExternCallProc"));
    if (!entry_) {
        *error = "the plug-in " + settings_.plugin + " has no entry point FMExternCallProc";
        return false;
    }
    return true;
}

fmapi::CallRecord Host::NewRecord(std::uint8_t kind) const
{
    fmapi::CallRecord r;
    std::memset(&r, 0, sizeof r);
    r.extnVersion = static_cast<std::int16_t>(settings_.extnVersion);
    r.whichCall = kind;
    r.instanceID = module_;
    FillCallbacks(r);
    return r;
}

std::intptr_t Host::Init(int extnVersion, const std::string& hostVersion)
{
    versionTexts_.push_back(ToUtf16(hostVersion));
    fmapi::CallRecord r = NewRecord(fmapi::kMsgInit);
    r.extnVersion = static_cast<std::int16_t>(extnVersion);
    r.parm1 = static_cast<std::uint8_t>(settings_.appKind);
    r.parm2 = reinterpret_cast<std::uintptr_t>(versionTexts_.back().c_str());
    entry_(&r);
    live_ = true;
    return r.result;
}

std::intptr_t Host::Send(std::uint8_t kind, bool unsafe)
{
    fmapi::CallRecord r = NewRecord(kind);
    r.unsafeCalls = unsafe ? 1 : 0;
    entry_(&r);
    if (kind == fmapi::kMsgShutdown && !unsafe) live_ = false;
    return r.result;
}

Host::StringAnswer Host::RequestString(int id, std::uint32_t capacity)
{
    // At least one unit: an unknown id is answered by a zero in the first.
    std::size_t room = capacity > 0 ? capacity : 1;
    std::vector<char16_t> buffer(room + kGuardUnits, kMarker);
    fmapi::CallRecord r = NewRecord(fmapi::kMsgGetString);
    r.parm1 = static_cast<std::uint8_t>(id);
    r.parm3 = capacity;
    r.result = reinterpret_cast<std::intptr_t>(buffer.data());
    entry_(&r);

    StringAnswer answer;
    for (std::size_t i = room; i < buffer.size(); ++i)
        if (buffer[i] != kMarker) answer.overrun = true;
    std::size_t n = 0;
    while (n < capacity && buffer[n] != 0 && buffer[n] != kMarker) ++n;
    answer.text = ToUtf8(std::u16string_view(buffer.data(), n));
    return answer;
}

Host::ExternalAnswer Host::External(std::uint16_t index, const std::string& parameter)
{
    HostHandle param = NewHandle(EncodeBytes(parameter, kFMEncASCIIMac));
    HostHandle result = NewHandle("");
    fmapi::CallRecord r = NewRecord(fmapi::kMsgExternal);
    r.parm2 = index;
    r.parm3 = static_cast<std::uintptr_t>(param);
    r.result = result;
    entry_(&r);

    ExternalAnswer answer;
    answer.lockedLeft = HandleLocks(param) > 0 || HandleLocks(result) > 0;
    if (HandleTouched(result)) answer.text = DecodeBytes(HandleBytes(result), kFMEncASCIIMac);
    DisposeHandle(param);
    DisposeHandle(result);
    return answer;
}

LineResult Host::Run(const Command& c)
{
    LineResult out;
    out.line = c.line;
    switch (c.kind) {
    case Command::Kind::String: {
        out.kind = "string";
        StringAnswer a = RequestString(c.stringId, c.capacity);
        if (a.overrun)
            warnings_.push_back("line " + std::to_string(c.line) + ": the plug-in wrote beyond the capacity of " +
                                std::to_string(c.capacity) + " units");
        out.text = a.text;
        return out;
    }
    case Command::Kind::Init:
        out.kind = "init";
        out.result = Init(c.extnVersion.value_or(settings_.extnVersion),
                          c.hostVersion.value_or(settings_.hostVersion));
        return out;
    case Command::Kind::Idle:
        out.kind = "idle";
        out.result = Send(fmapi::kMsgIdle);
        return out;
    case Command::Kind::Prefs:
        out.kind = "prefs";
        out.result = Send(fmapi::kMsgAppPrefs);
        return out;
    case Command::Kind::Shutdown:
        out.kind = "shutdown";
        out.result = Send(fmapi::kMsgShutdown);
        return out;
    case Command::Kind::Unsafe:
        out.kind = "unsafe";
        out.result = Send(static_cast<std::uint8_t>(c.messageKind), true);
        return out;
    case Command::Kind::Sleep:
        // The host's thread waits; the plug-in's clock and timers go on.
        out.kind = "sleep";
        std::this_thread::sleep_for(std::chrono::milliseconds(c.sleepMs));
        return out;
    case Command::Kind::External: {
        out.kind = "external";
        ExternalAnswer a = External(static_cast<std::uint16_t>(c.externalIndex), c.parameter);
        if (a.lockedLeft)
            warnings_.push_back("line " + std::to_string(c.line) + ": the plug-in left a handle of the old-style call locked");
        out.type = a.text ? "text" : "untouched";
        out.text = a.text;
        return out;
    }
    case Command::Kind::Journal:
        out.kind = "journal";
        out.text = TakeJournalText();
        return out;
    case Command::Kind::Desktop:
        out.kind = "desktop";
        out.text = DesktopText();
        return out;
    case Command::Kind::World:
        out.kind = "directive";
        RunWorldDirective(c, settings_.appKind);
        return out;
    case Command::Kind::Calc:
        return RunCalc(c);
    }
    return out;
}

LineResult Host::RunCalc(const Command& c)
{
    LineResult out;
    out.line = c.line;
    out.kind = "calc";
    Data result(NewData());
    out.error = EvaluateCalc(c.calc, result.get());

    FMError err{1, 0};
    std::int32_t type = FM_Data_GetNativeType(result.get(), &err);
    Check(err, "FM_Data_GetNativeType");
    bool empty = FM_Data_IsEmpty(result.get(), &err);
    Check(err, "FM_Data_IsEmpty");
    out.type = empty ? "empty" : TypeName(type);
    if (out.type == "empty") return out;
    if (type == kFMTypeText) {
        out.text = ToUtf8(FM_Data_GetAsText(result.get(), &err));
        Check(err, "FM_Data_GetAsText");
        return out;
    }
    if (type != kFMTypeBinary) {
        out.number = ToUtf8(TextOf(result.get()));
        return out;
    }

    const FMBinaryData* binary = FM_Data_GetBinaryData(result.get(), &err);
    Check(err, "FM_Data_GetBinaryData");
    std::int32_t count = FM_BinaryData_GetCount(binary, &err);
    Check(err, "FM_BinaryData_GetCount");
    QuadChar quad(FM_QuadChar_Constructor1(&err));
    Check(err, "FM_QuadChar_Constructor1");
    out.streams.emplace();
    std::int32_t picture = -1;
    bool png = false;
    for (std::int32_t i = 0; i < count; ++i) {
        FM_BinaryData_GetType(binary, i, quad.get(), &err);
        Check(err, "FM_BinaryData_GetType");
        std::uint32_t t = FM_QuadChar_GetMacType(quad.get(), &err);
        Check(err, "FM_QuadChar_GetMacType");
        std::uint32_t size = FM_BinaryData_GetSize(binary, i, &err);
        Check(err, "FM_BinaryData_GetSize");
        out.streams->emplace_back(StreamTypeName(t), size);
        if ((t == kNameStream && size <= kMostNameBytes) || (t == kSizeStream && size == 4)) {
            std::vector<char> bytes(size);
            if (size && (FM_BinaryData_GetData(binary, i, 0, size, bytes.data(), &err) != 0 || err.code != 0))
                throw HostFailure("cannot read the " + StreamTypeName(t) + " stream");
            const auto byte = [&](int k) { return static_cast<unsigned char>(bytes[static_cast<std::size_t>(k)]); };
            const std::string value =
                t == kNameStream ? QuoteText(std::string(bytes.begin(), bytes.end()))
                                 : std::to_string(byte(0) << 8 | byte(1)) + "x" + std::to_string(byte(2) << 8 | byte(3));
            out.streamValues.emplace_back(static_cast<std::size_t>(i), value);
        }
        // A PNG picture wins over a JPEG one; an empty stream is no picture.
        if (size > 0 && t == kPngStream && !png) {
            picture = i;
            png = true;
        } else if (size > 0 && t == kJpegStream && picture < 0) {
            picture = i;
        }
    }
    if (picture >= 0) {
        std::uint32_t size = FM_BinaryData_GetSize(binary, picture, &err);
        Check(err, "FM_BinaryData_GetSize");
        std::vector<char> bytes(size);
        if (FM_BinaryData_GetData(binary, picture, 0, size, bytes.data(), &err) != 0 || err.code != 0)
            throw HostFailure("cannot read the picture stream");
        std::string name = std::to_string(c.line) + (png ? ".png" : ".jpg");
        std::filesystem::path dir(settings_.outDir);
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        WriteFile(dir / name, bytes);
        out.file = name;
    }
    return out;
}

} // namespace fmhost
