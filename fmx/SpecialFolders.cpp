// The plug-in's and the host application's places, from the locations each
// flavour finds (win/, mac/).
#include "fmx/SpecialFolders.h"

#include "fmx/SpecialFolderLocations.h"

namespace fmx {

using folders::HostAppFile;
using folders::Location;
using folders::PluginFile;

bool FilePath::SetToPluginFolder()
{
    const Location* location = PluginFile();
    return location && SetFromText(location->Folder());
}

bool FilePath::SetToPluginFile()
{
    const Location* location = PluginFile();
    return location && SetFromText(location->text);
}

bool FilePath::SetToHostAppFile()
{
    const Location* location = HostAppFile();
    return location && SetFromText(location->text);
}

bool FilePath::SetToHostAppFolder()
{
    const Location* location = HostAppFile();
    return location && SetFromText(location->Folder());
}

bool GetPluginFileName(std::string& text, bool withExtension)
{
    const Location* location = PluginFile();
    if (!location)
        return false;
    std::string name = location->Name();
    if (!withExtension) {
        const std::string::size_type dot = name.rfind('.');
        if (dot != std::string::npos && dot > 0)
            name.resize(dot);
    }
    text += name;
    return true;
}

} // namespace fmx
