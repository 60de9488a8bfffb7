// The product's plug-in object: the chart registry, the product log's
// set-up, the result-code keeper, and the handlers of the calculation
// functions.
#pragma once

#include <cstdint>
#include <vector>

#include "chart/engine/Color.h"
#include "chart/functions/Registry.h"
#include "fmapi/fm_api.h"
#include "plugin/PlugIn.h"

class PVPlugin : public __Quarrow__::PlugIn {
public:
    explicit PVPlugin(__Quarrow__::ResponderChain* chain);
    ~PVPlugin() override;

    bool OpenLog(std::int32_t mode, std::int32_t maxSize) override;
    void CloseLog() override {}

    // Sets up the product log: 0 append, 1 overwrite, 2 off. The product log
    // has no size limit, so the size OpenLog is given goes no further.
    bool ConfigureLog(std::int32_t mode);
    static void SetupLogChannels(std::int32_t mode);

    void OnInit(__Quarrow__::Message& message);
    void OnShutdown(__Quarrow__::Message& message);
    void OnIdle(__Quarrow__::Message&) {}

    // Builds the request handlers of every calculation function.
    void RegisterFunctionTable();

    // Handlers: (function id, environment, arguments, result) -> 0; failures
    // throw PVStandardException.
    std::int16_t SetupLog(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*);
    std::int16_t CreateChart(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*);
    std::int16_t AddGraph(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*);
    std::int16_t AddData(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*);
    std::int16_t AddLabels(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*);
    std::int16_t GetChart(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*);
    std::int16_t DestroyChart(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*);
    std::int16_t AddPieColors(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*);
    std::int16_t GetLastResultCode(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData*);

    // Writes the default first; false (default kept) for an empty or
    // non-numeric text or a type other than text and number.
    static bool GetLongFromData(const FMData* data, std::int32_t& value, std::int32_t defaultValue);
    // Appends one colour per piece of the text (a random one for a piece that
    // is not a colour); false for data that is not a non-empty text.
    static bool GetColorFromData(const FMData* data, std::vector<CColor>& colours);

    // The entry of that name; throws PVStandardException(-3) when missing.
    static CChartEntry& FindChart(CChartRegistry& registry, const std::wstring& name);

    CChartRegistry& Registry() { return registry_; }

private:
    CChartRegistry registry_;
};
