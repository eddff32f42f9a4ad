#include "inputs/SpriteNaming.h"

#include "base/FileSystem.h"
#include "base/ShiftJis.h"
#include "image/TextureImage.h"

namespace {

bool isSeparator(char c) {
    return c == '/' || c == kPathSeparator;
}

bool holdsControlCharacter(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<uint8_t>(text[i]);
        if (isLeadByte(b)) {
            ++i;  // a second byte is never a control character
        } else if (b < 0x20 || b == 0x7F) {
            return true;
        }
    }
    return false;
}

bool isPngExtension(const std::string& extension) {
    return extension.size() == 4 && extension[0] == '.' && toUpperSingleByte(extension) == ".PNG";
}

}  // namespace

bool spriteNames(const std::vector<std::string>& folders,
                 const std::string& fileName,
                 const NamingRules& rules,
                 SpriteNames& names) {
    names = {};
    PathParts parts = splitPath(fileName);
    // ".9" is two single-byte characters, so a title ending in their bytes ends in them.
    const std::string nineMark = ".9";
    names.ninePatch = isPngExtension(parts.extension) && parts.title.size() > nineMark.size() &&
                      parts.title.compare(parts.title.size() - nineMark.size(), nineMark.size(), nineMark) == 0;
    if (names.ninePatch) parts.title.resize(parts.title.size() - nineMark.size());
    for (const std::string& folder : folders) {
        if (holdsControlCharacter(folder)) return false;
        names.stem += folder + '/';
    }
    names.stem += parts.title;
    names.name = names.stem + (rules.keepExtension ? parts.extension : std::string());
    return !holdsControlCharacter(names.name);
}

std::string designName(const std::string& stem) {
    std::string name = stem;
    // '/' is never the second byte of a double-byte character.
    for (char& c : name) c = c == '/' ? '_' : c;
    return TextureImage::exportableName(toUpperSingleByte(name));
}

std::vector<std::string> pathComponents(const std::string& path) {
    std::vector<std::string> components;
    std::string current;
    for (size_t i = 0; i < path.size(); ++i) {
        if (isLeadByte(static_cast<uint8_t>(path[i])) && i + 1 < path.size()) {
            current += path.substr(i++, 2);
        } else if (isSeparator(path[i])) {
            if (!current.empty()) components.push_back(current);
            current.clear();
        } else {
            current += path[i];
        }
    }
    if (!current.empty()) components.push_back(current);
    return components;
}

bool normalisedComponents(const std::vector<std::string>& components, std::vector<std::string>& normalised) {
    normalised.clear();
    for (const std::string& component : components) {
        if (component == ".") continue;
        if (component != "..") {
            normalised.push_back(component);
        } else if (normalised.empty()) {
            return false;
        } else {
            normalised.pop_back();
        }
    }
    return true;
}

std::string joinedPath(const std::string& folder, const std::string& name) {
    const PathParts parts = splitPath(folder);
    const bool endsInSeparator = parts.title.empty() && parts.extension.empty() && !parts.folder.empty();
    return folder + (endsInSeparator ? "" : std::string(1, kPathSeparator)) + name;
}
