#include "platform/carbon/Notifications.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/corefoundation/SystemSetup.h"

namespace {

struct Queue {
    std::mutex mutex;
    std::vector<NMRecPtr> records;  // oldest first
};

Queue& TheQueue() {
    static Queue& queue = *new Queue;
    return queue;
}

}  // namespace

extern "C" {

OSErr NMInstall(NMRecPtr nmReqPtr) {
    if (nmReqPtr == nullptr) {
        return paramErr;
    }
    if (nmReqPtr->qType != nmType) {
        return nmTypErr;
    }
    if (macsetup::ShouldFail("NMInstall")) {
        return memFullErr;
    }
    Queue& q = TheQueue();
    std::lock_guard<std::mutex> lock(q.mutex);
    if (std::find(q.records.begin(), q.records.end(), nmReqPtr) != q.records.end()) {
        return qErr;
    }
    q.records.push_back(nmReqPtr);
    return noErr;
}

OSErr NMRemove(NMRecPtr nmReqPtr) {
    Queue& q = TheQueue();
    std::lock_guard<std::mutex> lock(q.mutex);
    const auto found = std::find(q.records.begin(), q.records.end(), nmReqPtr);
    if (nmReqPtr == nullptr || found == q.records.end()) {
        return qErr;
    }
    q.records.erase(found);
    return noErr;
}

}  // extern "C"

namespace macsetup {

std::vector<const NMRec*> InstalledNotifications() {
    Queue& q = TheQueue();
    std::lock_guard<std::mutex> lock(q.mutex);
    return std::vector<const NMRec*>(q.records.begin(), q.records.end());
}

}  // namespace macsetup
