#include "chart/DrawContext.h"

CDrawContext::CDrawContext(Gdiplus::Graphics* graphics, const CColor& colour, float width)
    : graphics_(graphics), colour_(colour), width_(width)
{
}
CDrawContext::~CDrawContext() = default;
CColor CDrawContext::GetSystemColor() { return CColor(0xFFFFFFE1u); }
