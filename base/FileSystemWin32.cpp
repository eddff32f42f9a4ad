#include <windows.h>

#include <io.h>

#include "base/FileSystem.h"
#include "base/ShiftJis.h"

bool nativePath(const std::string& path, std::string& native) {
    native = path;
    return true;
}

FILE* openFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

FileReadResult readWholeFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& bytes) {
    FILE* file = openFile(path, "rb");
    if (!file) return FileReadResult::CannotOpen;
    const __int64 size = _filelengthi64(_fileno(file));
    if (size < 0) {
        std::fclose(file);
        return FileReadResult::CannotOpen;
    }
    if (static_cast<uint64_t>(size) > maxBytes) {
        std::fclose(file);
        return FileReadResult::TooLarge;
    }
    bytes.resize(static_cast<size_t>(size));
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
    const PathParts parts = splitPath(target);
    std::string folder = parts.drive + parts.folder;
    if (folder.empty()) folder = ".";
    char name[MAX_PATH];
    if (GetTempFileNameA(folder.c_str(), "qb", 0, name) == 0) return nullptr;
    FILE* file = std::fopen(name, "wb");
    if (!file) {
        DeleteFileA(name);
        return nullptr;
    }
    tempPath = name;
    return file;
}

bool flushToDisk(FILE* file) {
    return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

bool renameReplacing(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool removeFile(const std::string& path) {
    return DeleteFileA(path.c_str()) != 0;
}

bool createFolder(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr)) return true;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string absolutePath(const std::string& path) {
    char full[1024];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full) return {};
    return std::string(full, n);
}
