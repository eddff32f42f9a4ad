#pragma once

#include <string>
#include <vector>

// What a build read, for the build system that runs it: a depfile in the form compilers write for make and Ninja
// (`gcc -MD`), so that the build system runs the build again when one of these files changes, and when a file is added
// to or removed from one of the folders (whose own time then changes).

// "TARGET...: DEPENDENCY ..." with one dependency a line, each path in the file system's own form, spaces, '#' and '$'
// escaped as make reads them.
std::string depfileText(const std::vector<std::string>& targets, const std::vector<std::string>& dependencies);

// Every folder at and under `root` that a folder input walks (names starting with '.' and links to folders passed
// over, as FolderScan.h does), appended to `folders`.
void addFoldersUnder(const std::string& root, std::vector<std::string>& folders);
