// The session's members: the session with id 1 (FMEngine), and opening a
// file, which finds a file already open at the path (FMEngine below API
// level 51, DBEngine from 51). Nothing is opened here.
#include <string_view>

#include "Bridge.h"
#include "HostObjects.h"
#include "fmapi/mac_layout.h"

namespace {

using fmapi::mac::SymbolId;

constexpr std::int32_t kFileMissing = 100;

static_assert(std::string_view(fmapi::mac::SymbolOf(SymbolId::DBSession_OpenFileUser50).machO).substr(1) ==
                  PV_MAC_OPENFILEUSER50_ELF_NAME,
              "the older host's OpenFileUser is the table's");

// The open file at the first path of the vector, or null.
Draco::FMFileUser* OpenFileAt(const fmapi::mac::UniversalPathLayout* path)
{
    framework::PathParts wanted;
    if (!path || !framework::PartsOfRecord(path->record, wanted))
        return nullptr;
    Draco::FMFileUser* file = framework::World().FindFile(hostworld::ToUtf8(wanted.name));
    framework::PathParts parts;
    if (!file || !framework::PartsOfRecord(file->path.imp, parts))
        return nullptr;
    return parts.type == wanted.type && parts.path == wanted.path && parts.name == wanted.name ? file : nullptr;
}

Draco::DBError Open(Draco::RefCountedObjPtr<Draco::DBFileUser>& user, const fmapi::mac::UniversalPathLayout* path)
{
    Draco::FMFileUser* file = OpenFileAt(path);
    *reinterpret_cast<Draco::DBFileUser**>(&user) = file;
    return Draco::DBError{file ? fmapi::kDracoNoError : kFileMissing};
}

const fmapi::mac::UniversalPathLayout* FirstPath(const std::vector<Draco::UniversalPath>& paths, bool older)
{
    if (older) {
        const auto& v = reinterpret_cast<const fmapi::mac::PathVector50&>(paths);
        return v.count ? v.items : nullptr;
    }
    const auto& v = reinterpret_cast<const fmapi::mac::PathVector&>(paths);
    return v.begin != v.end ? v.begin : nullptr;
}

} // namespace

namespace Draco {

#if defined(PV_FRAMEWORK_FMENGINE)
DBSession* DBSession::GetSessionFromID(unsigned long id)
{
    PV_FW_CHECK(DBSession_GetSessionFromID);
    return id == 1 ? &framework::World().Session() : nullptr;
}

DBError DBSession::OpenFileUser(RefCountedObjPtr<DBFileUser>& user, const std::vector<UniversalPath>& paths,
                                const DBFileUser*, DBAuthenticationInfo&, bool)
{
    PV_FW_CHECK(DBSession_OpenFileUser50);
    return Open(user, FirstPath(paths, true));
}
#else
DBError DBSession::OpenFileUser(RefCountedObjPtr<DBFileUser>& user, const std::vector<UniversalPath>& paths,
                                const DBFileUser*, const DBAuthenticationInfo&, bool)
{
    PV_FW_CHECK(DBSession_OpenFileUser51);
    return Open(user, FirstPath(paths, false));
}

DBError DBSession::OpenFileUser(RefCountedObjPtr<DBFileUser>& user, const std::vector<UniversalPath>& paths,
                                const DBFileUser*, const DBAuthenticationInfo&, unsigned long)
{
    PV_FW_CHECK(DBSession_OpenFileUser54);
    return Open(user, FirstPath(paths, false));
}
#endif

} // namespace Draco
