#include <sys/stat.h>
#include <unistd.h>

#include "base/FileSystem.h"
#include "base/TextEncoding.h"

bool nativePath(const std::string& path, std::string& native) {
    return cp932ToUtf8(path, native);
}

FILE* openFile(const std::string& path, const char* mode) {
    std::string native;
    if (!nativePath(path, native)) return nullptr;
    return std::fopen(native.c_str(), mode);
}

FileReadResult readWholeFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& bytes) {
    FILE* file = openFile(path, "rb");
    if (!file) return FileReadResult::CannotOpen;
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(file);
        return FileReadResult::CannotOpen;
    }
    if (static_cast<uint64_t>(info.st_size) > maxBytes) {
        std::fclose(file);
        return FileReadResult::TooLarge;
    }
    bytes.resize(static_cast<size_t>(info.st_size));
    const size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file);
    const bool failed = got != bytes.size() || std::ferror(file);
    std::fclose(file);
    if (failed) {
        bytes.clear();
        return FileReadResult::ReadError;
    }
    return FileReadResult::Ok;
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
