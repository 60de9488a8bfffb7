// The database implementation's macOS bodies: a file's catalogs and default
// window through the members bound from the host's frameworks, its name from
// its location (the host's universal path made into a file reference), and
// font names through a font mapper over the file user.
#include "fmx/FmImp.h"
#include "macos/HostObjects.h"
#include "macos/PlatStubs.h"

namespace fmx {

Draco::FMLayoutCatalog* FmDatabaseImp::GetLayoutCatalog(const Draco::FMFileUser* file)
{
    return mac::bound::GetLayoutCatalog(file);
}

Draco::FMScriptCatalog* FmDatabaseImp::GetScriptCatalog(const Draco::FMFileUser* file)
{
    return mac::bound::GetScriptCatalog(file);
}

// In the file user's path holder; the host's empty path when it has none.
// The host's universal path has the macOS layout under the same name.
const Draco::UniversalPath* FmDatabaseImp::GetUniversalPath(const Draco::FMFileUser* file)
{
    return reinterpret_cast<const Draco::UniversalPath*>(mac::FileUserPath(file));
}

// The frameworks bind no name member of the universal path: the name is the
// one of the file the path's reference finds, empty when none is found.
std::string FmDatabaseImp::GetName(Draco::FMFileUser* file) { return GetFilePath(file).GetName(); }

Draco::FMWindowModel* FmDatabaseImp::GetDefaultWindowModel(const Draco::FMFileUser* file)
{
    return mac::bound::GetDefaultWindow(file);
}

std::string Database::GetFontName(std::uint16_t fontId) const { return mac::FontName(Checked(), fontId); }

} // namespace fmx
