// The error record's index: SetErrorIndex in FMEngine (below API level 51),
// SetErrorIndexInternal in Support (from 51).
#include "Values.h"

namespace Draco {

#if defined(PV_FRAMEWORK_FMENGINE)
void Error::SetErrorIndex(std::uint16_t index)
{
    PV_FW_CHECK(Error_SetErrorIndex);
    layout_.index = index;
}
#else
void Error::SetErrorIndexInternal(std::uint16_t index)
{
    PV_FW_CHECK(Error_SetErrorIndexInternal);
    layout_.index = index;
}
#endif

} // namespace Draco
