#include "chart/functions/PVPlugin.h"

#include <boost/numeric/conversion/cast.hpp>
#include <cstdlib>
#include <ctime>

#include "chart/engine/DrawContext.h"
#include "chart/output/Logging.h"
#include "fmx/FMWrapper.h"
#include "fmx/Plugin.h"
#include "fmx/WideText.h"
#include "plugin/Flavour.h"
#include "plugin/ResultCodes.h"

PVPlugin::PVPlugin(__Quarrow__::ResponderChain* chain) : __Quarrow__::PlugIn(chain)
{
    SetupLogChannels(0);
    __Quarrow__::Singleton<PVBaseDebugger, 0>::setInstance(new PVBaseDebugger(VLogError));
    std::srand(boost::numeric_cast<std::uint32_t>(std::time(nullptr)));
}

PVPlugin::~PVPlugin()
{
    if (__Quarrow__::Singleton<PVBaseDebugger, 0>::exists()) {
        delete &__Quarrow__::Singleton<PVBaseDebugger, 0>::getInstance();
        __Quarrow__::Singleton<PVBaseDebugger, 0>::setInstance(nullptr);
    }
}

bool PVPlugin::OpenLog(std::int32_t mode, std::int32_t) { return ConfigureLog(mode); }

bool PVPlugin::ConfigureLog(std::int32_t mode)
{
    SetupLogChannels(mode);
    return true;
}

void PVPlugin::OnInit(__Quarrow__::Message& message)
{
    __Quarrow__::PlugIn::OnInit(message);
    const fmx::Plugin& plugin = fmx::Plugin::GetInstance();
    std::string name = fmx::WideToUtf8(*plugin.GetInfoString(fmx::Plugin::kInfoProduct));
    std::string version = fmx::WideToUtf8(*plugin.GetInfoString(fmx::Plugin::kInfoVersion));
    LogInfo("%s v%s (%s)", name.c_str(), version.c_str(), flavour::kPlatformWordUtf8);
    const std::int16_t extn = message.ExtnVersion();
    if (extn < 50 || extn > 255)
        message.SetResult(-1);
    else if (message.Result() >= 50)
        PrepareDrawing();
}

void PVPlugin::OnShutdown(__Quarrow__::Message& message)
{
    CloseLog();
    __Quarrow__::PlugIn::OnShutdown(message);
    ReleaseDrawing();
}

std::int16_t PVPlugin::GetLastResultCode(std::int16_t, const FMExprEnv*, const FMDataVect*, FMData* result)
{
    fmx::Text text;
    text.AssignWide(__Quarrow__::Singleton<PVBaseDebugger, 0>::getInstance().LastResultText());
    fmx::Locale locale(1);
    fmx::Data(result).SetAsText(text, locale);
    return 0;
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
        product->RegisterFunctionTable();
        product->OnHandlersRegistered();
    } catch (...) {
        PlugIn::DestroyProduct();
    }
}

} // namespace __Quarrow__
