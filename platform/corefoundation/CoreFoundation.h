// Core Foundation as the macOS flavour calls it, over ICU, iconv and the
// file system. Only what the flavour's code calls is declared, with the
// semantics it relies on. One shared library, so that the host and the
// plug-in see the same bundles and settings.
//
// Objects are reference counted (CFRetain/CFRelease). "Create" and "Copy"
// functions hand the caller one reference; "Get" functions lend theirs.
// URLs are file URLs only: a path (kept as it is, never percent-escaped),
// relative to an optional base URL.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

extern "C" {

typedef unsigned char Boolean;
typedef std::uint8_t UInt8;
typedef std::int8_t SInt8;
typedef std::uint16_t UInt16;
typedef std::int16_t SInt16;
typedef std::uint32_t UInt32;
typedef std::int32_t SInt32;
typedef std::int64_t SInt64;
typedef std::uint16_t UniChar;

typedef long CFIndex;
typedef unsigned long CFOptionFlags;
typedef unsigned long CFTypeID;
typedef unsigned long CFHashCode;
typedef const void* CFTypeRef;

struct CFRange {
    CFIndex location;
    CFIndex length;
};
inline CFRange CFRangeMake(CFIndex location, CFIndex length) { return CFRange{location, length}; }

enum { kCFNotFound = -1 };

typedef CFIndex CFComparisonResult;
enum { kCFCompareLessThan = -1, kCFCompareEqualTo = 0, kCFCompareGreaterThan = 1 };

typedef const struct CFAllocatorObject* CFAllocatorRef;
typedef const struct CFStringObject* CFStringRef;
typedef struct CFStringObject* CFMutableStringRef;
typedef const struct CFURLObject* CFURLRef;
typedef struct CFBundleObject* CFBundleRef;
typedef const struct CFDataObject* CFDataRef;
typedef struct CFDataObject* CFMutableDataRef;
typedef const struct CFDictionaryObject* CFDictionaryRef;
typedef const struct CFArrayObject* CFArrayRef;
typedef const struct CFNumberObject* CFNumberRef;
typedef const struct CFBooleanObject* CFBooleanRef;
typedef const struct CFTimeZoneObject* CFTimeZoneRef;
typedef const struct CFLocaleObject* CFLocaleRef;

// ---- allocators and reference counting ------------------------------------

// The default allocator is the null pointer. kCFAllocatorNull frees nothing
// (a "no copy" string over a buffer the caller keeps).
extern const CFAllocatorRef kCFAllocatorDefault;
extern const CFAllocatorRef kCFAllocatorMalloc;
extern const CFAllocatorRef kCFAllocatorNull;

// Retaining or releasing null is a fatal error, as on the real system.
CFTypeRef CFRetain(CFTypeRef object);
void CFRelease(CFTypeRef object);
CFIndex CFGetRetainCount(CFTypeRef object);
CFTypeID CFGetTypeID(CFTypeRef object);
Boolean CFEqual(CFTypeRef object1, CFTypeRef object2);
CFHashCode CFHash(CFTypeRef object);

// ---- strings --------------------------------------------------------------

typedef UInt32 CFStringEncoding;
enum : CFStringEncoding {
    kCFStringEncodingMacRoman = 0,
    kCFStringEncodingISOLatin1 = 0x0201,
    kCFStringEncodingWindowsLatin1 = 0x0500,
    kCFStringEncodingASCII = 0x0600,
    kCFStringEncodingUnicode = 0x0100,  // UTF-16 in the machine's byte order
    kCFStringEncodingUTF8 = 0x08000100,
    kCFStringEncodingUTF16 = 0x0100,
    kCFStringEncodingUTF16BE = 0x10000100,
    kCFStringEncodingUTF16LE = 0x14000100,
    kCFStringEncodingInvalidId = 0xFFFFFFFFu,
};
// Also converted: 0x820 ISO-2022-JP, 0x821 ISO-2022-JP-2, 0x822 ISO-2022-JP-1,
// 0x823 ISO-2022-JP-3, 0x920 EUC-JP, 0x830 ISO-2022-CN, 0x831 ISO-2022-CN-EXT,
// 0x930 EUC-CN (GB 2312), 0xA05 HZ-GB-2312, 0x840 ISO-2022-KR, 0x940 EUC-KR,
// 0xA03 Big5.

typedef CFOptionFlags CFStringCompareFlags;
enum : CFStringCompareFlags {
    kCFCompareCaseInsensitive = 1,
    kCFCompareNonliteral = 16,  // canonically equivalent forms compare equal
};

typedef CFIndex CFStringNormalizationForm;
enum {
    kCFStringNormalizationFormD = 0,
    kCFStringNormalizationFormKD = 1,
    kCFStringNormalizationFormC = 2,
    kCFStringNormalizationFormKC = 3,
};

CFTypeID CFStringGetTypeID(void);

// Null when the bytes are not valid in the encoding or the encoding is not
// converted here. An external representation may start with a byte order mark.
CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean isExternalRepresentation);
CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr,
                                      CFStringEncoding encoding);
// The string owns cStr unless contentsDeallocator is kCFAllocatorNull: then
// the caller keeps it; with the default or malloc allocator it is freed with
// the string.
CFStringRef CFStringCreateWithCStringNoCopy(CFAllocatorRef alloc, const char* cStr,
                                            CFStringEncoding encoding,
                                            CFAllocatorRef contentsDeallocator);
CFStringRef CFStringCreateWithCharacters(CFAllocatorRef alloc, const UniChar* chars,
                                         CFIndex numChars);
// printf-style: %d %i %u %x %X %o %c %s (UTF-8) %f %g %e %p with flags, width,
// precision and the h, l, ll, z length modifiers; %@ inserts a string's text
// or a number's value; %% a percent sign. formatOptions is ignored.
CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions,
                                     CFStringRef format, ...);
CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc,
                                                 CFDictionaryRef formatOptions,
                                                 CFStringRef format, va_list arguments);
// maxLength 0: no limit.
CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef alloc, CFIndex maxLength,
                                             CFStringRef theString);

CFIndex CFStringGetLength(CFStringRef theString);  // in UTF-16 units
void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer);
// Converts the range's characters until one has no form in the encoding (with
// lossByte 0; otherwise lossByte stands for it) or the next would not fit in
// maxBufLen bytes. Answers the number of UTF-16 units converted and, through
// usedBufLen, the bytes written. A null buffer measures without a limit.
// Stateful encodings end in their initial shift state.
CFIndex CFStringGetBytes(CFStringRef theString, CFRange range, CFStringEncoding encoding,
                         UInt8 lossByte, Boolean isExternalRepresentation, UInt8* buffer,
                         CFIndex maxBufLen, CFIndex* usedBufLen);
// The most bytes that length UTF-16 units can need; kCFNotFound on overflow.
CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding);
// Zero-terminated; false when a character has no form or the buffer is too small.
Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding);
// A length byte then the bytes (at most 255, and bufferSize - 1).
Boolean CFStringGetPascalString(CFStringRef theString, UInt8* buffer, CFIndex bufferSize,
                                CFStringEncoding encoding);
// Literal order of UTF-16 units, after the folds that the flags ask for.
CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFStringCompareFlags compareOptions);
CFStringEncoding CFStringGetSystemEncoding(void);

// Transforms of a mutable string; the locale is ignored (root rules).
void CFStringLowercase(CFMutableStringRef theString, CFLocaleRef locale);
void CFStringUppercase(CFMutableStringRef theString, CFLocaleRef locale);
void CFStringNormalize(CFMutableStringRef theString, CFStringNormalizationForm theForm);

// ---- numbers and booleans ------------------------------------------------

typedef CFIndex CFNumberType;
enum {
    kCFNumberSInt8Type = 1,
    kCFNumberSInt16Type = 2,
    kCFNumberSInt32Type = 3,
    kCFNumberSInt64Type = 4,
    kCFNumberFloat32Type = 5,
    kCFNumberFloat64Type = 6,
    kCFNumberCharType = 7,
    kCFNumberShortType = 8,
    kCFNumberIntType = 9,
    kCFNumberLongType = 10,
    kCFNumberLongLongType = 11,
    kCFNumberFloatType = 12,
    kCFNumberDoubleType = 13,
    kCFNumberCFIndexType = 14,
};

CFTypeID CFNumberGetTypeID(void);
CFNumberRef CFNumberCreate(CFAllocatorRef alloc, CFNumberType theType, const void* valuePtr);
CFNumberType CFNumberGetType(CFNumberRef number);
// False when the value does not fit the type exactly (it is stored converted).
Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr);

extern const CFBooleanRef kCFBooleanTrue;
extern const CFBooleanRef kCFBooleanFalse;
CFTypeID CFBooleanGetTypeID(void);
Boolean CFBooleanGetValue(CFBooleanRef boolean);

// ---- data -----------------------------------------------------------------

CFTypeID CFDataGetTypeID(void);
CFDataRef CFDataCreate(CFAllocatorRef alloc, const UInt8* bytes, CFIndex length);
// capacity 0: no limit; otherwise the most bytes the data may hold.
CFMutableDataRef CFDataCreateMutable(CFAllocatorRef alloc, CFIndex capacity);
CFIndex CFDataGetLength(CFDataRef theData);
const UInt8* CFDataGetBytePtr(CFDataRef theData);
UInt8* CFDataGetMutableBytePtr(CFMutableDataRef theData);
void CFDataAppendBytes(CFMutableDataRef theData, const UInt8* bytes, CFIndex length);
void CFDataSetLength(CFMutableDataRef theData, CFIndex length);

// ---- arrays and dictionaries ----------------------------------------------

typedef const void* (*CFArrayRetainCallBack)(CFAllocatorRef allocator, const void* value);
typedef void (*CFArrayReleaseCallBack)(CFAllocatorRef allocator, const void* value);
typedef CFStringRef (*CFArrayCopyDescriptionCallBack)(const void* value);
typedef Boolean (*CFArrayEqualCallBack)(const void* value1, const void* value2);
struct CFArrayCallBacks {
    CFIndex version;
    CFArrayRetainCallBack retain;
    CFArrayReleaseCallBack release;
    CFArrayCopyDescriptionCallBack copyDescription;
    CFArrayEqualCallBack equal;
};
extern const CFArrayCallBacks kCFTypeArrayCallBacks;

CFTypeID CFArrayGetTypeID(void);
// Null callbacks keep the values as plain pointers, compared by address.
CFArrayRef CFArrayCreate(CFAllocatorRef alloc, const void** values, CFIndex numValues,
                         const CFArrayCallBacks* callBacks);
CFIndex CFArrayGetCount(CFArrayRef theArray);
const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx);

typedef const void* (*CFDictionaryRetainCallBack)(CFAllocatorRef allocator, const void* value);
typedef void (*CFDictionaryReleaseCallBack)(CFAllocatorRef allocator, const void* value);
typedef CFStringRef (*CFDictionaryCopyDescriptionCallBack)(const void* value);
typedef Boolean (*CFDictionaryEqualCallBack)(const void* value1, const void* value2);
typedef CFHashCode (*CFDictionaryHashCallBack)(const void* value);
struct CFDictionaryKeyCallBacks {
    CFIndex version;
    CFDictionaryRetainCallBack retain;
    CFDictionaryReleaseCallBack release;
    CFDictionaryCopyDescriptionCallBack copyDescription;
    CFDictionaryEqualCallBack equal;
    CFDictionaryHashCallBack hash;
};
struct CFDictionaryValueCallBacks {
    CFIndex version;
    CFDictionaryRetainCallBack retain;
    CFDictionaryReleaseCallBack release;
    CFDictionaryCopyDescriptionCallBack copyDescription;
    CFDictionaryEqualCallBack equal;
};
extern const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks;
extern const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks;

CFTypeID CFDictionaryGetTypeID(void);
// A key given twice keeps the later value. Null callbacks keep plain
// pointers, compared by address.
CFDictionaryRef CFDictionaryCreate(CFAllocatorRef alloc, const void** keys, const void** values,
                                   CFIndex numValues, const CFDictionaryKeyCallBacks* keyCallBacks,
                                   const CFDictionaryValueCallBacks* valueCallBacks);
CFIndex CFDictionaryGetCount(CFDictionaryRef theDict);
const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key);

// ---- URLs -----------------------------------------------------------------

typedef CFIndex CFURLPathStyle;
enum { kCFURLPOSIXPathStyle = 0 };

CFTypeID CFURLGetTypeID(void);
// A relative path is relative to the current folder (the URL's base).
CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef alloc, CFStringRef filePath,
                                       CFURLPathStyle pathStyle, Boolean isDirectory);
// The URL's own path, relative to its base when it has one; a folder's ends in "/".
CFStringRef CFURLCopyPath(CFURLRef url);
// The last path component without its "/"; "/" for the root.
CFStringRef CFURLCopyLastPathComponent(CFURLRef url);
CFURLRef CFURLCopyAbsoluteURL(CFURLRef relativeURL);
CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef alloc, CFURLRef url,
                                               CFStringRef pathComponent, Boolean isDirectory);
CFURLRef CFURLCreateCopyDeletingLastPathComponent(CFAllocatorRef alloc, CFURLRef url);
// The path, zero-terminated, without a folder's final "/" (but "/" itself);
// false when it does not fit in maxBufLen bytes.
Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer,
                                         CFIndex maxBufLen);

// ---- bundles ----------------------------------------------------------------

// A bundle is a folder: an application or plug-in bundle (NAME/Contents/ with
// Info.plist, MacOS/, Resources/, Frameworks/) or a framework
// (NAME.framework/ with Resources/ and Versions/A/NAME, the library).
CFTypeID CFBundleGetTypeID(void);
// The bundle of a folder; the same object again for the same folder. Null when
// the folder does not exist. Every bundle made stays known to the process.
CFBundleRef CFBundleCreate(CFAllocatorRef alloc, CFURLRef bundleURL);
CFBundleRef CFBundleGetMainBundle(void);
// Every bundle known to the process, the main bundle first.
CFArrayRef CFBundleGetAllBundles(void);
CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);
// Null when the bundle names no executable or the file is missing.
CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle);
// Relative to the bundle's URL: "Contents/Frameworks/" ("Frameworks/" in a framework).
CFURLRef CFBundleCopyPrivateFrameworksURL(CFBundleRef bundle);
// Info.plist as a dictionary (empty when there is none or it does not parse).
CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle);
CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key);
// The string of key in tableName.strings (null: "Localizable") of the
// preferred localization that has it, else of the bundle's Resources folder.
// A missing key answers value, or key when value is null or empty.
CFStringRef CFBundleCopyLocalizedString(CFBundleRef bundle, CFStringRef key, CFStringRef value,
                                        CFStringRef tableName);
// Loads the executable (once; it stays loaded, its symbols kept local).
Boolean CFBundleLoadExecutable(CFBundleRef bundle);
Boolean CFBundleIsExecutableLoaded(CFBundleRef bundle);
// Loads the executable when needed; null when it has no such function.
void* CFBundleGetFunctionPointerForName(CFBundleRef bundle, CFStringRef functionName);

// ---- time -----------------------------------------------------------------

typedef double CFTimeInterval;
typedef CFTimeInterval CFAbsoluteTime;  // seconds since 1 January 2001 00:00 GMT
extern const CFTimeInterval kCFAbsoluteTimeIntervalSince1970;
extern const CFTimeInterval kCFAbsoluteTimeIntervalSince1904;

struct CFGregorianDate {
    SInt32 year;
    SInt8 month;   // 1 to 12
    SInt8 day;     // 1 to 31
    SInt8 hour;    // 0 to 23
    SInt8 minute;  // 0 to 59
    double second; // 0 to below 60
};
typedef CFOptionFlags CFGregorianUnitFlags;
enum : CFGregorianUnitFlags {
    kCFGregorianUnitsYears = 1u << 0,
    kCFGregorianUnitsMonths = 1u << 1,
    kCFGregorianUnitsDays = 1u << 2,
    kCFGregorianUnitsHours = 1u << 3,
    kCFGregorianUnitsMinutes = 1u << 4,
    kCFGregorianUnitsSeconds = 1u << 5,
    kCFGregorianAllUnits = 0x00FFFFFF,
};

CFAbsoluteTime CFAbsoluteTimeGetCurrent(void);

CFTypeID CFTimeZoneGetTypeID(void);
// A fixed offset in whole seconds east of GMT; null beyond 18 hours.
CFTimeZoneRef CFTimeZoneCreateWithTimeIntervalFromGMT(CFAllocatorRef alloc, CFTimeInterval ti);
// A zone of the time zone database ("Europe/Berlin"); null when unknown.
CFTimeZoneRef CFTimeZoneCreateWithName(CFAllocatorRef alloc, CFStringRef name,
                                       Boolean tryAbbrev);
// The system's zone: the one TZ names, else the machine's; null when the
// system's zone is not one of the time zone database.
CFTimeZoneRef CFTimeZoneCopySystem(void);
CFTimeInterval CFTimeZoneGetSecondsFromGMT(CFTimeZoneRef tz, CFAbsoluteTime at);
Boolean CFTimeZoneIsDaylightSavingTime(CFTimeZoneRef tz, CFAbsoluteTime at);

// The proleptic Gregorian calendar, in the zone (GMT when tz is null).
CFGregorianDate CFAbsoluteTimeGetGregorianDate(CFAbsoluteTime at, CFTimeZoneRef tz);
CFAbsoluteTime CFGregorianDateGetAbsoluteTime(CFGregorianDate gdate, CFTimeZoneRef tz);
Boolean CFGregorianDateIsValid(CFGregorianDate gdate, CFOptionFlags unitFlags);
SInt32 CFAbsoluteTimeGetDayOfWeek(CFAbsoluteTime at, CFTimeZoneRef tz);  // 1 Monday to 7 Sunday
SInt32 CFAbsoluteTimeGetDayOfYear(CFAbsoluteTime at, CFTimeZoneRef tz);  // 1 to 366

}  // extern "C"
