#include "inputs/InputFiles.h"

#include <algorithm>
#include <unordered_map>

#include "base/FileSystem.h"
#include "base/Format.h"
#include "inputs/FolderScan.h"
#include "inputs/ListFile.h"

namespace {

bool nameFile(const std::string& path,
              const std::vector<std::string>& folders,
              const std::string& fileName,
              const NamingRules& rules,
              std::vector<InputFile>& files,
              std::string& error) {
    InputFile file{path, {}, {}};
    if (!spriteNames(folders, fileName, rules, file.names)) {
        error = "cannot name a sprite after " + path + " (the name holds a control character)";
        return false;
    }
    files.push_back(std::move(file));
    return true;
}

// The name of the folder a full path ends in ("" for a root), with its "." and ".." taken out.
std::string ownName(const std::string& folder) {
    std::vector<std::string> components;
    if (!normalisedComponents(pathComponents(folder), components) || components.empty()) return {};
    const std::string& last = components.back();
    return last.size() == 2 && last[1] == ':' ? std::string() : last;  // a Windows drive is no folder's name
}

// The path of a found file inside the folder scanned, '/' between folders.
std::string pathInside(const FoundFile& file) {
    std::string path;
    for (const std::string& folder : file.folders) path += folder + "/";
    return path + file.fileName;
}

// The files under `folder` (those `accepts` takes, when given), named by their path inside it after `prefix` (the
// folders between the root the names count from and this folder).
bool takeFolder(const std::string& folder,
                const std::vector<std::string>& prefix,
                const NamingRules& rules,
                ImageKindRule kindOf,
                const InputArgument* filter,
                std::vector<InputFile>& files,
                std::string& error) {
    std::vector<FoundFile> found;
    if (!scanFolder(folder, kindOf, found, error)) return false;
    if (filter) {
        found.erase(std::remove_if(found.begin(), found.end(),
                                   [&](const FoundFile& f) { return !filter->accepts(pathInside(f)); }),
                    found.end());
        if (found.empty()) {
            error = "the pattern " + filter->pattern + " matches no BMP, TGA or PNG image";
            return false;
        }
    }
    if (found.empty()) {
        error = "the folder " + folder + " holds no BMP, TGA or PNG image";
        return false;
    }
    for (FoundFile& f : found) {
        f.folders.insert(f.folders.begin(), prefix.begin(), prefix.end());
        if (!nameFile(f.path, f.folders, f.fileName, rules, files, error)) return false;
        files.back().stamp = f.stamp;
    }
    return true;
}

// A file or folder named by the command line, or by a list outside the list's own folder; a folder of a pattern.
bool takeArgument(const std::string& path,
                  const NamingRules& rules,
                  ImageKindRule kindOf,
                  const InputArgument* filter,
                  std::vector<InputFile>& files,
                  std::string& error) {
    if (filter || pathTargetKind(path) == PathKind::Folder) {
        std::vector<std::string> prefix;
        const std::string name = ownName(path);
        if (rules.folderPrefix && !name.empty()) prefix.push_back(name);
        return takeFolder(path, prefix, rules, kindOf, filter, files, error);
    }
    const std::vector<std::string> components = pathComponents(path);
    return nameFile(path, {}, components.empty() ? path : components.back(), rules, files, error);
}

bool isAbsolute(const std::string& path) {
#ifdef _WIN32
    return (path.size() >= 2 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
#else
    return !path.empty() && path[0] == '/';
#endif
}

bool takeList(const std::string& list,
              const NamingRules& rules,
              ImageKindRule kindOf,
              std::vector<InputFile>& files,
              std::string& error) {
    std::vector<ListedPath> listed;
    if (!readListFile(list, listed, error)) return false;
    if (listed.empty()) {
        error = "the list " + list + " names no file";
        return false;
    }
    std::vector<std::string> listComponents;
    normalisedComponents(pathComponents(list), listComponents);
    const std::string folder =
        list.substr(0, list.size() - (listComponents.empty() ? 0 : listComponents.back().size()));
    std::vector<std::string> root;
    const std::string folderName = ownName(folder);
    if (rules.folderPrefix && !folderName.empty()) root.push_back(folderName);
    for (const ListedPath& entry : listed) {
        std::vector<std::string> inside;
        if (isAbsolute(entry.path) || !normalisedComponents(pathComponents(entry.path), inside) || inside.empty()) {
            const std::string path = isAbsolute(entry.path) ? entry.path : joinedPath(folder, entry.path);
            if (!takeArgument(path, rules, kindOf, nullptr, files, error)) return false;
            continue;
        }
        std::string path = folder;
        for (const std::string& component : inside) path = joinedPath(path, component);
        std::vector<std::string> pathNormalised;
        normalisedComponents(pathComponents(path), pathNormalised);
        if (pathNormalised == listComponents) {
            error = formatText("the list %s names itself (line %zu)", list.c_str(), entry.line);
            return false;
        }
        std::vector<std::string> folders = root;
        folders.insert(folders.end(), inside.begin(), inside.end() - 1);
        if (pathTargetKind(path) == PathKind::Folder) {
            folders.push_back(inside.back());
            if (!takeFolder(path, folders, rules, kindOf, nullptr, files, error)) return false;
        } else if (!nameFile(path, folders, inside.back(), rules, files, error)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool collectInputFiles(const std::vector<InputArgument>& arguments,
                       const NamingRules& rules,
                       ImageKindRule kindOf,
                       std::vector<InputFile>& files,
                       std::string& error) {
    files.clear();
    for (const InputArgument& argument : arguments) {
        const InputArgument* filter = argument.accepts ? &argument : nullptr;
        const bool taken = argument.list ? takeList(argument.path, rules, kindOf, files, error)
                                         : takeArgument(argument.path, rules, kindOf, filter, files, error);
        if (!taken) return false;
    }
    return true;
}

std::vector<std::pair<size_t, size_t>> sameNames(const std::vector<InputFile>& files) {
    std::vector<std::pair<size_t, size_t>> pairs;
    std::unordered_map<std::string, size_t> first;
    first.reserve(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        const auto [at, added] = first.emplace(files[i].names.name, i);
        if (!added) pairs.emplace_back(at->second, i);
    }
    return pairs;
}
