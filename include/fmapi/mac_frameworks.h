// The operations of the macOS host's frameworks that a plug-in binds by
// symbol name, shared by the plug-in (which looks them up) and the frameworks
// (which define them as members of real C++ classes in namespace Draco, so
// that the compiler gives them these names).
//
// One table lists each operation with its framework, the host API levels it
// serves, its kind (member function, static function or data), its Mach-O
// symbol name and its C++ signature as the name demangles. A Mach-O name has
// one more leading "_" than the ELF name ("__ZN5Draco..." is "_ZN5Draco..."
// in the library). Return types are not part of a name: the frameworks'
// declarations give them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fmapi {
namespace mac {

enum class Framework : int {
    kFMEngine,
    kDBEngine,
    kSupport,
    kMSLRuntime,
    kFMWrapper,   // the plug-in interface library
    // Chosen by the host API level: FMEngine below 51, then their own.
    kHostDB,
    kHostSupport,
};

enum class Kind : int { kMember, kStatic, kData };

constexpr std::int32_t kMaxLevel = 0x7FFF;

// The level from which the database and support classes have frameworks of
// their own.
constexpr std::int32_t kSplitFrameworksLevel = 51;

constexpr Framework ChosenFramework(Framework framework, std::int32_t level)
{
    if (framework == Framework::kHostDB)
        return level < kSplitFrameworksLevel ? Framework::kFMEngine : Framework::kDBEngine;
    if (framework == Framework::kHostSupport)
        return level < kSplitFrameworksLevel ? Framework::kFMEngine : Framework::kSupport;
    return framework;
}

constexpr const char* FrameworkName(Framework framework)
{
    switch (framework) {
    case Framework::kFMEngine: return "FMEngine";
    case Framework::kDBEngine: return "DBEngine";
    case Framework::kSupport: return "Support";
    case Framework::kMSLRuntime: return "MSLRuntime";
    case Framework::kFMWrapper: return "FMWrapper";
    case Framework::kHostDB: return "HostDB";
    case Framework::kHostSupport: return "HostSupport";
    }
    return "";
}

// X(id, framework, lo, hi, kind, Mach-O name, signature)
#define PV_MAC_SYMBOLS(X) \
    X(DBSession_OpenFileUser50, kHostDB, 0, 50, kMember, \
      "__ZN5Draco9DBSession12OpenFileUserERNS_16RefCountedObjPtrINS_10DBFileUserEEERKNSt6vectorINS_13UniversalPathESaIS6_EEEPKS2_RNS_20DBAuthenticationInfoEb", \
      "Draco::DBSession::OpenFileUser(Draco::RefCountedObjPtr<Draco::DBFileUser>&, std::vector<Draco::UniversalPath, std::allocator<Draco::UniversalPath> > const&, Draco::DBFileUser const*, Draco::DBAuthenticationInfo&, bool)") \
    X(DBSession_OpenFileUser51, kHostDB, 51, 53, kMember, \
      "__ZN5Draco9DBSession12OpenFileUserERNS_16RefCountedObjPtrINS_10DBFileUserEEERKSt6vectorINS_13UniversalPathESaIS6_EEPKS2_RKNS_20DBAuthenticationInfoEb", \
      "Draco::DBSession::OpenFileUser(Draco::RefCountedObjPtr<Draco::DBFileUser>&, std::vector<Draco::UniversalPath, std::allocator<Draco::UniversalPath> > const&, Draco::DBFileUser const*, Draco::DBAuthenticationInfo const&, bool)") \
    X(DBSession_OpenFileUser54, kHostDB, 54, kMaxLevel, kMember, \
      "__ZN5Draco9DBSession12OpenFileUserERNS_16RefCountedObjPtrINS_10DBFileUserEEERKSt6vectorINS_13UniversalPathESaIS6_EEPKS2_RKNS_20DBAuthenticationInfoEm", \
      "Draco::DBSession::OpenFileUser(Draco::RefCountedObjPtr<Draco::DBFileUser>&, std::vector<Draco::UniversalPath, std::allocator<Draco::UniversalPath> > const&, Draco::DBFileUser const*, Draco::DBAuthenticationInfo const&, unsigned long)") \
    X(DBFontMapper_GetFontName, kHostDB, 0, kMaxLevel, kMember, \
      "__ZNK5Draco12DBFontMapper11GetFontNameEt", \
      "Draco::DBFontMapper::GetFontName(unsigned short) const") \
    X(DBCatalog_GetMemberCount, kFMEngine, 0, 54, kMember, \
      "__ZNK5Draco9DBCatalog14GetMemberCountEv", \
      "Draco::DBCatalog::GetMemberCount() const") \
    X(DBCatalog_GetMemberCount55, kFMEngine, 55, kMaxLevel, kMember, \
      "__ZNK5Draco9DBCatalog14GetMemberCountEb", \
      "Draco::DBCatalog::GetMemberCount(bool) const") \
    X(FMFileUser_GetDefaultWindow, kFMEngine, 0, kMaxLevel, kMember, \
      "__ZNK5Draco10FMFileUser16GetDefaultWindowEv", \
      "Draco::FMFileUser::GetDefaultWindow() const") \
    X(FMFileUser_GetScriptCatalog, kFMEngine, 0, kMaxLevel, kMember, \
      "__ZNK5Draco10FMFileUser16GetScriptCatalogEv", \
      "Draco::FMFileUser::GetScriptCatalog() const") \
    X(FMFileUser_GetLayoutCatalog, kFMEngine, 0, kMaxLevel, kMember, \
      "__ZNK5Draco10FMFileUser16GetLayoutCatalogEv", \
      "Draco::FMFileUser::GetLayoutCatalog() const") \
    X(FMLayoutCatalog_IsLayoutHidden, kFMEngine, 0, kMaxLevel, kMember, \
      "__ZNK5Draco15FMLayoutCatalog14IsLayoutHiddenERKNS_13HBAbstractKeyE", \
      "Draco::FMLayoutCatalog::IsLayoutHidden(Draco::HBAbstractKey const&) const") \
    X(FMLayoutCatalog_GetLayoutName, kFMEngine, 0, 54, kMember, \
      "__ZNK5Draco15FMLayoutCatalog13GetLayoutNameERKNS_13HBAbstractKeyERNS_6DBDataE", \
      "Draco::FMLayoutCatalog::GetLayoutName(Draco::HBAbstractKey const&, Draco::DBData&) const") \
    X(FMLayoutCatalog_GetMemberName, kFMEngine, 55, kMaxLevel, kMember, \
      "__ZNK5Draco15FMLayoutCatalog13GetMemberNameERKNS_13HBAbstractKeyERNS_6DBDataE", \
      "Draco::FMLayoutCatalog::GetMemberName(Draco::HBAbstractKey const&, Draco::DBData&) const") \
    X(FMLayoutCatalog_GetLayoutKey, kFMEngine, 0, kMaxLevel, kMember, \
      "__ZNK5Draco15FMLayoutCatalog12GetLayoutKeyEtRNS_13HBAbstractKeyEbPKNS_12DBTableProxyE", \
      "Draco::FMLayoutCatalog::GetLayoutKey(unsigned short, Draco::HBAbstractKey&, bool, Draco::DBTableProxy const*) const") \
    X(FMScriptCatalog_GetScriptName, kFMEngine, 0, 54, kMember, \
      "__ZNK5Draco15FMScriptCatalog13GetScriptNameERKNS_13HBAbstractKeyERNS_6DBDataE", \
      "Draco::FMScriptCatalog::GetScriptName(Draco::HBAbstractKey const&, Draco::DBData&) const") \
    X(FMScriptCatalog_GetMemberName, kFMEngine, 55, kMaxLevel, kMember, \
      "__ZNK5Draco15FMScriptCatalog13GetMemberNameERKNS_13HBAbstractKeyERNS_6DBDataE", \
      "Draco::FMScriptCatalog::GetMemberName(Draco::HBAbstractKey const&, Draco::DBData&) const") \
    X(FMScriptCatalog_GetScriptKey52, kFMEngine, 0, 52, kMember, \
      "__ZNK5Draco15FMScriptCatalog12GetScriptKeyEtRNS_13HBAbstractKeyEb", \
      "Draco::FMScriptCatalog::GetScriptKey(unsigned short, Draco::HBAbstractKey&, bool) const") \
    X(FMScriptCatalog_GetScriptKey53, kFMEngine, 53, 54, kMember, \
      "__ZNK5Draco15FMScriptCatalog12GetScriptKeyEtRNS_13HBAbstractKeyENS0_10TypeFilter10FilterTypeEb", \
      "Draco::FMScriptCatalog::GetScriptKey(unsigned short, Draco::HBAbstractKey&, Draco::FMScriptCatalog::TypeFilter::FilterType, bool) const") \
    X(FMScriptCatalog_GetScriptKey55, kFMEngine, 55, kMaxLevel, kMember, \
      "__ZNK5Draco15FMScriptCatalog12GetScriptKeyEtRNS_13HBAbstractKeyENS_12DBTypeFilter10FilterTypeEb", \
      "Draco::FMScriptCatalog::GetScriptKey(unsigned short, Draco::HBAbstractKey&, Draco::DBTypeFilter::FilterType, bool) const") \
    X(ScriptRuntimeBase_GetScript, kFMEngine, 0, kMaxLevel, kMember, \
      "__ZNK5Draco17ScriptRuntimeBase9GetScriptEv", \
      "Draco::ScriptRuntimeBase::GetScript() const") \
    X(FMSession_GetScriptRuntime, kFMEngine, 0, kMaxLevel, kMember, \
      "__ZNK5Draco9FMSession16GetScriptRuntimeEv", \
      "Draco::FMSession::GetScriptRuntime() const") \
    X(ScriptRuntimeBase_CallScript53, kFMEngine, 0, 53, kMember, \
      "__ZN5Draco17ScriptRuntimeBase10CallScriptERNS_13FMWindowModelERKNS_11HBSerialKeyILh5EEEPKNS_6DBDataEbbtb", \
      "Draco::ScriptRuntimeBase::CallScript(Draco::FMWindowModel&, Draco::HBSerialKey<(unsigned char)5> const&, Draco::DBData const*, bool, bool, unsigned short, bool)") \
    X(ScriptRuntimeBase_CallScript54, kFMEngine, 54, 54, kMember, \
      "__ZN5Draco17ScriptRuntimeBase10CallScriptERNS_13FMWindowModelERKNS_11HBSerialKeyILh5EEEPKNS_6DBDataEtbPNS_12TriggerStateE", \
      "Draco::ScriptRuntimeBase::CallScript(Draco::FMWindowModel&, Draco::HBSerialKey<(unsigned char)5> const&, Draco::DBData const*, unsigned short, bool, Draco::TriggerState*)") \
    X(ScriptRuntimeBase_CallScript55, kFMEngine, 55, kMaxLevel, kMember, \
      "__ZN5Draco17ScriptRuntimeBase10CallScriptERNS_13FMWindowModelERKNS_11HBSerialKeyILh5EEEPNS_6DBDataEtbPNS_12TriggerStateE", \
      "Draco::ScriptRuntimeBase::CallScript(Draco::FMWindowModel&, Draco::HBSerialKey<(unsigned char)5> const&, Draco::DBData*, unsigned short, bool, Draco::TriggerState*)") \
    X(FMSession_OpenWindow53, kFMEngine, 0, 53, kMember, \
      "__ZN5Draco9FMSession10OpenWindowERNS_10FMFileUserEbb", \
      "Draco::FMSession::OpenWindow(Draco::FMFileUser&, bool, bool)") \
    X(FMSession_OpenWindow54, kFMEngine, 54, kMaxLevel, kMember, \
      "__ZN5Draco9FMSession10OpenWindowERKNS_10FMFileUserEbb", \
      "Draco::FMSession::OpenWindow(Draco::FMFileUser const&, bool, bool)") \
    X(Error_SetErrorIndex, kHostSupport, 0, 50, kMember, \
      "__ZN5Draco5Error13SetErrorIndexEt", \
      "Draco::Error::SetErrorIndex(unsigned short)") \
    X(Error_SetErrorIndexInternal, kHostSupport, 51, kMaxLevel, kMember, \
      "__ZN5Draco5Error21SetErrorIndexInternalEt", \
      "Draco::Error::SetErrorIndexInternal(unsigned short)") \
    X(FilePlatformSpec_Set, kHostSupport, 0, kMaxLevel, kMember, \
      "__ZN5Draco16FilePlatformSpec3SetEPK5FSRef", \
      "Draco::FilePlatformSpec::Set(FSRef const*)") \
    X(FilePlatformSpec_GetFileRef, kHostSupport, 0, kMaxLevel, kMember, \
      "__ZNK5Draco16FilePlatformSpec10GetFileRefEP5FSRef", \
      "Draco::FilePlatformSpec::GetFileRef(FSRef*) const") \
    X(unistring_Ctor, kHostSupport, 51, kMaxLevel, kMember, \
      "__ZN5Draco9unistringC1Ev", \
      "Draco::unistring::unistring()") \
    X(unistring_CopyCtor, kHostSupport, 51, kMaxLevel, kMember, \
      "__ZN5Draco9unistringC1ERKS0_", \
      "Draco::unistring::unistring(Draco::unistring const&)") \
    X(unistring_Dtor, kHostSupport, 51, kMaxLevel, kMember, \
      "__ZN5Draco9unistringD1Ev", \
      "Draco::unistring::~unistring()") \
    X(unistring_ConvertFromNonUnichars, kHostSupport, 0, kMaxLevel, kMember, \
      "__ZN5Draco9unistring22ConvertFromNonUnicharsEPKcmN7Unicode8EncodingE", \
      "Draco::unistring::ConvertFromNonUnichars(char const*, unsigned long, Unicode::Encoding)") \
    X(unistring_ConvertToNonUnichars, kHostSupport, 0, kMaxLevel, kMember, \
      "__ZNK5Draco9unistring20ConvertToNonUnicharsEPcPmN7Unicode8EncodingE", \
      "Draco::unistring::ConvertToNonUnichars(char*, unsigned long*, Unicode::Encoding) const") \
    X(UniversalPath_Set, kHostSupport, 0, kMaxLevel, kMember, \
      "__ZN5Draco13UniversalPath3SetERKNS_16FilePlatformSpecE", \
      "Draco::UniversalPath::Set(Draco::FilePlatformSpec const&)") \
    X(UniversalPath_MakePlatformSpec, kHostSupport, 0, kMaxLevel, kMember, \
      "__ZNK5Draco13UniversalPath16MakePlatformSpecERNS_16FilePlatformSpecEN7Unicode8EncodingEbb", \
      "Draco::UniversalPath::MakePlatformSpec(Draco::FilePlatformSpec&, Unicode::Encoding, bool, bool) const") \
    X(DBSession_GetSessionFromID, kFMEngine, 0, kMaxLevel, kStatic, \
      "__ZN5Draco9DBSession16GetSessionFromIDEm", \
      "Draco::DBSession::GetSessionFromID(unsigned long)") \
    X(kSupport_EmptyUniversalPath, kFMEngine, 0, kMaxLevel, kData, \
      "__ZN5Draco27kSupport_EmptyUniversalPathE", \
      "Draco::kSupport_EmptyUniversalPath") \
    X(OperatorNew, kMSLRuntime, 0, 50, kStatic, \
      "__Znwm", \
      "operator new(unsigned long)") \
    X(OperatorDelete, kMSLRuntime, 0, 50, kStatic, \
      "__ZdlPv", \
      "operator delete(void*)") \
    X(FM_ExprEnv_ExecuteSQL, kFMWrapper, 51, kMaxLevel, kStatic, \
      "_FM_ExprEnv_ExecuteSQL", \
      "FM_ExprEnv_ExecuteSQL(FMExprEnv const*, FMText const*, FMData*, char16_t, char16_t, FMError*)") \
    X(FM_BinaryData_AddSIZEData, kFMWrapper, 51, kMaxLevel, kStatic, \
      "_FM_BinaryData_AddSIZEData", \
      "FM_BinaryData_AddSIZEData(FMBinaryData*, short, short, FMError*)") \
    X(FM_BinaryData_GetSIZEData, kFMWrapper, 51, kMaxLevel, kStatic, \
      "_FM_BinaryData_GetSIZEData", \
      "FM_BinaryData_GetSIZEData(FMBinaryData const*, short*, short*, FMError*)") \
    X(FM_BinaryData_AddFNAMData, kFMWrapper, 51, kMaxLevel, kStatic, \
      "_FM_BinaryData_AddFNAMData", \
      "FM_BinaryData_AddFNAMData(FMBinaryData*, FMText const*, FMError*)") \
    X(FM_BinaryData_GetFNAMData, kFMWrapper, 51, kMaxLevel, kStatic, \
      "_FM_BinaryData_GetFNAMData", \
      "FM_BinaryData_GetFNAMData(FMBinaryData const*, FMText*, FMError*)") \
    X(FM_Data_GetFontID, kFMWrapper, 51, kMaxLevel, kStatic, \
      "_FM_Data_GetFontID", \
      "FM_Data_GetFontID(FMData const*, FMText const*, short, FMExprEnv const*, FMError*)") \
    X(FM_Data_GetFontInfo, kFMWrapper, 51, kMaxLevel, kStatic, \
      "_FM_Data_GetFontInfo", \
      "FM_Data_GetFontInfo(FMData const*, short, FMText*, short*, FMExprEnv const*, FMError*)")

struct Symbol {
    const char* id;
    Framework framework;
    std::int32_t lo, hi;
    Kind kind;
    const char* machO;
    const char* signature;

    constexpr bool ServesLevel(std::int32_t level) const { return level >= lo && level <= hi; }
    // The framework that defines it at a level.
    constexpr Framework FrameworkAt(std::int32_t level) const { return ChosenFramework(framework, level); }
    // The name in the ELF library: one leading "_" less.
    constexpr const char* ElfName() const { return machO[0] == '_' ? machO + 1 : machO; }
    // A C++ name (Itanium-mangled) rather than a plain C one.
    constexpr bool IsItanium() const { return std::string_view(machO).substr(0, 3) == "__Z"; }
};

// The index of each operation in kSymbols.
enum class SymbolId : std::size_t {
#define PV_MAC_SYMBOL_ID(id_, ...) id_,
    PV_MAC_SYMBOLS(PV_MAC_SYMBOL_ID)
#undef PV_MAC_SYMBOL_ID
};

#define PV_MAC_SYMBOL_ENTRY(id_, framework_, lo_, hi_, kind_, machO_, signature_) \
    Symbol{#id_, Framework::framework_, lo_, hi_, Kind::kind_, machO_, signature_},
inline constexpr Symbol kSymbols[] = {PV_MAC_SYMBOLS(PV_MAC_SYMBOL_ENTRY)};
#undef PV_MAC_SYMBOL_ENTRY

constexpr std::size_t kSymbolCount = sizeof(kSymbols) / sizeof(kSymbols[0]);

constexpr const Symbol& SymbolOf(SymbolId id) { return kSymbols[static_cast<std::size_t>(id)]; }

} // namespace mac
} // namespace fmapi
