#pragma once

#include <string>
#include <vector>

#include "base/FileSystem.h"
#include "layout/TextureCollection.h"

// An image file found under a folder: its full path, the folders between the folder scanned and the file, and its
// stamp as the listing gave it.
struct FoundFile {
    std::string path;
    std::vector<std::string> folders;
    std::string fileName;
    FileStamp stamp;
};

// Folders nested deeper than this below the folder scanned are refused rather than walked: no sprite tree comes near
// it, and a loop the system does not show as a link (a bind mount) ends there.
constexpr int kMaxFolderDepth = 100;

// Appends every image file under `folder` (those `kindOf` takes), at every depth, in one order on every platform:
// in each folder, its files in natural order (NaturalOrder.h), then its subfolders in natural order, each followed by
// everything under it. Names starting with '.' (hidden files and folders, such as a version control system's) are
// passed over, and so are symbolic links to folders (Windows: reparse points), which are not followed. Any other entry
// with an image's extension is taken as a file, whatever it is, so that loading it tells what is wrong with it.
// False with `error` naming the folder or entry: a folder that cannot be read, an image or folder whose name cannot be
// held in Shift-JIS, folders nested deeper than kMaxFolderDepth.
bool scanFolder(const std::string& folder, ImageKindRule kindOf, std::vector<FoundFile>& found, std::string& error);
