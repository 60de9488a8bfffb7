// The values in which the plug-in's two flavours differ. The build defines
// exactly one of PV_FLAVOUR_WIN and PV_FLAVOUR_MAC; the bodies that differ
// by more than a value live in the win/ and mac/ folders.
#pragma once

#include <cstddef>

namespace flavour {

#if defined(PV_FLAVOUR_WIN) && !defined(PV_FLAVOUR_MAC)

constexpr bool kMac = false;
// Info string 5, the framework log's banner and the product log's first line.
constexpr wchar_t kPlatformWord[] = L"Windows";
constexpr char kPlatformWordUtf8[] = "Windows";
// Line end of the help texts given to the host with each function.
constexpr wchar_t kHelpLineEnd[] = L"\r\n";
// Line end of the product log, a text stream.
constexpr char kProductLogLineEnd[] = "\r\n";
// Room for one formatted product-log message, in bytes.
constexpr std::size_t kLogMessageRoom = 512;
// Whether the integer and colour argument readers catch every exception
// themselves (answering false) rather than only those of their conversions.
constexpr bool kReadersCatchEverything = false;
// Modes of the framework log's file: an existing one for update, a new one.
// "c" commits every flush to the disk.
constexpr wchar_t kLogStreamUpdateMode[] = L"r+bc";
constexpr wchar_t kLogStreamNewMode[] = L"w+bc";
// The module of the host's newer interface functions, bound by name.
constexpr char kInterfaceModule[] = "FMWrapper.dll";

#elif defined(PV_FLAVOUR_MAC) && !defined(PV_FLAVOUR_WIN)

constexpr bool kMac = true;
constexpr wchar_t kPlatformWord[] = L"MacOS X";
constexpr char kPlatformWordUtf8[] = "MacOS X";
constexpr wchar_t kHelpLineEnd[] = L"\r";
constexpr char kProductLogLineEnd[] = "\n";
constexpr std::size_t kLogMessageRoom = 1024;
constexpr bool kReadersCatchEverything = true;
constexpr wchar_t kLogStreamUpdateMode[] = L"r+b";
constexpr wchar_t kLogStreamNewMode[] = L"w+b";
// The newer interface functions are bound by their Mach-O names through the
// framework binding (macos/PlatStubs.h), not by module and name.

#else
#error "build with exactly one of PV_FLAVOUR_WIN and PV_FLAVOUR_MAC"
#endif

} // namespace flavour
