// Drives the plug-in's entry point in-process the way the host does: call
// records, string requests, initialisation and function calls through the
// host's registry. The test program itself carries the module's resources.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fmapi/call_record.h"
#include "fmapi/fm_api.h"

extern "C" void FMExternCallProc(fmapi::CallRecord* record) noexcept;

#if defined(PV_FLAVOUR_MAC)
#include "platform/corefoundation/CoreFoundation.h"
#endif

namespace pvtest {

// The module's instance handle: the program itself in the win flavour, the
// product's bundle (bin/Plotvane.fmplugin) in the mac flavour.
void* ModuleInstance();

// While it lives, records carry another instance handle (another module's).
class InstanceOverride {
public:
    explicit InstanceOverride(void* instance);
    ~InstanceOverride();
    InstanceOverride(const InstanceOverride&) = delete;
    InstanceOverride& operator=(const InstanceOverride&) = delete;

private:
    void* saved_;
};

#if defined(PV_FLAVOUR_MAC)
// The bundle of a folder (the same one again for the same folder).
CFBundleRef BundleAt(const std::string& folder);
#endif

// A record of the given kind for this program's own module.
fmapi::CallRecord MakeRecord(std::uint8_t kind);

// Sends initialisation with the offered version and host text; answers the
// record's result (which starts at `initialResult`).
std::intptr_t Init(std::int16_t extnVersion = 52, const std::u16string& hostVersion = u"Pro 11.0v4",
                   std::intptr_t initialResult = 0);
void Shutdown();

// A string request: the buffer starts filled with 'x'; answers the units up
// to the first zero or 'x'.
std::u16string RequestString(std::uint8_t id, std::uint32_t capacity = 1024);

// The value of a calculation-function call through the host.
struct CallResult {
    std::int16_t error = 0;
    std::int32_t type = 0;
    std::u16string text;
    std::vector<std::pair<std::uint32_t, std::vector<unsigned char>>> streams;
};

// Calls a registered function by name with text arguments.
CallResult CallText(const std::u16string& name, const std::vector<std::u16string>& args);

// One argument of a call: a text (implicitly), a number or a date.
class Arg {
public:
    enum class Kind { Text, Number, Date };
    Arg(const char16_t* text) : kind_(Kind::Text), text_(text) {}
    Arg(std::u16string text) : kind_(Kind::Text), text_(std::move(text)) {}
    static Arg Number(double value) { return Arg(Kind::Number, value); }
    static Arg Date(double days) { return Arg(Kind::Date, days); }

    Kind kind() const { return kind_; }
    const std::u16string& text() const { return text_; }
    double number() const { return number_; }

private:
    Arg(Kind kind, double value) : kind_(kind), number_(value) {}
    Kind kind_;
    std::u16string text_;
    double number_ = 0.0;
};

// Calls a registered function by name with arguments of any of these kinds.
CallResult Call(const std::u16string& name, const std::vector<Arg>& args);

// The bytes of the first stream of that type; false when there is none.
bool StreamOf(const CallResult& result, std::uint32_t type, std::vector<unsigned char>* bytes = nullptr);

std::string Narrow(const std::u16string& s);

} // namespace pvtest
