#include "support/gfx_support.h"

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

#include "chart/output/Logging.h"

namespace gfx_test {

LogCapture::LogCapture()
{
    auto stream = std::make_unique<std::ostringstream>();
    stream_ = stream.get();
    Logging::SetupChannels(std::make_shared<Logging::CSink>(std::move(stream)));
}

std::vector<std::string> LogCapture::Lines() const
{
    std::vector<std::string> lines;
    std::istringstream in(stream_->str());
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        // "time, [PREFIX] - message": drop the time.
        auto comma = line.find(", [");
        lines.push_back(comma == std::string::npos ? line : line.substr(comma + 2));
    }
    return lines;
}

Gdiplus::CLSID EncoderClsid(const wchar_t* mimeType)
{
    Gdiplus::UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<unsigned char> block(size);
    auto* list = reinterpret_cast<Gdiplus::ImageCodecInfo*>(block.data());
    Gdiplus::GetImageEncoders(count, size, list);
    for (Gdiplus::UINT i = 0; i < count; ++i)
        if (std::wcscmp(list[i].MimeType, mimeType) == 0)
            return list[i].Clsid;
    return Gdiplus::CLSID();
}

bool DecodePng(const std::vector<unsigned char>& bytes, Image* image)
{
    png_image png;
    std::memset(&png, 0, sizeof(png));
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size()))
        return false;
    png.format = PNG_FORMAT_RGBA;
    std::vector<unsigned char> rgba(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr)) {
        png_image_free(&png);
        return false;
    }
    image->width = static_cast<int>(png.width);
    image->height = static_cast<int>(png.height);
    image->argb.resize(static_cast<std::size_t>(image->width) * image->height);
    for (std::size_t i = 0; i < image->argb.size(); ++i) {
        const unsigned char* p = &rgba[i * 4];
        image->argb[i] = std::uint32_t(p[3]) << 24 | std::uint32_t(p[0]) << 16 |
                         std::uint32_t(p[1]) << 8 | p[2];
    }
    return true;
}

namespace {
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};
void OnJpegError(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }
void OnJpegMessage(j_common_ptr) {}

bool JpegRun(const std::vector<unsigned char>* bytes, std::vector<unsigned char>* rgb, int* w,
             int* h, jpeg_decompress_struct* info, JpegError* error)
{
    info->err = jpeg_std_error(&error->manager);
    error->manager.error_exit = OnJpegError;
    error->manager.output_message = OnJpegMessage;
    if (setjmp(error->jump)) {
        jpeg_destroy_decompress(info);
        return false;
    }
    jpeg_create_decompress(info);
    jpeg_mem_src(info, bytes->data(), static_cast<unsigned long>(bytes->size()));
    jpeg_read_header(info, TRUE);
    info->out_color_space = JCS_RGB;
    jpeg_start_decompress(info);
    *w = static_cast<int>(info->output_width);
    *h = static_cast<int>(info->output_height);
    rgb->resize(static_cast<std::size_t>(*w) * static_cast<std::size_t>(*h) * 3);
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = rgb->data() + static_cast<std::size_t>(info->output_scanline) * (*w) * 3;
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    jpeg_destroy_decompress(info);
    return true;
}
} // namespace

bool DecodeJpeg(const std::vector<unsigned char>& bytes, Image* image)
{
    std::vector<unsigned char> rgb;
    int w = 0, h = 0;
    jpeg_decompress_struct info;
    std::memset(&info, 0, sizeof(info));
    JpegError error;
    if (bytes.empty() || !JpegRun(&bytes, &rgb, &w, &h, &info, &error))
        return false;
    image->width = w;
    image->height = h;
    image->argb.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (std::size_t i = 0; i < image->argb.size(); ++i)
        image->argb[i] = 0xFF000000u | std::uint32_t(rgb[i * 3]) << 16 |
                         std::uint32_t(rgb[i * 3 + 1]) << 8 | rgb[i * 3 + 2];
    return true;
}

Image Pixels(const Gdiplus::Bitmap& bitmap)
{
    Image image;
    image.width = static_cast<int>(bitmap.GetWidth());
    image.height = static_cast<int>(bitmap.GetHeight());
    image.argb.resize(static_cast<std::size_t>(image.width) * image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            Gdiplus::Color c;
            bitmap.GetPixel(x, y, &c);
            image.argb[static_cast<std::size_t>(y) * image.width + x] = c.GetValue();
        }
    return image;
}

double Psnr(const Image& a, const Image& b)
{
    double sum = 0.0;
    std::size_t n = 0;
    for (std::size_t i = 0; i < a.argb.size() && i < b.argb.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8) {
            double d = double(a.argb[i] >> shift & 0xFF) - double(b.argb[i] >> shift & 0xFF);
            sum += d * d;
            ++n;
        }
    if (n == 0 || sum == 0.0)
        return 1000.0;
    return 10.0 * std::log10(255.0 * 255.0 / (sum / double(n)));
}

bool InkBox(const Image& image, Box* box, unsigned alphaThreshold)
{
    Box b;
    b.left = image.width;
    b.top = image.height;
    bool any = false;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if ((image.At(x, y) >> 24) > alphaThreshold) {
                any = true;
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = std::min(b.top, y);
                b.bottom = std::max(b.bottom, y);
            }
    if (any)
        *box = b;
    return any;
}

std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>());
}

} // namespace gfx_test
