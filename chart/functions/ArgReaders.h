// Readers of calculation-function arguments shared by the chart handlers.
#pragma once

#include <boost/any.hpp>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "chart/engine/Color.h"
#include "fmapi/fm_api.h"
#include "fmx/FMWrapper.h"

// A calculation function's arguments, as every handler reads them. The host
// checks the argument counts of the function table, so a required position
// is always there; optional ones are asked with Present.
class CArgs {
public:
    explicit CArgs(const FMDataVect* args) : args_(args), count_(args_.Size()) {}

    bool Present(std::uint32_t i) const { return count_ > i; }
    const FMData* At(std::uint32_t i) const { return args_.At(i); }
    // The argument's text as UTF-8 / wide text, carriage returns as line feeds.
    std::string Utf8(std::uint32_t i) const;
    std::wstring Wide(std::uint32_t i) const;

private:
    fmx::DataVect args_;
    std::uint32_t count_;
};

// The host text as UTF-8; every carriage return becomes a line feed.
std::string TextToString(const FMText* text);
// The host text as wide text; every carriage return becomes a line feed.
std::wstring TextToWString(const FMText* text);

// The data must be text; a valid colour text sets the colour (true).
bool ReadSingleColor(const FMData* data, CColor& colour);
// "r,g,b" (whole numbers, blanks allowed around each) or six hex digits
// RRGGBB. A three-piece text with a piece that is not a whole number throws
// boost::bad_lexical_cast. The colour is written only on success.
bool ParseColorText(const std::string& text, CColor& colour);

// A text split at every control character; empty pieces are kept.
std::vector<std::wstring> SplitList(const std::wstring& text);

using CValuePair = std::pair<float, boost::any>;
// Appends the values of a text (one per piece; empty or non-numeric pieces
// count as 0) or of a number (its integer part). False for other types.
bool ParseDataValues(const FMData* data, std::vector<CValuePair>& out,
                     const boost::any& extra = boost::any(false));
// Appends the labels of a text (empty pieces give "0") or of a number (its
// integer part as text). False for other types.
bool ParseLabelList(const FMData* data, std::vector<std::wstring>& out);
