// Resource Manager: resource files of our own format (see ResourceFile.h),
// a chain of open files with a current one, resources as handles.
#pragma once

#include "platform/carbon/CarbonTypes.h"

extern "C" {

// The current resource file; 0 (the empty system file) at start.
ResFileRefNum CurResFile(void);
// Makes an open file current; a file that is not open sets resFNotFound and
// leaves the current one.
void UseResFile(ResFileRefNum refNum);
// The result of the last Resource Manager call.
OSErr ResError(void);
// From the current file down the chain (the files opened before it);
// Get1Resource looks in the current file only. The same handle answers again
// until ReleaseResource; null with resNotFound.
Handle GetResource(ResType theType, ResID theID);
Handle Get1Resource(ResType theType, ResID theID);
void ReleaseResource(Handle theResource);
// Frees the file's resources; the next file down the chain becomes current
// when it was current.
void CloseResFile(ResFileRefNum refNum);
// The bytes a resource's handle holds; 0 for any other pointer.
Size GetHandleSize(Handle h);

// Opens the bundle's resource file, Resources/EXECUTABLE.rsrc, and makes it
// current; the file's number again when it is open already. -1 when the
// bundle has none or it is damaged (ResError tells).
ResFileRefNum CFBundleOpenBundleResourceMap(CFBundleRef bundle);
void CFBundleCloseBundleResourceMap(CFBundleRef bundle, ResFileRefNum refNum);

}  // extern "C"
