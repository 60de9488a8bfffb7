#include "fmx/Plugin.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include <textconv>

#include "fmx/AccessMgr.h"
#include "fmx/ExternCall.h"
#include "fmx/FMWrapper.h"
#include "fmx/IdleTaskMgr.h"
#include "fmx/TextMgr.h"
#include "plugin/Flavour.h"
#include "plugin/Message.h"
#include "plugin/PlugIn.h"
#include "plugin/TextHelpers.h"
#include "plugin/RqstHandler.h"
#include "fmx/WideText.h"

namespace fmx {

namespace {

std::wstring ToWide(const std::u16string& text) { return U16ToWide(text); }

bool LoadWideString(void* instance, unsigned id, std::wstring& out)
{
    std::u16string text;
    if (!Plugin::LoadModuleString(instance, id, text))
        return false;
    out = ToWide(text);
    return true;
}

// The four characters of a plug-in id, first character in the high byte.
QuadChar QuadOf(std::uint32_t id)
{
    return QuadChar(static_cast<char>(id >> 24), static_cast<char>(id >> 16), static_cast<char>(id >> 8),
                    static_cast<char>(id));
}

} // namespace

std::int16_t Plugin::ComputeApiLevel(std::int16_t extnVersion, const char16_t* hostVersion)
{
    // The version text as 8-bit text in a 256-byte buffer.
    char text[256] = {};
    for (std::size_t i = 0; hostVersion && hostVersion[i] && i < sizeof(text) - 1; ++i)
        text[i] = hostVersion[i] < 0x80 ? static_cast<char>(hostVersion[i]) : '?';
    std::int16_t level = extnVersion;
    if (level == 51) {
        if (std::strstr(text, "8.5"))
            level = 52;
        if (std::strstr(text, "9.0"))
            level = 53;
        if (std::strstr(text, "10.0"))
            level = 54;
    } else if (level == 52 && std::strstr(text, "11.0")) {
        level = 55;
    }
    return level;
}

Plugin::Plugin(std::int16_t apiLevel, std::uint8_t appType, const char16_t* hostVersion,
               std::uint8_t flag, std::uint16_t hostWord, void* instance)
    : apiLevel_(apiLevel), appType_(appType), flag_(flag), hostWord_(hostWord), instance_(instance)
{
    own_.kind = __Quarrow__::CallContext::kOwn;
    __Quarrow__::PushCallContext(&own_);
    try {
        if (hostVersion)
            strings_[kInfoHostVersion] = ToWide(std::u16string(hostVersion, UnitsUntilZero(hostVersion)));

        if (!LoadWideString(instance, 128, strings_[kInfoName]) ||
            !LoadWideString(instance, 129, strings_[kInfoDescription]) ||
            !LoadWideString(instance, 131, strings_[kInfoOptions]) || !ReadVersion(instance))
            throw std::runtime_error("missing necessary resources");
        if (stage_ < kDevelopment || stage_ > kFinal)
            stage_ = kDevelopment;

        strings_[kInfoProduct] = strings_[kInfoName];
        static const wchar_t* const suffixes[] = {L" develop", L" alpha", L" beta", L""};
        strings_[kInfoVersion] = std::to_wstring(version_[0]) + L"." + std::to_wstring(version_[1]) + L"." +
                                 std::to_wstring(version_[2]) + L".b" + std::to_wstring(version_[3]) +
                                 suffixes[stage_];
        strings_[kInfoPlatform] = flavour::kPlatformWord;

        if (!LoadWideString(instance, 23000, strings_[kInfoNotice]))
            throw std::runtime_error("missing necessary resources");
        strings_[kInfoAll] = strings_[kInfoName] + L" " + strings_[kInfoVersion] + L" " +
                             strings_[kInfoPlatform] + L" " + strings_[kInfoNotice];

        const std::wstring& options = strings_[kInfoOptions];
        for (std::size_t i = 0; i < 4; ++i) {
            std::uint32_t c = i < options.size() ? static_cast<std::uint32_t>(options[i]) & 0xFF : 0;
            pluginId_ |= c << (8 * (3 - i));
        }
        registerThroughHost_ = options.size() > 6 && options[6] == L'n';
    } catch (...) {
        __Quarrow__::PopCallContext(&own_);
        throw;
    }
}

Plugin::~Plugin()
{
    for (auto it = managers_.rbegin(); it != managers_.rend(); ++it)
        (*it)->Destroy();
    managers_.clear();
    oldStyle_.clear();
    oldStyleNames_.clear();
    __Quarrow__::PopCallContext(&own_);
}

void Plugin::AddManager(SingletonBase* manager)
{
    if (manager)
        managers_.push_back(manager);
}

const std::wstring* Plugin::GetInfoString(std::uint32_t index) const
{
    return index < kInfoCount ? &strings_[index] : nullptr;
}

bool Plugin::GetInfo(std::uint32_t index, Text& text) const
{
    const std::wstring* s = GetInfoString(index);
    if (!s)
        return false;
    text.AssignWide(*s);
    return true;
}

std::int32_t Plugin::GetInfo(std::uint32_t index, char16_t* buffer, std::uint32_t capacity) const
{
    const std::wstring* s = GetInfoString(index);
    if (!s)
        return -1;
    std::u16string u = WideToU16(*s);
    __Quarrow__::CopyWithZero(u.data(), u.size(), buffer, capacity);
    return static_cast<std::int32_t>(u.size());
}

std::int32_t Plugin::GetInfo(std::uint32_t index, char* buffer, std::uint32_t capacity) const
{
    const std::wstring* s = GetInfoString(index);
    if (!s)
        return -1;
    std::string bytes;
    for (wchar_t c : *s)
        bytes.push_back(static_cast<std::uint32_t>(c) < 0x100 ? static_cast<char>(c) : '?');
    __Quarrow__::CopyWithZero(bytes.data(), bytes.size(), buffer, capacity);
    return static_cast<std::int32_t>(bytes.size());
}

Plugin::HostVersion Plugin::GetHostVersion() const
{
    HostVersion v;
    if (apiLevel_ >= 51)
        v.major = 8;
    else if (apiLevel_ == 50)
        v.major = 7;
    else if (apiLevel_ >= 17)
        v.major = 6;
    else if (apiLevel_ >= 15) {
        v.major = 5;
        v.minor = 5;
    } else
        v.major = 5;
    v.flag = flag_;
    return v;
}

std::int16_t Plugin::RegisterFunctions(std::int16_t id, const wchar_t* name, const wchar_t* prototype,
                                       std::int16_t minArgs, std::int16_t maxArgs, std::uint32_t flags,
                                       FMExtFunction callback)
{
    if (!name || !prototype || !callback)
        return -1;
    if (minArgs < 0 || (maxArgs < 0 && maxArgs != -1) || (maxArgs != -1 && minArgs > maxArgs))
        return -1;

    if (registerThroughHost_) {
        QuadChar plugin = QuadOf(pluginId_);
        Text nameText;
        nameText.AssignWide(name);
        Text prototypeText;
        prototypeText.AssignWide(prototype);
        return ExprEnv::RegisterExternalFunction(plugin, id, nameText, prototypeText, minArgs, maxArgs,
                                                 flags & 0x00FFFFFFu, callback);
    }

    try {
        std::int32_t index = static_cast<std::int32_t>(oldStyle_.size());
        if (index < 0)
            return -2;
        OldStyleFunction entry;
        entry.name = name;
        entry.prototype = prototype;
        entry.index = index;
        entry.minArgs = minArgs;
        entry.maxArgs = maxArgs;
        entry.flags = flags;
        entry.callback = callback;
        oldStyle_[index] = entry;
        oldStyleNames_[entry.name] = id;
    } catch (...) {
        return -3;
    }
    return 0;
}

std::int16_t Plugin::UnregisterFunctions(std::int16_t id)
{
    QuadChar plugin = QuadOf(pluginId_);
    return ExprEnv::UnRegisterExternalFunction(plugin, id);
}

void Plugin::StartUp(fmapi::CallRecord* record)
{
    const std::int16_t extn = record->extnVersion;
    const std::uint8_t appType = record->parm1;
    const auto* hostVersion = reinterpret_cast<const char16_t*>(record->parm2);
    const std::int16_t level = ComputeApiLevel(extn, hostVersion);
    // Copies: the record is packed, its fields must not be bound by reference.
    const std::uint16_t hostWord = record->hostWord;
    void* const instance = record->instanceID;
    Plugin& plugin = Singleton<Plugin>::Create(level, appType, hostVersion, std::uint8_t(1), hostWord, instance);
    plugin.AddManager(&Singleton<AccessMgr>::Create(record));
    plugin.AddManager(&Singleton<TextMgr>::Create(record));
    plugin.AddManager(&Singleton<IdleTaskMgr>::Create(record));
}

bool Plugin::Init(fmapi::CallRecord* record) { return InitPlatform(record); }

void Plugin::HandleMessage(fmapi::CallRecord& copy)
{
    bool goOn = true;
    if (copy.whichCall == fmapi::kMsgIdle) {
        goOn = Singleton<IdleTaskMgr>::GetInstance().ProcessIdle(copy);
    } else if (copy.whichCall == fmapi::kMsgExternal) {
        // A known old-style index ends the message here; any other goes on.
        goOn = !CallOldStyle(copy);
    }
    if (goOn && !copy.unsafeCalls) {
        __Quarrow__::Message message(&copy);
        __Quarrow__::PlugIn::OnMessage(message);
    }
}

bool Plugin::CallOldStyle(const fmapi::CallRecord& copy)
{
    // The index is the unsigned 16-bit value at the start of parameter 2.
    const auto index = static_cast<std::uint16_t>(copy.parm2 & 0xFFFFu);
    const auto entry = oldStyle_.find(index);
    if (entry == oldStyle_.end())
        return false;
    const OldStyleFunction& f = entry->second;
    const auto id = oldStyleNames_.find(f.name);
    const bool differ = hostEncoding_ != pluginEncoding_;
    const fm6::TextForms forms{pluginEncoding_, hostEncoding_,
                               differ && (f.flags & __Quarrow__::FunctionDescriptor::kConvertParameter) != 0,
                               differ && (f.flags & __Quarrow__::FunctionDescriptor::kConvertResult) != 0};
    if (id == oldStyleNames_.end())
        fm6::HandleHolder::StoreFailure(copy.result);
    else
        fm6::ExternCall::Run(f.callback, id->second, f.minArgs, f.maxArgs,
                             static_cast<fm6::HostHandle>(copy.parm3), copy.result, forms);
    return true;
}

void Plugin::Dispatch(fmapi::CallRecord* record)
{
    const std::uint8_t kind = record->whichCall;
    if (kind == fmapi::kMsgGetString) {
        const unsigned id = record->parm1;
        auto* out = reinterpret_cast<char16_t*>(record->result);
        if (!out)
            return;
        if (id != 128 && id != 129 && id != 131) {
            out[0] = 0;
            return;
        }
        std::u16string text;
        if (!LoadModuleString(record->instanceID, id, text))
            return;
        if (text.size() <= static_cast<std::size_t>(record->parm3))
            std::copy(text.begin(), text.end(), out);
        return;
    }

    if (kind == fmapi::kMsgInit) {
        // A second initialisation of a live plug-in changes nothing: the
        // host gets the answer it got the first time.
        if (Singleton<Plugin>::Exists()) {
            record->result = Singleton<Plugin>::GetInstance().initAnswer_;
            return;
        }
        if (!Init(record)) {
            ReleasePlatformData();
            record->result = -2;
            return;
        }
    } else if (!Singleton<Plugin>::Exists()) {
        return;
    }

    fmapi::CallRecord copy;
    std::memcpy(&copy, record, fmapi::kCallRecordHeadSize);
    std::memset(reinterpret_cast<unsigned char*>(&copy) + fmapi::kCallRecordHeadSize, 0,
                sizeof(copy) - fmapi::kCallRecordHeadSize);

    Singleton<Plugin>::GetInstance().HandleMessage(copy);

    if (kind == fmapi::kMsgInit) {
        if (copy.result >= 50) {
            record->result = copy.result;
            Singleton<Plugin>::GetInstance().initAnswer_ = copy.result;
        } else {
            Singleton<Plugin>::DestroyInstance();
            if (copy.result >= 1)
                record->result = -2;
        }
    } else if (kind == fmapi::kMsgShutdown) {
        Singleton<Plugin>::DestroyInstance();
        ReleasePlatformData();
    }
}

} // namespace fmx
