// UTF-8 and UTF-16 as the frameworks convert them: strictly, so that
// malformed bytes fail a conversion instead of changing the text.
#pragma once

#include "platform/common/Utf.h"

namespace framework {

using pvcommon::utf::Utf16ToUtf8;
using pvcommon::utf::Utf8ToUtf16;

} // namespace framework
