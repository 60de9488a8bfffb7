// The drawing tree of a chart. A parent makes its children through Add,
// which builds the child, hands it to the parent's list and only then links
// it back: ownership passes once, and a failure on the way leaves the
// parent as it was with the child freed once. Drawing a primitive draws its
// children first and then itself, so a primitive is painted over its own
// children. Fields are set directly by the chart code.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "chart/engine/Color.h"
#include "chart/engine/DrawContext.h"

// Four margins in the order top, right, bottom, left.
struct CPadding {
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::int32_t left = 0;
};

class CObject {
public:
    CObject() = default;
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
    virtual ~CObject();
};

class CPrimitive : public CObject {
public:
    // A primitive of the colour, not yet in any tree.
    explicit CPrimitive(const CColor& colour);
    // A root drawing on the given graphics.
    explicit CPrimitive(CGraphicsHandle graphics);
    ~CPrimitive() override;

    // Own smoothing, then every child in the order added.
    virtual void Draw();
    // Applies the smoothing flag to the graphics this primitive draws on.
    virtual void SetSmoothing();
    virtual void Reserved() {}

    // A new child of kind T built from the arguments, appended to the
    // children; the child itself, owned by this primitive.
    template <class T, class... A>
    T& Add(A&&... args)
    {
        auto child = std::make_shared<T>(std::forward<A>(args)...);
        T& made = *child;
        AddChild(std::move(child));
        return made;
    }
    // Appends a primitive made apart (not in any tree yet) and makes this
    // its parent.
    void AddChild(std::shared_ptr<CPrimitive> child);
    // A context over the nearest graphics up the tree, with this primitive's
    // colour and width.
    std::shared_ptr<CDrawContext> CreateDrawContext() const;
    // This primitive's graphics or the first ancestor's; null when none.
    CGraphicsHandle FindGraphics() const;

    CGraphicsHandle graphics = nullptr;
    CColor colour;
    std::vector<std::shared_ptr<CPrimitive>> children;
    float width = 1.0f;
    bool smoothing = false;
    CPrimitive* parent = nullptr;
};

class CArc : public CPrimitive {
public:
    CArc(const CColor& colour, const CPointF& centre, float ellipseWidth,
         float ellipseHeight, float startAngle, float endAngle, bool fill, bool gradient);
    void Draw() override;

    bool fill;
    bool gradient;
    float centreX;
    float centreY;
    float ellipseWidth;
    float ellipseHeight;
    float startAngle;
    float endAngle;
};

// Equal arcs one pixel apart: the arc at its centre and at every whole pixel
// below it, `rows` more, drawn in one operation (no gradient), so that a
// tall band costs about what one arc costs.
class CArcStack : public CArc {
public:
    CArcStack(const CColor& colour, const CPointF& centre, float ellipseWidth,
              float ellipseHeight, float startAngle, float endAngle, bool fill, std::int32_t rows);
    void Draw() override;

    std::int32_t rows;
};

class CLine : public CPrimitive {
public:
    CLine(const CColor& colour, const CPointF& from, const CPointF& to, bool dashed = false);
    void Draw() override;

    CPointF from;
    CPointF to;
    bool dashed;
};

class CRectangle : public CPrimitive {
public:
    CRectangle(const CColor& colour, const CPointF& topLeft, const CPointF& bottomRight,
               bool fill, bool gradient);
    void Draw() override;

    CPointF topLeft;
    CPointF bottomRight;
    bool fill;
    bool gradient;
};

class CPolygon : public CPrimitive {
public:
    CPolygon(const CColor& colour, std::vector<CPointF> points, bool smooth, bool fill);
    void Draw() override;

    std::vector<CPointF> points;
    bool smooth;
    bool fill;
};

// A layout rectangle; draws nothing.
class CRect : public CPrimitive {
public:
    CRect(const CColor& colour, float left, float top, float right, float bottom);

    // A new parentless rectangle, opaque black, shrunk by the margins.
    std::shared_ptr<CRect> Inset(const CPadding& margins) const;

    float left;
    float top;
    float right;
    float bottom;
};

// A point mark: an outlined 10-pixel square around a filled 6-pixel one.
class CDot : public CPrimitive {
public:
    CDot(const CColor& colour, const CPointF& centre);
    void Draw() override;

    CPointF centre;
};

// A bar: a flat rectangle, or with depth a front face, top face, front top
// edge and side face.
class CBox : public CPrimitive {
public:
    CBox(const CColor& colour, const CPointF& topLeft, const CPointF& bottomRight, bool fill,
         bool gradient, std::int32_t depth);
    void Draw() override;

    CPointF topLeft;
    CPointF bottomRight;
    bool fill;
    bool gradient;
    std::int32_t depth;
};

// Text lines anchored at (x, y): alignment 0 left, 1 centre, 2 right; the
// anchor is the vertical middle of the first line.
class CText : public CPrimitive {
public:
    CText(const CColor& colour, std::wstring text, std::wstring family, const CPointF& anchor,
          std::int32_t size, std::int32_t alignment, float wrapWidth = 0.0f,
          std::wstring subText = std::wstring());
    void Draw() override;

    // Wrapped lines when a wrap width is set, else 1.
    std::size_t GetLineCount() const;

    std::wstring text;
    std::wstring family;
    std::wstring subText;
    float x;
    float y;
    std::int32_t size;
    std::int32_t alignment;
    float wrapWidth;
    float lineStep = 0.0f;
    std::int32_t angle = 0;

private:
    const std::vector<std::wstring>& Lines(CDrawContext& context) const;

    // The lines last wrapped and what they were wrapped from: a legend
    // counts an entry's lines and then draws them, and wrapping is the
    // costly part.
    struct Wrapped {
        std::wstring shown;
        std::wstring family;
        std::int32_t size = 0;
        float wrapWidth = 0.0f;
        CGraphicsHandle graphics = nullptr;
        std::vector<std::wstring> lines;
    };
    mutable Wrapped wrapped_;
};

// A legend: one row per entry with a colour marker and the entry's title.
class CCaption : public CPrimitive {
public:
    CCaption(const CColor& colour, float originX, float originY, float wrapWidth);
    void Draw() override;

    void AddEntry(const std::wstring& title, const CColor& colour);

    std::vector<std::pair<CColor, std::wstring>> entries;
    // The i-th sub-text belongs to the i-th entry.
    std::vector<std::wstring> subTexts;
    float originX;
    float originY;
    float markerSize = 15.0f;
    float rowHeight = 15.0f;
    bool frame = false;
    float wrapWidth;
    std::wstring family;
    std::int32_t size = 0;
};
