#include "fmhost/Values.h"

#include <vector>

namespace fmhost {

void Check(const FMError& err, const char* what)
{
    if (err.code == 1) throw HostFailure(std::string("out of memory in ") + what);
    if (err.code != 0) throw HostFailure(std::string(what) + " failed");
}

namespace {

template <class T>
T* Made(T* p, const FMError& err, const char* what)
{
    Check(err, what);
    if (!p) throw HostFailure(std::string(what) + " failed");
    return p;
}

} // namespace

FMText* NewText()
{
    FMError err{1, 0};
    FMText* p = FM_Text_Constructor1(&err);
    return Made(p, err, "FM_Text_Constructor1");
}

FMData* NewData()
{
    FMError err{1, 0};
    FMData* p = FM_Data_Constructor1(&err);
    return Made(p, err, "FM_Data_Constructor1");
}

FMDataVect* NewDataVect()
{
    FMError err{1, 0};
    FMDataVect* p = FM_DataVect_Constructor1(&err);
    return Made(p, err, "FM_DataVect_Constructor1");
}

void Assign(FMText* text, std::string_view utf8)
{
    FMError err{1, 0};
    FM_Text_AssignWithLength(text, utf8.data(), static_cast<std::uint32_t>(utf8.size()), kFMEncUTF8, &err);
    Check(err, "FM_Text_AssignWithLength");
}

void Assign(FMText* text, std::u16string_view units)
{
    FMError err{1, 0};
    FM_Text_AssignUnicodeWithLength(text, units.data(), static_cast<std::uint32_t>(units.size()), &err);
    Check(err, "FM_Text_AssignUnicodeWithLength");
}

std::u16string UnitsOf(const FMText* text)
{
    FMError err{1, 0};
    std::uint32_t size = FM_Text_GetSize(text, &err);
    Check(err, "FM_Text_GetSize");
    std::u16string units(size, u'\0');
    if (size > 0) {
        FM_Text_GetUnicode(text, units.data(), 0, size, &err);
        Check(err, "FM_Text_GetUnicode");
    }
    return units;
}

std::string ToUtf8(const FMText* text)
{
    FMError err{1, 0};
    std::uint32_t size = FM_Text_GetSize(text, &err);
    Check(err, "FM_Text_GetSize");
    // At most three bytes a unit (a pair of surrogates makes four).
    std::vector<char> buffer(static_cast<std::size_t>(size) * 3 + 1);
    std::uint32_t n = FM_Text_GetBytes(text, buffer.data(), static_cast<std::uint32_t>(buffer.size()), 0,
                                       size, kFMEncUTF8, &err);
    Check(err, "FM_Text_GetBytes");
    return std::string(buffer.data(), n);
}

std::u16string ToUtf16(std::string_view utf8)
{
    Text t(NewText());
    Assign(t.get(), utf8);
    return UnitsOf(t.get());
}

std::string ToUtf8(std::u16string_view units)
{
    Text t(NewText());
    Assign(t.get(), units);
    return ToUtf8(t.get());
}

std::string EncodeBytes(std::string_view utf8, std::int32_t encoding)
{
    Text t(NewText());
    Assign(t.get(), utf8);
    FMError err{1, 0};
    std::uint32_t size = FM_Text_GetSize(t.get(), &err);
    Check(err, "FM_Text_GetSize");
    std::vector<char> buffer(static_cast<std::size_t>(size) * 4 + 1);
    std::uint32_t n = FM_Text_GetBytes(t.get(), buffer.data(), static_cast<std::uint32_t>(buffer.size()), 0, size,
                                       encoding, &err);
    Check(err, "FM_Text_GetBytes");
    return std::string(buffer.data(), n);
}

std::string DecodeBytes(std::string_view bytes, std::int32_t encoding)
{
    Text t(NewText());
    FMError err{1, 0};
    FM_Text_AssignWithLength(t.get(), bytes.data(), static_cast<std::uint32_t>(bytes.size()), encoding, &err);
    Check(err, "FM_Text_AssignWithLength");
    return ToUtf8(t.get());
}

std::u16string TextOf(const FMData* data)
{
    FMError err{1, 0};
    const FMText* text = FM_Data_GetAsText(data, &err);
    Check(err, "FM_Data_GetAsText");
    return UnitsOf(text);
}

void CopyData(const FMData* from, FMData* to)
{
    FMError err{1, 0};
    std::int32_t type = FM_Data_GetNativeType(from, &err);
    Check(err, "FM_Data_GetNativeType");
    bool empty = FM_Data_IsEmpty(from, &err);
    Check(err, "FM_Data_IsEmpty");
    if (empty && type != kFMTypeText) {
        FM_Data_Clear(to, type, &err);
        Check(err, "FM_Data_Clear");
        return;
    }
    switch (type) {
    case kFMTypeText: {
        const FMText* text = FM_Data_GetAsText(from, &err);
        Check(err, "FM_Data_GetAsText");
        const FMLocale* locale = FM_Data_GetLocale(from, &err);
        Check(err, "FM_Data_GetLocale");
        FM_Data_SetAsText(to, text, locale, kFMTypeText, &err);
        Check(err, "FM_Data_SetAsText");
        break;
    }
    case kFMTypeBinary: {
        const FMBinaryData* binary = FM_Data_GetBinaryData(from, &err);
        Check(err, "FM_Data_GetBinaryData");
        FM_Data_SetBinaryData(to, binary, true, &err);
        Check(err, "FM_Data_SetBinaryData");
        break;
    }
    default: {
        const FMFixPt* number = FM_Data_GetAsNumber(from, &err);
        Check(err, "FM_Data_GetAsNumber");
        FM_Data_SetAsNumber(to, number, type, &err);
        Check(err, "FM_Data_SetAsNumber");
        break;
    }
    }
}

} // namespace fmhost
