#include "fmx/Extensions.h"

#include <textconv>

#include "fmapi/container_streams.h"
#include "fmx/AccessMgr.h"
#include "fmx/FmImp.h"
#include "fmx/FMWrapper.h"
#include "fmx/Plugin.h"
#include "fmx/WideText.h"
#include "plugin/Flavour.h"
#if defined(PV_FLAVOUR_MAC)
#include "macos/PlatStubs.h"
#endif

namespace fmx {

namespace {

bool HostHasExtensions() { return Plugin::GetApiLevel() >= 51; }

#if defined(PV_FLAVOUR_MAC)
// By their Mach-O names ("_FM_..."), through the cells of the framework
// binding (macos/PlatStubs.h), one table for every caller.
template <class F, F (*Find)()>
struct Export {
    F Get() const { return Find(); }
};

Export<FM_BinaryData_AddSIZEData_t, &mac::bound::BinaryDataAddSIZEData> g_addSize;
Export<FM_BinaryData_GetSIZEData_t, &mac::bound::BinaryDataGetSIZEData> g_getSize;
Export<FM_BinaryData_AddFNAMData_t, &mac::bound::BinaryDataAddFNAMData> g_addNames;
Export<FM_BinaryData_GetFNAMData_t, &mac::bound::BinaryDataGetFNAMData> g_getNames;
Export<FM_Data_GetFontInfo_t, &mac::bound::DataGetFontInfo> g_fontInfo;
Export<FM_Data_GetFontID_t, &mac::bound::DataGetFontID> g_fontId;
Export<FM_ExprEnv_ExecuteSQL_t, &mac::bound::ExprEnvExecuteSQL> g_sql;
#else
// By their plain names in the interface library, one cell each, bound on
// first use and never re-resolved.
template <class F>
struct Export {
    const char* name;
    F cell = nullptr;

    F Get()
    {
        if (!cell)
            cell = reinterpret_cast<F>(AccessMgr::GetInstance().FindFunction(flavour::kInterfaceModule, name));
        return cell;
    }
};

Export<FM_BinaryData_AddSIZEData_t> g_addSize{"FM_BinaryData_AddSIZEData"};
Export<FM_BinaryData_GetSIZEData_t> g_getSize{"FM_BinaryData_GetSIZEData"};
Export<FM_BinaryData_AddFNAMData_t> g_addNames{"FM_BinaryData_AddFNAMData"};
Export<FM_BinaryData_GetFNAMData_t> g_getNames{"FM_BinaryData_GetFNAMData"};
Export<FM_Data_GetFontInfo_t> g_fontInfo{"FM_Data_GetFontInfo"};
Export<FM_Data_GetFontID_t> g_fontId{"FM_Data_GetFontID"};
Export<FM_ExprEnv_ExecuteSQL_t> g_sql{"FM_ExprEnv_ExecuteSQL"};
#endif

template <class Bound, class... Args>
auto CallBound(Bound& bound, Args... args)
{
    const auto f = bound.Get();
    ErrorRecord err;
    auto result = f(args..., static_cast<FMError*>(err));
    err.Check();
    return result;
}

} // namespace

std::int16_t AddSIZEData(BinaryData& binary, std::int16_t width, std::int16_t height)
{
    if (HostHasExtensions())
        return CallBound(g_addSize, binary.get(), width, height);
    const auto w = static_cast<std::uint16_t>(width);
    const auto h = static_cast<std::uint16_t>(height);
    const unsigned char bytes[4] = {static_cast<unsigned char>(w >> 8), static_cast<unsigned char>(w & 0xFF),
                                    static_cast<unsigned char>(h >> 8), static_cast<unsigned char>(h & 0xFF)};
    QuadChar type(fmapi::kSizeStream);
    return binary.Add(type, sizeof(bytes), bytes);
}

std::int16_t GetSIZEData(const BinaryData& binary, std::int16_t& width, std::int16_t& height)
{
    if (HostHasExtensions())
        return CallBound(g_getSize, binary.get(), &width, &height);
    QuadChar type(fmapi::kSizeStream);
    const std::int32_t index = binary.GetIndex(type);
    if (index < 0 || binary.GetSize(index) < 4)
        return -1;
    unsigned char bytes[4];
    const std::int16_t error = binary.GetData(index, 0, 4, bytes);
    if (error != 0)
        return error;
    width = static_cast<std::int16_t>(bytes[0] << 8 | bytes[1]);
    height = static_cast<std::int16_t>(bytes[2] << 8 | bytes[3]);
    return 0;
}

std::int16_t AddFNAMData(BinaryData& binary, const Text& fileNames)
{
    if (HostHasExtensions())
        return CallBound(g_addNames, binary.get(), fileNames.get());
    return 0;
}

std::int16_t GetFNAMData(const BinaryData& binary, Text& fileNames)
{
    if (HostHasExtensions())
        return CallBound(g_getNames, binary.get(), fileNames.get());
    fileNames.Assign("");
    return 0;
}

bool GetFontInfo(const FMData* data, std::int16_t fontId, Text& fontName, std::int16_t& fontScript,
                 const FMExprEnv* env)
{
    if (HostHasExtensions())
        return CallBound(g_fontInfo, data, fontId, fontName.get(), &fontScript, env);
    // Older hosts: the font mapper of the environment's file answers.
    (void)data;
    const Database file = DatabaseOfEnvironment(env);
    if (file.IsEmpty())
        return false;
    const std::u16string name = WideToU16(Utf8ToWideString(file.GetFontName(static_cast<std::uint16_t>(fontId))));
    fontName.AssignUnicodeWithLength(name.data(), static_cast<std::uint32_t>(name.size()));
    fontScript = 0;
    return true;
}

std::int16_t GetFontID(const FMData* data, const Text& fontName, std::int16_t fontScript,
                       const FMExprEnv* env)
{
    if (HostHasExtensions())
        return CallBound(g_fontId, data, fontName.get(), fontScript, env);
    return 0;
}

std::int16_t ExecuteSQL(const FMExprEnv* env, const Text& statement, FMData* result,
                        char16_t columnSeparator, char16_t rowSeparator)
{
    if (HostHasExtensions())
        return CallBound(g_sql, env, statement.get(), result, columnSeparator,
                         rowSeparator);
    return 1;
}

} // namespace fmx
