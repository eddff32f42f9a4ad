#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "recipe/Recipe.h"

// Reads a recipe: a TOML file of one or more [[atlas]] tables.
//
//   [[atlas]]
//   name = "ui"
//   inputs = ["sprites/ui", "@lists/hud.txt", "icons/*.png"]
//   size = "tight"
//   spacing = 2
//   trim = true
//   png = "out/ui-{n}.png"
//   json = "out/ui-{n}.json"
//
//   [[atlas.data]]
//   format = "spine"          # or template = "mine.mustache"
//   file = "out/ui.atlas"
//
//   [atlas.sprites."hero/*"]
//   pivot = [0.5, 1.0]
//   nine-slice = [4, 4, 4, 4]
//
// Every other key of an atlas is one of the keys it is given, read as its kind says (Recipe.h). The file is hostile:
// a syntax error, an unknown key (named with the nearest known one), a value of the wrong type or out of range, a
// sprite pattern that no frame name can match, an empty or oversized file each give a problem with its place, and
// nothing is taken from a recipe with any problem.

// One thing wrong with a recipe, at a line and column counted from 1 (line 0: the file as a whole).
struct RecipeProblem {
    uint32_t line = 0;
    uint32_t column = 0;
    std::string text;

    // "FILE:LINE:COLUMN: TEXT", or "FILE: TEXT" for the whole file.
    std::string describe(const std::string& source) const;
};

// The most problems one reading reports; the rest would only repeat the first ones' cause.
constexpr size_t kMaxRecipeProblems = 20;
// The largest recipe read: far more than any game's atlases need.
constexpr uint64_t kMaxRecipeBytes = uint64_t{1} << 20;

// Reads a recipe's text (UTF-8). True when it was understood, and then `recipe` holds it in the canonical order
// (putInCanonicalOrder); false with at least one problem otherwise, `recipe` then left as it was.
bool readRecipe(std::string_view text,
                const std::vector<RecipeKey>& keys,
                Recipe& recipe,
                std::vector<RecipeProblem>& problems);

// The same from a file, by program path; a file that cannot be read is a problem of line 0.
bool loadRecipe(const std::string& path,
                const std::vector<RecipeKey>& keys,
                Recipe& recipe,
                std::vector<RecipeProblem>& problems);

// Options and outputs in the order of the keys, sprite settings in the byte order of their patterns; inputs and data
// files keep the recipe's order, which is the pack's.
void putInCanonicalOrder(RecipeAtlas& atlas, const std::vector<RecipeKey>& keys);
