#pragma once

#include <cstdint>
#include <string>

class TextureCollection;

// A project file (.qbp): the settings record, the image count, then per image its path (relative to the project file
// or absolute, by Settings::absolutePaths), its name and its position, with even-padded int16-length texts and int16
// coordinates. No pixels: loading reads every image file again.

// The largest project file read at all.
constexpr uint64_t kMaxProjectFileBytes = uint64_t{256} << 20;

// Resets Settings::instance() and empties the collection, then reads the project at `path` (a full path) into both.
// Reports "cannot open", "not a project file" and "damaged" through the message seam and returns false for each; a
// damaged file leaves the images read before the damage. Images that cannot be loaded are reported and skipped, and
// do not make the load fail.
bool loadProjectFile(const std::string& path, TextureCollection& images);

// Writes Settings::instance() and the image list to `path` (a full path) through a safe replacement: the previous
// file stays as it was unless the new one is complete. The settings' saved copy is refreshed only on success.
bool saveProjectFile(const std::string& path, const TextureCollection& images);
