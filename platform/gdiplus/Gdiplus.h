// Our GDI+ layer: the part of the GDI+ interface that the chart engine draws
// and encodes with, over cairo image surfaces (32-bit ARGB), pango/fontconfig
// for text, libpng and libjpeg-turbo for the encoders.
//
// Conventions kept from GDI+:
// - coordinates are float pixels, origin top left, y down; pixel centres lie on
//   whole coordinates (a 1-pixel line at y = 10 covers pixel row 10 exactly);
// - angles are degrees, clockwise on the canvas from +x; for ellipses an angle
//   names the point of the ellipse seen from the centre under that angle;
// - every call returns its Status; a failure is also kept as the object's last
//   status, which GetLastStatus() hands out and resets to Ok;
// - text is at 96 dpi (a point is 4/3 pixel), metrics hinting off, so widths
//   are the same on every machine with the same fonts;
// - coordinates and sizes beyond 8 million pixels are refused (ValueOverflow).
//
// See Recording.h for the log of drawing operations used by the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/Encoders.h"

namespace Gdiplus {

using REAL = float;
using INT = int;
using UINT = unsigned int;
using BYTE = std::uint8_t;
using ARGB = std::uint32_t;
using WCHAR = wchar_t;   // UTF-32 here
using LANGID = unsigned short;
using ULONG_PTR = std::uintptr_t;
using COLORREF = std::uint32_t;   // 0x00BBGGRR

enum Status {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    NotImplemented = 6,
    Win32Error = 7,
    FileNotFound = 10,
    ValueOverflow = 11,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
};

constexpr LANGID LANG_NEUTRAL = 0;

struct PointF {
    REAL X = 0.0f;
    REAL Y = 0.0f;
    PointF() = default;
    PointF(REAL x, REAL y) : X(x), Y(y) {}
};

struct SizeF {
    REAL Width = 0.0f;
    REAL Height = 0.0f;
};

struct RectF {
    REAL X = 0.0f;
    REAL Y = 0.0f;
    REAL Width = 0.0f;
    REAL Height = 0.0f;
    RectF() = default;
    RectF(REAL x, REAL y, REAL width, REAL height) : X(x), Y(y), Width(width), Height(height) {}
};

class Color {
public:
    Color() = default;   // opaque black
    Color(ARGB argb) : argb_(argb) {}   // NOLINT: implicit as in GDI+
    Color(BYTE a, BYTE r, BYTE g, BYTE b)
        : argb_(static_cast<ARGB>(a) << 24 | static_cast<ARGB>(r) << 16 |
                static_cast<ARGB>(g) << 8 | b)
    {
    }
    ARGB GetValue() const { return argb_; }
    BYTE GetA() const { return static_cast<BYTE>(argb_ >> 24); }
    BYTE GetR() const { return static_cast<BYTE>(argb_ >> 16); }
    BYTE GetG() const { return static_cast<BYTE>(argb_ >> 8); }
    BYTE GetB() const { return static_cast<BYTE>(argb_); }

private:
    ARGB argb_ = 0xFF000000u;
};

enum DashStyle { DashStyleSolid = 0, DashStyleDash = 1 };
enum LinearGradientMode { LinearGradientModeHorizontal = 0, LinearGradientModeVertical = 1 };
enum WrapMode { WrapModeTile = 0 };
enum FillMode { FillModeAlternate = 0, FillModeWinding = 1 };
enum SmoothingMode { SmoothingModeDefault = 0, SmoothingModeHighQuality = 2 };
enum TextRenderingHint { TextRenderingHintSystemDefault = 0, TextRenderingHintAntiAlias = 4 };
enum MatrixOrder { MatrixOrderPrepend = 0, MatrixOrderAppend = 1 };
enum Unit { UnitPixel = 2, UnitPoint = 3 };
enum FontStyle { FontStyleRegular = 0 };
enum StringAlignment { StringAlignmentNear = 0, StringAlignmentCenter = 1 };

using PixelFormat = INT;
constexpr PixelFormat PixelFormat32bppARGB = 0x0026200A;

// Class id of an image encoder.
struct CLSID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    BYTE Data4[8] = {};
};
bool operator==(const CLSID& a, const CLSID& b);
inline bool operator!=(const CLSID& a, const CLSID& b) { return !(a == b); }

// One entry of the encoder list. The texts point into the same block that
// GetImageEncoders fills (after the array of entries).
struct ImageCodecInfo {
    CLSID Clsid;
    const WCHAR* CodecName = nullptr;
    const WCHAR* FilenameExtension = nullptr;
    const WCHAR* MimeType = nullptr;
};

// The number of encoders and the byte size of the block GetImageEncoders fills.
Status GetImageEncodersSize(UINT* numEncoders, UINT* size);
// Fills a caller's block of `size` bytes: `numEncoders` entries, then their texts.
Status GetImageEncoders(UINT numEncoders, UINT size, ImageCodecInfo* encoders);

// Never built by this layer; Save takes a null pointer.
struct EncoderParameters;

struct GdiplusStartupInput {
    std::uint32_t GdiplusVersion = 1;
    void* DebugEventCallback = nullptr;
    bool SuppressBackgroundThread = false;
    bool SuppressExternalCodecs = false;
};
// Nothing needs starting here; the token only pairs the calls.
Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, void* output);
void GdiplusShutdown(ULONG_PTR token);

// The PNG encoder's worker threads (this layer's own addition). Encoding
// starts them on first need; starting them at load keeps that out of the
// first picture. Stop them before the module is unloaded (they are stopped at
// unload in any case); a later picture starts them again. Start answers false
// when no thread could be started: PNG encoding then runs on the calling
// thread, with the same bytes.
bool StartEncoderThreads();
void StopEncoderThreads();
// A PNG picture of this size is about to be drawn: the encoder's threads
// wake and watch for it (see platform/common/Encoders.h).
void ReadyEncoderThreads(INT width, INT height);

// System colours (the subset the engine asks for). The tooltip background is
// the common light yellow 255, 255, 225.
constexpr int COLOR_INFOBK = 24;
COLORREF GetSysColor(int index);

// Where Bitmap::Save writes its bytes in memory: the shared encoders' sink.
using ByteSink = pvcommon::image::ByteSink;

// A sink appending to a caller's vector.
class VectorSink : public ByteSink {
public:
    explicit VectorSink(std::vector<unsigned char>& bytes) : bytes_(bytes) {}
    bool Write(const void* data, std::size_t size) override;

private:
    std::vector<unsigned char>& bytes_;
};

class Pen {
public:
    explicit Pen(const Color& color, REAL width = 1.0f);
    Status SetWidth(REAL width);
    Status SetDashStyle(DashStyle style);
    REAL GetWidth() const { return width_; }
    DashStyle GetDashStyle() const { return dash_; }
    Color GetColor() const { return color_; }
    Status GetLastStatus() const;

private:
    Color color_;
    REAL width_;
    DashStyle dash_ = DashStyleSolid;
    Status usable_ = Ok;   // a pen made with a bad width cannot draw
    mutable Status last_ = Ok;
    friend class Graphics;
};

class Brush {
public:
    virtual ~Brush() = default;
    Status GetLastStatus() const;

    enum class Kind { Solid, LinearGradient };
    Kind GetKind() const { return kind_; }

protected:
    explicit Brush(Kind kind) : kind_(kind) {}
    Kind kind_;
    Status usable_ = Ok;   // a gradient over an empty rectangle cannot fill
    mutable Status last_ = Ok;
    friend class Graphics;
};

class SolidBrush : public Brush {
public:
    explicit SolidBrush(const Color& color) : Brush(Kind::Solid), color_(color) {}
    Color GetColor() const { return color_; }

private:
    Color color_;
};

// A gradient from the first colour at the rectangle's top (vertical) or left
// (horizontal) edge to the second colour at the opposite edge, repeated
// beyond the rectangle (tile wrap). An empty rectangle gives an unusable
// brush (status InvalidParameter).
class LinearGradientBrush : public Brush {
public:
    LinearGradientBrush(const RectF& rect, const Color& color1, const Color& color2,
                        LinearGradientMode mode);
    Status SetWrapMode(WrapMode mode);
    const RectF& GetRect() const { return rect_; }
    Color GetColor1() const { return color1_; }
    Color GetColor2() const { return color2_; }
    LinearGradientMode GetMode() const { return mode_; }
    WrapMode GetWrapMode() const { return wrap_; }

private:
    RectF rect_;
    Color color1_;
    Color color2_;
    LinearGradientMode mode_;
    WrapMode wrap_ = WrapModeTile;
};

// A font family resolved by name through fontconfig. A name that fontconfig
// cannot resolve to itself or to a metric-compatible alias (Arial to
// Liberation Sans, ...) leaves the status FontFamilyNotFound.
class FontFamily {
public:
    explicit FontFamily(const WCHAR* name);
    // The generic sans-serif family ("sans-serif"); always available.
    static const FontFamily* GenericSansSerif();

    bool IsAvailable() const { return status_ == Ok; }
    Status GetLastStatus() const { return status_; }
    // The family's name as asked for (UTF-8); "sans-serif" for the generic one.
    const std::string& GetName() const { return name_; }

private:
    struct Generic {};
    explicit FontFamily(Generic);
    std::string name_;
    Status status_ = Ok;
};

class Font {
public:
    // A family that is not available, or a size that is not positive, leaves
    // the font unusable with its status set.
    Font(const FontFamily* family, REAL emSize, INT style = FontStyleRegular,
         Unit unit = UnitPoint);
    bool IsAvailable() const { return status_ == Ok; }
    Status GetLastStatus() const { return status_; }
    const std::string& GetFamilyName() const { return family_; }
    REAL GetSize() const { return size_; }
    Unit GetUnit() const { return unit_; }
    // The em size in pixels at 96 dpi.
    REAL GetPixelSize() const;

private:
    std::string family_;
    REAL size_;
    Unit unit_;
    Status status_ = Ok;
};

class StringFormat {
public:
    explicit StringFormat(INT formatFlags = 0, LANGID language = LANG_NEUTRAL);
    Status SetAlignment(StringAlignment align);
    StringAlignment GetAlignment() const { return align_; }

private:
    StringAlignment align_ = StringAlignmentNear;
};

// A path of straight lines. Lines continue one open figure: a line whose start
// differs from the figure's last point is joined to it, as in GDI+.
class GraphicsPath {
public:
    explicit GraphicsPath(FillMode fillMode = FillModeAlternate);
    Status AddLine(const PointF& from, const PointF& to);
    Status AddLine(REAL x1, REAL y1, REAL x2, REAL y2);
    INT GetPointCount() const { return static_cast<INT>(points_.size()); }
    const std::vector<PointF>& GetPoints() const { return points_; }
    Status GetLastStatus() const;

private:
    std::vector<PointF> points_;
    mutable Status last_ = Ok;
};

class Graphics;

// A 32-bit ARGB bitmap, every pixel transparent (0x00000000) when created.
class Bitmap {
public:
    Bitmap(INT width, INT height, PixelFormat format = PixelFormat32bppARGB);
    // Caller's pixel memory is not supported: scan0 must be null.
    Bitmap(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0);
    ~Bitmap();
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    UINT GetWidth() const;
    UINT GetHeight() const;
    // The pixel as un-premultiplied ARGB.
    Status GetPixel(INT x, INT y, Color* color) const;
    // Encodes with the encoder of the class id (see GetImageEncoders) into a
    // file (UTF-32 path) or a byte sink. PNG: 8 bits, RGB when every pixel
    // is opaque, else un-premultiplied RGBA; JPEG: quality 75, every pixel
    // composed over white.
    Status Save(const WCHAR* filename, const CLSID* clsid,
                const EncoderParameters* params = nullptr);
    Status Save(ByteSink* sink, const CLSID* clsid, const EncoderParameters* params = nullptr);
    Status GetLastStatus() const;

    struct Impl;
    // The pixels, set up to be read or written directly.
    Impl* GetImpl() const;

private:
    friend class Graphics;
    Status Keep(Status status) const;
    std::unique_ptr<Impl> impl_;
    mutable Status last_ = Ok;
};

// Drawing on a bitmap, which must outlive it.
class Graphics {
public:
    explicit Graphics(Bitmap* bitmap);
    static Graphics* FromImage(Bitmap* bitmap);
    ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    Status GetLastStatus();

    // HighQuality: anti-aliased edges; Default: aliased.
    Status SetSmoothingMode(SmoothingMode mode);
    SmoothingMode GetSmoothingMode() const;
    Status SetTextRenderingHint(TextRenderingHint hint);
    TextRenderingHint GetTextRenderingHint() const;

    // The world transform maps drawing coordinates to the canvas. Prepend
    // applies the new step before the current transform, Append after it.
    Status TranslateTransform(REAL dx, REAL dy, MatrixOrder order = MatrixOrderPrepend);
    Status RotateTransform(REAL angle, MatrixOrder order = MatrixOrderPrepend);
    Status ResetTransform();
    // Every pixel to the colour, whatever the transform; writes no recording
    // line (it places no geometry).
    Status Clear(const Color& color);
    // m11, m12, m21, m22, dx, dy: (x, y) -> (x m11 + y m21 + dx, x m12 + y m22 + dy).
    void GetTransform(REAL elements[6]) const;
    // The drawing surface in device pixels: (0, 0, width, height) of the bitmap.
    Status GetVisibleClipBounds(RectF* bounds) const;

    Status DrawLine(const Pen* pen, REAL x1, REAL y1, REAL x2, REAL y2);
    Status DrawLine(const Pen* pen, const PointF& from, const PointF& to);
    // Rectangles with a negative width or height draw nothing.
    Status DrawRectangle(const Pen* pen, REAL x, REAL y, REAL width, REAL height);
    Status FillRectangle(const Brush* brush, REAL x, REAL y, REAL width, REAL height);
    // Ellipse bounding box, start angle, sweep (negative: anticlockwise); a
    // sweep of 360 or more is the whole ellipse. An empty box draws nothing.
    Status FillPie(const Brush* brush, REAL x, REAL y, REAL width, REAL height,
                   REAL startAngle, REAL sweepAngle);
    Status DrawArc(const Pen* pen, REAL x, REAL y, REAL width, REAL height, REAL startAngle,
                   REAL sweepAngle);
    // Not in GDI+: DrawArc or FillPie at the box and again at every whole
    // pixel below it, `rows` more times, with the pixels those calls would
    // give one after another. An aliased opaque solid shape without a
    // transform is drawn in one pass whose work follows the pixels painted
    // and one shape's outline, not the number of rows; any other is drawn
    // call by call. rows < 0 is refused.
    Status DrawArcStack(const Pen* pen, REAL x, REAL y, REAL width, REAL height,
                        REAL startAngle, REAL sweepAngle, INT rows);
    Status FillPieStack(const Brush* brush, REAL x, REAL y, REAL width, REAL height,
                        REAL startAngle, REAL sweepAngle, INT rows);
    Status FillPolygon(const Brush* brush, const PointF* points, INT count,
                       FillMode fillMode = FillModeAlternate);
    Status DrawPath(const Pen* pen, const GraphicsPath* path);

    // Text is laid out on one line from the layout rectangle's corner. Near
    // alignment starts at X; centre alignment centres the text in the
    // rectangle's width (about X for an empty rectangle). No wrapping or
    // clipping. length -1: up to the terminating zero.
    Status MeasureString(const WCHAR* text, INT length, const Font* font, const RectF& layoutRect,
                         const StringFormat* format, RectF* boundingBox) const;
    Status DrawString(const WCHAR* text, INT length, const Font* font, const RectF& layoutRect,
                      const StringFormat* format, const Brush* brush);

    struct Impl;

private:
    static Status Usable(const Pen* pen);
    static Status Usable(const Brush* brush);
    Status Keep(Status status) const;
    // Ok when an operation may draw: the graphics are sound, the pen or brush
    // usable and the coordinates placeable; a refusal is kept as last status.
    template <class Tool>
    Status Ready(const Tool* tool, std::initializer_list<REAL> coordinates) const;
    std::unique_ptr<Impl> impl_;
    mutable Status last_ = Ok;
};

} // namespace Gdiplus
