// The GDI+ flavour draws through the canvas bitmap's Graphics object.
#pragma once

namespace Gdiplus {
class Graphics;
}

using CGraphicsHandle = Gdiplus::Graphics*;
