#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "atlas/Sprite.h"

// A frame name that ends in a number, taken apart: `base` is the animation it belongs to (the name without the number
// and without one '_', '-' or '.' before it, and without a '/' left at its end, so that "hero/run_01", "hero/run-2",
// "hero/run10" and "hero/run/3" all belong to "hero/run"), `number` the number's value. False for a name that ends in
// no digit, whose number passes 2^31 - 1, or that leaves no base.
bool splitFrameNumber(const std::string& name, std::string& base, int32_t& number);

// Makes animations of the sprites whose names differ only in their number (splitFrameNumber): each set of two or more
// becomes an animation named by its base, each sprite a frame carrying the animation's name, its number and `fps`.
// A base that is some sprite's own name, or whose sprites share a number ("run_1" and "run_01"), makes no animation:
// an engine could not tell its frames apart. Other sprites are left as they are.
void findAnimations(std::vector<Sprite>& sprites, int32_t fps);
