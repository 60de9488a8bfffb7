// The chart's canvas over our GDI+ layer: a 32-bit ARGB bitmap with its
// graphics, the background, PNG files and container pictures, smoothing and
// the library's start-up.
#include "chart/engine/gdiplus/Canvas.h"

#include <cstdlib>
#include <cwchar>

#include "chart/engine/DrawContext.h"
#include "chart/engine/Plot.h"
#include "chart/output/Container.h"
#include "chart/output/Stream.h"

CCanvas::CCanvas(std::int32_t width, std::int32_t height)
    : bitmap_(width, height, 0, Gdiplus::PixelFormat32bppARGB, nullptr), graphics_(&bitmap_)
{
}

bool CCanvas::Usable() const { return bitmap_.GetWidth() > 0 && bitmap_.GetHeight() > 0; }

void CCanvasDeleter::operator()(CCanvas* canvas) const { delete canvas; }

namespace {

// The background over the whole canvas.
void PaintBackground(Gdiplus::Graphics& canvas, const CPlot& chart)
{
    canvas.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);

    // An empty background stays transparent in PNG; JPEG has no transparency.
    CColor fill;
    if (!chart.background.empty)
        fill = chart.background;
    else if (chart.jpeg)
        fill = CColor::White();
    else
        return;
    Gdiplus::SolidBrush brush(Gdiplus::Color(fill.argb));
    canvas.FillRectangle(&brush, 0.0f, 0.0f, static_cast<float>(chart.pictureWidth),
                         static_cast<float>(chart.pictureHeight));
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
    canvas_.reset(new CCanvas(pictureWidth, pictureHeight));
    canvasBudget_ = std::move(budget);
    graphics = canvas_->GetGraphics();
    PaintBackground(*canvas_->GetGraphics(), *this);
}

bool CPlot::CanvasUsable() const { return canvas_ && canvas_->Usable(); }

void CPlot::ClearCanvas()
{
    // The canvas of the same size is kept and wiped: a new one costs fresh
    // memory, which the system hands out page by page (measured: a new
    // 640 x 480 bitmap took about 1.5 ms of a chart's draw, wiping 0.05 ms).
    if (!CanvasUsable() ||
        canvas_->GetBitmap()->GetWidth() != static_cast<Gdiplus::UINT>(pictureWidth) ||
        canvas_->GetBitmap()->GetHeight() != static_cast<Gdiplus::UINT>(pictureHeight)) {
        CreateCanvas();
        return;
    }
    Gdiplus::Graphics& g = *canvas_->GetGraphics();
    graphics = &g;
    g.ResetTransform();
    g.SetSmoothingMode(Gdiplus::SmoothingModeDefault);
    g.Clear(Gdiplus::Color(0));
    PaintBackground(g, *this);
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
