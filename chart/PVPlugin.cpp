#include "chart/PVPlugin.h"

#include "chart/Logging.h"
#include "fmx/Plugin.h"

PVPlugin::PVPlugin(__Quarrow__::ResponderChain* chain) : __Quarrow__::PlugIn(chain) {}

PVPlugin::~PVPlugin() = default;

bool PVPlugin::OpenLog(std::int32_t mode, std::int32_t maxSize) { return ConfigureLog(mode, maxSize); }

bool PVPlugin::ConfigureLog(std::int32_t mode, std::int32_t)
{
    SetupLogChannels(mode);
    return true;
}

void PVPlugin::SetupLogChannels(std::int32_t) {}

void PVPlugin::OnInit(__Quarrow__::Message& message)
{
    __Quarrow__::PlugIn::OnInit(message);
    std::int16_t extn = message.ExtnVersion();
    if (extn < 50 || extn > 255)
        message.SetResult(-1);
}

void PVPlugin::OnShutdown(__Quarrow__::Message& message)
{
    CloseLog();
    __Quarrow__::PlugIn::OnShutdown(message);
}

namespace __Quarrow__ {

void RegisterPlugInFunctions()
{
    try {
        auto* chain = new ResponderChain;
        PlugIn::SetProduct(nullptr, chain);
        auto* product = new PVPlugin(chain);
        PlugIn::SetProduct(product, chain);
        if (!product->RegisterMessageHandler(0, MessageHandler::Bind(&PVPlugin::OnInit)) ||
            !product->RegisterMessageHandler(4, MessageHandler::Bind(&PVPlugin::OnShutdown)) ||
            !product->RegisterMessageHandler(1, MessageHandler::Bind(&PVPlugin::OnIdle)))
            throw Error(1, -1000);
        product->OnHandlersRegistered();
    } catch (...) {
        PlugIn::DestroyProduct();
    }
}

} // namespace __Quarrow__
