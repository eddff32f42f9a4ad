#include "cli/Depfile.h"

#include <utility>

#include "base/FileSystem.h"
#include "inputs/FolderScan.h"
#include "inputs/SpriteNaming.h"

namespace {

std::string escaped(const std::string& path) {
    std::string native;
    if (!nativePath(path, native)) native = path;
    std::string out;
    for (const char c : native) {
        if (c == ' ' || c == '#') out += '\\';
        if (c == '$') out += '$';
        out += c;
    }
    return out;
}

}  // namespace

std::string depfileText(const std::vector<std::string>& targets, const std::vector<std::string>& dependencies) {
    std::string text;
    for (const std::string& target : targets) text += (text.empty() ? "" : " ") + escaped(target);
    text += ":";
    for (const std::string& dependency : dependencies) text += " \\\n  " + escaped(dependency);
    return text + "\n";
}

void addFoldersUnder(const std::string& root, std::vector<std::string>& folders) {
    // Folders still to read, with their depth, rather than recursion: a deep tree costs memory, never the stack.
    std::vector<std::pair<std::string, int>> pending = {{root, 0}};
    std::vector<FolderEntry> entries;
    while (!pending.empty()) {
        const auto [folder, depth] = pending.back();
        pending.pop_back();
        if (!listFolder(folder, entries)) continue;
        folders.push_back(folder);
        if (depth >= kMaxFolderDepth) continue;
        for (const FolderEntry& entry : entries) {
            if (entry.kind != FolderEntry::Kind::Folder || entry.name.empty() || entry.shown.rfind('.', 0) == 0)
                continue;
            pending.push_back({joinedPath(folder, entry.name), depth + 1});
        }
    }
}
