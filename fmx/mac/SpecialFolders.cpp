// The special folders of the macOS flavour before it finds them through the
// Folder Manager: none of them is known yet.
#include "fmx/SpecialFolders.h"

namespace fmx {

const char kProductFolderPrefix[] = "com.vanecraft.";

bool FilePath::SetToPluginFolder() { return false; }

bool FilePath::SetToPluginFile() { return false; }

bool FilePath::SetToHostAppFile() { return false; }

bool FilePath::SetToHostAppFolder() { return false; }

bool FilePath::SetToLocalAppDataFolder(bool) { return false; }

bool FilePath::SetToDocumentsFolder(bool) { return false; }

bool GetPluginFileName(std::string&, bool) { return false; }

} // namespace fmx
