// The dynamic linker calls of the macOS flavour, over dlfcn. Symbol names
// are written as the system writes them, with a leading "_"; one "_" is
// dropped for the ELF name ("__ZN5Draco..." is looked up as "_ZN5Draco...").
// A name without the leading "_" (a C name as dlsym takes it) is not defined.
#pragma once

#include <cstdint>

extern "C" {

struct mach_header;  // an image; only ever a handle here
typedef struct NSSymbolObject* NSSymbol;

enum : std::uint32_t {
    NSADDIMAGE_OPTION_NONE = 0,
    NSADDIMAGE_OPTION_RETURN_ON_ERROR = 1,
    NSADDIMAGE_OPTION_WITH_SEARCHING = 2,
    NSADDIMAGE_OPTION_RETURN_ONLY_IF_LOADED = 4,
};

// Loads the image at the path (or answers it when it is loaded already, and
// only then with RETURN_ONLY_IF_LOADED). A failure ends the process unless
// RETURN_ON_ERROR is given; then it answers null.
const mach_header* NSAddImage(const char* image_name, std::uint32_t options);

// The hint is the path of the image to search first (an image loaded from
// that file, whatever link led to it); then every loaded image is searched,
// those loaded with local binding included.
bool NSIsSymbolNameDefinedWithHint(const char* symbolName, const char* libraryNameHint);
// Null when no image defines the symbol.
NSSymbol NSLookupAndBindSymbolWithHint(const char* symbolName, const char* libraryNameHint);
void* NSAddressOfSymbol(NSSymbol symbol);

}  // extern "C"
