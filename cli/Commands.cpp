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
#include "cli/CommandSupport.h"
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

constexpr size_t kLongLayout = 1000;

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

}  // namespace

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
