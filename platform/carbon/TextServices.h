// The application's text encoding and Unicode comparison.
#pragma once

#include "platform/carbon/CarbonTypes.h"

extern "C" {

TextEncoding GetApplicationTextEncoding(void);

typedef UInt32 UCCollateOptions;
enum : UCCollateOptions {
    kUCCollateComposeInsensitiveMask = 1u << 1,
    kUCCollateWidthInsensitiveMask = 1u << 2,
    kUCCollateCaseInsensitiveMask = 1u << 3,
    kUCCollateDiacritInsensitiveMask = 1u << 4,
    kUCCollatePunctuationSignificantMask = 1u << 15,
};

// Compares by the default locale's collation with the options' folds;
// without the punctuation bit, punctuation and spaces are ignored; without
// the composition bit, composed and decomposed forms differ. order receives
// -1, 0 or 1 and equivalent whether it is 0. paramErr for another option bit,
// a missing text or result.
OSStatus UCCompareTextDefault(UCCollateOptions options, const UniChar* text1Ptr,
                              UniCharCount text1Length, const UniChar* text2Ptr,
                              UniCharCount text2Length, Boolean* equivalent, SInt32* order);

}  // extern "C"
