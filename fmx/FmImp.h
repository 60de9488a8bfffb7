// The implementation objects behind the handles of fmx/DbHandles.h, one per
// class of host objects, created by AccessMgr under their class ids. Their
// operations take the handle's pointer; the last ones of each class are the
// host's bound operations they build on (fmx/HostBinding.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "fmx/AccessMgr.h"
#include "fmx/DbHandles.h"
#include "fmx/FMWrapper.h"

namespace fmx {

// The implementation object of a class; std::invalid_argument ("invalid
// implementation class id") when AccessMgr holds none of that class.
template <class Imp>
Imp& ImpOf()
{
    Imp* imp = dynamic_cast<Imp*>(&AccessMgr::GetInstance().GetImp(Imp::kClassId));
    if (!imp)
        throw std::invalid_argument("invalid implementation class id");
    return *imp;
}

class FmSessionImp : public FmClassImp<FmSession> {
public:
    FmSessionImp();

    virtual Draco::DBSession* GetCurrentSession();
    virtual std::string GetName(Draco::DBSession* session);
    virtual Database FindDatabase(Draco::DBSession* session, const FilePath& location);
    virtual Database FindDatabaseByName(Draco::DBSession* session, const char* name, std::size_t length,
                                        bool ignoreExtension);
    virtual void EnumDatabases(Draco::DBSession* session, EnumCallback<Database> callback);
    virtual NativeWindow GetHostMainWindow(Draco::DBSession* session, bool refresh);
    virtual DbWindow FindWindow(Draco::DBSession* session, const char* name, std::size_t length);
    virtual void EnumWindows(Draco::DBSession* session, EnumCallback<DbWindow> callback);
    virtual Database GetCurrentDatabase(Draco::DBSession* session);
    virtual bool IsIdle(Draco::DBSession* session);
    virtual bool IsHostBlocked(Draco::DBSession* session);
    virtual std::int32_t GetScriptParameter(Draco::DBSession* session, Data& result);
    virtual DbScript GetRunningScript(Draco::DBSession* session);
    virtual DbScript GetRunningScriptChecked(Draco::DBSession* session);
    virtual bool IsScriptPaused(Draco::DBSession* session);
    // The script runtime while "Get( ScriptName )" names a script; with
    // `skipPaused` a paused runtime counts as none.
    virtual Draco::ScriptRuntimeBase* GetActiveScriptRuntime(Draco::DBSession* session, bool skipPaused);
    virtual DbScript GetScriptOfRuntime(Draco::ScriptRuntimeBase* runtime);

    virtual Draco::DBSession* GetSessionFromID(std::uint32_t id);
    virtual const Draco::unistring* GetSessionName(const Draco::DBSession* session);
    virtual Draco::ScriptRuntimeBase* GetScriptRuntime(const Draco::DBSession* session);

private:
    // Evaluates `expression` in the current environment (host callback #11):
    // 0, 1 when the host fails, 2 when memory runs out.
    std::int32_t EvaluateCurrent(const char* expression, Data& result);

    ExprEnv env_;
};

class FmDatabaseImp : public FmClassImp<FmDatabase> {
public:
    virtual std::string GetName(Draco::FMFileUser* file);
    virtual FilePath GetFilePath(Draco::FMFileUser* file);
    virtual std::string GetPathText(Draco::FMFileUser* file);
    virtual DbWindow FindWindow(Draco::FMFileUser* file, const char* name, std::size_t length);
    virtual void EnumWindows(Draco::FMFileUser* file, EnumCallback<DbWindow> callback);
    virtual DbLayout FindLayout(Draco::FMFileUser* file, const char* name, std::size_t length);
    virtual void EnumLayouts(Draco::FMFileUser* file, EnumCallback<DbLayout> callback);
    virtual DbScript FindScript(Draco::FMFileUser* file, const char* name, std::size_t length);
    virtual void EnumScripts(Draco::FMFileUser* file, EnumCallback<DbScript> callback);
    virtual DbWindow GetDefaultWindow(Draco::FMFileUser* file);

    virtual Draco::FMLayoutCatalog* GetLayoutCatalog(const Draco::FMFileUser* file);
    virtual Draco::FMScriptCatalog* GetScriptCatalog(const Draco::FMFileUser* file);
    virtual const Draco::UniversalPath* GetUniversalPath(const Draco::FMFileUser* file);
    virtual Draco::FMWindowModel* GetDefaultWindowModel(const Draco::FMFileUser* file);
};

class FmWindowImp : public FmClassImp<FmWindow> {
public:
    virtual DbWindow GetFirst();
    virtual DbWindow FromHWND(NativeWindow platform);
    virtual DbWindow GetNext(void* window);
    virtual std::string GetName(void* window);
    virtual std::int32_t GetState(void* window);
    virtual std::int32_t GetUserMode(void* window);
    virtual NativeWindow GetHWND(void* window);
    virtual Draco::FMWindowModel* GetModel(void* window);
    virtual Database GetDatabase(void* window);
    virtual DbLayout GetLayout(void* window);
    virtual bool GetModelFlag(void* window);
    virtual void SetWindowAttribute(void* window, bool flag);

    // Platform primitives.
    virtual void* FrontDocumentWindow();
    virtual void* FindByPlatformHandle(NativeWindow platform);
    virtual void* NextDocumentWindow(void* window);
    virtual std::int32_t PlatformState(void* window);
    virtual Draco::FMWindowModel* PlatformModel(void* window);
    virtual NativeWindow PlatformHandle(void* window);
    virtual void SetPlatformAttribute(void* window, bool flag);
    virtual std::string PlatformTitle(void* window);
    virtual Draco::FMFileUser* ModelFileUser(Draco::FMWindowModel* model);
    virtual std::int32_t ModelUserMode(const Draco::FMWindowModel* model);
    virtual bool ModelFlag(const Draco::FMWindowModel* model);
    virtual std::string ModelWindowName(const Draco::FMWindowModel* model);
    virtual const Draco::FMLayout* ModelLayout(const Draco::FMWindowModel* model);

private:
    // A window the host counts as a document window at its API level.
    bool IsDocumentWindow(void* window);
    void* FirstDocumentFrom(void* window);
};

// Keys of catalog members, kept per file until the implementation object
// goes; handles point at them.
class CatalogKeys {
public:
    const CatalogMember* Keep(Draco::FMFileUser* file, const Draco::HBAbstractKey& key);
    std::size_t Count() const { return members_.size(); }

private:
    std::set<CatalogMember> members_;
};

// Catalog walks stop here: the host numbers members with 16 bits.
constexpr std::uint32_t kLastCatalogIndex = 0xFFFF;

class FmLayoutImp : public FmClassImp<FmLayout> {
public:
    virtual std::string GetName(const CatalogMember* layout);
    virtual bool IsHidden(const CatalogMember* layout);
    virtual Database GetDatabase(const CatalogMember* layout);

    virtual const Draco::DBFileUser* GetFileUser(const Draco::FMLayoutCatalog* catalog);
    virtual std::uint32_t GetMemberCount(const Draco::FMLayoutCatalog* catalog);
    virtual bool GetLayoutKey(const Draco::FMLayoutCatalog* catalog, std::uint16_t index, Draco::HBAbstractKey& key);
    virtual bool GetLayoutName(const Draco::FMLayoutCatalog* catalog, const Draco::HBAbstractKey& key, Data& name);
    virtual bool IsLayoutHidden(const Draco::FMLayoutCatalog* catalog, const Draco::HBAbstractKey& key);

    // Every layout of the file by index, until the callback stops.
    void Walk(Draco::FMFileUser* file, EnumCallback<DbLayout> callback);
    const CatalogKeys& Keys() const { return keys_; }

private:
    CatalogKeys keys_;
};

class FmScriptImp : public FmClassImp<FmScript> {
public:
    virtual std::string GetName(const CatalogMember* script);
    virtual Database GetDatabase(const CatalogMember* script);
    virtual std::int16_t Perform(const CatalogMember* script, std::uint8_t control, const FMData* parameter);

    virtual const Draco::DBFileUser* GetFileUser(const Draco::FMScriptCatalog* catalog);
    virtual std::uint32_t GetMemberCount(const Draco::FMScriptCatalog* catalog);
    virtual bool GetScriptKey(const Draco::FMScriptCatalog* catalog, std::uint16_t index, Draco::HBAbstractKey& key);
    virtual bool GetScriptName(const Draco::FMScriptCatalog* catalog, const Draco::HBAbstractKey& key, Data& name);

    // Every script of the file by index, until the callback stops.
    void Walk(Draco::FMFileUser* file, EnumCallback<DbScript> callback);
    // The handle of a script the host names by its object (its catalog and
    // the key it begins with).
    DbScript FromObject(const Draco::FMScript* script);
    const CatalogKeys& Keys() const { return keys_; }

private:
    CatalogKeys keys_;
};

// The file of an expression environment (its first word); none for a null
// environment.
Database DatabaseOfEnvironment(const FMExprEnv* env);

} // namespace fmx
