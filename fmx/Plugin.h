// The host-access layer's plug-in object: what the host told the plug-in at
// initialisation, what the module says about itself (strings, version, plug-in
// id), the host-access managers, the old-style function table, and the
// registration of calculation functions with the host.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "fmapi/call_record.h"
#include "fmapi/fm_api.h"
#include "fmx/Singleton.h"
#include "plugin/CallContext.h"

#if defined(PV_FLAVOUR_MAC)
#include <buffer>

#include "platform/carbon/Carbon.h"
#endif

namespace fmx {

class Text;

class Plugin : public Singleton<Plugin> {
public:
    enum Stage : std::int32_t { kDevelopment = 0, kAlpha = 1, kBeta = 2, kFinal = 3 };
    enum InfoIndex {
        kInfoName = 0,
        kInfoDescription = 1,
        kInfoOptions = 2,
        kInfoProduct = 3,
        kInfoVersion = 4,
        kInfoPlatform = 5,
        kInfoNotice = 6,
        kInfoAll = 7,
        kInfoHostVersion = 8,
        kInfoCount = 9,
    };

    struct OldStyleFunction {
        std::wstring name;
        std::wstring prototype;
        std::int32_t index = 0;
        std::int16_t minArgs = 0;
        std::int16_t maxArgs = 0;
        std::uint32_t flags = 0;
        FMExtFunction callback = nullptr;
    };

    struct HostVersion {
        std::int32_t major = 0;
        std::int32_t minor = 0;
        std::uint8_t flag = 0;
    };

    // Throws std::runtime_error("missing necessary resources") when a
    // string or the version resource is missing.
    Plugin(std::int16_t apiLevel, std::uint8_t appType, const char16_t* hostVersion,
           std::uint8_t flag, std::uint16_t hostWord, void* instance);
    ~Plugin() override;
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    // The host API level from the offered interface version and the host's
    // version text.
    static std::int16_t ComputeApiLevel(std::int16_t extnVersion, const char16_t* hostVersion);

    // The entry's dispatch of one message (string requests need no instance).
    static void Dispatch(fmapi::CallRecord* record);
    // Brings up the host-access layer on initialisation; false on failure
    // (nothing is left behind then).
    static bool Init(fmapi::CallRecord* record);

    // String `id` of the module's own table (Windows: the string resources of
    // the module at `instance`; macOS: the "Localizable" table of the bundle
    // `instance`). False when there is none.
    static bool LoadModuleString(void* instance, unsigned id, std::u16string& out);

    // Readers, each through the process-wide instance.
    static std::int16_t GetApiLevel() { return GetInstance().apiLevel_; }
    static std::uint8_t GetAppType() { return GetInstance().appType_; }
    static std::uint8_t GetFlag() { return GetInstance().flag_; }
    static void* GetModule() { return GetInstance().instance_; }
    static std::uint32_t GetPluginId() { return GetInstance().pluginId_; }

    bool RegistersThroughHost() const { return registerThroughHost_; }
    std::int32_t GetStage() const { return stage_; }
    const std::uint16_t* GetVersion() const { return version_; }
    std::int32_t HostEncoding() const { return hostEncoding_; }
    std::int32_t PluginEncoding() const { return pluginEncoding_; }
    // The word the host passes at initialisation; kept for the string lookup.
    std::uint16_t GetHostWord() const { return hostWord_; }

    // Info strings 0..8. An index of 9 or more answers false / -1.
    const std::wstring* GetInfoString(std::uint32_t index) const;
    bool GetInfo(std::uint32_t index, Text& text) const;
    // Copies into a UTF-16 buffer only when the length is below the capacity;
    // answers the length in any case (-1 for a bad index).
    std::int32_t GetInfo(std::uint32_t index, char16_t* buffer, std::uint32_t capacity) const;
    std::int32_t GetInfo(std::uint32_t index, char* buffer, std::uint32_t capacity) const;

    // The module's folder (UTF-8, with a trailing '/'; the folder holding
    // the bundle in the macOS flavour).
    std::string GetModuleFolder() const;
    HostVersion GetHostVersion() const;

    // Manager list: destroyed from last to first by the destructor.
    void AddManager(SingletonBase* manager);

    // Registration of one calculation function: 0 on success, -1 for a bad
    // descriptor, else the host's answer (or -2/-3 on the old-style path).
    std::int16_t RegisterFunctions(std::int16_t id, const wchar_t* name, const wchar_t* prototype,
                                   std::int16_t minArgs, std::int16_t maxArgs, std::uint32_t flags,
                                   FMExtFunction callback);
    std::int16_t UnregisterFunctions(std::int16_t id);

    const std::map<std::int32_t, OldStyleFunction>& OldStyleTable() const { return oldStyle_; }
    const std::map<std::wstring, std::int16_t>& OldStyleNames() const { return oldStyleNames_; }

#if defined(PV_FLAVOUR_MAC)
    // The plug-in's bundle is the module's instance handle. Where these take
    // a bundle, null means the plug-in's bundle (none before initialisation).

    // The version fields of a bundle's Info.plist.
    struct VersionInfo {
        std::uint16_t major = 0;
        std::uint16_t minor = 0;
        std::uint16_t revision = 0;
        std::uint16_t build = 0;
        std::uint8_t stage = kDevelopment;
    };

    // String `id` of the bundle's "Localizable" table, looked up by the id
    // written in decimal: into the buffer (resized to it), answering its
    // length in units or bytes; 0 (false) when the id has no entry.
    static std::size_t LoadString(std::int32_t id, std::basic_buffer<char16_t>& target,
                                  CFBundleRef bundle = nullptr);
    static std::size_t LoadString(std::int32_t id, std::basic_buffer<char>& target, CFBundleRef bundle = nullptr);
    static bool LoadString(std::int32_t id, std::basic_buffer<wchar_t>& target, CFBundleRef bundle = nullptr);
    // The same into a caller's buffer of `capacity` units, copied (without a
    // terminating zero) only when the whole string fits; the answer is the
    // string's length in any case.
    static std::size_t LoadString(std::int32_t id, char16_t* target, std::size_t capacity,
                                  CFBundleRef bundle = nullptr);
    static std::size_t LoadString(std::int32_t id, char* target, std::size_t capacity,
                                  CFBundleRef bundle = nullptr);

    // Fills `info` from the bundle's Info.plist: "CFBundleShortVersionString"
    // as three numbers, "CFBundleVersion" as the build, "KestrinDevStage" as
    // the stage (compared exactly). A missing or unreadable key, or a number
    // outside 16 bits, leaves its fields 0. With `givenOnly` a null bundle
    // answers false instead of meaning the plug-in's; false when there is
    // no bundle.
    static bool GetVersionInfo(VersionInfo& info, CFBundleRef bundle = nullptr, bool givenOnly = false);

    // Makes the bundle's resource file current and answers the one that was
    // current. std::runtime_error("Invalid parameter") when it cannot be
    // made current; the one that was current stays current then.
    static ResFileRefNum UsePluginResFile(CFBundleRef bundle = nullptr);
    // The index (from 0) of a function name in the bundle's 'STR#' 144, or
    // -1. A name without "-" is looked up with its first "_" as "-".
    static std::int32_t FindNameInStringList(const char16_t* name, CFBundleRef bundle = nullptr);
    // The reference of the plug-in's bundle folder and its catalog
    // information (what `which` asks for); false when there is no bundle or
    // a call fails.
    static bool GetBundleRef(FSRef& ref, FSCatalogInfoBitmap which = kFSCatInfoNone,
                             FSCatalogInfo* info = nullptr);
#endif

private:
    // The start-up of initialisation: API level, the plug-in object and its
    // managers. Throws on failure, leaving the plug-in object behind.
    static void StartUp(fmapi::CallRecord* record);
    // Initialisation as the flavour runs it around the start-up; false on
    // failure, with nothing left behind.
    static bool InitPlatform(fmapi::CallRecord* record);
    // Lets go of what the flavour keeps between messages (after a failed
    // initialisation and at shutdown).
    static void ReleasePlatformData();
    // The module's version and stage; false when the module lacks them.
    bool ReadVersion(void* instance);

    void HandleMessage(fmapi::CallRecord& copy);
    // The old-style call of message 3: false when the index names no function
    // of the old-style table.
    bool CallOldStyle(const fmapi::CallRecord& copy);

    __Quarrow__::CallContext own_;
    std::uint32_t pluginId_ = 0;
    std::uint16_t version_[4] = {0, 0, 0, 0};
    std::int32_t stage_ = kDevelopment;
    std::int16_t apiLevel_;
    std::uint8_t appType_;
    std::uint8_t flag_;
    std::uint16_t hostWord_;
    void* instance_;
    std::int32_t hostEncoding_ = 4;
    std::int32_t pluginEncoding_ = 3;
    bool registerThroughHost_ = false;
    std::wstring strings_[kInfoCount];
    std::vector<SingletonBase*> managers_;
    std::map<std::int32_t, OldStyleFunction> oldStyle_;
    std::map<std::wstring, std::int16_t> oldStyleNames_;
    // What the initialisation that made this object answered.
    std::intptr_t initAnswer_ = 0;
};

} // namespace fmx
