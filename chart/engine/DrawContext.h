// The one place where the chart engine touches the graphics library. A
// context is made for one primitive draw from the primitive's colour and line
// width and the canvas graphics; it owns nothing it does not free before an
// operation returns. Coordinates are float pixels, origin top left, y down;
// angles are degrees clockwise from +x; font sizes are whole points.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/Canvas.h"
#include "chart/engine/Color.h"

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

// Makes the drawing layer ready (fonts found and loaded, the text machinery's
// lazily built state made, the encoder's threads and buffers started), so
// that the first picture of a session costs what the others cost.
void PrepareDrawing();
// Lets go of what PrepareDrawing started (the encoder's threads), at the end
// of a session; a later picture starts it again.
void ReleaseDrawing();

class CDrawContext {
public:
    // A smoothed polygon is walked in half-pixel steps, or in as many equal
    // steps as this when half pixels would need more: time and the path's
    // memory stay bounded however long the curve.
    static constexpr std::uint32_t kMaxCurveSteps = 1u << 18;

    CDrawContext(CGraphicsHandle graphics, const CColor& colour, float width);
    virtual ~CDrawContext();

    void DrawLine(const CPointF& from, const CPointF& to, bool dashed);
    void DrawRectangle(const CPointF& topLeft, const CPointF& bottomRight, bool fill,
                       bool gradient);
    void DrawArc(const CPointF& centre, float width, float height, float startAngle,
                 float endAngle, bool fill, bool gradient);
    // DrawArc without gradient at the centre and again at every whole pixel
    // below it, `rows` more times, painted as those calls would paint them
    // one after another; without smoothing, the work does not grow with rows.
    void DrawArcStack(const CPointF& centre, float width, float height, float startAngle,
                      float endAngle, int rows, bool fill);
    void DrawPolygon(const std::vector<CPointF>& points, bool smooth, bool fill);

    CSizeF MeasureString(const std::wstring& family, const std::wstring& text, int size);
    // alignment: 0 left, 1 centre, 2 right; angle in whole degrees.
    void DrawString(const std::wstring& family, const CPointF& anchor, const std::wstring& text,
                    int size, int alignment, int angle);
    void WrapText(const std::wstring& family, int size, float maxWidth, const std::wstring& text,
                  std::vector<std::wstring>& lines);
    void BreakWord(const std::wstring& family, int size, float maxWidth,
                   const std::wstring& word, std::vector<std::wstring>& lines);

    // The longest start of a text that the canvas could show at the size:
    // on one line, no more characters than fit across the picture (its
    // diagonal, at any angle); wrapped, no more than fit its area (a run of
    // spaces, one separator, counts once). The text itself when it is no
    // longer, else `cut` holding the start. Every text is cut by this before
    // it is laid out, measured or drawn, so the work stays bounded by the
    // picture whatever the text; a bigger picture shows more of it.
    // Which part of a line too long for the picture is kept: the part that
    // lies at the anchor when drawn (the start of a text drawn from the
    // anchor, the middle of a centred one, the end of one that ends there).
    enum class Kept { Start, Middle, End };
    const std::wstring& ShownText(const std::wstring& text, int size, bool wrapped,
                                  std::wstring& cut, Kept kept = Kept::Start) const;
    // The part of a line DrawString keeps for the alignment and angle.
    static Kept KeptOf(int alignment, int angle);
    // Where a line of the width starts for its anchor's x: alignment 0 from
    // the anchor, 1 centred on it, 2 ending at it; a turned line is centred.
    // Any other alignment draws from the anchor and says so in the log.
    static float TextLeft(float x, float width, int alignment, int angle);
    // Characters of text at most `wrapped` or single-line layout keeps at the size.
    std::size_t ShownLimit(int size, bool wrapped) const;

    // Text handed to the text layer (measured or drawn) since the process
    // began: calls and characters. Only the drawing thread counts.
    struct TextWork {
        std::uint64_t calls = 0;
        std::uint64_t characters = 0;
    };
    static TextWork& TextWorkDone();
    static void CountTextWork(std::size_t characters)
    {
        ++TextWorkDone().calls;
        TextWorkDone().characters += characters;
    }

    // Background of value tags.
    static CColor GetSystemColor();

    // The bottom edge of what the canvas shows, in pixels; infinite without
    // a canvas.
    float VisibleBottom() const;

#if defined(PV_FLAVOUR_MAC)
    // A line in the colour, dashed 0.5 on and 1.0 off; DrawLine strokes in
    // the context's colour.
    void StrokeLine(const CColor& colour, const CPointF& from, const CPointF& to, bool dashed);
    // Anti-aliasing of what is drawn from now on, on the canvas itself.
    void SetAntialias(bool on);
    float GetTextHeight(const std::wstring& text, const std::wstring& family, int size);
    float GetTextWidth(const std::wstring& text, const std::wstring& family, int size);
#endif

    CGraphicsHandle GetGraphics() const { return graphics_; }
    const CColor& GetColor() const { return colour_; }
    float GetWidth() const { return width_; }

private:
    // The font size in points, capped so that no glyph outgrows the picture.
    int FontSize(int size) const;
    // Width and height of the canvas in pixels; zero without one.
    CSizeF CanvasSize() const;
    // Pixels of a point: text is laid out at 96 dpi over GDI+, at 72 over
    // AppKit.
#if defined(PV_FLAVOUR_MAC)
    static constexpr float kPixelsPerPoint = 1.0f;
#else
    static constexpr float kPixelsPerPoint = 96.0f / 72.0f;
#endif

    CGraphicsHandle graphics_;
    CColor colour_;
    float width_;
};
