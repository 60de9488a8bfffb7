// Bitmap contexts and images.
#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/corefoundation/SystemSetup.h"
#include "platform/quartz/Internal.h"

namespace {

// cairo's largest image side.
constexpr size_t kMaxSide = 32767;

CGImageObject* Image(CGImageRef image, const char* function)
{
    return pvcf::As<CGImageObject>(image, pvquartz::kImageType, function);
}

bool HasAlpha(CGBitmapInfo info)
{
    const CGBitmapInfo alpha = info & kCGBitmapAlphaInfoMask;
    return alpha == kCGImageAlphaPremultipliedFirst || alpha == kCGImageAlphaPremultipliedLast;
}

} // namespace

CGImageObject::~CGImageObject()
{
    if (shared) {
        auto& list = shared->sharing;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

namespace pvquartz {

void WillPaint(CGContextObject* c)
{
    if (c->sharing.empty())
        return;
    cairo_surface_flush(c->surface);
    for (CGImageObject* image : c->sharing) {
        const size_t rowBytes = static_cast<size_t>(image->width) * 4;
        // An image whose copy cannot be made keeps no pixels: encoding it
        // then fails and says so, rather than showing later painting.
        image->own.reset(new (std::nothrow) unsigned char[rowBytes * static_cast<size_t>(image->height)]);
        if (image->own)
            for (int y = 0; y < image->height; ++y)
                std::memcpy(image->own.get() + static_cast<size_t>(y) * rowBytes,
                            image->sharedData + static_cast<size_t>(y) * image->stride, rowBytes);
        image->stride = rowBytes;
        image->shared = nullptr;
        image->sharedData = nullptr;
    }
    c->sharing.clear();
}

} // namespace pvquartz

extern "C" {

CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent,
                                   size_t bytesPerRow, CGColorSpaceRef space, uint32_t bitmapInfo)
{
    if (macsetup::ShouldFail("CGBitmapContextCreate"))
        return nullptr;
    const CGBitmapInfo alpha = bitmapInfo & kCGBitmapAlphaInfoMask;
    const bool supported = alpha == kCGImageAlphaPremultipliedFirst ||
                           alpha == kCGImageAlphaPremultipliedLast ||
                           alpha == kCGImageAlphaNoneSkipFirst || alpha == kCGImageAlphaNoneSkipLast;
    if (!space || CGColorSpaceGetNumberOfComponents(space) != 3 || bitsPerComponent != 8 ||
        !supported || (bitmapInfo & ~(kCGBitmapAlphaInfoMask | kCGBitmapByteOrderMask)) != 0)
        return nullptr;
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide)
        return nullptr;
    if (!data && bytesPerRow == 0)
        bytesPerRow = (width * 4 + 15) & ~static_cast<size_t>(15);
    if (bytesPerRow < width * 4 || bytesPerRow % 4 != 0 || bytesPerRow > 0x7FFFFFFF)
        return nullptr;
    auto* c = new (std::nothrow) CGContextObject;
    if (!c)
        return nullptr;
    c->width = static_cast<int>(width);
    c->height = static_cast<int>(height);
    c->stride = bytesPerRow;
    c->info = bitmapInfo;
    if (data) {
        c->data = static_cast<unsigned char*>(data);
    } else {
        c->data = new (std::nothrow) unsigned char[bytesPerRow * height]();
        c->ownsData = true;
        if (!c->data) {
            delete c;
            return nullptr;
        }
    }
    c->surface = cairo_image_surface_create_for_data(
        c->data, HasAlpha(bitmapInfo) ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, c->width,
        c->height, static_cast<int>(bytesPerRow));
    if (cairo_surface_status(c->surface) != CAIRO_STATUS_SUCCESS) {
        delete c;
        return nullptr;
    }
    c->cr = cairo_create(c->surface);
    if (cairo_status(c->cr) != CAIRO_STATUS_SUCCESS) {
        delete c;
        return nullptr;
    }
    cairo_matrix_t base;
    cairo_matrix_init(&base, 1.0, 0.0, 0.0, -1.0, 0.0, static_cast<double>(c->height));
    cairo_set_matrix(c->cr, &base);
    cairo_set_operator(c->cr, CAIRO_OPERATOR_OVER);
    return c;
}

size_t CGBitmapContextGetWidth(CGContextRef c)
{
    return c ? static_cast<size_t>(pvquartz::Context(c, "CGBitmapContextGetWidth")->width) : 0;
}

size_t CGBitmapContextGetHeight(CGContextRef c)
{
    return c ? static_cast<size_t>(pvquartz::Context(c, "CGBitmapContextGetHeight")->height) : 0;
}

void* CGBitmapContextGetData(CGContextRef c)
{
    return c ? pvquartz::Context(c, "CGBitmapContextGetData")->data : nullptr;
}
size_t CGBitmapContextGetBytesPerRow(CGContextRef c)
{
    return c ? pvquartz::Context(c, "CGBitmapContextGetBytesPerRow")->stride : 0;
}
CGImageRef CGBitmapContextCreateImage(CGContextRef ref)
{
    if (!ref)
        return nullptr;
    CGContextObject* c = pvquartz::Context(ref, "CGBitmapContextCreateImage");
    if (macsetup::ShouldFail("CGBitmapContextCreateImage"))
        return nullptr;
    cairo_surface_flush(c->surface);
    auto* image = new (std::nothrow) CGImageObject;
    if (!image)
        return nullptr;
    image->width = c->width;
    image->height = c->height;
    image->info = c->info;
    // With alpha the image shares the context's pixels and gets its own copy
    // only when the context paints again (copy on write): a canvas-sized
    // block for every picture taken made the heap give its top back and
    // fault the next canvas in anew.
    const size_t rowBytes = static_cast<size_t>(c->width) * 4;
    if (HasAlpha(c->info)) {
        try {
            c->sharing.push_back(image);
        } catch (const std::bad_alloc&) {
            delete image;
            return nullptr;
        }
        image->shared = c;
        image->sharedData = c->data;
        image->stride = c->stride;
        return image;
    }
    // cairo leaves the unused byte undefined: copied now, opaque.
    image->own.reset(new (std::nothrow) unsigned char[rowBytes * static_cast<size_t>(c->height)]);
    if (!image->own) {
        delete image;
        return nullptr;
    }
    image->stride = rowBytes;
    for (int y = 0; y < c->height; ++y) {
        unsigned char* out = image->own.get() + static_cast<size_t>(y) * rowBytes;
        std::memcpy(out, c->data + static_cast<size_t>(y) * c->stride, rowBytes);
        auto* words = reinterpret_cast<uint32_t*>(out);
        for (int x = 0; x < c->width; ++x)
            words[x] |= 0xFF000000u;
    }
    return image;
}

CGImageRef CGImageRetain(CGImageRef image)
{
    if (image)
        CFRetain(image);
    return image;
}

void CGImageRelease(CGImageRef image)
{
    if (image)
        CFRelease(image);
}

size_t CGImageGetWidth(CGImageRef image)
{
    return image ? static_cast<size_t>(Image(image, "CGImageGetWidth")->width) : 0;
}

size_t CGImageGetHeight(CGImageRef image)
{
    return image ? static_cast<size_t>(Image(image, "CGImageGetHeight")->height) : 0;
}
}  // extern "C"
