// Interface functions that only newer hosts have. From host API level 51 on
// they are looked up by name on first use; below it a fallback of the
// plug-in's own takes their place.
#pragma once

#include <cstdint>

#include "fmapi/fm_api.h"

namespace fmx {

class BinaryData;
class Text;

// Picture size: below level 51 a 'SIZE' stream of width and height as
// unsigned 16-bit big-endian values.
std::int16_t AddSIZEData(BinaryData& binary, std::int16_t width, std::int16_t height);
std::int16_t GetSIZEData(const BinaryData& binary, std::int16_t& width, std::int16_t& height);
// File names: below level 51 nothing is added and nothing is read.
std::int16_t AddFNAMData(BinaryData& binary, const Text& fileNames);
std::int16_t GetFNAMData(const BinaryData& binary, Text& fileNames);
bool GetFontInfo(const FMData* data, std::int16_t fontId, Text& fontName, std::int16_t& fontScript,
                 const FMExprEnv* env);
std::int16_t GetFontID(const FMData* data, const Text& fontName, std::int16_t fontScript,
                       const FMExprEnv* env);
std::int16_t ExecuteSQL(const FMExprEnv* env, const Text& statement, FMData* result,
                        char16_t columnSeparator, char16_t rowSeparator);

} // namespace fmx
