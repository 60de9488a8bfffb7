// The striped PNG writer and its worker threads: exact pixels for pictures
// of every size around the stripe boundaries, one valid zlib stream, the
// same bytes with or without workers, two pictures at once, threads stopped.
#include <gtest/gtest.h>

#include <cairo.h>
#include <dirent.h>
#include <dlfcn.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/common/EncoderPool.h"
#include "platform/gdiplus/Internal.h"
#include "support/gfx_support.h"

using namespace Gdiplus;

namespace {

enum class Alpha { Opaque, Random, LastPixel, LastRowOfFirstStripe };

// Random premultiplied pixels, most of them repeating the pixel above so
// the Up filter and deflate have matches to find, as in charts.
void Fill(Bitmap& bitmap, Alpha alpha, unsigned seed)
{
    Bitmap::Impl* impl = bitmap.GetImpl();
    cairo_surface_flush(impl->surface);
    unsigned char* data = cairo_image_surface_get_data(impl->surface);
    const std::size_t stride = static_cast<std::size_t>(cairo_image_surface_get_stride(impl->surface));
    std::mt19937 random(seed);
    auto row = [&](int y) { return reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(y) * stride); };
    for (int y = 0; y < impl->height; ++y)
        for (int x = 0; x < impl->width; ++x) {
            const std::uint32_t r = random();
            if (y > 0 && r % 16 != 0) {
                row(y)[x] = row(y - 1)[x];
                continue;
            }
            std::uint32_t a = alpha == Alpha::Random ? random() % 256 : 255;
            std::uint32_t pixel = a << 24;
            for (int shift = 0; shift < 24; shift += 8)
                pixel |= (random() % (a + 1)) << shift;
            row(y)[x] = pixel;
        }
    const detail::PngStripes plan = detail::PlanPngStripes(impl->width, impl->height);
    if (alpha == Alpha::LastPixel)
        row(impl->height - 1)[impl->width - 1] = 0x80402010u;
    if (alpha == Alpha::LastRowOfFirstStripe)
        row(plan.rows - 1)[impl->width / 2] = 0x00000000u;
    cairo_surface_mark_dirty(impl->surface);
}

// What the picture must decode to: straight ARGB.
std::vector<std::uint32_t> Expected(const Bitmap& bitmap)
{
    const Bitmap::Impl* impl = bitmap.GetImpl();
    const unsigned char* data = cairo_image_surface_get_data(impl->surface);
    const std::size_t stride = static_cast<std::size_t>(cairo_image_surface_get_stride(impl->surface));
    std::vector<std::uint32_t> argb;
    argb.reserve(static_cast<std::size_t>(impl->width) * static_cast<std::size_t>(impl->height));
    for (int y = 0; y < impl->height; ++y)
        for (int x = 0; x < impl->width; ++x)
            argb.push_back(detail::Unpremultiply(
                reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) * stride)[x]));
    return argb;
}

std::vector<unsigned char> Encode(const Bitmap& bitmap, detail::PngThreads threads)
{
    std::vector<unsigned char> bytes;
    VectorSink sink(bytes);
    EXPECT_EQ(detail::EncodePng(*bitmap.GetImpl(), &sink, threads), Ok);
    return bytes;
}

// A strict reading: any libpng error or warning (a chunk's CRC, the zlib
// stream's Adler-32, data too short or too long) fails it.
struct Strict {
    std::jmp_buf jump;
    std::string problems;
};

void StrictError(png_structp png, png_const_charp message)
{
    auto* strict = static_cast<Strict*>(png_get_error_ptr(png));
    strict->problems += std::string("error: ") + message + "\n";
    std::longjmp(strict->jump, 1);
}

void StrictWarning(png_structp png, png_const_charp message)
{
    static_cast<Strict*>(png_get_error_ptr(png))->problems += std::string("warning: ") + message + "\n";
}

struct Reading {
    const std::vector<unsigned char>* bytes;
    std::size_t at;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t size)
{
    auto* reading = static_cast<Reading*>(png_get_io_ptr(png));
    if (reading->at + size > reading->bytes->size())
        png_error(png, "read past the end");
    std::memcpy(out, reading->bytes->data() + reading->at, size);
    reading->at += size;
}

struct Decoded {
    int width = 0, height = 0, colourType = -1;
    std::vector<std::uint32_t> argb;
    std::size_t unread = 0;   // bytes after the end chunk
};

// Plain C data in this frame (longjmp).
bool StrictRun(Reading* reading, Strict* strict, Decoded* out, std::vector<unsigned char>* rows)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, strict, StrictError, StrictWarning);
    png_infop info = png_create_info_struct(png);
    if (setjmp(strict->jump)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, reading, ReadBytes);
    png_read_info(png, info);
    out->width = static_cast<int>(png_get_image_width(png, info));
    out->height = static_cast<int>(png_get_image_height(png, info));
    out->colourType = png_get_color_type(png, info);
    if (png_get_bit_depth(png, info) != 8 || png_get_interlace_type(png, info) != PNG_INTERLACE_NONE)
        png_error(png, "not 8 bits, not progressive");
    const std::size_t channels = out->colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 3;
    const std::size_t rowBytes = static_cast<std::size_t>(out->width) * channels;
    rows->assign(rowBytes * static_cast<std::size_t>(out->height), 0);
    for (int y = 0; y < out->height; ++y)
        png_read_row(png, rows->data() + rowBytes * static_cast<std::size_t>(y), nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool StrictDecode(const std::vector<unsigned char>& bytes, Decoded* out, std::string* problems)
{
    Reading reading{&bytes, 0};
    Strict strict;
    std::vector<unsigned char> rows;
    bool ok = StrictRun(&reading, &strict, out, &rows) && strict.problems.empty();
    *problems = strict.problems;
    if (!ok)
        return false;
    out->unread = bytes.size() - reading.at;
    const std::size_t channels = out->colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : 3;
    out->argb.clear();
    for (std::size_t i = 0; i + channels <= rows.size(); i += channels) {
        const unsigned char* p = &rows[i];
        const std::uint32_t a = channels == 4 ? p[3] : 255;
        out->argb.push_back(a << 24 | std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2]);
    }
    return true;
}

// Offsets of the chunks of a type: (start of length, data length).
std::vector<std::pair<std::size_t, std::size_t>> Chunks(const std::vector<unsigned char>& png, const char* type)
{
    std::vector<std::pair<std::size_t, std::size_t>> found;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::size_t length = std::size_t(png[at]) << 24 | std::size_t(png[at + 1]) << 16 |
                                   std::size_t(png[at + 2]) << 8 | png[at + 3];
        if (std::memcmp(&png[at + 4], type, 4) == 0)
            found.emplace_back(at, length);
        at += 12 + length;
    }
    return found;
}

void FixCrc(std::vector<unsigned char>* png, std::size_t at, std::size_t length)
{
    uLong crc = crc32(0, png->data() + at + 4, static_cast<uInt>(length + 4));
    for (int i = 0; i < 4; ++i)
        (*png)[at + 8 + length + static_cast<std::size_t>(i)] = static_cast<unsigned char>(crc >> (24 - 8 * i));
}

int TaskCount()
{
    int count = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                ++count;
        closedir(dir);
    }
    return count;
}

// Joined threads leave /proc shortly after the join returns.
bool TaskCountBecomes(int expected)
{
    for (int i = 0; i < 200 && TaskCount() != expected; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return TaskCount() == expected;
}

} // namespace

TEST(PngWriter, StripesCoverThePictureInChunksOfAbout128KB)
{
    for (int width : {1, 7, 640, 1024, 1600, 5000})
        for (int height : {1, 2, 33, 480, 1023, 1200, 4000}) {
            const detail::PngStripes plan = detail::PlanPngStripes(width, height);
            const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
            SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
            ASSERT_GE(plan.count, 1);
            EXPECT_LE(plan.count, 16);
            EXPECT_GE(static_cast<long>(plan.rows) * plan.count, height);
            EXPECT_LT(static_cast<long>(plan.rows) * (plan.count - 1), height);
            if (plan.count > 1) {   // every stripe but the last: 128 KB of RGB at least
                EXPECT_GE(static_cast<std::size_t>(plan.rows) * static_cast<std::size_t>(width) * 3, 128u * 1024 - 3);
            }
            if (pixels < 2 * 128 * 1024 / 3) {
                EXPECT_EQ(plan.count, 1);
            }
            EXPECT_EQ(plan.twoWindows, pixels > 1024u * 1024u);
        }
}

TEST(PngWriter, RandomPicturesDecodeExactlyWithTheSameBytesOnWorkersOrNot)
{
    // Sizes of one stripe, around the boundaries of several, past the change
    // to two windows at a megapixel, and the largest charts.
    std::vector<std::pair<int, int>> sizes = {{1, 1}, {3, 2}, {97, 61}, {640, 480}, {1025, 1024}, {1600, 1200}};
    for (int width : {300, 1201}) {
        const int rows = detail::PlanPngStripes(width, 1000).rows;
        for (int height : {2 * rows - 1, 2 * rows, 2 * rows + 1})
            sizes.emplace_back(width, height);
    }
    unsigned seed = 1;
    for (const auto& [width, height] : sizes)
        for (Alpha alpha : {Alpha::Opaque, Alpha::Random, Alpha::LastPixel, Alpha::LastRowOfFirstStripe}) {
            if (alpha == Alpha::LastRowOfFirstStripe && detail::PlanPngStripes(width, height).count < 2)
                continue;
            SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + " alpha " +
                         std::to_string(static_cast<int>(alpha)));
            Bitmap bitmap(width, height);
            Fill(bitmap, alpha, seed++);
            const std::vector<unsigned char> pooled = Encode(bitmap, detail::PngThreads::Pool);
            const std::vector<unsigned char> alone = Encode(bitmap, detail::PngThreads::CallingThread);
            EXPECT_TRUE(pooled == alone);
            Decoded decoded;
            std::string problems;
            ASSERT_TRUE(StrictDecode(pooled, &decoded, &problems)) << problems;
            EXPECT_EQ(decoded.unread, 0u);
            EXPECT_EQ(decoded.width, width);
            EXPECT_EQ(decoded.height, height);
            EXPECT_EQ(decoded.colourType, alpha == Alpha::Opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA);
            EXPECT_TRUE(decoded.argb == Expected(bitmap));
        }
}

TEST(PngWriter, OneZlibStreamWhoseChecksumsAreChecked)
{
    Bitmap bitmap(1600, 1200);
    Fill(bitmap, Alpha::Opaque, 7);
    const std::vector<unsigned char> good = Encode(bitmap, detail::PngThreads::Pool);
    const auto idat = Chunks(good, "IDAT");
    ASSERT_FALSE(idat.empty());
    const std::size_t first = idat.front().first + 8;
    // A zlib header: deflate with a 32 KB window, no dictionary.
    EXPECT_EQ(good[first], 0x78);
    EXPECT_EQ((good[first] << 8 | good[first + 1]) % 31, 0);
    EXPECT_EQ(good[first + 1] & 0x20, 0);
    Decoded decoded;
    std::string problems;
    ASSERT_TRUE(StrictDecode(good, &decoded, &problems)) << problems;

    // The reading is strict enough to see a wrong Adler-32 (with the chunk's
    // CRC made right) and a wrong CRC.
    std::vector<unsigned char> bad = good;
    const auto [lastAt, lastLength] = idat.back();
    bad[lastAt + 8 + lastLength - 1] ^= 0x01;
    FixCrc(&bad, lastAt, lastLength);
    EXPECT_FALSE(StrictDecode(bad, &decoded, &problems));
    bad = good;
    bad[first + 2] ^= 0x10;
    EXPECT_FALSE(StrictDecode(bad, &decoded, &problems));

    // pngcheck agrees, where it is installed.
    if (access("/usr/bin/pngcheck", X_OK) == 0) {
        const std::string path = std::string(PV_BIN_DIR) + "/png_writer_check.png";
        for (const std::vector<unsigned char>* bytes : {&good, const_cast<const std::vector<unsigned char>*>(&bad)}) {
            std::FILE* file = std::fopen(path.c_str(), "wb");
            ASSERT_NE(file, nullptr);
            ASSERT_EQ(std::fwrite(bytes->data(), 1, bytes->size(), file), bytes->size());
            std::fclose(file);
            const int status = std::system(("/usr/bin/pngcheck -q " + path + " >/dev/null").c_str());
            EXPECT_EQ(WIFEXITED(status) && WEXITSTATUS(status) == 0, bytes == &good);
        }
        std::remove(path.c_str());
    }
}

TEST(PngWriter, TwoThreadsEncodeAtOnce)
{
    Bitmap large(1600, 1200), medium(800, 600);
    Fill(large, Alpha::Opaque, 11);
    Fill(medium, Alpha::Random, 12);
    const std::vector<unsigned char> largeBytes = Encode(large, detail::PngThreads::CallingThread);
    const std::vector<unsigned char> mediumBytes = Encode(medium, detail::PngThreads::CallingThread);
    int largeSame = 0, mediumSame = 0;
    std::thread other([&] {
        for (int i = 0; i < 10; ++i)
            largeSame += Encode(large, detail::PngThreads::Pool) == largeBytes;
    });
    for (int i = 0; i < 20; ++i)
        mediumSame += Encode(medium, detail::PngThreads::Pool) == mediumBytes;
    other.join();
    EXPECT_EQ(largeSame, 10);
    EXPECT_EQ(mediumSame, 20);
}

TEST(EncoderThreads, StartStopAndStartAgainOnDemand)
{
    // Counted without the workers an earlier test of this process started.
    StopEncoderThreads();
    const int before = TaskCount();
    if (!StartEncoderThreads())
        GTEST_SKIP() << "one processor: no workers, the calling thread encodes";
    const int workers = detail::EncoderWorkerCount();
    EXPECT_GT(workers, 0);
    EXPECT_EQ(TaskCount(), before + workers);
    EXPECT_TRUE(StartEncoderThreads());   // started once
    EXPECT_EQ(TaskCount(), before + workers);
    StopEncoderThreads();
    EXPECT_EQ(detail::EncoderWorkerCount(), 0);
    EXPECT_TRUE(TaskCountBecomes(before));

    // A picture of several stripes starts them again; one stripe does not.
    Bitmap small(100, 100), large(1000, 800);
    Fill(small, Alpha::Opaque, 3);
    Fill(large, Alpha::Opaque, 4);
    Encode(small, detail::PngThreads::Pool);
    EXPECT_EQ(detail::EncoderWorkerCount(), 0);
    const std::vector<unsigned char> bytes = Encode(large, detail::PngThreads::Pool);
    EXPECT_EQ(detail::EncoderWorkerCount(), workers);
    EXPECT_TRUE(bytes == Encode(large, detail::PngThreads::CallingThread));
    StopEncoderThreads();
    EXPECT_TRUE(TaskCountBecomes(before));
}

// Readied helpers watch for a picture for a bounded time, then sleep again:
// the process uses no processor time once that time is over; stopping the
// threads while they watch ends them.
TEST(EncoderThreads, ReadiedHelpersSleepAgainAndStopAtOnce)
{
    if (!StartEncoderThreads())
        GTEST_SKIP() << "one processor: no workers";
    auto cpu = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    };
    Bitmap picture(640, 480);
    Fill(picture, Alpha::Opaque, 5);
    const std::vector<unsigned char> alone = Encode(picture, detail::PngThreads::CallingThread);
    Gdiplus::ReadyEncoderThreads(640, 480);
    EXPECT_TRUE(Encode(picture, detail::PngThreads::Pool) == alone);

    Gdiplus::ReadyEncoderThreads(640, 480);   // watched for a few milliseconds
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const double before = cpu();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_LT(cpu() - before, 20.0) << "helpers still watching";

    // Stopped while watching: the threads end.
    const int workers = detail::EncoderWorkerCount();
    const int running = TaskCount();
    Gdiplus::ReadyEncoderThreads(8192, 8192);
    StopEncoderThreads();
    EXPECT_TRUE(TaskCountBecomes(running - workers));
}

TEST(EncoderThreads, UnloadedModuleLeavesNoThread)
{
    const int before = TaskCount();
    void* module = dlopen(PV_ENCODER_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    using Encode = std::size_t (*)(int, int);
    auto encode = reinterpret_cast<Encode>(dlsym(module, "pv_module_encode_png"));
    ASSERT_NE(encode, nullptr);
    EXPECT_GT(encode(1600, 1200), 0u);
    const bool threaded = TaskCount() > before;
    EXPECT_TRUE(threaded || std::thread::hardware_concurrency() < 2);
    // The module's own pool: this program's stays stopped.
    EXPECT_EQ(detail::EncoderWorkerCount(), 0);
    EXPECT_EQ(dlclose(module), 0);
    EXPECT_EQ(dlopen(PV_ENCODER_MODULE, RTLD_NOW | RTLD_NOLOAD), nullptr) << "still loaded";
    EXPECT_TRUE(TaskCountBecomes(before));
}
