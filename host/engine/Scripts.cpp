// Script operations (FMScript below API level 54, FMEngine from 54): empty
// catalogs.
#include "Engine.h"

Draco::FMScriptCatalog* FMScript_GetScriptCatalog(const Draco::FMScript*)
{
    PV_ENGINE_CHECK(FMScript_GetScriptCatalog);
    return nullptr;
}

bool FMScriptCatalog_GetScriptName(const Draco::FMScriptCatalog*, const Draco::HBAbstractKey*, Draco::DBData*)
{
    PV_ENGINE_CHECK(FMScriptCatalog_GetScriptName);
    return false;
}

bool FMScriptCatalog_GetMemberName(const Draco::FMScriptCatalog*, const Draco::HBAbstractKey*, Draco::DBData*)
{
    PV_ENGINE_CHECK(FMScriptCatalog_GetMemberName);
    return false;
}

bool FMScriptCatalog_GetScriptKey52(const Draco::FMScriptCatalog*, std::uint16_t, Draco::HBAbstractKey*, bool)
{
    PV_ENGINE_CHECK(FMScriptCatalog_GetScriptKey52);
    return false;
}

bool FMScriptCatalog_GetScriptKey53(const Draco::FMScriptCatalog*, std::uint16_t, Draco::HBAbstractKey*,
                                    std::int32_t, bool)
{
    PV_ENGINE_CHECK(FMScriptCatalog_GetScriptKey53);
    return false;
}

bool FMScriptCatalog_GetScriptKey55(const Draco::FMScriptCatalog*, std::uint16_t, Draco::HBAbstractKey*,
                                    std::int32_t, bool)
{
    PV_ENGINE_CHECK(FMScriptCatalog_GetScriptKey55);
    return false;
}
