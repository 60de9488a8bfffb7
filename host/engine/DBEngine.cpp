// Database engine module: the session with id 1 and no open files yet.
#include "Engine.h"

struct Draco::DBSession {
    engine::OwnedText name{u"FileMaker Session"};
};

struct Draco::DBFileUser {
    Draco::UniversalPath path{nullptr};
};

namespace {

Draco::DBSession& TheSession()
{
    static Draco::DBSession session;
    return session;
}

constexpr std::int32_t kFileMissing = 100;

Draco::DBError* NoFile(Draco::DBError* result, Draco::FileUserRef* user)
{
    if (user)
        user->user = nullptr;
    result->code = kFileMissing;
    return result;
}

} // namespace

void DBFontMapper_Ctor(Draco::DBFontMapper* self, const Draco::DBFileUser*)
{
    PV_ENGINE_CHECK(DBFontMapper_Ctor);
    self->imp = nullptr;
}

void DBFontMapper_Dtor(Draco::DBFontMapper* self)
{
    PV_ENGINE_CHECK(DBFontMapper_Dtor);
    self->imp = nullptr;
}

Draco::unistring* DBFontMapper_GetFontName(const Draco::DBFontMapper*, Draco::unistring* result, std::uint16_t)
{
    PV_ENGINE_CHECK(DBFontMapper_GetFontName);
    engine::Construct(result, u"Arial");
    return result;
}

const Draco::DBFileUser* DBCatalog_GetFileUser(const Draco::DBCatalog*)
{
    PV_ENGINE_CHECK(DBCatalog_GetFileUser);
    return nullptr;
}

std::uint32_t DBCatalog_GetMemberCount(const Draco::DBCatalog*)
{
    PV_ENGINE_CHECK(DBCatalog_GetMemberCount);
    return 0;
}

std::uint32_t DBCatalog_GetMemberCount55(const Draco::DBCatalog*, bool)
{
    PV_ENGINE_CHECK(DBCatalog_GetMemberCount55);
    return 0;
}

Draco::DBSession* DBSession_GetSessionFromID(std::uint32_t id)
{
    PV_ENGINE_CHECK(DBSession_GetSessionFromID);
    return id == 1 ? &TheSession() : nullptr;
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
