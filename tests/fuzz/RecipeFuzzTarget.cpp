#include <algorithm>
#include <string_view>

#include "cli/PackOptions.h"
#include "fuzz/FuzzTargets.h"
#include "recipe/RecipeReader.h"
#include "recipe/RecipeWriter.h"

namespace {

// The pack's keys and, where they lack one, a repeatable option and a text given as an array, so that every way of
// reading a value is tried.
const std::vector<RecipeKey>& fuzzKeys() {
    static const std::vector<RecipeKey> keys = [] {
        std::vector<RecipeKey> k = packRecipeKeys();
        for (const RecipeKey& extra :
             {RecipeKey{"variant", RecipeKeyKind::List}, RecipeKey{"pivot", RecipeKeyKind::Text}}) {
            const bool known =
                std::any_of(k.begin(), k.end(), [&](const RecipeKey& key) { return key.name == extra.name; });
            if (!known) k.push_back(extra);
        }
        return k;
    }();
    return keys;
}

void require(std::string& broken, bool holds, const char* what) {
    if (!holds && broken.empty()) broken = what;
}

}  // namespace

// A refusal names at least one problem and no more than the limit, each at a line of the text; a recipe taken is
// written again, and what is written is taken and reads back as the same description.
FuzzOutcome fuzzRecipe(const uint8_t* data, size_t size) {
    FuzzOutcome outcome;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Recipe recipe;
    std::vector<RecipeProblem> problems;
    outcome.accepted = readRecipe(text, fuzzKeys(), recipe, problems);
    if (!outcome.accepted) {
        bool placed = true;
        for (const RecipeProblem& p : problems) {
            placed = placed && !p.text.empty() && p.line <= size + 1 && (p.line == 0) == (p.column == 0);
        }
        require(outcome.broken, !problems.empty() && problems.size() <= kMaxRecipeProblems && placed,
                "a refused recipe names no problem, too many, or one at no line of the text");
        return outcome;
    }
    require(outcome.broken, problems.empty(), "a recipe taken with problems");
    std::string written, problem;
    Recipe again;
    require(outcome.broken, recipeText(recipe, fuzzKeys(), written, problem), "a recipe taken cannot be written");
    require(outcome.broken, readRecipe(written, fuzzKeys(), again, problems) && again == recipe,
            "a written recipe does not read back as the description it was written from");
    return outcome;
}
