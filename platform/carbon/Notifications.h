// Notification Manager: the queue of attention requests that the host shows.
#pragma once

#include "platform/carbon/CarbonTypes.h"

extern "C" {

struct NMRec;
typedef NMRec* NMRecPtr;
typedef void (*NMUPP)(NMRecPtr request);

enum : SInt16 { nmType = 8 };

struct NMRec {
    void* qLink;      // the queue's own link
    SInt16 qType;     // nmType
    SInt16 nmFlags;
    long nmPrivate;
    SInt16 nmReserved;
    SInt16 nmMark;    // 1: mark the application in the menu
    Handle nmIcon;
    Handle nmSound;
    StringPtr nmStr;
    NMUPP nmResp;     // never called here
    long nmRefCon;
};

// Queues the request; nmTypErr when qType is not nmType, qErr when it is queued already.
OSErr NMInstall(NMRecPtr nmReqPtr);
// qErr when the request is not queued.
OSErr NMRemove(NMRecPtr nmReqPtr);

}  // extern "C"
