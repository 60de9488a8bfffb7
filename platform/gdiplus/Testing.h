// Failure injection for error-path tests of the drawing layer's users. A
// plug-in never calls this.
#pragma once

#include "platform/gdiplus/Gdiplus.h"

namespace Gdiplus {

// The next `count` picture encodings (Bitmap::Save) fail with the status, as
// they would when memory runs out halfway; 0 switches injection off.
void InjectEncodeFailure(Status status, int count = 1);

} // namespace Gdiplus
