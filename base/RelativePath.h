#pragma once

#include <string>

// The relative path from one file to another as Windows' PathRelativePathToA forms it when both are given as files:
// ".\" + the rest for the first file's folder and below, one "..\" per folder to climb otherwise, backslash
// separators, folder names compared without regard to the case of ASCII letters. False when the two share no root
// (different drives or servers, or no folder at all), when either is MAX_PATH (260) bytes or longer, or when the
// result would be. Portable: it needs no Windows call. Shift-JIS aware: a second byte 0x5C is no separator.
bool relativePathBetweenFiles(const std::string& fromFile, const std::string& toFile, std::string& relative);

// A backslash-separated path with its "." components dropped and each "name\.." pair taken out, as far as that can be
// done from the text alone; roots, leading ".." and empty components stay. "C:\p\.\img\..\x.bmp" gives
// "C:\p\x.bmp". Paths that are joined from a folder and a stored relative path ("C:\p\" + ".\x.bmp") so do not
// grow by one ".\" each time they are stored again.
std::string withoutDotComponents(const std::string& path);

// The program path in the form relative paths are made from. On Windows the path itself; on Linux, '/' becomes '\'
// and an absolute path gains a drive-like root "Z:", so that any two absolute paths share a root.
std::string pathForRelativeForm(const std::string& path);

// A stored path in the platform's form: on Linux every separator '\' becomes '/', on Windows it stays.
std::string pathForPlatform(const std::string& path);

// A file as another file names it (a data file its atlas images, a recipe its inputs): relative to that
// file's folder where that can be formed, with '/' between folders as engines load it, in UTF-8.
std::string fileReference(const std::string& from, const std::string& to);
