#include "cli/Commands.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "base/ByteReader.h"
#include "base/FileSystem.h"
#include "base/Format.h"
#include "base/Message.h"
#include "base/RelativePath.h"
#include "base/SafeFileWriter.h"
#include "base/ShiftJis.h"
#include "cli/Json.h"
#include "cli/Options.h"
#include "cli/Terminal.h"
#include "image/AtlasExport.h"
#include "image/PngWriter.h"
#include "layout/TextureCollection.h"
#include "project/ProjectFile.h"
#include "project/Settings.h"
#include "project/UsualPlaces.h"

namespace {

constexpr int32_t kMaxAreaSide = Settings::kMaxAreaSide;
// Above these counts the command line shows its progress on a terminal.
constexpr size_t kManyImages = 200;
constexpr size_t kLongLayout = 1000;
constexpr int32_t kMaxExtrude = 256;
// The largest area --size auto tries unless --max-size says otherwise.
constexpr int32_t kDefaultMaxAutoSide = 4096;

int usage(const std::string& command, const std::string& message) {
    std::fprintf(stderr, "quiltbox-cli: %s\nTry 'quiltbox-cli %s --help'.\n", message.c_str(), command.c_str());
    return kExitUsage;
}

// A failure told in the program's own texts (Shift-JIS), shown as the terminal shows text.
int failure(const std::string& message) {
    std::fprintf(stderr, "quiltbox-cli: %s\n", terminalText(message).c_str());
    return kExitFailed;
}

// "cannot write PATH", with the system's reason when it left one.
int cannotWrite(const std::string& path) {
    const int error = errno;
    return failure("cannot write " + path + (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
}

// Runs a write with the system's last error cleared first, so that a reason found afterwards is this write's.
template <typename Write>
bool writing(Write write) {
    errno = 0;
    return write();
}

void listWritten(const std::string& path, bool quiet) {
    if (!quiet) std::printf("%s\n", terminalText(path).c_str());
}

bool parseInt32(const std::string& text, int64_t low, int64_t high, int32_t& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || v < low || v > high) return false;
    value = static_cast<int32_t>(v);
    return true;
}

bool parseSize(const std::string& text, int32_t& width, int32_t& height) {
    const size_t x = text.find('x');
    return x != std::string::npos && parseInt32(text.substr(0, x), 1, kMaxAreaSide, width) &&
           parseInt32(text.substr(x + 1), 1, kMaxAreaSide, height);
}

// An argument naming a file, as a full program path; false when it cannot be held in Shift-JIS.
bool fullPath(const std::string& argument, std::string& path) {
    std::string text;
    if (!argumentText(argument, text)) return false;
    path = absolutePath(text);
    return !path.empty();
}

bool isAbsoluteProgramPath(const std::string& path) {
#ifdef _WIN32
    return (path.size() >= 2 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
#else
    return !path.empty() && path[0] == '/';
#endif
}

// A path from a Windows project that means another machine's drive ("D:\out\atlas.bmp") has no meaning on Linux.
bool isForeignDrivePath(const std::string& path) {
#ifdef _WIN32
    (void)path;
    return false;
#else
    return path.size() >= 2 && path[1] == ':' && !isLeadByte(static_cast<uint8_t>(path[0]));
#endif
}

// The command line takes BMP, TGA and PNG files by their extension in any letter case ("RED.BMP", "Tree.Tga"). Only
// single-byte letters are lowered; an extension holding a double-byte character matches none of the three anyway.
ImageKind imageKindAnyCase(const std::string& path) {
    std::string extension = splitPath(path).extension;
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (extension == ".bmp") return ImageKind::Bmp;
    if (extension == ".tga") return ImageKind::Tga;
    if (extension == ".png") return ImageKind::Png;
    return ImageKind::None;
}

std::string folderOf(const std::string& path) {
    const PathParts parts = splitPath(path);
    return parts.drive + parts.folder;
}

// The images that found no place, named with their size and file; true when there were any.
bool reportParked(const TextureCollection& images, const std::vector<bool>& parked, const Settings& settings) {
    bool any = false;
    for (size_t i = 0; i < parked.size(); ++i) {
        if (!parked[i]) continue;
        const TextureImage& image = *images.images()[i];
        std::fprintf(stderr, "quiltbox-cli: %s\n",
                     terminalText(formatText("%s (%dx%d, %s) does not fit on the %dx%d area", image.name().c_str(),
                                             image.width(), image.height(), image.path().c_str(), settings.areaWidth,
                                             settings.areaHeight))
                         .c_str());
        any = true;
    }
    return any;
}

// Runs the automatic layout with the settings (and the extrusion's margin), saying so on a terminal when it will take a
// while.
std::vector<bool> layOut(TextureCollection& images, const Settings& settings, int32_t margin, bool quiet) {
    const bool show = !quiet && images.images().size() >= kLongLayout && isTerminal(stderr);
    const auto start = std::chrono::steady_clock::now();
    if (show) std::fprintf(stderr, "laying out %d images...", images.count());
    std::fflush(stderr);
    std::vector<bool> parked =
        images.autoLayout(settings.layoutSpacing, settings.areaWidth, settings.areaHeight, margin);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (show) std::fprintf(stderr, " %.2f s\n", seconds);
    return parked;
}

// Loads a project for export and layout; an exit status other than 0 (after the messages) when it cannot be used.
int loadForWork(const std::string& argument, bool allowMissing, TextureCollection& images, std::string& path) {
    if (!fullPath(argument, path)) return failure("cannot use the path " + argument);
    images.setImageKindRule(imageKindAnyCase);
    int32_t missing = 0;
    if (!loadProjectFile(path, images, &missing)) return failure(formatText("cannot load %s", path.c_str()));
    if (missing > 0 && !allowMissing) {
        return failure(formatText("%d image(s) of %s could not be loaded (--allow-missing goes on without them)",
                                  missing, path.c_str()));
    }
    return kExitOk;
}

// An area size that --size auto may choose.
struct AreaSize {
    int32_t width;
    int32_t height;
};

// The areas --size auto tries, smallest first: a square, then one twice as wide, each side a power of two within the
// largest size allowed.
std::vector<AreaSize> autoAreas(AreaSize largest) {
    std::vector<AreaSize> areas;
    for (int32_t side = 1; side <= largest.width && side <= largest.height; side *= 2) {
        areas.push_back({side, side});
        if (int64_t{side} * 2 <= largest.width) areas.push_back({side * 2, side});
        if (side > kMaxAreaSide / 2) break;
    }
    return areas;
}

// True when the layout cannot place every image on the area, whatever their order: an image (grown by the margin) is
// larger than the area less the spacing along its edges, or together they cover more than that. No layout need be run
// to know.
bool surelyTooSmall(const TextureCollection& images, int32_t spacing, int32_t margin, AreaSize area) {
    const int64_t s = int64_t{spacing} - 2 * margin;
    const int64_t innerWidth = area.width - 2 * s;
    const int64_t innerHeight = area.height - 2 * s;
    int64_t covered = 0;
    for (const auto& image : images.images()) {
        const int64_t w = image->width() + 2 * int64_t{margin};
        const int64_t h = image->height() + 2 * int64_t{margin};
        if (w > innerWidth || h > innerHeight) return true;
        covered += w * h;
    }
    return covered > innerWidth * innerHeight;
}

// --size auto: lays the images out on each area of autoAreas in turn, skipping those that surely fail, and keeps the
// first that holds them all, else the largest (whose parked images are then reported as usual). The area goes into
// the settings.
std::vector<bool> layOutOnSmallestArea(TextureCollection& images,
                                       Settings& settings,
                                       int32_t margin,
                                       AreaSize largest,
                                       bool quiet) {
    const std::vector<AreaSize> areas = autoAreas(largest);
    std::vector<bool> parked;
    for (size_t i = 0; i < areas.size(); ++i) {
        const bool last = i + 1 == areas.size();
        if (!last && surelyTooSmall(images, settings.layoutSpacing, margin, areas[i])) continue;
        settings.areaWidth = areas[i].width;
        settings.areaHeight = areas[i].height;
        parked = layOut(images, settings, margin, quiet);
        if (std::find(parked.begin(), parked.end(), true) == parked.end()) {
            std::fprintf(stderr, "quiltbox-cli: --size auto chose %dx%d\n", areas[i].width, areas[i].height);
            break;
        }
    }
    return parked;
}

// The atlas image as the JSON file names it: relative to the JSON file's folder where that can be formed, with '/'
// between folders as engines load it, in UTF-8.
std::string imageReference(const std::string& jsonPath, const std::string& imagePath) {
    std::string relative;
    if (!relativePathBetweenFiles(withoutDotComponents(pathForRelativeForm(jsonPath)),
                                  withoutDotComponents(pathForRelativeForm(imagePath)), relative)) {
        relative = imagePath;
    }
    std::string text = utf8Text(relative);  // from here on a '\\' is never half of a double-byte character
    if (text.rfind(".\\", 0) == 0) text.erase(0, 2);
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

// The window program opens only ".bmp" and ".tga" files; a saved project naming others says so.
void noteImagesTheWindowProgramLeavesOut(const TextureCollection& images, const std::string& projectPath) {
    const auto others = std::count_if(images.images().begin(), images.images().end(), [](const auto& image) {
        return imageKindByExtension(image->path()) == ImageKind::None;
    });
    if (others == 0) return;
    std::fprintf(stderr,
                 "quiltbox-cli: note: %s names %d PNG image(s) or extension(s) not in lower case, which the window "
                 "program leaves out; export, layout and info take them\n",
                 terminalText(projectPath).c_str(), static_cast<int>(others));
}

}  // namespace

int runPack(const std::vector<std::string>& args) {
    std::string size = "256x256", maxSize, spacing = "1", sort = "edge", uv = "pixels", idPrefix = "IDT_",
                extrude = "0";
    std::string bmp, tga, png, json, quv, uvArray, uvDefines, ids, save;
    bool reverseH = false, reverseV = false, absolutePaths = false, quiet = false, allowOverflow = false;
    bool premultiply = false;
    std::vector<std::string> inputs;
    const std::string error = parseOptions(args,
                                           {{"--size", &size, nullptr},
                                            {"--max-size", &maxSize, nullptr},
                                            {"--spacing", &spacing, nullptr},
                                            {"--sort", &sort, nullptr},
                                            {"--uv", &uv, nullptr},
                                            {"--id-prefix", &idPrefix, nullptr},
                                            {"--extrude", &extrude, nullptr},
                                            {"--bmp", &bmp, nullptr},
                                            {"--tga", &tga, nullptr},
                                            {"--png", &png, nullptr},
                                            {"--json", &json, nullptr},
                                            {"--quv", &quv, nullptr},
                                            {"--uv-array", &uvArray, nullptr},
                                            {"--uv-defines", &uvDefines, nullptr},
                                            {"--ids", &ids, nullptr},
                                            {"--save", &save, nullptr},
                                            {"--reverse-h", nullptr, &reverseH},
                                            {"--reverse-v", nullptr, &reverseV},
                                            {"--premultiply", nullptr, &premultiply},
                                            {"--absolute-paths", nullptr, &absolutePaths},
                                            {"--allow-overflow", nullptr, &allowOverflow},
                                            {"--quiet", nullptr, &quiet}},
                                           inputs);
    if (!error.empty()) return usage("pack", error);
    if (inputs.empty()) return usage("pack", "no images given");

    Settings& settings = Settings::instance();
    settings.resetToDefaults();
    const bool autoSize = size == "auto";
    if (!autoSize && !parseSize(size, settings.areaWidth, settings.areaHeight)) {
        return usage("pack", "--size takes WIDTHxHEIGHT, each from 1 to 16384");
    }
    if (!parseInt32(spacing, INT32_MIN, INT32_MAX, settings.layoutSpacing)) {
        return usage("pack", "--spacing takes a whole number");
    }
    if (sort != "edge" && sort != "pixels") return usage("pack", "--sort takes edge or pixels");
    if (uv != "pixels" && uv != "ratio") return usage("pack", "--uv takes pixels or ratio");
    settings.sortByEdgeLength = sort == "edge" ? 1 : 0;
    settings.uvRatio = uv == "ratio" ? 1 : 0;
    settings.reverseHorizontal = reverseH ? 1 : 0;
    settings.reverseVertical = reverseV ? 1 : 0;
    settings.absolutePaths = absolutePaths ? 1 : 0;
    std::string prefix;
    if (!argumentText(idPrefix, prefix) || prefix.size() >= sizeof settings.idPrefix) {
        return usage("pack", "--id-prefix takes up to 31 bytes of Shift-JIS text");
    }
    Settings::setText(settings.idPrefix, prefix);
    AreaSize largest = {kDefaultMaxAutoSide, kDefaultMaxAutoSide};
    if (!maxSize.empty() && !autoSize) return usage("pack", "--max-size goes with --size auto");
    if (!maxSize.empty() && !parseSize(maxSize, largest.width, largest.height)) {
        return usage("pack", "--max-size takes WIDTHxHEIGHT, each from 1 to 16384");
    }
    AtlasOptions atlasOptions;
    atlasOptions.premultiply = premultiply;
    if (!parseInt32(extrude, 0, kMaxExtrude, atlasOptions.extrude)) {
        return usage("pack", "--extrude takes a whole number from 0 to 256");
    }
    if (atlasOptions.extrude > 0 && settings.layoutSpacing < 2 * int64_t{atlasOptions.extrude}) {
        return usage("pack", "--extrude N needs a --spacing of at least 2N");
    }
    if (!json.empty() && png.empty() && tga.empty() && bmp.empty()) {
        return usage("pack", "--json names the atlas image: give --png, --tga or --bmp too");
    }

    // Every output as a full path before anything is loaded, so that a bad name costs no work.
    struct Output {
        const std::string* argument;
        int usualEntry;
        std::function<bool(const TextureCollection&, const std::string&)> write;
        std::string path = {};
    };
    std::string atlasForJson;  // the full path of the atlas image the JSON names
    std::vector<Output> outputs = {
        {&bmp, Settings::kUsualBmp,
         [&](const TextureCollection& c, const std::string& p) {
             return writeAtlasBmpFile(atlasImages(c), p, settings.areaWidth, settings.areaHeight, atlasOptions);
         }},
        {&tga, Settings::kUsualTga,
         [&](const TextureCollection& c, const std::string& p) {
             return writeAtlasTgaFile(atlasImages(c), p, settings.areaWidth, settings.areaHeight, atlasOptions);
         }},
        {&png, -1,
         [&](const TextureCollection& c, const std::string& p) {
             return writeAtlasPngFile(atlasImages(c), p, settings.areaWidth, settings.areaHeight, atlasOptions);
         }},
        {&ids, Settings::kUsualIdHeader,
         [](const TextureCollection& c, const std::string& p) { return c.writeIdHeader(p); }},
        {&quv, Settings::kUsualQuv, [](const TextureCollection& c, const std::string& p) { return c.writeQuvList(p); }},
        {&uvArray, Settings::kUsualUvArray,
         [](const TextureCollection& c, const std::string& p) { return c.writeUvArray(p); }},
        {&uvDefines, -1, [](const TextureCollection& c, const std::string& p) { return c.writeUvDefines(p); }},
        {&json, -1,
         [&](const TextureCollection& c, const std::string& p) {
             const Json atlas =
                 atlasJsonHash(c, settings.areaWidth, settings.areaHeight, imageReference(p, atlasForJson));
             return writeFileSafely(p, jsonDump(atlas) + "\n");
         }},
    };
    for (Output& o : outputs) {
        if (!o.argument->empty() && !fullPath(*o.argument, o.path)) {
            return failure("cannot use the path " + *o.argument + " (it cannot be held in Shift-JIS)");
        }
    }
    for (const Output* atlas : {&outputs[2], &outputs[1], &outputs[0]}) {
        if (atlasForJson.empty()) atlasForJson = atlas->path;
    }
    std::string projectPath;
    if (!save.empty() && !fullPath(save, projectPath)) {
        return failure("cannot use the path " + save + " (it cannot be held in Shift-JIS)");
    }

    TextureCollection images;
    images.setImageKindRule(imageKindAnyCase);
    size_t failed = 0;
    {
        Progress progress("loading images", inputs.size(), !quiet && inputs.size() >= kManyImages);
        for (size_t i = 0; i < inputs.size(); ++i) {
            std::string path;
            if (!fullPath(inputs[i], path)) {
                failure("cannot use the path " + inputs[i] + " (it cannot be held in Shift-JIS)");
                ++failed;
            } else if (!images.addFromFile(path, true)) {
                ++failed;
            }
            progress.step(i + 1);
        }
    }
    if (failed > 0) return failure(formatText("%zu image(s) could not be loaded; nothing was written", failed));

    const std::vector<bool> parked = autoSize
                                         ? layOutOnSmallestArea(images, settings, atlasOptions.extrude, largest, quiet)
                                         : layOut(images, settings, atlasOptions.extrude, quiet);
    if (reportParked(images, parked, settings) && !allowOverflow) {
        return failure("nothing was written (--allow-overflow writes the images that fit)");
    }
    if (!png.empty() && int64_t{settings.areaWidth} * settings.areaHeight > kMaxPngPixels) {
        return failure(
            formatText("a PNG atlas holds at most 128 Mi pixels (16384x8192), not %dx%d; nothing was written",
                       settings.areaWidth, settings.areaHeight));
    }

    for (const Output& o : outputs) {
        if (o.path.empty()) continue;
        if (!writing([&] { return o.write(images, o.path); })) return cannotWrite(o.path);
        listWritten(o.path, quiet);
    }
    if (projectPath.empty()) return kExitOk;
    // The project remembers the outputs as its usual places, relative to itself where that can be formed, so that
    // `export` writes them again.
    for (const Output& o : outputs) {
        if (o.path.empty() || o.usualEntry < 0) continue;
        std::string stored;
        if (!relativePathBetweenFiles(withoutDotComponents(pathForRelativeForm(projectPath)),
                                      withoutDotComponents(pathForRelativeForm(o.path)), stored)) {
            stored = o.path;
        }
        if (stored.size() < sizeof settings.usualPaths[0]) {
            Settings::setText(settings.usualPaths[o.usualEntry], stored);
        } else {
            std::fprintf(stderr, "quiltbox-cli: %s is too long to be kept as a usual place (255 bytes at most)\n",
                         terminalText(stored).c_str());
        }
    }
    if (!writing([&] { return saveProjectFile(projectPath, images); })) return cannotWrite(projectPath);
    listWritten(projectPath, quiet);
    noteImagesTheWindowProgramLeavesOut(images, projectPath);
    return kExitOk;
}

int runExport(const std::vector<std::string>& args) {
    std::string outDir;
    bool allowMissing = false, quiet = false;
    std::vector<std::string> positional;
    const std::string error = parseOptions(
        args,
        {{"--out-dir", &outDir, nullptr}, {"--allow-missing", nullptr, &allowMissing}, {"--quiet", nullptr, &quiet}},
        positional);
    if (!error.empty()) return usage("export", error);
    if (positional.size() != 1) return usage("export", "give exactly one project file");

    TextureCollection images;
    std::string projectPath;
    if (const int status = loadForWork(positional[0], allowMissing, images, projectPath)) return status;
    std::string base = folderOf(projectPath);
    if (!outDir.empty()) {
        std::string dir;
        if (!fullPath(outDir, dir)) return failure("cannot use the path " + outDir);
        base = dir + (dir.back() == kPathSeparator ? "" : std::string(1, kPathSeparator));
    }
    const Settings& settings = Settings::instance();
    int status = kExitOk;
    int written = 0;
    for (const UsualPlace& place : usualPlaces()) {
        const std::string stored = Settings::text(settings.usualPaths[place.entry]);
        if (stored.empty()) continue;
        if (isForeignDrivePath(stored)) {
            status = failure("the usual place " + stored + " names a Windows drive; nothing written there");
            continue;
        }
        const std::string path = pathForPlatform(isAbsoluteProgramPath(stored) ? stored : base + stored);
        if (!writing([&] { return place.write(images, path, settings); })) {
            status = cannotWrite(path);
            continue;
        }
        listWritten(path, quiet);
        ++written;
    }
    if (written == 0 && status == kExitOk) {
        std::fprintf(stderr, "quiltbox-cli: %s sets no usual output places; nothing written\n",
                     terminalText(projectPath).c_str());
    }
    return status;
}

int runLayout(const std::vector<std::string>& args) {
    std::string out;
    bool allowMissing = false, allowOverflow = false, quiet = false;
    std::vector<std::string> positional;
    const std::string error = parseOptions(args,
                                           {{"-o", &out, nullptr},
                                            {"--output", &out, nullptr},
                                            {"--allow-missing", nullptr, &allowMissing},
                                            {"--allow-overflow", nullptr, &allowOverflow},
                                            {"--quiet", nullptr, &quiet}},
                                           positional);
    if (!error.empty()) return usage("layout", error);
    if (positional.size() != 1) return usage("layout", "give exactly one project file");

    TextureCollection images;
    std::string projectPath;
    if (const int status = loadForWork(positional[0], allowMissing, images, projectPath)) return status;
    std::string target = projectPath;
    if (!out.empty() && !fullPath(out, target)) return failure("cannot use the path " + out);
    const std::vector<bool> parked = layOut(images, Settings::instance(), 0, quiet);
    if (reportParked(images, parked, Settings::instance()) && !allowOverflow) {
        return failure("nothing was written (--allow-overflow saves the layout anyway)");
    }
    if (!writing([&] { return saveProjectFile(target, images); })) return cannotWrite(target);
    listWritten(target, quiet);
    return kExitOk;
}

namespace {

void settingsAsJson(Json& json, const Settings& s) {
    const std::pair<const char*, int32_t> head[] = {{"version", s.version},
                                                    {"areaWidth", s.areaWidth},
                                                    {"areaHeight", s.areaHeight},
                                                    {"zoom", s.zoom},
                                                    {"backgroundBrush", s.backgroundBrush},
                                                    {"showAlpha", s.showAlpha},
                                                    {"showBorder", s.showBorder},
                                                    {"centerArea", s.centerArea},
                                                    {"layoutSpacing", s.layoutSpacing}};
    for (const auto& [name, value] : head) json[name] = value;
    json["idPrefix"] = jsonText(Settings::text(s.idPrefix));
    json["absolutePaths"] = s.absolutePaths;
    json["uvRatio"] = s.uvRatio;
    json["usualPaths"] = Json::array();
    for (const auto& path : s.usualPaths) json["usualPaths"].push_back(jsonText(Settings::text(path)));
    json["idHeaderText"] = jsonText(Settings::text(s.idHeaderText));
    json["idDeclaration"] = jsonText(Settings::text(s.idDeclaration));
    json["idConnector"] = jsonText(Settings::text(s.idConnector));
    json["sortByEdgeLength"] = s.sortByEdgeLength;
    json["reverseHorizontal"] = s.reverseHorizontal;
    json["reverseVertical"] = s.reverseVertical;
}

// The size of the image a stored record names, when its file loads; nothing is reported.
bool probeImage(const std::string& path, int32_t& width, int32_t& height) {
    TextureImage image;
    const ImageKind kind = imageKindAnyCase(path);
    const bool loaded = (kind == ImageKind::Bmp && image.loadBmp(path) == nullptr) ||
                        (kind == ImageKind::Tga && image.loadTga(path)) ||
                        (kind == ImageKind::Png && image.loadPng(path) == nullptr);
    width = image.width();
    height = image.height();
    return loaded;
}

}  // namespace

int runInfo(const std::vector<std::string>& args) {
    bool asJson = false;
    std::vector<std::string> positional;
    const std::string error = parseOptions(args, {{"--json", nullptr, &asJson}}, positional);
    if (!error.empty()) return usage("info", error);
    if (positional.size() != 1) return usage("info", "give exactly one project file");
    std::string path;
    if (!fullPath(positional[0], path)) return failure("cannot use the path " + positional[0]);
    std::vector<uint8_t> file;
    if (readWholeFile(path, kMaxProjectFileBytes, file) != FileReadResult::Ok) {
        return failure("cannot read " + path);
    }
    ByteReader in(file);
    Settings settings;
    if (!settings.readFrom(in)) return failure("cannot read " + path);
    std::vector<StoredImage> records;
    if (!parseImageList(in, records)) {
        showMessage("プロジェクトファイルが壊れています!", "Error");
        return failure("cannot read " + path);
    }

    std::string text = formatText("project %s\narea %dx%d, spacing %d, %s paths, UV in %s\nimages: %zu\n", path.c_str(),
                                  settings.areaWidth, settings.areaHeight, settings.layoutSpacing,
                                  settings.absolutePaths == 1 ? "absolute" : "relative",
                                  settings.uvRatio ? "ratios" : "pixels", records.size());
    Json json = {{"file", jsonText(path)}};
    settingsAsJson(json, settings);
    json["images"] = Json::array();
    for (const StoredImage& record : records) {
        const std::string resolved = resolveStoredPath(record.path, path, settings.absolutePaths == 1);
        int32_t width = 0, height = 0;
        const bool loaded = probeImage(resolved, width, height);
        json["images"].push_back({{"name", jsonText(record.name)},
                                  {"path", jsonText(record.path)},
                                  {"resolvedPath", jsonText(resolved)},
                                  {"x", record.x},
                                  {"y", record.y},
                                  {"width", loaded ? Json(width) : Json()},
                                  {"height", loaded ? Json(height) : Json()}});
        text += loaded ? formatText("  %-20s %6d,%-6d %5dx%-5d %s\n", record.name.c_str(), record.x, record.y, width,
                                    height, resolved.c_str())
                       : formatText("  %-20s %6d,%-6d (missing)   %s\n", record.name.c_str(), record.x, record.y,
                                    resolved.c_str());
    }
    if (asJson) {
        std::printf("%s\n", jsonDump(json).c_str());
    } else {
        std::fputs(terminalText(text).c_str(), stdout);
    }
    return kExitOk;
}
