// The Win32 file calls the host-access layer makes, over POSIX.
//
// Windows paths are wide (UTF-32 wchar_t) texts such as C:\a\b.txt. Drive
// letters map to POSIX folders: C: is "/" unless mapped otherwise, other
// letters are unknown until a test maps them to a folder of its own. Network
// shares (\\server\share\...) are never reachable.
#pragma once

#include <cstdint>
#include <cstdio>
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
constexpr DWORD kErrorInvalidParameter = 87;
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

// ---- C runtime file streams over Windows paths
//
// Modes are the runtime's "r", "w", "a" with "+" and "b" or "t" (both mean
// binary here) and the commit flag 'c', which is accepted but not kept: a
// flush hands the bytes to the system and never syncs the disk. Other
// extensions are not offered.
// An unusable path or mode answers null with errno set (ENOENT, EINVAL).
std::FILE* _wfopen(const wchar_t* path, const wchar_t* mode);
// 64-bit seek (SEEK_SET, SEEK_CUR, SEEK_END) and position; 0 and -1 as the
// runtime answers.
int _fseeki64(std::FILE* file, std::int64_t offset, int origin);
std::int64_t _ftelli64(std::FILE* file);

// ---- Win32 file handles, for what streams cannot do: setting a file's end.
using HANDLE = void*;
extern const HANDLE kInvalidHandleValue;
constexpr DWORD kGenericWrite = 0x40000000u;
constexpr DWORD kGenericRead = 0x80000000u;
constexpr DWORD kOpenExisting = 3;
constexpr DWORD kFileBegin = 0;

// Opens an existing file (only kOpenExisting is offered); kInvalidHandleValue
// with the last error set on failure.
HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD shareMode, void* securityAttributes,
                   DWORD disposition, DWORD flags, HANDLE templateFile);
bool SetFilePointerEx(HANDLE file, std::int64_t distance, std::int64_t* newPosition, DWORD method);
// Cuts or extends the file at its pointer.
bool SetEndOfFile(HANDLE file);
bool CloseHandle(HANDLE handle);

// Drive mapping: `letter` (A to Z, either case) stands for `folder`, an
// absolute POSIX folder. An empty folder removes the mapping.
bool MapDrive(wchar_t letter, const std::string& folder);

// Windows path -> POSIX path (UTF-8); false for a relative path, a share, an
// unmapped drive or text that is not valid Unicode.
bool ToPosixPath(const wchar_t* path, std::string& posix);
// POSIX path -> Windows path on the drive with the longest matching folder.
bool FromPosixPath(const std::string& posix, std::wstring& path);

} // namespace win32
