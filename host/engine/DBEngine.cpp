// Database engine module: the session with id 1, the files' universal paths,
// catalogs and font mappers. Files are not opened here.
#include "Engine.h"

namespace {

constexpr std::int32_t kFileMissing = 100;

Draco::DBError* NoFile(Draco::DBError* result, Draco::FileUserRef* user)
{
    if (user)
        user->user = nullptr;
    result->code = kFileMissing;
    return result;
}

} // namespace

// A font mapper keeps its file; the file's fonts are numbered from 0.
void DBFontMapper_Ctor(Draco::DBFontMapper* self, const Draco::DBFileUser* file)
{
    PV_ENGINE_CHECK(DBFontMapper_Ctor);
    self->imp = const_cast<Draco::DBFileUser*>(file);
}

void DBFontMapper_Dtor(Draco::DBFontMapper* self)
{
    PV_ENGINE_CHECK(DBFontMapper_Dtor);
    self->imp = nullptr;
}

// An unknown id has the empty name.
Draco::unistring* DBFontMapper_GetFontName(const Draco::DBFontMapper* self, Draco::unistring* result,
                                           std::uint16_t id)
{
    PV_ENGINE_CHECK(DBFontMapper_GetFontName);
    const auto* file = static_cast<const Draco::FMFileUser*>(static_cast<const Draco::DBFileUser*>(self->imp));
    engine::Construct(result, file && id < file->fonts.size() ? file->fonts[id] : std::u16string());
    return result;
}

const Draco::DBFileUser* DBCatalog_GetFileUser(const Draco::DBCatalog* self)
{
    PV_ENGINE_CHECK(DBCatalog_GetFileUser);
    return self ? self->file : nullptr;
}

std::uint32_t DBCatalog_GetMemberCount(const Draco::DBCatalog* self)
{
    PV_ENGINE_CHECK(DBCatalog_GetMemberCount);
    return self ? self->memberCount : 0;
}

// The flag would count the members of every kind; the catalogs here hold one.
std::uint32_t DBCatalog_GetMemberCount55(const Draco::DBCatalog* self, bool)
{
    PV_ENGINE_CHECK(DBCatalog_GetMemberCount55);
    return self ? self->memberCount : 0;
}

Draco::DBSession* DBSession_GetSessionFromID(std::uint32_t id)
{
    PV_ENGINE_CHECK(DBSession_GetSessionFromID);
    return id == 1 ? &engine::World().Session() : nullptr;
}

const Draco::unistring* DBSession_GetSessionName(const Draco::DBSession* self)
{
    PV_ENGINE_CHECK(DBSession_GetSessionName);
    return &self->name.ref;
}

Draco::DBError* DBSession_OpenFileUser50(Draco::DBSession*, Draco::DBError* result, Draco::FileUserRef* user,
                                         const Draco::UniversalPath*, const Draco::DBFileUser*,
                                         Draco::DBAuthenticationInfo*, bool)
{
    PV_ENGINE_CHECK(DBSession_OpenFileUser50);
    return NoFile(result, user);
}

Draco::DBError* DBSession_OpenFileUser54(Draco::DBSession*, Draco::DBError* result, Draco::FileUserRef* user,
                                         const Draco::UniversalPath*, const Draco::DBFileUser*,
                                         const Draco::DBAuthenticationInfo*, std::uint32_t)
{
    PV_ENGINE_CHECK(DBSession_OpenFileUser54);
    return NoFile(result, user);
}

Draco::DBError* DBSession_OpenFileUser(Draco::DBSession*, Draco::DBError* result, Draco::FileUserRef* user,
                                       const Draco::UniversalPath*, const Draco::DBFileUser*,
                                       const Draco::DBAuthenticationInfo*, bool)
{
    PV_ENGINE_CHECK(DBSession_OpenFileUser);
    return NoFile(result, user);
}

const Draco::UniversalPath* DBFileUser_GetUniversalPath(const Draco::DBFileUser* self)
{
    PV_ENGINE_CHECK(DBFileUser_GetUniversalPath);
    return &self->path;
}
