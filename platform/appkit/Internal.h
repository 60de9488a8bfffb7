// Shared inside the appkit layer.
#pragma once

#include <cstdarg>
#include <string>

#include "platform/appkit/AppKit.h"

namespace pvappkit {

// An object that is never freed (literals, constants); not counted as live.
NSObject* Immortal(NSObject* object);
// A new string (one reference) of the units.
NSString* NewString(std::u16string units);
// Strict UTF-8 to UTF-16; false for bytes that are not UTF-8.
bool DecodeUtf8(const char* text, std::size_t length, std::u16string* out);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string EncodeUtf8(const std::u16string& units);
std::string Utf8Of(const NSString* string);
// The units of a format with its arguments (see NSString::stringWithFormat).
std::u16string FormatV(NSString* format, va_list args);

} // namespace pvappkit
