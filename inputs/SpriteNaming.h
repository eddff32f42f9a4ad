#pragma once

#include <string>
#include <vector>

// How the sprites of a pack are named after their paths. Every text is the program's Shift-JIS.

// --keep-extension and --folder-prefix.
struct NamingRules {
    bool keepExtension = false;
    bool folderPrefix = false;
};

// A sprite's names: `stem` is its path relative to the folder it was found in ('/' between folders), without the
// extension, and the design's name comes from it; `name` is the frame name the data formats write: the stem, or with
// --keep-extension the stem and the extension as the file has it. A nine-patch ("NAME.9.png", the extension in any
// letter case) is named NAME, its border being cut off: with --keep-extension "NAME.png".
struct SpriteNames {
    std::string stem;
    std::string name;
    bool ninePatch = false;
};

// The names of the file `fileName` inside the folders `folders` (outermost first, the folder argument's own name
// first with --folder-prefix). False when a folder or file name holds a control character, which no data format can
// carry on one line.
bool spriteNames(const std::vector<std::string>& folders,
                 const std::string& fileName,
                 const NamingRules& rules,
                 SpriteNames& names);

// The name the design's outputs (ID header, UV lists, project) give a sprite with this stem, before it is made unique:
// the stem with '/' as '_', single-byte letters in upper case, cut to 127 bytes, so that "hud/pause" gives HUD_PAUSE
// and a file's stem what the window program names it.
std::string designName(const std::string& stem);

// The components of a path, split at '/' (and on Windows at '\\' too) where it stands as a character of its own;
// empty components are left out, so that a leading or doubled separator gives none.
std::vector<std::string> pathComponents(const std::string& path);

// The components with "." left out and each "name/.." pair taken out; false when a ".." climbs above the first.
bool normalisedComponents(const std::vector<std::string>& components, std::vector<std::string>& normalised);

// A folder joined with one more component by the platform's separator.
std::string joinedPath(const std::string& folder, const std::string& name);
