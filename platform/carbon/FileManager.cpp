#include "platform/carbon/FileManager.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/common/Utf.h"
#include "platform/corefoundation/SystemSetup.h"

namespace {

// Every node a reference was made for, by its system path; a reference
// holds the node's number (from 1), so one node has one reference.
struct Nodes {
    std::mutex mutex;
    std::vector<std::string> paths;
    std::unordered_map<std::string, std::uint64_t> numbers;
};

Nodes& NodeTable() {
    static Nodes& nodes = *new Nodes;
    return nodes;
}

void MakeRef(const std::string& path, FSRef* ref) {
    Nodes& nodes = NodeTable();
    std::uint64_t number = 0;
    {
        std::lock_guard<std::mutex> lock(nodes.mutex);
        const auto found = nodes.numbers.find(path);
        if (found != nodes.numbers.end()) {
            number = found->second;
        } else {
            nodes.paths.push_back(path);
            number = nodes.paths.size();
            nodes.numbers.emplace(path, number);
        }
    }
    std::memset(ref, 0, sizeof *ref);
    std::memcpy(ref->hidden, &number, sizeof number);
}

bool PathOf(const FSRef* ref, std::string& path) {
    if (ref == nullptr) {
        return false;
    }
    std::uint64_t number = 0;
    std::memcpy(&number, ref->hidden, sizeof number);
    Nodes& nodes = NodeTable();
    std::lock_guard<std::mutex> lock(nodes.mutex);
    if (number == 0 || number > nodes.paths.size()) {
        return false;
    }
    path = nodes.paths[number - 1];
    return true;
}

// An absolute path with "." and ".." applied and no empty components, or
// false for a relative one.
bool Normalize(const std::string& text, std::string& out) {
    if (text.empty() || text[0] != '/') {
        return false;
    }
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t slash = text.find('/', at);
        if (slash == std::string::npos) {
            slash = text.size();
        }
        const std::string part = text.substr(at, slash - at);
        if (part == "..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = slash + 1;
    }
    out.clear();
    for (const std::string& part : parts) {
        out += '/';
        out += part;
    }
    if (out.empty()) {
        out = "/";
    }
    return true;
}

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& component) {
    return folder == "/" ? "/" + component : folder + "/" + component;
}

// The node's own entry (a link is not followed).
bool Entry(const std::string& path, struct stat& info) {
    return lstat(macsetup::HostPath(path).c_str(), &info) == 0;
}

// The volume whose root the node is: its index in the table, or -1.
int VolumeOfRoot(const std::string& path, std::vector<macsetup::Volume>& volumes) {
    volumes = macsetup::Volumes();
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        if (volumes[i].mountPoint == path) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// UTF-8 <-> UTF-16, strict: false for malformed input.
bool ToUtf16(const std::string& text, std::u16string& out) {
    return pvcommon::utf::Utf8ToUtf16(text.data(), text.size(), out);
}

bool ToUtf8(const UniChar* units, std::size_t length, std::string& out) {
    return pvcommon::utf::Utf16ToUtf8(units, length, out);
}

// A catalog name (UTF-8) into the caller's record, cut at 255 units.
bool PutName(const std::string& name, HFSUniStr255* out) {
    std::u16string units;
    if (!ToUtf16(name, units)) {
        return false;
    }
    const std::size_t length = units.size() < 255 ? units.size() : 255;
    std::memcpy(out->unicode, units.data(), length * sizeof(UniChar));
    out->length = static_cast<UInt16>(length);
    return true;
}

// A POSIX path component as the catalog names it, and back.
std::string NameOfComponent(const std::string& component) {
    std::string name = component;
    for (char& c : name) {
        if (c == ':') {
            c = '/';
        }
    }
    return name;
}

// The path component of a name given to the File Manager, or bdNamErr.
OSErr ComponentOfName(UniCharCount length, const UniChar* name, std::string& component) {
    if (name == nullptr || length == 0 || length > 255 || !ToUtf8(name, length, component) ||
        component.find('\0') != std::string::npos || component == "." || component == "..") {
        return bdNamErr;
    }
    for (char& c : component) {
        if (c == '/') {
            c = ':';
        }
    }
    return noErr;
}

OSErr ErrorOf(int error) {
    switch (error) {
    case ENOENT:
        return fnfErr;
    case ENOTDIR:
        return dirNFErr;
    case EEXIST:
        return dupFNErr;
    case EACCES:
    case EPERM:
    case EROFS:
        return afpAccessDenied;
    case ENAMETOOLONG:
        return bdNamErr;
    default:
        return ioErr;
    }
}

// The folder a name is looked up or made in: an existing folder.
OSErr ParentFolder(const FSRef* parentRef, std::string& parent) {
    if (!PathOf(parentRef, parent)) {
        return paramErr;
    }
    // An alias of a folder is no folder until it is resolved.
    struct stat info {};
    if (!Entry(parent, info)) {
        const OSErr err = ErrorOf(errno);
        return err == fnfErr ? OSErr{dirNFErr} : err;
    }
    return S_ISDIR(info.st_mode) ? OSErr{noErr} : OSErr{dirNFErr};
}

// Open forks: their number (from 1) is the index into the table plus one.
struct Fork {
    int fd = -1;
    bool writable = false;
};

struct Forks {
    std::mutex mutex;
    std::vector<Fork> open;
};

Forks& ForkTable() {
    static Forks& forks = *new Forks;
    return forks;
}

bool ForkOf(FSIORefNum number, Fork& fork) {
    Forks& forks = ForkTable();
    std::lock_guard<std::mutex> lock(forks.mutex);
    if (number <= 0 || static_cast<std::size_t>(number) > forks.open.size() ||
        forks.open[static_cast<std::size_t>(number - 1)].fd < 0) {
        return false;
    }
    fork = forks.open[static_cast<std::size_t>(number - 1)];
    return true;
}

constexpr int kMostLinks = 32;

}  // namespace

extern "C" {

Boolean CFURLGetFSRef(CFURLRef url, FSRef* fsRef) {
    if (url == nullptr || fsRef == nullptr) {
        return false;
    }
    char buffer[4096];
    if (!CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(buffer), sizeof buffer)) {
        return false;
    }
    std::string path;
    struct stat info {};
    if (!Normalize(buffer, path) || stat(macsetup::HostPath(path).c_str(), &info) != 0) {
        return false;
    }
    MakeRef(path, fsRef);
    return true;
}

OSStatus FSPathMakeRef(const UInt8* path, FSRef* ref, Boolean* isDirectory) {
    if (macsetup::ShouldFail("FSPathMakeRef")) {
        return ioErr;
    }
    std::string normal;
    if (path == nullptr || ref == nullptr || !Normalize(reinterpret_cast<const char*>(path), normal)) {
        return paramErr;
    }
    struct stat info {};
    if (!Entry(normal, info)) {
        const OSErr err = ErrorOf(errno);
        return err == dirNFErr ? OSErr{fnfErr} : err;
    }
    MakeRef(normal, ref);
    if (isDirectory != nullptr) {
        *isDirectory = S_ISDIR(info.st_mode);
    }
    return noErr;
}

OSStatus FSRefMakePath(const FSRef* ref, UInt8* path, UInt32 maxPathSize) {
    if (macsetup::ShouldFail("FSRefMakePath")) {
        return ioErr;
    }
    std::string text;
    if (path == nullptr || !PathOf(ref, text)) {
        return paramErr;
    }
    struct stat info {};
    if (!Entry(text, info)) {
        return fnfErr;
    }
    if (text.size() + 1 > maxPathSize) {
        return paramErr;
    }
    std::memcpy(path, text.c_str(), text.size() + 1);
    return noErr;
}

OSErr FSCompareFSRefs(const FSRef* ref1, const FSRef* ref2) {
    std::string a, b;
    if (!PathOf(ref1, a) || !PathOf(ref2, b)) {
        return paramErr;
    }
    return a == b ? OSErr{noErr} : OSErr{errFSRefsDifferent};
}

OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfo,
                       HFSUniStr255* outName, FSSpec* fsSpec, FSRef* parentRef) {
    if (macsetup::ShouldFail("FSGetCatalogInfo")) {
        return ioErr;
    }
    std::string path;
    if (fsSpec != nullptr || !PathOf(ref, path)) {
        return paramErr;
    }
    struct stat info {};
    if (!Entry(path, info)) {
        return fnfErr;
    }
    if (catalogInfo != nullptr && (whichInfo & kFSCatInfoNodeFlags) != 0) {
        catalogInfo->nodeFlags = S_ISDIR(info.st_mode) ? kFSNodeIsDirectoryMask : 0;
    }
    std::vector<macsetup::Volume> volumes;
    const int root = VolumeOfRoot(path, volumes);
    if (outName != nullptr) {
        const std::string name =
            root >= 0 ? volumes[static_cast<std::size_t>(root)].name : NameOfComponent(path.substr(path.rfind('/') + 1));
        if (!PutName(name, outName)) {
            return paramErr;
        }
    }
    if (parentRef != nullptr) {
        std::memset(parentRef, 0, sizeof *parentRef);
        if (root < 0) {
            MakeRef(ParentOf(path), parentRef);
        }
    }
    return noErr;
}

OSErr FSGetVolumeInfo(FSVolumeRefNum volume, ItemCount volumeIndex, FSVolumeRefNum* actualVolume,
                      FSVolumeInfoBitmap whichInfo, FSVolumeInfo* info, HFSUniStr255* volumeName,
                      FSRef* rootDirectory) {
    if (macsetup::ShouldFail("FSGetVolumeInfo")) {
        return ioErr;
    }
    const std::vector<macsetup::Volume> volumes = macsetup::Volumes();
    // Volume numbers count down from -1, the start-up volume's.
    std::size_t index = 0;
    if (volume == kFSInvalidVolumeRefNum) {
        if (volumeIndex == 0) {
            return paramErr;
        }
        index = volumeIndex - 1;
    } else if (volume < 0) {
        index = static_cast<std::size_t>(-(volume + 1));
    } else {
        return nsvErr;
    }
    if (index >= volumes.size()) {
        return nsvErr;
    }
    const macsetup::Volume& found = volumes[index];
    if (actualVolume != nullptr) {
        *actualVolume = static_cast<FSVolumeRefNum>(-static_cast<int>(index) - 1);
    }
    if (info != nullptr && whichInfo != kFSVolInfoNone) {
        info->flags = 0;
    }
    if (volumeName != nullptr && !PutName(found.name, volumeName)) {
        return paramErr;
    }
    if (rootDirectory != nullptr) {
        MakeRef(found.mountPoint, rootDirectory);
    }
    return noErr;
}

OSErr FSMakeFSRefUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name, TextEncoding,
                         FSRef* newRef) {
    if (macsetup::ShouldFail("FSMakeFSRefUnicode")) {
        return ioErr;
    }
    if (newRef == nullptr) {
        return paramErr;
    }
    std::string parent, component;
    OSErr err = ParentFolder(parentRef, parent);
    if (err == noErr) {
        err = ComponentOfName(nameLength, name, component);
    }
    if (err != noErr) {
        return err;
    }
    const std::string path = Join(parent, component);
    struct stat info {};
    if (!Entry(path, info)) {
        return ErrorOf(errno);
    }
    MakeRef(path, newRef);
    return noErr;
}

OSErr FSCreateDirectoryUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                               FSCatalogInfoBitmap whichInfo, const FSCatalogInfo*, FSRef* newRef, FSSpec* newSpec,
                               UInt32* newDirID) {
    if (macsetup::ShouldFail("FSCreateDirectoryUnicode")) {
        return ioErr;
    }
    if (whichInfo != kFSCatInfoNone || newSpec != nullptr || newDirID != nullptr) {
        return paramErr;
    }
    std::string parent, component;
    OSErr err = ParentFolder(parentRef, parent);
    if (err == noErr) {
        err = ComponentOfName(nameLength, name, component);
    }
    if (err != noErr) {
        return err;
    }
    const std::string path = Join(parent, component);
    if (mkdir(macsetup::HostPath(path).c_str(), 0777) != 0) {
        return ErrorOf(errno);
    }
    if (newRef != nullptr) {
        MakeRef(path, newRef);
    }
    return noErr;
}

OSErr FSResolveAliasFile(FSRef* theRef, Boolean resolveAliasChains, Boolean* targetIsFolder, Boolean* wasAliased) {
    if (macsetup::ShouldFail("FSResolveAliasFile")) {
        return ioErr;
    }
    std::string path;
    if (!PathOf(theRef, path)) {
        return paramErr;
    }
    struct stat info {};
    if (!Entry(path, info)) {
        return fnfErr;
    }
    bool aliased = false;
    for (int links = 0; S_ISLNK(info.st_mode); ++links) {
        if (links == kMostLinks || (aliased && !resolveAliasChains)) {
            if (links == kMostLinks) {
                return fnfErr;
            }
            break;
        }
        char target[4096];
        const ssize_t length = readlink(macsetup::HostPath(path).c_str(), target, sizeof target - 1);
        if (length <= 0) {
            return fnfErr;
        }
        const std::string text(target, static_cast<std::size_t>(length));
        if (!Normalize(text[0] == '/' ? text : Join(ParentOf(path), text), path) || !Entry(path, info)) {
            return fnfErr;
        }
        aliased = true;
    }
    MakeRef(path, theRef);
    if (targetIsFolder != nullptr) {
        *targetIsFolder = S_ISDIR(info.st_mode);
    }
    if (wasAliased != nullptr) {
        *wasAliased = aliased;
    }
    return noErr;
}

OSErr FSGetDataForkName(HFSUniStr255* dataForkName) {
    if (dataForkName == nullptr) {
        return paramErr;
    }
    dataForkName->length = 0;
    return noErr;
}

OSErr FSOpenFork(const FSRef* ref, UniCharCount forkNameLength, const UniChar*, SInt8 permissions,
                 FSIORefNum* forkRefNum) {
    if (macsetup::ShouldFail("FSOpenFork")) {
        return ioErr;
    }
    std::string path;
    if (forkRefNum == nullptr || !PathOf(ref, path)) {
        return paramErr;
    }
    *forkRefNum = 0;
    if (forkNameLength != 0) {
        return errFSForkNotFound;
    }
    int flags = 0;
    switch (permissions) {
    case fsRdPerm:
        flags = O_RDONLY;
        break;
    case fsWrPerm:
        flags = O_WRONLY;
        break;
    case fsRdWrPerm:
        flags = O_RDWR;
        break;
    default:
        return paramErr;
    }
    struct stat info {};
    const std::string host = macsetup::HostPath(path);
    if (stat(host.c_str(), &info) != 0) {
        return fnfErr;
    }
    if (!S_ISREG(info.st_mode)) {
        return notAFileErr;
    }
    // A fork is a regular file's data: opening never waits (a pipe put in the
    // file's place without a peer), and what was opened is checked again.
    const int fd = open(host.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return ErrorOf(errno);
    }
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return notAFileErr;
    }
    Forks& forks = ForkTable();
    std::lock_guard<std::mutex> lock(forks.mutex);
    std::size_t slot = 0;
    while (slot < forks.open.size() && forks.open[slot].fd >= 0) {
        ++slot;
    }
    if (slot >= 0x7FFF) {
        close(fd);
        return ioErr;
    }
    if (slot == forks.open.size()) {
        forks.open.emplace_back();
    }
    forks.open[slot] = Fork{fd, permissions != fsRdPerm};
    *forkRefNum = static_cast<FSIORefNum>(slot + 1);
    return noErr;
}

OSErr FSSetForkSize(FSIORefNum forkRefNum, UInt16 positionMode, SInt64 positionOffset) {
    if (macsetup::ShouldFail("FSSetForkSize")) {
        return ioErr;
    }
    Fork fork;
    if (!ForkOf(forkRefNum, fork)) {
        return rfNumErr;
    }
    if (!fork.writable) {
        return wrPermErr;
    }
    SInt64 length = positionOffset;
    if (positionMode == fsFromLEOF) {
        struct stat info {};
        if (fstat(fork.fd, &info) != 0) {
            return ioErr;
        }
        length += info.st_size;
    } else if (positionMode != fsFromStart) {
        return paramErr;
    }
    if (length < 0) {
        return paramErr;
    }
    return ftruncate(fork.fd, static_cast<off_t>(length)) == 0 ? OSErr{noErr} : ErrorOf(errno);
}

OSErr FSCloseFork(FSIORefNum forkRefNum) {
    Forks& forks = ForkTable();
    std::lock_guard<std::mutex> lock(forks.mutex);
    if (forkRefNum <= 0 || static_cast<std::size_t>(forkRefNum) > forks.open.size()) {
        return rfNumErr;
    }
    Fork& fork = forks.open[static_cast<std::size_t>(forkRefNum - 1)];
    if (fork.fd < 0) {
        return rfNumErr;
    }
    const int result = close(fork.fd);
    fork = Fork{};
    return result == 0 ? OSErr{noErr} : OSErr{ioErr};
}

}  // extern "C"
