#pragma once

#include <string>
#include <vector>

#include "recipe/Recipe.h"

// The settings that apply to one frame: each setting from the most specific entry that matches the frame's name and
// gives it. An exact name is more specific than any pattern; of two patterns, the one with more bytes that are no
// wildcard ("hero/run_*" over "hero/*"), then the earlier in byte order.
SpriteSettings settingsForFrame(const std::vector<SpriteSettings>& entries, const std::string& frameName);

// The entries whose pattern matches none of the frame names, in their order: a setting that reaches no sprite.
std::vector<std::string> settingsMatchingNoFrame(const std::vector<SpriteSettings>& entries,
                                                 const std::vector<std::string>& frameNames);
