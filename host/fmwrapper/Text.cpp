// Texts (UTF-16), numbers, locales and four-character codes.
#include "Internal.h"

#include <cmath>
#include <cstring>
#include <limits>

using fmw::Call;
using fmw::Failure;
using fmw::Need;
using fmw::Run;

namespace {

// The units [position, position + size) of a text, clipped to its end.
std::u16string_view Slice(const std::u16string& s, std::uint32_t position, std::uint32_t size)
{
    if (position >= s.size()) return {};
    return std::u16string_view(s).substr(position, size);
}

} // namespace

extern "C" {

// ---- Text

FMText* FM_Text_Constructor1(FMError* err)
{
    return Call(__func__, err, static_cast<FMText*>(nullptr), [] { return new FMText; });
}

void FM_Text_Delete(FMText* t, FMError* err)
{
    Run(__func__, err, [&] { delete t; });
}

void FM_Text_Assign(FMText* t, const char* s, std::int32_t encoding, FMError* err)
{
    Run(__func__, err, [&] {
        Need(t)->units = fmw::DecodeBytes(Need(s), encoding);
    });
}

void FM_Text_AssignWithLength(FMText* t, const char* s, std::uint32_t byteLength,
                              std::int32_t encoding, FMError* err)
{
    Run(__func__, err, [&] {
        if (byteLength > 0) Need(s);
        Need(t)->units = fmw::DecodeBytes(std::string_view(s ? s : "", byteLength), encoding);
    });
}

void FM_Text_AssignUnicode(FMText* t, const char16_t* s, FMError* err)
{
    Run(__func__, err, [&] { Need(t)->units = Need(s); });
}

void FM_Text_AssignUnicodeWithLength(FMText* t, const char16_t* s, std::uint32_t length,
                                     FMError* err)
{
    Run(__func__, err, [&] {
        if (length > 0) Need(s);
        Need(t)->units.assign(s ? s : u"", length);
    });
}

std::uint32_t FM_Text_GetSize(const FMText* t, FMError* err)
{
    return Call(__func__, err, 0u, [&] {
        return static_cast<std::uint32_t>(Need(t)->units.size());
    });
}

std::uint32_t FM_Text_GetBytes(const FMText* t, char* buffer, std::uint32_t bufferSize,
                               std::uint32_t position, std::uint32_t size,
                               std::int32_t encoding, FMError* err)
{
    return Call(__func__, err, 0u, [&] {
        Need(t);
        if (bufferSize > 0) Need(buffer);
        std::string bytes =
            fmw::EncodeUnitsLimited(Slice(t->units, position, size), encoding, bufferSize);
        if (!bytes.empty()) std::memcpy(buffer, bytes.data(), bytes.size());
        if (bytes.size() < bufferSize) buffer[bytes.size()] = 0;
        return static_cast<std::uint32_t>(bytes.size());
    });
}

void FM_Text_GetUnicode(const FMText* t, char16_t* buffer, std::uint32_t position,
                        std::uint32_t size, FMError* err)
{
    Run(__func__, err, [&] {
        std::u16string_view part = Slice(Need(t)->units, position, size);
        if (part.empty()) return;
        std::memcpy(Need(buffer), part.data(), part.size() * sizeof(char16_t));
    });
}

void FM_Text_AppendText(FMText* t, const FMText* other, std::uint32_t position,
                        std::uint32_t size, FMError* err)
{
    Run(__func__, err, [&] {
        std::u16string part(Slice(Need(other)->units, position, size));   // other may be t
        Need(t)->units += part;
    });
}

void FM_Text_DeleteText(FMText* t, std::uint32_t position, std::uint32_t size, FMError* err)
{
    Run(__func__, err, [&] {
        if (position < Need(t)->units.size()) t->units.erase(position, size);
    });
}

// ---- FixPt

FMFixPt* FM_FixPt_Constructor1(std::int32_t value, FMError* err)
{
    return Call(__func__, err, static_cast<FMFixPt*>(nullptr), [&] {
        return new FMFixPt{static_cast<double>(value)};
    });
}

void FM_FixPt_Delete(FMFixPt* f, FMError* err)
{
    Run(__func__, err, [&] { delete f; });
}

void FM_FixPt_AssignInt(FMFixPt* f, std::int32_t value, FMError* err)
{
    Run(__func__, err, [&] { Need(f)->value = value; });
}

void FM_FixPt_AssignDouble(FMFixPt* f, double value, FMError* err)
{
    Run(__func__, err, [&] { Need(f)->value = value; });
}

std::int32_t FM_FixPt_AsLong(const FMFixPt* f, FMError* err)
{
    return Call(__func__, err, 0, [&] {
        double v = std::trunc(Need(f)->value);
        if (std::isnan(v)) return 0;
        if (v >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
            return std::numeric_limits<std::int32_t>::max();
        if (v <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
            return std::numeric_limits<std::int32_t>::min();
        return static_cast<std::int32_t>(v);
    });
}

double FM_FixPt_AsDouble(const FMFixPt* f, FMError* err)
{
    return Call(__func__, err, 0.0, [&] { return Need(f)->value; });
}

// ---- Locale

FMLocale* FM_Locale_Constructor1(std::int32_t type, FMError* err)
{
    return Call(__func__, err, static_cast<FMLocale*>(nullptr), [&] { return new FMLocale{type}; });
}

void FM_Locale_Delete(FMLocale* l, FMError* err)
{
    Run(__func__, err, [&] { delete l; });
}

// ---- QuadChar

FMQuadChar* FM_QuadChar_Constructor1(FMError* err)
{
    return Call(__func__, err, static_cast<FMQuadChar*>(nullptr), [] { return new FMQuadChar; });
}

FMQuadChar* FM_QuadChar_Constructor2(char c0, char c1, char c2, char c3, FMError* err)
{
    return Call(__func__, err, static_cast<FMQuadChar*>(nullptr), [&] {
        auto u = [](char c) { return static_cast<std::uint32_t>(static_cast<unsigned char>(c)); };
        return new FMQuadChar{u(c0) << 24 | u(c1) << 16 | u(c2) << 8 | u(c3)};
    });
}

void FM_QuadChar_SetMacType(FMQuadChar* q, std::uint32_t type, FMError* err)
{
    Run(__func__, err, [&] { Need(q)->value = type; });
}

std::uint32_t FM_QuadChar_GetMacType(const FMQuadChar* q, FMError* err)
{
    return Call(__func__, err, 0u, [&] { return Need(q)->value; });
}

void FM_QuadChar_Delete(FMQuadChar* q, FMError* err)
{
    Run(__func__, err, [&] { delete q; });
}

} // extern "C"
