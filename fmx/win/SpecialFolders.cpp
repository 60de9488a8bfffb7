#include "fmx/SpecialFolders.h"

#include <optional>

#include "fmx/Plugin.h"
#include "fmx/SpecialFolderLocations.h"
#include "fmx/WideText.h"
#include "platform/win32/winfile.h"

namespace fmx {

namespace {

using folders::HostAppFile;
using folders::Kept;
using folders::Location;
using folders::PluginFile;

constexpr std::size_t kMaxLocationText = 270;
constexpr std::size_t kMaxModulePath = 519;

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
    return folders::AppendProductFolder(path, folders::NameLimit::Bytes) && Record(path, out);
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
