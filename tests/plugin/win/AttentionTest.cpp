// Attention requests on the host's desktop: the main window flashes until the
// host becomes the active application or the request's time is up.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/fmx/access/WorldHost.h"
#include "fmapi/desktop.h"
#include "platform/win32/winlocaltime.h"
#include "platform/win32/winwindow.h"
#include "plugin/DateTime.h"
#include "plugin/DeferredTask.h"
#include "plugin/NotificationMgr.h"
#include "plugin/QSingleton.h"
#include "plugin/TimedTask.h"

namespace {

using __Quarrow__::DeferredTaskMgr;
using __Quarrow__::NotificationMgr;
using __Quarrow__::Singleton;
using __Quarrow__::TimedTaskMgr;

constexpr std::int64_t T = 1750000000;

void SetClock(std::int64_t seconds)
{
    const auto intervals = static_cast<std::uint64_t>(seconds * 10000000 + 116444736000000000);
    const win32::FILETIME t{static_cast<std::uint32_t>(intervals), static_cast<std::uint32_t>(intervals >> 32)};
    win32::SetSystemTimeForTesting(&t);
}

// A hook of the host's own, installed before the plug-in's: what reaches it
// came along the chain.
std::vector<std::uint32_t> g_seen;
std::intptr_t HostHook(int, std::uintptr_t, std::intptr_t lParam)
{
    g_seen.push_back(reinterpret_cast<const PVMessageAfter*>(lParam)->message);
    return 0;
}

class Attention : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetClock(T);
        deferred = &Singleton<DeferredTaskMgr>::Create();
        Singleton<TimedTaskMgr>::Create();
        manager = std::make_unique<NotificationMgr>();
    }
    void TearDown() override
    {
        manager.reset();
        if (hostHook)
            world.RemoveHook(hostHook);
        Singleton<TimedTaskMgr>::Destroy();
        Singleton<DeferredTaskMgr>::Destroy();
        win32::SetSystemTimeForTesting(nullptr);
    }
    void IdleAt(std::int64_t offset)
    {
        SetClock(T + offset);
        deferred->Pump(1, ~std::uint64_t(0));
    }
    bool Flashing() const
    {
        const hostworld::DesktopWindow* w = world.FindDesktopWindow(world.MainWindowHandle());
        return w && w->flashing;
    }

    pvtest::WorldHost host{55};
    hostworld::World& world = host.world;
    DeferredTaskMgr* deferred = nullptr;
    std::unique_ptr<NotificationMgr> manager;
    std::uintptr_t hostHook = 0;   // the host's own, removed after the test
};

TEST_F(Attention, OnlyTheActivationOfTheMainWindowAnswersARequest)
{
    const std::uintptr_t main = world.MainWindowHandle();
    const std::uintptr_t other = world.AddPlainWindow("Palette", false);
    hostHook = world.SetHook(fmapi::kHookAfterMessage, &HostHook, 0);
    ASSERT_NE(hostHook, 0u);
    // The system calls: the host's windows live on the calling thread; only
    // hooks that see messages after their window are known.
    EXPECT_EQ(win32::GetCurrentThreadId(), win32::GetWindowThreadProcessId(reinterpret_cast<win32::HWND>(main), nullptr));
    EXPECT_EQ(win32::SetWindowsHookExW(win32::kWhCallWndProcRet + 1, &HostHook, nullptr, 0), nullptr);
    EXPECT_EQ(world.HookCount(), 1u);

    // Zero seconds only stops, and with nothing running changes nothing.
    EXPECT_FALSE(manager->Start(0));
    manager->Stop();
    EXPECT_EQ(manager->GetState(), NotificationMgr::kStopped);
    EXPECT_FALSE(Flashing());
    EXPECT_EQ(world.HookCount(), 1u);

    ASSERT_TRUE(manager->Start(60));
    EXPECT_EQ(manager->GetState(), NotificationMgr::kRequesting);
    EXPECT_TRUE(Flashing());
    EXPECT_EQ(world.HookCount(), 2u);
    EXPECT_EQ(deferred->TaskCount(), 2u);   // the timed-task checker and the watcher

    world.SendMessage(main, 28, 0, 0);      // deactivated
    world.SendMessage(main, 6, 1, 0);       // another message
    world.SendMessage(other, 28, 1, 0);     // another window
    IdleAt(1);
    EXPECT_EQ(manager->GetState(), NotificationMgr::kRequesting);
    EXPECT_TRUE(Flashing());

    world.Activate();
    EXPECT_EQ(manager->GetState(), NotificationMgr::kActivated);
    EXPECT_TRUE(Flashing());   // until the next idle message
    IdleAt(2);
    EXPECT_EQ(manager->GetState(), NotificationMgr::kStopped);
    EXPECT_FALSE(Flashing());
    EXPECT_EQ(world.HookCount(), 1u);
    EXPECT_EQ(g_seen, (std::vector<std::uint32_t>{28, 6, 28, 28}));
    // The watcher went with the request, the checker once nothing waited.
    IdleAt(3);
    EXPECT_EQ(deferred->TaskCount(), 0u);
}

TEST_F(Attention, ARequestEndsWhenItsTimeIsUpAndARestartKeepsItsOwnTime)
{
    ASSERT_TRUE(manager->Start(10));
    IdleAt(9);
    EXPECT_TRUE(Flashing());
    IdleAt(10);
    EXPECT_EQ(manager->GetState(), NotificationMgr::kStopped);
    EXPECT_FALSE(Flashing());
    EXPECT_EQ(world.HookCount(), 0u);

    // Restarted before its end: the first end does not end the second.
    SetClock(T + 20);
    ASSERT_TRUE(manager->Start(10));
    SetClock(T + 25);
    ASSERT_TRUE(manager->Start(30));
    IdleAt(30);
    EXPECT_EQ(manager->GetState(), NotificationMgr::kRequesting);
    EXPECT_TRUE(Flashing());
    EXPECT_EQ(world.HookCount(), 1u);

    // Answered, then restarted before the idle message: the new one runs on.
    world.Activate();
    ASSERT_TRUE(manager->Start(100));
    IdleAt(54);
    IdleAt(55);
    EXPECT_EQ(manager->GetState(), NotificationMgr::kRequesting);
    EXPECT_TRUE(Flashing());
    IdleAt(130);
    EXPECT_FALSE(Flashing());

    // An end past the last valid point in time comes at that point.
    SetClock(__Quarrow__::DateTime::kLast - 4 * 365 * 86400);
    ASSERT_TRUE(manager->Start(UINT32_MAX));
    IdleAt(__Quarrow__::DateTime::kLast - T - 2);
    EXPECT_EQ(manager->GetState(), NotificationMgr::kRequesting);
    EXPECT_TRUE(Flashing());
    IdleAt(__Quarrow__::DateTime::kLast - T);
    EXPECT_EQ(manager->GetState(), NotificationMgr::kStopped);
    EXPECT_FALSE(Flashing());
}

TEST_F(Attention, NoMainWindowNoTimedTasksAndAManagerThatGoes)
{
    const std::string mainClass = world.MainWindowClass(1);
    world.SetMainWindow(hostworld::MainWindow::kNone, mainClass);
    EXPECT_FALSE(manager->Start(10));
    EXPECT_EQ(manager->GetState(), NotificationMgr::kStopped);
    EXPECT_EQ(world.HookCount(), 0u);

    // A new main window is found.
    world.SetMainWindow(hostworld::MainWindow::kEnabled, mainClass);
    ASSERT_TRUE(manager->Start(10));
    EXPECT_TRUE(Flashing());
    manager.reset();
    EXPECT_FALSE(Flashing());
    EXPECT_EQ(world.HookCount(), 0u);

    // Without the timed-task service a request could never end: refused.
    Singleton<TimedTaskMgr>::Destroy();
    NotificationMgr untimed;
    EXPECT_FALSE(untimed.Start(10));
    EXPECT_FALSE(Flashing());
    EXPECT_EQ(world.HookCount(), 0u);
}

} // namespace
