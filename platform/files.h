// Files, directories and paths. The separator is "/"; configured paths are
// normalised on input ("\" becomes "/") so values written on Windows keep working.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace xnd {

inline constexpr char PathDelim = '/';

// "\" -> "/".
std::string NormalizePathSeparators(std::string_view aPath);
// A configured path written the Windows way: "\Log" (rooted at the current
// drive, no drive letter) is program-relative there, so it becomes "Log"; a
// UNC "\\host\share" keeps its root; then "\" -> "/". "/srv/x" stays absolute.
std::string NormalizeConfiguredPath(std::string_view aPath);
// Absolute means: starts with "/".
bool IsAbsolutePath(std::string_view aPath);
// As the originals: "" gives "/", and "/" gives "".
std::string IncludeTrailingPathDelimiter(std::string_view aPath);
std::string ExcludeTrailingPathDelimiter(std::string_view aPath);
// Directory part with its trailing "/" ("" when none), file part, directory part without it.
std::string ExtractFilePath(std::string_view aPath);
std::string ExtractFileName(std::string_view aPath);
std::string ExtractFileDir(std::string_view aPath);
std::string ExtractFileExt(std::string_view aPath);

// Directory of the running program (/proc/self/exe), with a trailing "/".
std::string ProgramDirectory();
// The working directory, with a trailing "/".
std::string CurrentDirectory();

// True for a directory. When the path cannot be examined, false for the
// not-found / not-reachable errors (ENOENT, ENOTDIR, ENAMETOOLONG, ELOOP) and
// true for any other error (EACCES...).
bool DirectoryExists(const std::string& aPath);
bool FileExists(const std::string& aPath);  // a regular file (or a link to one)
// Creates one directory; false when it fails (parent missing, exists, ...).
bool CreateDir(const std::string& aPath);
// Creates the whole path; true when it exists afterwards.
bool ForceDirectories(const std::string& aPath);
bool DeleteFile(const std::string& aPath);

// Whole-file helpers (bytes as they are). EInOutError with the path, the
// system's reason and its errno when they fail.
//
// Neither write leaves a half-written file: WriteFileBytes writes a regular
// file (or a new one) through a temporary file in the same directory renamed
// over it, and AppendFileBytes cuts a failed append back to the size the
// file had (removing a file it created), so a full disk or a size limit
// leaves the file as it was. Other kinds of file (devices, pipes) are
// written in place.
std::string ReadFileBytes(const std::string& aPath);
void WriteFileBytes(const std::string& aPath, std::string_view aBytes);
void AppendFileBytes(const std::string& aPath, std::string_view aBytes);

// The reason of a system error code in Portuguese for the usual file
// failures (no space, read-only file system, permission...), the system's
// own text for the others.
std::string SystemErrorText(int aErrno);

// $TMPDIR or /tmp, with a trailing "/".
std::string TemporaryDirectory();

// Identifier of the calling thread (gettid).
std::uint32_t CurrentThreadId();

}  // namespace xnd
