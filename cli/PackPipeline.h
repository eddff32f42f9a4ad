#pragma once

#include <string>
#include <vector>

#include "cli/PackOptions.h"
#include "inputs/InputFiles.h"
#include "recipe/Recipe.h"

// One pack, as `pack` and `build` both ask for it: the option texts, the inputs, and what only a recipe can give. The
// command line and a recipe's atlas each become one of these, and the same steps then run on it.
struct PackRequest {
    enum class Mode {
        Pack,         // pack, as `pack` does
        Build,        // pack unless the record beside the outputs shows nothing that matters changed, then record it
        ListOutputs,  // only read the options and tell the outputs
    };

    PackArguments arguments;
    std::vector<std::string> given;       // the options the command line gave, each once (for --save-recipe)
    std::vector<InputArgument> inputs;    // full program paths, in their order
    std::vector<SpriteSettings> sprites;  // settings by frame name or pattern (a recipe's)
    Mode mode = Mode::Pack;
    std::string atlasName;  // a recipe's atlas, for what a build says
};

// What a pack read and would write, for a watch and a build system: the files it read (images, lists, templates), the
// folders it took images from, and its outputs (full paths; a page's name with "{n}" as it stands).
struct PackReport {
    std::vector<std::string> read;
    std::vector<std::string> folders;
    std::vector<std::string> outputs;
    std::string stateFile;  // the record beside the outputs ("" when the pack keeps none)
};

// Runs the request: its options read, its inputs made sprites, packed and written all or none. Returns the exit status
// after telling on standard error what went wrong; `report` holds what was found up to there.
int runPackRequest(const PackRequest& request, PackReport& report);

// The inputs of `pack` (files, folders, @LIST files) as full program paths; an exit status other than 0 when a path
// cannot be held in Shift-JIS.
int packInputArguments(const std::vector<std::string>& inputs, std::vector<InputArgument>& arguments);
