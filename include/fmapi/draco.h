// The host's internal operations that the plug-in binds by decorated name,
// shared by the plug-in (which looks them up) and the host's modules (which
// export them). One table lists each operation with its module group, the
// host API levels it serves, whether it is a member or a static function, its
// decorated name, the ELF name it is exported under (checked against
// EscapeSymbol at compile time) and its C signature.
//
// Member functions take the object as their first argument. Operations that
// return an object by value take the caller's storage for it right after the
// object and answer that pointer. Objects the plug-in holds itself (strings,
// paths, errors) have the layouts below, catalog keys and what the plug-in
// reads in place those of fmapi/object_layout.h; the others stay opaque.
#pragma once

#include <cstdint>

#include "fmapi/symbol_name.h"

namespace Draco {

// Objects that live in the plug-in's storage and are built and destroyed by
// the host's operations.
struct unistring {
    void* imp;
};
struct Error {
    std::int32_t code;
};
struct DBError {
    std::int32_t code;
};
struct UniversalPath {
    void* imp;
};
struct FilePlatformSpec {
    void* imp;
};
struct DBFontMapper {
    void* imp;
};
// RefCountedObjPtr<DBFileUser>
struct FileUserRef {
    struct DBFileUser* user;
};

// Opaque host objects.
struct DBFileUser;
struct DBCatalog;
struct DBSession;
struct DBAuthenticationInfo;
struct DBData;
struct DBTableProxy;
struct ScriptRuntimeBase;
struct TriggerState;
struct FMSession;
struct FMFileUser;
struct FMWindowModel;
struct FMScript;
struct FMScriptCatalog;
struct FMLayout;
struct FMLayoutCatalog;
struct HBAbstractKey;
struct ScriptKey;   // HBSerialKey<5>

} // namespace Draco

namespace fmapi {

// Text encodings of unistring conversions.
enum : std::int32_t { kDracoEncodingUtf8 = 1 };

// Error code of a successful Draco::Error / Draco::DBError.
enum : std::int32_t { kDracoNoError = 0 };

enum class HostGroup : int {
    kSupport,
    kDatabaseEngine,
    kUserModel,
    kScripts,
    kLayouts,
    kWindows,
    kInterface,   // the plug-in interface library (bound by plain names)
};

enum class SymbolKind : int { kMember, kStatic };

constexpr std::int32_t kMaxLevel = 0x7FFF;

// Level set of an operation: lo..hi without exLo..exHi.
constexpr bool LevelIn(std::int32_t level, std::int32_t lo, std::int32_t hi, std::int32_t exLo,
                       std::int32_t exHi)
{
    return level >= lo && level <= hi && !(level >= exLo && level <= exHi);
}

// X(id, group, lo, hi, exLo, exHi, kind, decorated, escaped, result, parameters)
#define PV_DRACO_SYMBOLS(X) \
    X(UniversalPath_Ctor, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "??0UniversalPath@Draco@@QAE@XZ", \
      "msx__3F_3F0UniversalPath_40Draco_40_40QAE_40XZ", \
      void, (Draco::UniversalPath*)) \
    X(UniversalPath_Dtor, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "??1UniversalPath@Draco@@QAE@XZ", \
      "msx__3F_3F1UniversalPath_40Draco_40_40QAE_40XZ", \
      void, (Draco::UniversalPath*)) \
    X(UniversalPath_GetType, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "?GetType@UniversalPath@Draco@@QBEABVunistring@2@XZ", \
      "msx__3FGetType_40UniversalPath_40Draco_40_40QBEABVunistring_402_40XZ", \
      const Draco::unistring*, (const Draco::UniversalPath*)) \
    X(UniversalPath_GetPath, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "?GetPath@UniversalPath@Draco@@QBEABVunistring@2@XZ", \
      "msx__3FGetPath_40UniversalPath_40Draco_40_40QBEABVunistring_402_40XZ", \
      const Draco::unistring*, (const Draco::UniversalPath*)) \
    X(UniversalPath_GetName, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "?GetName@UniversalPath@Draco@@QBEABVunistring@2@XZ", \
      "msx__3FGetName_40UniversalPath_40Draco_40_40QBEABVunistring_402_40XZ", \
      const Draco::unistring*, (const Draco::UniversalPath*)) \
    X(UniversalPath_MakePlatformSpec, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "?MakePlatformSpec@UniversalPath@Draco@@QBE?AVError@2@AAVFilePlatformSpec@2@W4Encoding@Unicode@@_N2@Z", \
      "msx__3FMakePlatformSpec_40UniversalPath_40Draco_40_40QBE_3FAVError_402_40AAVFilePlatformSpec_402_40W4Encoding_40Unicode_40_40_5FN2_40Z", \
      Draco::Error*, (const Draco::UniversalPath*, Draco::Error*, Draco::FilePlatformSpec*, std::int32_t, bool, bool)) \
    X(UniversalPath_Set, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "?Set@UniversalPath@Draco@@QAE?AVError@2@ABVFilePlatformSpec@2@@Z", \
      "msx__3FSet_40UniversalPath_40Draco_40_40QAE_3FAVError_402_40ABVFilePlatformSpec_402_40_40Z", \
      Draco::Error*, (Draco::UniversalPath*, Draco::Error*, const Draco::FilePlatformSpec*)) \
    X(unistring_Ctor, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "??0unistring@Draco@@QAE@XZ", \
      "msx__3F_3F0unistring_40Draco_40_40QAE_40XZ", \
      void, (Draco::unistring*)) \
    X(unistring_Assign, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "??4unistring@Draco@@QAEAAV01@ABV01@@Z", \
      "msx__3F_3F4unistring_40Draco_40_40QAEAAV01_40ABV01_40_40Z", \
      Draco::unistring*, (Draco::unistring*, const Draco::unistring*)) \
    X(unistring_Dtor, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "??1unistring@Draco@@QAE@XZ", \
      "msx__3F_3F1unistring_40Draco_40_40QAE_40XZ", \
      void, (Draco::unistring*)) \
    X(unistring_ConvertToNonUnichars, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "?ConvertToNonUnichars@unistring@Draco@@QBE_NPADPAKW4Encoding@Unicode@@@Z", \
      "msx__3FConvertToNonUnichars_40unistring_40Draco_40_40QBE_5FNPADPAKW4Encoding_40Unicode_40_40_40Z", \
      bool, (const Draco::unistring*, char*, std::uint32_t*, std::int32_t)) \
    X(unistring_ConvertFromNonUnichars, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "?ConvertFromNonUnichars@unistring@Draco@@QAE_NPBDKW4Encoding@Unicode@@@Z", \
      "msx__3FConvertFromNonUnichars_40unistring_40Draco_40_40QAE_5FNPBDKW4Encoding_40Unicode_40_40_40Z", \
      bool, (Draco::unistring*, const char*, std::uint32_t, std::int32_t)) \
    X(Error_CopyCtor, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "??0Error@Draco@@QAE@ABV01@@Z", \
      "msx__3F_3F0Error_40Draco_40_40QAE_40ABV01_40_40Z", \
      void, (Draco::Error*, const Draco::Error*)) \
    X(Error_Dtor, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "??1Error@Draco@@QAE@XZ", \
      "msx__3F_3F1Error_40Draco_40_40QAE_40XZ", \
      void, (Draco::Error*)) \
    X(Error_Assign, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "??4Error@Draco@@QAEABV01@ABV01@@Z", \
      "msx__3F_3F4Error_40Draco_40_40QAEABV01_40ABV01_40_40Z", \
      const Draco::Error*, (Draco::Error*, const Draco::Error*)) \
    X(FilePlatformSpec_Ctor, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "??0FilePlatformSpec@Draco@@QAE@XZ", \
      "msx__3F_3F0FilePlatformSpec_40Draco_40_40QAE_40XZ", \
      void, (Draco::FilePlatformSpec*)) \
    X(FilePlatformSpec_Dtor, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "??1FilePlatformSpec@Draco@@QAE@XZ", \
      "msx__3F_3F1FilePlatformSpec_40Draco_40_40QAE_40XZ", \
      void, (Draco::FilePlatformSpec*)) \
    X(FilePlatformSpec_GetPath, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "?GetPath@FilePlatformSpec@Draco@@QBEPBGXZ", \
      "msx__3FGetPath_40FilePlatformSpec_40Draco_40_40QBEPBGXZ", \
      const char16_t*, (const Draco::FilePlatformSpec*)) \
    X(FilePlatformSpec_SetPath, kSupport, 0, kMaxLevel, 1, 0, kMember, \
      "?SetPath@FilePlatformSpec@Draco@@QAEAAV12@PBG@Z", \
      "msx__3FSetPath_40FilePlatformSpec_40Draco_40_40QAEAAV12_40PBG_40Z", \
      Draco::FilePlatformSpec*, (Draco::FilePlatformSpec*, const char16_t*)) \
    X(DBFontMapper_Ctor, kDatabaseEngine, 0, kMaxLevel, 1, 0, kMember, \
      "??0DBFontMapper@Draco@@QAE@PBVDBFileUser@1@@Z", \
      "msx__3F_3F0DBFontMapper_40Draco_40_40QAE_40PBVDBFileUser_401_40_40Z", \
      void, (Draco::DBFontMapper*, const Draco::DBFileUser*)) \
    X(DBFontMapper_Dtor, kDatabaseEngine, 0, kMaxLevel, 1, 0, kMember, \
      "??1DBFontMapper@Draco@@UAE@XZ", \
      "msx__3F_3F1DBFontMapper_40Draco_40_40UAE_40XZ", \
      void, (Draco::DBFontMapper*)) \
    X(DBFontMapper_GetFontName, kDatabaseEngine, 0, kMaxLevel, 1, 0, kMember, \
      "?GetFontName@DBFontMapper@Draco@@UBE?AVunistring@2@G@Z", \
      "msx__3FGetFontName_40DBFontMapper_40Draco_40_40UBE_3FAVunistring_402_40G_40Z", \
      Draco::unistring*, (const Draco::DBFontMapper*, Draco::unistring*, std::uint16_t)) \
    X(DBCatalog_GetFileUser, kDatabaseEngine, 0, kMaxLevel, 1, 0, kMember, \
      "?GetFileUser@DBCatalog@Draco@@QBEABVDBFileUser@2@XZ", \
      "msx__3FGetFileUser_40DBCatalog_40Draco_40_40QBEABVDBFileUser_402_40XZ", \
      const Draco::DBFileUser*, (const Draco::DBCatalog*)) \
    X(DBCatalog_GetMemberCount, kDatabaseEngine, 0, 54, 1, 0, kMember, \
      "?GetMemberCount@DBCatalog@Draco@@QBEKXZ", \
      "msx__3FGetMemberCount_40DBCatalog_40Draco_40_40QBEKXZ", \
      std::uint32_t, (const Draco::DBCatalog*)) \
    X(DBCatalog_GetMemberCount55, kDatabaseEngine, 55, kMaxLevel, 1, 0, kMember, \
      "?GetMemberCount@DBCatalog@Draco@@QBEK_N@Z", \
      "msx__3FGetMemberCount_40DBCatalog_40Draco_40_40QBEK_5FN_40Z", \
      std::uint32_t, (const Draco::DBCatalog*, bool)) \
    X(DBSession_GetSessionFromID, kDatabaseEngine, 0, kMaxLevel, 1, 0, kStatic, \
      "?GetSessionFromID@DBSession@Draco@@SAPAV12@K@Z", \
      "msx__3FGetSessionFromID_40DBSession_40Draco_40_40SAPAV12_40K_40Z", \
      Draco::DBSession*, (std::uint32_t)) \
    X(DBSession_GetSessionName, kDatabaseEngine, 0, kMaxLevel, 1, 0, kMember, \
      "?GetSessionName@DBSession@Draco@@QBEABVunistring@2@XZ", \
      "msx__3FGetSessionName_40DBSession_40Draco_40_40QBEABVunistring_402_40XZ", \
      const Draco::unistring*, (const Draco::DBSession*)) \
    X(DBSession_OpenFileUser50, kDatabaseEngine, 0, 50, 1, 0, kMember, \
      "?OpenFileUser@DBSession@Draco@@QAE?AVDBError@2@AAV?$RefCountedObjPtr@VDBFileUser@Draco@@@2@ABVUniversalPath@2@PBVDBFileUser@2@AAVDBAuthenticationInfo@2@_N@Z", \
      "msx__3FOpenFileUser_40DBSession_40Draco_40_40QAE_3FAVDBError_402_40AAV_3F_24RefCountedObjPtr_40VDBFileUser_40Draco_40_40_402_40ABVUniversalPath_402_40PBVDBFileUser_402_40AAVDBAuthenticationInfo_402_40_5FN_40Z", \
      Draco::DBError*, (Draco::DBSession*, Draco::DBError*, Draco::FileUserRef*, const Draco::UniversalPath*, const Draco::DBFileUser*, Draco::DBAuthenticationInfo*, bool)) \
    X(DBSession_OpenFileUser54, kDatabaseEngine, 54, 55, 1, 0, kMember, \
      "?OpenFileUser@DBSession@Draco@@QAE?AVDBError@2@AAV?$RefCountedObjPtr@VDBFileUser@Draco@@@2@ABVUniversalPath@2@PBVDBFileUser@2@ABVDBAuthenticationInfo@2@K@Z", \
      "msx__3FOpenFileUser_40DBSession_40Draco_40_40QAE_3FAVDBError_402_40AAV_3F_24RefCountedObjPtr_40VDBFileUser_40Draco_40_40_402_40ABVUniversalPath_402_40PBVDBFileUser_402_40ABVDBAuthenticationInfo_402_40K_40Z", \
      Draco::DBError*, (Draco::DBSession*, Draco::DBError*, Draco::FileUserRef*, const Draco::UniversalPath*, const Draco::DBFileUser*, const Draco::DBAuthenticationInfo*, std::uint32_t)) \
    X(DBSession_OpenFileUser, kDatabaseEngine, 51, kMaxLevel, 54, 55, kMember, \
      "?OpenFileUser@DBSession@Draco@@QAE?AVDBError@2@AAV?$RefCountedObjPtr@VDBFileUser@Draco@@@2@ABVUniversalPath@2@PBVDBFileUser@2@ABVDBAuthenticationInfo@2@_N@Z", \
      "msx__3FOpenFileUser_40DBSession_40Draco_40_40QAE_3FAVDBError_402_40AAV_3F_24RefCountedObjPtr_40VDBFileUser_40Draco_40_40_402_40ABVUniversalPath_402_40PBVDBFileUser_402_40ABVDBAuthenticationInfo_402_40_5FN_40Z", \
      Draco::DBError*, (Draco::DBSession*, Draco::DBError*, Draco::FileUserRef*, const Draco::UniversalPath*, const Draco::DBFileUser*, const Draco::DBAuthenticationInfo*, bool)) \
    X(DBFileUser_GetUniversalPath, kDatabaseEngine, 0, kMaxLevel, 1, 0, kMember, \
      "?GetUniversalPath@DBFileUser@Draco@@QBEABVUniversalPath@2@XZ", \
      "msx__3FGetUniversalPath_40DBFileUser_40Draco_40_40QBEABVUniversalPath_402_40XZ", \
      const Draco::UniversalPath*, (const Draco::DBFileUser*)) \
    X(ScriptRuntimeBase_IsPaused, kUserModel, 0, kMaxLevel, 1, 0, kMember, \
      "?IsPaused@ScriptRuntimeBase@Draco@@QBE_NXZ", \
      "msx__3FIsPaused_40ScriptRuntimeBase_40Draco_40_40QBE_5FNXZ", \
      bool, (const Draco::ScriptRuntimeBase*)) \
    X(ScriptRuntimeBase_GetScript, kUserModel, 0, kMaxLevel, 1, 0, kMember, \
      "?GetScript@ScriptRuntimeBase@Draco@@QBEABVFMScript@2@XZ", \
      "msx__3FGetScript_40ScriptRuntimeBase_40Draco_40_40QBEABVFMScript_402_40XZ", \
      const Draco::FMScript*, (const Draco::ScriptRuntimeBase*)) \
    X(ScriptRuntimeBase_CallScript53, kUserModel, 0, 53, 1, 0, kMember, \
      "?CallScript@ScriptRuntimeBase@Draco@@QAE?AVDBError@2@AAVFMWindowModel@2@ABV?$HBSerialKey@$04@2@PBVDBData@2@_N3G3@Z", \
      "msx__3FCallScript_40ScriptRuntimeBase_40Draco_40_40QAE_3FAVDBError_402_40AAVFMWindowModel_402_40ABV_3F_24HBSerialKey_40_2404_402_40PBVDBData_402_40_5FN3G3_40Z", \
      Draco::DBError*, (Draco::ScriptRuntimeBase*, Draco::DBError*, Draco::FMWindowModel*, const Draco::ScriptKey*, const Draco::DBData*, bool, bool, std::uint16_t, bool)) \
    X(ScriptRuntimeBase_CallScript54, kUserModel, 54, 54, 1, 0, kMember, \
      "?CallScript@ScriptRuntimeBase@Draco@@QAE?AVDBError@2@AAVFMWindowModel@2@ABV?$HBSerialKey@$04@2@PBVDBData@2@G_NPAVTriggerState@2@@Z", \
      "msx__3FCallScript_40ScriptRuntimeBase_40Draco_40_40QAE_3FAVDBError_402_40AAVFMWindowModel_402_40ABV_3F_24HBSerialKey_40_2404_402_40PBVDBData_402_40G_5FNPAVTriggerState_402_40_40Z", \
      Draco::DBError*, (Draco::ScriptRuntimeBase*, Draco::DBError*, Draco::FMWindowModel*, const Draco::ScriptKey*, const Draco::DBData*, std::uint16_t, bool, Draco::TriggerState*)) \
    X(ScriptRuntimeBase_CallScript55, kUserModel, 55, kMaxLevel, 1, 0, kMember, \
      "?CallScript@ScriptRuntimeBase@Draco@@QAE?AVDBError@2@AAVFMWindowModel@2@ABV?$HBSerialKey@$04@2@PAVDBData@2@G_NPAVTriggerState@2@@Z", \
      "msx__3FCallScript_40ScriptRuntimeBase_40Draco_40_40QAE_3FAVDBError_402_40AAVFMWindowModel_402_40ABV_3F_24HBSerialKey_40_2404_402_40PAVDBData_402_40G_5FNPAVTriggerState_402_40_40Z", \
      Draco::DBError*, (Draco::ScriptRuntimeBase*, Draco::DBError*, Draco::FMWindowModel*, const Draco::ScriptKey*, Draco::DBData*, std::uint16_t, bool, Draco::TriggerState*)) \
    X(FMSession_GetScriptRuntime, kUserModel, 0, kMaxLevel, 1, 0, kMember, \
      "?GetScriptRuntime@FMSession@Draco@@QBEAAVScriptRuntimeBase@2@XZ", \
      "msx__3FGetScriptRuntime_40FMSession_40Draco_40_40QBEAAVScriptRuntimeBase_402_40XZ", \
      Draco::ScriptRuntimeBase*, (const Draco::FMSession*)) \
    X(FMSession_OpenWindow53, kUserModel, 0, 53, 1, 0, kMember, \
      "?OpenWindow@FMSession@Draco@@QAEPAVFMWindowModel@2@AAVFMFileUser@2@_N1@Z", \
      "msx__3FOpenWindow_40FMSession_40Draco_40_40QAEPAVFMWindowModel_402_40AAVFMFileUser_402_40_5FN1_40Z", \
      Draco::FMWindowModel*, (Draco::FMSession*, Draco::FMFileUser*, bool, bool)) \
    X(FMSession_OpenWindow, kUserModel, 54, kMaxLevel, 1, 0, kMember, \
      "?OpenWindow@FMSession@Draco@@QAEPAVFMWindowModel@2@ABVFMFileUser@2@_N1@Z", \
      "msx__3FOpenWindow_40FMSession_40Draco_40_40QAEPAVFMWindowModel_402_40ABVFMFileUser_402_40_5FN1_40Z", \
      Draco::FMWindowModel*, (Draco::FMSession*, const Draco::FMFileUser*, bool, bool)) \
    X(FMFileUser_GetLayoutCatalog, kUserModel, 0, kMaxLevel, 1, 0, kMember, \
      "?GetLayoutCatalog@FMFileUser@Draco@@QBEAAVFMLayoutCatalog@2@XZ", \
      "msx__3FGetLayoutCatalog_40FMFileUser_40Draco_40_40QBEAAVFMLayoutCatalog_402_40XZ", \
      Draco::FMLayoutCatalog*, (const Draco::FMFileUser*)) \
    X(FMFileUser_GetScriptCatalog, kUserModel, 0, kMaxLevel, 1, 0, kMember, \
      "?GetScriptCatalog@FMFileUser@Draco@@QBEAAVFMScriptCatalog@2@XZ", \
      "msx__3FGetScriptCatalog_40FMFileUser_40Draco_40_40QBEAAVFMScriptCatalog_402_40XZ", \
      Draco::FMScriptCatalog*, (const Draco::FMFileUser*)) \
    X(FMFileUser_GetDefaultWindow, kUserModel, 0, kMaxLevel, 1, 0, kMember, \
      "?GetDefaultWindow@FMFileUser@Draco@@QBEPAVFMWindowModel@2@XZ", \
      "msx__3FGetDefaultWindow_40FMFileUser_40Draco_40_40QBEPAVFMWindowModel_402_40XZ", \
      Draco::FMWindowModel*, (const Draco::FMFileUser*)) \
    X(FMWindowModel_GetFileUser53, kUserModel, 0, 53, 1, 0, kMember, \
      "?GetFileUser@FMWindowModel@Draco@@QAEAAVFMFileUser@2@XZ", \
      "msx__3FGetFileUser_40FMWindowModel_40Draco_40_40QAEAAVFMFileUser_402_40XZ", \
      Draco::FMFileUser*, (Draco::FMWindowModel*)) \
    X(FMWindowModel_GetFileUser, kUserModel, 54, kMaxLevel, 1, 0, kMember, \
      "?GetFileUser@FMWindowModel@Draco@@QBEABVFMFileUser@2@XZ", \
      "msx__3FGetFileUser_40FMWindowModel_40Draco_40_40QBEABVFMFileUser_402_40XZ", \
      const Draco::FMFileUser*, (const Draco::FMWindowModel*)) \
    X(FMWindowModel_GetUserMode, kUserModel, 0, kMaxLevel, 1, 0, kMember, \
      "?GetUserMode@FMWindowModel@Draco@@QBE?AW4UserMode@12@XZ", \
      "msx__3FGetUserMode_40FMWindowModel_40Draco_40_40QBE_3FAW4UserMode_4012_40XZ", \
      std::int32_t, (const Draco::FMWindowModel*)) \
    X(FMWindowModel_GetWindowName, kUserModel, 0, kMaxLevel, 1, 0, kMember, \
      "?GetWindowName@FMWindowModel@Draco@@QBEABVunistring@2@XZ", \
      "msx__3FGetWindowName_40FMWindowModel_40Draco_40_40QBEABVunistring_402_40XZ", \
      const Draco::unistring*, (const Draco::FMWindowModel*)) \
    X(FMWindowModel_GetLayout, kUserModel, 0, 53, 1, 0, kMember, \
      "?GetLayout@FMWindowModel@Draco@@QBEABVFMLayout@2@XZ", \
      "msx__3FGetLayout_40FMWindowModel_40Draco_40_40QBEABVFMLayout_402_40XZ", \
      const Draco::FMLayout*, (const Draco::FMWindowModel*)) \
    X(FMScript_GetScriptCatalog, kScripts, 0, kMaxLevel, 1, 0, kMember, \
      "?GetScriptCatalog@FMScript@Draco@@QBEAAVFMScriptCatalog@2@XZ", \
      "msx__3FGetScriptCatalog_40FMScript_40Draco_40_40QBEAAVFMScriptCatalog_402_40XZ", \
      Draco::FMScriptCatalog*, (const Draco::FMScript*)) \
    X(FMScriptCatalog_GetScriptName, kScripts, 0, 54, 1, 0, kMember, \
      "?GetScriptName@FMScriptCatalog@Draco@@QBE_NABVHBAbstractKey@2@AAVDBData@2@@Z", \
      "msx__3FGetScriptName_40FMScriptCatalog_40Draco_40_40QBE_5FNABVHBAbstractKey_402_40AAVDBData_402_40_40Z", \
      bool, (const Draco::FMScriptCatalog*, const Draco::HBAbstractKey*, Draco::DBData*)) \
    X(FMScriptCatalog_GetMemberName, kScripts, 55, kMaxLevel, 1, 0, kMember, \
      "?GetMemberName@FMScriptCatalog@Draco@@QBE_NABVHBAbstractKey@2@AAVDBData@2@@Z", \
      "msx__3FGetMemberName_40FMScriptCatalog_40Draco_40_40QBE_5FNABVHBAbstractKey_402_40AAVDBData_402_40_40Z", \
      bool, (const Draco::FMScriptCatalog*, const Draco::HBAbstractKey*, Draco::DBData*)) \
    X(FMScriptCatalog_GetScriptKey52, kScripts, 0, 52, 1, 0, kMember, \
      "?GetScriptKey@FMScriptCatalog@Draco@@QBE_NGAAVHBAbstractKey@2@_N@Z", \
      "msx__3FGetScriptKey_40FMScriptCatalog_40Draco_40_40QBE_5FNGAAVHBAbstractKey_402_40_5FN_40Z", \
      bool, (const Draco::FMScriptCatalog*, std::uint16_t, Draco::HBAbstractKey*, bool)) \
    X(FMScriptCatalog_GetScriptKey53, kScripts, 53, 54, 1, 0, kMember, \
      "?GetScriptKey@FMScriptCatalog@Draco@@QBE_NGAAVHBAbstractKey@2@W4FilterType@TypeFilter@12@_N@Z", \
      "msx__3FGetScriptKey_40FMScriptCatalog_40Draco_40_40QBE_5FNGAAVHBAbstractKey_402_40W4FilterType_40TypeFilter_4012_40_5FN_40Z", \
      bool, (const Draco::FMScriptCatalog*, std::uint16_t, Draco::HBAbstractKey*, std::int32_t, bool)) \
    X(FMScriptCatalog_GetScriptKey55, kScripts, 55, kMaxLevel, 1, 0, kMember, \
      "?GetScriptKey@FMScriptCatalog@Draco@@QBE_NGAAVHBAbstractKey@2@W4FilterType@DBTypeFilter@2@_N@Z", \
      "msx__3FGetScriptKey_40FMScriptCatalog_40Draco_40_40QBE_5FNGAAVHBAbstractKey_402_40W4FilterType_40DBTypeFilter_402_40_5FN_40Z", \
      bool, (const Draco::FMScriptCatalog*, std::uint16_t, Draco::HBAbstractKey*, std::int32_t, bool)) \
    X(FMLayout_GetLayoutCatalog, kLayouts, 0, kMaxLevel, 1, 0, kMember, \
      "?GetLayoutCatalog@FMLayout@Draco@@QBEAAVFMLayoutCatalog@2@XZ", \
      "msx__3FGetLayoutCatalog_40FMLayout_40Draco_40_40QBEAAVFMLayoutCatalog_402_40XZ", \
      Draco::FMLayoutCatalog*, (const Draco::FMLayout*)) \
    X(FMLayoutCatalog_GetLayoutKey, kLayouts, 0, kMaxLevel, 1, 0, kMember, \
      "?GetLayoutKey@FMLayoutCatalog@Draco@@QBE_NGAAVHBAbstractKey@2@_NPBVDBTableProxy@2@@Z", \
      "msx__3FGetLayoutKey_40FMLayoutCatalog_40Draco_40_40QBE_5FNGAAVHBAbstractKey_402_40_5FNPBVDBTableProxy_402_40_40Z", \
      bool, (const Draco::FMLayoutCatalog*, std::uint16_t, Draco::HBAbstractKey*, bool, const Draco::DBTableProxy*)) \
    X(FMLayoutCatalog_GetLayoutName, kLayouts, 0, 54, 1, 0, kMember, \
      "?GetLayoutName@FMLayoutCatalog@Draco@@QBE_NABVHBAbstractKey@2@AAVDBData@2@@Z", \
      "msx__3FGetLayoutName_40FMLayoutCatalog_40Draco_40_40QBE_5FNABVHBAbstractKey_402_40AAVDBData_402_40_40Z", \
      bool, (const Draco::FMLayoutCatalog*, const Draco::HBAbstractKey*, Draco::DBData*)) \
    X(FMLayoutCatalog_GetMemberName, kLayouts, 55, kMaxLevel, 1, 0, kMember, \
      "?GetMemberName@FMLayoutCatalog@Draco@@QBE_NABVHBAbstractKey@2@AAVDBData@2@@Z", \
      "msx__3FGetMemberName_40FMLayoutCatalog_40Draco_40_40QBE_5FNABVHBAbstractKey_402_40AAVDBData_402_40_40Z", \
      bool, (const Draco::FMLayoutCatalog*, const Draco::HBAbstractKey*, Draco::DBData*)) \
    X(FMLayoutCatalog_IsLayoutHidden, kLayouts, 0, kMaxLevel, 1, 0, kMember, \
      "?IsLayoutHidden@FMLayoutCatalog@Draco@@QBE_NABVHBAbstractKey@2@@Z", \
      "msx__3FIsLayoutHidden_40FMLayoutCatalog_40Draco_40_40QBE_5FNABVHBAbstractKey_402_40_40Z", \
      bool, (const Draco::FMLayoutCatalog*, const Draco::HBAbstractKey*)) \
    X(XMLWindow_GetHWND, kWindows, 0, kMaxLevel, 1, 0, kStatic, \
      "?GetHWND@XMLWindow@@SAPAUHWND__@@PAX@Z", \
      "msx__3FGetHWND_40XMLWindow_40_40SAPAUHWND_5F_5F_40_40PAX_40Z", \
      void*, (void*)) \
    X(XMLWindow_GetWTitle, kWindows, 0, kMaxLevel, 1, 0, kStatic, \
      "?GetWTitle@XMLWindow@@SAXPAXAAVunistring@Draco@@@Z", \
      "msx__3FGetWTitle_40XMLWindow_40_40SAXPAXAAVunistring_40Draco_40_40_40Z", \
      void, (void*, Draco::unistring*)) \
    X(XMLWindow_GetVisible, kWindows, 0, kMaxLevel, 1, 0, kStatic, \
      "?GetVisible@XMLWindow@@SA_NPAX@Z", \
      "msx__3FGetVisible_40XMLWindow_40_40SA_5FNPAX_40Z", \
      bool, (void*)) \
    X(XMLWindow_GetWRefCon, kWindows, 0, kMaxLevel, 1, 0, kStatic, \
      "?GetWRefCon@XMLWindow@@SAJPAX@Z", \
      "msx__3FGetWRefCon_40XMLWindow_40_40SAJPAX_40Z", \
      std::intptr_t, (void*)) \
    X(XMLWindow_FrontWindow, kWindows, 0, kMaxLevel, 1, 0, kStatic, \
      "?FrontWindow@XMLWindow@@SAPAXXZ", \
      "msx__3FFrontWindow_40XMLWindow_40_40SAPAXXZ", \
      void*, ()) \
    X(XMLWindow_GetNextWindowPtr, kWindows, 0, kMaxLevel, 1, 0, kStatic, \
      "?GetNextWindowPtr@XMLWindow@@SAPAXPAX@Z", \
      "msx__3FGetNextWindowPtr_40XMLWindow_40_40SAPAXPAX_40Z", \
      void*, (void*)) \
    X(XMLWindow_GetWindowKind, kWindows, 0, kMaxLevel, 1, 0, kStatic, \
      "?GetWindowKind@XMLWindow@@SAFPAX@Z", \
      "msx__3FGetWindowKind_40XMLWindow_40_40SAFPAX_40Z", \
      std::int16_t, (void*))

struct DracoSymbol {
    const char* id;
    HostGroup group;
    std::int32_t lo, hi, exLo, exHi;
    SymbolKind kind;
    const char* decorated;
    const char* escaped;

    constexpr bool ServesLevel(std::int32_t level) const { return LevelIn(level, lo, hi, exLo, exHi); }
};

// One type per operation: its signature and its table entry.
namespace sym {
#define PV_DRACO_SYMBOL_TYPE(id_, group_, lo_, hi_, exLo_, exHi_, kind_, decorated_, escaped_, result_, \
                             parameters_)                                                             \
    struct id_ {                                                                                      \
        using Fn = result_ parameters_;                                                               \
        static constexpr DracoSymbol entry{#id_,    HostGroup::group_, lo_, hi_, exLo_, exHi_,        \
                                           SymbolKind::kind_, decorated_, escaped_};                  \
    };                                                                                                \
    static_assert(MatchesEscaped(decorated_, escaped_), "escaped name of " #id_ " is wrong");
PV_DRACO_SYMBOLS(PV_DRACO_SYMBOL_TYPE)
#undef PV_DRACO_SYMBOL_TYPE
} // namespace sym

#define PV_DRACO_SYMBOL_ENTRY(id_, ...) sym::id_::entry,
inline constexpr DracoSymbol kDracoSymbols[] = {PV_DRACO_SYMBOLS(PV_DRACO_SYMBOL_ENTRY)};
#undef PV_DRACO_SYMBOL_ENTRY

} // namespace fmapi
