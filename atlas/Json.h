#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "atlas/AtlasPage.h"

// JSON values keep their keys in the order they were added.
using Json = nlohmann::ordered_json;

// A program text (Shift-JIS) as a JSON string (UTF-8; bytes that are no Shift-JIS become U+FFFD).
Json jsonText(const std::string& programText);

// The value as text indented by two spaces a level, as the command line has always written JSON.
std::string jsonDump(const Json& value);

// A page as game engines read it (the "JSON hash" form): "frames", keyed by sprite name, each with
//   frame            where the sprite's kept pixels lie on the page: x, y, and their width and height as the sprite
//                    shows them, unturned (a turned sprite covers h x w pixels there),
//   rotated          whether it was turned a quarter clockwise,
//   trimmed          whether transparent edges were cut,
//   spriteSourceSize the kept part's place and size within the source image,
//   sourceSize       the source image's size;
// then "meta" with this program, the page's image (`image`, a path relative to the JSON file, UTF-8 already), its
// size and pixel format, the scale, and with several pages the other pages' JSON files (`related_multi_packs`, relative
// to this one). Frames that do not lie wholly on the page (parked ones) are left out.
Json atlasJsonHash(const AtlasPage& page,
                   const std::vector<Sprite>& sprites,
                   const std::string& image,
                   const std::vector<std::string>& otherPages);
