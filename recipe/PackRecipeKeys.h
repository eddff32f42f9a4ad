#pragma once

#include <vector>

#include "recipe/Recipe.h"

// The keys of `pack`'s options as a recipe writes them, each under its long option's name without the dashes. The
// recipe reader and writer take their keys as an argument; this list stands for the command line's own table of
// options until that table gives the keys itself.
const std::vector<RecipeKey>& packRecipeKeys();
