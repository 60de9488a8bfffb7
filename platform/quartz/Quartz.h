// The macOS flavour's drawing frameworks: CoreGraphics and ImageIO.
#pragma once

#include "platform/quartz/CoreGraphics.h"
#include "platform/quartz/ImageIO.h"
