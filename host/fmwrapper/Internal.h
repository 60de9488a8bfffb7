// Inside libFMWrapper.so: the objects behind the opaque handles of fm_api.h
// and the helpers every export shares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "fmapi/fm_api.h"
#include "fmapi/fm_host.h"
#include "fmapi/object_layout.h"

struct FMText {
    std::u16string units;
};

struct FMFixPt {
    double value = 0;
};

struct FMLocale {
    std::int32_t type = 0;
};

struct FMQuadChar {
    std::uint32_t value = 0;
};

struct FMBinaryData {
    struct Stream {
        std::uint32_t type;
        std::vector<unsigned char> bytes;
    };
    std::vector<Stream> streams;   // in the order they were first added
};

// One value. Text lives in `text`, every numeric kind (number, date, time,
// time stamp, boolean) in `number`, a container in `binary`. The views are
// scratch space for the conversions that the GetAs* readers hand out.
struct FMData {
    std::int32_t type = kFMTypeInvalid;
    bool empty = true;
    FMText text;
    FMFixPt number;
    FMBinaryData binary;
    FMLocale locale;
    mutable FMText textView;
    mutable FMFixPt numberView;
};

struct FMDataVect {
    std::vector<std::unique_ptr<FMData>> items;
};

// The first word is the file in whose context the environment evaluates
// (fmapi/object_layout.h).
struct FMExprEnv {
    void* file = nullptr;
    std::int32_t depth = 0;
};
static_assert(offsetof(FMExprEnv, file) == fmapi::kExprEnvFileOffset, "the file is the environment's first word");

namespace fmw {

// A failure inside an export: the export stops and reports `code` in the
// caller's error record (1 memory, 2 anything else).
struct Failure {
    std::int32_t code;
};

template <class T>
T* Need(T* p)
{
    if (!p) throw Failure{2};
    return p;
}

// Clears the record and applies any injected failure for the export `name`.
// Answers true when the export must fail now.
bool Enter(const char* name, FMError* err);
void SetCode(FMError* err, std::int32_t code);

template <class R, class F>
R Call(const char* name, FMError* err, R failed, F&& body)
{
    if (Enter(name, err)) return failed;
    try {
        return body();
    } catch (const Failure& f) {
        SetCode(err, f.code);
    } catch (const std::bad_alloc&) {
        SetCode(err, 1);
    } catch (...) {
        SetCode(err, 2);
    }
    return failed;
}

template <class F>
void Run(const char* name, FMError* err, F&& body)
{
    Call(name, err, 0, [&] {
        body();
        return 0;
    });
}

// ---- Text conversions (Unicode.cpp)
std::u16string DecodeBytes(std::string_view bytes, std::int32_t encoding);   // throws Failure{2} for an unknown encoding
std::string EncodeUnits(std::u16string_view units, std::int32_t encoding);
// Encodes the units and keeps only whole characters within `limit` bytes.
std::string EncodeUnitsLimited(std::u16string_view units, std::int32_t encoding,
                               std::size_t limit);
// Replacing (platform/common/Utf.h): a bad byte or a lone surrogate becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

// ---- Numbers (Unicode.cpp)
// Integers without decimals, other values with the fewest digits that read
// back to the same double, never in exponent notation; not a number: "?".
std::string FormatNumber(double v);
// Reads a number out of a text the way a calculation does: the digits and
// the first decimal point, negative when a minus sign comes before the first
// digit; everything else is ignored. No digit: false.
bool ParseNumber(std::u16string_view text, double* out);

std::u16string NumberToText(double v);

} // namespace fmw
