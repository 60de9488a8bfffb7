// The bundle files the library reads: property lists and strings tables.
#pragma once

#include <map>
#include <string>

#include "platform/corefoundation/CoreFoundation.h"

namespace pvcf {

// The dictionary at the root of an XML property list (dict, array, string,
// integer, real, true, false and data elements); null when the text is no
// such list.
CFDictionaryRef ParsePropertyList(const std::string& xml);

// A strings table ("key" = "value"; with comments, escapes and unquoted
// words), UTF-8 or UTF-16 with a byte order mark; false when it does not parse.
bool ParseStringsTable(const std::string& bytes, std::map<std::u16string, std::u16string>& out);

// The whole file; false when it cannot be read.
bool ReadFile(const std::string& path, std::string& bytes);

}  // namespace pvcf
