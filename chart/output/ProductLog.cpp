// The product log's file: beside the plug-in, named after it with ".log".
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "chart/functions/PVPlugin.h"
#include "chart/output/Logging.h"
#include "fmx/FilePath.h"
#include "fmx/SpecialFolders.h"
#if defined(PV_FLAVOUR_MAC)
#include <textconv>
#else
#include "platform/win32/winfile.h"
#endif

namespace {

enum LogMode : std::int32_t { kAppend = 0, kOverwrite = 1, kOff = 2 };

// The POSIX path of the log file; false when it cannot be made.
bool LogFilePath(std::string& posix)
{
    try {
        fmx::FilePath path;
        std::string name;
        std::wstring sys;
        if (!path.SetToPluginFolder() || !fmx::GetPluginFileName(name, false))
            return false;
        name += ".log";
        if (!path.SetFileName(name.c_str(), name.size()) || !path.GetSysPath(sys))
            return false;
#if defined(PV_FLAVOUR_MAC)
        // The system path is a POSIX path already.
        posix = WideToUtf8String(sys);
        return !posix.empty();
#else
        return win32::ToPosixPath(sys.c_str(), posix);
#endif
    } catch (const std::exception&) {
        return false;   // no host plug-in object: no file
    }
}

} // namespace

void PVPlugin::SetupLogChannels(std::int32_t mode)
{
    std::shared_ptr<Logging::CSink> sink;
    if (mode != kOff) {
        // A file that cannot be opened leaves the stream failed: lines are
        // lost without a word, and the plug-in goes on.
        auto stream = std::make_unique<std::ofstream>();
        std::string posix;
        if (LogFilePath(posix))
            stream->open(posix, mode == kAppend ? std::ios::out | std::ios::app : std::ios::out | std::ios::trunc);
        else
            stream->setstate(std::ios::failbit);
        sink = std::make_shared<Logging::CSink>(std::move(stream));
    }
    Logging::SetupChannels(sink);
}
