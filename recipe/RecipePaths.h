#pragma once

#include <string>

// Paths between a recipe (UTF-8, '/' between folders, relative to the recipe's folder) and the program (Shift-JIS
// program paths in the platform's form).

// The folder of a recipe file, as a full program path with its trailing separator; empty when it cannot be formed.
std::string recipeFolder(const std::string& recipePath);

// A path the recipe names as a program path: joined to the folder unless absolute ("/x", "C:/x", "\\\\server\\x"),
// every '/' the platform's separator. False when the path cannot be held in Shift-JIS.
bool programPathFromRecipe(const std::string& folder, const std::string& recipePath, std::string& path);

// A program path as a recipe in `folder` names it: relative to the folder with '/' between folders where a relative
// path can be formed (the same drive, short enough), else the full path with '/'.
std::string recipePathFromProgram(const std::string& folder, const std::string& path);
