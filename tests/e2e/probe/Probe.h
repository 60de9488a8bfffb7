// PVProbe: a plug-in module over the framework and the host access alone,
// whose functions drive the framework's services so that end-to-end cases
// can watch them. What the services do is written to a process-wide journal
// of text entries, which outlives the product object (shutdown notifications
// can be read after the next initialisation).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fmapi/fm_api.h"
#include "plugin/PlugIn.h"

namespace probe {

class ProbePlugIn : public __Quarrow__::PlugIn {
public:
    using PlugIn::PlugIn;
};

// ---- the function table
//
// Each function lives in its own source file and enters itself in the table
// with a static Registration. Ids in use: 1 Probe_Defer, 2 Probe_Idle,
// 3 Probe_Journal, 4 Probe_Session, 5 Probe_Database, 6 Probe_Window,
// 7 Probe_Perform, 8 Probe_RunScript, 9 Probe_QueueScript, 10 Probe_Time,
// 11 Probe_Timed, 12 Probe_Attention, 13 Probe_File (mac flavour), 30 Probe_Log.
struct FunctionEntry {
    std::uint16_t id;
    const wchar_t* name;
    const wchar_t* prototype;
    std::uint16_t minArgs;
    std::uint16_t maxArgs;
    __Quarrow__::RqstHandler::Plain handler;
};

class Registration {
public:
    explicit Registration(const FunctionEntry& entry);
};

const std::vector<FunctionEntry>& FunctionTable();

// ---- the journal

void Journal(const std::string& entry);
// The entries joined by single spaces; the journal is emptied.
std::string TakeJournal();

// ---- arguments and results

std::uint32_t ArgCount(const FMDataVect* args);
// The argument as UTF-8 text.
std::string TextArg(const FMDataVect* args, std::uint32_t index);
// The argument as a whole number (fractions cut off, clamped to 64 bits).
std::int64_t IntegerArg(const FMDataVect* args, std::uint32_t index);
void SetNumber(FMData* result, std::int32_t value);
void SetText(FMData* result, const std::string& utf8);

} // namespace probe
