// quiltbox-cli pack: the options read, then the inputs made sprites named by their paths (inputs/), and the pipeline of
// atlas/ wired in order: sprites prepared (trimmed, identical ones found), packed onto pages, every page's outputs
// written, the projects saved.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <unordered_map>

#include "atlas/AtlasPage.h"
#include "atlas/PageOutputs.h"
#include "atlas/PagePlan.h"
#include "atlas/ScaleVariants.h"
#include "atlas/SpritePreparation.h"
#include "atlas/StableLayout.h"
#include "atlas/TemplateValues.h"
#include "base/FileSystem.h"
#include "base/Format.h"
#include "base/OutputBatch.h"
#include "base/RelativePath.h"
#include "base/SameFile.h"
#include "base/TextEncoding.h"
#include "cli/BuildRecord.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/Options.h"
#include "cli/PackOptions.h"
#include "cli/PackPipeline.h"
#include "cli/RecipeSetup.h"
#include "cli/Terminal.h"
#include "image/AlphaBleed.h"
#include "image/PngWriter.h"
#include "inputs/Animations.h"
#include "inputs/InputFiles.h"
#include "inputs/SpriteLoading.h"
#include "layout/TextureCollection.h"
#include "project/ProjectFile.h"
#include "project/Settings.h"
#include "recipe/SpriteSettingsLookup.h"

namespace {

constexpr int32_t kMaxExtrude = 256;
// No sprite is wider or taller than this, so a larger reach would colour nothing more.
constexpr int32_t kMaxBleed = 16384;
constexpr int32_t kMaxTrimThreshold = 254;
// More threads than this gain nothing on any machine the program meets, and the number stays a small count.
constexpr int32_t kMaxThreads = 256;
// The largest page --size auto and tight try unless --max-size says otherwise.
constexpr int32_t kDefaultMaxAutoSide = 4096;
// Said after a failed write: the pack writes all its files or none.
const char* const kNothingWritten = "; nothing was written";
// Above this many sprites the packing shows its progress on a terminal.
constexpr size_t kLongPacking = 1000;
// The largest template file read.
constexpr uint64_t kMaxTemplateBytes = uint64_t{1} << 20;
constexpr int32_t kDefaultFps = 12;
constexpr int32_t kMaxFps = 1000;
constexpr int32_t kDefaultKeepLayoutSlack = 10;
// A kept layout may take up to ten times a fresh pack's page area.
constexpr int32_t kMaxKeepLayoutSlack = 1000;

// What `pack` was asked to do, once its options are understood.
struct PackSetup {
    Packer packer;
    bool best = false;
    PageRules rules;
    bool trim = false;
    int32_t trimThreshold = 0;
    bool alias = false;
    AtlasOptions atlasOptions;
    PackOutputs outputs;  // full paths
    std::string project;  // the --save pattern, a full path
    bool allowOverflow = false;
    bool quiet = false;
    unsigned threads = 0;  // 0: one per core
    NamingRules naming;
    bool namesById = false;  // --names id: the data formats name the sprites as the ID header does
    bool animations = false;
    int32_t fps = kDefaultFps;
    Pivot pivot;
    bool keepLayout = false;
    int32_t keepLayoutSlack = kDefaultKeepLayoutSlack;
    std::string recipe;                  // --save-recipe, a full path
    std::string recipeText;              // what it holds
    std::vector<ScaleVariant> variants;  // none: the images as they are
    ResizeFilter filter = ResizeFilter::Default;
};

const std::pair<const char*, MaxRectsRule> kRules[] = {{"short-side", MaxRectsRule::ShortSide},
                                                       {"long-side", MaxRectsRule::LongSide},
                                                       {"area", MaxRectsRule::Area},
                                                       {"bottom-left", MaxRectsRule::BottomLeft},
                                                       {"contact", MaxRectsRule::Contact}};

// How the atlas's pixels are finished and its PNG written.
int readPixelOptions(const PackArguments& a, PackSetup& setup) {
    AtlasOptions& options = setup.atlasOptions;
    if (a.bleed == "all") {
        options.bleed = kBleedEverywhere;
    } else if (!a.bleed.empty() && !parseInt32(a.bleed, 0, kMaxBleed, options.bleed)) {
        return usage("pack", "--bleed takes a whole number from 0 to 16384, or all");
    }
    // Sprites laid over each other would take each other's colours.
    if (options.bleed > 0 && Settings::instance().layoutSpacing < 0) {
        return usage("pack", "--bleed needs a --spacing of 0 or more");
    }
    if (!pngLevelByName(a.pngLevel.c_str(), options.pngLevel)) {
        return usage("pack", "--png-level takes fast, default or best");
    }
    return kExitOk;
}

// --square and --multiple-of N. A fixed size must keep them already; a power-of-two side is a multiple only of a power
// of two; the largest page must leave room for one page.
int readSizeRules(const PackArguments& a, PageRules& rules) {
    rules.square = a.square;
    if (!parseInt32(a.multipleOf, 1, 16384, rules.multipleOf)) {
        return usage("pack", "--multiple-of takes a whole number from 1 to 16384");
    }
    const int32_t m = rules.multipleOf;
    const AreaSize size = rules.size;
    if (rules.rule == AreaRule::Fixed) {
        if (rules.square && size.width != size.height) {
            return usage("pack", formatText("--square needs a square --size, not %dx%d", size.width, size.height));
        }
        if (size.width % m != 0 || size.height % m != 0) {
            return usage("pack",
                         formatText("--multiple-of %d needs a --size whose sides are multiples of %d, not %dx%d", m, m,
                                    size.width, size.height));
        }
        return kExitOk;
    }
    if (rules.rule == AreaRule::PowerOfTwo && (m & (m - 1)) != 0) {
        return usage("pack", formatText("--size auto makes power-of-two sides, which are multiples of no %d", m));
    }
    const AreaSize largest = largestPage(rules);
    if (largest.width < 1 || largest.height < 1) {
        return usage("pack", formatText("--max-size %dx%d holds no page that keeps --square and --multiple-of %d",
                                        size.width, size.height, m));
    }
    return kExitOk;
}

// The layout settings, into the process's Settings as the exports and the project read them; an exit status other
// than 0 when they are not understood.
int readLayoutOptions(const PackArguments& a, PackSetup& setup) {
    Settings& settings = Settings::instance();
    settings.resetToDefaults();
    const bool autoSize = a.size == "auto", tight = a.size == "tight";
    setup.rules.rule = autoSize ? AreaRule::PowerOfTwo : tight ? AreaRule::Tight : AreaRule::Fixed;
    if (!autoSize && !tight && !parseSize(a.size, settings.areaWidth, settings.areaHeight)) {
        return usage("pack", "--size takes WIDTHxHEIGHT (each from 1 to 16384), auto or tight");
    }
    setup.rules.size = {settings.areaWidth, settings.areaHeight};
    // Within the largest page side every sum of places, sizes and spacings stays far inside 32 bits.
    if (!parseInt32(a.spacing, -Settings::kMaxAreaSide, Settings::kMaxAreaSide, settings.layoutSpacing)) {
        return usage("pack", "--spacing takes a whole number from -16384 to 16384");
    }
    if (a.sort != "edge" && a.sort != "pixels") return usage("pack", "--sort takes edge or pixels");
    if (a.uv != "pixels" && a.uv != "ratio") return usage("pack", "--uv takes pixels or ratio");
    settings.sortByEdgeLength = a.sort == "edge" ? 1 : 0;
    settings.uvRatio = a.uv == "ratio" ? 1 : 0;
    settings.reverseHorizontal = a.reverseH ? 1 : 0;
    settings.reverseVertical = a.reverseV ? 1 : 0;
    settings.absolutePaths = a.absolutePaths ? 1 : 0;
    std::string prefix;
    if (!argumentText(a.idPrefix, prefix) || prefix.size() >= sizeof settings.idPrefix) {
        return usage("pack", "--id-prefix takes up to 31 bytes of Shift-JIS text");
    }
    Settings::setText(settings.idPrefix, prefix);
    if (!a.maxSize.empty() && !autoSize && !tight) return usage("pack", "--max-size goes with --size auto or tight");
    if (autoSize || tight) setup.rules.size = {kDefaultMaxAutoSide, kDefaultMaxAutoSide};
    if (!a.maxSize.empty() && !parseSize(a.maxSize, setup.rules.size.width, setup.rules.size.height)) {
        return usage("pack", "--max-size takes WIDTHxHEIGHT, each from 1 to 16384");
    }
    if (const int status = readSizeRules(a, setup.rules)) return status;
    setup.atlasOptions.premultiply = a.premultiply;
    if (!parseInt32(a.extrude, 0, kMaxExtrude, setup.atlasOptions.extrude)) {
        return usage("pack", "--extrude takes a whole number from 0 to 256");
    }
    if (setup.atlasOptions.extrude > 0 && settings.layoutSpacing < 2 * int64_t{setup.atlasOptions.extrude}) {
        return usage("pack", "--extrude N needs a --spacing of at least 2N");
    }
    return readPixelOptions(a, setup);
}

// The packer and what it may do with the sprites.
int readPackingOptions(const PackArguments& a, PackSetup& setup) {
    const Settings& settings = Settings::instance();
    setup.trim = a.trim;
    setup.alias = a.alias;
    int32_t threads = 0;
    if (!parseInt32(a.threads, 0, kMaxThreads, threads))
        return usage("pack", "--threads takes a whole number from 0 to 256");
    setup.threads = static_cast<unsigned>(threads);
    setup.atlasOptions.threads = setup.threads;
    setup.rules.severalPages = a.pages;
    if (!a.trimThreshold.empty() && !a.trim) return usage("pack", "--trim-threshold goes with --trim");
    if (!a.trimThreshold.empty() && !parseInt32(a.trimThreshold, 0, kMaxTrimThreshold, setup.trimThreshold)) {
        return usage("pack", "--trim-threshold takes a whole number from 0 to 254");
    }
    if (a.packer != "design" && a.packer != "maxrects" && a.packer != "best") {
        return usage("pack", "--packer takes design, maxrects or best");
    }
    if (!a.rule.empty() && a.packer != "maxrects") return usage("pack", "--rule goes with --packer maxrects");
    Packer& packer = setup.packer;
    packer.kind = a.packer == "maxrects" ? Packer::Kind::MaxRects : Packer::Kind::Design;
    setup.best = a.packer == "best";
    if (!a.rule.empty()) {
        const auto* rule =
            std::find_if(std::begin(kRules), std::end(kRules), [&](const auto& r) { return a.rule == r.first; });
        if (rule == std::end(kRules))
            return usage("pack", "--rule takes short-side, long-side, area, bottom-left or contact");
        packer.rule = rule->second;
    }
    packer.designKey = settings.sortByEdgeLength == 1 ? LayoutSortKey::LongestSide : LayoutSortKey::PixelCount;
    packer.mayTurn = a.rotate;
    packer.spacing = settings.layoutSpacing;
    packer.margin = setup.atlasOptions.extrude;
    if (packer.spacing < 0 && (a.packer != "design" || a.pages || setup.rules.rule == AreaRule::Tight)) {
        return usage("pack", "--spacing must be 0 or more with --packer maxrects or best, --size tight and --pages");
    }
    setup.keepLayout = a.keepLayout;
    if (!parseInt32(a.keepLayoutSlack, 0, kMaxKeepLayoutSlack, setup.keepLayoutSlack)) {
        return usage("pack", "--keep-layout-slack takes a whole number of percent from 0 to 1000");
    }
    if (a.keepLayout && packer.spacing < 0) return usage("pack", "--keep-layout needs a --spacing of 0 or more");
    return kExitOk;
}

// A fraction from 0 to 1 with up to six decimals ("0", "1", "0.5", ".25"), in millionths.
bool parseFraction(const std::string& text, int32_t& millionths) {
    const size_t dot = text.find('.');
    const std::string whole = text.substr(0, dot), decimals = dot == std::string::npos ? "" : text.substr(dot + 1);
    const auto digitsOnly = [](const std::string& t) { return t.find_first_not_of("0123456789") == std::string::npos; };
    if ((whole.empty() && decimals.empty()) || whole.size() > 1 || decimals.size() > 6 || !digitsOnly(whole) ||
        !digitsOnly(decimals) || (dot != std::string::npos && decimals.empty())) {
        return false;
    }
    millionths = (whole.empty() ? 0 : (whole[0] - '0') * 1000000) +
                 (decimals.empty() ? 0 : std::stoi(decimals + std::string(6 - decimals.size(), '0')));
    return millionths <= 1000000;
}

// How the sprites are named, and what the data formats write beside them.
int readNamingOptions(const PackArguments& a, PackSetup& setup) {
    if (a.names != "path" && a.names != "id") return usage("pack", "--names takes path or id");
    setup.namesById = a.names == "id";
    if (setup.namesById && (a.keepExtension || a.folderPrefix)) {
        return usage("pack", "--keep-extension and --folder-prefix name sprites by path: leave out --names id");
    }
    setup.naming = {a.keepExtension, a.folderPrefix};
    setup.animations = a.animations;
    if (!a.fps.empty() && !a.animations) return usage("pack", "--fps goes with --animations");
    if (!a.fps.empty() && !parseInt32(a.fps, 1, kMaxFps, setup.fps)) {
        return usage("pack", "--fps takes a whole number from 1 to 1000");
    }
    if (a.pivot.empty()) return kExitOk;
    const size_t comma = a.pivot.find(',');
    setup.pivot.given = true;
    if (comma == std::string::npos || !parseFraction(a.pivot.substr(0, comma), setup.pivot.x) ||
        !parseFraction(a.pivot.substr(comma + 1), setup.pivot.y)) {
        return usage("pack", "--pivot takes X,Y, each from 0 to 1 (0,0 the top left, 0.5,0.5 the centre)");
    }
    return kExitOk;
}

// A data output's format: a built-in one by name, or the user's template file.
int readDataFormat(const std::string& option,
                   const std::string& value,
                   const PackArguments& a,
                   const std::string& dataPath,
                   DataFormat& format) {
    if (option == "--format") {
        if (builtInFormat(value, format)) return kExitOk;
        return usage("pack", std::string("--format takes ") + builtInFormatNames());
    }
    std::string path;
    std::vector<uint8_t> text;
    if (!fullPath(value, path)) return failure("cannot use the path " + value + " (it cannot be held in Shift-JIS)");
    if (readWholeFile(path, kMaxTemplateBytes, text) != FileReadResult::Ok) return failure("cannot read " + path);
    format = {value, std::string(text.begin(), text.end()), escapeForDataFile(dataPath), true, Turn::Clockwise, ""};
    if (!a.escape.empty() && !escapeByName(a.escape, format.escape)) {
        return usage("pack", "--escape takes json, xml, css or text");
    }
    return kExitOk;
}

// The data files: --json, then each --format NAME or --template FILE with the --data FILE that follows it, their
// templates read before anything is packed.
int readDataOutputs(const PackArguments& a, PackSetup& setup) {
    std::vector<DataOutput>& outputs = setup.outputs.data;
    if (!a.json.empty()) {
        outputs.emplace_back();
        builtInFormat("json-hash", outputs.back().format);
        outputs.back().path = a.json;
        outputs.back().option = "--json";
    }
    const std::pair<std::string, std::string>* pending = nullptr;
    for (const auto& entry : a.data) {
        if (entry.first != "--data") {
            if (pending) return usage("pack", pending->first + " " + pending->second + " needs a --data FILE after it");
            pending = &entry;
            continue;
        }
        if (!pending) return usage("pack", "--data goes after --format NAME or --template FILE");
        outputs.emplace_back();
        outputs.back().path = entry.second;
        outputs.back().option = pending->first + " " + pending->second + " --data";
        if (const int status =
                readDataFormat(pending->first, pending->second, a, entry.second, outputs.back().format)) {
            return status;
        }
        pending = nullptr;
    }
    if (pending) return usage("pack", pending->first + " " + pending->second + " needs a --data FILE after it");
    if (!a.escape.empty() &&
        std::none_of(a.data.begin(), a.data.end(), [](auto& e) { return e.first == "--template"; })) {
        return usage("pack", "--escape goes with --template");
    }
    if (!outputs.empty() && a.png.empty() && a.tga.empty() && a.bmp.empty()) {
        return usage("pack", "--json and --format name the atlas image: give --png, --tga or --bmp too");
    }
    for (DataOutput& output : outputs) {
        std::string error;
        if (!output.filler.read(output.format.templateText, output.format.escape, error)) {
            return failure(output.format.name + ": " + error + "; nothing was written");
        }
        if (!a.rotate) continue;
        if (output.format.turn == Turn::None) {
            return usage("pack",
                         "--format " + output.format.name + " cannot describe turned sprites: leave out --rotate");
        }
        if (output.format.turn != outputs.front().format.turn) {
            return usage("pack", outputs.front().format.name + " and " + output.format.name +
                                     " turn sprites opposite ways: write them with --rotate from separate runs");
        }
        setup.outputs.turn = output.format.turn;
    }
    return kExitOk;
}

// --variant and --scale-filter. Several variants write several sets of files, so every name must tell them apart.
int readVariantOptions(const PackArguments& a, PackSetup& setup) {
    const std::pair<const char*, ResizeFilter> filters[] = {
        {"default", ResizeFilter::Default}, {"box", ResizeFilter::Box}, {"nearest", ResizeFilter::Nearest}};
    const auto* filter =
        std::find_if(std::begin(filters), std::end(filters), [&](const auto& f) { return a.scaleFilter == f.first; });
    if (filter == std::end(filters)) return usage("pack", "--scale-filter takes default, box or nearest");
    setup.filter = filter->second;
    for (const auto& given : a.variants) {
        ScaleVariant variant;
        if (!parseScaleVariant(given.second, variant)) {
            return usage("pack",
                         "--variant takes SCALE or SCALE:NAME, the scale above 0 and at most 4 with up to "
                         "six decimals (0.5:@1x), not " +
                             given.second);
        }
        for (const ScaleVariant& other : setup.variants) {
            if (other.name == variant.name) return usage("pack", "two --variant options are named " + variant.name);
        }
        setup.variants.push_back(variant);
    }
    if (setup.variants.empty()) return kExitOk;
    // Frames laid over each other have no order that rounding keeps.
    if (Settings::instance().layoutSpacing < 0) return usage("pack", "--variant needs a --spacing of 0 or more");
    if (!a.save.empty()) {
        return usage("pack", "--save names the input images, not their resized copies: leave it out with --variant");
    }
    if (setup.variants.size() < 2) return kExitOk;
    const std::pair<const char*, const std::string*> names[] = {
        {"--bmp", &a.bmp}, {"--tga", &a.tga},          {"--png", &a.png},   {"--ids", &a.ids},
        {"--quv", &a.quv}, {"--uv-array", &a.uvArray}, {"--json", &a.json}, {"--uv-defines", &a.uvDefines}};
    for (const auto& [option, name] : names) {
        if (name->empty() || hasVariantPlaceholder(*name)) continue;
        return failure(
            formatText("with more than one --variant every output name must hold {v}, the variant's name, "
                       "and %s %s does not; nothing was written",
                       option, name->c_str()));
    }
    for (const auto& [option, name] : a.data) {
        if (option != "--data" || hasVariantPlaceholder(name)) continue;
        return failure("with more than one --variant every output name must hold {v}, the variant's name, and --data " +
                       name + " does not; nothing was written");
    }
    return kExitOk;
}

// Every output as a full path before anything is loaded, so that a bad name costs no work.
int readOutputs(const PackArguments& a, PackSetup& setup) {
    // The UV lists and the project hold a whole, upright rectangle per image.
    const std::pair<const char*, const std::string*> rectangles[] = {
        {"--quv", &a.quv}, {"--uv-array", &a.uvArray}, {"--uv-defines", &a.uvDefines}, {"--save", &a.save}};
    for (const auto& [name, value] : rectangles) {
        if (value->empty() || (!a.trim && !a.rotate)) continue;
        return usage("pack", formatText("%s holds a whole, unturned rectangle per image, so it cannot describe sprites "
                                        "that %s changes; write --json or --format instead",
                                        name, a.trim ? "--trim" : "--rotate"));
    }
    if (const int status = readDataOutputs(a, setup)) return status;
    std::vector<std::pair<const std::string*, std::string*>> paths = {
        {&a.bmp, &setup.outputs.bmp},         {&a.tga, &setup.outputs.tga},
        {&a.png, &setup.outputs.png},         {&a.quv, &setup.outputs.quv},
        {&a.uvArray, &setup.outputs.uvArray}, {&a.uvDefines, &setup.outputs.uvDefines},
        {&a.ids, &setup.outputs.ids},         {&a.save, &setup.project},
        {&a.saveRecipe, &setup.recipe}};
    for (DataOutput& output : setup.outputs.data) paths.push_back({&output.path, &output.path});
    for (const auto& [argument, path] : paths) {
        const std::string given = *argument;
        if (!given.empty() && !fullPath(given, *path)) {
            return failure("cannot use the path " + given + " (it cannot be held in Shift-JIS)");
        }
    }
    return kExitOk;
}

// The image files the arguments name (files, folders, @LIST files, a recipe's patterns), each with its names by path,
// and every file the pack reads (the lists, then the images) as full paths; an exit status other than 0 when they
// cannot be taken, or when two would give the data formats one name.
int collectFiles(const std::vector<InputArgument>& arguments,
                 const PackSetup& setup,
                 std::vector<InputFile>& files,
                 std::vector<std::string>& read) {
    for (const InputArgument& argument : arguments) {
        if (argument.list) read.push_back(argument.path);
    }
    std::string error;
    if (!collectInputFiles(arguments, setup.naming, imageKindAnyCase, files, error)) {
        return failure(error + "; nothing was written");
    }
    for (const InputFile& file : files) read.push_back(file.path);
    const std::vector<std::pair<size_t, size_t>> same = sameNames(files);
    if (!setup.outputs.data.empty() && !setup.namesById && !same.empty()) {
        for (const auto& [first, second] : same) {
            failure("two sprites would be named " + files[first].names.name + ": " + files[first].path + " and " +
                    files[second].path);
        }
        return failure(
            formatText("%zu sprite(s) share a name with another (--folder-prefix or --names id tells them "
                       "apart); nothing was written",
                       same.size()));
    }
    return kExitOk;
}

// A recipe's settings by frame name: a pivot, and nine-slice edges for a sprite that is no nine-patch file (whose own
// border gives its edges). Settings that reach no sprite, and edges that leave a sprite no stretching area, are
// refused.
int applySpriteSettings(const std::vector<SpriteSettings>& entries, bool rotate, std::vector<Sprite>& sprites) {
    if (entries.empty()) return kExitOk;
    std::vector<std::string> names;
    for (const Sprite& sprite : sprites) names.push_back(utf8Text(sprite.name));
    const std::vector<std::string> unused = settingsMatchingNoFrame(entries, names);
    for (const std::string& pattern : unused) {
        failure("the settings of sprites.\"" + programTextFromUtf8(pattern) + "\" match no sprite of the inputs");
    }
    if (!unused.empty()) return failure("nothing was written");
    for (size_t i = 0; i < sprites.size(); ++i) {
        const SpriteSettings settings = settingsForFrame(entries, names[i]);
        Sprite& sprite = sprites[i];
        if (settings.hasPivot) {
            sprite.pivot = {true, static_cast<int32_t>(std::llround(settings.pivot[0] * 1e6)),
                            static_cast<int32_t>(std::llround(settings.pivot[1] * 1e6))};
        }
        if (!settings.hasNineSlice || sprite.ninePatch) continue;
        const auto& b = settings.nineSlice;
        const int32_t width = sprite.image->width(), height = sprite.image->height();
        if (int64_t{b[0]} + b[2] >= width || int64_t{b[1]} + b[3] >= height) {
            return failure(
                formatText("%s is %dx%d, which nine-slice edges of %d, %d, %d, %d leave nothing to stretch; "
                           "nothing was written",
                           sprite.image->path().c_str(), width, height, b[0], b[1], b[2], b[3]));
        }
        sprite.ninePatch = true;
        sprite.slices = {b[0], b[1], b[2], b[3]};
        sprite.padding = sprite.slices;  // no content area of its own: the stretching area
        if (rotate) {
            return failure(sprite.image->path() +
                           " has nine-slice edges, which engines stretch from an upright frame: leave out --rotate; "
                           "nothing was written");
        }
    }
    return kExitOk;
}

// The input files as sprites named by path, loaded in argument order; nine-patches cut, settings given, animations
// found.
int takeInputs(const std::vector<InputFile>& files,
               const PackSetup& setup,
               const PackRequest& request,
               TextureCollection& images,
               std::vector<Sprite>& sprites) {
    const bool rotate = request.arguments.rotate;
    const auto ninePatch =
        std::find_if(files.begin(), files.end(), [](const InputFile& f) { return f.names.ninePatch; });
    if (rotate && ninePatch != files.end()) {
        return failure(ninePatch->path +
                       " is a nine-patch, which engines stretch from an upright frame: leave out "
                       "--rotate; nothing was written");
    }
    images.setImageKindRule(imageKindAnyCase);
    Progress progress("loading images", files.size(), !setup.quiet && files.size() >= kManyImages);
    std::vector<std::string> problems;
    const size_t failed = loadSprites(
        files, images, sprites, problems, [&](size_t done) { progress.step(done); }, setup.threads);
    for (const std::string& problem : problems) failure(problem);
    if (failed > 0) return failure(formatText("%zu image(s) could not be loaded; nothing was written", failed));
    for (Sprite& sprite : sprites) {
        if (setup.namesById) sprite.name = sprite.image->name();
        sprite.pivot = setup.pivot;
    }
    if (const int status = applySpriteSettings(request.sprites, rotate, sprites)) return status;
    if (setup.animations) findAnimations(sprites, setup.fps);
    return kExitOk;
}

void prepareSprites(std::vector<Sprite>& sprites, const PackSetup& setup) {
    const bool show = !setup.quiet && sprites.size() >= kManyImages;
    if (setup.trim) {
        Progress progress("trimming", sprites.size(), show);
        trimSprites(sprites, static_cast<uint8_t>(setup.trimThreshold), setup.threads,
                    [&](size_t done) { progress.step(done); });
    }
    if (setup.alias) {
        Progress progress("finding identical images", sprites.size(), show);
        findIdenticalSprites(sprites, setup.threads, [&](size_t done) { progress.step(done); });
    }
}

const char* ruleName(MaxRectsRule rule) {
    for (const auto& [name, value] : kRules) {
        if (value == rule) return name;
    }
    return "";
}

// Packs the boxes by the setup, telling its progress on a terminal when it takes a while, and what --size auto or
// tight and --packer best chose.
PagePlan plan(const PackSetup& setup, const std::vector<PackBox>& boxes) {
    const bool show = !setup.quiet && boxes.size() >= kLongPacking && isTerminal(stderr);
    const auto start = std::chrono::steady_clock::now();
    if (show) std::fprintf(stderr, "packing %zu sprites...", boxes.size());
    std::fflush(stderr);
    PagePlan pages;
    if (setup.best) {
        const std::vector<Packer> packers = bestCandidates(setup.packer);
        size_t chosen = 0;
        pages = planBest(packers, boxes, setup.rules, setup.threads, chosen);
        const Packer& p = packers[chosen];
        const char* orders[] = {"longest side", "area", "perimeter", "shortest side"};
        std::fprintf(stderr, "quiltbox-cli: --packer best chose %s\n",
                     p.kind == Packer::Kind::Design ? "design"
                                                    : formatText("maxrects --rule %s, sprites by %s", ruleName(p.rule),
                                                                 orders[static_cast<int>(p.order)])
                                                          .c_str());
    } else {
        pages = planPages(setup.packer, boxes, setup.rules, [&](size_t page) {
            if (show) std::fprintf(stderr, " page %zu", page);
        });
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (show) std::fprintf(stderr, " %.2f s\n", seconds);
    return pages;
}

// What --size auto or tight chose for the pages packed.
void tellChosenSizes(const PackSetup& setup, const PagePlan& pages) {
    if (setup.rules.rule == AreaRule::Fixed || pages.unplacedCount() != 0) return;
    std::string sizes;
    for (const PlannedPage& page : pages.pages) {
        sizes += formatText("%s%dx%d", sizes.empty() ? "" : ", ", page.size.width, page.size.height);
    }
    std::fprintf(stderr, "quiltbox-cli: --size %s chose %s\n", setup.rules.rule == AreaRule::Tight ? "tight" : "auto",
                 sizes.c_str());
}

// The sprites that found no place, named with their size and file; true when there were any.
bool reportUnplaced(const std::vector<AtlasPage>& pages, const std::vector<Sprite>& sprites, const PackSetup& setup) {
    std::vector<bool> onPage(sprites.size(), false);
    const auto tell = [](const Sprite& sprite, const std::string& where) {
        const TextureImage& image = *sprite.image;
        std::fprintf(stderr, "quiltbox-cli: %s\n",
                     terminalText(formatText("%s (%dx%d, %s) does not fit on %s", image.name().c_str(), image.width(),
                                             image.height(), image.path().c_str(), where.c_str()))
                         .c_str());
    };
    bool any = false;
    for (const AtlasPage& page : pages) {
        for (const Frame& frame : page.frames) {
            onPage[static_cast<size_t>(frame.sprite)] = true;
            if (!frame.parked) continue;
            tell(sprites[static_cast<size_t>(frame.sprite)],
                 formatText("the %dx%d area", page.size.width, page.size.height));
            any = true;
        }
    }
    for (size_t s = 0; s < sprites.size(); ++s) {
        if (onPage[s]) continue;
        const AreaSize largest = largestPage(setup.rules);
        tell(sprites[s], formatText("a page of %dx%d", largest.width, largest.height));
        any = true;
    }
    return any;
}

// An output option and its file name pattern (a full path); perPage when it writes a file for every page, rather
// than one file naming every page.
struct OutputPattern {
    std::string option;
    const std::string* pattern;
    bool perPage;
};

std::vector<OutputPattern> outputPatterns(const PackSetup& setup) {
    const PackOutputs& o = setup.outputs;
    std::vector<OutputPattern> patterns = {{"--bmp", &o.bmp, true},
                                           {"--tga", &o.tga, true},
                                           {"--png", &o.png, true},
                                           {"--ids", &o.ids, true},
                                           {"--quv", &o.quv, true},
                                           {"--uv-array", &o.uvArray, true},
                                           {"--uv-defines", &o.uvDefines, true}};
    for (const DataOutput& data : o.data) patterns.push_back({data.option, &data.path, data.format.perPage});
    patterns.push_back({"--save", &setup.project, true});
    patterns.push_back({"--save-recipe", &setup.recipe, false});
    return patterns;
}

// Every output name as a build lists it; with --variant one name for each variant, "{v}" filled in.
std::vector<std::string> outputPatternsOfEveryVariant(const PackSetup& setup) {
    std::vector<std::string> names;
    for (const OutputPattern& output : outputPatterns(setup)) {
        if (output.pattern->empty()) continue;
        if (setup.variants.empty() || output.option == "--save-recipe") {
            names.push_back(*output.pattern);
            continue;
        }
        for (const ScaleVariant& variant : setup.variants) {
            const std::string name = variantFileName(*output.pattern, variant.name);
            if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
        }
    }
    return names;
}

// With several pages every output needs the page number in its name.
int checkPageNames(const PackSetup& setup, size_t pageCount) {
    if (pageCount < 2) return kExitOk;
    for (const OutputPattern& output : outputPatterns(setup)) {
        const std::string& name = *output.pattern;
        if (name.empty() || !output.perPage || hasPagePlaceholder(name)) continue;
        return failure(
            formatText("the sprites take %zu pages, so every output name must hold {n}, the page number "
                       "(--pages), and %s does not; nothing was written",
                       pageCount, name.c_str()));
    }
    return kExitOk;
}

// A per-page data file lists the animations whose frames all lie on its page, since an engine reading it (PixiJS) finds
// an animation's frames in that page's sheet only; the others are named here.
void noteAnimationsOnSeveralPages(const PackSetup& setup,
                                  const std::vector<AtlasPage>& pages,
                                  const std::vector<Sprite>& sprites) {
    const auto& data = setup.outputs.data;
    if (!setup.animations || std::none_of(data.begin(), data.end(), [](auto& d) { return d.format.perPage; })) return;
    for (const std::string& name : animationsOnSeveralPages(pages, sprites)) {
        std::fprintf(stderr,
                     "quiltbox-cli: note: the frames of %s lie on several pages, so no page's data file lists it as "
                     "an animation\n",
                     terminalText(name).c_str());
    }
}

// Every file the pack names on `pageCount` pages: each file every output pattern produces, with its option, then the
// inputs (the images and lists, `read`, full paths; and the templates), which are only read.
std::vector<NamedFile> packFiles(const PackSetup& setup,
                                 const PackArguments& a,
                                 const std::vector<std::string>& read,
                                 size_t pageCount,
                                 const std::unordered_map<std::string, FileStamp>& listed = {}) {
    std::vector<NamedFile> files;
    for (const OutputPattern& output : outputPatterns(setup)) {
        if (output.pattern->empty()) continue;
        for (const std::string& name : outputNames(*output.pattern, output.perPage ? pageCount : 1)) {
            files.push_back({output.option, name, true, std::nullopt});
        }
    }
    for (const std::string& input : read) {
        files.push_back({"the input", input, false, std::nullopt});
        const auto known = listed.find(input);
        if (known != listed.end()) files.back().knownSize = known->second.size;
    }
    for (const auto& [option, value] : a.data) {
        std::string path;
        if (option == "--template" && fullPath(value, path)) files.push_back({"the input", path, false, std::nullopt});
    }
    return files;
}

// Two outputs naming one file would leave only the later, and an output naming an input would destroy it: either is
// refused before anything is written. Before packing the names of page 0, which every pack writes, are checked; once
// the pages are known, every page's.
int refuseSameFiles(const std::vector<NamedFile>& files) {
    size_t first = 0, second = 0;
    if (!findSameFile(files, first, second)) return kExitOk;
    const NamedFile& a = files[first];
    const NamedFile& b = files[second];
    const std::string message = formatText(b.output ? "%s %s and %s %s name the same file" : "%s %s names %s %s",
                                           a.label.c_str(), a.path.c_str(), b.label.c_str(), b.path.c_str());
    return usage("pack", terminalText(message + "; nothing was written"));
}

// The window program opens only ".bmp" and ".tga" files; a saved project naming others says so, once it is written.
std::string noteImagesTheWindowProgramLeavesOut(const AtlasImages& images, const std::string& projectPath) {
    const auto others = std::count_if(images.begin(), images.end(), [](const TextureImage* image) {
        return imageKindByExtension(image->path()) == ImageKind::None;
    });
    if (others == 0) return {};
    return formatText(
        "quiltbox-cli: note: %s names %d PNG image(s) or extension(s) not in lower case, which the window "
        "program leaves out; export, layout and info take them\n",
        terminalText(projectPath).c_str(), static_cast<int>(others));
}

// A page's project: its images at their places, the page's size, and its outputs as the usual places, relative to the
// project where that can be formed, so that `export` writes them again.
int saveProject(const PackSetup& setup,
                const AtlasPage& page,
                size_t p,
                const std::vector<Sprite>& sprites,
                OutputBatch& batch,
                std::string& notes) {
    Settings& settings = Settings::instance();
    settings.areaWidth = page.size.width;
    settings.areaHeight = page.size.height;
    const std::string path = pageFileName(setup.project, p);
    const PackOutputs& o = setup.outputs;
    const std::pair<const std::string*, int> usual[] = {{&o.bmp, Settings::kUsualBmp},
                                                        {&o.tga, Settings::kUsualTga},
                                                        {&o.ids, Settings::kUsualIdHeader},
                                                        {&o.quv, Settings::kUsualQuv},
                                                        {&o.uvArray, Settings::kUsualUvArray}};
    for (const auto& [pattern, entry] : usual) {
        if (pattern->empty()) continue;
        const std::string output = pageFileName(*pattern, p);
        std::string stored;
        if (!relativePathBetweenFiles(withoutDotComponents(pathForRelativeForm(path)),
                                      withoutDotComponents(pathForRelativeForm(output)), stored)) {
            stored = output;
        }
        if (stored.size() < sizeof settings.usualPaths[0]) {
            Settings::setText(settings.usualPaths[entry], stored);
        } else {
            std::fprintf(stderr, "quiltbox-cli: %s is too long to be kept as a usual place (255 bytes at most)\n",
                         terminalText(stored).c_str());
        }
    }
    AtlasImages images;
    for (const Frame& frame : page.frames) images.push_back(sprites[static_cast<size_t>(frame.sprite)].image);
    std::vector<uint8_t> bytes;
    if (!writing([&] { return projectFileBytes(path, images, bytes) && batch.write(path, bytes); })) {
        return cannotWrite(path, kNothingWritten);
    }
    notes += noteImagesTheWindowProgramLeavesOut(images, path);
    return kExitOk;
}

// Files of the page names beyond the pages written, left by an earlier pack on more pages: named, never removed (this
// pack did not write them).
void warnOfPagesLeftOver(const PackSetup& setup, size_t pageCount) {
    for (const OutputPattern& output : outputPatterns(setup)) {
        if (!output.perPage || !hasPagePlaceholder(*output.pattern)) continue;
        for (size_t p = pageCount; pathKind(pageFileName(*output.pattern, p)) == PathKind::File; ++p) {
            std::fprintf(
                stderr,
                "quiltbox-cli: warning: %s is left from an earlier pack on more pages (this one wrote %zu); it "
                "was not touched\n",
                terminalText(pageFileName(*output.pattern, p)).c_str(), pageCount);
        }
    }
}

// One scale of the pack: its setup (its file names and its extrusion and bleeding at its scale), its sprites and pages.
struct VariantPack {
    PackSetup setup;
    VariantScale scale;
    ScaledSprites scaled;
    std::vector<AtlasPage> pages;
};

// The setup of one variant: "{v}" in every name its name, the lengths of the largest variant's pixels at its scale.
PackSetup variantSetup(const PackSetup& setup, const ScaleVariant& variant, const VariantScale& scale) {
    PackSetup own = setup;
    PackOutputs& o = own.outputs;
    for (std::string* name : {&o.bmp, &o.tga, &o.png, &o.quv, &o.uvArray, &o.uvDefines, &o.ids, &own.project}) {
        *name = variantFileName(*name, variant.name);
    }
    for (DataOutput& data : o.data) data.path = variantFileName(data.path, variant.name);
    o.scale = variant.scaleText;
    own.atlasOptions.extrude = scale.fromLayout(setup.atlasOptions.extrude);
    if (setup.atlasOptions.bleed != kBleedEverywhere) {
        own.atlasOptions.bleed = scale.fromLayout(setup.atlasOptions.bleed);
    }
    return own;
}

// The sprites of every variant, resized; the images as they are when no --variant is given. `largest` is the variant
// the layout is made at.
int makeVariants(const PackSetup& setup,
                 const std::vector<Sprite>& sprites,
                 std::vector<VariantPack>& variants,
                 size_t& largest) {
    largest = 0;
    if (setup.variants.empty()) {
        variants.push_back({setup, {}, {sprites, {}}, {}});
        return kExitOk;
    }
    for (size_t v = 1; v < setup.variants.size(); ++v) {
        if (setup.variants[v].scale > setup.variants[largest].scale) largest = v;
    }
    for (const ScaleVariant& variant : setup.variants) {
        VariantPack pack;
        pack.scale = {variant.scale, setup.variants[largest].scale};
        pack.setup = variantSetup(setup, variant, pack.scale);
        std::string error;
        if (!scaleSprites(sprites, pack.scale, setup.filter, pack.scaled, error)) {
            return failure(error + " at --variant " + variant.scaleText + "; nothing was written");
        }
        variants.push_back(std::move(pack));
    }
    return kExitOk;
}

// Stages every variant's and page's outputs and projects (and the recipe), then puts them all in place together, or
// none; `outputs` gets every file the pack now stands in, those left as they were since they held the same bytes
// included.
int writeOutputs(const std::vector<VariantPack>& variants, std::vector<std::string>& outputs) {
    OutputBatch batch;
    std::string notes;
    for (const VariantPack& variant : variants) {
        const PackSetup& setup = variant.setup;
        const std::vector<AtlasPage>& pages = variant.pages;
        const std::vector<Sprite>& sprites = variant.scaled.sprites;
        Progress progress("writing pages", pages.size(),
                          !setup.quiet && pages.size() > 1 && sprites.size() >= kManyImages);
        for (size_t p = 0; p < pages.size(); ++p) {
            if (!writing([&] {
                    return writePageOutputs(setup.outputs, pages, p, sprites, setup.atlasOptions, Settings::instance(),
                                            batch);
                })) {
                return cannotWrite(batch.failedPath(), kNothingWritten);
            }
            if (!setup.project.empty()) {
                if (const int status = saveProject(setup, pages[p], p, sprites, batch, notes)) return status;
            }
            progress.step(p + 1);
        }
    }
    const PackSetup& setup = variants.front().setup;
    if (!setup.recipe.empty() && !writing([&] { return batch.write(setup.recipe, setup.recipeText); })) {
        return cannotWrite(batch.failedPath(), kNothingWritten);
    }
    outputs = batch.targets();
    if (!writing([&] { return batch.commit(); })) return cannotWrite(batch.failedPath(), kNothingWritten);
    for (const std::string& path : outputs) listWritten(path, variants.front().setup.quiet);
    std::fputs(notes.c_str(), stderr);
    for (const VariantPack& variant : variants) warnOfPagesLeftOver(variant.setup, variant.pages.size());
    return kExitOk;
}

// What stops a pack of these pages before anything is written: outputs that cannot tell the pages apart or name the
// same file, names a format cannot hold, PNG atlases too large.
int checkBeforeWriting(const std::vector<VariantPack>& variants,
                       const PackArguments& arguments,
                       const std::vector<std::string>& read,
                       const std::vector<Sprite>& sprites) {
    const size_t pageCount = variants.front().pages.size();
    std::vector<NamedFile> files;
    for (const VariantPack& variant : variants) {
        if (const int status = checkPageNames(variant.setup, pageCount)) return status;
        std::vector<NamedFile> own = packFiles(variant.setup, arguments, read, pageCount);
        // The recipe is one file whatever the variants, written once.
        if (&variant != &variants.front()) {
            own.erase(
                std::remove_if(own.begin(), own.end(), [](const NamedFile& f) { return f.label == "--save-recipe"; }),
                own.end());
        }
        files.insert(files.end(), own.begin(), own.end());
    }
    // The names checked before packing held "{n}" and "{v}" as they stand.
    if (pageCount > 1 || !variants.front().setup.variants.empty()) {
        if (const int status = refuseSameFiles(files)) return status;
    }
    const PackSetup& setup = variants.front().setup;
    noteAnimationsOnSeveralPages(setup, variants.front().pages, sprites);
    const std::string unwritable = unwritableName(setup.outputs, sprites);
    if (!unwritable.empty()) return failure(unwritable + "; nothing was written");
    for (const VariantPack& variant : variants) {
        for (const AtlasPage& page : variant.pages) {
            if (setup.outputs.png.empty() || int64_t{page.size.width} * page.size.height <= kMaxPngPixels) continue;
            return failure(
                formatText("a PNG atlas holds at most 128 Mi pixels (16384x8192), not %dx%d; nothing was written",
                           page.size.width, page.size.height));
        }
    }
    return kExitOk;
}

// Everything of the request that shapes the outputs, as texts for the record beside them: the options that differ from
// their defaults (the outputs as full paths), the data files, the inputs and the sprite settings. How it is run
// (--quiet, --threads) and the recipe written beside it do not count.
std::vector<std::string> packDescription(const PackRequest& request, const PackSetup& setup) {
    std::vector<std::string> description;
    const PackArguments& a = request.arguments;
    const PackArguments defaults;
    for (const PackOptionRow& row : packOptionTable()) {
        const std::string name = row.name;
        if (name == "--quiet" || name == "--threads" || name == "--save-recipe") continue;
        if (row.flag && a.*row.flag) description.push_back(name);
        if (!row.text || a.*row.text == defaults.*row.text) continue;
        std::string value = a.*row.text;
        if (row.recipeKind == RecipeKeyKind::Output) fullPath(value, value);
        description.push_back(name + "=" + value);
    }
    for (const DataOutput& data : setup.outputs.data) description.push_back(data.option + "=" + data.path);
    for (const auto& variant : a.variants) description.push_back("--variant=" + variant.second);
    for (const auto& [option, value] : a.data) {
        std::string path;
        if (option == "--template" && fullPath(value, path)) description.push_back("--template=" + path);
    }
    for (const InputArgument& input : request.inputs) {
        description.push_back((input.list      ? "list="
                               : input.accepts ? "pattern=" + input.pattern + "|"
                                               : "input=") +
                              input.path);
    }
    for (const SpriteSettings& entry : request.sprites) {
        std::string text = "sprite=" + entry.pattern;
        if (entry.hasPivot) text += formatText(" pivot=%.17g,%.17g", entry.pivot[0], entry.pivot[1]);
        if (entry.hasNineSlice) {
            const auto& b = entry.nineSlice;
            text += formatText(" nine-slice=%d,%d,%d,%d", b[0], b[1], b[2], b[3]);
        }
        description.push_back(text);
    }
    return description;
}

// The first output, beside which the record of a build or a kept layout is kept ("" for a pack without outputs).
std::string firstOutput(const PackSetup& setup) {
    for (const OutputPattern& output : outputPatterns(setup)) {
        if (output.pattern->empty() || output.option == "--save-recipe") continue;
        return setup.variants.empty() ? *output.pattern : variantFileName(*output.pattern, setup.variants.front().name);
    }
    return {};
}

// The layout started from the earlier pack's places (StableLayout.h), kept when it places every sprite within the slack
// of the fresh plan's page area; the fresh plan otherwise, and the command says so.
PagePlan keptLayout(const PackSetup& setup,
                    const BuildRecord& record,
                    const std::vector<std::string>& description,
                    const std::vector<std::string>& boxNames,
                    const std::vector<PackBox>& boxes,
                    PagePlan fresh) {
    const std::vector<EarlierPlace> earlier = record.earlierPlaces(description, boxNames);
    const size_t known = static_cast<size_t>(
        std::count_if(earlier.begin(), earlier.end(), [](const EarlierPlace& e) { return e.known; }));
    if (known == 0) {
        std::fprintf(
            stderr, "quiltbox-cli: --keep-layout: no earlier places to keep (%s), so a fresh pack\n",
            record.reading() == StateReading::Ok ? "the layout options changed" : stateReadingText(record.reading()));
        return fresh;
    }
    const StableLayoutResult stable =
        StableLayout(setup.packer, setup.rules).plan(boxes, earlier, record.earlierPages());
    if (StableLayout::keepsWithinSlack(stable, fresh, setup.keepLayoutSlack)) {
        std::fprintf(stderr, "quiltbox-cli: --keep-layout kept %zu of %zu sprites where they were\n", stable.kept,
                     boxes.size());
        return stable.plan;
    }
    if (!stable.complete) {
        std::fprintf(stderr,
                     "quiltbox-cli: --keep-layout: the sprites do not all fit around the places kept, so a fresh "
                     "pack\n");
    } else {
        std::fprintf(stderr,
                     "quiltbox-cli: --keep-layout: keeping the places would take %.1f%% more page area than a fresh "
                     "pack (more than --keep-layout-slack %d), so a fresh pack\n",
                     100.0 * static_cast<double>(stable.plan.totalArea() - fresh.totalArea()) /
                         static_cast<double>(fresh.totalArea()),
                     setup.keepLayoutSlack);
    }
    return fresh;
}

// The hash of each input's pixels, as the record keeps them so that a sprite saved again with the same pixels counts
// as unchanged: the images' in their order (a nine-patch's border is cut off by now, so its pixels are not known), 0
// for the lists and templates after them.
std::vector<uint64_t> pixelHashes(const std::vector<Sprite>& sprites, size_t inputCount, size_t firstImage) {
    std::vector<uint64_t> hashes(inputCount, 0);
    for (size_t i = 0; i < sprites.size() && firstImage + i < inputCount; ++i) {
        const TextureImage& image = *sprites[i].image;
        if (!sprites[i].ninePatch) {
            hashes[firstImage + i] = keptPixelsHash(image, Rect{0, 0, image.width(), image.height()});
        }
    }
    return hashes;
}

// The files a pack reads, in its order: the lists, the images, then the templates.
std::vector<std::string> readFiles(const PackArguments& a, const std::vector<std::string>& read) {
    std::vector<std::string> files = read;
    for (const auto& [option, value] : a.data) {
        std::string path;
        if (option == "--template" && fullPath(value, path)) files.push_back(path);
    }
    return files;
}

// What a build says of an atlas on standard output, unless quiet.
void tellAtlas(const PackRequest& request, const PackSetup& setup, const std::string& what) {
    if (!setup.quiet)
        std::printf("atlas %s: %s\n", terminalText(programTextFromUtf8(request.atlasName)).c_str(), what.c_str());
}

}  // namespace

int packInputArguments(const std::vector<std::string>& inputs, std::vector<InputArgument>& arguments) {
    for (const std::string& input : inputs) {
        const bool list = input.size() > 1 && input[0] == '@';
        const std::string given = list ? input.substr(1) : input;
        std::string path;
        if (!fullPath(given, path)) {
            return failure("cannot use the path " + given + " (it cannot be held in Shift-JIS); nothing was written");
        }
        arguments.push_back({path, list});
    }
    return kExitOk;
}

int runPack(const std::vector<std::string>& args) {
    PackRequest request;
    std::vector<std::string> inputs;
    const std::string error = parseOptions(args, packOptions(request.arguments), inputs, &request.given);
    if (!error.empty()) return usage("pack", error);
    if (inputs.empty()) return usage("pack", "no images given");
    if (const int status = packInputArguments(inputs, request.inputs)) return status;
    PackReport report;
    return runPackRequest(request, report);
}

int runPackRequest(const PackRequest& request, PackReport& report) {
    const PackArguments& arguments = request.arguments;
    PackSetup setup;
    setup.quiet = arguments.quiet;
    setup.allowOverflow = arguments.allowOverflow;
    if (const int status = readLayoutOptions(arguments, setup)) return status;
    if (const int status = readPackingOptions(arguments, setup)) return status;
    if (const int status = readNamingOptions(arguments, setup)) return status;
    if (const int status = readOutputs(arguments, setup)) return status;
    if (const int status = readVariantOptions(arguments, setup)) return status;
    for (const std::string& pattern : outputPatternsOfEveryVariant(setup)) report.outputs.push_back(pattern);
    const bool keepsRecord = request.mode == PackRequest::Mode::Build || setup.keepLayout;
    if (keepsRecord && firstOutput(setup).empty()) {
        return usage("pack", "--keep-layout and build keep their record beside the outputs: give an output");
    }
    if (keepsRecord) report.stateFile = recordPathFor(firstOutput(setup));
    if (request.mode == PackRequest::Mode::ListOutputs) return kExitOk;
    if (!setup.recipe.empty()) {
        std::string problem;
        if (!recipeForRequest(request, setup.recipe, setup.recipeText, problem)) {
            return failure("cannot write the recipe " + setup.recipe + ": " + problem + "; nothing was written");
        }
    }
    std::vector<InputFile> files;
    std::vector<std::string> read;
    for (const InputArgument& input : request.inputs) {
        if (!input.list) report.folders.push_back(input.path);
    }
    if (const int status = collectFiles(request.inputs, setup, files, read)) return status;
    report.read = readFiles(arguments, read);
    std::unordered_map<std::string, FileStamp> listed;  // the stamps the folders' listings gave
    for (const InputFile& file : files) {
        if (file.stamp != FileStamp{}) listed.emplace(file.path, file.stamp);
    }
    if (const int status = refuseSameFiles(packFiles(setup, arguments, read, 1, listed))) return status;

    // A build looks at its record first: when nothing that matters changed it reads no image and writes nothing.
    std::unique_ptr<BuildRecord> record;
    std::vector<CurrentInput> current;
    std::vector<std::string> description;
    if (keepsRecord) {
        record = std::make_unique<BuildRecord>(report.stateFile);
        current = BuildRecord::currentInputs(report.read, listed);
        description = packDescription(request, setup);
    }
    if (request.mode == PackRequest::Mode::Build) {
        const UpToDateCheck check = record->check(description, current);
        if (check.upToDate) {
            tellAtlas(request, setup, "up to date");
            return kExitOk;
        }
        tellAtlas(request, setup, "packing, since " + terminalText(check.reason));
    }

    TextureCollection images;
    std::vector<Sprite> sprites;
    if (const int status = takeInputs(files, setup, request, images, sprites)) return status;
    prepareSprites(sprites, setup);
    std::vector<VariantPack> variants;
    size_t largest = 0;
    if (const int status = makeVariants(setup, sprites, variants, largest)) return status;
    const std::vector<Sprite>& laidOut = variants[largest].scaled.sprites;
    std::vector<int32_t> packed;  // the sprite of each box: every sprite that is no alias
    std::vector<PackBox> boxes;
    std::vector<std::string> boxNames;
    for (size_t i = 0; i < laidOut.size(); ++i) {
        if (laidOut[i].isAlias()) continue;
        packed.push_back(static_cast<int32_t>(i));
        boxes.push_back({laidOut[i].kept.width(), laidOut[i].kept.height()});
        if (record) boxNames.push_back(laidOut[i].name);
    }
    PagePlan planned = plan(setup, boxes);
    if (setup.keepLayout) planned = keptLayout(setup, *record, description, boxNames, boxes, std::move(planned));
    tellChosenSizes(setup, planned);
    const std::vector<AtlasPage> pages = atlasPages(laidOut, packed, boxes, planned);
    for (VariantPack& variant : variants) {
        const bool asLaidOut = variant.scale.scale == variant.scale.largest;
        variant.pages = asLaidOut ? pages : scalePages(pages, variant.scaled.sprites, variant.scale, setup.rules);
        placeImages(variant.pages, variant.scaled.sprites);
    }
    if (reportUnplaced(pages, sprites, setup) && !setup.allowOverflow) {
        return failure(setup.rules.severalPages
                           ? "nothing was written (--allow-overflow leaves them out)"
                           : "nothing was written (--allow-overflow writes the images that fit, --pages adds pages)");
    }
    if (const int status = checkBeforeWriting(variants, arguments, read, sprites)) return status;
    std::vector<std::string> outputs;
    if (const int status = writeOutputs(variants, outputs)) return status;
    if (record) {
        const size_t lists = read.size() - files.size();
        if (!record->save(description, current, pixelHashes(sprites, current.size(), lists), outputs, planned, boxNames,
                          boxes)) {
            std::fprintf(stderr, "quiltbox-cli: warning: cannot write %s, so the next build packs afresh\n",
                         terminalText(record->path()).c_str());
            removeFile(record->path());
        }
    }
    return kExitOk;
}
