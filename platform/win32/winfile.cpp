#include "platform/win32/winfile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <mutex>

#include <textconv>

#include "platform/win32/winmodule.h"

namespace win32 {

namespace {

thread_local DWORD t_lastError = kErrorSuccess;

struct Drives {
    std::mutex lock;
    std::map<wchar_t, std::string> folders{{L'C', "/"}};
};

Drives& TheDrives()
{
    static Drives drives;
    return drives;
}

wchar_t DriveKey(wchar_t letter)
{
    if (letter >= L'a' && letter <= L'z')
        return static_cast<wchar_t>(letter - L'a' + L'A');
    return letter >= L'A' && letter <= L'Z' ? letter : 0;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool AppendUtf8(std::string& out, wchar_t wc)
{
    const auto c = static_cast<std::uint32_t>(wc);
    if (c == 0 || !IsUnicodeScalar(c))
        return false;
    char bytes[kUtf8MaxBytes];
    out.append(bytes, EncodeUtf8(c, bytes));
    return true;
}

bool DecodeUtf8(const std::string& text, std::wstring& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t c = 0;
        const std::size_t n = DecodeUtf8Strict(text.data() + i, text.size() - i, &c);
        if (n == 0)
            return false;
        out += static_cast<wchar_t>(c);
        i += n;
    }
    return true;
}

DWORD ErrorFromErrno(int error, const std::string& posix)
{
    switch (error) {
    case ENOENT: {
        // Windows tells a missing file in an existing folder from a missing folder.
        std::string parent = posix;
        while (parent.size() > 1 && parent.back() == '/')
            parent.pop_back();
        const std::string::size_type slash = parent.rfind('/');
        parent.resize(slash == std::string::npos || slash == 0 ? 1 : slash);
        struct stat st;
        return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? kErrorFileNotFound
                                                                      : kErrorPathNotFound;
    }
    case ENOTDIR:
        return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return kErrorAccessDenied;
    case EEXIST:
        return kErrorAlreadyExists;
    case ENAMETOOLONG:
        return kErrorFilenameExcedRange;
    default:
        return kErrorGenFailure;
    }
}

// Converts and reports the Windows error of an unusable path.
bool PosixOrFail(const wchar_t* path, std::string& posix)
{
    if (ToPosixPath(path, posix))
        return true;
    if (path && IsSeparator(path[0]) && IsSeparator(path[1]))
        SetLastError(kErrorBadNetPath);
    else if (path && path[0] && path[1] == L':')
        SetLastError(kErrorPathNotFound);
    else
        SetLastError(kErrorInvalidName);
    return false;
}

bool MakeFolders(const std::string& folder)
{
    std::string partial;
    std::size_t at = 0;
    while (at < folder.size()) {
        std::size_t next = folder.find('/', at + 1);
        if (next == std::string::npos)
            next = folder.size();
        partial = folder.substr(0, next);
        if (mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
        at = next;
    }
    struct stat st;
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CopyOut(const std::wstring& text, wchar_t* buffer, DWORD size)
{
    if (!buffer || text.size() >= size)
        return false;
    std::wmemcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

// A Win32 file handle: the descriptor behind it.
struct FileHandle {
    int fd;
};

FileHandle* HandleOf(HANDLE handle)
{
    return handle && handle != kInvalidHandleValue ? static_cast<FileHandle*>(handle) : nullptr;
}

} // namespace

const HANDLE kInvalidHandleValue = reinterpret_cast<HANDLE>(~std::uintptr_t(0));

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

bool MapDrive(wchar_t letter, const std::string& folder)
{
    const wchar_t key = DriveKey(letter);
    if (!key || (!folder.empty() && folder[0] != '/'))
        return false;
    Drives& drives = TheDrives();
    std::lock_guard<std::mutex> guard(drives.lock);
    if (folder.empty())
        drives.folders.erase(key);
    else
        drives.folders[key] = folder;
    return true;
}

bool ToPosixPath(const wchar_t* path, std::string& posix)
{
    if (!path || !DriveKey(path[0]) || path[1] != L':' || (path[2] && !IsSeparator(path[2])))
        return false;
    std::string root;
    {
        Drives& drives = TheDrives();
        std::lock_guard<std::mutex> guard(drives.lock);
        auto it = drives.folders.find(DriveKey(path[0]));
        if (it == drives.folders.end())
            return false;
        root = it->second;
    }
    std::string out = root;
    for (const wchar_t* p = path + 2; *p; ++p) {
        if (IsSeparator(*p)) {
            if (out.empty() || out.back() != '/')
                out += '/';
        } else if (!AppendUtf8(out, *p)) {
            return false;
        }
    }
    posix = out;
    return true;
}

bool FromPosixPath(const std::string& posix, std::wstring& path)
{
    if (posix.empty() || posix[0] != '/')
        return false;
    wchar_t best = 0;
    std::size_t bestLength = 0;
    {
        Drives& drives = TheDrives();
        std::lock_guard<std::mutex> guard(drives.lock);
        for (const auto& drive : drives.folders) {
            std::string folder = drive.second;
            while (folder.size() > 1 && folder.back() == '/')
                folder.pop_back();
            const bool inside = folder == "/" || posix == folder ||
                                (posix.compare(0, folder.size(), folder) == 0 && posix[folder.size()] == '/');
            const std::size_t length = folder == "/" ? 0 : folder.size();
            if (inside && (!best || length > bestLength)) {
                best = drive.first;
                bestLength = length;
            }
        }
    }
    if (!best)
        return false;
    std::wstring rest;
    if (!DecodeUtf8(posix.substr(bestLength), rest))
        return false;
    std::wstring out;
    out += best;
    out += L":\\";
    for (wchar_t c : rest) {
        if (c == L'/') {
            if (out.back() != L'\\')
                out += L'\\';
        } else {
            out += c;
        }
    }
    path = out;
    return true;
}

DWORD GetFileAttributesW(const wchar_t* path)
{
    std::string posix;
    if (!PosixOrFail(path, posix))
        return kInvalidFileAttributes;
    struct stat st;
    if (stat(posix.c_str(), &st) != 0) {
        SetLastError(ErrorFromErrno(errno, posix));
        return kInvalidFileAttributes;
    }
    DWORD attributes = S_ISDIR(st.st_mode) ? kFileAttributeDirectory : 0;
    if (access(posix.c_str(), W_OK) != 0)
        attributes |= kFileAttributeReadOnly;
    return attributes ? attributes : kFileAttributeNormal;
}

bool CreateDirectoryW(const wchar_t* path, void*)
{
    std::string posix;
    if (!PosixOrFail(path, posix))
        return false;
    if (mkdir(posix.c_str(), 0777) != 0) {
        SetLastError(ErrorFromErrno(errno, posix));
        return false;
    }
    return true;
}

bool GetVolumeInformationW(const wchar_t* rootPath, wchar_t* volumeName, DWORD volumeNameSize,
                           DWORD* serialNumber, DWORD* maxComponentLength, DWORD* flags,
                           wchar_t* fileSystemName, DWORD fileSystemNameSize)
{
    // Only a drive root: "X:\".
    if (!rootPath || !DriveKey(rootPath[0]) || rootPath[1] != L':' || !IsSeparator(rootPath[2]) ||
        rootPath[3]) {
        SetLastError(rootPath && IsSeparator(rootPath[0]) ? kErrorBadNetPath : kErrorInvalidName);
        return false;
    }
    std::string posix;
    struct stat st;
    if (!PosixOrFail(rootPath, posix) || stat(posix.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        SetLastError(kErrorPathNotFound);
        return false;
    }
    if (volumeName && volumeNameSize)
        volumeName[0] = 0;
    if (serialNumber)
        *serialNumber = static_cast<DWORD>(st.st_dev);
    if (maxComponentLength)
        *maxComponentLength = 255;
    if (flags)
        *flags = 0;
    if (fileSystemName && !CopyOut(L"POSIX", fileSystemName, fileSystemNameSize) && fileSystemNameSize)
        fileSystemName[0] = 0;
    return true;
}

bool SHGetSpecialFolderPathW(void*, wchar_t* path, int csidl, bool create)
{
    std::string home;
    if (const char* h = std::getenv("HOME"); h && h[0] == '/')
        home = h;
    else if (const struct passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        home = pw->pw_dir;
    std::string folder;
    if (csidl == kCsidlPersonal) {
        if (home.empty())
            return false;
        folder = home + "/Documents";
    } else if (csidl == kCsidlLocalAppData) {
        if (const char* x = std::getenv("XDG_DATA_HOME"); x && x[0] == '/')
            folder = x;
        else if (!home.empty())
            folder = home + "/.local/share";
        else
            return false;
    } else {
        SetLastError(kErrorInvalidName);
        return false;
    }
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) {
        if (!create || !MakeFolders(folder)) {
            SetLastError(kErrorPathNotFound);
            return false;
        }
    } else if (!S_ISDIR(st.st_mode)) {
        SetLastError(kErrorPathNotFound);
        return false;
    }
    std::wstring windows;
    if (!FromPosixPath(folder, windows) || !CopyOut(windows, path, kMaxPath)) {
        SetLastError(kErrorFilenameExcedRange);
        return false;
    }
    return true;
}

DWORD GetModuleFileNameW(void* module, wchar_t* buffer, DWORD size)
{
    std::string posix;
    std::wstring windows;
    if (!GetModuleFileName(module, posix) || !FromPosixPath(posix, windows)) {
        SetLastError(kErrorFileNotFound);
        return 0;
    }
    if (!buffer || size == 0) {
        SetLastError(kErrorInsufficientBuffer);
        return 0;
    }
    if (windows.size() >= size) {
        std::wmemcpy(buffer, windows.c_str(), size - 1);
        buffer[size - 1] = 0;
        SetLastError(kErrorInsufficientBuffer);
        return size;
    }
    std::wmemcpy(buffer, windows.c_str(), windows.size() + 1);
    SetLastError(kErrorSuccess);
    return static_cast<DWORD>(windows.size());
}

unsigned PathGetCharTypeW(wchar_t c)
{
    if (c >= 0x80)
        return kGctLfnChar | kGctShortChar;
    if (c < 0x20)
        return kGctInvalid;
    switch (c) {
    case L'"':
    case L'<':
    case L'>':
    case L'|':
        return kGctInvalid;
    case L'*':
    case L'?':
        return kGctWild;
    case L'\\':
    case L'/':
    case L':':
        return kGctSeparator;
    case L' ':
    case L'+':
    case L',':
    case L';':
    case L'=':
    case L'[':
    case L']':
        return kGctLfnChar;
    default:
        return kGctLfnChar | kGctShortChar;
    }
}

std::FILE* _wfopen(const wchar_t* path, const wchar_t* mode)
{
    // The runtime's mode: one of r, w, a, then any of '+', 'b', 't', 'c'.
    std::string posixMode;
    if (mode && (mode[0] == L'r' || mode[0] == L'w' || mode[0] == L'a')) {
        posixMode += static_cast<char>(mode[0]);
        bool update = false;
        for (const wchar_t* m = mode + 1; *m; ++m) {
            if (*m == L'+' && !update)
                update = true;
            else if (*m != L'b' && *m != L't' && *m != L'c') {
                posixMode.clear();
                break;
            }
        }
        if (!posixMode.empty() && update)
            posixMode += '+';
    }
    if (posixMode.empty()) {
        errno = EINVAL;
        return nullptr;
    }
    std::string posix;
    if (!PosixOrFail(path, posix)) {
        errno = ENOENT;
        return nullptr;
    }
    return std::fopen(posix.c_str(), posixMode.c_str());
}

int _fseeki64(std::FILE* file, std::int64_t offset, int origin)
{
    return file && fseeko(file, static_cast<off_t>(offset), origin) == 0 ? 0 : -1;
}

std::int64_t _ftelli64(std::FILE* file)
{
    return file ? static_cast<std::int64_t>(ftello(file)) : -1;
}

HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE)
{
    std::string posix;
    if (!PosixOrFail(path, posix))
        return kInvalidHandleValue;
    if (disposition != kOpenExisting) {
        SetLastError(kErrorInvalidParameter);
        return kInvalidHandleValue;
    }
    const bool reads = (access & kGenericRead) != 0;
    const bool writes = (access & kGenericWrite) != 0;
    const int flags = reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
    const int fd = open(posix.c_str(), flags | O_CLOEXEC);
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno, posix));
        return kInvalidHandleValue;
    }
    SetLastError(kErrorSuccess);
    return new FileHandle{fd};
}

bool SetFilePointerEx(HANDLE file, std::int64_t distance, std::int64_t* newPosition, DWORD method)
{
    FileHandle* h = HandleOf(file);
    const int whence = method == 0 ? SEEK_SET : method == 1 ? SEEK_CUR : method == 2 ? SEEK_END : -1;
    if (!h || whence < 0) {
        SetLastError(kErrorInvalidParameter);
        return false;
    }
    const off_t at = lseek(h->fd, static_cast<off_t>(distance), whence);
    if (at < 0) {
        SetLastError(kErrorInvalidParameter);
        return false;
    }
    if (newPosition)
        *newPosition = static_cast<std::int64_t>(at);
    return true;
}

bool SetEndOfFile(HANDLE file)
{
    FileHandle* h = HandleOf(file);
    if (!h) {
        SetLastError(kErrorInvalidParameter);
        return false;
    }
    const off_t at = lseek(h->fd, 0, SEEK_CUR);
    if (at < 0 || ftruncate(h->fd, at) != 0) {
        SetLastError(errno == EACCES || errno == EPERM || errno == EBADF ? kErrorAccessDenied : kErrorGenFailure);
        return false;
    }
    return true;
}

bool CloseHandle(HANDLE handle)
{
    FileHandle* h = HandleOf(handle);
    if (!h) {
        SetLastError(kErrorInvalidParameter);
        return false;
    }
    const bool closed = close(h->fd) == 0;
    delete h;
    return closed;
}

const wchar_t* PathFindFileNameW(const wchar_t* path)
{
    if (!path)
        return nullptr;
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p) {
        if ((IsSeparator(*p) || *p == L':') && p[1] && !IsSeparator(p[1]))
            name = p + 1;
    }
    return name;
}

} // namespace win32
