#include "recipe/RecipeWriter.h"

#include <cstdlib>
#include <limits>

#include "base/SafeFileWriter.h"
#include "recipe/RecipeReader.h"
#include "recipe/RecipeText.h"

namespace {

const RecipeKey* findKey(const std::vector<RecipeKey>& keys, const std::string& name) {
    for (const RecipeKey& key : keys) {
        if (key.name == name) return &key;
    }
    return nullptr;
}

// A whole number within 32 bits in plain decimal, as the reader gives them.
bool wholeNumber(const std::string& text) {
    if (text.empty() || text.size() > 11) return false;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    return *end == '\0' && v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max() &&
           std::to_string(v) == text;
}

std::string stringArray(const std::vector<std::string>& values) {
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i) out += (i ? ", " : "") + tomlString(values[i]);
    return out + "]";
}

bool optionLine(const RecipeOption& option, const RecipeKey& key, std::string& line, std::string& problem) {
    const std::string name = tomlKey(option.key);
    switch (key.kind) {
        case RecipeKeyKind::Flag:
            if (!option.values.empty()) return problem = option.key + " is a flag and takes no value", false;
            line = name + " = true";
            return true;
        case RecipeKeyKind::Number:
            if (option.values.size() != 1 || !wholeNumber(option.values[0])) {
                return problem = option.key + " takes one whole number", false;
            }
            line = name + " = " + option.values[0];
            return true;
        case RecipeKeyKind::Text:
            if (option.values.size() != 1) return problem = option.key + " takes one value", false;
            line = name + " = " + tomlString(option.values[0]);
            return true;
        case RecipeKeyKind::List:
            if (option.values.empty()) return problem = option.key + " has no value", false;
            line = name + " = " + stringArray(option.values);
            return true;
        case RecipeKeyKind::Output:
            break;
    }
    return problem = option.key + " is an output, not an option", false;
}

bool atlasText(const RecipeAtlas& atlas, const std::vector<RecipeKey>& keys, std::string& out, std::string& problem) {
    out += "[[atlas]]\nname = " + tomlString(atlas.name) + "\ninputs = " + stringArray(atlas.inputs) + "\n";
    for (const RecipeOption& option : atlas.options) {
        const RecipeKey* key = findKey(keys, option.key);
        std::string line;
        if (!key) return problem = "no option is called " + option.key, false;
        if (!optionLine(option, *key, line, problem)) return false;
        out += line + "\n";
    }
    for (const RecipeOutput& output : atlas.outputs) {
        const RecipeKey* key = findKey(keys, output.key);
        if (!key || key->kind != RecipeKeyKind::Output) return problem = "no output is called " + output.key, false;
        out += tomlKey(output.key) + " = " + tomlString(output.path) + "\n";
    }
    for (const RecipeData& data : atlas.data) {
        out += "\n[[atlas.data]]\n";
        if (!data.format.empty()) out += "format = " + tomlString(data.format) + "\n";
        if (!data.templatePath.empty()) out += "template = " + tomlString(data.templatePath) + "\n";
        out += "file = " + tomlString(data.file) + "\n";
    }
    for (const SpriteSettings& sprite : atlas.sprites) {
        out += "\n[atlas.sprites." + tomlString(sprite.pattern) + "]\n";
        if (sprite.hasPivot)
            out += "pivot = [" + tomlFloat(sprite.pivot[0]) + ", " + tomlFloat(sprite.pivot[1]) + "]\n";
        if (sprite.hasNineSlice) {
            const auto& b = sprite.nineSlice;
            out += "nine-slice = [" + std::to_string(b[0]) + ", " + std::to_string(b[1]) + ", " + std::to_string(b[2]) +
                   ", " + std::to_string(b[3]) + "]\n";
        }
    }
    return true;
}

bool allUtf8(const RecipeAtlas& atlas) {
    std::vector<const std::string*> texts = {&atlas.name};
    for (const std::string& input : atlas.inputs) texts.push_back(&input);
    for (const RecipeOption& option : atlas.options) {
        for (const std::string& value : option.values) texts.push_back(&value);
    }
    for (const RecipeOutput& output : atlas.outputs) texts.push_back(&output.path);
    for (const RecipeData& data : atlas.data) texts.insert(texts.end(), {&data.format, &data.templatePath, &data.file});
    for (const SpriteSettings& sprite : atlas.sprites) texts.push_back(&sprite.pattern);
    for (const std::string* text : texts) {
        if (!isUtf8(*text)) return false;
    }
    return true;
}

}  // namespace

bool recipeText(const Recipe& recipe, const std::vector<RecipeKey>& keys, std::string& text, std::string& problem) {
    std::string out = "# Quiltbox recipe: `quiltbox-cli build` packs every [[atlas]] below.\n";
    Recipe canonical = recipe;
    for (RecipeAtlas& atlas : canonical.atlases) {
        if (!allUtf8(atlas)) return problem = "atlas '" + atlas.name + "' holds text that is no UTF-8", false;
        putInCanonicalOrder(atlas, keys);
        out += "\n";
        if (!atlasText(atlas, keys, out, problem)) return false;
    }
    // What the reader would not take back as it stands (an empty name, a pattern naming no frame, a pivot beyond 1,
    // two atlases of one name) is refused here with the reader's own words.
    Recipe again;
    std::vector<RecipeProblem> problems;
    if (!readRecipe(out, keys, again, problems)) return problem = problems.front().describe("the recipe"), false;
    if (!(again == canonical)) return problem = "the recipe would not read back as it was given", false;
    text = std::move(out);
    return true;
}

bool saveRecipe(const std::string& path,
                const Recipe& recipe,
                const std::vector<RecipeKey>& keys,
                std::string& problem) {
    std::string text;
    if (!recipeText(recipe, keys, text, problem)) return false;
    if (!writeFileSafely(path, text)) return problem = "cannot write the recipe", false;
    return true;
}
