// Arbitrary bytes through the readers of calculation-function arguments:
// value lists, label lists, colour texts and integers, as text and as numbers.
#include <boost/lexical_cast.hpp>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "chart/functions/ArgReaders.h"
#include "chart/output/Logging.h"
#include "chart/functions/PVPlugin.h"
#include "fmx/FMWrapper.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static bool once = [] {
        Logging::SetupChannels(nullptr);
        return true;
    }();
    (void)once;

    const std::string bytes(reinterpret_cast<const char*>(data), size);
    fmx::Text text;
    text.AssignWithLength(bytes.data(), static_cast<std::uint32_t>(bytes.size()), kFMEncUTF8);
    fmx::Locale locale(1);
    fmx::Data value;
    value.SetAsText(text, locale);

    std::vector<CValuePair> values;
    ParseDataValues(value.get(), values);
    std::vector<std::wstring> labels;
    ParseLabelList(value.get(), labels);
    std::int32_t n = 0;
    PVPlugin::GetLongFromData(value.get(), n, 7);

    CColor colour;
    std::vector<CColor> colours;
    try {
        ReadSingleColor(value.get(), colour);
    } catch (const boost::bad_lexical_cast&) {
    }
    try {
        PVPlugin::GetColorFromData(value.get(), colours);
    } catch (const boost::bad_lexical_cast&) {
    }

    if (size >= sizeof(double)) {
        double d;
        std::memcpy(&d, data, sizeof(d));
        fmx::FixPt number;
        number.AssignDouble(d);
        fmx::Data numeric;
        numeric.SetAsNumber(number);
        ParseDataValues(numeric.get(), values);
        ParseLabelList(numeric.get(), labels);
        PVPlugin::GetLongFromData(numeric.get(), n, 7);
    }
    return 0;
}
