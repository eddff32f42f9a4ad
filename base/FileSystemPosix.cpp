#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "base/Allocation.h"
#include "base/FileSystem.h"
#include "base/RelativePath.h"
#include "base/TextEncoding.h"

bool nativePath(const std::string& path, std::string& native) {
    return cp932ToUtf8(path, native);
}

FILE* openFile(const std::string& path, const char* mode) {
    std::string native;
    if (!nativePath(path, native)) return nullptr;
    return std::fopen(native.c_str(), mode);
}

// The file is opened without waiting (a FIFO named in a hostile project would otherwise block the open until a writer
// came) and taken only when it is a regular file.
FileReadResult readWholeFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& bytes) {
    std::string native;
    if (!nativePath(path, native)) return FileReadResult::CannotOpen;
    const int fd = open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return FileReadResult::CannotOpen;
    struct stat info {};
    FileReadResult result = FileReadResult::Ok;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        result = FileReadResult::CannotOpen;
    } else if (static_cast<uint64_t>(info.st_size) > maxBytes) {
        result = FileReadResult::TooLarge;
    } else if (!tryResize(bytes, static_cast<size_t>(info.st_size))) {
        result = FileReadResult::ReadError;
    } else {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                result = FileReadResult::ReadError;  // an error, or a file that shrank while it was read
                break;
            }
            done += static_cast<size_t>(got);
        }
    }
    close(fd);
    if (result != FileReadResult::Ok) bytes.clear();
    return result;
}

FILE* createFileBeside(const std::string& target, std::string& tempPath) {
    std::string native;
    if (!nativePath(target, native)) return nullptr;
    std::string pattern = native + ".~qb.XXXXXX";
    const int fd = mkstemp(&pattern[0]);
    if (fd < 0) return nullptr;
    // mkstemp makes the file private; give the new file the mode that the target has, or the usual one.
    struct stat existing {};
    mode_t mode;
    if (stat(native.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(fd, mode);
    FILE* file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        unlink(pattern.c_str());
        return nullptr;
    }
    // The suffix is plain ASCII, so the program path is the target's own plus the same suffix.
    tempPath = target + pattern.substr(native.size());
    return file;
}

bool flushToDisk(FILE* file) {
    return std::fflush(file) == 0 && fsync(fileno(file)) == 0;
}

bool renameReplacing(const std::string& from, const std::string& to) {
    std::string nativeFrom, nativeTo;
    return nativePath(from, nativeFrom) && nativePath(to, nativeTo) &&
           std::rename(nativeFrom.c_str(), nativeTo.c_str()) == 0;
}

bool removeFile(const std::string& path) {
    std::string native;
    return nativePath(path, native) && unlink(native.c_str()) == 0;
}

bool hardLink(const std::string& existing, const std::string& link) {
    std::string nativeExisting, nativeLink;
    return nativePath(existing, nativeExisting) && nativePath(link, nativeLink) &&
           ::link(nativeExisting.c_str(), nativeLink.c_str()) == 0;
}

PathKind pathKind(const std::string& path) {
    std::string native;
    struct stat info {};
    if (!nativePath(path, native) || lstat(native.c_str(), &info) != 0) return PathKind::None;
    return S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::File;
}

bool fileIdentity(const std::string& path, FileIdentity& identity) {
    std::string native;
    struct stat info {};
    if (!nativePath(path, native) || stat(native.c_str(), &info) != 0) return false;
    identity = {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
    return true;
}

// Linux file names keep their case.
std::string comparablePath(const std::string& fullPath) {
    return withoutDotComponents(pathForRelativeForm(fullPath));
}

bool createFolder(const std::string& path) {
    std::string native;
    struct stat info {};
    if (!nativePath(path, native)) return false;
    return mkdir(native.c_str(), 0777) == 0 || (stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
}

bool fileExists(const std::string& path) {
    std::string native;
    struct stat info {};
    return nativePath(path, native) && stat(native.c_str(), &info) == 0;
}

std::string absolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    std::string cwd(4096, '\0');
    if (!getcwd(&cwd[0], cwd.size())) return {};
    cwd.resize(cwd.find('\0'));
    std::string cwdProgram;
    if (!utf8ToCp932(cwd, cwdProgram)) return {};
    if (cwdProgram.empty() || cwdProgram.back() != '/') cwdProgram += '/';
    return cwdProgram + path;
}

bool fileStamp(const std::string& path, FileStamp& stamp) {
    std::string native;
    struct stat info {};
    if (!nativePath(path, native) || stat(native.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    stamp = {static_cast<uint64_t>(info.st_size), int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec};
    return true;
}

int64_t stampTicksNow() {
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

std::string runningProgramPath() {
    std::string native(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", &native[0], native.size());
    std::string path;
    if (n <= 0 || static_cast<size_t>(n) >= native.size() ||
        !utf8ToCp932(native.substr(0, static_cast<size_t>(n)), path)) {
        return {};
    }
    return path;
}

PathKind pathTargetKind(const std::string& path) {
    std::string native;
    struct stat info {};
    if (!nativePath(path, native) || stat(native.c_str(), &info) != 0) return PathKind::None;
    return S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::File;
}

namespace {

// A name for messages: printable ASCII as it is, every other character (one UTF-8 sequence) as one '?'.
std::string shownName(const std::string& utf8) {
    std::string shown;
    for (const char c : utf8) {
        const auto b = static_cast<uint8_t>(c);
        if (b >= 0x20 && b < 0x7F) {
            shown += c;
        } else if ((b & 0xC0) != 0x80) {
            shown += '?';
        }
    }
    return shown;
}

FileStamp stampOf(const struct stat& info) {
    return {static_cast<uint64_t>(info.st_size), int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec};
}

// The entry's kind, and a regular file's stamp (a link to a file counts as the file).
void describeEntry(int folder, const char* name, FolderEntry& entry) {
    struct stat info {};
    entry.kind = FolderEntry::Kind::File;
    if (fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (S_ISDIR(info.st_mode)) {
        entry.kind = FolderEntry::Kind::Folder;
        return;
    }
    if (S_ISLNK(info.st_mode) && fstatat(folder, name, &info, 0) != 0) return;  // a dangling link
    if (S_ISDIR(info.st_mode)) entry.kind = FolderEntry::Kind::LinkedFolder;
    if (S_ISREG(info.st_mode)) entry.stamp = stampOf(info);
}

}  // namespace

bool listFolder(const std::string& path, std::vector<FolderEntry>& entries) {
    std::string native;
    if (!nativePath(path, native)) return false;
    DIR* folder = opendir(native.c_str());
    if (!folder) return false;
    entries.clear();
    bool ok = true;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(folder);
        if (!entry) {
            ok = errno == 0;
            break;
        }
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        FolderEntry e;
        if (!utf8ToCp932(name, e.name)) e.name.clear();
        e.shown = shownName(name);
        describeEntry(dirfd(folder), entry->d_name, e);
        entries.push_back(std::move(e));
    }
    closedir(folder);
    return ok;
}
