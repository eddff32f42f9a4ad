#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

class TextureCollection;

// JSON values keep their keys in the order they were added.
using Json = nlohmann::ordered_json;

// A program text (Shift-JIS) as a JSON string (UTF-8; bytes that are no Shift-JIS become U+FFFD).
Json jsonText(const std::string& programText);

// The value as text indented by two spaces a level, as the command line has always written JSON.
std::string jsonDump(const Json& value);

// The atlas as game engines read it (the "JSON hash" form): "frames", keyed by image name, with each image's place and
// size, never rotated or trimmed; "meta" with the atlas image's name (`image`, as a path relative to the JSON file),
// its size and pixel format, the scale, and this program; `image` is UTF-8 already. Images that do not lie wholly
// inside the area (parked ones) are left out, so that every frame lies on the atlas.
Json atlasJsonHash(const TextureCollection& images, int32_t areaWidth, int32_t areaHeight, const std::string& image);
