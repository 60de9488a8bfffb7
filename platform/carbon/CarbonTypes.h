// The plain types and result codes that the Carbon stand-ins share.
#pragma once

#include "platform/corefoundation/CoreFoundation.h"

extern "C" {

typedef SInt16 OSErr;
typedef SInt32 OSStatus;
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;
typedef FourCharCode ResType;
typedef SInt16 ResID;
typedef SInt16 ResFileRefNum;
typedef char* Ptr;
typedef Ptr* Handle;  // a master pointer to relocatable data
typedef long Size;
typedef unsigned char* StringPtr;
typedef UInt32 TextEncoding;
typedef unsigned long UniCharCount;

struct UnsignedWide {
    UInt32 hi;
    UInt32 lo;
};

enum : OSErr {
    noErr = 0,
    qErr = -1,               // the record is not in the queue
    eofErr = -39,
    fnfErr = -43,            // no such file
    paramErr = -50,
    memFullErr = -108,
    resNotFound = -192,      // no such resource
    resFNotFound = -193,     // no such resource file
    mapReadErr = -199,       // the resource file is damaged
    nmTypErr = -299,         // a notification record of the wrong type
};

enum : OSStatus { gestaltUndefSelectorErr = -5551 };

}  // extern "C"

// 'ABCD' as the four-character code that the system compares.
constexpr FourCharCode FourCC(const char (&code)[5]) {
    return (static_cast<FourCharCode>(static_cast<unsigned char>(code[0])) << 24) |
           (static_cast<FourCharCode>(static_cast<unsigned char>(code[1])) << 16) |
           (static_cast<FourCharCode>(static_cast<unsigned char>(code[2])) << 8) |
           static_cast<FourCharCode>(static_cast<unsigned char>(code[3]));
}
