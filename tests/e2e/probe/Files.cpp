// Probe_File ( what {; a {; b}} ): file locations of the macOS flavour, as
// texts a case can compare (HOME written "~").
//   "posix" ; path            the location of a POSIX path in path notation,
//                             or "false"
//   "back" ; location         the POSIX path of a location, or "" (none)
//   "exists" ; location       1/0
//   "create" ; location {; exclusive}   the File Manager's status of making
//                             its folders
//   "documents" ; create      the documents product folder's POSIX path, or
//                             "false"
//   "name" ; extension        the plug-in file's name with or without it
//   "hostapp"                 the host application's file name
#if defined(PV_FLAVOUR_MAC)

#include <cstdlib>
#include <stdexcept>

#include "fmx/FilePath.h"
#include "fmx/SpecialFolders.h"
#include "tests/e2e/probe/Probe.h"

namespace probe {
namespace {

fmx::FilePath Location(const FMDataVect* args)
{
    fmx::FilePath location;
    if (!location.SetFromText(TextArg(args, 1)))
        throw std::invalid_argument("Probe_File: not a location");
    return location;
}

std::string Tilde(std::string path)
{
    const char* home = std::getenv("HOME");
    const std::string prefix = home ? home : "";
    if (!prefix.empty() && path.compare(0, prefix.size(), prefix) == 0)
        path = "~" + path.substr(prefix.size());
    return path;
}

std::int16_t File(std::int16_t, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    const std::string what = TextArg(args, 0);
    std::string text;
    if (what == "posix") {
        fmx::FilePath location;
        const std::string path = TextArg(args, 1);
        if (!location.SetFromPosixPath(path.c_str(), path.size()) || !location.GetText(text))
            text = "false";
    } else if (what == "back") {
        Location(args).GetPosixPath(text);
    } else if (what == "exists") {
        SetNumber(result, Location(args).Exists() ? 1 : 0);
        return 0;
    } else if (what == "create") {
        SetNumber(result, Location(args).CreateDirectoriesStatus(ArgCount(args) > 2 && IntegerArg(args, 2) != 0));
        return 0;
    } else if (what == "documents") {
        fmx::FilePath folder;
        if (folder.SetToDocumentsFolder(IntegerArg(args, 1) != 0) && folder.GetPosixPath(text))
            text = Tilde(text);
        else
            text = "false";
    } else if (what == "name") {
        if (!fmx::GetPluginFileName(text, IntegerArg(args, 1) != 0))
            text = "false";
    } else if (what == "hostapp") {
        fmx::FilePath host;
        text = host.SetToHostAppFile() ? host.GetName() : "false";
    } else {
        throw std::invalid_argument("unknown Probe_File request");
    }
    SetText(result, text);
    return 0;
}

const Registration kFile({13, L"Probe_File", L"Probe_File ( what {; a {; b}} )", 1, 3, &File});

} // namespace
} // namespace probe

#endif
