// Image destinations over the shared encoders.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/common/Encoders.h"
#include "platform/corefoundation/SystemSetup.h"
#include "platform/quartz/ImageIO.h"
#include "platform/quartz/Internal.h"

namespace {

CFStringRef Literal(const char* text)
{
    return CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8);
}

enum class Kind { Png, Jpeg };

} // namespace

struct CGImageDestinationObject : CFObject {
    CGImageDestinationObject() : CFObject(pvquartz::kImageDestinationType) {}
    ~CGImageDestinationObject() override
    {
        if (data)
            CFRelease(data);
        if (url)
            CFRelease(url);
        if (image)
            CGImageRelease(image);
    }
    Kind kind = Kind::Png;
    CFMutableDataRef data = nullptr;
    CFURLRef url = nullptr;
    CGImageRef image = nullptr;
    int quality = pvcommon::image::kJpegQuality;
    bool finalized = false;
};

namespace {

CGImageDestinationObject* Destination(CGImageDestinationRef d, const char* function)
{
    return pvcf::As<CGImageDestinationObject>(d, pvquartz::kImageDestinationType, function);
}

bool KindOf(CFStringRef type, Kind* kind)
{
    if (!type)
        return false;
    if (CFEqual(type, kUTTypePNG)) {
        *kind = Kind::Png;
        return true;
    }
    if (CFEqual(type, kUTTypeJPEG)) {
        *kind = Kind::Jpeg;
        return true;
    }
    return false;
}

// The quality of a dictionary's lossy compression entry, if it has one.
void TakeQuality(CFDictionaryRef properties, int* quality)
{
    if (!properties)
        return;
    const void* value =
        CFDictionaryGetValue(properties, kCGImageDestinationLossyCompressionQuality);
    if (!value || CFGetTypeID(value) != CFNumberGetTypeID())
        return;
    double q = 0.0;
    CFNumberGetValue(static_cast<CFNumberRef>(value), kCFNumberDoubleType, &q);
    if (!std::isfinite(q))
        return;
    q = q < 0.0 ? 0.0 : q > 1.0 ? 1.0 : q;
    const int percent = static_cast<int>(std::lround(q * 100.0));
    *quality = percent < 1 ? 1 : percent;
}

CGImageDestinationObject* Make(Kind kind, size_t count, CFDictionaryRef options)
{
    if (count != 1)
        return nullptr;
    auto* d = new CGImageDestinationObject;
    d->kind = kind;
    TakeQuality(options, &d->quality);
    return d;
}

class VectorSink : public pvcommon::image::ByteSink {
public:
    bool Write(const void* data, std::size_t size) override
    {
        const auto* bytes = static_cast<const unsigned char*>(data);
        try {
            bytes_.insert(bytes_.end(), bytes, bytes + size);
        } catch (...) {
            return false;
        }
        return true;
    }
    std::vector<unsigned char> bytes_;
};

bool WriteFile(CFURLRef url, const std::vector<unsigned char>& bytes)
{
    char path[4096];
    if (!CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(path), sizeof path))
        return false;
    // Written beside and renamed: a failed write leaves no half file.
    const std::string temporary = std::string(path) + ".pvtmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    if (ok)
        ok = std::rename(temporary.c_str(), path) == 0;
    if (!ok)
        std::remove(temporary.c_str());
    return ok;
}

} // namespace

extern "C" {

const CFStringRef kUTTypePNG = Literal("public.png");
const CFStringRef kUTTypeJPEG = Literal("public.jpeg");
const CFStringRef kCGImagePropertyPixelWidth = Literal("PixelWidth");
const CFStringRef kCGImagePropertyPixelHeight = Literal("PixelHeight");
const CFStringRef kCGImageDestinationLossyCompressionQuality =
    Literal("kCGImageDestinationLossyCompressionQuality");

CFTypeID CGImageDestinationGetTypeID(void) { return pvquartz::kImageDestinationType; }

CGImageDestinationRef CGImageDestinationCreateWithData(CFMutableDataRef data, CFStringRef type,
                                                       size_t count, CFDictionaryRef options)
{
    Kind kind;
    if (!data || !KindOf(type, &kind))
        return nullptr;
    CGImageDestinationObject* d = Make(kind, count, options);
    if (d)
        d->data = static_cast<CFMutableDataRef>(const_cast<void*>(CFRetain(data)));
    return d;
}

CGImageDestinationRef CGImageDestinationCreateWithURL(CFURLRef url, CFStringRef type, size_t count,
                                                      CFDictionaryRef options)
{
    Kind kind;
    if (!url || !KindOf(type, &kind))
        return nullptr;
    CGImageDestinationObject* d = Make(kind, count, options);
    if (d)
        d->url = static_cast<CFURLRef>(CFRetain(url));
    return d;
}

void CGImageDestinationAddImage(CGImageDestinationRef idst, CGImageRef image,
                                CFDictionaryRef properties)
{
    CGImageDestinationObject* d = Destination(idst, "CGImageDestinationAddImage");
    if (!image || d->image || d->finalized)
        return;
    d->image = CGImageRetain(image);
    TakeQuality(properties, &d->quality);
}

bool CGImageDestinationFinalize(CGImageDestinationRef idst)
{
    CGImageDestinationObject* d = Destination(idst, "CGImageDestinationFinalize");
    if (d->finalized || !d->image)
        return false;
    d->finalized = true;
    if (macsetup::ShouldFail("CGImageDestinationFinalize"))
        return false;
    auto* image = pvcf::As<CGImageObject>(d->image, pvquartz::kImageType, "CGImageDestinationFinalize");
    pvcommon::image::Pixels pixels;
    pixels.data = image->Data();
    pixels.stride = image->stride;
    pixels.width = image->width;
    pixels.height = image->height;
    VectorSink sink;
    const pvcommon::image::Status status = d->kind == Kind::Png
                                               ? pvcommon::image::EncodePng(pixels, &sink)
                                               : pvcommon::image::EncodeJpeg(pixels, &sink, d->quality);
    if (status != pvcommon::image::Ok)
        return false;
    if (d->data) {
        CFDataAppendBytes(d->data, sink.bytes_.data(), static_cast<CFIndex>(sink.bytes_.size()));
        return true;
    }
    return WriteFile(d->url, sink.bytes_);
}

void PVImageDestinationReadyPNG(size_t width, size_t height)
{
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        return;
    pvcommon::image::ReadyEncoderThreads(static_cast<int>(width), static_cast<int>(height));
}

}  // extern "C"
