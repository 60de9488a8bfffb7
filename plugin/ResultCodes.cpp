#include "plugin/ResultCodes.h"

#include <cstdlib>
#include <cstring>

#include "cs/MICharacterSet.h"
#include "wformat"

namespace {

// Messages of the result codes, by magnitude.
const char* MessageOf(int magnitude)
{
    switch (magnitude) {
    case 0:
        return "OK";
    case 1:
        return "Not available";
    case 3:
        return "Incorrect option";
    case 4:
        return "Not supported";
    case 5:
        return "Unknown error";
    case 6:
        return "File i/o error";
    default:
        return nullptr;
    }
}

} // namespace

void SetResultCode(std::wstring& text, const PVAbstractException& exception)
{
    const int code = exception.Code();
    if (const char* message = MessageOf(std::abs(code))) {
        std::wstring wide;
        MICharacterSet::GetCharacterSet("utf-8").Decode(message, std::strlen(message), wide);
        FormatWide(text, L"%.3d (%S)", code, wide.c_str());
    } else {
        FormatWide(text, L"%.3d", code);
    }
}

std::string NarrowFunctionName(const std::wstring& name)
{
    std::string narrow;
    MICharacterSet::GetCharacterSet("us-ascii").Encode(name.data(), name.size(), narrow);
    return narrow;
}

std::int16_t PVStandardException::report(PVBaseDebugger& debugger, const std::wstring& functionName)
{
    SetResultCode(debugger.LastResultText(), *this);
    debugger.WriteErrorLine("%s failed. Error number is %i", NarrowFunctionName(functionName).c_str(),
                            static_cast<int>(Code()));
    return 0;
}

PVBaseDebugger::PVBaseDebugger(ErrorLog errorLog) : errorLog_(errorLog) { lastResult_ = L"000 (OK)"; }

void PVBaseDebugger::WriteErrorLine(const char* format, ...)
{
    if (!errorLog_)
        return;
    va_list args;
    va_start(args, format);
    try {
        errorLog_(format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

std::int16_t PVBaseDebugger::ReportStandard(const std::wstring& name, const char* what)
{
    SetResultCode(lastResult_, PVStandardException(-5));
    WriteErrorLine("%s faild. %s", NarrowFunctionName(name).c_str(), what ? what : "");
    return 0;
}

std::int16_t PVBaseDebugger::report(const std::runtime_error& e, const std::wstring& name)
{
    return ReportStandard(name, e.what());
}
std::int16_t PVBaseDebugger::report(const std::invalid_argument& e, const std::wstring& name)
{
    return ReportStandard(name, e.what());
}
std::int16_t PVBaseDebugger::report(const std::out_of_range& e, const std::wstring& name)
{
    return ReportStandard(name, e.what());
}
std::int16_t PVBaseDebugger::report(const std::bad_alloc& e, const std::wstring& name)
{
    return ReportStandard(name, e.what());
}
std::int16_t PVBaseDebugger::report(const std::exception& e, const std::wstring& name)
{
    return ReportStandard(name, e.what());
}
std::int16_t PVBaseDebugger::reportUnknown(const std::wstring& name) { return ReportStandard(name, "Unknown error"); }
