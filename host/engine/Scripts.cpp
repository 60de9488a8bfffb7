// Script operations (FMScript below API level 54, FMEngine from 54): the
// files' script catalogs, whose members are found by index and by key.
#include "Engine.h"

Draco::FMScriptCatalog* FMScript_GetScriptCatalog(const Draco::FMScript* self)
{
    PV_ENGINE_CHECK(FMScript_GetScriptCatalog);
    return self ? static_cast<Draco::FMScriptCatalog*>(self->catalog) : nullptr;
}

bool FMScriptCatalog_GetScriptName(const Draco::FMScriptCatalog* self, const Draco::HBAbstractKey* key,
                                   Draco::DBData* name)
{
    PV_ENGINE_CHECK(FMScriptCatalog_GetScriptName);
    return engine::NameOf(self, key, name);
}

bool FMScriptCatalog_GetMemberName(const Draco::FMScriptCatalog* self, const Draco::HBAbstractKey* key,
                                   Draco::DBData* name)
{
    PV_ENGINE_CHECK(FMScriptCatalog_GetMemberName);
    return engine::NameOf(self, key, name);
}

bool FMScriptCatalog_GetScriptKey52(const Draco::FMScriptCatalog* self, std::uint16_t index,
                                    Draco::HBAbstractKey* key, bool)
{
    PV_ENGINE_CHECK(FMScriptCatalog_GetScriptKey52);
    return engine::KeyAt(self, index, key);
}

// Filter 0 takes scripts of every kind; the catalogs here hold only scripts.
bool FMScriptCatalog_GetScriptKey53(const Draco::FMScriptCatalog* self, std::uint16_t index,
                                    Draco::HBAbstractKey* key, std::int32_t filter, bool)
{
    PV_ENGINE_CHECK(FMScriptCatalog_GetScriptKey53);
    return filter == 0 && engine::KeyAt(self, index, key);
}

bool FMScriptCatalog_GetScriptKey55(const Draco::FMScriptCatalog* self, std::uint16_t index,
                                    Draco::HBAbstractKey* key, std::int32_t filter, bool)
{
    PV_ENGINE_CHECK(FMScriptCatalog_GetScriptKey55);
    return filter == 0 && engine::KeyAt(self, index, key);
}
