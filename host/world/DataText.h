// Texts in and out of a DBData, the host's name for the interface library's
// FMData: the one way the host's modules and frameworks fill a plug-in's data
// with a text and read a text from it.
#pragma once

#include <string>

#include "world/World.h"

namespace hostworld {

// Sets a DBData to a text; false when the interface library fails.
PV_WORLD_API bool SetDataText(Draco::DBData* data, const std::u16string& text);

// A DBData's text as UTF-8; empty for none or when the interface library fails.
PV_WORLD_API std::string TextOf(const Draco::DBData* data);

} // namespace hostworld
