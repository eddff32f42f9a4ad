#pragma once

#include <string>
#include <vector>

#include "cli/PackPipeline.h"
#include "recipe/Recipe.h"

// A recipe's atlas as the pack request a command line would make, and a command line's request as a recipe: the two
// directions between the option table's recipe keys and its options.

// The request for one atlas of a recipe: every option under its key, given as its option would be; the inputs, the
// templates and the outputs joined to their folders (`folder`, the recipe's, and `outFolder` for the outputs, each a
// full program path ending in a separator); a pattern becomes the folder before its first wildcard with the files
// under it that the rest matches; the sprite settings as they stand. False with `error` when a text cannot be held by
// the arguments' or the program's encoding.
bool requestFromRecipe(const RecipeAtlas& atlas,
                       const std::string& folder,
                       const std::string& outFolder,
                       PackRequest& request,
                       std::string& error);

// Takes the options the command line gave (`given`, from `overrides`) over the request's: each given option replaces
// the recipe's value, and any of --format, --template and --data given replaces the recipe's data files.
void overrideOptions(const PackArguments& overrides, const std::vector<std::string>& given, PackRequest& request);

// The recipe that packs as the request does, as the file at `recipePath` (a full program path) holds it: the options
// the command line gave, under their keys, and every path relative to the recipe's folder. False with `problem` when
// the request cannot be written as a recipe.
bool recipeForRequest(const PackRequest& request,
                      const std::string& recipePath,
                      std::string& text,
                      std::string& problem);
