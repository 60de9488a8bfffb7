// FMEngine's members on the user model, the scripts and the layouts: the
// files' catalogs and default windows, the session's script runtime. A
// script call runs nothing: it is written to the world's journal.
#include <stdexcept>

#include "HostObjects.h"

namespace {

constexpr std::int32_t kNoWindow = 1;
constexpr std::int32_t kScriptMissing = 104;

Draco::DBError PerformScript(Draco::FMWindowModel& window, const Draco::HBSerialKey<5>& script,
                             const Draco::DBData* parameter, std::uint16_t control)
{
    hostworld::World& world = framework::World();
    if (world.ScriptCallsFail())
        throw std::runtime_error("the host failed the script call");
    if (!window.file)
        return Draco::DBError{kNoWindow};
    // A script's serial key has the layout of any catalog key.
    const Draco::FMScript* found = window.file->scripts.WithKey(reinterpret_cast<const Draco::HBAbstractKey*>(&script));
    if (!found)
        return Draco::DBError{kScriptMissing};
    world.Record("performed \"" + hostworld::ToUtf8(window.file->name) + "\" \"" + hostworld::ToUtf8(found->name) +
                 "\" param \"" + hostworld::TextOf(parameter) + "\" control " + std::to_string(control) +
                 " window \"" + hostworld::ToUtf8(window.name.text) + "\"");
    return Draco::DBError{fmapi::kDracoNoError};
}

} // namespace

namespace Draco {

// ---- catalogs

unsigned long DBCatalog::GetMemberCount() const
{
    PV_FW_CHECK(DBCatalog_GetMemberCount);
    return memberCount;
}

// The flag would count the members of every kind; the catalogs here hold one.
unsigned long DBCatalog::GetMemberCount(bool) const
{
    PV_FW_CHECK(DBCatalog_GetMemberCount55);
    return memberCount;
}

bool FMLayoutCatalog::IsLayoutHidden(const HBAbstractKey& key) const
{
    PV_FW_CHECK(FMLayoutCatalog_IsLayoutHidden);
    const FMLayout* layout = WithKey(&key);
    return layout && layout->hidden;
}

bool FMLayoutCatalog::GetLayoutName(const HBAbstractKey& key, DBData& name) const
{
    PV_FW_CHECK(FMLayoutCatalog_GetLayoutName);
    return framework::NameOf(*this, key, name);
}

bool FMLayoutCatalog::GetMemberName(const HBAbstractKey& key, DBData& name) const
{
    PV_FW_CHECK(FMLayoutCatalog_GetMemberName);
    return framework::NameOf(*this, key, name);
}

bool FMLayoutCatalog::GetLayoutKey(std::uint16_t index, HBAbstractKey& key, bool, const DBTableProxy*) const
{
    PV_FW_CHECK(FMLayoutCatalog_GetLayoutKey);
    return framework::KeyAt(*this, index, key);
}

bool FMScriptCatalog::GetScriptName(const HBAbstractKey& key, DBData& name) const
{
    PV_FW_CHECK(FMScriptCatalog_GetScriptName);
    return framework::NameOf(*this, key, name);
}

bool FMScriptCatalog::GetMemberName(const HBAbstractKey& key, DBData& name) const
{
    PV_FW_CHECK(FMScriptCatalog_GetMemberName);
    return framework::NameOf(*this, key, name);
}

bool FMScriptCatalog::GetScriptKey(std::uint16_t index, HBAbstractKey& key, bool) const
{
    PV_FW_CHECK(FMScriptCatalog_GetScriptKey52);
    return framework::KeyAt(*this, index, key);
}

// Filter 0 takes scripts of every kind; the catalogs here hold only scripts.
bool FMScriptCatalog::GetScriptKey(std::uint16_t index, HBAbstractKey& key, TypeFilter::FilterType filter,
                                   bool) const
{
    PV_FW_CHECK(FMScriptCatalog_GetScriptKey53);
    return filter == TypeFilter::kAllTypes && framework::KeyAt(*this, index, key);
}

bool FMScriptCatalog::GetScriptKey(std::uint16_t index, HBAbstractKey& key, DBTypeFilter::FilterType filter,
                                   bool) const
{
    PV_FW_CHECK(FMScriptCatalog_GetScriptKey55);
    return filter == DBTypeFilter::kAllTypes && framework::KeyAt(*this, index, key);
}

// ---- files

FMWindowModel* FMFileUser::GetDefaultWindow() const
{
    PV_FW_CHECK(FMFileUser_GetDefaultWindow);
    return defaultWindow;
}

FMScriptCatalog& FMFileUser::GetScriptCatalog() const
{
    PV_FW_CHECK(FMFileUser_GetScriptCatalog);
    return const_cast<FMScriptCatalog&>(scripts);
}

FMLayoutCatalog& FMFileUser::GetLayoutCatalog() const
{
    PV_FW_CHECK(FMFileUser_GetLayoutCatalog);
    return const_cast<FMLayoutCatalog&>(layouts);
}

// ---- the session and its script runtime

ScriptRuntimeBase& FMSession::GetScriptRuntime() const
{
    PV_FW_CHECK(FMSession_GetScriptRuntime);
    return const_cast<ScriptRuntimeBase&>(runtime);
}

// Windows are not opened here.
FMWindowModel* FMSession::OpenWindow(FMFileUser&, bool, bool)
{
    PV_FW_CHECK(FMSession_OpenWindow53);
    return nullptr;
}

FMWindowModel* FMSession::OpenWindow(const FMFileUser&, bool, bool)
{
    PV_FW_CHECK(FMSession_OpenWindow54);
    return nullptr;
}

// The script object of the macOS host: laid out for the level, apart from
// the world's own.
const FMScript* ScriptRuntimeBase::GetScript() const
{
    PV_FW_CHECK(ScriptRuntimeBase_GetScript);
    return script ? reinterpret_cast<const FMScript*>(script->macObject) : nullptr;
}

DBError ScriptRuntimeBase::CallScript(FMWindowModel& window, const HBSerialKey<5>& script, const DBData* parameter,
                                      bool, bool, std::uint16_t control, bool)
{
    PV_FW_CHECK(ScriptRuntimeBase_CallScript53);
    return PerformScript(window, script, parameter, control);
}

DBError ScriptRuntimeBase::CallScript(FMWindowModel& window, const HBSerialKey<5>& script, const DBData* parameter,
                                      std::uint16_t control, bool, TriggerState*)
{
    PV_FW_CHECK(ScriptRuntimeBase_CallScript54);
    return PerformScript(window, script, parameter, control);
}

DBError ScriptRuntimeBase::CallScript(FMWindowModel& window, const HBSerialKey<5>& script, DBData* parameter,
                                      std::uint16_t control, bool, TriggerState*)
{
    PV_FW_CHECK(ScriptRuntimeBase_CallScript55);
    return PerformScript(window, script, parameter, control);
}

} // namespace Draco
