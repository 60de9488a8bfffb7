// The plug-in's and the host application's places, from the locations each
// flavour finds (win/, mac/).
#include "fmx/SpecialFolders.h"

#include "fmx/Plugin.h"
#include "fmx/SpecialFolderLocations.h"
#include "fmx/WideText.h"

namespace fmx {

using folders::HostAppFile;
using folders::Location;
using folders::PluginFile;

namespace {

// The product folder's name is this prefix followed by the lower-cased
// product name.
constexpr char kProductFolderPrefix[] = "com.vanecraft.";

constexpr std::size_t kMaxProductName = 255;
constexpr std::uint8_t kRuntimeHost = 2;

bool ProductName(std::string& name, folders::NameLimit limit)
{
    const std::wstring* product = Plugin::GetInstance().GetInfoString(Plugin::kInfoProduct);
    if (!product)
        return false;
    std::string bytes = WideToUtf8(*product);
    const std::size_t length = limit == folders::NameLimit::Characters ? product->size() : bytes.size();
    if (bytes.empty() || length > kMaxProductName)
        return false;
    for (char& c : bytes)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    name = bytes;
    return true;
}

} // namespace

bool folders::AppendProductFolder(FilePath& path, NameLimit limit)
{
    std::string product;
    if (!ProductName(product, limit))
        return false;
    const std::string component = kProductFolderPrefix + product;
    if (!path.AppendFolder(component.c_str(), component.size()))
        return false;
    if (Plugin::GetAppType() == kRuntimeHost) {
        const Location* host = HostAppFile();
        if (!host)
            return false;
        const std::string name = host->Name();
        if (!path.AppendFolder(name.c_str(), name.size()))
            return false;
    }
    return true;
}

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
