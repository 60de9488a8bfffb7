// The database implementation's Windows bodies: a file's catalogs and
// default window through bound members, and font names through a font
// mapper the plug-in builds on the file.
#include "fmx/FmImp.h"
#include "fmx/HostBinding.h"
#include "fmx/HostText.h"

namespace fmx {

using namespace fmapi::sym;

namespace {

// A font mapper built on a file in the plug-in's storage.
class FontMapper {
public:
    explicit FontMapper(const Draco::DBFileUser* file) { host::Call<DBFontMapper_Ctor>(&mapper_, file); }
    ~FontMapper()
    {
        try {
            host::Call<DBFontMapper_Dtor>(&mapper_);
        } catch (...) {
            // Built, so bound; nothing else can fail here.
        }
    }
    FontMapper(const FontMapper&) = delete;
    FontMapper& operator=(const FontMapper&) = delete;
    const Draco::DBFontMapper* get() const { return &mapper_; }

private:
    Draco::DBFontMapper mapper_{nullptr};
};

} // namespace

Draco::FMLayoutCatalog* FmDatabaseImp::GetLayoutCatalog(const Draco::FMFileUser* file)
{
    return host::Call<FMFileUser_GetLayoutCatalog>(file);
}

Draco::FMScriptCatalog* FmDatabaseImp::GetScriptCatalog(const Draco::FMFileUser* file)
{
    return host::Call<FMFileUser_GetScriptCatalog>(file);
}

const Draco::UniversalPath* FmDatabaseImp::GetUniversalPath(const Draco::FMFileUser* file)
{
    // A file is its DBFileUser (fmapi/object_layout.h).
    return host::Call<DBFileUser_GetUniversalPath>(reinterpret_cast<const Draco::DBFileUser*>(file));
}

std::string FmDatabaseImp::GetName(Draco::FMFileUser* file)
{
    std::string name;
    const Draco::UniversalPath* path = GetUniversalPath(file);
    if (path)
        ReadHostText(host::Call<UniversalPath_GetName>(path), name);
    return name;
}

Draco::FMWindowModel* FmDatabaseImp::GetDefaultWindowModel(const Draco::FMFileUser* file)
{
    return host::Call<FMFileUser_GetDefaultWindow>(file);
}

std::string Database::GetFontName(std::uint16_t fontId) const
{
    const FontMapper mapper(reinterpret_cast<const Draco::DBFileUser*>(Checked()));
    HostString name(HostString::kByOperation);
    host::Call<DBFontMapper_GetFontName>(mapper.get(), name.get(), fontId);
    return name.Utf8();
}

} // namespace fmx
