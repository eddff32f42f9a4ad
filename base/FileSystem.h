#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// File access by program path. Paths inside the program are Shift-JIS byte strings, the form Windows' ANSI calls
// take; on Linux they are converted to UTF-8 here, at the one boundary with the file system.

// The separator the platform's own paths use.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// Opens a file with fopen's mode; nullptr when it cannot be opened (or the path cannot be converted).
FILE* openFile(const std::string& path, const char* mode);

enum class FileReadResult { Ok, CannotOpen, TooLarge, ReadError };

// Reads a whole file into `bytes`, refusing files larger than maxBytes before reading them.
FileReadResult readWholeFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& bytes);

// Creates and opens ("wb") a new file with a unique name in the folder of `target`; its path goes to tempPath.
FILE* createFileBeside(const std::string& target, std::string& tempPath);

// Forces what was written to an open file onto the disk; false when the system reports an error.
bool flushToDisk(FILE* file);

// Renames `from` to `to`, replacing an existing `to` in one step.
bool renameReplacing(const std::string& from, const std::string& to);

bool removeFile(const std::string& path);
// Gives the file at `existing` a second name `link` in the same folder (a hard link); false where the file system
// cannot, or when `link` exists.
bool hardLink(const std::string& existing, const std::string& link);

// What stands at a path (a symbolic link itself, not what it points to, counts as a file).
enum class PathKind { None, File, Folder };
PathKind pathKind(const std::string& path);

// Which file a path reaches on disk: its device and its number there (on Windows the volume's serial number and the
// file index), equal for two paths of one file, hard links included.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t file = 0;
};
// False when nothing can be found at the path.
bool fileIdentity(const std::string& path, FileIdentity& identity);

// A full path as two names of one file come out equal whether or not it exists: "." and ".." components taken out,
// one separator, and on Windows, whose file systems ignore the case of letters, every single-byte letter in upper
// case (a double-byte character's second byte is no letter).
std::string comparablePath(const std::string& fullPath);
// Creates one folder; true also when it exists already.
bool createFolder(const std::string& path);
bool fileExists(const std::string& path);

// The path made absolute against the current folder (not otherwise normalised); empty when that fails.
std::string absolutePath(const std::string& path);

// The file system's own form of a program path (UTF-8 on Linux, unchanged on Windows); false when not convertible.
bool nativePath(const std::string& path, std::string& native);
