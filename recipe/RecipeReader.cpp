#include "recipe/RecipeReader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "base/FileSystem.h"
#include "base/TextEncoding.h"
#include "recipe/NamePattern.h"
#include "recipe/NearestName.h"
#include "recipe/RecipeText.h"
#include "recipe/Toml.h"

namespace {

// The parser descends once per level of tables, arrays and dotted keys, and so does the tree's destruction; a deep
// enough file would end the program on its stack. No recipe needs more than a dozen levels.
constexpr size_t kMaxNesting = 500;
constexpr size_t kMaxNameBytes = 127;
constexpr int64_t kMaxNineSlice = 16384;

const char* const kAtlasKeys[] = {"name", "inputs", "data", "sprites"};
const char* const kDataKeys[] = {"format", "template", "file"};
const char* const kSpriteKeys[] = {"pivot", "nine-slice"};

// The index of the last byte of the string that starts at `i` (its closing quote; for a single-line string left open,
// the byte before the line end), counting the lines it spans. A multi-line string ends at a run of three to five
// quotes, one or two of them its own.
size_t stringEnd(std::string_view text, size_t i, uint32_t& line) {
    const char quote = text[i];
    const std::string_view triple = quote == '"' ? "\"\"\"" : "'''";
    const bool multi = text.substr(i, 3) == triple;
    for (i += multi ? 3 : 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            if (!multi) return i - 1;
            ++line;
        } else if (quote == '"' && c == '\\') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++line;
            ++i;
        } else if (c == quote) {
            if (!multi) return i;
            size_t run = 1;
            while (i + run < text.size() && text[i + run] == quote) ++run;
            if (run >= 3) return i + run - 1;
            i += run - 1;
        }
    }
    return text.size();
}

// The most levels of tables, arrays and dotted keys the text could nest, counted without parsing it: each level needs
// a dot, a '[' or a '{' outside strings and comments. A statement (up to a line end outside brackets) opens at most
// as many levels as it has of them, below those of the table header it stands under. `line` gets the line where the
// deepest statement starts.
size_t nestingBound(std::string_view text, uint32_t& line) {
    size_t deepest = 0, header = 0, count = 0, open = 0;
    uint32_t current = 1, start = 1;
    bool atStart = true, isHeader = false;
    const auto endStatement = [&] {
        const size_t levels = isHeader ? count : header + count;
        if (levels > deepest) deepest = levels, line = start;
        if (isHeader) header = count;
        count = 0, atStart = true, isHeader = false;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            ++current;
            if (open == 0) endStatement();
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r') continue;
        if (atStart) start = current, isHeader = c == '[', atStart = false;
        if (c == '#') {
            while (i + 1 < text.size() && text[i + 1] != '\n') ++i;
        } else if (c == '"' || c == '\'') {
            i = stringEnd(text, i, current);
        } else if (c == '.' || c == '[' || c == '{') {
            ++count;
            if (c != '.') ++open;
        } else if ((c == ']' || c == '}') && open > 0) {
            --open;
        }
    }
    endStatement();
    return deepest + 1;
}

std::string typeName(const toml::node& node) {
    switch (node.type()) {
        case toml::node_type::string:
            return "text";
        case toml::node_type::integer:
            return "a whole number";
        case toml::node_type::floating_point:
            return "a number with a fraction";
        case toml::node_type::boolean:
            return "true or false";
        case toml::node_type::array:
            return "an array";
        case toml::node_type::table:
            return "a table";
        default:
            return "a date or time";
    }
}

template <size_t N>
std::vector<std::string> names(const char* const (&list)[N]) {
    return std::vector<std::string>(list, list + N);
}

class Reader {
public:
    Reader(const std::vector<RecipeKey>& keys, std::vector<RecipeProblem>& problems)
        : keys_(keys), problems_(problems) {}

    void readDocument(const toml::table& document, Recipe& recipe) {
        for (auto&& [key, value] : document) {
            if (key.str() != "atlas") {
                unknownKey(key, {"atlas"});
            } else if (const toml::array* atlases = value.as_array(); atlases && atlases->is_array_of_tables()) {
                for (const toml::node& atlas : *atlases) readAtlas(*atlas.as_table(), recipe);
            } else {
                problem(value, "atlas takes [[atlas]] tables, not " + typeName(value));
            }
        }
        if (problems_.empty() && recipe.atlases.empty()) problem(0, 0, "holds no [[atlas]] table");
    }

    void problem(uint32_t line, uint32_t column, std::string text) {
        if (problems_.size() < kMaxRecipeProblems) problems_.push_back({line, column, std::move(text)});
    }

private:
    void problem(const toml::node& at, std::string text) {
        problem(at.source().begin.line, at.source().begin.column, std::move(text));
    }
    void problem(const toml::key& at, std::string text) {
        problem(at.source().begin.line, at.source().begin.column, std::move(text));
    }

    void unknownKey(const toml::key& key, const std::vector<std::string>& known) {
        problem(key, "unknown key '" + std::string(key.str()) + "' (did you mean '" +
                         nearestName(std::string(key.str()), known) + "'?)");
    }

    void readAtlas(const toml::table& table, Recipe& recipe) {
        RecipeAtlas atlas;
        bool hasName = false;
        for (auto&& [key, value] : table) {
            const std::string name(key.str());
            if (name == "name") {
                hasName = readName(value, recipe, atlas.name);
            } else if (name == "inputs") {
                readInputs(value, atlas.inputs);
            } else if (name == "data") {
                readData(value, atlas.data);
            } else if (name == "sprites") {
                readSprites(value, atlas.sprites);
            } else if (const RecipeKey* known = findKey(name)) {
                readOption(*known, value, atlas);
            } else {
                std::vector<std::string> all = names(kAtlasKeys);
                for (const RecipeKey& k : keys_) all.push_back(k.name);
                unknownKey(key, all);
            }
        }
        if (!table.contains("name")) problem(table, "an [[atlas]] table needs a name");
        if (!table.contains("inputs")) {
            problem(table, hasName ? "atlas '" + atlas.name + "' has no inputs" : "an [[atlas]] table needs inputs");
        }
        recipe.atlases.push_back(std::move(atlas));
    }

    const RecipeKey* findKey(const std::string& name) const {
        for (const RecipeKey& key : keys_) {
            if (key.name == name) return &key;
        }
        return nullptr;
    }

    // A string without NUL, which no command line could carry; an empty one only where `emptyAllowed`.
    bool readString(const toml::node& value, const std::string& what, std::string& out, bool emptyAllowed = false) {
        const toml::value<std::string>* text = value.as_string();
        if (!text) {
            problem(value, what + " takes text, not " + typeName(value));
            return false;
        }
        const std::string& s = text->get();
        if (s.find('\0') != std::string::npos) {
            problem(value, what + " holds a NUL character");
            return false;
        }
        if (s.empty() && !emptyAllowed) {
            problem(value, what + " is empty");
            return false;
        }
        out = s;
        return true;
    }

    bool readName(const toml::node& value, const Recipe& recipe, std::string& name) {
        if (!readString(value, "name", name)) return false;
        if (name.size() > kMaxNameBytes) {
            problem(value, "name is longer than 127 bytes");
            return false;
        }
        if (std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
            problem(value, "name holds a control character");
            return false;
        }
        for (const RecipeAtlas& other : recipe.atlases) {
            if (other.name == name) {
                problem(value, "two atlases are named '" + name + "'");
                return false;
            }
        }
        return true;
    }

    void readInputs(const toml::node& value, std::vector<std::string>& inputs) {
        const toml::array* list = value.as_array();
        if (!list) {
            std::string one;
            if (readString(value, "inputs", one)) inputs.push_back(one);
            return;
        }
        if (list->empty()) problem(value, "inputs is empty");
        for (const toml::node& item : *list) {
            std::string input;
            if (!readString(item, "an input", input)) continue;
            if (input == "@") {
                problem(item, "an input '@' names no list file");
                continue;
            }
            inputs.push_back(input);
        }
    }

    void readData(const toml::node& value, std::vector<RecipeData>& data) {
        const toml::array* list = value.as_array();
        if (!list || !list->is_array_of_tables()) {
            problem(value, "data takes [[atlas.data]] tables, not " + typeName(value));
            return;
        }
        for (const toml::node& item : *list) {
            const toml::table& table = *item.as_table();
            RecipeData entry;
            for (auto&& [key, v] : table) {
                const std::string name(key.str());
                if (name == "format") {
                    readString(v, "format", entry.format);
                } else if (name == "template") {
                    readString(v, "template", entry.templatePath);
                } else if (name == "file") {
                    readString(v, "file", entry.file);
                } else {
                    unknownKey(key, names(kDataKeys));
                }
            }
            const bool format = table.contains("format"), templ = table.contains("template");
            if (format == templ) problem(table, "an [[atlas.data]] table takes either format or template");
            if (!table.contains("file")) problem(table, "an [[atlas.data]] table needs a file");
            data.push_back(std::move(entry));
        }
    }

    void readSprites(const toml::node& value, std::vector<SpriteSettings>& sprites) {
        const toml::table* table = value.as_table();
        if (!table) {
            problem(value, "sprites takes tables of sprite settings, not " + typeName(value));
            return;
        }
        for (auto&& [key, settings] : *table) {
            SpriteSettings entry;
            entry.pattern = std::string(key.str());
            if (!checkSpritePattern(key)) continue;
            const toml::table* fields = settings.as_table();
            if (!fields) {
                problem(settings,
                        "sprites.\"" + entry.pattern + "\" takes a table of settings, not " + typeName(settings));
                continue;
            }
            for (auto&& [field, v] : *fields) {
                const std::string name(field.str());
                if (name == "pivot") {
                    entry.hasPivot = readPivot(v, entry.pivot);
                } else if (name == "nine-slice") {
                    entry.hasNineSlice = readNineSlice(v, entry.nineSlice);
                } else {
                    unknownKey(field, names(kSpriteKeys));
                }
            }
            sprites.push_back(std::move(entry));
        }
    }

    // A frame is named by its path inside the input it came from: a pattern that is absolute, climbs out with "..",
    // or separates folders with '\' names no frame at all, which is surely a mistake.
    bool checkSpritePattern(const toml::key& key) {
        const std::string pattern(key.str());
        const auto fail = [&](const char* why) {
            problem(key, "sprites.\"" + pattern + "\" names no sprite: " + why);
            return false;
        };
        if (pattern.empty()) return fail("the pattern is empty");
        if (pattern.find('\0') != std::string::npos) return fail("it holds a NUL character");
        if (pattern.find('\\') != std::string::npos) return fail("frame names separate folders with '/'");
        if (pattern[0] == '/' || (pattern.size() >= 2 && pattern[1] == ':')) {
            return fail("a frame name is a path inside an input, never an absolute path");
        }
        for (size_t start = 0; start <= pattern.size();) {
            const size_t end = std::min(pattern.find('/', start), pattern.size());
            const std::string_view level(pattern.data() + start, end - start);
            if (level == ".." || level == ".")
                return fail("a frame name is a path inside an input, without '.' or '..'");
            if (level.empty()) return fail("it holds an empty folder level");
            start = end + 1;
        }
        return true;
    }

    bool readPivot(const toml::node& value, std::array<double, 2>& pivot) {
        const toml::array* list = value.as_array();
        if (!list || list->size() != 2) {
            problem(value, "pivot takes [x, y], two numbers from 0 to 1");
            return false;
        }
        for (size_t i = 0; i < 2; ++i) {
            const toml::node& item = *list->get(i);
            double v = 0;
            if (const auto* whole = item.as_integer()) {
                v = static_cast<double>(whole->get());
            } else if (const auto* fraction = item.as_floating_point()) {
                v = fraction->get();
            } else {
                problem(item, "pivot takes numbers, not " + typeName(item));
                return false;
            }
            if (!(v >= 0 && v <= 1)) {
                problem(item, "pivot takes numbers from 0 to 1");
                return false;
            }
            pivot[i] = v;
        }
        return true;
    }

    bool readNineSlice(const toml::node& value, std::array<int32_t, 4>& borders) {
        const toml::array* list = value.as_array();
        if (!list || list->size() != 4) {
            problem(value, "nine-slice takes [left, top, right, bottom], four whole numbers of pixels");
            return false;
        }
        for (size_t i = 0; i < 4; ++i) {
            const toml::node& item = *list->get(i);
            const auto* whole = item.as_integer();
            if (!whole) {
                problem(item, "nine-slice takes whole numbers, not " + typeName(item));
                return false;
            }
            if (whole->get() < 0 || whole->get() > kMaxNineSlice) {
                problem(item, "nine-slice takes borders from 0 to 16384 pixels");
                return false;
            }
            borders[i] = static_cast<int32_t>(whole->get());
        }
        return true;
    }

    // A number, or a text, as a command line would write it.
    bool scalarText(const toml::node& item, const std::string& key, std::string& text) {
        if (const auto* whole = item.as_integer()) {
            text = std::to_string(whole->get());
            return true;
        }
        if (const auto* fraction = item.as_floating_point()) {
            if (!std::isfinite(fraction->get())) {
                problem(item, key + " takes finite numbers");
                return false;
            }
            text = recipeNumberText(fraction->get());
            return true;
        }
        if (item.is_string()) return readString(item, key, text, true);
        problem(item, key + " takes text or numbers, not " + typeName(item));
        return false;
    }

    void readOption(const RecipeKey& key, const toml::node& value, RecipeAtlas& atlas) {
        RecipeOption option{key.name, {}};
        switch (key.kind) {
            case RecipeKeyKind::Flag:
                if (!value.is_boolean())
                    return problem(value, key.name + " takes true or false, not " + typeName(value));
                if (value.as_boolean()->get()) atlas.options.push_back(option);
                return;
            case RecipeKeyKind::Number:
                return readNumber(key, value, atlas);
            case RecipeKeyKind::Text: {
                std::string text;
                if (const toml::array* list = value.as_array()) {
                    if (list->empty()) return problem(value, key.name + " is empty");
                    for (const toml::node& item : *list) {
                        std::string part;
                        if (!scalarText(item, key.name, part)) return;
                        text += (text.empty() ? "" : ",") + part;
                    }
                } else if (!scalarText(value, key.name, text)) {
                    return;
                }
                option.values.push_back(text);
                break;
            }
            case RecipeKeyKind::List: {
                const toml::array* list = value.as_array();
                if (!list) {
                    std::string one;
                    if (!scalarText(value, key.name, one)) return;
                    option.values.push_back(one);
                    break;
                }
                for (const toml::node& item : *list) {
                    std::string one;
                    if (!scalarText(item, key.name, one)) return;
                    option.values.push_back(one);
                }
                if (option.values.empty()) return;  // an empty list gives the option no time
                break;
            }
            case RecipeKeyKind::Output: {
                std::string path;
                if (readString(value, key.name, path)) atlas.outputs.push_back({key.name, path});
                return;
            }
        }
        atlas.options.push_back(std::move(option));
    }

    void readNumber(const RecipeKey& key, const toml::node& value, RecipeAtlas& atlas) {
        const auto* whole = value.as_integer();
        if (!whole) {
            const std::string what =
                value.is_floating_point() ? recipeNumberText(value.as_floating_point()->get()) : typeName(value);
            return problem(value, key.name + " takes a whole number, not " + what);
        }
        const int64_t v = whole->get();
        if (v > std::numeric_limits<int32_t>::max() || v < std::numeric_limits<int32_t>::min()) {
            return problem(value, key.name + " = " + std::to_string(v) + " is out of range (a whole number from " +
                                      std::to_string(std::numeric_limits<int32_t>::min()) + " to " +
                                      std::to_string(std::numeric_limits<int32_t>::max()) + ")");
        }
        atlas.options.push_back({key.name, {std::to_string(v)}});
    }

    const std::vector<RecipeKey>& keys_;
    std::vector<RecipeProblem>& problems_;
};

bool blank(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

}  // namespace

std::string RecipeProblem::describe(const std::string& source) const {
    if (line == 0) return source + ": " + text;
    return source + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + text;
}

bool readRecipe(std::string_view text,
                const std::vector<RecipeKey>& keys,
                Recipe& recipe,
                std::vector<RecipeProblem>& problems) {
    problems.clear();
    Reader reader(keys, problems);
    uint32_t deepLine = 0;
    if (blank(text)) {
        reader.problem(0, 0, "is empty (a recipe holds one [[atlas]] table or more)");
    } else if (text.size() > kMaxRecipeBytes) {
        reader.problem(0, 0, "is larger than 1 MiB, more than any recipe needs");
    } else if (nestingBound(text, deepLine) > kMaxNesting) {
        reader.problem(deepLine, 1, "nests more than 500 levels (counting each dot and bracket of one statement)");
    }
    if (!problems.empty()) return false;
    const toml::parse_result parsed = toml::parse(text);
    if (!parsed) {
        const toml::parse_error& error = parsed.error();
        reader.problem(error.source().begin.line, error.source().begin.column, std::string(error.description()));
        return false;
    }
    Recipe read;
    reader.readDocument(parsed.table(), read);
    if (!problems.empty()) return false;
    for (RecipeAtlas& atlas : read.atlases) putInCanonicalOrder(atlas, keys);
    recipe = std::move(read);
    return true;
}

bool loadRecipe(const std::string& path,
                const std::vector<RecipeKey>& keys,
                Recipe& recipe,
                std::vector<RecipeProblem>& problems) {
    std::vector<uint8_t> bytes;
    switch (readWholeFile(path, kMaxRecipeBytes, bytes)) {
        case FileReadResult::Ok:
            return readRecipe(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), keys, recipe,
                              problems);
        case FileReadResult::TooLarge:
            problems = {{0, 0, "is larger than 1 MiB, more than any recipe needs"}};
            return false;
        default:
            problems = {{0, 0, "cannot be read"}};
            return false;
    }
}

void putInCanonicalOrder(RecipeAtlas& atlas, const std::vector<RecipeKey>& keys) {
    const auto rank = [&](const std::string& name) {
        for (size_t i = 0; i < keys.size(); ++i) {
            if (keys[i].name == name) return i;
        }
        return keys.size();
    };
    std::stable_sort(atlas.options.begin(), atlas.options.end(),
                     [&](const RecipeOption& a, const RecipeOption& b) { return rank(a.key) < rank(b.key); });
    std::stable_sort(atlas.outputs.begin(), atlas.outputs.end(),
                     [&](const RecipeOutput& a, const RecipeOutput& b) { return rank(a.key) < rank(b.key); });
    std::stable_sort(atlas.sprites.begin(), atlas.sprites.end(),
                     [](const SpriteSettings& a, const SpriteSettings& b) { return a.pattern < b.pattern; });
}
