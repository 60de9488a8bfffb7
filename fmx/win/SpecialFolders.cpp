#include "fmx/SpecialFolders.h"

#include <optional>

#include "fmx/Plugin.h"
#include "fmx/SpecialFolderLocations.h"
#include "fmx/WideText.h"
#include "platform/win32/winfile.h"

namespace fmx {

const char kProductFolderPrefix[] = "com.vanecraft.";

namespace {

using folders::HostAppFile;
using folders::Kept;
using folders::Location;
using folders::PluginFile;

constexpr std::size_t kMaxLocationText = 270;
constexpr std::size_t kMaxModulePath = 519;
// The product's folder name: at most 255 bytes of its UTF-8 form here; the
// macOS twin counts 255 characters, as a name on that system is counted.
constexpr std::size_t kMaxProductName = 255;
constexpr std::uint8_t kRuntimeHost = 2;

bool Record(const FilePath& path, Location& out) { return folders::Record(path, out, kMaxLocationText); }

bool ModuleLocation(void* module, Location& out)
{
    wchar_t buffer[kMaxModulePath + 1] = {};
    const win32::DWORD length = win32::GetModuleFileNameW(module, buffer, kMaxModulePath + 1);
    if (length == 0 || length > kMaxModulePath)
        return false;
    FilePath path;
    return path.SetFromSysPath(buffer) && Record(path, out);
}

bool ProductName(std::string& name)
{
    const std::wstring* product = Plugin::GetInstance().GetInfoString(Plugin::kInfoProduct);
    if (!product)
        return false;
    std::string bytes = WideToUtf8(*product);
    if (bytes.empty() || bytes.size() > kMaxProductName)
        return false;
    for (char& c : bytes)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    name = bytes;
    return true;
}

bool ProductFolder(int csidl, Location& out)
{
    wchar_t buffer[win32::kMaxPath + 1] = {};
    if (!win32::SHGetSpecialFolderPathW(nullptr, buffer, csidl, true))
        return false;
    FilePath path;
    std::string text;
    if (!path.SetFromSysPath(buffer) || !path.GetText(text))
        return false;
    // The special folder's last component is a folder, not a file name.
    if (!path.GetName().empty() && !path.SetFromText(text + "/"))
        return false;
    std::string product;
    if (!ProductName(product))
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
    return Record(path, out);
}

const Location* LocalAppDataFolder()
{
    static std::optional<Location> slot;
    return Kept(slot, [](Location& l) { return ProductFolder(win32::kCsidlLocalAppData, l); });
}

const Location* DocumentsFolder()
{
    static std::optional<Location> slot;
    return Kept(slot, [](Location& l) { return ProductFolder(win32::kCsidlPersonal, l); });
}

} // namespace

namespace folders {

const Location* PluginFile()
{
    static std::optional<Location> slot;
    return Kept(slot, [](Location& l) { return ModuleLocation(Plugin::GetModule(), l); });
}

const Location* HostAppFile()
{
    static std::optional<Location> slot;
    return Kept(slot, [](Location& l) { return ModuleLocation(nullptr, l); });
}

} // namespace folders

bool FilePath::SetToLocalAppDataFolder(bool create)
{
    const Location* location = LocalAppDataFolder();
    if (!location || !SetFromText(location->text))
        return false;
    return create ? CreateDirectories() : Exists();
}

bool FilePath::SetToDocumentsFolder(bool create)
{
    const Location* location = DocumentsFolder();
    if (!location || !SetFromText(location->text))
        return false;
    return create ? CreateDirectories() : Exists();
}

} // namespace fmx
