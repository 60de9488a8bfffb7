// Values with a native type, and vectors of values (function arguments).
#include "Internal.h"

using fmw::Call;
using fmw::Failure;
using fmw::Need;
using fmw::Run;

namespace {

bool IsNumeric(std::int32_t type)
{
    return type == kFMTypeNumber || type == kFMTypeDate || type == kFMTypeTime ||
           type == kFMTypeTimeStamp || type == kFMTypeBoolean;
}

void Reset(FMData& d, std::int32_t type)
{
    d.type = type;
    d.empty = true;
    d.text.units.clear();
    d.number.value = 0;
    d.binary.streams.clear();
}

// Stores a number as the given type; a text type keeps its text form.
// Answers false for a type that cannot hold a number.
bool StoreNumber(FMData& d, double v, std::int32_t type)
{
    if (type == kFMTypeText) {
        Reset(d, kFMTypeText);
        d.text.units = fmw::NumberToText(v);
        d.empty = false;
        return true;
    }
    if (!IsNumeric(type)) return false;
    Reset(d, type);
    d.number.value = v;
    d.empty = false;
    return true;
}

double NumberOf(const FMData& d)
{
    if (IsNumeric(d.type)) return d.number.value;
    double v = 0;
    if (d.type == kFMTypeText) fmw::ParseNumber(d.text.units, &v);
    return v;
}

const FMFixPt* NumberView(const FMData& d)
{
    if (IsNumeric(d.type)) return &d.number;
    d.numberView.value = NumberOf(d);
    return &d.numberView;
}

const FMText* TextView(const FMData& d)
{
    if (d.type == kFMTypeText) return &d.text;
    d.textView.units.clear();
    if (IsNumeric(d.type) && !d.empty) d.textView.units = fmw::NumberToText(d.number.value);
    return &d.textView;
}

} // namespace

extern "C" {

// ---- Data

FMData* FM_Data_Constructor1(FMError* err)
{
    return Call(__func__, err, static_cast<FMData*>(nullptr), [] { return new FMData; });
}

void FM_Data_Delete(FMData* d, FMError* err)
{
    Run(__func__, err, [&] { delete d; });
}

void FM_Data_Clear(FMData* d, std::int32_t newNativeType, FMError* err)
{
    Run(__func__, err, [&] { Reset(*Need(d), newNativeType); });
}

bool FM_Data_IsEmpty(const FMData* d, FMError* err)
{
    return Call(__func__, err, true, [&] {
        Need(d);
        if (d->type == kFMTypeText) return d->text.units.empty();
        if (d->type == kFMTypeBinary) return d->binary.streams.empty();
        return d->type == kFMTypeInvalid || d->empty;
    });
}

std::int32_t FM_Data_GetNativeType(const FMData* d, FMError* err)
{
    return Call(__func__, err, static_cast<std::int32_t>(kFMTypeInvalid), [&] { return Need(d)->type; });
}

const FMText* FM_Data_GetAsText(const FMData* d, FMError* err)
{
    return Call(__func__, err, static_cast<const FMText*>(nullptr), [&] { return TextView(*Need(d)); });
}

const FMFixPt* FM_Data_GetAsNumber(const FMData* d, FMError* err)
{
    return Call(__func__, err, static_cast<const FMFixPt*>(nullptr), [&] { return NumberView(*Need(d)); });
}

const FMFixPt* FM_Data_GetAsDate(const FMData* d, FMError* err)
{
    return Call(__func__, err, static_cast<const FMFixPt*>(nullptr), [&] { return NumberView(*Need(d)); });
}

const FMFixPt* FM_Data_GetAsTime(const FMData* d, FMError* err)
{
    return Call(__func__, err, static_cast<const FMFixPt*>(nullptr), [&] { return NumberView(*Need(d)); });
}

const FMFixPt* FM_Data_GetAsTimeStamp(const FMData* d, FMError* err)
{
    return Call(__func__, err, static_cast<const FMFixPt*>(nullptr), [&] { return NumberView(*Need(d)); });
}

bool FM_Data_GetAsBoolean(const FMData* d, FMError* err)
{
    return Call(__func__, err, false, [&] {
        Need(d);
        if (d->type == kFMTypeBinary) return !d->binary.streams.empty();
        return NumberOf(*d) != 0;
    });
}

const FMBinaryData* FM_Data_GetBinaryData(const FMData* d, FMError* err)
{
    // Any other type answers its (empty) stream list.
    return Call(__func__, err, static_cast<const FMBinaryData*>(nullptr), [&] { return &Need(d)->binary; });
}

const FMLocale* FM_Data_GetLocale(const FMData* d, FMError* err)
{
    return Call(__func__, err, static_cast<const FMLocale*>(nullptr), [&] { return &Need(d)->locale; });
}

// A text given with a numeric type becomes the number it reads as; no digit
// at all leaves an empty value of that type.
bool FM_Data_SetAsText(FMData* d, const FMText* text, const FMLocale* locale,
                       std::int32_t nativeType, FMError* err)
{
    return Call(__func__, err, false, [&] {
        Need(d);
        Need(text);
        if (nativeType == kFMTypeInvalid) nativeType = kFMTypeText;
        if (nativeType != kFMTypeText && !IsNumeric(nativeType)) return false;
        std::u16string units = text->units;   // text may be d's own
        FMLocale keep = locale ? *locale : FMLocale{};
        if (nativeType == kFMTypeText) {
            Reset(*d, kFMTypeText);
            d->text.units.swap(units);
            d->empty = d->text.units.empty();
        } else {
            double v = 0;
            bool any = fmw::ParseNumber(units, &v);
            Reset(*d, nativeType);
            d->number.value = v;
            d->empty = !any;
        }
        d->locale = keep;
        return true;
    });
}

bool FM_Data_SetAsNumber(FMData* d, const FMFixPt* number, std::int32_t nativeType, FMError* err)
{
    return Call(__func__, err, false, [&] {
        double v = Need(number)->value;
        return StoreNumber(*Need(d), v, nativeType == kFMTypeInvalid ? kFMTypeNumber : nativeType);
    });
}

bool FM_Data_SetAsDate(FMData* d, const FMFixPt* days, std::int32_t nativeType, FMError* err)
{
    return Call(__func__, err, false, [&] {
        double v = Need(days)->value;
        return StoreNumber(*Need(d), v, nativeType == kFMTypeInvalid ? kFMTypeDate : nativeType);
    });
}

bool FM_Data_SetAsTime(FMData* d, const FMFixPt* seconds, std::int32_t nativeType, FMError* err)
{
    return Call(__func__, err, false, [&] {
        double v = Need(seconds)->value;
        return StoreNumber(*Need(d), v, nativeType == kFMTypeInvalid ? kFMTypeTime : nativeType);
    });
}

bool FM_Data_SetAsTimeStamp(FMData* d, const FMFixPt* seconds, std::int32_t nativeType,
                            FMError* err)
{
    return Call(__func__, err, false, [&] {
        double v = Need(seconds)->value;
        return StoreNumber(*Need(d), v, nativeType == kFMTypeInvalid ? kFMTypeTimeStamp : nativeType);
    });
}

// The value becomes a container whatever the flag says: this host has no
// other type that can hold streams.
bool FM_Data_SetBinaryData(FMData* d, const FMBinaryData* binary, bool forceBinaryNativeType,
                           FMError* err)
{
    (void)forceBinaryNativeType;
    return Call(__func__, err, false, [&] {
        FMBinaryData copy = *Need(binary);   // binary may be d's own
        Reset(*Need(d), kFMTypeBinary);
        d->binary = std::move(copy);
        d->empty = d->binary.streams.empty();
        return true;
    });
}

// ---- DataVect

FMDataVect* FM_DataVect_Constructor1(FMError* err)
{
    return Call(__func__, err, static_cast<FMDataVect*>(nullptr), [] { return new FMDataVect; });
}

void FM_DataVect_Delete(FMDataVect* v, FMError* err)
{
    Run(__func__, err, [&] { delete v; });
}

void FM_DataVect_Clear(FMDataVect* v, FMError* err)
{
    Run(__func__, err, [&] { Need(v)->items.clear(); });
}

// The vector keeps its own copy of the value.
void FM_DataVect_PushBack(FMDataVect* v, const FMData* data, FMError* err)
{
    Run(__func__, err, [&] {
        Need(v);
        v->items.push_back(std::make_unique<FMData>(*Need(data)));
    });
}

std::uint32_t FM_DataVect_Size(const FMDataVect* v, FMError* err)
{
    return Call(__func__, err, 0u, [&] { return static_cast<std::uint32_t>(Need(v)->items.size()); });
}

const FMData* FM_DataVect_At(const FMDataVect* v, std::uint32_t position, FMError* err)
{
    return Call(__func__, err, static_cast<const FMData*>(nullptr), [&]() -> const FMData* {
        if (position >= Need(v)->items.size()) throw Failure{2};
        return v->items[position].get();
    });
}

const FMText* FM_DataVect_AtAsText(const FMDataVect* v, std::uint32_t position, FMError* err)
{
    return Call(__func__, err, static_cast<const FMText*>(nullptr), [&]() -> const FMText* {
        if (position >= Need(v)->items.size()) throw Failure{2};
        return TextView(*v->items[position]);
    });
}

} // extern "C"
