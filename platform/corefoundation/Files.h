// The bundle files the library reads: property lists and strings tables.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "platform/common/Files.h"
#include "platform/corefoundation/CoreFoundation.h"

namespace pvcf {

// The dictionary at the root of an XML property list (dict, array, string,
// integer, real, true, false and data elements); null when the text is no
// such list.
CFDictionaryRef ParsePropertyList(const std::string& xml);

// A strings table ("key" = "value"; with comments, escapes and unquoted
// words), UTF-8 or UTF-16 with a byte order mark; false when it does not parse.
bool ParseStringsTable(const std::string& bytes, std::map<std::u16string, std::u16string>& out);

// How deep dicts and arrays may nest in a property list: bundle lists nest a
// few levels; the bound keeps the work on a parsed value (comparing it, which
// recurses) within a small stack.
constexpr int kPropertyListDepthLimit = 512;

// The most bytes read of each kind of bundle file: a bundle's Info.plist is a
// few kilobytes (a megabyte holds tens of thousands of keys), a strings table
// holds a localization's texts, a resource file the resources a classic fork
// could address (24-bit data offsets).
constexpr std::size_t kInfoPlistLimit = std::size_t{1} << 20;
constexpr std::size_t kStringsTableLimit = std::size_t{4} << 20;
constexpr std::size_t kResourceFileLimit = std::size_t{16} << 20;

// The readers of outside files (platform/common/Files.h), as the bundle code
// names them.
using pvcommon::IsWholeSharedObject;
using pvcommon::ReadFile;

}  // namespace pvcf
