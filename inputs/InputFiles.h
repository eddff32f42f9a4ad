#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/FileSystem.h"
#include "inputs/SpriteNaming.h"
#include "layout/TextureCollection.h"

// An input argument of a pack: a file or folder, or a list file (@LIST), as a full program path; or a folder of which
// only the files that `accepts` takes by their path inside it ('/' between folders, the extension kept) are packed,
// which `pattern` describes for messages (a recipe's "icons/**/*.png").
struct InputArgument {
    std::string path;
    bool list = false;
    std::function<bool(const std::string& pathInside)> accepts{};
    std::string pattern{};
};

// An image file to pack and its names.
struct InputFile {
    std::string path;
    SpriteNames names;
    FileStamp stamp;  // as a folder's listing gave it; zero where the file was named rather than found
};

// Every image file the arguments name, in argument order, each with its names by path (SpriteNaming.h):
// - a folder: every image file under it (FolderScan.h for which, and in which order), named by its path inside the
//   folder, with --folder-prefix after the folder's own name;
// - a list: each path it names (ListFile.h), relative to the list's folder unless absolute. A path inside that folder
//   is named by its path from there, as if that folder had been given (with --folder-prefix its name first); a path
//   outside it (absolute, or climbing out with "..") is taken as if it had been given as an argument;
// - a folder with `accepts`: the files under it that it accepts, named as the folder's;
// - anything else: a file, named by its file name, whatever it is (a missing file, or a file that is no image, fails
//   when it is loaded, with the loader's message).
// False with `error` naming the folder, list or file: a folder that cannot be read or holds no image, a list that
// cannot be read, is no UTF-8 text, names no path or names itself, a pattern that takes no image, a name holding a
// control character.
bool collectInputFiles(const std::vector<InputArgument>& arguments,
                       const NamingRules& rules,
                       ImageKindRule kindOf,
                       std::vector<InputFile>& files,
                       std::string& error);

// Every pair of files that share a frame name: the first file of that name and a later one, in file order.
std::vector<std::pair<size_t, size_t>> sameNames(const std::vector<InputFile>& files);
