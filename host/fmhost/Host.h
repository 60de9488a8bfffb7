// The host side of one loaded plug-in module: the call record, the messages
// and the script lines.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fmapi/call_record.h"
#include "fmhost/Output.h"
#include "fmhost/Script.h"

namespace fmhost {

struct HostSettings {
    std::string plugin;                    // path of the module
    int extnVersion = 52;
    std::string hostVersion = "Pro 11.0v4";
    int appKind = 1;
    std::string outDir = ".";
    std::string macSystem;                 // mac mode: "10.4" or "10.5" (default)
    std::string home;                      // mac mode: HOME, made when missing
    std::vector<std::pair<std::string, std::string>> volumes;   // mac mode: NAME, folder
};

class Host {
public:
    explicit Host(HostSettings settings);
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // dlopen (RTLD_NOW | RTLD_LOCAL) and the entry point. The module stays
    // loaded for the life of the process. A plug-in that is a folder is a
    // bundle: fmhost then plays the macOS host (fmhost/MacHost.h) and the
    // module handle is the bundle's CFBundleRef.
    bool Load(std::string* error);
    void* Module() const { return module_; }
    bool MacMode() const { return macMode_; }

    // Messages; each answers the record's result afterwards (it starts at 0).
    std::intptr_t Init(int extnVersion, const std::string& hostVersion);
    std::intptr_t Send(std::uint8_t kind, bool unsafe = false);

    // A string request into a buffer of `capacity` UTF-16 units filled
    // beforehand with a marker: the answer is the text up to the first zero
    // unit or marker. `overrun` tells that the plug-in wrote beyond the
    // capacity.
    struct StringAnswer {
        std::string text;
        bool overrun = false;
    };
    StringAnswer RequestString(int id, std::uint32_t capacity);

    // The old-style call: `parameter` (UTF-8) goes as Mac Roman text into a
    // new handle in parameter 3, an empty handle into the result field and
    // `index` into the low 16 bits of parameter 2. The answer is the result
    // handle's text, or none when the plug-in neither locked nor resized
    // it. `lockedLeft` tells that a handle was left locked.
    struct ExternalAnswer {
        std::optional<std::string> text;
        bool lockedLeft = false;
    };
    ExternalAnswer External(std::uint16_t index, const std::string& parameter);

    // Runs one script line. A failure that has to end the run (a picture that
    // cannot be written) throws HostFailure; complaints that do not end it
    // are collected in Warnings().
    LineResult Run(const Command& command);
    const std::vector<std::string>& Warnings() const { return warnings_; }

    // An initialisation was sent and no shutdown since.
    bool Live() const { return live_; }

private:
    fmapi::CallRecord NewRecord(std::uint8_t kind) const;
    LineResult RunCalc(const Command& command);

    HostSettings settings_;
    void* module_ = nullptr;
    FMExternCallProcPtr entry_ = nullptr;
    std::deque<std::u16string> versionTexts_;   // kept: the plug-in may hold on to them
    std::vector<std::string> warnings_;
    bool live_ = false;
    bool macMode_ = false;
};

} // namespace fmhost
