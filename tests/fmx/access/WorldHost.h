// The host as fmhost plays it, at one API level: the host's modules of that
// level over the host's world, its desktop with FileMaker's main window, the
// plug-in's host object and managers built with fmhost's callbacks, and
// fmhost's evaluator for the calculations the plug-in has the host evaluate.
#pragma once

#include <dlfcn.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "tests/fmx/access/TestHost.h"
#include "fmhost/EngineModules.h"
#include "fmhost/Evaluate.h"
#include "fmhost/HostMemory.h"
#include "fmx/HostBinding.h"
#include "world/World.h"

namespace pvtest {

class WorldHost {
public:
    explicit WorldHost(std::int16_t level, std::uint8_t appKind = 1) : level_(level)
    {
        std::string error;
        if (!fmhost::LoadHostModules(level, PV_BIN_DIR, error))
            throw std::runtime_error(error);
        world.SetUpDesktop();
        world.SetMainWindow(hostworld::MainWindow::kEnabled, world.MainWindowClass(appKind));
        fmapi::CallRecord record{};
        fmhost::FillCallbacks(record);
        fmapi::HostCallback callbacks[fmapi::kHostCallbackCount];
        for (int i = 0; i < fmapi::kHostCallbackCount; ++i)
            callbacks[i] = record.callbacks[i];
        env_ = std::make_unique<HostEnv>(level, appKind, callbacks);
        fmhost::InstallEvaluator();
    }

    // Calls of an operation so far in the module that serves it.
    std::int32_t Calls(const fmapi::DracoSymbol& entry) const
    {
        void* module = fmx::AccessMgr::GetModule(fmx::HostModuleName(entry.group, level_));
        auto count = reinterpret_cast<std::int32_t (*)(const char*)>(dlsym(module, "PVEngine_CallCount"));
        return count ? count(entry.id) : -1;
    }

    hostworld::World& world = hostworld::World::Get();

private:
    std::int16_t level_;
    std::unique_ptr<HostEnv> env_;
};

} // namespace pvtest
