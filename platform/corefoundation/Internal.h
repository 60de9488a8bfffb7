// Helpers that the stand-in libraries share beyond the public calls
// (libCarbon.so uses them too). Not for the plug-in.
#pragma once

#include <string>

#include "platform/corefoundation/CoreFoundation.h"

namespace pvcf {

// A new string (one reference for the caller) of UTF-16 text.
CFStringRef NewString(std::u16string text);
// A new string of UTF-8 text; invalid bytes become U+FFFD.
CFStringRef NewStringFromUtf8(const std::string& text);
// The string's UTF-16 text.
const std::u16string& Text(CFStringRef string);
// The string's text as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf8(CFStringRef string);

// The file-system path of a bundle's folder (absolute, with the system root
// applied, no final "/"), and of its resource folder (where Info.plist's
// resources live) and executable name (empty when it has none).
std::string BundleFolder(CFBundleRef bundle);
std::string BundleResourcesFolder(CFBundleRef bundle);
std::string BundleExecutableName(CFBundleRef bundle);

}  // namespace pvcf
