// A module that encodes a PNG with its own copy of the GDI+ layer, for the
// test that unloading it leaves no encoder thread behind.
#include <cstddef>
#include <vector>

#include "platform/gdiplus/Gdiplus.h"

namespace {

const Gdiplus::CLSID* PngClsid(std::vector<unsigned char>* block)
{
    Gdiplus::UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    block->resize(size);
    auto* list = reinterpret_cast<Gdiplus::ImageCodecInfo*>(block->data());
    Gdiplus::GetImageEncoders(count, size, list);
    return &list[0].Clsid;   // PNG comes first
}

} // namespace

// The PNG's byte count for a picture of that size with lines on white.
extern "C" std::size_t pv_module_encode_png(int width, int height)
{
    Gdiplus::Bitmap bitmap(width, height);
    {
        Gdiplus::Graphics g(&bitmap);
        g.Clear(Gdiplus::Color(0xFFFFFFFF));
        Gdiplus::Pen pen(Gdiplus::Color(0xFF204080), 1.0f);
        for (int x = 0; x < width; x += 7)
            g.DrawLine(&pen, float(x), 0.0f, float(width - x), float(height));
    }
    std::vector<unsigned char> block, bytes;
    Gdiplus::VectorSink sink(bytes);
    if (bitmap.Save(&sink, PngClsid(&block)) != Gdiplus::Ok)
        return 0;
    return bytes.size();
}
