#include "inputs/FolderScan.h"

#include <algorithm>

#include "base/FileSystem.h"
#include "base/Format.h"
#include "inputs/NaturalOrder.h"
#include "inputs/SpriteNaming.h"

namespace {

struct Walk {
    ImageKindRule kindOf;
    std::vector<FoundFile>& found;
    std::string& error;
};

bool walk(const std::string& folder, std::vector<std::string>& folders, Walk& w) {
    if (folders.size() > static_cast<size_t>(kMaxFolderDepth)) {
        w.error =
            formatText("%s lies more than %d folders deep; nothing was taken from it", folder.c_str(), kMaxFolderDepth);
        return false;
    }
    std::vector<FolderEntry> entries;
    if (!listFolder(folder, entries)) {
        w.error = "cannot read the folder " + folder;
        return false;
    }
    const auto isFolder = [](const FolderEntry& e) { return e.kind != FolderEntry::Kind::File; };
    std::sort(entries.begin(), entries.end(), [&](const FolderEntry& a, const FolderEntry& b) {
        if (isFolder(a) != isFolder(b)) return isFolder(b);
        return naturalLess(a.name, b.name);
    });
    for (const FolderEntry& entry : entries) {
        if (entry.kind == FolderEntry::Kind::LinkedFolder || entry.shown.rfind('.', 0) == 0) continue;
        const bool folderEntry = entry.kind == FolderEntry::Kind::Folder;
        // The extension is ASCII, so the shown name tells it even where the name cannot be held.
        if (!folderEntry && w.kindOf(entry.shown) == ImageKind::None) continue;
        if (entry.name.empty()) {
            w.error = formatText("cannot take %s (its name cannot be held in Shift-JIS)",
                                 joinedPath(folder, entry.shown).c_str());
            return false;
        }
        const std::string path = joinedPath(folder, entry.name);
        if (!folderEntry) {
            w.found.push_back({path, folders, entry.name, entry.stamp});
            continue;
        }
        folders.push_back(entry.name);
        if (!walk(path, folders, w)) return false;
        folders.pop_back();
    }
    return true;
}

}  // namespace

bool scanFolder(const std::string& folder, ImageKindRule kindOf, std::vector<FoundFile>& found, std::string& error) {
    std::vector<std::string> folders;
    Walk w{kindOf, found, error};
    return walk(folder, folders, w);
}
