// File locations in the host's path notation ("filewin:/C:/a/b.txt"): a kind,
// a UTF-8 folder that is empty or begins and ends with "/", and a UTF-8 file
// name. Converts to and from text, the system's paths and the host's universal
// paths, and knows the special folders of the plug-in and the user. The
// notation is shared; the system side is each flavour's (fmx/win/: Windows
// paths; fmx/mac/).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fmapi/draco.h"

struct FSRef;

namespace fmx {

class FilePath {
public:
    enum Kind : std::int32_t {
        kNone = -1,
        kFile = 0,      // relative
        kFileMac = 1,
        kFileWin = 2,
        kFmNet = 3,
        kFmName = 4,
    };

    // Longest system path in characters (without the terminating zero).
    static constexpr std::size_t kMaxSysPath = 519;

    FilePath() = default;

    Kind GetKind() const { return kind_; }
    const std::string& GetFolder() const { return folder_; }
    const std::string& GetName() const { return name_; }

    // Kinds 0, 1 and 2 only; the name must be non-empty and pass the
    // file-name check. A length of 0 takes the text up to its zero.
    bool SetFileName(const char* text, std::size_t length = 0);
    // Appends a folder component (same kinds and check).
    bool AppendFolder(const char* text, std::size_t length = 0);

    // A Windows path (drive or network share): kind "filewin". Each component
    // is escaped ("%" "%25", ":" "%3A", bytes 1 to 31 "%XX").
    bool SetFromSysPath(std::string_view path);
    bool SetFromSysPath(const wchar_t* path);
    // The path notation; the kind comes from the prefix.
    bool SetFromText(std::string_view text);

    // Prefix, ":", folder and name; false (and empty) for kind none.
    bool GetText(std::string& text) const;
    // Kind "filewin" only: the Windows path with escapes decoded; false when
    // it is empty, longer than kMaxSysPath or would name another place than
    // the path does (a decoded separator, zero byte, "." or ".."). The macOS
    // flavour gives the POSIX path of a "filemac" location instead.
    bool GetSysPath(std::wstring& path) const;

    bool Exists() const;
    // Kind "filewin" ("filemac" on macOS) only: creates the missing folders
    // of the path.
    // std::invalid_argument ("invalid file path") for kind none.
    bool CreateDirectories() const;

    bool SetFromUniversalPath(const Draco::UniversalPath& path);
    // Kinds "filewin" and "fmnet" with a name.
    bool ToUniversalPath(Draco::UniversalPath& path) const;

    // On a base of kind "filemac" or "filewin": the target relative to this
    // folder, and a relative path resolved against it.
    bool MakeRelative(const FilePath& target, FilePath& out) const;
    bool Resolve(const FilePath& relative, FilePath& out) const;

#if defined(PV_FLAVOUR_MAC)
    // Longest POSIX path a file reference gives, its zero included.
    static constexpr std::size_t kMaxPosixPath = 1024;

    // A POSIX path (length 0: up to its zero) as a "filemac" location: the
    // folder starts with the volume that holds the path ("/" is the start-up
    // volume's root, "/Volumes/NAME" another volume's, mounted or not).
    // False for an empty or relative path.
    bool SetFromPosixPath(const char* path, std::size_t length = 0);
    // Kind "filemac" only: the POSIX path, and its length; 0 (and the text
    // empty) otherwise. A volume name whose escapes decode to no UTF-8
    // throws std::invalid_argument ("source string is corrupted"), here and
    // wherever the path is used.
    std::size_t GetPosixPath(std::string& path) const;
    // The location of a file reference, with a name below it when given.
    bool SetFromFileRef(const FSRef& ref, const char* name = nullptr, std::size_t length = 0);
    // The reference of the file or folder the location names; false when it
    // does not exist.
    bool GetFileRef(FSRef& ref) const;
    // CreateDirectories with the File Manager's status: 0, -35 (no volume),
    // -48 (a file in the way, or with `exclusive` every folder already
    // there) or the File Manager's own error.
    int CreateDirectoriesStatus(bool exclusive) const;
    // The product folder in the user's Preferences folder.
    bool SetToAppDataFolder(bool create);
#endif

    // Special folders and files; each location is found on first use and
    // kept. The product folders are created with `create`, else only tested.
    bool SetToPluginFolder();
    bool SetToPluginFile();
    bool SetToHostAppFile();
    bool SetToHostAppFolder();
    bool SetToLocalAppDataFolder(bool create);
    bool SetToDocumentsFolder(bool create);

    friend bool operator==(const FilePath& a, const FilePath& b);
    friend bool operator!=(const FilePath& a, const FilePath& b) { return !(a == b); }
    friend bool operator<(const FilePath& a, const FilePath& b);

private:
    // Kinds "filemac" and "filewin": the file system has the location.
    bool ExistsInFileSystem() const;

    Kind kind_ = kNone;
    std::string folder_;
    std::string name_;
};

// The prefix of a kind ("file", "filemac", "filewin", "fmnet", "fmname"), or
// null.
const char* FilePathPrefix(std::int32_t kind);

// File-name check: every byte below 0x80 is a long-file-name character other
// than "\" and "/"; other bytes form well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF); "." and ".." fail. An empty text
// passes.
bool IsValidFileName(const char* text, std::size_t length);

// Parses components into a kind, a folder and a name. The two builders
// differ in how they classify characters.
class PathBuilderBase {
public:
    enum CharClass { kInvalid = 0, kOrdinary = 1, kSeparator = 2 };

    virtual ~PathBuilderBase() = default;

    // Components of `text`: each one followed by a separator goes to the
    // folder with "/", the last one becomes the name. False for an invalid
    // or empty component.
    virtual bool ParseComponents(std::string_view text);
    // Length of the component at the start of `text`, or npos when it holds
    // an invalid character; `separated` tells whether a separator follows.
    virtual std::size_t MeasureComponent(std::string_view text, bool& separated) const;
    // Class of the character at the start of `text`; `length` receives its
    // length in bytes. `atStart`: the character begins a component.
    virtual CharClass ClassifyChar(std::string_view text, bool atStart, std::size_t& length) const = 0;

    FilePath::Kind kind = FilePath::kNone;
    std::string folder;
    std::string name;

protected:
    explicit PathBuilderBase(bool escape) : escape_(escape) {}

private:
    bool escape_;
};

// Windows paths: "\" and "/" separate; components are escaped.
class PathBuilderFromSysPath : public PathBuilderBase {
public:
    PathBuilderFromSysPath() : PathBuilderBase(true) {}
    CharClass ClassifyChar(std::string_view text, bool atStart, std::size_t& length) const override;
};

// Path notation: only "/" separates; components are kept as they stand.
class PathBuilderFromURL : public PathBuilderBase {
public:
    PathBuilderFromURL() : PathBuilderBase(false) {}
    CharClass ClassifyChar(std::string_view text, bool atStart, std::size_t& length) const override;
};

// A wide system path of fewer than 260 characters.
class SysPath {
public:
    static constexpr std::size_t kCapacity = 260;
    static constexpr std::size_t kMaxUtf8 = 1560;

    // False (and the holder unchanged) for a path that does not fit, or,
    // with `mustBeFile`, one that does not name an existing file.
    bool Set(const wchar_t* path, bool mustBeFile = false);
    const std::wstring& Get() const { return path_; }

    // Through the universal path's platform spec.
    bool SetFromUniversalPath(const Draco::UniversalPath& path, bool mustBeFile = false);
    bool ToUniversalPath(Draco::UniversalPath& path) const;

    // The file-name part or the whole path as UTF-8 of at most kMaxUtf8 bytes.
    bool GetFileName(std::string& text) const;
    bool GetPathText(std::string& text) const;

private:
    std::wstring path_;
};

} // namespace fmx
