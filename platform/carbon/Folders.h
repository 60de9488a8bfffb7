// Folder Manager: the user's special folders under HOME.
#pragma once

#include "platform/carbon/FileManager.h"

extern "C" {

enum : FSVolumeRefNum { kUserDomain = -32763 };
enum : Boolean { kDontCreateFolder = 0, kCreateFolder = 1 };

// The folder of a type in the user domain: 'pref' HOME/Library/Preferences,
// 'docs' HOME/Documents, 'asup' HOME/Library/Application Support (HOME a
// system path). With createFolder the missing folders are made. fnfErr when
// it is missing (or HOME is not set), paramErr for another domain or type.
OSErr FSFindFolder(FSVolumeRefNum vRefNum, OSType folderType, Boolean createFolder, FSRef* foundRef);

}  // extern "C"
