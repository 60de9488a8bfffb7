// File Manager: references to files and folders that stay valid while the
// process runs (FSRef), made from file URLs, and their catalog information.
#pragma once

#include "platform/carbon/CarbonTypes.h"

extern "C" {

// Opaque to callers. All zero is no reference.
struct FSRef {
    UInt8 hidden[80];
};

struct FSSpec;

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

struct HFSUniStr255 {
    UInt16 length;
    UniChar unicode[255];
};

// The reference of the file or folder a file URL names; false when it does
// not exist.
Boolean CFURLGetFSRef(CFURLRef url, FSRef* fsRef);

// What whichInfo asks for, the node's name (at most 255 UTF-16 units) and
// the reference of the folder holding it (a volume's root has none: it
// stays all zero). fnfErr for a node that is gone, paramErr for no
// reference or an FSSpec asked for.
OSErr FSGetCatalogInfo(const FSRef* ref, FSCatalogInfoBitmap whichInfo, FSCatalogInfo* catalogInfo,
                       HFSUniStr255* outName, FSSpec* fsSpec, FSRef* parentRef);

}  // extern "C"
