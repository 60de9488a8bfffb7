// The PNG writer: the image data deflated in horizontal stripes on the
// encoder's workers, joined into one zlib stream.
//
// Every stripe is filtered Up (its first row against the last row of the
// stripe above, so the filtered bytes are those of one stream), deflated on
// its own and, but for the last, ended with a sync flush: byte-aligned, no
// final block, so the stripes' outputs simply follow each other. Their
// Adler-32 sums are combined with zlib's. libpng writes the header, the IDAT
// chunks and the end.
//
// One pass per stripe checks opacity, converts and filters, as RGB while the
// picture may be opaque: charts almost always are. A stripe that meets
// transparency tells the others and goes over to RGBA; a stripe finished as
// RGB before that is done again.
//
// Deflate is ISA-L's level 1, which encodes a 640 x 480 chart in a fifth to
// a third of the time zlib's level 1 takes. With its full 32 KB window it
// keeps charts up to a megapixel within 1.35 times libpng's default size,
// but larger ones grow to 1.9 times: on rows longer than a few kilobytes its
// single hash candidate keeps pointing rows back, and the long distances
// cost more than the matches save. A 4 KB window fixes that for pies and bars
// and hurts lines, so above a megapixel every stripe is deflated with both
// windows and the smaller output kept: 1.1 to 1.42 times libpng's size on
// the chart types up to 4000 x 3000, at about twice ISA-L's little time.
// zlib's level 4 gave 1.0 times but took thirty times as long.
#include <isa-l/igzip_lib.h>
#include <png.h>
#include <zlib.h>
#include <immintrin.h>

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "platform/common/EncoderPool.h"
#include "platform/common/Encoders.h"

namespace pvcommon {
namespace image {

namespace {

// About 128 KB of RGB bytes per stripe, at most this many stripes.
constexpr std::size_t kStripeMinPixels = 128 * 1024 / 3;
constexpr int kMaxStripes = 16;
// Above this, stripes are also deflated with the small window.
constexpr std::size_t kOneWindowMaxPixels = 1024 * 1024;
constexpr int kSmallWindowBits = 12;
// Rows are converted, filtered and summed this many bytes at a time, so they
// are still in cache when deflate reads them. ISA-L ends a block at every
// call: 64 KB pieces made 4000 x 3000 charts a sixth larger.
constexpr std::size_t kChunkBytes = 512 * 1024;
// IDAT chunks of at most this many bytes.
constexpr std::size_t kIdatBytes = 1 << 20;
// Kept buffers above this size are given back after the picture.
constexpr std::size_t kKeepBytes = 8u << 20;

// --- the upper AVX state ----------------------------------------------------

// ISA-L leaves the upper halves of the AVX registers dirty; until they are
// cleared, the SSE code that follows (zlib, pixman, our own) runs up to
// twice as slow on some processors. The instruction exists only with AVX.
bool HasAvx()
{
    static const bool avx = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx") != 0;
    }();
    return avx;
}

__attribute__((target("avx"))) void ZeroUpperAvx() { _mm256_zeroupper(); }

inline void AfterIsal()
{
    if (HasAvx())
        ZeroUpperAvx();
}

// --- pixels -------------------------------------------------------------------

// Opaque rows: the Up-filtered RGB bytes of a row straight from the pixels
// (for opaque pixels the RGB bytes are the pixel's own, so the row above
// needs no conversion); false when a pixel of the row is not opaque.
bool UpRgbPlain(const std::uint32_t* row, const std::uint32_t* above, int width, unsigned char* out)
{
    std::uint32_t all = 0xFF000000u;
    for (int x = 0; x < width; ++x) {
        const std::uint32_t p = row[x];
        const std::uint32_t q = above ? above[x] : 0;
        all &= p;
        out[0] = static_cast<unsigned char>((p >> 16) - (q >> 16));
        out[1] = static_cast<unsigned char>((p >> 8) - (q >> 8));
        out[2] = static_cast<unsigned char>(p - q);
        out += 3;
    }
    return all >= 0xFF000000u;
}

// The same, four pixels at a time; writes up to 4 bytes past the row.
__attribute__((target("ssse3"))) bool UpRgbSsse3(const std::uint32_t* row, const std::uint32_t* above,
                                                  int width, unsigned char* out)
{
    const __m128i toRgb = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    __m128i all = _mm_set1_epi32(-1);
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        const __m128i q = above ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + x))
                                : _mm_setzero_si128();
        all = _mm_and_si128(all, p);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(_mm_sub_epi8(p, q), toRgb));
        out += 12;
    }
    all = _mm_and_si128(all, _mm_srli_si128(all, 8));
    all = _mm_and_si128(all, _mm_srli_si128(all, 4));
    const bool opaque = static_cast<std::uint32_t>(_mm_cvtsi128_si32(all)) >= 0xFF000000u;
    return UpRgbPlain(row + x, above ? above + x : nullptr, width - x, out) && opaque;
}

bool UpRgb(const std::uint32_t* row, const std::uint32_t* above, int width, unsigned char* out)
{
    static const bool ssse3 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    return ssse3 ? UpRgbSsse3(row, above, width, out) : UpRgbPlain(row, above, width, out);
}

// Premultiplied native ARGB32 to straight RGBA bytes.
void RowToRgba(const std::uint32_t* in, int width, unsigned char* out)
{
    for (int x = 0; x < width; ++x) {
        const ARGB p = Unpremultiply(in[x]);
        out[0] = static_cast<unsigned char>(p >> 16);
        out[1] = static_cast<unsigned char>(p >> 8);
        out[2] = static_cast<unsigned char>(p);
        out[3] = static_cast<unsigned char>(p >> 24);
        out += 4;
    }
}

// --- kept state -----------------------------------------------------------------

// One stripe's compression state and row buffers: made once, reset per stripe.
struct Coder {
    Coder() = default;
    Coder(const Coder&) = delete;
    Coder& operator=(const Coder&) = delete;
    ~Coder() = default;

    // One deflate state per window.
    isal_zstream isal[2]{};
    std::unique_ptr<std::uint8_t[]> isalLevel[2];
    std::vector<unsigned char> previous;   // the row above, converted
    std::vector<unsigned char> current;
    std::vector<unsigned char> filtered;   // filter bytes and filtered rows
};

// One stripe's output, kept until the picture is written.
struct Deflated {
    std::vector<unsigned char> bytes;
    std::size_t size = 0;        // deflated bytes in `bytes`
};

struct StripeOut {
    Deflated window[2];          // the large window's, the small one's
    int kept = 0;                // the smaller
    std::uint32_t adler = 1;     // of the filtered bytes
    std::size_t length = 0;      // filtered bytes
    bool rgba = false;
    Status status = Ok;
};

// Coders and stripe outputs for every picture in the module, whichever
// thread encodes it.
class Kept {
public:
    std::unique_ptr<Coder> TakeCoder()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!coders_.empty()) {
                std::unique_ptr<Coder> c = std::move(coders_.back());
                coders_.pop_back();
                return c;
            }
        }
        return std::make_unique<Coder>();
    }

    void Give(std::unique_ptr<Coder> coder)
    {
        if (coder->filtered.capacity() > kKeepBytes)
            return;   // a huge row: not worth keeping
        std::lock_guard<std::mutex> lock(mutex_);
        try {
            coders_.push_back(std::move(coder));
        } catch (...) {
            // Not kept, no harm.
        }
    }

    // `count` outputs, appended to `outs`.
    void TakeOuts(int count, std::vector<std::unique_ptr<StripeOut>>* outs)
    {
        outs->reserve(static_cast<std::size_t>(count));
        {
            std::lock_guard<std::mutex> lock(mutex_);
            while (!outs_.empty() && static_cast<int>(outs->size()) < count) {
                outs->push_back(std::move(outs_.back()));
                outs_.pop_back();
            }
        }
        while (static_cast<int>(outs->size()) < count)
            outs->push_back(std::make_unique<StripeOut>());
    }

    void Give(std::vector<std::unique_ptr<StripeOut>>* outs)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& out : *outs) {
            if (out->window[0].bytes.capacity() > kKeepBytes || out->window[1].bytes.capacity() > kKeepBytes)
                continue;
            try {
                outs_.push_back(std::move(out));
            } catch (...) {
                break;
            }
        }
        outs->clear();
    }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<Coder>> coders_;
    std::vector<std::unique_ptr<StripeOut>> outs_;
};

Kept& TheKept()
{
    static Kept kept;
    return kept;
}

// --- deflate ------------------------------------------------------------------

enum class Flush { None, Sync, Finish };

// Room for `need` more bytes after out->size.
void Reserve(Deflated* out, std::size_t need)
{
    if (out->bytes.size() - out->size < need)
        out->bytes.resize(std::max(out->bytes.size() * 2, out->size + need));
}

// The worst deflate can do with n bytes, plus block and flush overhead.
std::size_t Room(std::size_t n) { return n + n / 8 + 1024; }

void IsalBegin(Coder* coder, int window)
{
    isal_zstream& s = coder->isal[window];
    // A whole set-up every stripe, over a buffer that holds no leftovers of
    // the allocator's: the output must not depend on which coder a stripe
    // gets or what it did before.
    if (!coder->isalLevel[window])
        coder->isalLevel[window].reset(new std::uint8_t[ISAL_DEF_LVL1_DEFAULT]());
    isal_deflate_init(&s);
    AfterIsal();
    s.level = 1;
    s.level_buf = coder->isalLevel[window].get();
    s.level_buf_size = ISAL_DEF_LVL1_DEFAULT;
    s.gzip_flag = IGZIP_DEFLATE;
    s.hist_bits = window == 0 ? 0 : kSmallWindowBits;   // 0: the full 32 KB
    s.end_of_stream = 0;
    s.flush = NO_FLUSH;
}

bool IsalDeflate(Coder* coder, int window, unsigned char* data, std::size_t length, Flush flush, Deflated* out)
{
    isal_zstream& s = coder->isal[window];
    s.next_in = data;
    s.avail_in = static_cast<std::uint32_t>(length);
    s.end_of_stream = flush == Flush::Finish ? 1 : 0;
    s.flush = flush == Flush::Sync ? SYNC_FLUSH : NO_FLUSH;
    for (std::size_t room = Room(length);; room *= 2) {
        Reserve(out, room);
        s.next_out = out->bytes.data() + out->size;
        s.avail_out = static_cast<std::uint32_t>(std::min<std::size_t>(room, 0x7FFFFFFF));
        const std::uint32_t before = s.avail_out;
        const int result = isal_deflate(&s);
        AfterIsal();
        out->size += before - s.avail_out;
        if (result != COMP_OK)
            return false;
        // With output room left, everything given (and the flush or the
        // end asked for) is written.
        if (s.avail_in == 0 && s.avail_out > 0 &&
            (flush != Flush::Finish || s.internal_state.state == ZSTATE_END))
            return true;
    }
}

// --- stripes ------------------------------------------------------------------

struct Picture {
    const unsigned char* data;
    std::size_t stride;
    int width;
    int height;
    PngStripes plan;
    std::atomic<bool> transparent{false};
    StripeOut** outs;
    const int* indices;   // the stripes to run, or null for all in order
};

const std::uint32_t* Row(const Picture& p, int y)
{
    return reinterpret_cast<const std::uint32_t*>(p.data + static_cast<std::size_t>(y) * p.stride);
}

enum class Outcome { Done, Failed, NotOpaque };

// One stripe: convert, filter Up, sum and deflate, a chunk of rows at a
// time. As RGB it stops when it meets a pixel that is not opaque, or when
// another stripe has met one.
Outcome EncodeStripe(Picture& p, int stripe, bool rgba, Coder* coder, StripeOut* out)
{
    const int top = stripe * p.plan.rows;
    const int bottom = std::min(p.height, top + p.plan.rows);
    const bool last = stripe == p.plan.count - 1;
    const std::size_t rowBytes = static_cast<std::size_t>(p.width) * (rgba ? 4 : 3);
    const std::size_t chunkRows = std::max<std::size_t>(1, kChunkBytes / (rowBytes + 1));
    coder->filtered.resize(chunkRows * (rowBytes + 1) + 16);   // UpRgb stores past a row
    if (rgba) {
        coder->previous.resize(rowBytes);
        coder->current.resize(rowBytes);
        if (top == 0)
            std::memset(coder->previous.data(), 0, rowBytes);
        else
            RowToRgba(Row(p, top - 1), p.width, coder->previous.data());
    }

    const int windows = p.plan.twoWindows ? 2 : 1;
    for (int w = 0; w < 2; ++w)
        out->window[w].size = 0;
    out->kept = 0;
    out->adler = 1;
    out->length = 0;
    out->rgba = rgba;
    for (int w = 0; w < windows; ++w)
        IsalBegin(coder, w);
    for (int y = top; y < bottom;) {
        const int rows = static_cast<int>(std::min<std::size_t>(chunkRows, static_cast<std::size_t>(bottom - y)));
        unsigned char* f = coder->filtered.data();
        for (int r = 0; r < rows; ++r, ++y) {
            *f++ = PNG_FILTER_VALUE_UP;
            if (!rgba) {
                if (!UpRgb(Row(p, y), y > 0 ? Row(p, y - 1) : nullptr, p.width, f)) {
                    p.transparent.store(true, std::memory_order_relaxed);
                    return Outcome::NotOpaque;
                }
            } else {
                unsigned char* row = coder->current.data();
                const unsigned char* above = coder->previous.data();
                RowToRgba(Row(p, y), p.width, row);
                for (std::size_t i = 0; i < rowBytes; ++i)
                    f[i] = static_cast<unsigned char>(row[i] - above[i]);
                std::swap(coder->current, coder->previous);
            }
            f += rowBytes;
        }
        if (!rgba && p.transparent.load(std::memory_order_relaxed))
            return Outcome::NotOpaque;
        const std::size_t length = static_cast<std::size_t>(f - coder->filtered.data());
        out->adler = isal_adler32(out->adler, coder->filtered.data(), length);
        AfterIsal();
        out->length += length;
        const Flush flush = y < bottom ? Flush::None : last ? Flush::Finish : Flush::Sync;
        for (int w = 0; w < windows; ++w)
            if (!IsalDeflate(coder, w, coder->filtered.data(), length, flush, &out->window[w]))
                return Outcome::Failed;
    }
    if (windows == 2 && out->window[1].size < out->window[0].size)
        out->kept = 1;
    return Outcome::Done;
}

void StripeTask(void* context, int index)
{
    Picture& p = *static_cast<Picture*>(context);
    const int stripe = p.indices ? p.indices[index] : index;
    StripeOut* out = p.outs[stripe];
    try {
        std::unique_ptr<Coder> coder = TheKept().TakeCoder();
        bool rgba = p.transparent.load(std::memory_order_relaxed);
        Outcome outcome = EncodeStripe(p, stripe, rgba, coder.get(), out);
        if (outcome == Outcome::NotOpaque)
            outcome = EncodeStripe(p, stripe, true, coder.get(), out);
        out->status = outcome == Outcome::Done ? Ok : GenericError;
        // A coder whose stream failed half-way is not reused.
        if (outcome == Outcome::Done)
            TheKept().Give(std::move(coder));
    } catch (const std::bad_alloc&) {
        out->status = OutOfMemory;
    } catch (...) {
        out->status = GenericError;
    }
}

// --- the file -------------------------------------------------------------------

struct PngWrite {
    ByteSink* sink;
};

void PngWriteData(png_structp png, png_bytep data, png_size_t size)
{
    auto* state = static_cast<PngWrite*>(png_get_io_ptr(png));
    bool ok = false;
    try {
        ok = state->sink->Write(data, size);
    } catch (...) {
        ok = false;
    }
    if (!ok)
        png_error(png, "write failed");
}

void PngFlush(png_structp) {}

void PngOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void PngOnWarning(png_structp, png_const_charp) {}

struct Piece {
    const unsigned char* data;
    std::size_t size;
};

// Plain C data only: libpng reports errors by longjmp.
bool PngRun(int width, int height, bool rgba, PngWrite* state, const Piece* pieces, std::size_t count)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngOnError, PngOnWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, state, PngWriteData, PngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 rgba ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::size_t total = 0;
    for (std::size_t i = 0; i < count; ++i)
        total += pieces[i].size;
    const png_byte idat[5] = {'I', 'D', 'A', 'T', 0};
    std::size_t piece = 0, offset = 0;
    while (total > 0) {
        const std::size_t chunk = std::min(total, kIdatBytes);
        png_write_chunk_start(png, idat, static_cast<png_uint_32>(chunk));
        for (std::size_t left = chunk; left > 0;) {
            const std::size_t n = std::min(left, pieces[piece].size - offset);
            png_write_chunk_data(png, pieces[piece].data + offset, n);
            left -= n;
            offset += n;
            if (offset == pieces[piece].size) {
                ++piece;
                offset = 0;
            }
        }
        png_write_chunk_end(png);
        total -= chunk;
    }
    png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
    png_destroy_write_struct(&png, &info);
    return true;
}

// The zlib header: deflate, a 32 KB window (the largest used), the fastest
// level class.
constexpr unsigned char kZlibHeader[2] = {0x78, 0x01};

} // namespace

PngStripes PlanPngStripes(int width, int height)
{
    PngStripes plan;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    plan.twoWindows = pixels > kOneWindowMaxPixels;
    const std::size_t wanted = std::min<std::size_t>(std::max<std::size_t>(pixels / kStripeMinPixels, 1), kMaxStripes);
    plan.rows = static_cast<int>((static_cast<std::size_t>(height) + wanted - 1) / wanted);
    plan.count = (height + plan.rows - 1) / plan.rows;
    return plan;
}

Status EncodePng(const Pixels& bitmap, ByteSink* sink, PngThreads threads)
{
    if (!bitmap.data || !sink)
        return InvalidParameter;
    Picture p;
    p.data = bitmap.data;
    p.stride = bitmap.stride;
    p.width = bitmap.width;
    p.height = bitmap.height;
    p.plan = PlanPngStripes(bitmap.width, bitmap.height);
    p.indices = nullptr;
    std::vector<std::unique_ptr<StripeOut>> kept;
    std::vector<StripeOut*> outs;
    std::vector<int> again;
    std::vector<Piece> pieces;
    try {
        TheKept().TakeOuts(p.plan.count, &kept);
        for (auto& out : kept)
            outs.push_back(out.get());
        pieces.reserve(static_cast<std::size_t>(p.plan.count) + 2);
    } catch (...) {
        return OutOfMemory;
    }
    p.outs = outs.data();
    const bool useWorkers = threads == PngThreads::Pool;
    RunTasks(p.plan.count, StripeTask, &p, useWorkers);
    // A stripe that finished as RGB before another met transparency is
    // done again as RGBA.
    const bool rgba = p.transparent.load();
    Status status = Ok;
    try {
        for (int i = 0; i < p.plan.count; ++i)
            if (outs[i]->status == Ok && outs[i]->rgba != rgba)
                again.push_back(i);
    } catch (...) {
        status = OutOfMemory;
    }
    if (status == Ok && !again.empty()) {
        p.indices = again.data();
        RunTasks(static_cast<int>(again.size()), StripeTask, &p, useWorkers);
    }
    for (int i = 0; i < p.plan.count && status == Ok; ++i)
        status = outs[i]->status;
    if (status == Ok) {
        uLong adler = outs[0]->adler;
        for (int i = 1; i < p.plan.count; ++i)
            adler = adler32_combine(adler, outs[i]->adler, static_cast<z_off_t>(outs[i]->length));
        const unsigned char trailer[4] = {static_cast<unsigned char>(adler >> 24), static_cast<unsigned char>(adler >> 16),
                                          static_cast<unsigned char>(adler >> 8), static_cast<unsigned char>(adler)};
        pieces.push_back({kZlibHeader, sizeof(kZlibHeader)});
        for (StripeOut* out : outs)
            pieces.push_back({out->window[out->kept].bytes.data(), out->window[out->kept].size});
        pieces.push_back({trailer, sizeof(trailer)});
        PngWrite state{sink};
        if (!PngRun(bitmap.width, bitmap.height, rgba, &state, pieces.data(), pieces.size()))
            status = GenericError;
    }
    TheKept().Give(&kept);
    return status;
}

} // namespace image
} // namespace pvcommon
