#pragma once

#include <string>
#include <vector>

#include "recipe/Recipe.h"

// Writes a recipe that reads back as the description it was made from (in the canonical order of RecipeReader.h):
// what `pack --save-recipe` leaves, so that a long command line becomes a file. Flags are written `key = true`,
// numbers as whole numbers, texts and outputs as strings, lists as arrays of strings.

// The recipe's text; false with a problem when the description cannot be written as one: an unknown key, a flag with
// a value, a number that is no whole number, a text that is no UTF-8, or anything else the reader would not take back
// as it stands (the text is read back before it is given out).
bool recipeText(const Recipe& recipe, const std::vector<RecipeKey>& keys, std::string& text, std::string& problem);

// The same into a file (a program path), which appears whole or not at all.
bool saveRecipe(const std::string& path,
                const Recipe& recipe,
                const std::vector<RecipeKey>& keys,
                std::string& problem);
