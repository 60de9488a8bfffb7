// Layout operations (FMLayout below API level 54, FMEngine from 54): the
// files' layout catalogs, whose members are found by index and by key.
#include "Engine.h"

Draco::FMLayoutCatalog* FMLayout_GetLayoutCatalog(const Draco::FMLayout* self)
{
    PV_ENGINE_CHECK(FMLayout_GetLayoutCatalog);
    return self ? static_cast<Draco::FMLayoutCatalog*>(self->catalog) : nullptr;
}

bool FMLayoutCatalog_GetLayoutKey(const Draco::FMLayoutCatalog* self, std::uint16_t index, Draco::HBAbstractKey* key,
                                  bool, const Draco::DBTableProxy*)
{
    PV_ENGINE_CHECK(FMLayoutCatalog_GetLayoutKey);
    return engine::KeyAt(self, index, key);
}

bool FMLayoutCatalog_GetLayoutName(const Draco::FMLayoutCatalog* self, const Draco::HBAbstractKey* key,
                                   Draco::DBData* name)
{
    PV_ENGINE_CHECK(FMLayoutCatalog_GetLayoutName);
    return engine::NameOf(self, key, name);
}

bool FMLayoutCatalog_GetMemberName(const Draco::FMLayoutCatalog* self, const Draco::HBAbstractKey* key,
                                   Draco::DBData* name)
{
    PV_ENGINE_CHECK(FMLayoutCatalog_GetMemberName);
    return engine::NameOf(self, key, name);
}

bool FMLayoutCatalog_IsLayoutHidden(const Draco::FMLayoutCatalog* self, const Draco::HBAbstractKey* key)
{
    PV_ENGINE_CHECK(FMLayoutCatalog_IsLayoutHidden);
    const Draco::FMLayout* layout = self ? self->WithKey(key) : nullptr;
    return layout && layout->hidden;
}
