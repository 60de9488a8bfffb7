// The Quartz flavour draws through the canvas's CoreGraphics bitmap context.
#pragma once

typedef struct CGContextObject* CGContextRef;

using CGraphicsHandle = CGContextRef;
