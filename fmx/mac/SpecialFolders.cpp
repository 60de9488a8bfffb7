// The special folders of the macOS flavour: the plug-in bundle and the host
// application's bundle with their folders, and the product folders in the
// user's Documents, Application Support and Preferences folders.
#include "fmx/SpecialFolders.h"

#include <optional>

#include "fmx/Plugin.h"
#include "fmx/SpecialFolderLocations.h"
#include "fmx/WideText.h"
#include "platform/carbon/Carbon.h"

namespace fmx {

namespace {

using folders::HostAppFile;
using folders::Kept;
using folders::Location;
using folders::PluginFile;

// A folder record's text ("filemac:", folder and name) is at most this long.
constexpr std::size_t kMaxLocationText = 1034;

bool Record(const FilePath& path, Location& out) { return folders::Record(path, out, kMaxLocationText); }

bool RefLocation(const FSRef& ref, Location& out)
{
    FilePath path;
    return path.SetFromFileRef(ref) && !path.GetName().empty() && Record(path, out);
}

bool ProductFolder(OSType type, Location& out)
{
    FSRef ref;
    if (FSFindFolder(kUserDomain, type, kCreateFolder, &ref) != noErr)
        return false;
    FilePath path;
    if (!path.SetFromFileRef(ref))
        return false;
    // The special folder's last component is a folder, not a file name.
    if (!path.GetName().empty()) {
        std::string text;
        if (!path.GetText(text) || !path.SetFromText(text + "/"))
            return false;
    }
    return folders::AppendProductFolder(path, folders::NameLimit::Characters) && Record(path, out);
}

const Location* AppDataFolder()
{
    static std::optional<Location> slot;
    return Kept(slot, [](Location& l) { return ProductFolder(FourCC("pref"), l); });
}

const Location* LocalAppDataFolder()
{
    static std::optional<Location> slot;
    return Kept(slot, [](Location& l) { return ProductFolder(FourCC("asup"), l); });
}

const Location* DocumentsFolder()
{
    static std::optional<Location> slot;
    return Kept(slot, [](Location& l) { return ProductFolder(FourCC("docs"), l); });
}

bool SetToProductFolder(FilePath& path, const Location* location, bool create)
{
    if (!location || !path.SetFromText(location->Folder()))
        return false;
    return create ? path.CreateDirectories() : path.Exists();
}

} // namespace

namespace folders {

const Location* PluginFile()
{
    static std::optional<Location> slot;
    return Kept(slot, [](Location& l) {
        auto bundle = static_cast<CFBundleRef>(Plugin::GetModule());
        CFURLRef url = bundle ? CFBundleCopyBundleURL(bundle) : nullptr;
        FSRef ref;
        const bool found = url && CFURLGetFSRef(url, &ref);
        if (url)
            CFRelease(url);
        return found && RefLocation(ref, l);
    });
}

const Location* HostAppFile()
{
    static std::optional<Location> slot;
    return Kept(slot, [](Location& l) {
        ProcessSerialNumber process;
        FSRef ref;
        return GetCurrentProcess(&process) == noErr && GetProcessBundleLocation(&process, &ref) == noErr &&
               RefLocation(ref, l);
    });
}

} // namespace folders

bool FilePath::SetToAppDataFolder(bool create) { return SetToProductFolder(*this, AppDataFolder(), create); }

bool FilePath::SetToLocalAppDataFolder(bool create)
{
    return SetToProductFolder(*this, LocalAppDataFolder(), create);
}

bool FilePath::SetToDocumentsFolder(bool create) { return SetToProductFolder(*this, DocumentsFolder(), create); }

} // namespace fmx
