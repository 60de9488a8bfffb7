#include "platform/dyld/dyld.h"

#include "platform/common/Files.h"

#include <dlfcn.h>
#include <link.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string RealPath(const char* path) {
    char resolved[PATH_MAX];
    if (path == nullptr || *path == '\0' || realpath(path, resolved) == nullptr) {
        return {};
    }
    return resolved;
}

// A compiler's Mach-O names all begin with "_", one more than the ELF name;
// a name without it is defined nowhere (empty here).
std::string ElfName(const char* symbolName) {
    return symbolName[0] == '_' ? std::string(symbolName + 1) : std::string();
}

struct Image {
    std::string name;  // as the loader names it ("" for the program)
    std::string real;  // the file it was loaded from
};

int Collect(dl_phdr_info* info, std::size_t, void* data) {
    auto* images = static_cast<std::vector<Image>*>(data);
    const char* name = info->dlpi_name != nullptr ? info->dlpi_name : "";
    images->push_back(Image{name, RealPath(name)});
    return 0;
}

// A symbol's address when the image itself defines it (a library's handle
// also reaches its dependencies, the program's the whole global scope).
void* LookUpIn(const Image& image, const std::string& symbol) {
    void* handle = dlopen(image.name.empty() ? nullptr : image.name.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle == nullptr) {
        return nullptr;
    }
    void* address = nullptr;
    link_map* own = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &own) == 0) {
        void* found = dlsym(handle, symbol.c_str());
        Dl_info where{};
        link_map* definer = nullptr;
        if (found != nullptr &&
            dladdr1(found, &where, reinterpret_cast<void**>(&definer), RTLD_DL_LINKMAP) != 0 &&
            definer == own) {
            address = found;
        }
    }
    dlclose(handle);
    return address;
}

void* Find(const char* symbolName, const char* hint) {
    if (symbolName == nullptr || *symbolName == '\0') {
        return nullptr;
    }
    const std::string symbol = ElfName(symbolName);
    if (symbol.empty()) {
        return nullptr;
    }
    std::vector<Image> images;
    dl_iterate_phdr(Collect, &images);
    const std::string hinted = RealPath(hint);
    if (!hinted.empty()) {
        for (const Image& image : images) {
            if (image.real == hinted) {
                if (void* address = LookUpIn(image, symbol)) {
                    return address;
                }
            }
        }
    }
    for (const Image& image : images) {
        if (hinted.empty() || image.real != hinted) {
            if (void* address = LookUpIn(image, symbol)) {
                return address;
            }
        }
    }
    return nullptr;
}

}  // namespace

extern "C" {

const mach_header* NSAddImage(const char* image_name, std::uint32_t options) {
    void* handle = nullptr;
    if (image_name != nullptr) {
        const bool loadedOnly = (options & NSADDIMAGE_OPTION_RETURN_ONLY_IF_LOADED) != 0;
        // An image not yet loaded is checked whole first: mapping a cut or
        // damaged file faults on the pages past its end.
        std::string why;
        if (loadedOnly || pvcommon::IsWholeSharedObject(image_name, why))
            handle = dlopen(image_name, loadedOnly ? RTLD_NOW | RTLD_NOLOAD : RTLD_NOW | RTLD_GLOBAL);
    }
    if (handle == nullptr && (options & NSADDIMAGE_OPTION_RETURN_ON_ERROR) == 0) {
        std::fprintf(stderr, "dyld: NSAddImage could not load %s\n",
                     image_name != nullptr ? image_name : "(null)");
        std::abort();
    }
    return static_cast<const mach_header*>(handle);
}

bool NSIsSymbolNameDefinedWithHint(const char* symbolName, const char* libraryNameHint) {
    return Find(symbolName, libraryNameHint) != nullptr;
}

NSSymbol NSLookupAndBindSymbolWithHint(const char* symbolName, const char* libraryNameHint) {
    return static_cast<NSSymbol>(Find(symbolName, libraryNameHint));
}

void* NSAddressOfSymbol(NSSymbol symbol) { return symbol; }

}  // extern "C"
