// Modules and their resources, as the plug-in sees them on this system: a
// module handle is the dynamic loader's handle of a loaded shared object
// (null: the program itself). String tables and version data are data
// symbols of the module.
#pragma once

#include <cstdint>
#include <string>

namespace win32 {

// Full path of the module's file (UTF-8); false when it cannot be found.
bool GetModuleFileName(void* module, std::string& path);

// String resource `id` of the module; false when it is missing or empty.
bool LoadStringResource(void* module, unsigned id, std::u16string& text);

// Product version of the module: (major << 16 | minor, revision << 16 | build).
bool GetProductVersion(void* module, std::uint32_t& high, std::uint32_t& low);

} // namespace win32
