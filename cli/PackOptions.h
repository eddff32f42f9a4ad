#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cli/Options.h"
#include "recipe/Recipe.h"

// The options of `pack`, described once: the command line is parsed, a recipe's keys are read and written, and the help
// is printed from the one table below, so that an option is added in one place.

// The option texts as given (in the arguments' encoding: UTF-8 on Linux, the ANSI code page on Windows), each field
// holding its option's default until the option is given.
struct PackArguments {
    std::string size = "256x256", maxSize, spacing = "1", sort = "edge", uv = "pixels", idPrefix = "IDT_",
                extrude = "0", trimThreshold, packer = "design", rule, threads = "0", names = "path", fps, pivot,
                multipleOf = "1", bleed, pngLevel = "default", keepLayoutSlack = "10", scaleFilter = "default";
    std::string bmp, tga, png, json, quv, uvArray, uvDefines, ids, save, escape, saveRecipe;
    std::vector<std::pair<std::string, std::string>> data;      // --format, --template and --data in their order
    std::vector<std::pair<std::string, std::string>> variants;  // each --variant
    bool reverseH = false, reverseV = false, absolutePaths = false, quiet = false, allowOverflow = false,
         premultiply = false, trim = false, rotate = false, alias = false, pages = false, keepExtension = false,
         folderPrefix = false, animations = false, square = false, keepLayout = false;
};

// Where an option stands in the help.
enum class OptionSection { Names, Layout, Packing, Outputs, Other };

// One option: its name, the value it takes (a flag, a value, a value that may be left out, or a value each time it is
// given, all the repeatable options sharing one sequence in argument order), the field it sets, its key in a recipe
// (the name without its dashes; none for the options a recipe holds otherwise, such as its [[atlas.data]] tables) with
// the kind of value the key takes there, and its place and line in the help.
struct PackOptionRow {
    const char* name;
    const char* valueHint;  // as the help shows the value ("WxH"); nullptr for a flag
    std::string PackArguments::*text;
    bool PackArguments::*flag;
    std::vector<std::pair<std::string, std::string>> PackArguments::*sequence;
    const char* recipeKey;  // nullptr: not in recipes
    RecipeKeyKind recipeKind;
    OptionSection section;
    const char* help;
    // A value that may be left out ("--bleed", "--bleed 4"): taken from the next argument only when takesNext accepts
    // it, else implicitValue.
    const char* implicitValue = nullptr;
    bool (*takesNext)(const std::string& argument) = nullptr;
};

const std::vector<PackOptionRow>& packOptionTable();

// The table's options bound to the fields of `arguments`, for parseOptions.
std::vector<Option> packOptions(PackArguments& arguments);

// The keys a recipe's [[atlas]] table takes for the options, in the table's order.
std::vector<RecipeKey> packRecipeKeys();
