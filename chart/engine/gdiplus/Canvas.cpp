// The chart's canvas over our GDI+ layer: a 32-bit ARGB bitmap with its
// graphics, the background, PNG files and container pictures, smoothing and
// the library's start-up.
#include "chart/engine/gdiplus/Canvas.h"

#include <cstdlib>
#include <cwchar>
#include <new>

#include "chart/engine/DrawContext.h"
#include "chart/engine/Plot.h"
#include "chart/output/Container.h"
#include "chart/output/Stream.h"

CCanvas::CCanvas(std::int32_t width, std::int32_t height)
    : bitmap_(width, height, 0, Gdiplus::PixelFormat32bppARGB, nullptr), graphics_(&bitmap_)
{
}

bool CCanvas::Usable() const { return bitmap_.GetWidth() > 0 && bitmap_.GetHeight() > 0; }

void CCanvas::Paint(Gdiplus::ARGB colour)
{
    graphics_.ResetTransform();
    graphics_.SetSmoothingMode(Gdiplus::SmoothingModeDefault);
    graphics_.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    graphics_.Clear(Gdiplus::Color(colour));
}

void CCanvasDeleter::operator()(CCanvas* canvas) const { delete canvas; }

namespace {

// The background: the chart's colour; when it has none, transparent for PNG
// and white for JPEG, which has no transparency.
Gdiplus::ARGB Background(const CPlot& chart)
{
    if (!chart.background.empty)
        return chart.background.argb;
    return chart.jpeg ? CColor::White().argb : 0;
}

// Appends the encoder's bytes to a memory stream's buffer without a copy in
// between.
class StreamSink : public Gdiplus::ByteSink {
public:
    explicit StreamSink(CStream& stream) : stream_(stream) {}
    bool Write(const void* data, std::size_t size) override
    {
        return size <= 0xFFFFFFFFu && stream_.Write(data, static_cast<std::uint32_t>(size));
    }

private:
    CStream& stream_;
};

} // namespace

void CPlot::StartGraphics()
{
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&graphicsToken_, &input, nullptr);
}

void CPlot::StopGraphics() { Gdiplus::GdiplusShutdown(graphicsToken_); }

void CPlot::CreateCanvas()
{
    // The graphics refer to the bitmap: drop them first.
    graphics = nullptr;
    canvas_.reset();
    canvasBudget_ = CCanvasReservation();
    // A picture too large, or one the live charts leave no room for, gets no
    // canvas: the chart cannot be drawn.
    CCanvasReservation budget = CCanvasReservation::For(pictureWidth, pictureHeight);
    if (!budget)
        return;
    // As the macOS flavour's: no memory, or a bitmap the graphics layer
    // refuses, leaves no canvas and frees the reservation.
    canvas_.reset(new (std::nothrow) CCanvas(pictureWidth, pictureHeight));
    if (!canvas_ || !canvas_->Usable()) {
        canvas_.reset();
        return;
    }
    canvasBudget_ = std::move(budget);
    graphics = canvas_->GetGraphics();
    // The background is painted when the chart is drawn.
    canvas_->GetGraphics()->SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
}

bool CPlot::CanvasUsable() const { return canvas_ && canvas_->Usable(); }

void CPlot::ClearCanvas()
{
    // The canvas of the same size is kept and painted over in one pass: a new
    // one costs fresh memory, which the system hands out page by page
    // (measured: a new 640 x 480 bitmap took about 1.5 ms of a chart's draw).
    if (!CanvasUsable() ||
        canvas_->GetBitmap()->GetWidth() != static_cast<Gdiplus::UINT>(pictureWidth) ||
        canvas_->GetBitmap()->GetHeight() != static_cast<Gdiplus::UINT>(pictureHeight))
        CreateCanvas();
    if (!CanvasUsable()) {
        graphics = nullptr;
        return;
    }
    // A PNG follows the drawing: its encoder's helpers wake meanwhile.
    if (!jpeg)
        Gdiplus::ReadyEncoderThreads(pictureWidth, pictureHeight);
    canvas_->Paint(Background(*this));
    graphics = canvas_->GetGraphics();
}

bool CPlot::SaveToFile(const std::wstring& path)
{
    Gdiplus::CLSID clsid;
    if (!CanvasUsable() || GetEncoderClsid(L"image/png", &clsid) < 0)
        return false;
    return canvas_->GetBitmap()->Save(path.c_str(), &clsid, nullptr) == Gdiplus::Ok;
}

void CPrimitive::SetSmoothing()
{
    if (Gdiplus::Graphics* target = FindGraphics())
        target->SetSmoothingMode(smoothing ? Gdiplus::SmoothingModeHighQuality
                                           : Gdiplus::SmoothingModeDefault);
}

std::int16_t EncodePicture(CPlot& chart, FMData* result)
{
    constexpr std::int16_t kFailed = -5;
    const wchar_t* mime = chart.jpeg ? L"image/jpeg" : L"image/png";
    Gdiplus::CLSID clsid;
    if (!chart.CanvasUsable() || GetEncoderClsid(mime, &clsid) < 0)
        return kFailed;
    // A failed encoding may have written part of a picture: none is given.
    CMemoryStream stream;
    StreamSink sink(stream);
    if (chart.GetCanvas()->GetBitmap()->Save(&sink, &clsid, nullptr) != Gdiplus::Ok)
        return kFailed;
    std::unique_ptr<CStream::Buffer> bytes = stream.DetachBuffer();
    const void* data = bytes ? bytes->data() : nullptr;
    const std::uint32_t size = bytes ? bytes->size() : 0;
    const std::int16_t written =
        chart.jpeg ? WriteJpegContainer(data, size, chart.pictureWidth, chart.pictureHeight, result)
                   : WritePngContainer(data, size, chart.pictureWidth, chart.pictureHeight, result);
    return written == 0 ? 0 : kFailed;
}

int GetEncoderClsid(const wchar_t* mimeType, Gdiplus::CLSID* clsid)
{
    if (!mimeType)
        return -1;
    Gdiplus::UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    if (size == 0)
        return -1;
    auto* list = static_cast<Gdiplus::ImageCodecInfo*>(std::malloc(size));
    if (!list)
        return -1;
    int found = -1;
    if (Gdiplus::GetImageEncoders(count, size, list) == Gdiplus::Ok) {
        for (Gdiplus::UINT i = 0; i < count; ++i) {
            if (std::wcscmp(list[i].MimeType, mimeType) == 0) {
                if (clsid)
                    *clsid = list[i].Clsid;
                found = static_cast<int>(i);
                break;
            }
        }
    }
    std::free(list);
    return found;
}
