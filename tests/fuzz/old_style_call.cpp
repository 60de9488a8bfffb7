// Arbitrary parameter bytes through the old-style call: split into
// arguments, converted between the two encodings and written back into a
// host handle; argument counts and flags come from the first bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fmx/AccessMgr.h"
#include "fmx/ExternCall.h"
#include "fmx/FMWrapper.h"
#include "fmx/TextMgr.h"
#include "support/fake_host_memory.h"

namespace {

using namespace pvtest::memory;

// Answers its arguments joined, so that every one is read.
std::int16_t Join(std::int16_t, const FMExprEnv*, const FMDataVect* args, FMData* result)
{
    fmx::DataVect vect(args);
    fmx::Text joined;
    for (std::uint32_t i = 0; i < vect.Size(); ++i)
        joined.AppendText(fmx::Text(vect.AtAsText(i)));
    fmx::Locale locale;
    fmx::Data(result).SetAsText(joined, locale);
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static bool once = [] {
        fmapi::CallRecord record{};
        std::memcpy(record.callbacks, Callbacks(), sizeof record.callbacks);
        fmx::Singleton<fmx::AccessMgr>::Create(&record);
        fmx::Singleton<fmx::TextMgr>::Create(&record);
        return true;
    }();
    (void)once;
    if (size < 3)
        return 0;
    const fm6::TextForms forms{kFMEncASCIIWin, kFMEncASCIIMac, (data[2] & 1) != 0, (data[2] & 2) != 0};
    const std::intptr_t parameter = NewHandle(std::string(reinterpret_cast<const char*>(data) + 3, size - 3));
    const std::intptr_t result = NewHandle("");
    fm6::ExternCall::Run(Join, 1, static_cast<std::int8_t>(data[0]), static_cast<std::int8_t>(data[1]), parameter,
                         result, forms);
    // Nothing stays locked, and the text written back ends at its length.
    const std::string& back = BlockOf(result).bytes;
    if (BlockOf(parameter).locks || BlockOf(result).locks || back.find('\0') != std::string::npos)
        std::abort();
    DisposeHandle(parameter);
    DisposeHandle(result);
    return 0;
}
