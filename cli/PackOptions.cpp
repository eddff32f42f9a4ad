#include "cli/PackOptions.h"

#include <algorithm>

namespace {

using A = PackArguments;
using K = RecipeKeyKind;
using S = OptionSection;

// What --bleed takes as its value when it follows: a number or "all"; anything else (an image) is left to be an image.
bool bleedValue(const std::string& argument) {
    return argument == "all" || (!argument.empty() && std::all_of(argument.begin(), argument.end(),
                                                                  [](char c) { return c >= '0' && c <= '9'; }));
}

// The rows' three forms; a recipe holds the option under its name without the dashes.
PackOptionRow flag(const char* name, bool A::*field, S section, const char* help) {
    return {name, nullptr, nullptr, field, nullptr, name + 2, K::Flag, section, help};
}

PackOptionRow value(const char* name, const char* hint, std::string A::*field, K kind, S section, const char* help) {
    return {name, hint, field, nullptr, nullptr, name + 2, kind, section, help};
}

// One of the options --format, --template and --data, which a recipe holds as [[atlas.data]] tables.
PackOptionRow dataOption(const char* name, const char* hint, const char* help) {
    return {name, hint, nullptr, nullptr, &A::data, nullptr, K::List, S::Outputs, help};
}

PackOptionRow optionalValue(PackOptionRow row, const char* implicitValue, bool (*takesNext)(const std::string&)) {
    row.implicitValue = implicitValue;
    row.takesNext = takesNext;
    return row;
}

}  // namespace

const std::vector<PackOptionRow>& packOptionTable() {
    static const std::vector<PackOptionRow> rows = {
        value("--names", "path|id", &A::names, K::Text, S::Names,
              "frame names by path (the default), or the ID header's names as in version 1.0"),
        flag("--keep-extension", &A::keepExtension, S::Names, "keep the extension in frame names (hero/run_01.png)"),
        flag("--folder-prefix", &A::folderPrefix, S::Names,
             "put the folder's own name first (sprites/hero/run_01; a list's folder for its paths)"),
        flag("--animations", &A::animations, S::Names,
             "sprites whose names differ only in a trailing number (run_01, run-2, run10) make an animation named by "
             "the rest (hero/run), frames in numeric order"),
        value("--fps", "N", &A::fps, K::Number, S::Names,
              "the animations' frames per second in Godot's SpriteFrames (1 to 1000, default 12)"),
        value("--pivot", "X,Y", &A::pivot, K::Text, S::Names,
              "every sprite's pivot, 0 to 1 from the top left, as the JSON forms' pivot and anchor"),

        value("--size", "WxH|auto|tight", &A::size, K::Text, S::Layout,
              "area size: WxH, each side 1 to 16384 (default 256x256); auto: the smallest power-of-two area that "
              "holds every image, a square, else twice as wide; tight: the smallest area of any width and height the "
              "packer finds"),
        value("--max-size", "WxH", &A::maxSize, K::Text, S::Layout,
              "the largest area --size auto or tight may choose (default 4096x4096)"),
        flag("--square", &A::square, S::Layout, "every page square (a fixed --size must be square)"),
        value("--multiple-of", "N", &A::multipleOf, K::Number, S::Layout,
              "every page's width and height a multiple of N, 1 to 16384 (4 for block compression; with --size auto "
              "a power of two; a fixed --size must keep it)"),
        value("--spacing", "N", &A::spacing, K::Number, S::Layout,
              "pixels between images and along the edges (default 1, at most 16384; may be 0, or down to -16384 with "
              "the design packer on one fixed or power-of-two page)"),
        value("--sort", "edge|pixels", &A::sort, K::Text, S::Layout,
              "larger images first by longer side or by pixel count (default edge)"),
        value("--uv", "pixels|ratio", &A::uv, K::Text, S::Layout,
              "UV values in pixels or as 0.0-1.0 ratios (default pixels)"),
        flag("--reverse-h", &A::reverseH, S::Layout, "measure U from the right edge"),
        flag("--reverse-v", &A::reverseV, S::Layout, "measure V from the bottom edge"),
        value("--id-prefix", "TEXT", &A::idPrefix, K::Text, S::Layout, "prefix of the texture IDs (default IDT_)"),
        value("--extrude", "N", &A::extrude, K::Number, S::Layout,
              "repeat each image's edge pixels N times around it (0 to 256; needs --spacing of 2N or more); images "
              "then keep spacing - N from the edges, so that the repeated pixels keep spacing - 2N from the edges as "
              "from each other"),
        optionalValue(value("--bleed", "[N]", &A::bleed, K::Text, S::Layout,
                            "give each fully transparent pixel within N pixels (default 2; all: any distance) of a "
                            "sprite's visible pixels the colour of the nearest one, alpha staying 0, in the TGA and "
                            "PNG atlases: no dark fringe where they are filtered; a number or all after it is its "
                            "value"),
                      "2", bleedValue),
        flag("--premultiply", &A::premultiply, S::Layout,
             "colour x alpha / 255 in the TGA and PNG atlases (after bleeding, which it undoes)"),

        value("--packer", "design|maxrects|best", &A::packer, K::Text, S::Packing,
              "design (the default): the window program's automatic layout; maxrects: a maximal-rectangles packer; "
              "best: tries the design packer and every maxrects rule and order, keeps the fewest pages, then the "
              "least area"),
        value("--rule", "short-side|long-side|area|bottom-left|contact", &A::rule, K::Text, S::Packing,
              "how --packer maxrects picks among the free places (default short-side)"),
        flag("--trim", &A::trim, S::Packing,
             "cut each image's transparent edges (alpha 0, or at most --trim-threshold); nine-patches stay whole"),
        value("--trim-threshold", "N", &A::trimThreshold, K::Number, S::Packing,
              "the alpha up to which --trim cuts, 0 to 254 (default 0)"),
        flag("--rotate", &A::rotate, S::Packing,
             "let the packer turn images a quarter clockwise (the JSON says \"rotated\"); not with nine-patches"),
        flag("--alias", &A::alias, S::Packing, "store images with identical pixels once; every name keeps its entry"),
        flag("--pages", &A::pages, S::Packing,
             "put what does not fit on further pages; every output name then holds {n}, the page number"),
        flag("--keep-layout", &A::keepLayout, S::Packing,
             "start from the places of the previous pack, kept beside the outputs: sprites whose packed size did not "
             "change stay where they were, removed ones free their places, new and grown ones go into free space; a "
             "fresh pack when not all can be placed so, or the pages would grow beyond --keep-layout-slack"),
        value("--keep-layout-slack", "N", &A::keepLayoutSlack, K::Number, S::Packing,
              "how much more page area than a fresh pack a kept layout may take, in percent (0 to 1000, default 10)"),

        value("--bmp", "FILE", &A::bmp, K::Output, S::Outputs, "the atlas as a 24-bit BMP"),
        value("--tga", "FILE", &A::tga, K::Output, S::Outputs, "the atlas as a 32-bit TGA with alpha"),
        value("--png", "FILE", &A::png, K::Output, S::Outputs,
              "the atlas as a 32-bit RGBA PNG (at most 128 Mi pixels)"),
        value("--png-level", "fast|default|best", &A::pngLevel, K::Text, S::Outputs,
              "how hard the PNG is compressed (default: default, no larger than common libraries' default)"),
        value("--json", "FILE", &A::json, K::Output, S::Outputs,
              "the atlas as a JSON hash for game engines (Phaser, PixiJS, ...), naming the PNG, TGA or BMP"),
        dataOption("--format", "NAME",
                   "the atlas's data for an engine, written to the --data FILE that follows: json-hash, json-array, "
                   "phaser3, spine, libgdx, sparrow, godot or css (repeatable)"),
        dataOption("--template", "FILE",
                   "the data as your own mustache template fills it, written to the --data FILE that follows "
                   "(repeatable)"),
        dataOption("--data", "FILE", "the file of the --format or --template before it"),
        value("--escape", "json|xml|css|text", &A::escape, K::Text, S::Outputs,
              "how --template escapes its values (default: by the data file's extension)"),
        value("--ids", "FILE", &A::ids, K::Output, S::Outputs, "the texture-ID header"),
        value("--quv", "FILE", &A::quv, K::Output, S::Outputs, "the binary QUV list"),
        value("--uv-array", "FILE", &A::uvArray, K::Output, S::Outputs, "the C/C++ array UV_LIST"),
        value("--uv-defines", "FILE", &A::uvDefines, K::Output, S::Outputs, "the #define list"),
        value("--save", "PROJECT.qbp", &A::save, K::Output, S::Outputs,
              "the project; it also remembers the outputs above (but the #define list) as its usual places"),
        flag("--absolute-paths", &A::absolutePaths, S::Outputs,
             "store absolute image paths in the project (default: relative to the project file)"),
        {"--save-recipe", "FILE", &A::saveRecipe, nullptr, nullptr, nullptr, K::Output, S::Outputs,
         "also the recipe of this pack (quiltbox.toml): the inputs, the options and the outputs of this command line, "
         "paths relative to the recipe, for quiltbox-cli build"},

        flag("--allow-overflow", &A::allowOverflow, S::Other,
             "write even when some images find no place (parked outside the area, or with --pages left out)"),
        {"--quiet", nullptr, nullptr, &A::quiet, nullptr, nullptr, K::Flag, S::Other, "do not list the files written"},
        value("--threads", "N", &A::threads, K::Number, S::Other,
              "threads to work on (default 0: one per core); the outputs are the same for any number"),
        // Last in the table, so that a recipe holds them after the options that came before them; the help shows them
        // among the outputs.
        {"--variant", "SCALE[:NAME]", nullptr, nullptr, &A::variants, "variant", K::List, S::Outputs,
         "write the pack at this scale of the input images (above 0, at most 4: 0.5:@1x); with more than one, every "
         "output name holds {v}, the NAME (default: the scale), and the layout is made at the largest (repeatable)"},
        value("--scale-filter", "default|box|nearest", &A::scaleFilter, K::Text, S::Outputs,
              "how --variant resamples the images: default (Mitchell down, Catmull-Rom up), box, or nearest (pixel "
              "art)"),
    };
    return rows;
}

std::vector<Option> packOptions(PackArguments& arguments) {
    std::vector<Option> options;
    for (const PackOptionRow& row : packOptionTable()) {
        Option option{row.name, row.text ? &(arguments.*row.text) : nullptr,
                      row.flag ? &(arguments.*row.flag) : nullptr, row.sequence ? &(arguments.*row.sequence) : nullptr};
        option.implicitValue = row.implicitValue;
        option.takesNext = row.takesNext;
        options.push_back(option);
    }
    return options;
}

std::vector<RecipeKey> packRecipeKeys() {
    std::vector<RecipeKey> keys;
    for (const PackOptionRow& row : packOptionTable()) {
        if (row.recipeKey) keys.push_back({row.recipeKey, row.recipeKind});
    }
    return keys;
}
