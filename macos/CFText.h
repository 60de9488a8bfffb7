// Core Foundation strings in the macOS flavour: strings made once from the
// program's constant texts, and conversions of strings into the program's
// text buffers (UTF-16, UTF-8, wide UTF-32).
#pragma once

#include <buffer>

#include <cstddef>

#include "platform/corefoundation/CoreFoundation.h"

namespace mac {

// The strings of constant zero-terminated UTF-8 texts, by the text's address:
// two equal texts at different addresses get two strings. The cache owns
// one reference to each; callers borrow the string and never release it.
// Used on the host's plug-in thread only.
class CFStringCache {
public:
    // Makes the empty cache when there is none.
    static void Create();
    // Releases every string and the cache.
    static void Destroy();
    static bool Exists();
    // The string of `text` (a constant that outlives the cache), made and
    // entered on a miss (the cache too when there is none); null when Core
    // Foundation cannot make it.
    static CFStringRef Get(const char* text);
};

// The string's UTF-16 units: the buffer is resized to the length and filled.
// A null or empty string answers 0 and leaves the buffer as it was.
std::size_t ToUtf16(CFStringRef string, std::basic_buffer<char16_t>& target);
// The string's UTF-8 bytes: the buffer is resized to the count and filled.
// A null string answers 0 and leaves the buffer.
std::size_t ToUtf8(CFStringRef string, std::basic_buffer<char>& target);
// The string as wide (UTF-32) text in the buffer, pairs joined; true when
// the string is not empty (the buffer is left as it was otherwise).
bool ToWide(CFStringRef string, std::basic_buffer<wchar_t>& target);

// A transform of a mutable string in place, called with the string and a
// null locale (CFStringLowercase, CFStringUppercase, ...).
typedef void (*CFStringTransform)(CFMutableStringRef string, CFLocaleRef locale);

// The transform of a zero-terminated UTF-8 text, as UTF-8 in the target
// (after its contents with `append`, else in their place). Throws
// std::bad_alloc when no string can be made of the source (malformed
// UTF-8), std::runtime_error("cannot convert CFString to utf8!!!") when the
// result does not convert whole.
void CFStringToUtf8(CFStringTransform transform, std::basic_buffer<char>& target, const char* source,
                    bool append);
// The same for zero-terminated UTF-16 text, into UTF-16. The string is made
// of the counted units, so that text whose units hold a zero byte is whole.
void CFStringToUtf8(CFStringTransform transform, std::basic_buffer<char16_t>& target,
                    const char16_t* source, bool append);

} // namespace mac
