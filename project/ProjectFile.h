#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/AtlasExport.h"

class ByteReader;
class TextureCollection;

// A project file (.qbp): the settings record, the image count, then per image its path (relative to the project file
// or absolute, by Settings::absolutePaths), its name and its position, with even-padded int16-length texts and int16
// coordinates. No pixels: loading reads every image file again.

// The largest project file read at all.
constexpr uint64_t kMaxProjectFileBytes = uint64_t{256} << 20;

// One image record as a project file holds it.
struct StoredImage {
    std::string path;  // as stored: relative to the project file, or absolute
    std::string name;
    int16_t x = 0;
    int16_t y = 0;
};

// Reads the image count and the image records from behind the settings record. False at the first damage (a
// negative count, a length below 0 or above 511, a record cut short); `records` then holds those before it.
bool parseImageList(ByteReader& in, std::vector<StoredImage>& records);

// The path an image of the project at projectPath is loaded from: an absolute stored path as it is, a relative one
// behind the project's drive and folder, not normalised further; in the platform's separators.
std::string resolveStoredPath(const std::string& stored, const std::string& projectPath, bool absolute);

// Resets Settings::instance() and empties the collection, then reads the project at `path` (a full path) into both.
// Reports "cannot open", "not a project file" and "damaged" through the message seam and returns false for each; a
// damaged file leaves the images read before the damage. Images that cannot be loaded are reported and skipped, and
// do not make the load fail; with `missing`, their number is told.
bool loadProjectFile(const std::string& path, TextureCollection& images, int32_t* missing = nullptr);

// Writes Settings::instance() and the image list to `path` (a full path) through a safe replacement: the previous
// file stays as it was unless the new one is complete. The settings' saved copy is refreshed only on success.
bool saveProjectFile(const std::string& path, const TextureCollection& images);
// The same for some images only (the command line's pages), in the order given.
bool saveProjectFile(const std::string& path, const AtlasImages& images);
// The bytes that file would hold, for a writer of its own (the command line writes its outputs together); false, with
// the message shown, when an image path cannot be stored.
bool projectFileBytes(const std::string& path, const AtlasImages& images, std::vector<uint8_t>& bytes);
