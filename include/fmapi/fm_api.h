// The host's plug-in interface library (libFMWrapper.so): value objects the
// plug-in exchanges with the host, as C functions over opaque handles.
//
// Every function takes an error record last. The library sets its code:
// 0 success, 1 out of memory, 2 any other failure. Texts are held as UTF-16.
#pragma once

#include <cstdint>

extern "C" {

struct FMError {
    std::int32_t version;   // 1
    std::int32_t code;      // 0 ok, 1 memory, 2 other
};

struct FMText;
struct FMData;
struct FMDataVect;
struct FMBinaryData;
struct FMFixPt;
struct FMLocale;
struct FMQuadChar;
struct FMExprEnv;

// Text encodings of byte texts. The native encoding of this host is UTF-8.
enum FMTextEncoding : std::int32_t {
    kFMEncNative = 0,
    kFMEncUTF8 = 1,
    kFMEncASCIIWin = 3,   // Windows ANSI (code page 1252)
    kFMEncASCIIMac = 4,   // Mac Roman
};

// Native types of data.
enum FMDataType : std::int32_t {
    kFMTypeInvalid = 0,
    kFMTypeText = 1,
    kFMTypeNumber = 2,
    kFMTypeDate = 3,
    kFMTypeTime = 4,
    kFMTypeTimeStamp = 5,
    kFMTypeBinary = 6,     // container
    kFMTypeBoolean = 7,
};

// Calculation-function callback registered by a plug-in.
typedef std::int16_t (*FMExtFunction)(std::int16_t functionId, const FMExprEnv* env,
                                       const FMDataVect* args, FMData* result);

// ---- Text
FMText* FM_Text_Constructor1(FMError* err);
void FM_Text_Delete(FMText* t, FMError* err);
void FM_Text_Assign(FMText* t, const char* s, std::int32_t encoding, FMError* err);
void FM_Text_AssignWithLength(FMText* t, const char* s, std::uint32_t byteLength,
                              std::int32_t encoding, FMError* err);
void FM_Text_AssignUnicode(FMText* t, const char16_t* s, FMError* err);
void FM_Text_AssignUnicodeWithLength(FMText* t, const char16_t* s, std::uint32_t length,
                                     FMError* err);
// Size in UTF-16 units.
std::uint32_t FM_Text_GetSize(const FMText* t, FMError* err);
// Writes the units [position, position + size) converted to the encoding into
// buffer (at most bufferSize bytes, no terminating zero written beyond the
// room; a zero is added when there is room). Answers the bytes written.
std::uint32_t FM_Text_GetBytes(const FMText* t, char* buffer, std::uint32_t bufferSize,
                               std::uint32_t position, std::uint32_t size,
                               std::int32_t encoding, FMError* err);
// Copies the units [position, position + size) into buffer.
void FM_Text_GetUnicode(const FMText* t, char16_t* buffer, std::uint32_t position,
                        std::uint32_t size, FMError* err);
void FM_Text_AppendText(FMText* t, const FMText* other, std::uint32_t position,
                        std::uint32_t size, FMError* err);
void FM_Text_DeleteText(FMText* t, std::uint32_t position, std::uint32_t size, FMError* err);

// ---- FixPt (a number)
FMFixPt* FM_FixPt_Constructor1(std::int32_t value, FMError* err);
void FM_FixPt_Delete(FMFixPt* f, FMError* err);
void FM_FixPt_AssignInt(FMFixPt* f, std::int32_t value, FMError* err);
void FM_FixPt_AssignDouble(FMFixPt* f, double value, FMError* err);
// Integer part, truncated toward zero and saturated to 32 bits.
std::int32_t FM_FixPt_AsLong(const FMFixPt* f, FMError* err);
double FM_FixPt_AsDouble(const FMFixPt* f, FMError* err);

// ---- Locale
FMLocale* FM_Locale_Constructor1(std::int32_t type, FMError* err);
void FM_Locale_Delete(FMLocale* l, FMError* err);

// ---- QuadChar (four-character code, first character in the highest byte)
FMQuadChar* FM_QuadChar_Constructor1(FMError* err);
FMQuadChar* FM_QuadChar_Constructor2(char c0, char c1, char c2, char c3, FMError* err);
void FM_QuadChar_SetMacType(FMQuadChar* q, std::uint32_t type, FMError* err);
std::uint32_t FM_QuadChar_GetMacType(const FMQuadChar* q, FMError* err);
void FM_QuadChar_Delete(FMQuadChar* q, FMError* err);

// ---- BinaryData (ordered typed streams)
FMBinaryData* FM_BinaryData_Constructor1(FMError* err);
void FM_BinaryData_Delete(FMBinaryData* b, FMError* err);
// Appends a stream (or replaces the one of the same type). 0 on success.
std::int16_t FM_BinaryData_Add(FMBinaryData* b, const FMQuadChar* type, std::uint32_t size,
                               const void* data, FMError* err);
// Index of the stream of that type, -1 when absent.
std::int32_t FM_BinaryData_GetIndex(const FMBinaryData* b, const FMQuadChar* type, FMError* err);
std::uint32_t FM_BinaryData_GetSize(const FMBinaryData* b, std::int32_t index, FMError* err);
// Copies amount bytes from offset of the stream at index. 0 on success.
std::int16_t FM_BinaryData_GetData(const FMBinaryData* b, std::int32_t index,
                                   std::uint32_t offset, std::uint32_t amount, void* buffer,
                                   FMError* err);
std::int32_t FM_BinaryData_GetCount(const FMBinaryData* b, FMError* err);
void FM_BinaryData_GetType(const FMBinaryData* b, std::int32_t index, FMQuadChar* type,
                           FMError* err);

// ---- Data
FMData* FM_Data_Constructor1(FMError* err);
void FM_Data_Delete(FMData* d, FMError* err);
void FM_Data_Clear(FMData* d, std::int32_t newNativeType, FMError* err);
bool FM_Data_IsEmpty(const FMData* d, FMError* err);
std::int32_t FM_Data_GetNativeType(const FMData* d, FMError* err);
const FMText* FM_Data_GetAsText(const FMData* d, FMError* err);
const FMFixPt* FM_Data_GetAsNumber(const FMData* d, FMError* err);
// Dates, times and time stamps are numbers here: days, seconds, seconds.
const FMFixPt* FM_Data_GetAsDate(const FMData* d, FMError* err);
const FMFixPt* FM_Data_GetAsTime(const FMData* d, FMError* err);
const FMFixPt* FM_Data_GetAsTimeStamp(const FMData* d, FMError* err);
bool FM_Data_GetAsBoolean(const FMData* d, FMError* err);
const FMBinaryData* FM_Data_GetBinaryData(const FMData* d, FMError* err);
const FMLocale* FM_Data_GetLocale(const FMData* d, FMError* err);
bool FM_Data_SetAsText(FMData* d, const FMText* text, const FMLocale* locale,
                       std::int32_t nativeType, FMError* err);
bool FM_Data_SetAsNumber(FMData* d, const FMFixPt* number, std::int32_t nativeType,
                         FMError* err);
bool FM_Data_SetAsDate(FMData* d, const FMFixPt* days, std::int32_t nativeType, FMError* err);
bool FM_Data_SetAsTime(FMData* d, const FMFixPt* seconds, std::int32_t nativeType, FMError* err);
bool FM_Data_SetAsTimeStamp(FMData* d, const FMFixPt* seconds, std::int32_t nativeType,
                            FMError* err);
bool FM_Data_SetBinaryData(FMData* d, const FMBinaryData* binary, bool forceBinaryNativeType,
                           FMError* err);

// ---- DataVect
FMDataVect* FM_DataVect_Constructor1(FMError* err);
void FM_DataVect_Delete(FMDataVect* v, FMError* err);
void FM_DataVect_Clear(FMDataVect* v, FMError* err);
void FM_DataVect_PushBack(FMDataVect* v, const FMData* data, FMError* err);
std::uint32_t FM_DataVect_Size(const FMDataVect* v, FMError* err);
const FMData* FM_DataVect_At(const FMDataVect* v, std::uint32_t position, FMError* err);
const FMText* FM_DataVect_AtAsText(const FMDataVect* v, std::uint32_t position, FMError* err);

// ---- ExprEnv
FMExprEnv* FM_ExprEnv_Constructor1(FMError* err);
void FM_ExprEnv_Delete(FMExprEnv* e, FMError* err);
// Evaluates a calculation through the host. 0 on success, else its error.
std::int16_t FM_ExprEnv_Evaluate(const FMExprEnv* e, const FMText* expression, FMData* result,
                                 FMError* err);
// minArgs/maxArgs are signed; maxArgs -1 means no upper limit. 0 on success.
std::int16_t FM_ExprEnv_RegisterExternalFunction(const FMQuadChar* pluginId,
                                                 std::int16_t functionId, const FMText* name,
                                                 const FMText* prototype, std::int16_t minArgs,
                                                 std::int16_t maxArgs,
                                                 std::uint32_t compatibleFlags,
                                                 FMExtFunction function, FMError* err);
std::int16_t FM_ExprEnv_UnRegisterExternalFunction(const FMQuadChar* pluginId,
                                                   std::int16_t functionId, FMError* err);

// ---- The seven newer functions. Present in current hosts only: a plug-in
// looks them up by name and never links them.
typedef std::int16_t (*FM_ExprEnv_ExecuteSQL_t)(const FMExprEnv* e, const FMText* statement,
                                                FMData* result, char16_t columnSeparator,
                                                char16_t rowSeparator, FMError* err);
typedef std::int16_t (*FM_BinaryData_AddFNAMData_t)(FMBinaryData* b, const FMText* fileNames,
                                                    FMError* err);
typedef std::int16_t (*FM_BinaryData_GetFNAMData_t)(const FMBinaryData* b, FMText* fileNames,
                                                    FMError* err);
typedef std::int16_t (*FM_BinaryData_AddSIZEData_t)(FMBinaryData* b, std::int16_t width,
                                                    std::int16_t height, FMError* err);
typedef std::int16_t (*FM_BinaryData_GetSIZEData_t)(const FMBinaryData* b, std::int16_t* width,
                                                    std::int16_t* height, FMError* err);
typedef bool (*FM_Data_GetFontInfo_t)(const FMData* d, std::int16_t fontId, FMText* fontName,
                                      std::int16_t* fontScript, const FMExprEnv* env,
                                      FMError* err);
typedef std::int16_t (*FM_Data_GetFontID_t)(const FMData* d, const FMText* fontName,
                                            std::int16_t fontScript, const FMExprEnv* env,
                                            FMError* err);

} // extern "C"
