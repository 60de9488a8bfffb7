// The plug-in's own file and folder, the host application's, and the product
// folders under the user's local application-data and documents folders
// (FilePath::SetTo...).
#pragma once

#include <string>

#include "fmx/FilePath.h"

namespace fmx {

// Appends the plug-in file's name to `text`; without `withExtension` the
// name ends before its last dot (a leading dot starts no extension). False
// when the plug-in file cannot be found.
bool GetPluginFileName(std::string& text, bool withExtension);

} // namespace fmx
