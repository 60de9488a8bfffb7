// Modules and exported symbols by name, as the host-access layer asks for
// them: "X.dll" is the already loaded shared object libX.so, and a decorated
// name is looked up under its escaped ELF name (fmapi/symbol_name.h).
#pragma once

#include <cstddef>
#include <string>

namespace win32 {

// Handle of a module the process has already loaded; null when it is not
// loaded. Never loads a module and takes no reference.
void* GetModuleHandleA(const char* moduleName);

// The shared object's file name for a module name: "X.dll" -> "libX.so".
std::string SharedObjectName(const char* moduleName);

// Address of the export `name` (a decorated or plain name) of a module, or
// null. Every call counts as one lookup.
void* GetProcAddress(void* module, const char* name);

// Lookups made so far, in total and for one name.
std::size_t LookupCount();
std::size_t LookupCount(const char* name);

} // namespace win32
