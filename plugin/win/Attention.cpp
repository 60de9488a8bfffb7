// The Windows attention signal: the host's main window flashes its caption
// and task-bar button; a hook on the host's thread watches for the host
// becoming the active application, and an idle task ends the request then.
#include "plugin/NotificationMgr.h"

#include "fmx/DbHandles.h"
#include "platform/win32/winwindow.h"
#include "plugin/QSingleton.h"

namespace __Quarrow__ {
namespace {

constexpr win32::DWORD kFlashContinuously = win32::kFlashwTray | win32::kFlashwTimer;   // 6

class FlashSignal : public AttentionSignal {
public:
    ~FlashSignal() override
    {
        End();
        if (active_ == this)
            active_ = nullptr;
    }

    bool Begin(NotificationMgr& manager) override
    {
        manager_ = &manager;
        // The idle task that ends an answered request; one is enough, and one
        // left from an earlier request serves this one.
        if (!watcher_.Attached()) {
            if (!Singleton<DeferredTaskMgr>::exists() ||
                !Singleton<DeferredTaskMgr>::getInstance().AddTask(DeferredTaskMgr::Function(&Watch), 0,
                                                                   DeferredTaskMgr::kOnIdle,
                                                                   DeferredTaskMgr::kForever, &watcher_))
                return false;
        }
        if (!hook_) {
            hook_ = win32::SetWindowsHookExW(win32::kWhCallWndProcRet, &AfterMessage, nullptr,
                                             win32::GetCurrentThreadId());
            if (!hook_)
                return false;
            active_ = this;
        }
        window_ = MainWindow();
        // Without a main window there is nothing to flash.
        if (!window_)
            return false;
        Flash(kFlashContinuously);
        return true;
    }

    void End() override
    {
        if (window_) {
            Flash(win32::kFlashwStop);
            window_ = nullptr;
        }
        if (hook_) {
            win32::UnhookWindowsHookEx(hook_);
            hook_ = nullptr;
        }
    }

private:
    class WatcherLink : public DeferredTaskMgr::TaskLink {
    public:
        explicit WatcherLink(FlashSignal& owner) : owner(owner) {}
        FlashSignal& owner;
    };

    static win32::HWND MainWindow()
    {
        try {
            // Looked for afresh: the host may have replaced its main window.
            return fmx::Session::GetCurrent().GetHostMainWindow(true);
        } catch (...) {
            return nullptr;
        }
    }

    void Flash(win32::DWORD flags) const
    {
        const win32::FLASHWINFO info{sizeof(win32::FLASHWINFO), window_, flags, 0, 0};
        win32::FlashWindowEx(&info);
    }

    // Each message after its window has handled it.
    static win32::LRESULT AfterMessage(int code, win32::WPARAM wParam, win32::LPARAM lParam)
    {
        FlashSignal* self = active_;
        if (self && code >= 0 && lParam) {
            const auto* message = reinterpret_cast<const win32::CWPRETSTRUCT*>(lParam);
            if (message->message == win32::kWmActivateApp && message->wParam != 0 && self->window_ &&
                message->hwnd == self->window_ && self->manager_)
                self->manager_->OnActivated();
        }
        return win32::CallNextHookEx(self ? self->hook_ : nullptr, code, wParam, lParam);
    }

    // At each idle message: an answered request ends; the task ends once
    // nothing flashes.
    static void Watch(std::uint32_t, DeferredTaskMgr::TaskLink& link)
    {
        FlashSignal& self = static_cast<WatcherLink&>(link).owner;
        if (self.manager_ && self.manager_->GetState() == NotificationMgr::kActivated)
            self.manager_->Stop();
        if (!self.window_)
            link.Finish();
    }

    static inline FlashSignal* active_ = nullptr;   // the signal whose hook is installed

    NotificationMgr* manager_ = nullptr;
    win32::HWND window_ = nullptr;
    win32::HHOOK hook_ = nullptr;
    WatcherLink watcher_{*this};
};

} // namespace

std::unique_ptr<AttentionSignal> MakeAttentionSignal() { return std::make_unique<FlashSignal>(); }

} // namespace __Quarrow__
