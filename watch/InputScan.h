#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/FileSystem.h"

// What a watch sees of its inputs at one moment: every file it looks at with its stamp, and what changed between two
// such moments. New, changed and deleted files in the input folders count alike; a nine-patch is a file like any
// other.

struct ScannedFile {
    std::string path;  // a program path
    FileStamp stamp;

    friend bool operator==(const ScannedFile& a, const ScannedFile& b) {
        return a.path == b.path && a.stamp == b.stamp;
    }
};

// Sorted by path in byte order, each path once.
struct InputScan {
    std::vector<ScannedFile> files;

    friend bool operator==(const InputScan& a, const InputScan& b) { return a.files == b.files; }
    friend bool operator!=(const InputScan& a, const InputScan& b) { return !(a == b); }
};

struct WatchedInputs {
    std::vector<std::string> folders;   // walked down to the bottom, taking the files `wanted` accepts
    std::vector<std::string> files;     // taken as they are: the recipe, list files, single sprites, templates
    std::vector<std::string> excluded;  // never taken: the outputs and the build's state, which may lie among them
};

// Which files of the folders a watch takes (the images by their extension, say).
using FileFilter = std::function<bool(const std::string& path)>;

// A file or folder that cannot be read is simply absent from the scan: its coming back is then a change too.
InputScan scanInputs(const WatchedInputs& inputs, const FileFilter& wanted);

struct ScanChanges {
    std::vector<std::string> added;
    std::vector<std::string> changed;
    std::vector<std::string> removed;

    bool empty() const { return added.empty() && changed.empty() && removed.empty(); }
};

ScanChanges changesBetween(const InputScan& before, const InputScan& after);
