// Bitmaps: cairo ARGB32 image surfaces (premultiplied, native byte order).
#include <cstdio>
#include <cstdlib>

#include <atomic>

#include "platform/gdiplus/Internal.h"
#include "platform/gdiplus/Testing.h"

namespace Gdiplus {

namespace {

std::atomic<int> g_failEncodes{0};
std::atomic<Status> g_failStatus{GenericError};

bool TakeInjectedFailure()
{
    int left = g_failEncodes.load();
    while (left > 0 && !g_failEncodes.compare_exchange_weak(left, left - 1)) {
    }
    return left > 0;
}

const cairo_user_data_key_t kPixelsKey{};

// A surface over pixels not set yet (see Bitmap::Impl::blank); null where
// cairo's own surface would fail, so that it fails as before.
cairo_surface_t* BlankSurface(INT width, INT height)
{
    constexpr INT kMaxSide = 32767;
    if (width > kMaxSide || height > kMaxSide)
        return nullptr;
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, width);
    if (stride <= 0)
        return nullptr;
    void* pixels = std::malloc(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    if (!pixels)
        return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        static_cast<unsigned char*>(pixels), CAIRO_FORMAT_ARGB32, width, height, stride);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_set_user_data(surface, &kPixelsKey, pixels, std::free) !=
            CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        std::free(pixels);
        return nullptr;
    }
    return surface;
}

std::unique_ptr<Bitmap::Impl> MakeSurface(INT width, INT height, PixelFormat format)
{
    auto impl = std::make_unique<Bitmap::Impl>();
    if (width <= 0 || height <= 0 || format != PixelFormat32bppARGB) {
        impl->status = InvalidParameter;
        return impl;
    }
    cairo_surface_t* surface = BlankSurface(width, height);
    if (surface)
        impl->blank = true;
    else
        surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_status_t status = cairo_surface_status(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        impl->status = status == CAIRO_STATUS_NO_MEMORY ? OutOfMemory : InvalidParameter;
        return impl;
    }
    impl->surface = surface;
    impl->width = width;
    impl->height = height;
    return impl;
}

} // namespace

Bitmap::Bitmap(INT width, INT height, PixelFormat format)
    : impl_(MakeSurface(width, height, format))
{
    last_ = impl_->status;
}

Bitmap::Bitmap(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0)
{
    if (scan0 || stride != 0) {
        impl_ = std::make_unique<Impl>();
        impl_->status = NotImplemented;
    } else {
        impl_ = MakeSurface(width, height, format);
    }
    last_ = impl_->status;
}

Bitmap::~Bitmap()
{
    if (impl_->surface)
        cairo_surface_destroy(impl_->surface);
}

Bitmap::Impl* Bitmap::GetImpl() const
{
    if (impl_->surface)
        impl_->Realise();
    return impl_.get();
}

UINT Bitmap::GetWidth() const { return static_cast<UINT>(impl_->width); }
UINT Bitmap::GetHeight() const { return static_cast<UINT>(impl_->height); }

Status Bitmap::Keep(Status status) const
{
    if (status != Ok)
        last_ = status;
    return status;
}

Status Bitmap::GetLastStatus() const
{
    Status s = last_;
    last_ = Ok;
    return s;
}

Status Bitmap::GetPixel(INT x, INT y, Color* color) const
{
    if (!impl_->surface)
        return Keep(impl_->status);
    if (!color || x < 0 || y < 0 || x >= impl_->width || y >= impl_->height)
        return Keep(InvalidParameter);
    impl_->Realise();
    cairo_surface_flush(impl_->surface);
    const unsigned char* data = cairo_image_surface_get_data(impl_->surface);
    int stride = cairo_image_surface_get_stride(impl_->surface);
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) *
                                                                        static_cast<std::size_t>(stride));
    *color = Color(detail::Unpremultiply(row[x]));
    return Ok;
}

Status Bitmap::Save(ByteSink* sink, const CLSID* clsid, const EncoderParameters*)
{
    if (!impl_->surface)
        return Keep(impl_->status);
    if (!sink || !clsid)
        return Keep(InvalidParameter);
    if (TakeInjectedFailure())
        return Keep(g_failStatus.load());
    impl_->Realise();
    cairo_surface_flush(impl_->surface);
    switch (detail::CodecOf(clsid)) {
    case detail::Codec::Png:
        return Keep(detail::EncodePng(*impl_, sink));
    case detail::Codec::Jpeg:
        return Keep(detail::EncodeJpeg(*impl_, sink));
    case detail::Codec::None:
        break;
    }
    return Keep(UnknownImageFormat);
}

Status Bitmap::Save(const WCHAR* filename, const CLSID* clsid, const EncoderParameters* params)
{
    if (!filename)
        return Keep(InvalidParameter);
    std::vector<unsigned char> bytes;
    VectorSink sink(bytes);
    Status status = Save(&sink, clsid, params);
    if (status != Ok)
        return status;
    std::string path = detail::Utf8(filename, detail::TextLength(filename, -1));
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return Keep(Win32Error);
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    bool closed = std::fclose(file) == 0;
    return Keep(written && closed ? Ok : Win32Error);
}

void InjectEncodeFailure(Status status, int count)
{
    g_failStatus = status;
    g_failEncodes = count > 0 ? count : 0;
}

} // namespace Gdiplus
