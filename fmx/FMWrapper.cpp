#include "fmx/FMWrapper.h"

#include <exception>
#include <new>
#include <vector>

#include "fmx/WideText.h"

namespace fmx {

void ErrorRecord::Check() const
{
    if (code == 1)
        throw std::bad_alloc();
    if (code == 2)
        throw std::exception();
}

namespace {

// Runs one interface call with a fresh error record and checks it.
template <class F>
auto Call(F&& f)
{
    ErrorRecord err;
    if constexpr (std::is_void_v<decltype(f(static_cast<FMError*>(err)))>) {
        f(static_cast<FMError*>(err));
        err.Check();
    } else {
        auto result = f(static_cast<FMError*>(err));
        err.Check();
        return result;
    }
}

// Deletes quietly: destructors never throw.
template <class T>
void Release(T* p, void (*del)(T*, FMError*))
{
    if (p) {
        ErrorRecord err;
        del(p, err);
    }
}

} // namespace

// ---- Locale
Locale::Locale(std::int32_t type) : p_(Call([&](FMError* e) { return FM_Locale_Constructor1(type, e); })) {}
Locale::~Locale() { Release(p_, FM_Locale_Delete); }

// ---- Text
Text::Text() : p_(Call([](FMError* e) { return FM_Text_Constructor1(e); })), owned_(true) {}
Text::Text(const FMText* view) : p_(const_cast<FMText*>(view)), owned_(false) {}
Text::~Text()
{
    if (owned_)
        Release(p_, FM_Text_Delete);
}

void Text::Assign(const char* s, std::int32_t encoding)
{
    Call([&](FMError* e) { FM_Text_Assign(p_, s, encoding, e); });
}

void Text::AssignWithLength(const char* s, std::uint32_t length, std::int32_t encoding)
{
    Call([&](FMError* e) { FM_Text_AssignWithLength(p_, s, length, encoding, e); });
}

void Text::AssignUnicode(const char16_t* s)
{
    Call([&](FMError* e) { FM_Text_AssignUnicode(p_, s, e); });
}

void Text::AssignUnicodeWithLength(const char16_t* s, std::uint32_t length)
{
    Call([&](FMError* e) { FM_Text_AssignUnicodeWithLength(p_, s, length, e); });
}

void Text::AssignWide(const std::wstring& s)
{
    std::u16string u = WideToU16(s);
    AssignUnicodeWithLength(u.data(), static_cast<std::uint32_t>(u.size()));
}

std::uint32_t Text::GetSize() const
{
    return Call([&](FMError* e) { return FM_Text_GetSize(p_, e); });
}

std::uint32_t Text::GetBytes(char* buffer, std::uint32_t bufferSize, std::uint32_t position,
                             std::uint32_t size, std::int32_t encoding) const
{
    return Call([&](FMError* e) {
        return FM_Text_GetBytes(p_, buffer, bufferSize, position, size, encoding, e);
    });
}

void Text::GetUnicode(char16_t* buffer, std::uint32_t position, std::uint32_t size) const
{
    Call([&](FMError* e) { FM_Text_GetUnicode(p_, buffer, position, size, e); });
}

void Text::AppendText(const Text& other, std::uint32_t position, std::uint32_t size)
{
    Call([&](FMError* e) { FM_Text_AppendText(p_, other.p_, position, size, e); });
}

void Text::DeleteText(std::uint32_t position, std::uint32_t size)
{
    Call([&](FMError* e) { FM_Text_DeleteText(p_, position, size, e); });
}

std::u16string Text::GetU16() const
{
    std::uint32_t n = GetSize();
    std::u16string out(n, u'\0');
    if (n)
        GetUnicode(&out[0], 0, n);
    return out;
}

std::string Text::GetUtf8() const
{
    std::uint32_t n = GetSize();
    if (n == 0)
        return std::string();
    // At most 3 bytes per UTF-16 unit, plus room for a terminating zero.
    std::vector<char> buffer(static_cast<std::size_t>(n) * 3 + 1);
    std::uint32_t written = GetBytes(buffer.data(), static_cast<std::uint32_t>(buffer.size()), 0, n,
                                     kFMEncUTF8);
    if (written > buffer.size())
        written = static_cast<std::uint32_t>(buffer.size());
    return std::string(buffer.data(), written);
}

// ---- FixPt
FixPt::FixPt(std::int32_t value)
    : p_(Call([&](FMError* e) { return FM_FixPt_Constructor1(value, e); })), owned_(true)
{
}
FixPt::FixPt(const FMFixPt* view) : p_(const_cast<FMFixPt*>(view)), owned_(false) {}
FixPt::~FixPt()
{
    if (owned_)
        Release(p_, FM_FixPt_Delete);
}
void FixPt::AssignInt(std::int32_t value) { Call([&](FMError* e) { FM_FixPt_AssignInt(p_, value, e); }); }
void FixPt::AssignDouble(double value) { Call([&](FMError* e) { FM_FixPt_AssignDouble(p_, value, e); }); }
std::int32_t FixPt::AsLong() const { return Call([&](FMError* e) { return FM_FixPt_AsLong(p_, e); }); }
double FixPt::AsDouble() const { return Call([&](FMError* e) { return FM_FixPt_AsDouble(p_, e); }); }

// ---- QuadChar
QuadChar::QuadChar() : p_(Call([](FMError* e) { return FM_QuadChar_Constructor1(e); })) {}
QuadChar::QuadChar(char c0, char c1, char c2, char c3)
    : p_(Call([&](FMError* e) { return FM_QuadChar_Constructor2(c0, c1, c2, c3, e); }))
{
}
QuadChar::QuadChar(std::uint32_t macType) : QuadChar() { SetMacType(macType); }
QuadChar::~QuadChar() { Release(p_, FM_QuadChar_Delete); }
void QuadChar::SetMacType(std::uint32_t type)
{
    Call([&](FMError* e) { FM_QuadChar_SetMacType(p_, type, e); });
}

// ---- BinaryData
BinaryData::BinaryData() : p_(Call([](FMError* e) { return FM_BinaryData_Constructor1(e); })), owned_(true) {}
BinaryData::BinaryData(const FMBinaryData* view) : p_(const_cast<FMBinaryData*>(view)), owned_(false) {}
BinaryData::~BinaryData()
{
    if (owned_)
        Release(p_, FM_BinaryData_Delete);
}
std::int16_t BinaryData::Add(const QuadChar& type, std::uint32_t size, const void* data)
{
    return Call([&](FMError* e) { return FM_BinaryData_Add(p_, type.get(), size, data, e); });
}
std::int32_t BinaryData::GetIndex(const QuadChar& type) const
{
    return Call([&](FMError* e) { return FM_BinaryData_GetIndex(p_, type.get(), e); });
}
std::uint32_t BinaryData::GetSize(std::int32_t index) const
{
    return Call([&](FMError* e) { return FM_BinaryData_GetSize(p_, index, e); });
}
std::int16_t BinaryData::GetData(std::int32_t index, std::uint32_t offset, std::uint32_t amount,
                                 void* buffer) const
{
    return Call([&](FMError* e) { return FM_BinaryData_GetData(p_, index, offset, amount, buffer, e); });
}

// ---- Data
Data::Data() : p_(Call([](FMError* e) { return FM_Data_Constructor1(e); })), owned_(true) {}
Data::Data(const FMData* view) : p_(const_cast<FMData*>(view)), owned_(false) {}
Data::Data(FMData* view) : p_(view), owned_(false) {}
Data::~Data()
{
    if (owned_)
        Release(p_, FM_Data_Delete);
}
void Data::Clear(std::int32_t nativeType) { Call([&](FMError* e) { FM_Data_Clear(p_, nativeType, e); }); }
bool Data::IsEmpty() const { return Call([&](FMError* e) { return FM_Data_IsEmpty(p_, e); }); }
std::int32_t Data::GetNativeType() const
{
    return Call([&](FMError* e) { return FM_Data_GetNativeType(p_, e); });
}
const FMText* Data::GetAsText() const { return Call([&](FMError* e) { return FM_Data_GetAsText(p_, e); }); }
const FMFixPt* Data::GetAsNumber() const
{
    return Call([&](FMError* e) { return FM_Data_GetAsNumber(p_, e); });
}
bool Data::GetAsBoolean() const { return Call([&](FMError* e) { return FM_Data_GetAsBoolean(p_, e); }); }
const FMBinaryData* Data::GetBinaryData() const
{
    return Call([&](FMError* e) { return FM_Data_GetBinaryData(p_, e); });
}
bool Data::SetAsText(const Text& text, const Locale& locale, std::int32_t nativeType)
{
    return Call([&](FMError* e) { return FM_Data_SetAsText(p_, text.get(), locale.get(), nativeType, e); });
}
bool Data::SetAsNumber(const FixPt& number, std::int32_t nativeType)
{
    return Call([&](FMError* e) { return FM_Data_SetAsNumber(p_, number.get(), nativeType, e); });
}
bool Data::SetBinaryData(const BinaryData& binary, bool forceBinaryNativeType)
{
    return Call([&](FMError* e) { return FM_Data_SetBinaryData(p_, binary.get(), forceBinaryNativeType, e); });
}

bool CopyData(const FMData* from, Data& to)
{
    to.Clear();
    if (!from)
        return false;
    const Data source(from);
    if (source.IsEmpty())
        return false;
    const FMData* f = source.get();
    FMData* t = to.get();
    const std::int32_t type = source.GetNativeType();
    using Reader = const FMFixPt* (*)(const FMData*, FMError*);
    using Writer = bool (*)(FMData*, const FMFixPt*, std::int32_t, FMError*);
    Reader read = nullptr;
    Writer write = nullptr;
    switch (type) {
    case kFMTypeText: {
        const FMText* text = source.GetAsText();
        const FMLocale* locale = Call([&](FMError* e) { return FM_Data_GetLocale(f, e); });
        return Call([&](FMError* e) { return FM_Data_SetAsText(t, text, locale, kFMTypeText, e); });
    }
    case kFMTypeBinary: {
        const FMBinaryData* binary = source.GetBinaryData();
        return Call([&](FMError* e) { return FM_Data_SetBinaryData(t, binary, true, e); });
    }
    case kFMTypeNumber:
        read = FM_Data_GetAsNumber;
        write = FM_Data_SetAsNumber;
        break;
    case kFMTypeDate:
        read = FM_Data_GetAsDate;
        write = FM_Data_SetAsDate;
        break;
    case kFMTypeTime:
        read = FM_Data_GetAsTime;
        write = FM_Data_SetAsTime;
        break;
    case kFMTypeTimeStamp:
        read = FM_Data_GetAsTimeStamp;
        write = FM_Data_SetAsTimeStamp;
        break;
    default:
        return false;
    }
    const FMFixPt* value = Call([&](FMError* e) { return read(f, e); });
    return Call([&](FMError* e) { return write(t, value, type, e); });
}

// ---- DataVect
DataVect::DataVect() : p_(Call([](FMError* e) { return FM_DataVect_Constructor1(e); })), owned_(true) {}
DataVect::DataVect(const FMDataVect* view) : p_(const_cast<FMDataVect*>(view)), owned_(false) {}
DataVect::~DataVect()
{
    if (owned_)
        Release(p_, FM_DataVect_Delete);
}
void DataVect::Clear() { Call([&](FMError* e) { FM_DataVect_Clear(p_, e); }); }
void DataVect::PushBack(const Data& data) { Call([&](FMError* e) { FM_DataVect_PushBack(p_, data.get(), e); }); }
std::uint32_t DataVect::Size() const { return Call([&](FMError* e) { return FM_DataVect_Size(p_, e); }); }
const FMData* DataVect::At(std::uint32_t position) const
{
    return Call([&](FMError* e) { return FM_DataVect_At(p_, position, e); });
}
const FMText* DataVect::AtAsText(std::uint32_t position) const
{
    return Call([&](FMError* e) { return FM_DataVect_AtAsText(p_, position, e); });
}

// ---- ExprEnv
ExprEnv::ExprEnv() : p_(Call([](FMError* e) { return FM_ExprEnv_Constructor1(e); })), owned_(true) {}
ExprEnv::ExprEnv(const FMExprEnv* view) : p_(const_cast<FMExprEnv*>(view)), owned_(false) {}
ExprEnv::~ExprEnv()
{
    if (owned_)
        Release(p_, FM_ExprEnv_Delete);
}
std::int16_t ExprEnv::Evaluate(const Text& expression, Data& result) const
{
    return Call([&](FMError* e) { return FM_ExprEnv_Evaluate(p_, expression.get(), result.get(), e); });
}
std::int16_t ExprEnv::RegisterExternalFunction(const QuadChar& pluginId, std::int16_t functionId,
                                               const Text& name, const Text& prototype,
                                               std::int16_t minArgs, std::int16_t maxArgs,
                                               std::uint32_t flags, FMExtFunction function)
{
    return Call([&](FMError* e) {
        return FM_ExprEnv_RegisterExternalFunction(pluginId.get(), functionId, name.get(),
                                                   prototype.get(), minArgs, maxArgs, flags,
                                                   function, e);
    });
}
std::int16_t ExprEnv::UnRegisterExternalFunction(const QuadChar& pluginId, std::int16_t functionId)
{
    return Call([&](FMError* e) { return FM_ExprEnv_UnRegisterExternalFunction(pluginId.get(), functionId, e); });
}

} // namespace fmx
