// PVane_SetupLog: how the product log is written from now on.
#include <boost/algorithm/string/predicate.hpp>

#include "chart/functions/ArgReaders.h"
#include "chart/functions/PVPlugin.h"
#include "plugin/ResultCodes.h"

std::int16_t PVPlugin::SetupLog(std::int16_t, const FMExprEnv*, const FMDataVect* argv, FMData*)
{
    using boost::algorithm::iequals;
    CArgs args(argv);
    std::string setup = "logOverwrite";
    std::int32_t size = 0;
    if (args.Present(0))
        setup = args.Utf8(0);
    if (args.Present(1) && !GetLongFromData(args.At(1), size, 0))
        throw PVStandardException(-3);
    std::int32_t mode = 1;
    if (iequals(setup, "logOff"))
        mode = 2;
    else if (iequals(setup, "logAppend"))
        mode = 0;
    // The size reaches the log in bytes; it wraps like the 32-bit product it is.
    const auto bytes = static_cast<std::int32_t>(static_cast<std::uint32_t>(size) * 1024u);
    if (!OpenLog(mode, bytes))
        throw PVStandardException(-22);
    return 0;
}
