// The one place where the chart engine touches the graphics library. A
// context is made for one primitive draw from the primitive's colour and line
// width and the canvas graphics; it owns nothing it does not free before an
// operation returns. Coordinates are float pixels, origin top left, y down;
// angles are degrees clockwise from +x; font sizes are whole points.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "chart/Color.h"

namespace Gdiplus {
class Graphics;
class Font;
struct CLSID;
} // namespace Gdiplus

struct CPointF {
    float x = 0.0f;
    float y = 0.0f;
    CPointF() = default;
    CPointF(float x, float y) : x(x), y(y) {}
    bool operator==(const CPointF& o) const { return x == o.x && y == o.y; }
};

struct CSizeF {
    float width = 0.0f;
    float height = 0.0f;
};

class CDrawContext {
public:
    CDrawContext(Gdiplus::Graphics* graphics, const CColor& colour, float width);
    virtual ~CDrawContext();

    void DrawLine(const CPointF& from, const CPointF& to, bool dashed);
    void DrawRectangle(const CPointF& topLeft, const CPointF& bottomRight, bool fill,
                       bool gradient);
    void DrawArc(const CPointF& centre, float width, float height, float startAngle,
                 float endAngle, bool fill, bool gradient);
    void DrawPolygon(const std::vector<CPointF>& points, bool smooth, bool fill);

    CSizeF MeasureString(const std::wstring& family, const std::wstring& text, int size);
    // alignment: 0 left, 1 centre, 2 right; angle in whole degrees.
    void DrawString(const std::wstring& family, const CPointF& anchor, const std::wstring& text,
                    int size, int alignment, int angle);
    void WrapText(const std::wstring& family, int size, float maxWidth, const std::wstring& text,
                  std::vector<std::wstring>& lines);
    void BreakWord(const std::wstring& family, int size, float maxWidth,
                   const std::wstring& word, std::vector<std::wstring>& lines);
    std::unique_ptr<Gdiplus::Font> CreateFont(const std::wstring& family, int size);

    // Background of value tags.
    static CColor GetSystemColor();

    Gdiplus::Graphics* GetGraphics() const { return graphics_; }
    const CColor& GetColor() const { return colour_; }
    float GetWidth() const { return width_; }

private:
    Gdiplus::Graphics* graphics_;
    CColor colour_;
    float width_;
};

// Index of the first image encoder whose MIME type equals the text exactly
// (and its class id), or -1.
int GetEncoderClsid(const wchar_t* mimeType, Gdiplus::CLSID* clsid);
