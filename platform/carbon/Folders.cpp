#include "platform/carbon/Folders.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/corefoundation/SystemSetup.h"

namespace {

// The names below HOME of a folder type, or false.
bool FolderNames(OSType type, std::vector<std::u16string>& names) {
    if (type == FourCC("pref")) {
        names = {u"Library", u"Preferences"};
    } else if (type == FourCC("docs")) {
        names = {u"Documents"};
    } else if (type == FourCC("asup")) {
        names = {u"Library", u"Application Support"};
    } else {
        return false;
    }
    return true;
}

}  // namespace

extern "C" {

OSErr FSFindFolder(FSVolumeRefNum vRefNum, OSType folderType, Boolean createFolder, FSRef* foundRef) {
    if (macsetup::ShouldFail("FSFindFolder")) {
        return fnfErr;
    }
    std::vector<std::u16string> names;
    if (vRefNum != kUserDomain || foundRef == nullptr || !FolderNames(folderType, names)) {
        return paramErr;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        return fnfErr;
    }
    // HOME may be an alias (a link) of the user's folder.
    FSRef folder;
    Boolean isFolder = false;
    Boolean aliased = false;
    OSStatus err = FSPathMakeRef(reinterpret_cast<const UInt8*>(home), &folder, nullptr);
    if (err == noErr) {
        err = FSResolveAliasFile(&folder, true, &isFolder, &aliased);
    }
    if (err != noErr) {
        return static_cast<OSErr>(err);
    }
    if (!isFolder) {
        return dirNFErr;
    }
    for (const std::u16string& name : names) {
        const auto* units = reinterpret_cast<const UniChar*>(name.data());
        FSRef next;
        OSErr found = FSMakeFSRefUnicode(&folder, name.size(), units, kTextEncodingUnknown, &next);
        if (found == fnfErr && createFolder) {
            found = FSCreateDirectoryUnicode(&folder, name.size(), units, kFSCatInfoNone, nullptr, &next, nullptr,
                                             nullptr);
        }
        if (found != noErr) {
            return found;
        }
        folder = next;
    }
    *foundRef = folder;
    return noErr;
}

}  // extern "C"
