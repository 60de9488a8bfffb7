// The chart's canvas over our Quartz layer: the bitmap context, the
// background and its transparency layer, PNG files and container pictures
// through ImageIO, anti-aliasing.
#include "chart/engine/quartz/Canvas.h"

#include <cstdlib>
#include <new>
#include <string>

#include <textconv>

#include "chart/engine/DrawContext.h"
#include "chart/engine/Plot.h"
#include "chart/engine/quartz/Colours.h"
#include "chart/output/Container.h"
#include "chart/output/Logging.h"

std::size_t CCanvas::RowBytes(std::int32_t width)
{
    return (static_cast<std::size_t>(width) * 4 + 15) & ~static_cast<std::size_t>(15);
}

CCanvas::CCanvas(std::int32_t width, std::int32_t height) : width_(width), height_(height)
{
    if (width < 1 || height < 1)
        return;
    rowBytes_ = RowBytes(width);
    // Cleared when made (every pixel transparent black): a canvas saved
    // before its first picture shows nothing undefined. A large block comes
    // cleared from the system and is not touched here.
    pixels_.reset(static_cast<unsigned char*>(
        std::calloc(rowBytes_ * static_cast<std::size_t>(height), 1)));
    if (!pixels_)
        return;
    context_ = CGBitmapContextCreate(pixels_.get(), static_cast<std::size_t>(width),
                                     static_cast<std::size_t>(height), 8, rowBytes_,
                                     GetGenericRGBColorSpace(), kCGImageAlphaPremultipliedLast);
    if (!context_) {
        pixels_.reset();
        return;
    }
    CGContextTranslateCTM(context_, 0, static_cast<CGFloat>(height));
    CGContextScaleCTM(context_, 1.0, -1.0);
    // The state every picture starts from, kept below what a drawing sets.
    CGContextSaveGState(context_);
}

CCanvas::~CCanvas()
{
    if (context_) {
        EndLayer();
        CGContextRelease(context_);
    }
}

void CCanvas::EndLayer()
{
    if (context_ && layerOpen_) {
        CGContextEndTransparencyLayer(context_);
    }
    layerOpen_ = false;
}

void CCanvas::Clear(const CColor& background, bool jpeg)
{
    if (!context_)
        return;
    // A layer left open by a picture never taken is closed first, so that
    // the clearing reaches the bitmap itself; then the state a drawing left
    // (anti-aliasing persists on the context) goes back to the start, so
    // that the same chart always gives the same picture.
    EndLayer();
    CGContextRestoreGState(context_);
    CGContextSaveGState(context_);
    const CGRect all = CGRectMake(0, 0, width_, height_);
    if (background.empty && !jpeg) {
        CGContextClearRect(context_, all);
        CGContextBeginTransparencyLayer(context_, nullptr);
        layerOpen_ = true;
        return;
    }
    // An opaque colour over the whole bitmap replaces every pixel: no
    // clearing first.
    const CColor fill = background.empty ? CColor::White() : background;
    if (CGColorRef colour = CreateCGColor(fill)) {
        CGContextSetFillColorWithColor(context_, colour);
        CGContextFillRect(context_, all);
        CGColorRelease(colour);
    }
}

void CCanvasDeleter::operator()(CCanvas* canvas) const { delete canvas; }

namespace {

// A Core Foundation object this code made, released when it goes (also when
// a container writer throws).
class CFHolder {
public:
    explicit CFHolder(CFTypeRef object) : object_(object) {}
    ~CFHolder()
    {
        if (object_)
            CFRelease(object_);
    }
    CFHolder(const CFHolder&) = delete;
    CFHolder& operator=(const CFHolder&) = delete;

private:
    CFTypeRef object_;
};

// The ImageIO properties of a picture: its pixel width and height.
CFDictionaryRef PictureProperties(std::int32_t width, std::int32_t height)
{
    CFNumberRef w = CFNumberCreate(nullptr, kCFNumberIntType, &width);
    CFNumberRef h = CFNumberCreate(nullptr, kCFNumberIntType, &height);
    CFDictionaryRef properties = nullptr;
    if (w && h) {
        const void* keys[2] = {kCGImagePropertyPixelWidth, kCGImagePropertyPixelHeight};
        const void* values[2] = {w, h};
        properties = CFDictionaryCreate(nullptr, keys, values, 2, &kCFTypeDictionaryKeyCallBacks,
                                        &kCFTypeDictionaryValueCallBacks);
    }
    if (w)
        CFRelease(w);
    if (h)
        CFRelease(h);
    return properties;
}

// The canvas's picture into the destination; false when it was not written
// whole. The destination is released.
bool WritePicture(const CCanvas& canvas, CGImageDestinationRef destination)
{
    if (!destination)
        return false;
    bool written = false;
    if (CGImageRef image = CGBitmapContextCreateImage(canvas.GetContext())) {
        CFDictionaryRef properties = PictureProperties(canvas.Width(), canvas.Height());
        CGImageDestinationAddImage(destination, image, properties);
        if (properties)
            CFRelease(properties);
        CGImageRelease(image);
        written = CGImageDestinationFinalize(destination);
    }
    CFRelease(destination);
    return written;
}

} // namespace

void CPlot::StartGraphics() {}

void CPlot::StopGraphics() {}

void CPlot::CreateCanvas()
{
    graphics = nullptr;
    canvas_.reset();
    canvasBudget_ = CCanvasReservation();
    // A picture too large, or one the live charts leave no room for, gets no
    // canvas: the chart cannot be drawn.
    CCanvasReservation budget = CCanvasReservation::For(pictureWidth, pictureHeight);
    if (!budget)
        return;
    canvas_.reset(new (std::nothrow) CCanvas(pictureWidth, pictureHeight));
    if (!canvas_ || !canvas_->Usable()) {
        canvas_.reset();
        return;
    }
    canvasBudget_ = std::move(budget);
    graphics = canvas_->GetContext();
}

bool CPlot::CanvasUsable() const { return canvas_ && canvas_->Usable(); }

void CPlot::ClearCanvas()
{
    if (!CanvasUsable() || canvas_->Width() != pictureWidth || canvas_->Height() != pictureHeight)
        CreateCanvas();
    if (!CanvasUsable()) {
        graphics = nullptr;
        return;
    }
    // A PNG follows the drawing: its encoder's helpers wake meanwhile.
    if (!jpeg)
        PVImageDestinationReadyPNG(static_cast<std::size_t>(pictureWidth), static_cast<std::size_t>(pictureHeight));
    canvas_->Clear(background, jpeg);
    graphics = canvas_->GetContext();
}

bool CPlot::SaveToFile(const std::wstring& path)
{
    if (!CanvasUsable())
        return false;
    // What was drawn into the open layer belongs to the picture.
    canvas_->EndLayer();
    const std::string utf8 = WideToUtf8String(path);
    CFStringRef text = CFStringCreateWithCString(nullptr, utf8.c_str(), kCFStringEncodingUTF8);
    if (!text)
        return false;
    CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, text, kCFURLPOSIXPathStyle, false);
    CFRelease(text);
    if (!url)
        return false;
    CFHolder holder(url);
    return WritePicture(*canvas_, CGImageDestinationCreateWithURL(url, kUTTypePNG, 1, nullptr));
}

void CPrimitive::SetSmoothing()
{
    if (CGContextRef target = FindGraphics())
        CDrawContext(target, colour, width).SetAntialias(smoothing);
}

std::int16_t EncodePicture(CPlot& chart, FMData* result)
{
    constexpr std::int16_t kFailed = -5;
    CCanvas* canvas = chart.GetCanvas();
    if (!chart.CanvasUsable())
        return kFailed;
    canvas->EndLayer();
    CFMutableDataRef data = CFDataCreateMutable(nullptr, 0);
    if (!data)
        return kFailed;
    CFHolder holder(data);
    const CFStringRef type = chart.jpeg ? kUTTypeJPEG : kUTTypePNG;
    std::int16_t code = kFailed;
    // A picture not written whole (the destination refused, the encoder
    // failed) gives none: the result stays as it was.
    if (WritePicture(*canvas, CGImageDestinationCreateWithData(data, type, 1, nullptr))) {
        const CFIndex length = CFDataGetLength(data);
        if (length > 0 && static_cast<std::uint64_t>(length) <= 0xFFFFFFFFu) {
            const auto count = static_cast<std::uint32_t>(length);
            const std::int16_t written =
                chart.jpeg ? WriteJpegContainer(CFDataGetBytePtr(data), count, chart.pictureWidth,
                                                chart.pictureHeight, result)
                           : WritePngContainer(CFDataGetBytePtr(data), count, chart.pictureWidth,
                                               chart.pictureHeight, result);
            code = written == 0 ? 0 : kFailed;
        }
    } else if (Logging::CLogger::Exists()) {
        LogError("Picture encoding failed");
    }
    return code;
}
