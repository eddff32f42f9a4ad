#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// What a recipe describes, independent of the file it came from: for each atlas its name, its inputs, its options as
// a command line would give them, its outputs and its per-sprite settings. Every text is UTF-8, as the recipe holds
// it; every path is as the recipe writes it, relative to the recipe's folder unless absolute.

// How a recipe key's value reads, and what it stands for on a command line.
// - Flag: true or false; true is the option given, false the option left out.
// - Text: a string, or a number, or an array of them joined by commas (pivot = [0.5, 1.0] is "0.5,1").
// - Number: a whole number (an integer of TOML) within 32 bits.
// - List: a string or an array of them, each one occurrence of a repeatable option.
// - Output: a string naming a file the pack writes.
enum class RecipeKeyKind { Flag, Text, Number, List, Output };

struct RecipeKey {
    std::string name;  // the command line's long option without its dashes
    RecipeKeyKind kind;
};

// One option as a command line would carry it: a flag has no value, a text or number has one, a list one value per
// occurrence.
struct RecipeOption {
    std::string key;
    std::vector<std::string> values;

    friend bool operator==(const RecipeOption& a, const RecipeOption& b) {
        return a.key == b.key && a.values == b.values;
    }
};

struct RecipeOutput {
    std::string key;
    std::string path;

    friend bool operator==(const RecipeOutput& a, const RecipeOutput& b) { return a.key == b.key && a.path == b.path; }
};

// A data file of a built-in format or of the user's template (exactly one of the two is set).
struct RecipeData {
    std::string format;
    std::string templatePath;
    std::string file;

    friend bool operator==(const RecipeData& a, const RecipeData& b) {
        return a.format == b.format && a.templatePath == b.templatePath && a.file == b.file;
    }
};

// Settings for the sprites whose frame name matches `pattern` (NamePattern.h).
struct SpriteSettings {
    std::string pattern;
    bool hasPivot = false;
    std::array<double, 2> pivot{};  // x and y from 0 to 1, from the top left
    bool hasNineSlice = false;
    std::array<int32_t, 4> nineSlice{};  // left, top, right, bottom borders in pixels

    // Values that are not set do not count.
    friend bool operator==(const SpriteSettings& a, const SpriteSettings& b) {
        return a.pattern == b.pattern && a.hasPivot == b.hasPivot && (!a.hasPivot || a.pivot == b.pivot) &&
               a.hasNineSlice == b.hasNineSlice && (!a.hasNineSlice || a.nineSlice == b.nineSlice);
    }
};

struct RecipeAtlas {
    std::string name;
    std::vector<std::string> inputs;  // folders, files, "@LIST" files and patterns, in the recipe's order
    std::vector<RecipeOption> options;
    std::vector<RecipeOutput> outputs;
    std::vector<RecipeData> data;
    std::vector<SpriteSettings> sprites;

    friend bool operator==(const RecipeAtlas& a, const RecipeAtlas& b) {
        return a.name == b.name && a.inputs == b.inputs && a.options == b.options && a.outputs == b.outputs &&
               a.data == b.data && a.sprites == b.sprites;
    }
};

struct Recipe {
    std::vector<RecipeAtlas> atlases;

    friend bool operator==(const Recipe& a, const Recipe& b) { return a.atlases == b.atlases; }
};
