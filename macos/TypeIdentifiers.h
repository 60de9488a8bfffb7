// The uniform type identifier functions of ApplicationServices, bound by name
// at run time. The framework is loaded on the first use of an accessor whose
// entry is missing, at most once per accessor; an accessor without its entry
// answers null.
#pragma once

#include "platform/corefoundation/CoreFoundation.h"

namespace mac {

// The framework looked in.
constexpr char kApplicationServicesPath[] = "/System/Library/Frameworks/ApplicationServices.framework";

// UTTypeCreatePreferredIdentifierForTag: the identifier (the caller's to
// release) or null.
CFStringRef UTTypeCreatePreferredIdentifierForTag(CFStringRef tagClass, CFStringRef tag,
                                                  CFStringRef conformingTo);
// UTTypeCopyPreferredTagWithClass: the tag (the caller's to release) or null.
CFStringRef UTTypeCopyPreferredTagWithClass(CFStringRef identifier, CFStringRef tagClass);
// The tag classes the framework names; borrowed, or null.
CFStringRef UTTagClassMIMEType();
CFStringRef UTTagClassFilenameExtension();

// Tests: every accessor unbound and untried again.
void ResetTypeIdentifiersForTesting();

} // namespace mac
