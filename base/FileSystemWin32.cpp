#include <windows.h>

#include <io.h>

#include "base/Allocation.h"
#include "base/FileSystem.h"
#include "base/RelativePath.h"
#include "base/ShiftJis.h"

bool nativePath(const std::string& path, std::string& native) {
    native = path;
    return true;
}

FILE* openFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

// Only a file on disk is taken: a console, pipe or device named in a hostile project would block the first read.
FileReadResult readWholeFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& bytes) {
    FILE* file = openFile(path, "rb");
    if (!file) return FileReadResult::CannotOpen;
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    const __int64 size = GetFileType(handle) == FILE_TYPE_DISK ? _filelengthi64(_fileno(file)) : -1;
    FileReadResult result = FileReadResult::Ok;
    if (size < 0) {
        result = FileReadResult::CannotOpen;
    } else if (static_cast<uint64_t>(size) > maxBytes) {
        result = FileReadResult::TooLarge;
    } else if (!tryResize(bytes, static_cast<size_t>(size))) {
        result = FileReadResult::ReadError;
    } else if (!bytes.empty() &&
               (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::ferror(file))) {
        result = FileReadResult::ReadError;
    }
    std::fclose(file);
    if (result != FileReadResult::Ok) bytes.clear();
    return result;
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

bool hardLink(const std::string& existing, const std::string& link) {
    return CreateHardLinkA(link.c_str(), existing.c_str(), nullptr) != 0;
}

// The attributes are the link's own: a symbolic link or junction to a folder carries the folder bit beside the
// reparse-point bit, and counts as a file here, as lstat sees it on Linux.
PathKind pathKind(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::None;
    const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    return folder ? PathKind::Folder : PathKind::File;
}

// The handle asks for no access to the contents, so that a file in use elsewhere (or a folder) is still reached.
bool fileIdentity(const std::string& path, FileIdentity& identity) {
    const HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!known) return false;
    identity = {info.dwVolumeSerialNumber, (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
    return true;
}

std::string comparablePath(const std::string& fullPath) {
    return toUpperSingleByte(withoutDotComponents(pathForRelativeForm(fullPath)));
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

PathKind pathTargetKind(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::None;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

namespace {

// The wide name in the ANSI code page, refused (false) where a character has no exact form there: the A calls would
// otherwise get a best-fit look-alike or '?', which names another file or none.
bool ansiName(const wchar_t* wide, std::string& name) {
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &lossy);
    if (n <= 1 || lossy) return false;
    name.resize(static_cast<size_t>(n));
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, &name[0], n, nullptr, &lossy) != n || lossy) {
        return false;
    }
    name.pop_back();  // the terminating zero
    return true;
}

std::string shownName(const wchar_t* wide) {
    std::string shown;
    for (const wchar_t* c = wide; *c; ++c) {
        if (*c >= 0xDC00 && *c <= 0xDFFF) continue;  // the second half of a surrogate pair
        shown += *c >= 0x20 && *c < 0x7F ? static_cast<char>(*c) : '?';
    }
    return shown;
}

FileStamp stampOf(DWORD sizeHigh, DWORD sizeLow, const FILETIME& written) {
    return {uint64_t{sizeHigh} << 32 | sizeLow,
            static_cast<int64_t>(uint64_t{written.dwHighDateTime} << 32 | written.dwLowDateTime)};
}

}  // namespace

bool fileStamp(const std::string& path, FileStamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return false;
    stamp = stampOf(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
    return true;
}

int64_t stampTicksNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return static_cast<int64_t>(uint64_t{now.dwHighDateTime} << 32 | now.dwLowDateTime);
}

std::string runningProgramPath() {
    char path[1024];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return {};
    return std::string(path, n);
}

// One call per folder gives every entry with its size and time, so a scan costs no call per file.
bool listFolder(const std::string& path, std::vector<FolderEntry>& entries) {
    // A path ending in a double-byte character may end in the byte of '\\' without ending in a separator.
    const PathParts parts = splitPath(path);
    const bool endsInSeparator = parts.title.empty() && parts.extension.empty() && !parts.folder.empty();
    const std::string pattern = path + (endsInSeparator ? "*" : "\\*");
    const int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, pattern.c_str(), -1, nullptr, 0);
    if (n <= 0) return false;
    std::wstring widePattern(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, pattern.c_str(), -1, &widePattern[0], n);
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(widePattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    entries.clear();
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        FolderEntry e;
        if (!ansiName(found.cFileName, e.name)) e.name.clear();
        e.shown = shownName(found.cFileName);
        const DWORD a = found.dwFileAttributes;
        e.kind = !(a & FILE_ATTRIBUTE_DIRECTORY)      ? FolderEntry::Kind::File
                 : (a & FILE_ATTRIBUTE_REPARSE_POINT) ? FolderEntry::Kind::LinkedFolder
                                                      : FolderEntry::Kind::Folder;
        if (e.kind == FolderEntry::Kind::File && !(a & FILE_ATTRIBUTE_DEVICE)) {
            e.stamp = stampOf(found.nFileSizeHigh, found.nFileSizeLow, found.ftLastWriteTime);
        }
        entries.push_back(std::move(e));
    } while (FindNextFileW(search, &found));
    const bool ok = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(search);
    return ok;
}
