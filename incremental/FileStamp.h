#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

struct FolderEntry {
    std::string name;  // a program text (Shift-JIS)
    bool folder = false;
    FileStamp stamp;  // of a file
};

// The files and folders directly in a folder (no "." or ".."), in no particular order. Symbolic links to folders and
// other reparse points are left out, so that a walk down the tree never loops; so are names that cannot be held in
// Shift-JIS, which no input can have. False when the folder cannot be read.
bool listFolder(const std::string& folder, std::vector<FolderEntry>& entries);
