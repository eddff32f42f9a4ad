#include "watch/InputScan.h"

#include <algorithm>
#include <set>

#include "base/FileSystem.h"

namespace {

void walk(const std::string& root,
          const FileFilter& wanted,
          const std::set<std::string>& excluded,
          std::vector<ScannedFile>& files) {
    // A list of folders still to read rather than recursion: a deep tree costs memory, never the stack.
    std::vector<std::string> folders = {root};
    std::vector<FolderEntry> entries;
    while (!folders.empty()) {
        const std::string folder = std::move(folders.back());
        folders.pop_back();
        if (!listFolder(folder, entries)) continue;
        const std::string prefix = !folder.empty() && (folder.back() == kPathSeparator || folder.back() == '/')
                                       ? folder
                                       : folder + kPathSeparator;
        for (FolderEntry& entry : entries) {
            // A link to a folder is not followed, so that a walk down the tree never loops; a name Shift-JIS cannot
            // hold is no input's.
            if (entry.name.empty() || entry.kind == FolderEntry::Kind::LinkedFolder) continue;
            std::string path = prefix + entry.name;
            if (entry.kind == FolderEntry::Kind::Folder) {
                folders.push_back(std::move(path));
            } else if (!excluded.count(path) && wanted(path)) {
                files.push_back({std::move(path), entry.stamp});
            }
        }
    }
}

}  // namespace

InputScan scanInputs(const WatchedInputs& inputs, const FileFilter& wanted) {
    const std::set<std::string> excluded(inputs.excluded.begin(), inputs.excluded.end());
    InputScan scan;
    for (const std::string& folder : inputs.folders) walk(folder, wanted, excluded, scan.files);
    for (const std::string& file : inputs.files) {
        FileStamp stamp;
        if (!excluded.count(file) && fileStamp(file, stamp)) scan.files.push_back({file, stamp});
    }
    // A file reached twice (a list naming a sprite of a watched folder) is one file.
    std::sort(scan.files.begin(), scan.files.end(),
              [](const ScannedFile& a, const ScannedFile& b) { return a.path < b.path; });
    scan.files.erase(std::unique(scan.files.begin(), scan.files.end(),
                                 [](const ScannedFile& a, const ScannedFile& b) { return a.path == b.path; }),
                     scan.files.end());
    return scan;
}

ScanChanges changesBetween(const InputScan& before, const InputScan& after) {
    ScanChanges changes;
    size_t i = 0, j = 0;
    while (i < before.files.size() || j < after.files.size()) {
        if (j == after.files.size() || (i < before.files.size() && before.files[i].path < after.files[j].path)) {
            changes.removed.push_back(before.files[i++].path);
        } else if (i == before.files.size() || after.files[j].path < before.files[i].path) {
            changes.added.push_back(after.files[j++].path);
        } else {
            if (before.files[i].stamp != after.files[j].stamp) changes.changed.push_back(after.files[j].path);
            ++i, ++j;
        }
    }
    return changes;
}
