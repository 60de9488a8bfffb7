// ImageIO as the macOS flavour's picture code calls it: destinations that
// write one image as PNG or JPEG into a CFMutableData or a file, over the
// shared encoders of platform/common.
#pragma once

#include "platform/corefoundation/CoreFoundation.h"
#include "platform/quartz/CoreGraphics.h"

extern "C" {

// The uniform type identifiers the destinations take ("public.png",
// "public.jpeg").
extern const CFStringRef kUTTypePNG;
extern const CFStringRef kUTTypeJPEG;

// Property keys. The pixel sizes are accepted and ignored (the image's own
// size is written); the lossy compression quality (a CFNumber, 0.0 to 1.0) sets the JPEG
// quality, 0.75 (libjpeg's 75) when not given.
extern const CFStringRef kCGImagePropertyPixelWidth;
extern const CFStringRef kCGImagePropertyPixelHeight;
extern const CFStringRef kCGImageDestinationLossyCompressionQuality;

typedef struct CGImageDestinationObject* CGImageDestinationRef;

CFTypeID CGImageDestinationGetTypeID(void);
// Null for a type other than PNG or JPEG, a count other than 1 or a null
// data or URL. The destination keeps the data (retained) or the URL.
CGImageDestinationRef CGImageDestinationCreateWithData(CFMutableDataRef data, CFStringRef type,
                                                       size_t count, CFDictionaryRef options);
CGImageDestinationRef CGImageDestinationCreateWithURL(CFURLRef url, CFStringRef type, size_t count,
                                                      CFDictionaryRef options);
// Keeps the image (retained) and the properties for Finalize; an image
// beyond the count announced is ignored.
void CGImageDestinationAddImage(CGImageDestinationRef idst, CGImageRef image,
                                CFDictionaryRef properties);
// Encodes the image and appends the bytes to the data or writes the file
// (replacing it). False, with the data left as it was and no file written,
// when no image was added, encoding fails or the file cannot be written;
// a destination finalizes once.
bool CGImageDestinationFinalize(CGImageDestinationRef idst);

// Not ImageIO's: the stand-in's hint that a PNG picture of this size is about
// to be drawn, so that its encoder's threads wake and watch for it.
void PVImageDestinationReadyPNG(size_t width, size_t height);

}  // extern "C"
