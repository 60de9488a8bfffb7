// libFMWrapper values, argument vectors and container streams.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <limits>
#include <string>
#include <vector>

#include "fmapi/container_streams.h"
#include "fmapi/fm_api.h"
#include "fmapi/fm_host.h"

namespace {

struct Err : FMError {
    Err() : FMError{1, 0} {}
};

std::string Utf8(const FMText* t)
{
    Err e;
    std::uint32_t n = FM_Text_GetSize(t, &e);
    std::string b(n * 3 + 1, '\0');
    b.resize(FM_Text_GetBytes(t, b.data(), static_cast<std::uint32_t>(b.size()), 0, n, kFMEncUTF8, &e));
    return b;
}

FMText* NewText(const char* s)
{
    Err e;
    FMText* t = FM_Text_Constructor1(&e);
    FM_Text_Assign(t, s, kFMEncUTF8, &e);
    return t;
}

void SetNumber(FMData* d, double v, std::int32_t type)
{
    Err e;
    FMFixPt* f = FM_FixPt_Constructor1(0, &e);
    FM_FixPt_AssignDouble(f, v, &e);
    EXPECT_TRUE(FM_Data_SetAsNumber(d, f, type, &e));
    FM_FixPt_Delete(f, &e);
}

bool SetText(FMData* d, const char* s, std::int32_t type)
{
    Err e;
    FMText* t = NewText(s);
    bool ok = FM_Data_SetAsText(d, t, nullptr, type, &e);
    FM_Text_Delete(t, &e);
    return ok;
}

double NumberOf(const FMData* d)
{
    Err e;
    return FM_FixPt_AsDouble(FM_Data_GetAsNumber(d, &e), &e);
}

void Add(FMBinaryData* b, std::uint32_t type, const std::string& bytes, std::int16_t expect = 0)
{
    Err e;
    FMQuadChar* q = FM_QuadChar_Constructor1(&e);
    FM_QuadChar_SetMacType(q, type, &e);
    EXPECT_EQ(FM_BinaryData_Add(b, q, static_cast<std::uint32_t>(bytes.size()), bytes.data(), &e), expect);
    FM_QuadChar_Delete(q, &e);
}

std::string Streams(const FMBinaryData* b)
{
    Err e;
    std::string out;
    FMQuadChar* q = FM_QuadChar_Constructor1(&e);
    for (std::int32_t i = 0; i < FM_BinaryData_GetCount(b, &e); ++i) {
        FM_BinaryData_GetType(b, i, q, &e);
        std::uint32_t t = FM_QuadChar_GetMacType(q, &e);
        std::uint32_t n = FM_BinaryData_GetSize(b, i, &e);
        std::string bytes(n, '\0');
        EXPECT_EQ(FM_BinaryData_GetData(b, i, 0, n, bytes.data(), &e), 0);
        out += std::string{char(t >> 24), char(t >> 16), char(t >> 8), char(t)} + "=" + bytes + " ";
    }
    FM_QuadChar_Delete(q, &e);
    return out;
}

using fmapi::kJpegStream;
using fmapi::kNameStream;
using fmapi::kPngStream;
using fmapi::kSizeStream;

} // namespace

TEST(Data, NativeTypesAndTheirViews)
{
    Err e;
    FMData* d = FM_Data_Constructor1(&e);
    EXPECT_EQ(FM_Data_GetNativeType(d, &e), kFMTypeInvalid);
    EXPECT_TRUE(FM_Data_IsEmpty(d, &e));

    SetNumber(d, 2.5, kFMTypeNumber);
    EXPECT_EQ(FM_Data_GetNativeType(d, &e), kFMTypeNumber);
    EXPECT_FALSE(FM_Data_IsEmpty(d, &e));
    EXPECT_EQ(Utf8(FM_Data_GetAsText(d, &e)), "2.5");
    EXPECT_TRUE(FM_Data_GetAsBoolean(d, &e));

    ASSERT_TRUE(SetText(d, "x-12.5y7", kFMTypeText));
    EXPECT_EQ(FM_Data_GetNativeType(d, &e), kFMTypeText);
    EXPECT_EQ(NumberOf(d), -12.57);   // the digits and the first point, sign before them
    EXPECT_EQ(Utf8(FM_Data_GetAsText(d, &e)), "x-12.5y7");

    ASSERT_TRUE(SetText(d, "42", kFMTypeNumber));   // a text read as a number
    EXPECT_EQ(FM_Data_GetNativeType(d, &e), kFMTypeNumber);
    EXPECT_EQ(NumberOf(d), 42);
    ASSERT_TRUE(SetText(d, "none", kFMTypeNumber));
    EXPECT_TRUE(FM_Data_IsEmpty(d, &e));
    EXPECT_FALSE(SetText(d, "x", kFMTypeBinary));

    FMFixPt* f = FM_FixPt_Constructor1(738000, &e);
    EXPECT_TRUE(FM_Data_SetAsDate(d, f, kFMTypeDate, &e));
    EXPECT_EQ(FM_Data_GetNativeType(d, &e), kFMTypeDate);
    EXPECT_EQ(FM_FixPt_AsLong(FM_Data_GetAsDate(d, &e), &e), 738000);
    EXPECT_TRUE(FM_Data_SetAsTime(d, f, kFMTypeTime, &e));
    EXPECT_EQ(FM_Data_GetNativeType(d, &e), kFMTypeTime);
    EXPECT_TRUE(FM_Data_SetAsTimeStamp(d, f, kFMTypeTimeStamp, &e));
    EXPECT_EQ(FM_Data_GetNativeType(d, &e), kFMTypeTimeStamp);
    EXPECT_EQ(FM_FixPt_AsLong(FM_Data_GetAsTimeStamp(d, &e), &e), 738000);
    EXPECT_TRUE(FM_Data_SetAsNumber(d, f, kFMTypeText, &e));   // a number stored as its text
    EXPECT_EQ(FM_Data_GetNativeType(d, &e), kFMTypeText);
    EXPECT_EQ(Utf8(FM_Data_GetAsText(d, &e)), "738000");
    EXPECT_FALSE(FM_Data_SetAsNumber(d, f, kFMTypeBinary, &e));
    FM_FixPt_Delete(f, &e);

    FM_Data_Clear(d, kFMTypeNumber, &e);
    EXPECT_TRUE(FM_Data_IsEmpty(d, &e));
    EXPECT_EQ(FM_Data_GetNativeType(d, &e), kFMTypeNumber);
    EXPECT_EQ(Utf8(FM_Data_GetAsText(d, &e)), "");
    EXPECT_NE(FM_Data_GetLocale(d, &e), nullptr);
    FM_Data_Delete(d, &e);
    EXPECT_EQ(e.code, 0);
}

TEST(Data, NumbersReadAsText)
{
    Err e;
    FMData* d = FM_Data_Constructor1(&e);
    const std::pair<double, const char*> cases[] = {
        {0, "0"},           {-0.0, "0"},           {3, "3"},
        {-45, "-45"},       {0.5, "0.5"},          {0.1, "0.1"},
        {1.0 / 3, "0.3333333333333333"},           {1e20, "100000000000000000000"},
        {1.5e-7, "0.00000015"}, {123456.789, "123456.789"},
    };
    for (const auto& [v, text] : cases) {
        SetNumber(d, v, kFMTypeNumber);
        EXPECT_EQ(Utf8(FM_Data_GetAsText(d, &e)), text) << v;
    }
    SetNumber(d, std::numeric_limits<double>::quiet_NaN(), kFMTypeNumber);
    EXPECT_EQ(Utf8(FM_Data_GetAsText(d, &e)), "?");
    FM_Data_Delete(d, &e);
}

TEST(DataVect, KeepsCopiesInOrder)
{
    Err e;
    FMDataVect* v = FM_DataVect_Constructor1(&e);
    FMData* d = FM_Data_Constructor1(&e);
    SetText(d, "first", kFMTypeText);
    FM_DataVect_PushBack(v, d, &e);
    SetNumber(d, 7, kFMTypeNumber);
    FM_DataVect_PushBack(v, d, &e);
    FM_Data_Delete(d, &e);   // the vector's values do not depend on it
    ASSERT_EQ(FM_DataVect_Size(v, &e), 2u);
    EXPECT_EQ(FM_Data_GetNativeType(FM_DataVect_At(v, 0, &e), &e), kFMTypeText);
    EXPECT_EQ(Utf8(FM_DataVect_AtAsText(v, 0, &e)), "first");
    EXPECT_EQ(Utf8(FM_DataVect_AtAsText(v, 1, &e)), "7");
    EXPECT_EQ(e.code, 0);
    EXPECT_EQ(FM_DataVect_At(v, 2, &e), nullptr);
    EXPECT_EQ(e.code, 2);
    EXPECT_EQ(FM_DataVect_AtAsText(v, 5, &e), nullptr);
    EXPECT_EQ(e.code, 2);
    FM_DataVect_Clear(v, &e);
    EXPECT_EQ(FM_DataVect_Size(v, &e), 0u);
    FM_DataVect_Delete(v, &e);
}

TEST(BinaryData, StreamsKeepTheirOrderAndReplaceInPlace)
{
    Err e;
    FMBinaryData* b = FM_BinaryData_Constructor1(&e);
    Add(b, kJpegStream, "");
    Add(b, kPngStream, "png-bytes");
    Add(b, kSizeStream, "1234");
    EXPECT_EQ(Streams(b), "JPEG= PNGf=png-bytes SIZE=1234 ");
    Add(b, kPngStream, "other");   // same type: replaced where it stands
    EXPECT_EQ(Streams(b), "JPEG= PNGf=other SIZE=1234 ");

    FMQuadChar* q = FM_QuadChar_Constructor2('S', 'I', 'Z', 'E', &e);
    EXPECT_EQ(FM_BinaryData_GetIndex(b, q, &e), 2);
    FM_QuadChar_SetMacType(q, kNameStream, &e);
    EXPECT_EQ(FM_BinaryData_GetIndex(b, q, &e), -1);
    FM_QuadChar_Delete(q, &e);

    char buf[8] = {};
    EXPECT_EQ(FM_BinaryData_GetData(b, 1, 2, 3, buf, &e), 0);
    EXPECT_EQ(std::string(buf), "her");
    EXPECT_NE(FM_BinaryData_GetData(b, 1, 3, 3, buf, &e), 0);     // past the end
    EXPECT_NE(FM_BinaryData_GetData(b, 1, 0xFFFFFFFF, 2, buf, &e), 0);
    EXPECT_NE(FM_BinaryData_GetData(b, 3, 0, 0, buf, &e), 0);     // no such stream
    EXPECT_EQ(FM_BinaryData_GetSize(b, -1, &e), 0u);
    EXPECT_EQ(e.code, 0);

    FMData* d = FM_Data_Constructor1(&e);
    EXPECT_TRUE(FM_Data_SetBinaryData(d, b, true, &e));
    FM_BinaryData_Delete(b, &e);   // the value keeps its own copy
    EXPECT_EQ(FM_Data_GetNativeType(d, &e), kFMTypeBinary);
    EXPECT_EQ(Streams(FM_Data_GetBinaryData(d, &e)), "JPEG= PNGf=other SIZE=1234 ");
    EXPECT_TRUE(FM_Data_GetAsBoolean(d, &e));
    FM_Data_Delete(d, &e);
}

TEST(BinaryData, AddAnswerCanBeForced)
{
    Err e;
    FMBinaryData* b = FM_BinaryData_Constructor1(&e);
    FMH_SetAddAnswer(kPngStream, -7);
    Add(b, kPngStream, "bytes", -7);
    Add(b, kJpegStream, "j");
    EXPECT_EQ(e.code, 0);
    FMH_SetAddAnswer(kPngStream, 0);
    Add(b, kPngStream, "bytes");
    EXPECT_EQ(Streams(b), "JPEG=j PNGf=bytes ");
    FM_BinaryData_Delete(b, &e);
}

TEST(NewerExports, SizeAndFileNameStreams)
{
    auto addSize = reinterpret_cast<FM_BinaryData_AddSIZEData_t>(dlsym(RTLD_DEFAULT, "FM_BinaryData_AddSIZEData"));
    auto getSize = reinterpret_cast<FM_BinaryData_GetSIZEData_t>(dlsym(RTLD_DEFAULT, "FM_BinaryData_GetSIZEData"));
    auto addName = reinterpret_cast<FM_BinaryData_AddFNAMData_t>(dlsym(RTLD_DEFAULT, "FM_BinaryData_AddFNAMData"));
    auto getName = reinterpret_cast<FM_BinaryData_GetFNAMData_t>(dlsym(RTLD_DEFAULT, "FM_BinaryData_GetFNAMData"));
    ASSERT_TRUE(addSize && getSize && addName && getName);

    Err e;
    FMBinaryData* b = FM_BinaryData_Constructor1(&e);
    std::int16_t w = 1, h = 1;
    EXPECT_NE(getSize(b, &w, &h, &e), 0);   // none yet
    Add(b, kPngStream, "p");
    EXPECT_EQ(addSize(b, 640, 480, &e), 0);
    FMText* name = NewText("Untitled.png");
    EXPECT_EQ(addName(b, name, &e), 0);
    EXPECT_EQ(Streams(b), std::string("PNGf=p SIZE=\x02\x80\x01\xE0 FNAM=Untitled.png "));
    EXPECT_EQ(getSize(b, &w, &h, &e), 0);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_EQ(addSize(b, -1, 300, &e), 0);   // 16 bits unsigned: 0xFFFF
    EXPECT_EQ(Streams(b), std::string("PNGf=p SIZE=\xFF\xFF\x01\x2C FNAM=Untitled.png "));
    FMText* back = NewText("old");
    EXPECT_EQ(getName(b, back, &e), 0);
    EXPECT_EQ(Utf8(back), "Untitled.png");
    FM_Text_Delete(name, &e);
    FM_Text_Delete(back, &e);
    FM_BinaryData_Delete(b, &e);
    EXPECT_EQ(e.code, 0);

    // A short size stream is not read.
    b = FM_BinaryData_Constructor1(&e);
    Add(b, kSizeStream, "ab");
    EXPECT_NE(getSize(b, &w, &h, &e), 0);
    FM_BinaryData_Delete(b, &e);
}

TEST(NewerExports, QueryAndFontsAnswerWithoutFiles)
{
    auto sql = reinterpret_cast<FM_ExprEnv_ExecuteSQL_t>(dlsym(RTLD_DEFAULT, "FM_ExprEnv_ExecuteSQL"));
    auto info = reinterpret_cast<FM_Data_GetFontInfo_t>(dlsym(RTLD_DEFAULT, "FM_Data_GetFontInfo"));
    auto id = reinterpret_cast<FM_Data_GetFontID_t>(dlsym(RTLD_DEFAULT, "FM_Data_GetFontID"));
    ASSERT_TRUE(sql && info && id);
    Err e;
    FMExprEnv* env = FM_ExprEnv_Constructor1(&e);
    FMText* statement = NewText("SELECT 1");
    FMData* d = FM_Data_Constructor1(&e);
    SetText(d, "stale", kFMTypeText);
    EXPECT_EQ(sql(env, statement, d, u',', u'\r', &e), kFMHNoDatabase);
    EXPECT_TRUE(FM_Data_IsEmpty(d, &e));
    std::int16_t script = 5;
    EXPECT_FALSE(info(d, 3, statement, &script, env, &e));
    EXPECT_EQ(id(d, statement, 0, env, &e), 0);
    EXPECT_EQ(e.code, 0);
    FM_Text_Delete(statement, &e);
    FM_Data_Delete(d, &e);
    FM_ExprEnv_Delete(env, &e);
}

TEST(NewerExports, AbsentFromTheOlderHostsLibrary)
{
    void* old = dlopen(PV_BIN_DIR "/oldhost/libFMWrapper.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(old, nullptr) << dlerror();
    EXPECT_NE(dlsym(old, "FM_BinaryData_Add"), nullptr);
    EXPECT_NE(dlsym(old, "FM_BinaryData_Add"), dlsym(RTLD_DEFAULT, "FM_BinaryData_Add"));   // its own copy
    for (const char* name : {"FM_ExprEnv_ExecuteSQL", "FM_BinaryData_AddFNAMData", "FM_BinaryData_GetFNAMData",
                             "FM_BinaryData_AddSIZEData", "FM_BinaryData_GetSIZEData", "FM_Data_GetFontInfo",
                             "FM_Data_GetFontID"}) {
        EXPECT_EQ(dlsym(old, name), nullptr) << name;
        EXPECT_NE(dlsym(RTLD_DEFAULT, name), nullptr) << name;
    }
    // Nothing but the interface leaves either library.
    EXPECT_EQ(dlsym(old, "_ZN3fmw5EnterEPKcP7FMError"), nullptr);
}
