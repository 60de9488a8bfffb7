// Probe_Log ( what {; a {; b {; c}}} ): drives the framework's log through
// the plug-in base class and reads the file back from disk.
//   "open" ; mode ; limit ; stamped   OpenLog (stamped 0) or its twin (1): 1/0
//   "line" ; text                     one line; the text is an argument of the
//                                     format, never the format: 1
//   "fill" ; count ; width            count lines of width "x" each: 1
//   "close"                           what closing answered: 1/0
//   "limit"                           the applied limit (0 when none is open)
//   "within" ; bytes                  1 when the file takes at most bytes
//   "lines"                           line feeds, plus one for an unterminated
//                                     last line
//   "first"                           the first line without its end
//   "contains" ; text                 1/0
#include <fstream>
#include <iterator>
#include <sstream>

#include <textconv>

#include "plugin/LogStream.h"
#include "tests/e2e/probe/Probe.h"
#if defined(PV_FLAVOUR_WIN)
#include "platform/win32/winfile.h"
#endif

namespace probe {
namespace {

// The file the log last opened, kept for reading after it is closed.
std::string& LastFile()
{
    static std::string posix;
    return posix;
}

// The file-system path of the log's path (a Windows path in the win flavour).
std::string PosixPath(const std::wstring& path)
{
#if defined(PV_FLAVOUR_WIN)
    std::string posix;
    win32::ToPosixPath(path.c_str(), posix);
    return posix;
#else
    return WideToUtf8String(path);
#endif
}

std::string FileText()
{
    std::ifstream in(LastFile(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::int32_t Answer(const std::string& what, const FMDataVect* args, std::string* text)
{
    using __Quarrow__::LogStream;
    if (what == "open") {
        __Quarrow__::PlugIn* product = __Quarrow__::PlugIn::Product();
        const auto mode = static_cast<std::int32_t>(IntegerArg(args, 1));
        const auto limit = static_cast<std::int32_t>(IntegerArg(args, 2));
        const bool opened = IntegerArg(args, 3) != 0 ? product->OpenSharedLog(mode, limit)
                                                     : product->OpenLog(mode, limit);
        if (opened && LogStream::Current())
            LastFile() = PosixPath(LogStream::Current()->Path());
        return opened ? 1 : 0;
    }
    if (what == "line") {
        LogStream::Printf("%s", TextArg(args, 1).c_str());
        return 1;
    }
    if (what == "fill") {
        const std::string line(static_cast<std::size_t>(IntegerArg(args, 2)), 'x');
        for (std::int64_t i = IntegerArg(args, 1); i > 0; --i)
            LogStream::Printf("%s", line.c_str());
        return 1;
    }
    if (what == "close")
        return LogStream::Close() ? 1 : 0;
    if (what == "limit")
        return LogStream::Current() ? static_cast<std::int32_t>(LogStream::Current()->Limit()) : 0;
    const std::string file = FileText();
    if (what == "within")
        return static_cast<std::int64_t>(file.size()) <= IntegerArg(args, 1) ? 1 : 0;
    if (what == "lines") {
        std::int32_t feeds = 0;
        for (char c : file)
            feeds += c == '\n';
        return feeds + (!file.empty() && file.back() != '\n' ? 1 : 0);
    }
    if (what == "first") {
        std::string first = file.substr(0, file.find('\n'));
        if (!first.empty() && first.back() == '\r')
            first.pop_back();
        *text = first;
        return 0;
    }
    if (what == "contains")
        return file.find(TextArg(args, 1)) != std::string::npos ? 1 : 0;
    throw std::invalid_argument("unknown Probe_Log request");
}

std::int16_t Log(std::int16_t, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    const std::string what = TextArg(args, 0);
    std::string text;
    const std::int32_t number = Answer(what, args, &text);
    if (what == "first")
        SetText(result, text);
    else
        SetNumber(result, number);
    return 0;
}

const Registration kLog({30, L"Probe_Log", L"Probe_Log ( what {; a {; b {; c}}} )", 1, 4, &Log});

} // namespace
} // namespace probe
