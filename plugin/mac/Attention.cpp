// The macOS attention signal: a request queued with the Notification Manager,
// which marks the application until the request is removed.
#include "plugin/NotificationMgr.h"

#include "platform/carbon/Carbon.h"

namespace __Quarrow__ {
namespace {

class NotificationSignal : public AttentionSignal {
public:
    ~NotificationSignal() override { End(); }

    bool Begin(NotificationMgr&) override
    {
        End();
        record_ = NMRec{};
        record_.qType = nmType;
        record_.nmMark = 1;
        if (NMInstall(&record_) != noErr) {
            record_ = NMRec{};
            return false;
        }
        return true;
    }

    void End() override
    {
        if (record_.qType != 0) {
            NMRemove(&record_);
            record_ = NMRec{};
        }
    }

private:
    NMRec record_{};   // all zero while no request is queued
};

} // namespace

std::unique_ptr<AttentionSignal> MakeAttentionSignal() { return std::make_unique<NotificationSignal>(); }

} // namespace __Quarrow__
