// The product's plug-in object: the chart registry, the product log's
// set-up, the result-code keeper, and the handlers of the calculation
// functions.
#pragma once

#include <cstdint>

#include "fmapi/fm_api.h"
#include "plugin/PlugIn.h"

class PVPlugin : public __Quarrow__::PlugIn {
public:
    explicit PVPlugin(__Quarrow__::ResponderChain* chain);
    ~PVPlugin() override;

    bool OpenLog(std::int32_t mode, std::int32_t maxSize) override;
    void CloseLog() override {}

    // Sets up the product log: 0 append, 1 overwrite, 2 off.
    bool ConfigureLog(std::int32_t mode, std::int32_t maxSize);
    static void SetupLogChannels(std::int32_t mode);

    void OnInit(__Quarrow__::Message& message);
    void OnShutdown(__Quarrow__::Message& message);
    void OnIdle(__Quarrow__::Message&) {}
};
