#include "recipe/RecipePaths.h"

#include <algorithm>

#include "base/FileSystem.h"
#include "base/RelativePath.h"
#include "base/ShiftJis.h"
#include "base/TextEncoding.h"

namespace {

bool isAbsolute(const std::string& path) {
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) || (path.size() >= 2 && path[1] == ':');
}

}  // namespace

std::string recipeFolder(const std::string& recipePath) {
    const std::string full = absolutePath(recipePath);
    if (full.empty()) return {};
    const PathParts parts = splitPath(full);
    return parts.drive + parts.folder;
}

bool programPathFromRecipe(const std::string& folder, const std::string& recipePath, std::string& path) {
    std::string text;
    if (!utf8ToCp932(recipePath, text)) return false;
    // '/' is never the second byte of a double-byte character, so it can be replaced byte by byte.
    std::replace(text.begin(), text.end(), '/', kPathSeparator);
    path = isAbsolute(text) ? text : folder + text;
    return true;
}

std::string recipePathFromProgram(const std::string& folder, const std::string& path) {
    return fileReference(folder + "recipe", path);
}
