#include "platform/carbon/Resources.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/carbon/ResourceFile.h"
#include "platform/corefoundation/Files.h"
#include "platform/corefoundation/Internal.h"
#include "platform/corefoundation/SystemSetup.h"

namespace {

struct Loaded {
    pvres::Resource resource;
    Handle handle = nullptr;  // while loaded
};

struct OpenFile {
    ResFileRefNum refNum;
    std::string path;
    std::vector<Loaded> resources;
};

// The chain of open files in the order they were opened; the empty system
// file (0) is always at the bottom.
struct ResourceState {
    std::recursive_mutex mutex;
    std::vector<std::unique_ptr<OpenFile>> chain;
    std::map<Handle, Size> handles;  // every handle given out, with its size
    ResFileRefNum current = 0;
    ResFileRefNum next = 1;
    OSErr error = noErr;

    ResourceState() {
        auto system = std::make_unique<OpenFile>();
        system->refNum = 0;
        chain.push_back(std::move(system));
    }

    std::size_t IndexOf(ResFileRefNum refNum) const {
        for (std::size_t i = 0; i < chain.size(); ++i) {
            if (chain[i]->refNum == refNum) {
                return i;
            }
        }
        return chain.size();
    }

    Handle Load(Loaded& loaded) {
        if (loaded.handle == nullptr) {
            const std::string& data = loaded.resource.data;
            char* bytes = static_cast<char*>(std::malloc(data.empty() ? 1 : data.size()));
            auto* master = static_cast<Handle>(std::malloc(sizeof(Ptr)));
            if (bytes == nullptr || master == nullptr) {
                std::free(bytes);
                std::free(master);
                return nullptr;
            }
            if (!data.empty()) {
                std::memcpy(bytes, data.data(), data.size());
            }
            *master = bytes;
            loaded.handle = master;
            handles[master] = static_cast<Size>(data.size());
        }
        return loaded.handle;
    }

    void Free(Loaded& loaded) {
        if (loaded.handle != nullptr) {
            handles.erase(loaded.handle);
            std::free(*loaded.handle);
            std::free(loaded.handle);
            loaded.handle = nullptr;
        }
    }

    Handle Find(ResType type, ResID id, bool currentOnly) {
        std::size_t i = IndexOf(current);
        if (i == chain.size()) {
            error = resFNotFound;
            return nullptr;
        }
        for (;;) {
            for (Loaded& loaded : chain[i]->resources) {
                if (loaded.resource.type == type && loaded.resource.id == id) {
                    Handle h = Load(loaded);
                    error = h != nullptr ? noErr : memFullErr;
                    return h;
                }
            }
            if (currentOnly || i == 0) {
                break;
            }
            --i;
        }
        error = resNotFound;
        return nullptr;
    }
};

ResourceState& State() {
    static ResourceState& state = *new ResourceState;
    return state;
}

}  // namespace

extern "C" {

ResFileRefNum CurResFile(void) {
    ResourceState& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    s.error = noErr;
    return s.current;
}

void UseResFile(ResFileRefNum refNum) {
    ResourceState& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (macsetup::ShouldFail("UseResFile") || s.IndexOf(refNum) == s.chain.size()) {
        s.error = resFNotFound;
        return;
    }
    s.current = refNum;
    s.error = noErr;
}

OSErr ResError(void) {
    ResourceState& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    return s.error;
}

Handle GetResource(ResType theType, ResID theID) {
    ResourceState& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    return s.Find(theType, theID, false);
}

Handle Get1Resource(ResType theType, ResID theID) {
    ResourceState& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    return s.Find(theType, theID, true);
}

void ReleaseResource(Handle theResource) {
    ResourceState& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    for (auto& file : s.chain) {
        for (Loaded& loaded : file->resources) {
            if (theResource != nullptr && loaded.handle == theResource) {
                s.Free(loaded);
                s.error = noErr;
                return;
            }
        }
    }
    s.error = resNotFound;
}

void CloseResFile(ResFileRefNum refNum) {
    ResourceState& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    const std::size_t i = s.IndexOf(refNum);
    if (refNum == 0 || i == s.chain.size()) {
        s.error = refNum == 0 ? noErr : resFNotFound;
        return;
    }
    for (Loaded& loaded : s.chain[i]->resources) {
        s.Free(loaded);
    }
    if (s.current == refNum) {
        s.current = s.chain[i - 1]->refNum;
    }
    s.chain.erase(s.chain.begin() + static_cast<std::ptrdiff_t>(i));
    s.error = noErr;
}

Size GetHandleSize(Handle h) {
    ResourceState& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    const auto found = s.handles.find(h);
    return found != s.handles.end() ? found->second : 0;
}

ResFileRefNum CFBundleOpenBundleResourceMap(CFBundleRef bundle) {
    const std::string name = pvcf::BundleExecutableName(bundle);
    const std::string path = pvcf::BundleResourcesFolder(bundle) + "/" + name + ".rsrc";
    ResourceState& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (macsetup::ShouldFail("CFBundleOpenBundleResourceMap")) {
        s.error = fnfErr;
        return -1;
    }
    for (auto& file : s.chain) {
        if (file->refNum != 0 && file->path == path) {
            s.current = file->refNum;
            s.error = noErr;
            return file->refNum;
        }
    }
    std::string bytes;
    if (name.empty() || !pvcf::ReadFile(path, pvcf::kResourceFileLimit, bytes)) {
        s.error = fnfErr;
        return -1;
    }
    std::vector<pvres::Resource> resources;
    if (!pvres::ParseResourceFile(bytes, resources)) {
        s.error = mapReadErr;
        return -1;
    }
    auto file = std::make_unique<OpenFile>();
    file->refNum = s.next;
    s.next = static_cast<ResFileRefNum>(s.next == 0x7FFF ? 1 : s.next + 1);
    file->path = path;
    for (pvres::Resource& r : resources) {
        file->resources.push_back(Loaded{std::move(r), nullptr});
    }
    s.current = file->refNum;
    s.chain.push_back(std::move(file));
    s.error = noErr;
    return s.current;
}

void CFBundleCloseBundleResourceMap(CFBundleRef, ResFileRefNum refNum) { CloseResFile(refNum); }

}  // extern "C"
