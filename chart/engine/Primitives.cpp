#include "chart/engine/Primitives.h"

#include <algorithm>

CObject::~CObject() = default;

// ---------------------------------------------------------------------------
// CPrimitive

CPrimitive::CPrimitive(const CColor& colourValue) : colour(colourValue) {}

CPrimitive::CPrimitive(CGraphicsHandle rootGraphics) : graphics(rootGraphics) {}

CPrimitive::~CPrimitive() = default;

void CPrimitive::AddChild(std::shared_ptr<CPrimitive> child)
{
    if (!child)
        return;
    // The list grows geometrically. When it cannot grow it is left as it
    // was, and the child goes with its one remaining owner, the argument.
    children.push_back(child);
    child->parent = this;
}

CGraphicsHandle CPrimitive::FindGraphics() const
{
    for (const CPrimitive* p = this; p; p = p->parent) {
        if (p->graphics)
            return p->graphics;
    }
    return nullptr;
}

std::shared_ptr<CDrawContext> CPrimitive::CreateDrawContext() const
{
    return std::make_shared<CDrawContext>(FindGraphics(), colour, width);
}

void CPrimitive::Draw()
{
    SetSmoothing();
    // A child may add children of its own while drawing, never to this list.
    for (const auto& child : children)
        child->Draw();
}

// ---------------------------------------------------------------------------
// Drawing kinds: children first, then the primitive itself.

CArc::CArc(const CColor& colourValue, const CPointF& centre, float ellipseW, float ellipseH,
           float start, float end, bool fillFlag, bool gradientFlag)
    : CPrimitive(colourValue),
      fill(fillFlag),
      gradient(gradientFlag),
      centreX(centre.x),
      centreY(centre.y),
      ellipseWidth(ellipseW),
      ellipseHeight(ellipseH),
      startAngle(start),
      endAngle(end)
{
    width = 2.0f;
}

void CArc::Draw()
{
    CPrimitive::Draw();
    CreateDrawContext()->DrawArc(CPointF(centreX, centreY), ellipseWidth, ellipseHeight,
                                 startAngle, endAngle, fill, gradient);
}

CArcStack::CArcStack(const CColor& colourValue, const CPointF& centre, float ellipseW,
                     float ellipseH, float start, float end, bool fillFlag, std::int32_t rowCount)
    : CArc(colourValue, centre, ellipseW, ellipseH, start, end, fillFlag, false),
      rows(rowCount)
{
}

void CArcStack::Draw()
{
    CPrimitive::Draw();
    CreateDrawContext()->DrawArcStack(CPointF(centreX, centreY), ellipseWidth, ellipseHeight,
                                      startAngle, endAngle, rows, fill);
}

CLine::CLine(const CColor& colourValue, const CPointF& fromPoint, const CPointF& toPoint,
             bool dashedFlag)
    : CPrimitive(colourValue), from(fromPoint), to(toPoint), dashed(dashedFlag)
{
}

void CLine::Draw()
{
    CPrimitive::Draw();
    CreateDrawContext()->DrawLine(from, to, dashed);
}

CRectangle::CRectangle(const CColor& colourValue, const CPointF& topLeftPoint,
                       const CPointF& bottomRightPoint, bool fillFlag, bool gradientFlag)
    : CPrimitive(colourValue),
      topLeft(topLeftPoint),
      bottomRight(bottomRightPoint),
      fill(fillFlag),
      gradient(gradientFlag)
{
}

void CRectangle::Draw()
{
    CPrimitive::Draw();
    CreateDrawContext()->DrawRectangle(topLeft, bottomRight, fill, gradient);
}

CPolygon::CPolygon(const CColor& colourValue, std::vector<CPointF> pointList, bool smoothFlag,
                   bool fillFlag)
    : CPrimitive(colourValue),
      points(std::move(pointList)),
      smooth(smoothFlag),
      fill(fillFlag)
{
}

void CPolygon::Draw()
{
    CPrimitive::Draw();
    CreateDrawContext()->DrawPolygon(points, smooth, fill);
}

// ---------------------------------------------------------------------------
// CRect

CRect::CRect(const CColor& colourValue, float l, float t, float r, float b)
    : CPrimitive(colourValue), left(l), top(t), right(r), bottom(b)
{
}

std::shared_ptr<CRect> CRect::Inset(const CPadding& margins) const
{
    return std::make_shared<CRect>(CColor(0xFF000000u), left + margins.left, top + margins.top,
                                   right - margins.right, bottom - margins.bottom);
}

// ---------------------------------------------------------------------------
// Kinds that build their children at every draw.

CDot::CDot(const CColor& colourValue, const CPointF& centrePoint)
    : CPrimitive(colourValue), centre(centrePoint)
{
}

void CDot::Draw()
{
    const float x = centre.x;
    const float y = centre.y;
    Add<CRectangle>(colour, CPointF(x - 5, y - 5), CPointF(x + 5, y + 5), false, false);
    Add<CRectangle>(colour, CPointF(x - 3, y - 3), CPointF(x + 3, y + 3), true, false);
    CPrimitive::Draw();
}

CBox::CBox(const CColor& colourValue, const CPointF& topLeftPoint, const CPointF& bottomRightPoint,
           bool fillFlag, bool gradientFlag, std::int32_t depthValue)
    : CPrimitive(colourValue),
      topLeft(topLeftPoint),
      bottomRight(bottomRightPoint),
      fill(fillFlag),
      gradient(gradientFlag),
      depth(depthValue)
{
}

void CBox::Draw()
{
    const float l = topLeft.x;
    const float t = topLeft.y;
    const float r = bottomRight.x;
    const float b = bottomRight.y;
    if (depth <= 0) {
        Add<CRectangle>(colour, topLeft, bottomRight, fill, gradient).smoothing = true;
    } else {
        const float d = static_cast<float>(depth);
        const CColor side = CColor::Shade(colour, 50);
        Add<CRectangle>(colour, CPointF(l - d, t + d), CPointF(r - d, b + d), fill, gradient);
        Add<CPolygon>(side,
                      std::vector<CPointF>{CPointF(l - d, t + d), CPointF(l, t), CPointF(r, t),
                                           CPointF(r - d, t + d)},
                      false, true);
        Add<CLine>(CColor::Shade(colour, 70), CPointF(l - d, t + d), CPointF(r - d, t + d), false);
        Add<CPolygon>(side,
                      std::vector<CPointF>{CPointF(r - d, t + d), CPointF(r, t), CPointF(r, b),
                                           CPointF(r - d, b + d)},
                      false, true);
    }
    CPrimitive::Draw();
}

// ---------------------------------------------------------------------------
// CText

CText::CText(const CColor& colourValue, std::wstring textValue, std::wstring familyName,
             const CPointF& anchor, std::int32_t fontSize, std::int32_t align, float wrap,
             std::wstring sub)
    : CPrimitive(colourValue),
      text(std::move(textValue)),
      family(std::move(familyName)),
      subText(std::move(sub)),
      x(anchor.x),
      y(anchor.y),
      size(fontSize),
      alignment(align),
      wrapWidth(wrap)
{
}

const std::vector<std::wstring>& CText::Lines(CDrawContext& context) const
{
    std::wstring cut;
    Wrapped& w = wrapped_;
    if (wrapWidth <= 0.0f) {
        w.lines.assign(1, context.ShownText(text, size, false, cut,
                                            CDrawContext::KeptOf(alignment, angle)));
        w.shown.clear();
        w.graphics = nullptr;
        return w.lines;
    }
    const std::wstring& shown = context.ShownText(text, size, true, cut);
    if (w.graphics && w.graphics == context.GetGraphics() && w.size == size &&
        w.wrapWidth == wrapWidth && w.family == family && w.shown == shown)
        return w.lines;
    w.lines.clear();
    w.graphics = nullptr;
    context.WrapText(family, size, wrapWidth, shown, w.lines);
    w.shown = shown;
    w.family = family;
    w.size = size;
    w.wrapWidth = wrapWidth;
    w.graphics = context.GetGraphics();
    return w.lines;
}

std::size_t CText::GetLineCount() const
{
    if (wrapWidth <= 0.0f)
        return 1;
    auto context = CreateDrawContext();
    return Lines(*context).size();
}

void CText::Draw()
{
    CPrimitive::Draw();
    auto context = CreateDrawContext();
    // Unturned lines only go down: once one lies below the canvas by more
    // than a few lines of text (each is centred on its anchor, its ink
    // within its measured height), none after it can show.
    const bool downward = angle <= 0 && lineStep >= 0.0f;
    const float visibleBottom = context->VisibleBottom();
    float reach = -1.0f;
    auto belowCanvas = [&](float offset) {
        if (!downward || y + offset < visibleBottom)
            return false;
        if (reach < 0.0f)
            reach = 4.0f * context->MeasureString(family, L"\u00C5g", size).height;
        return y + offset - reach >= visibleBottom;
    };
    float offset = 0.0f;
    for (const auto& line : Lines(*context)) {
        if (belowCanvas(offset))
            return;
        context->DrawString(family, CPointF(x, y + offset), line, size, alignment, angle);
        offset += lineStep;
    }
    if (!subText.empty() && !belowCanvas(offset)) {
        std::wstring cut;
        context->DrawString(family, CPointF(x, y + offset),
                            L"(" + context->ShownText(subText, size - 5, false, cut,
                                                      CDrawContext::KeptOf(alignment, angle)) +
                                L")",
                            size - 5, alignment, angle);
    }
}

// ---------------------------------------------------------------------------
// CCaption

CCaption::CCaption(const CColor& colourValue, float x, float y, float wrap)
    : CPrimitive(colourValue), originX(x), originY(y), wrapWidth(wrap)
{
}

void CCaption::AddEntry(const std::wstring& title, const CColor& entryColour)
{
    entries.emplace_back(entryColour, title);
}

void CCaption::Draw()
{
    // Rows only go down: once a row's top lies below the canvas by more
    // than twice a line of text (which is centred on the row, its ink within
    // its measured height), neither it nor any row after it can show. A
    // legend of a hundred thousand labels draws the rows one can see.
    const auto context = CreateDrawContext();
    const float visibleBottom = context->VisibleBottom();
    float textReach = -1.0f;
    std::size_t row = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const CColor& entryColour = entries[i].first;
        const std::wstring sub = i < subTexts.size() ? subTexts[i] : std::wstring();
        const float top = originY + 5.0f + static_cast<float>(row) * (rowHeight + 5);
        if (top >= visibleBottom) {
            if (textReach < 0.0f) {
                const CSizeF line = context->MeasureString(family, L"\u00C5g", size);
                textReach = 2.0f * std::max(rowHeight, line.height);
            }
            if (top - textReach >= visibleBottom)
                break;
        }
        const float bottom = top + rowHeight;
        const float right = originX + markerSize;
        if (frame)
            Add<CRectangle>(entryColour, CPointF(originX, top), CPointF(right, bottom), false,
                            false);
        Add<CRectangle>(entryColour, CPointF(originX + 2, top + 2), CPointF(right - 2, bottom - 2),
                        true, false);
        CText& label = Add<CText>(colour, entries[i].second, family,
                                  CPointF(right + 5.0f, (top + bottom) * 0.5f), size, 0, wrapWidth,
                                  sub);
        label.smoothing = true;
        label.lineStep = rowHeight + 5;
        row += label.GetLineCount();
        if (!sub.empty())
            ++row;
    }
    CPrimitive::Draw();
}
