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

// What a path reaches, following symbolic links: nothing (or nothing that can be reached), a folder, or anything else.
PathKind pathTargetKind(const std::string& path);

// What the file system says of a file without reading it: its size and the time it was last written, in the
// platform's own ticks (nanoseconds since 1970 on Linux, 100 ns since 1601 on Windows). Two stamps are only ever
// compared for equality, so the ticks never need converting.
struct FileStamp {
    uint64_t size = 0;
    int64_t modified = 0;

    friend bool operator==(const FileStamp& a, const FileStamp& b) {
        return a.size == b.size && a.modified == b.modified;
    }
    friend bool operator!=(const FileStamp& a, const FileStamp& b) { return !(a == b); }
};

// The ticks of a stamp's time in a second.
#ifdef _WIN32
constexpr int64_t kStampTicksPerSecond = 10000000;
#else
constexpr int64_t kStampTicksPerSecond = 1000000000;
#endif

// The stamp of a file by program path; false when there is no regular file there (none, a folder, a device).
bool fileStamp(const std::string& path, FileStamp& stamp);

// The system's clock now, in the ticks of a stamp's time, so that a stamp's age can be told.
int64_t stampTicksNow();

// The file of the program running, as a program path; empty when the system does not tell it.
std::string runningProgramPath();

// One entry of a folder. `name` is the program's (Shift-JIS) name, empty when the name cannot be held in Shift-JIS;
// `shown` is the name for messages either way, its characters outside printable ASCII as '?'.
struct FolderEntry {
    enum class Kind { File, Folder, LinkedFolder };
    std::string name;
    std::string shown;
    Kind kind = Kind::File;
    FileStamp stamp;  // of a regular file (or a link to one), as fileStamp gives it; zero for anything else
};

// The entries of a folder but "." and "..", in the order the system gives them. A symbolic link to a folder (on
// Windows any reparse point to one: a symbolic link or a junction) is a LinkedFolder, which the caller does not follow,
// so that a link back up the tree cannot make a walk endless. Everything else that is no folder (a file, a link to one,
// a dangling link, a FIFO, a device) is a File, so that reading it fails where a file was meant. False when the folder
// cannot be read.
bool listFolder(const std::string& path, std::vector<FolderEntry>& entries);

// The path made absolute against the current folder (not otherwise normalised); empty when that fails.
std::string absolutePath(const std::string& path);

// The file system's own form of a program path (UTF-8 on Linux, unchanged on Windows); false when not convertible.
bool nativePath(const std::string& path, std::string& native);
