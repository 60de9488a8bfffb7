// The empty universal path, which FMEngine keeps at every API level.
#include "Values.h"

namespace Draco {

const UniversalPath kSupport_EmptyUniversalPath;

} // namespace Draco
