#include <windows.h>

#include "incremental/FileStamp.h"

namespace {

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

// One call per folder gives every entry with its size and time, so a scan costs no call per file.
bool listFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
    const std::string prefix = folder.empty() || folder.back() == '\\' || folder.back() == '/' ? folder : folder + "\\";
    WIN32_FIND_DATAA found;
    const HANDLE search =
        FindFirstFileExA((prefix + "*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    entries.clear();
    if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;  // a folder without entries
    do {
        const std::string name = found.cFileName;
        const DWORD attributes = found.dwFileAttributes;
        // A name the ANSI code page cannot hold comes back with '?', which no real name has.
        if (name == "." || name == ".." || name.find('?') != std::string::npos) continue;
        const bool folderEntry = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (folderEntry && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        if (attributes & FILE_ATTRIBUTE_DEVICE) continue;
        FolderEntry out{name, folderEntry, {}};
        if (!folderEntry) out.stamp = stampOf(found.nFileSizeHigh, found.nFileSizeLow, found.ftLastWriteTime);
        entries.push_back(std::move(out));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return true;
}
