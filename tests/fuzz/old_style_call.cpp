// Arbitrary parameter bytes through the old-style call: split into
// arguments, converted between the two encodings, the result written back
// into a host handle; argument counts and flags come from the first bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fmapi/call_record.h"
#include "fmx/AccessMgr.h"
#include "fmx/ExternCall.h"
#include "fmx/FMWrapper.h"
#include "fmx/TextMgr.h"

namespace {

// Two handles are enough: 1 the parameter, 2 the result.
struct Handle {
    std::vector<char> bytes;
    int locks = 0;
};
Handle g_handles[3];
std::intptr_t g_error = 0;

Handle* Find(std::intptr_t h)
{
    g_error = h == 1 || h == 2 ? 0 : -109;
    return g_error ? nullptr : &g_handles[h];
}

std::intptr_t Resize(std::intptr_t h, std::intptr_t size)
{
    Handle* b = Find(h);
    if (!b)
        return g_error;
    if (b->locks || size < 0 || size > (1 << 24))
        return g_error = -108;
    b->bytes.resize(static_cast<std::size_t>(size), 'Z');
    return 0;
}
std::intptr_t Size(std::intptr_t h, std::intptr_t)
{
    Handle* b = Find(h);
    return b ? static_cast<std::intptr_t>(b->bytes.size()) : 0;
}
std::intptr_t Lock(std::intptr_t h, std::intptr_t)
{
    Handle* b = Find(h);
    if (!b)
        return 0;
    ++b->locks;
    b->bytes.reserve(1);
    return reinterpret_cast<std::intptr_t>(b->bytes.data());
}
std::intptr_t Unlock(std::intptr_t h, std::intptr_t)
{
    if (Handle* b = Find(h); b && b->locks)
        --b->locks;
    return 0;
}
std::intptr_t Error(std::intptr_t, std::intptr_t) { return g_error; }

// Answers its arguments joined, so that every one is read.
std::int16_t Join(std::int16_t, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    fmx::DataVect vect(args);
    fmx::Text joined;
    for (std::uint32_t i = 0; i < vect.Size(); ++i) {
        fmx::Text piece(vect.AtAsText(i));
        joined.AppendText(piece);
    }
    fmx::Locale locale;
    fmx::Data(result).SetAsText(joined, locale);
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static bool once = [] {
        fmapi::CallRecord record{};
        record.callbacks[1] = Resize;
        record.callbacks[2] = Size;
        record.callbacks[5] = Lock;
        record.callbacks[6] = Unlock;
        record.callbacks[9] = Error;
        fmx::Singleton<fmx::AccessMgr>::Create(&record);
        fmx::Singleton<fmx::TextMgr>::Create(&record);
        return true;
    }();
    (void)once;
    if (size < 3)
        return 0;
    const auto minArgs = static_cast<std::int16_t>(static_cast<std::int8_t>(data[0]));
    const auto maxArgs = static_cast<std::int16_t>(static_cast<std::int8_t>(data[1]));
    const fm6::TextForms forms{kFMEncASCIIWin, kFMEncASCIIMac, (data[2] & 1) != 0, (data[2] & 2) != 0};
    g_handles[1].bytes.assign(data + 3, data + size);
    g_handles[2].bytes.clear();
    fm6::ExternCall::Run(Join, 1, minArgs, maxArgs, 1, 2, forms);
    // Nothing stays locked, and the text written back ends at its length.
    if (g_handles[1].locks || g_handles[2].locks ||
        (!g_handles[2].bytes.empty() && std::memchr(g_handles[2].bytes.data(), 0, g_handles[2].bytes.size())))
        std::abort();
    return 0;
}
