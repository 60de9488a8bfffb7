// Layout operations (FMLayout below API level 54, FMEngine from 54): empty
// catalogs.
#include "Engine.h"

Draco::FMLayoutCatalog* FMLayout_GetLayoutCatalog(const Draco::FMLayout*)
{
    PV_ENGINE_CHECK(FMLayout_GetLayoutCatalog);
    return nullptr;
}

bool FMLayoutCatalog_GetLayoutKey(const Draco::FMLayoutCatalog*, std::uint16_t, Draco::HBAbstractKey*, bool,
                                  const Draco::DBTableProxy*)
{
    PV_ENGINE_CHECK(FMLayoutCatalog_GetLayoutKey);
    return false;
}

bool FMLayoutCatalog_GetLayoutName(const Draco::FMLayoutCatalog*, const Draco::HBAbstractKey*, Draco::DBData*)
{
    PV_ENGINE_CHECK(FMLayoutCatalog_GetLayoutName);
    return false;
}

bool FMLayoutCatalog_GetMemberName(const Draco::FMLayoutCatalog*, const Draco::HBAbstractKey*, Draco::DBData*)
{
    PV_ENGINE_CHECK(FMLayoutCatalog_GetMemberName);
    return false;
}

bool FMLayoutCatalog_IsLayoutHidden(const Draco::FMLayoutCatalog*, const Draco::HBAbstractKey*)
{
    PV_ENGINE_CHECK(FMLayoutCatalog_IsLayoutHidden);
    return false;
}
