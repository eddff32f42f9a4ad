#include "cli/RecipeSetup.h"

#include <algorithm>
#include <cstdlib>

#include "base/FileSystem.h"
#include "base/RelativePath.h"
#include "base/ShiftJis.h"
#include "base/TextEncoding.h"
#include "cli/CommandSupport.h"
#include "cli/Terminal.h"
#include "recipe/NamePattern.h"
#include "recipe/RecipePaths.h"
#include "recipe/RecipeWriter.h"

namespace {

const PackOptionRow* rowByKey(const std::string& key) {
    for (const PackOptionRow& row : packOptionTable()) {
        if (row.recipeKey && key == row.recipeKey) return &row;
    }
    return nullptr;
}

const PackOptionRow* rowByName(const std::string& name) {
    for (const PackOptionRow& row : packOptionTable()) {
        if (name == row.name) return &row;
    }
    return nullptr;
}

bool isDataOption(const std::string& name) {
    return name == "--format" || name == "--template" || name == "--data";
}

// A recipe's path joined to its folder, as an argument would give it.
bool pathArgument(const std::string& folder, const std::string& recipePath, std::string& argument, std::string& error) {
    std::string path;
    if (!programPathFromRecipe(folder, recipePath, path)) {
        error = "the path " + recipePath + " cannot be held in Shift-JIS";
        return false;
    }
    argument = argumentFromProgramText(path);
    return true;
}

bool textArgument(const std::string& utf8, std::string& argument, std::string& error) {
    if (argumentFromUtf8(utf8, argument)) return true;
    error = "the text " + utf8 + " cannot be given on this system's command line";
    return false;
}

// An input of the recipe: "@LIST", a pattern, or a file or folder.
bool inputArgument(const std::string& folder, const std::string& input, InputArgument& argument, std::string& error) {
    const bool list = input.size() > 1 && input[0] == '@';
    const std::string path = list ? input.substr(1) : input;
    if (list || !isNamePattern(path)) {
        argument.list = list;
        if (programPathFromRecipe(folder, path, argument.path)) return true;
        error = "the input " + input + " cannot be held in Shift-JIS";
        return false;
    }
    const std::string root = patternFolder(path);
    const std::string rest = root.empty() ? path : path.substr(root.size() + 1);
    if (!programPathFromRecipe(folder, root.empty() ? "." : root, argument.path) ||
        !utf8ToCp932(input, argument.pattern)) {
        error = "the input " + input + " cannot be held in Shift-JIS";
        return false;
    }
    argument.accepts = [rest](const std::string& pathInside) { return matchesNamePattern(rest, utf8Text(pathInside)); };
    return true;
}

// The name of the atlas a command line packs: its first output's name without the page number and the punctuation
// left before it ("out/ui-{n}.png": ui), else "atlas".
std::string atlasNameFor(const std::string& output) {
    std::string name = utf8Text(splitPath(output).title);
    for (size_t at; (at = name.find("{n}")) != std::string::npos;) name.erase(at, 3);
    while (!name.empty() && (name.back() == '-' || name.back() == '_' || name.back() == '.')) name.pop_back();
    return name.empty() ? "atlas" : name;
}

// A number as the recipe writes it ("02" and "+2" as 2); anything else stays as it is (the reader then refuses it).
std::string numberText(const std::string& text) {
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' ? std::to_string(value) : text;
}

}  // namespace

bool requestFromRecipe(const RecipeAtlas& atlas,
                       const std::string& folder,
                       const std::string& outFolder,
                       PackRequest& request,
                       std::string& error) {
    PackArguments& a = request.arguments;
    request.atlasName = atlas.name;
    for (const RecipeOption& option : atlas.options) {
        const PackOptionRow* row = rowByKey(option.key);
        if (!row) continue;  // the reader knows only the table's keys
        if (row->flag) a.*row->flag = true;
        for (const std::string& value : option.values) {
            std::string argument;
            if (!textArgument(value, argument, error)) return false;
            if (row->text) a.*row->text = argument;
            if (row->sequence) (a.*row->sequence).emplace_back(row->name, argument);
        }
    }
    for (const RecipeOutput& output : atlas.outputs) {
        const PackOptionRow* row = rowByKey(output.key);
        if (row && row->text && !pathArgument(outFolder, output.path, a.*row->text, error)) return false;
    }
    for (const RecipeData& data : atlas.data) {
        std::string value, file;
        if (!data.format.empty() ? !textArgument(data.format, value, error)
                                 : !pathArgument(folder, data.templatePath, value, error)) {
            return false;
        }
        if (!pathArgument(outFolder, data.file, file, error)) return false;
        a.data.emplace_back(data.format.empty() ? "--template" : "--format", value);
        a.data.emplace_back("--data", file);
    }
    for (const std::string& input : atlas.inputs) {
        InputArgument argument;
        if (!inputArgument(folder, input, argument, error)) return false;
        request.inputs.push_back(std::move(argument));
    }
    request.sprites = atlas.sprites;
    return true;
}

void overrideOptions(const PackArguments& overrides, const std::vector<std::string>& given, PackRequest& request) {
    PackArguments& a = request.arguments;
    if (std::any_of(given.begin(), given.end(), isDataOption)) a.data = overrides.data;
    for (const std::string& name : given) {
        const PackOptionRow* row = rowByName(name);
        if (!row || isDataOption(name)) continue;
        if (row->flag) a.*row->flag = overrides.*row->flag;
        if (row->text) a.*row->text = overrides.*row->text;
        if (row->sequence) a.*row->sequence = overrides.*row->sequence;
    }
}

bool recipeForRequest(const PackRequest& request,
                      const std::string& recipePath,
                      std::string& text,
                      std::string& problem) {
    const PackArguments& a = request.arguments;
    const std::string folder = recipeFolder(recipePath);
    // A path as the recipe names it, from an argument.
    const auto recipePathOf = [&](const std::string& argument) {
        std::string path;
        return fullPath(argument, path) ? recipePathFromProgram(folder, path) : std::string();
    };
    RecipeAtlas atlas;
    for (const InputArgument& input : request.inputs) {
        atlas.inputs.push_back((input.list ? "@" : "") + recipePathFromProgram(folder, input.path));
    }
    for (const PackOptionRow& row : packOptionTable()) {
        const bool given = std::find(request.given.begin(), request.given.end(), row.name) != request.given.end();
        if (!given || !row.recipeKey) continue;
        if (row.recipeKind == RecipeKeyKind::Output) {
            atlas.outputs.push_back({row.recipeKey, recipePathOf(a.*row.text)});
            if (atlas.name.empty()) atlas.name = atlasNameFor(a.*row.text);
            continue;
        }
        RecipeOption option{row.recipeKey, {}};
        std::vector<std::string> values;
        if (row.text) values.push_back(a.*row.text);
        if (row.sequence) {
            for (const auto& [name, value] : a.*row.sequence) {
                if (name == row.name) values.push_back(value);
            }
        }
        for (const std::string& value : values) {
            std::string utf8;
            if (!utf8FromArgument(value, utf8)) return problem = row.name + std::string(" holds no text"), false;
            option.values.push_back(row.recipeKind == RecipeKeyKind::Number ? numberText(utf8) : utf8);
        }
        if (!row.flag || a.*row.flag) atlas.options.push_back(std::move(option));
    }
    for (size_t i = 0; i + 1 < a.data.size(); i += 2) {
        const auto& [option, value] = a.data[i];
        RecipeData data;
        if (option == "--format" && !utf8FromArgument(value, data.format))
            return problem = "--format holds no text", false;
        if (option == "--template") data.templatePath = recipePathOf(value);
        data.file = recipePathOf(a.data[i + 1].second);
        atlas.data.push_back(std::move(data));
    }
    if (atlas.name.empty()) atlas.name = "atlas";
    atlas.sprites = request.sprites;
    Recipe recipe;
    recipe.atlases.push_back(std::move(atlas));
    return recipeText(recipe, packRecipeKeys(), text, problem);
}
