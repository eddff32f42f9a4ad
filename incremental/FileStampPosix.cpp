#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "base/FileSystem.h"
#include "base/TextEncoding.h"
#include "incremental/FileStamp.h"

namespace {

// A name as a program text: ASCII is the same in both encodings, which spares most names the conversion.
bool programName(const std::string& name, std::string& text) {
    if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        text = name;
        return true;
    }
    return utf8ToCp932(name, text);
}

FileStamp stampOf(const struct stat& s) {
    return {static_cast<uint64_t>(s.st_size), int64_t{s.st_mtim.tv_sec} * 1000000000 + s.st_mtim.tv_nsec};
}

}  // namespace

bool fileStamp(const std::string& path, FileStamp& stamp) {
    std::string native;
    struct stat s;
    if (!nativePath(path, native) || stat(native.c_str(), &s) != 0 || !S_ISREG(s.st_mode)) return false;
    stamp = stampOf(s);
    return true;
}

bool listFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
    std::string native;
    if (!nativePath(folder, native)) return false;
    DIR* dir = opendir(native.c_str());
    if (!dir) return false;
    entries.clear();
    const int at = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        FolderEntry out;
        struct stat s;
        if (name == "." || name == ".." || !programName(name, out.name)) continue;
        // A link is taken for the file it names; a link to a folder is left out.
        if (fstatat(at, name.c_str(), &s, AT_SYMLINK_NOFOLLOW) != 0) continue;
        const bool link = S_ISLNK(s.st_mode);
        if (link && fstatat(at, name.c_str(), &s, 0) != 0) continue;
        out.folder = S_ISDIR(s.st_mode);
        if ((out.folder && link) || (!out.folder && !S_ISREG(s.st_mode))) continue;
        if (!out.folder) out.stamp = stampOf(s);
        entries.push_back(std::move(out));
    }
    closedir(dir);
    return true;
}
