// File Manager: references to files and folders that stay valid while the
// process runs (FSRef), made from POSIX paths, file URLs and names in a
// folder; catalog information, the volumes, folders made, aliases resolved
// and the data fork's length.
//
// A reference names one node of the system's tree: the same node always
// gets the same reference. The tree is the volume table's (SystemSetup.h):
// the start-up volume holds "/", the others "/Volumes/NAME". A "/" inside a
// name is ":" in the POSIX path. Symbolic links stand for aliases; inside a
// path the machine follows them itself, so links that stay on their volume
// are relative ones.
#pragma once

#include "platform/carbon/CarbonTypes.h"

extern "C" {

// Opaque to callers. All zero is no reference.
struct FSRef {
    UInt8 hidden[80];
};

struct FSSpec;

typedef SInt16 FSVolumeRefNum;
typedef SInt16 FSIORefNum;
typedef unsigned long ItemCount;

enum : FSVolumeRefNum { kFSInvalidVolumeRefNum = 0 };

enum : OSErr {
    nsvErr = -35,           // no such volume
    ioErr = -36,
    bdNamErr = -37,         // a name the file system cannot hold
    dupFNErr = -48,         // the name is taken
    rfNumErr = -51,         // no such open fork
    wrPermErr = -61,
    dirNFErr = -120,        // no such folder
    notAFileErr = -1302,    // a folder where a file is needed
    errFSRefsDifferent = -1420,
    afpAccessDenied = -5000,
};

typedef UInt32 FSCatalogInfoBitmap;
enum : FSCatalogInfoBitmap {
    kFSCatInfoNone = 0,
    kFSCatInfoNodeFlags = 0x00000002,
};

enum : UInt16 { kFSNodeIsDirectoryMask = 0x0010 };

// Only the fields asked for are written.
struct FSCatalogInfo {
    UInt16 nodeFlags;  // kFSNodeIsDirectoryMask for a folder
};

typedef UInt32 FSVolumeInfoBitmap;
enum : FSVolumeInfoBitmap { kFSVolInfoNone = 0 };

struct FSVolumeInfo {
    UInt16 flags;
};

struct HFSUniStr255 {
    UInt16 length;
    UniChar unicode[255];
};

// Fork access and position modes.
enum : SInt8 { fsRdPerm = 1, fsWrPerm = 2, fsRdWrPerm = 3 };
enum : UInt16 { fsAtMark = 0, fsFromStart = 1, fsFromLEOF = 2 };

// The text encoding of a name when nothing better is known.
enum : TextEncoding { kTextEncodingUnknown = 0xFFFF };

// The reference of the file or folder a file URL names; false when it does
// not exist.
Boolean CFURLGetFSRef(CFURLRef url, FSRef* fsRef);

// The reference of an existing node at an absolute POSIX path (UTF-8);
// isDirectory (may be null) tells whether it is a folder. fnfErr when there
// is none, paramErr for a relative or empty path. A link at the path's end
// is the link itself.
OSStatus FSPathMakeRef(const UInt8* path, FSRef* ref, Boolean* isDirectory);
// The POSIX path of a reference, zero-terminated, in maxPathSize bytes;
// paramErr when it does not fit or for no reference, fnfErr for a node that
// is gone.
OSStatus FSRefMakePath(const FSRef* ref, UInt8* path, UInt32 maxPathSize);
// noErr when both name the same node, errFSRefsDifferent otherwise, paramErr
// when either is no reference.
OSErr FSCompareFSRefs(const FSRef* ref1, const FSRef* ref2);

// What whichInfo asks for, the node's name (at most 255 UTF-16 units; a
// volume's root answers the volume's name) and the reference of the folder
// holding it (a volume's root has none: it stays all zero). fnfErr for a
// node that is gone, paramErr for no reference or an FSSpec asked for.
OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfo,
                       HFSUniStr255* outName, FSSpec* fsSpec, FSRef* parentRef);

// With volume kFSInvalidVolumeRefNum, the volumeIndex-th volume (from 1:
// the start-up volume first); otherwise the volume of that number. Its
// number, name and root folder, each when asked for; nsvErr past the last.
OSErr FSGetVolumeInfo(FSVolumeRefNum volume, ItemCount volumeIndex, FSVolumeRefNum* actualVolume,
                      FSVolumeInfoBitmap whichInfo, FSVolumeInfo* info, HFSUniStr255* volumeName,
                      FSRef* rootDirectory);

// The node of a name in a folder (UTF-16; the encoding hint is not needed).
// fnfErr when there is none, dirNFErr when the parent is no folder, bdNamErr
// for a name the file system cannot hold ("", ".", "..", a zero unit,
// unpaired surrogates).
OSErr FSMakeFSRefUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                         TextEncoding textEncodingHint, FSRef* newRef);
// Makes a folder of that name in the parent. dupFNErr when the name is
// taken, dirNFErr when the parent is no folder, afpAccessDenied when the
// parent may not be written, bdNamErr as above. Catalog information to set
// and an FSSpec or folder id are not supported (paramErr when asked for).
OSErr FSCreateDirectoryUnicode(const FSRef* parentRef, UniCharCount nameLength, const UniChar* name,
                               FSCatalogInfoBitmap whichInfo, const FSCatalogInfo* catalogInfo,
                               FSRef* newRef, FSSpec* newSpec, UInt32* newDirID);
// An alias (a symbolic link; its text is a system path, relative ones from
// the link's folder) is replaced by its target, and with resolveAliasChains
// so is every alias that target is. fnfErr when the target is missing; a
// chain of more than 32 links fails too.
OSErr FSResolveAliasFile(FSRef* theRef, Boolean resolveAliasChains, Boolean* targetIsFolder,
                         Boolean* wasAliased);

// The data fork's name (empty).
OSErr FSGetDataForkName(HFSUniStr255* dataForkName);
// Opens a file's data fork with fsRdPerm, fsWrPerm or fsRdWrPerm; notAFileErr
// for a folder, errFSForkNotFound for another fork name.
OSErr FSOpenFork(const FSRef* ref, UniCharCount forkNameLength, const UniChar* forkName, SInt8 permissions,
                 FSIORefNum* forkRefNum);
// Sets the fork's length (fsFromStart, or fsFromLEOF relative to the current
// length); paramErr for a negative length, wrPermErr for a fork opened for
// reading.
OSErr FSSetForkSize(FSIORefNum forkRefNum, UInt16 positionMode, SInt64 positionOffset);
OSErr FSCloseFork(FSIORefNum forkRefNum);

enum : OSErr { errFSForkNotFound = -1409 };

}  // extern "C"
