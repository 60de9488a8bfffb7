#include "platform/carbon/TextServices.h"

#include "platform/common/collate.h"
#include "platform/corefoundation/SystemSetup.h"

extern "C" {

TextEncoding GetApplicationTextEncoding(void) { return macsetup::GetApplicationTextEncoding(); }

OSStatus UCCompareTextDefault(UCCollateOptions options, const UniChar* text1Ptr,
                              UniCharCount text1Length, const UniChar* text2Ptr,
                              UniCharCount text2Length, Boolean* equivalent, SInt32* order) {
    constexpr UCCollateOptions known =
        kUCCollateComposeInsensitiveMask | kUCCollateWidthInsensitiveMask |
        kUCCollateCaseInsensitiveMask | kUCCollateDiacritInsensitiveMask |
        kUCCollatePunctuationSignificantMask;
    if ((options & ~known) != 0 || (text1Ptr == nullptr && text1Length != 0) ||
        (text2Ptr == nullptr && text2Length != 0) || (equivalent == nullptr && order == nullptr)) {
        return paramErr;
    }
    if (macsetup::ShouldFail("UCCompareTextDefault")) {
        return paramErr;
    }
    unsigned folds = 0;
    if (options & kUCCollateCaseInsensitiveMask) folds |= pvcommon::kFoldCase;
    if (options & kUCCollateWidthInsensitiveMask) folds |= pvcommon::kFoldWidth;
    if (options & kUCCollateDiacritInsensitiveMask) folds |= pvcommon::kFoldDiacritics;
    if (!(options & kUCCollatePunctuationSignificantMask)) folds |= pvcommon::kIgnorePunctuation;
    if (!(options & kUCCollateComposeInsensitiveMask)) folds |= pvcommon::kExactComposition;
    int result = 0;
    if (!pvcommon::Collate(reinterpret_cast<const char16_t*>(text1Ptr), text1Length,
                           reinterpret_cast<const char16_t*>(text2Ptr), text2Length, folds,
                           result)) {
        return paramErr;
    }
    if (order != nullptr) {
        *order = result;
    }
    if (equivalent != nullptr) {
        *equivalent = result == 0;
    }
    return noErr;
}

}  // extern "C"
