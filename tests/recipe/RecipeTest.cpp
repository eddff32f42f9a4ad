#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "base/FileSystem.h"
#include "cli/PackOptions.h"
#include "recipe/NamePattern.h"
#include "recipe/NearestName.h"
#include "recipe/RecipePaths.h"
#include "recipe/RecipeReader.h"
#include "recipe/RecipeWriter.h"
#include "recipe/SpriteSettingsLookup.h"
#include "support/TestSupport.h"

namespace {

// The pack's keys and, where they lack one, a repeatable option and a text given as an array.
const std::vector<RecipeKey>& keys() {
    static const std::vector<RecipeKey> all = [] {
        std::vector<RecipeKey> k = packRecipeKeys();
        for (const RecipeKey& extra :
             {RecipeKey{"variant", RecipeKeyKind::List}, RecipeKey{"pivot", RecipeKeyKind::Text}}) {
            const bool known =
                std::any_of(k.begin(), k.end(), [&](const RecipeKey& key) { return key.name == extra.name; });
            if (!known) k.push_back(extra);
        }
        return k;
    }();
    return all;
}

std::vector<RecipeProblem> problemsOf(const std::string& text) {
    Recipe recipe;
    std::vector<RecipeProblem> problems;
    EXPECT_FALSE(readRecipe(text, keys(), recipe, problems)) << text;
    EXPECT_TRUE(recipe.atlases.empty());
    return problems;
}

TEST(RecipeReader, ReadsEveryKindOfSettingOfTwoAtlases) {
    const std::string text =
        u8R"(# the game's atlases
[[atlas]]
name = "ui"
inputs = ["sprites/ui", "@lists/hud.txt", "icons/*.png"]
trim = true
rotate = false
spacing = 2
size = "tight"
pivot = [0.5, 1.0]
variant = ["1:@2x", "0.5:@1x"]
png = "out/ui-{n}.png"
json = "out/ui-{n}.json"

[[atlas.data]]
format = "spine"
file = "out/ui.atlas"

[[atlas.data]]
template = "lua.mustache"
file = "out/ui.lua"

[atlas.sprites."hero/*"]
pivot = [0.5, 1]

[atlas.sprites."hero/run_01"]
nine-slice = [1, 2, 3, 4]

[[atlas]]
name = "日本"
inputs = "tiles"
variant = 2
threads = -2147483648
tga = "タイル.tga"
)";
    Recipe recipe;
    std::vector<RecipeProblem> problems;
    ASSERT_TRUE(readRecipe(text, keys(), recipe, problems)) << problems.front().describe("r");
    ASSERT_EQ(recipe.atlases.size(), 2u);
    const RecipeAtlas& ui = recipe.atlases[0];
    EXPECT_EQ(ui.name, "ui");
    EXPECT_EQ(ui.inputs, (std::vector<std::string>{"sprites/ui", "@lists/hud.txt", "icons/*.png"}));
    // In the keys' order; a false flag is an option left out.
    EXPECT_EQ(ui.options, (std::vector<RecipeOption>{{"pivot", {"0.5,1"}},
                                                     {"size", {"tight"}},
                                                     {"spacing", {"2"}},
                                                     {"trim", {}},
                                                     {"variant", {"1:@2x", "0.5:@1x"}}}));
    EXPECT_EQ(ui.outputs, (std::vector<RecipeOutput>{{"png", "out/ui-{n}.png"}, {"json", "out/ui-{n}.json"}}));
    EXPECT_EQ(ui.data, (std::vector<RecipeData>{{"spine", "", "out/ui.atlas"}, {"", "lua.mustache", "out/ui.lua"}}));
    ASSERT_EQ(ui.sprites.size(), 2u);
    EXPECT_EQ(ui.sprites[0].pattern, "hero/*");
    EXPECT_TRUE(ui.sprites[0].hasPivot && !ui.sprites[0].hasNineSlice);
    EXPECT_EQ(ui.sprites[0].pivot, (std::array<double, 2>{0.5, 1.0}));
    EXPECT_EQ(ui.sprites[1].nineSlice, (std::array<int32_t, 4>{1, 2, 3, 4}));
    const RecipeAtlas& tiles = recipe.atlases[1];
    EXPECT_EQ(tiles.name, u8"日本");
    EXPECT_EQ(tiles.inputs, std::vector<std::string>{"tiles"});
    EXPECT_EQ(tiles.options, (std::vector<RecipeOption>{{"threads", {"-2147483648"}}, {"variant", {"2"}}}));
    EXPECT_EQ(tiles.outputs, (std::vector<RecipeOutput>{{"tga", u8"タイル.tga"}}));
}

// A dotted key of n + 1 levels.
std::string deep(int n) {
    std::string key = "a";
    for (int i = 0; i < n; ++i) key += ".a";
    return key;
}

TEST(RecipeReader, RefusesHostileRecipesWithThePlaceAndTheReason) {
    const std::string atlas = "[[atlas]]\nname = \"ui\"\ninputs = [\"a\"]\n";
    const struct {
        std::string text;
        uint32_t line, column;
        std::string says;
    } cases[] = {
        {"", 0, 0, "is empty"},
        {" \n\t\r\n", 0, 0, "is empty"},
        {"# nothing but a comment\n", 0, 0, "holds no [[atlas]] table"},
        {atlas + "inputs = [\"b\"\n", 4, 10, "cannot redefine existing array 'inputs'"},
        {"[[atlas]]\nname = \"ui\nx", 2, 11, "unescaped control characters"},
        {"[[[", 1, 3, "expected bare key"},  // toml++ asserts here unless its assertions are off
        {"a = \"\xff\"\n", 1, 5, "invalid utf-8"},
        {atlas + "spaceing = 2\n", 4, 1, "unknown key 'spaceing' (did you mean 'spacing'?)"},
        {atlas + "[atlas.data]\n", 4, 1, "data takes [[atlas.data]] tables"},
        {"[[atlass]]\nname = \"x\"\n", 1, 3, "unknown key 'atlass' (did you mean 'atlas'?)"},
        {"atlas = 3\n", 1, 9, "atlas takes [[atlas]] tables, not a whole number"},
        {atlas + "trim = \"yes\"\n", 4, 8, "trim takes true or false, not text"},
        {atlas + "spacing = 2.5\n", 4, 11, "spacing takes a whole number, not 2.5"},
        {atlas + "spacing = \"2\"\n", 4, 11, "spacing takes a whole number, not text"},
        {atlas + "spacing = 99999999999\n", 4, 11, "spacing = 99999999999 is out of range"},
        {atlas + "spacing = -2147483649\n", 4, 11, "is out of range"},
        {atlas + "spacing = 99999999999999999999\n", 4, 31,
         "not representable in 64 bits"},  // beyond TOML's 64 bits: toml++ says it
        {atlas + "size = true\n", 4, 8, "size takes text or numbers, not true or false"},
        {atlas + "size = nan\n", 4, 8, "size takes finite numbers"},
        {atlas + "variant = [\"a\", [1]]\n", 4, 17, "variant takes text or numbers, not an array"},
        {atlas + "png = \"\"\n", 4, 7, "png is empty"},
        {atlas + "png = \"a\\u0000b\"\n", 4, 7, "png holds a NUL character"},
        {atlas + "[atlas.sprites.\"../hero/*\"]\npivot = [0, 0]\n", 4, 16, "names no sprite"},
        {atlas + "[atlas.sprites.\"/hero\"]\n", 4, 16, "never an absolute path"},
        {atlas + "[atlas.sprites.\"C:/hero\"]\n", 4, 16, "never an absolute path"},
        {atlas + "[atlas.sprites.'hero\\run']\n", 4, 16, "separate folders with '/'"},
        {atlas + "[atlas.sprites.\"hero//run\"]\n", 4, 16, "empty folder level"},
        {atlas + "[atlas.sprites.\"a/./b\"]\n", 4, 16, "without '.' or '..'"},
        {atlas + "[atlas.sprites.hero]\npivot = [0.5, 1.5]\n", 5, 15, "pivot takes numbers from 0 to 1"},
        {atlas + "[atlas.sprites.hero]\npivot = [0.5]\n", 5, 9, "pivot takes [x, y]"},
        {atlas + "[atlas.sprites.hero]\npivot = [0.5, \"1\"]\n", 5, 15, "pivot takes numbers, not text"},
        {atlas + "[atlas.sprites.hero]\nnine-slice = [1, 2, 3]\n", 5, 14, "four whole numbers"},
        {atlas + "[atlas.sprites.hero]\nnine-slice = [1, 2, -3, 4]\n", 5, 21, "from 0 to 16384"},
        {atlas + "[atlas.sprites.hero]\nnine-slice = [1, 2, 3.5, 4]\n", 5, 21, "whole numbers, not a number with"},
        {atlas + "[atlas.sprites.hero]\npivto = [0, 0]\n", 5, 1, "unknown key 'pivto' (did you mean 'pivot'?)"},
        {atlas + "sprites = 1\n", 4, 11, "sprites takes tables of sprite settings"},
        {atlas + "sprites.hero = 1\n", 4, 16, "takes a table of settings, not a whole number"},
        {atlas + "[[atlas.data]]\nformat = \"spine\"\ntemplate = \"t\"\nfile = \"f\"\n", 4, 1,
         "either format or template"},
        {atlas + "[[atlas.data]]\nformat = \"spine\"\n", 4, 1, "needs a file"},
        {atlas + "[[atlas.data]]\nformat = \"spine\"\nfiles = \"f\"\n", 6, 1, "(did you mean 'file'?)"},
        {"[[atlas]]\ninputs = [\"a\"]\n", 1, 1, "needs a name"},
        {"[[atlas]]\nname = \"ui\"\n", 1, 1, "atlas 'ui' has no inputs"},
        {atlas + "[[atlas]]\nname = \"ui\"\ninputs = \"b\"\n", 5, 8, "two atlases are named 'ui'"},
        {"[[atlas]]\nname = \"\"\ninputs = \"a\"\n", 2, 8, "name is empty"},
        {"[[atlas]]\nname = \"a\\tb\"\ninputs = \"a\"\n", 2, 8, "control character"},
        {"[[atlas]]\nname = \"ui\"\ninputs = []\n", 3, 10, "inputs is empty"},
        {"[[atlas]]\nname = \"ui\"\ninputs = [\"@\"]\n", 3, 11, "names no list file"},
        {"[[atlas]]\nname = \"ui\"\ninputs = [1]\n", 3, 11, "an input takes text, not a whole number"},
        {"[[atlas]]\nname = \"ui\"\ninputs = \"a\"\nx" + std::string(600, '.') + "y = 1\n", 4, 1, "nests more than"},
        {"\n[" + std::string(600, '[') + "\n", 2, 1, "nests more than"},
        {"[" + deep(300) + "]\n\n" + deep(300) + " = 1\n", 3, 1, "nests more than"},
        {"a = \"\"\"x\\\n\"\"\"\n" + deep(600) + " = 1\n", 3, 1, "nests more than"},
    };
    for (const auto& c : cases) {
        const std::vector<RecipeProblem> problems = problemsOf(c.text);
        ASSERT_FALSE(problems.empty()) << c.text;
        const RecipeProblem& first = problems.front();
        EXPECT_NE(first.text.find(c.says), std::string::npos) << c.text << "\n  said: " << first.text;
        EXPECT_EQ(first.line, c.line) << c.text << "\n  said: " << first.text;
        EXPECT_EQ(first.column, c.column) << c.text << "\n  said: " << first.text;
    }
}

// Letters from U+00A1 to U+0499 where toml++ tests for blanks once reached its "unreachable" (found by the fuzzer).
TEST(RecipeReader, TakesLettersOfEveryScriptWhereBlanksMayStand) {
    const std::string text =
        u8"[[atlas]]\nname = \"caf\u00e9\"\ninputs = [\"\"\"a\\\n  \u00e9\"\"\"]\n"
        u8"[atlas.sprites.\"\u03a9/\u0436\"]\npivot = [0, 0]\n";
    Recipe recipe;
    std::vector<RecipeProblem> problems;
    ASSERT_TRUE(readRecipe(text, keys(), recipe, problems)) << problems.front().text;
    EXPECT_EQ(recipe.atlases.at(0).inputs.at(0), u8"a\u00e9");
    EXPECT_EQ(recipe.atlases.at(0).sprites.at(0).pattern, u8"\u03a9/\u0436");
    EXPECT_FALSE(readRecipe("\xcc\x9f,[[atlas.data]][", keys(), recipe, problems));
    EXPECT_FALSE(
        readRecipe(u8"[[atlas]]\nname = \"a\"\ninputs = \"b\"\nspacing = 1 \u00e9\n", keys(), recipe, problems));
    EXPECT_EQ(problems.at(0).line, 4u);
}

TEST(RecipeReader, ReportsEveryProblemUpToTheLimitWithFileLineAndColumn) {
    std::string text = "[[atlas]]\nname = \"ui\"\ninputs = \"a\"\n";
    for (int i = 0; i < 30; ++i) text += "unknown" + std::to_string(i) + " = 1\n";
    const std::vector<RecipeProblem> problems = problemsOf(text);
    EXPECT_EQ(problems.size(), kMaxRecipeProblems);
    EXPECT_EQ(
        problems.front().describe("game/quiltbox.toml").rfind("game/quiltbox.toml:4:1: unknown key 'unknown0'", 0), 0u);
    EXPECT_EQ((RecipeProblem{0, 0, "is empty"}.describe("q.toml")), "q.toml: is empty");
}

TEST(RecipeReader, LoadsFromAFileAndRefusesWhatCannotBeRead) {
    TempDir dir;
    Recipe recipe;
    std::vector<RecipeProblem> problems;
    writeBytes(dir.file("quiltbox.toml"), std::string("[[atlas]]\nname = \"a\"\ninputs = \"s\"\n"));
    ASSERT_TRUE(loadRecipe(dir.file("quiltbox.toml"), keys(), recipe, problems));
    EXPECT_EQ(recipe.atlases.at(0).inputs, std::vector<std::string>{"s"});
    EXPECT_FALSE(loadRecipe(dir.file("missing.toml"), keys(), recipe, problems));
    EXPECT_EQ(problems.at(0).text, "cannot be read");
    writeBytes(dir.file("big.toml"), std::string(kMaxRecipeBytes + 1, '#'));
    EXPECT_FALSE(loadRecipe(dir.file("big.toml"), keys(), recipe, problems));
    EXPECT_NE(problems.at(0).text.find("larger than 1 MiB"), std::string::npos);
    EXPECT_EQ(recipe.atlases.at(0).name, "a");  // left as it was
}

// Random descriptions of every shape: each written recipe reads back as the description, in the canonical order.
TEST(RecipeWriter, RandomDescriptionsSurviveTheRoundTrip) {
    std::mt19937 random(7);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::vector<std::string> words = {"a",   "hero/run_01", u8"日本語", "sp ace", "q\"uote", "back\\slash",
                                            "x.y", "{n}",         "\x7f",     "tab\t",  "@list",   "line\nbreak\x01"};
    const auto word = [&] { return words[static_cast<size_t>(pick(static_cast<int>(words.size())))]; };
    for (int round = 0; round < 300; ++round) {
        Recipe recipe;
        for (int a = 0, count = 1 + pick(3); a < count; ++a) {
            RecipeAtlas atlas;
            atlas.name = "atlas" + std::to_string(a) + words[static_cast<size_t>(pick(8))];  // no control character
            for (int i = 0, n = 1 + pick(3); i < n; ++i) atlas.inputs.push_back(word());
            for (const RecipeKey& key : keys()) {
                if (pick(4) != 0) continue;
                switch (key.kind) {
                    case RecipeKeyKind::Flag:
                        atlas.options.push_back({key.name, {}});
                        break;
                    case RecipeKeyKind::Number:
                        atlas.options.push_back({key.name, {std::to_string(static_cast<int32_t>(random()))}});
                        break;
                    case RecipeKeyKind::Text:
                        atlas.options.push_back({key.name, {word()}});
                        break;
                    case RecipeKeyKind::List:
                        atlas.options.push_back({key.name, {word(), word()}});
                        break;
                    case RecipeKeyKind::Output:
                        atlas.outputs.push_back({key.name, "out/" + word()});
                        break;
                }
            }
            if (pick(2)) atlas.data.push_back({"json-array", "", word()});
            if (pick(2)) atlas.data.push_back({"", word(), word()});
            for (int i = 0, n = pick(3); i < n; ++i) {
                SpriteSettings s{"s" + std::to_string(i) + "/*" + words[static_cast<size_t>(pick(5))],
                                 pick(2) == 0,
                                 {},
                                 pick(2) == 0,
                                 {}};
                s.pivot = {(random() % 1000) / 999.0, 1.0 / (1 + pick(9))};
                for (int32_t& b : s.nineSlice) b = pick(16385);
                atlas.sprites.push_back(s);
            }
            putInCanonicalOrder(atlas, keys());
            recipe.atlases.push_back(atlas);
        }
        std::string text, problem;
        Recipe again;
        std::vector<RecipeProblem> problems;
        ASSERT_TRUE(recipeText(recipe, keys(), text, problem)) << problem;
        ASSERT_TRUE(readRecipe(text, keys(), again, problems)) << text;
        ASSERT_EQ(again, recipe) << text;
        // The options in another order give the same text; the file holds it.
        std::reverse(recipe.atlases[0].options.begin(), recipe.atlases[0].options.end());
        std::string shuffled;
        ASSERT_TRUE(recipeText(recipe, keys(), shuffled, problem));
        EXPECT_EQ(shuffled, text);
        if (round > 0) continue;
        TempDir dir;
        ASSERT_TRUE(saveRecipe(dir.file("saved.toml"), recipe, keys(), problem));
        EXPECT_EQ(readText(dir.file("saved.toml")), text);
        EXPECT_FALSE(saveRecipe(dir.file("none") + kPathSeparator + "x.toml", recipe, keys(), problem));
    }
}

TEST(RecipeWriter, RefusesDescriptionsNoRecipeCanHold) {
    const auto refusal = [](const std::function<void(RecipeAtlas&)>& change) {
        Recipe recipe;
        recipe.atlases.push_back({"ui", {"a"}, {}, {}, {}, {}});
        change(recipe.atlases[0]);
        std::string text = "untouched", problem;
        EXPECT_FALSE(recipeText(recipe, keys(), text, problem));
        EXPECT_EQ(text, "untouched");
        return problem;
    };
    const auto option = [](const char* name, std::string value) {
        return [=](RecipeAtlas& a) { a.options.push_back({name, {value}}); };
    };
    const std::pair<std::function<void(RecipeAtlas&)>, std::string> cases[] = {
        {option("spaceing", "1"), "no option is called spaceing"},
        {option("spacing", "1.5"), "spacing takes one whole number"},
        {option("spacing", "99999999999"), "spacing takes one whole number"},
        {option("trim", "yes"), "trim is a flag and takes no value"},
        {option("png", "x.png"), "png is an output, not an option"},
        {[](RecipeAtlas& a) {
             a.outputs.push_back({"trim", "x"});
         },
         "no output is called trim"},
        {[](RecipeAtlas& a) { a.inputs[0] = "\x83\x65"; }, "atlas 'ui' holds text that is no UTF-8"},
        {[](RecipeAtlas& a) { a.inputs[0] = "\xed\xa0\x80"; }, "atlas 'ui' holds text that is no UTF-8"},
        // What the reader would refuse is refused in its words.
        {[](RecipeAtlas& a) { a.inputs.clear(); }, "inputs is empty"},
        {[](RecipeAtlas& a) {
             a.sprites.push_back({"../x", true, {0, 0}, false, {}});
         },
         "names no sprite"},
        {option("size", std::string("a\0b", 3)), "NUL"},
    };
    for (const auto& [change, says] : cases) EXPECT_NE(refusal(change).find(says), std::string::npos) << says;
}

TEST(NamePattern, MatchesWithinAndAcrossFolderLevels) {
    const struct {
        const char* pattern;
        std::string name;
        bool matches;
    } cases[] = {
        {"hero/*", "hero/run_01", true},
        {"hero/*", "hero/left/run_01", false},
        {"hero/**", "hero/left/run_01", true},
        {"hero/**", "heroic/run_01", false},
        {"hero/**/run*", "hero/run_01", true},
        {"hero/**/run*", "hero/a/b/run_01", true},
        {"hero/**/run*", "heroic/run_01", false},
        {"**/run_01", "run_01", true},
        {"*", "a/b", false},
        {"*", "", true},
        {"run_?", "run_1", true},
        {"run_?", "run_12", false},
        {"?/x", "/x", false},
        {u8"?/x", u8"日/x", true},  // one character, three bytes
        {"*.png", "a.png", true},
        {"*.png", "a.PNG", false},
        {"a*b*c", "axxbyyc", true},
        {"a*b*c", "axxbyy", false},
        {"exact", "exact", true},
        {"exact", "exactly", false},
        {"*a*a*a*a*a*a*a*b", std::string(200, 'a'), false},  // no backtracking blow-up
    };
    for (const auto& c : cases)
        EXPECT_EQ(matchesNamePattern(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
    EXPECT_TRUE(isNamePattern("a?") && isNamePattern("*") && !isNamePattern("a/b.png"));
    EXPECT_EQ(literalLength("hero/**/run_?"), 10u);
    EXPECT_EQ(patternFolder("icons/ui/*.png"), "icons/ui");
    EXPECT_EQ(patternFolder("icons/u*/a.png"), "icons");
    EXPECT_EQ(patternFolder("*.png"), "");
    EXPECT_EQ(patternFolder("plain/file.png"), "plain/file.png");
}

TEST(NearestName, CountsEditsAndNamesTheNearest) {
    EXPECT_EQ(editDistance("spaceing", "spacing"), 1u);
    EXPECT_EQ(editDistance("", "abc"), 3u);
    EXPECT_EQ(editDistance("kitten", "sitting"), 3u);
    EXPECT_EQ(nearestName("pading", {"spacing", "padding", "packer"}), "padding");
    EXPECT_EQ(nearestName("x", {"ab", "cd"}), "ab");  // the earliest on a tie
    EXPECT_EQ(nearestName("x", {}), "");
}

TEST(SpriteSettingsLookup, TakesEachSettingFromTheMostSpecificEntry) {
    const std::vector<SpriteSettings> entries = {
        {"**", true, {0.5, 0.5}, false, {}},        {"hero/*", true, {0.5, 1}, true, {1, 1, 1, 1}},
        {"hero/run_*", true, {0.25, 1}, false, {}}, {"hero/run_01", false, {}, true, {2, 2, 2, 2}},
        {"unused/*", true, {0, 0}, false, {}},
    };
    const SpriteSettings run = settingsForFrame(entries, "hero/run_01");
    EXPECT_TRUE(run.hasPivot && run.hasNineSlice);
    EXPECT_EQ(run.pivot, (std::array<double, 2>{0.25, 1}));
    EXPECT_EQ(run.nineSlice, (std::array<int32_t, 4>{2, 2, 2, 2}));
    const SpriteSettings idle = settingsForFrame(entries, "hero/idle");
    EXPECT_EQ(idle.pivot, (std::array<double, 2>{0.5, 1}));
    EXPECT_EQ(idle.nineSlice, (std::array<int32_t, 4>{1, 1, 1, 1}));
    const SpriteSettings tree = settingsForFrame(entries, "tree");
    EXPECT_TRUE(tree.hasPivot && !tree.hasNineSlice);
    EXPECT_EQ(settingsMatchingNoFrame(entries, {"hero/idle", "tree"}),
              (std::vector<std::string>{"hero/run_*", "hero/run_01", "unused/*"}));
}

TEST(RecipePaths, JoinsToTheRecipesFolderAndBack) {
    TempDir dir;
    const std::string folder = recipeFolder(dir.file("quiltbox.toml"));
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), kPathSeparator);
    std::string path;
    ASSERT_TRUE(programPathFromRecipe(folder, u8"sprites/タイル.png", path));
    EXPECT_EQ(path, folder + "sprites" + kPathSeparator + "タイル.png");  // the program's Shift-JIS
    EXPECT_EQ(recipePathFromProgram(folder, path), u8"sprites/タイル.png");
    ASSERT_TRUE(programPathFromRecipe(folder, "../up/a.png", path));
    EXPECT_EQ(recipePathFromProgram(folder, path), "../up/a.png");
    ASSERT_TRUE(programPathFromRecipe(folder, "/abs/a.png", path));
    EXPECT_EQ(path, std::string(1, kPathSeparator) + "abs" + kPathSeparator + "a.png");
    EXPECT_FALSE(programPathFromRecipe(folder, "\xff", path));
    EXPECT_FALSE(programPathFromRecipe(folder, u8"\u00e9\u0301", path));  // no Shift-JIS form
}

}  // namespace
