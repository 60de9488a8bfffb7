// What a chart draws on, chosen by flavour: the graphics handle through which
// primitives draw, and the canvas a chart owns (complete only inside the
// flavour's drawing layer).
#pragma once

#include <memory>

#if defined(PV_FLAVOUR_MAC)
#include "chart/engine/quartz/CanvasHandle.h"
#else
#include "chart/engine/gdiplus/CanvasHandle.h"
#endif

class CCanvas;

struct CCanvasDeleter {
    void operator()(CCanvas* canvas) const;
};
using CCanvasPtr = std::unique_ptr<CCanvas, CCanvasDeleter>;
