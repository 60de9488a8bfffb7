// The Win32 file calls the host-access layer makes, over POSIX.
//
// Windows paths are wide (UTF-32 wchar_t) texts such as C:\a\b.txt. Drive
// letters map to POSIX folders: C: is "/" unless mapped otherwise, other
// letters are unknown until a test maps them to a folder of its own. Network
// shares (\\server\share\...) are never reachable.
#pragma once

#include <cstdint>
#include <string>

namespace win32 {

using DWORD = std::uint32_t;

constexpr DWORD kMaxPath = 260;

constexpr DWORD kInvalidFileAttributes = 0xFFFFFFFFu;
constexpr DWORD kFileAttributeReadOnly = 0x01;
constexpr DWORD kFileAttributeDirectory = 0x10;
constexpr DWORD kFileAttributeNormal = 0x80;

constexpr DWORD kErrorSuccess = 0;
constexpr DWORD kErrorFileNotFound = 2;
constexpr DWORD kErrorPathNotFound = 3;
constexpr DWORD kErrorAccessDenied = 5;
constexpr DWORD kErrorGenFailure = 31;
constexpr DWORD kErrorBadNetPath = 53;
constexpr DWORD kErrorInsufficientBuffer = 122;
constexpr DWORD kErrorInvalidName = 123;
constexpr DWORD kErrorAlreadyExists = 183;
constexpr DWORD kErrorFilenameExcedRange = 206;

constexpr int kCsidlPersonal = 5;
constexpr int kCsidlLocalAppData = 28;

// PathGetCharTypeW classes.
constexpr unsigned kGctInvalid = 0x0;
constexpr unsigned kGctLfnChar = 0x1;
constexpr unsigned kGctShortChar = 0x2;
constexpr unsigned kGctWild = 0x4;
constexpr unsigned kGctSeparator = 0x8;

DWORD GetLastError();
void SetLastError(DWORD error);

DWORD GetFileAttributesW(const wchar_t* path);
bool CreateDirectoryW(const wchar_t* path, void* securityAttributes);
// Answers for a drive root (C:\) whose folder exists; fills what is asked.
bool GetVolumeInformationW(const wchar_t* rootPath, wchar_t* volumeName, DWORD volumeNameSize,
                           DWORD* serialNumber, DWORD* maxComponentLength, DWORD* flags,
                           wchar_t* fileSystemName, DWORD fileSystemNameSize);
// kCsidlPersonal: $HOME/Documents; kCsidlLocalAppData: $XDG_DATA_HOME or
// $HOME/.local/share. `path` has room for kMaxPath characters.
bool SHGetSpecialFolderPathW(void* owner, wchar_t* path, int csidl, bool create);
// The module's file (null: the program) as a Windows path. A buffer that is
// too small receives the cut path and the answer is `size`.
DWORD GetModuleFileNameW(void* module, wchar_t* buffer, DWORD size);
unsigned PathGetCharTypeW(wchar_t c);
// The file-name part of a path (after its last separator).
const wchar_t* PathFindFileNameW(const wchar_t* path);

// Drive mapping: `letter` (A to Z, either case) stands for `folder`, an
// absolute POSIX folder. An empty folder removes the mapping.
bool MapDrive(wchar_t letter, const std::string& folder);

// Windows path -> POSIX path (UTF-8); false for a relative path, a share, an
// unmapped drive or text that is not valid Unicode.
bool ToPosixPath(const wchar_t* path, std::string& posix);
// POSIX path -> Windows path on the drive with the longest matching folder.
bool FromPosixPath(const std::string& posix, std::wstring& path);

} // namespace win32
