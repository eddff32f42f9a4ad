#include "fuzz/FuzzTargets.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string_view>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "base/Message.h"
#include "base/SafeFileWriter.h"
#include "image/AtlasExport.h"
#include "image/ImageLimits.h"
#include "image/PngReader.h"
#include "layout/TextureCollection.h"
#include "project/IdHeaderExport.h"
#include "project/ProjectFile.h"
#include "project/Settings.h"
#include "project/UvExport.h"

// The fuzz build gets its Shift-JIS literals from scripts/clang-cp932.py; this stops it if it ever does not: a plain
// text, a second byte that is a backslash, and an escape right before a converted character.
static_assert(std::string_view("テクスチャー") == "\x83\x65\x83\x4e\x83\x58\x83\x60\x83\x83\x81\x5b", "CP932");
static_assert(std::string_view("表\x41テ") == "\x95\x5c\x41\x83\x65", "CP932");

namespace {

namespace stdfs = std::filesystem;

// Counts the core's messages instead of showing them, while alive.
struct MessageCounter {
    int count = 0;
    MessageHandler previous = setMessageHandler([this](const std::string&, const std::string&) { ++count; });
    ~MessageCounter() { setMessageHandler(previous); }
};

void require(std::string& broken, bool holds, const char* what) {
    if (!holds && broken.empty()) broken = what;
}

// Every image the core holds, whichever reader made it, is a plain 24-bit DIB of a size within the caps with buffers
// of exactly the size that drawing and copying walk; copied onto a small atlas with each corner inside in turn, the
// ends of its first and last rows are read.
void checkImage(TextureImage& image, std::string& broken) {
    const int64_t w = image.width(), h = image.height();
    require(broken,
            imageSizeAllowed(w, h) && image.info().biWidth == w && image.info().biHeight == h &&
                image.info().biPlanes == 1 && image.info().biBitCount == 24 && image.info().biCompression == kBiRgb &&
                static_cast<int64_t>(image.pixels().size()) == dibRowStride(w) * h &&
                static_cast<int64_t>(image.alpha().size()) == (image.kind() == ImageKind::Bmp ? 0 : w * h),
            "an image is not a plain 24-bit DIB of a size within the caps, or its buffers do not fit its size");
    if (!broken.empty()) return;
    std::vector<uint8_t> atlas(16 * 16 * 4);
    for (const Point& at : {Point{0, 0}, Point{1 - image.width(), 0}, Point{0, 1 - image.height()},
                            Point{1 - image.width(), 1 - image.height()}, Point{14, 14}}) {
        image.setPosition(at.x, at.y);
        image.copyTo24(atlas.data(), 16, 16);
        image.copyTo32(atlas.data(), 16, 16);
    }
    image.setPosition(0, 0);
}

FuzzOutcome checked(TextureImage& image, bool accepted) {
    FuzzOutcome outcome;
    outcome.accepted = accepted;
    if (accepted) checkImage(image, outcome.broken);
    return outcome;
}

// A loaded collection is laid out, composed onto an area cut to at most 64 x 64 and exported, for the sanitizers to
// watch; then saved below the images (so that its relative paths climb) and loaded again: the same settings, names,
// places (16 bits) and pixels. A save may fail (a path too long to store); that is no fault of the load.
void useCollection(TextureCollection& images, const stdfs::path& folder, std::string& broken) {
    Settings& s = Settings::instance();
    images.autoLayout(s.layoutSpacing, s.areaWidth, s.areaHeight);
    std::vector<uint8_t> atlas;
    for (int bytes : {3, 4}) {
        require(broken, composeAtlas(atlasImages(images), std::min(s.areaWidth, 64), std::min(s.areaHeight, 64), bytes, atlas),
                "no atlas of a sound area");
    }
    quvList(exportEntries(images), s);
    uvArrayText(exportEntries(images), s);
    uvDefinesText(exportEntries(images), s);
    const Settings::Record record = s.record();
    stdfs::create_directory(folder / "saved");
    const std::string path = (folder / "saved" / "again.qbp").string();
    if (!saveProjectFile(path, images)) return;
    TextureCollection again;
    require(broken,
            !s.isChanged() && loadProjectFile(path, again) && s.record() == record && again.count() == images.count(),
            "a saved project does not load as itself with its settings and all its images");
    for (int32_t i = 0; i < std::min(again.count(), images.count()); ++i) {
        const TextureImage &before = *images.images()[i], &after = *again.images()[i];
        require(broken,
                after.name() == before.name() && after.x() == static_cast<int16_t>(before.x()) &&
                    after.y() == static_cast<int16_t>(before.y()) && after.pixels() == before.pixels() &&
                    after.alpha() == before.alpha(),
                "an image changed on its way through a file");
    }
}

}  // namespace

FuzzOutcome fuzzBmp(const uint8_t* data, size_t size) {
    TextureImage image;
    return checked(image, image.takeBmp("fuzz.bmp", data, size) == nullptr);
}

FuzzOutcome fuzzTga(const uint8_t* data, size_t size) {
    TextureImage image;
    return checked(image, image.takeTga("fuzz.tga", data, size));
}

// A refusal gives one of the texts the reader declares.
FuzzOutcome fuzzPng(const uint8_t* data, size_t size) {
    TextureImage image;
    const char* failure = image.takePng("fuzz.png", data, size);
    FuzzOutcome outcome = checked(image, failure == nullptr);
    require(outcome.broken,
            !failure || failure == kPngHeaderFailed || failure == kPngSizeRefused || failure == kPngDataFailed,
            "a failure text the reader does not declare");
    return outcome;
}

// A refused record is reported once and leaves the settings as they were (a foreign file) or the defaults (a damaged
// record); a record taken is not reported and reads back as itself once written. Its texts go into the ID header.
FuzzOutcome fuzzSettings(const uint8_t* data, size_t size) {
    FuzzOutcome outcome;
    MessageCounter messages;
    Settings settings, again;
    settings.zoom = 512;  // not the default, so that "untouched" and "back to the defaults" can be told apart
    const Settings::Record before = settings.record();
    ByteReader in(data, size);
    outcome.accepted = settings.readFrom(in);
    ByteWriter out;
    settings.writeTo(out);
    ByteReader back(out.buffer());
    require(outcome.broken,
            outcome.accepted ? messages.count == 0 && again.readFrom(back) && again.record() == settings.record()
                             : messages.count == 1 && (settings.record() == before || settings.record() == again.record()),
            "a record was reported wrongly, changed the settings when refused, or does not read back");
    idHeaderText({}, settings);
    return outcome;
}

FuzzOutcome fuzzProject(const uint8_t* data, size_t size) {
    FuzzOutcome outcome;
    static std::mt19937_64 random{std::random_device{}()};
    std::error_code error;
    const char* chosen = std::getenv("QUILTBOX_FUZZ_TMP");  // run-fuzzers.sh gives one in memory
    const stdfs::path folder = (chosen && *chosen ? stdfs::path(chosen) : stdfs::temp_directory_path()) /
                               ("quiltbox-fuzz-" + std::to_string(random()));
    require(outcome.broken, stdfs::create_directory(folder, error), "cannot create a private folder");
    // The parts, each up to the next separator; those beyond the fifth are ignored.
    const char* const names[] = {"project.qbp", "a.bmp", "b.tga", "c.bmp", "d.tga"};
    const std::string_view input(reinterpret_cast<const char*>(data), size), separator = "#QBFILE#";
    for (size_t part = 0, at = 0; part < 5 && at <= input.size(); ++part) {
        const size_t stop = std::min(input.find(separator, at), input.size());
        require(outcome.broken,
                writeFileSafely((folder / names[part]).string(), std::string(input.substr(at, stop - at))),
                "cannot write a part");
        at = stop + separator.size();
    }
    if (outcome.broken.empty()) {
        MessageCounter messages;
        TextureCollection images;
        outcome.accepted = loadProjectFile((folder / names[0]).string(), images) && messages.count == 0;
        // A damaged image list keeps the images read before the damage, and the program goes on with them.
        for (const auto& image : images.images()) checkImage(*image, outcome.broken);
        if (outcome.broken.empty()) useCollection(images, folder, outcome.broken);
    }
    Settings::instance().resetToDefaults();
    stdfs::remove_all(folder, error);
    return outcome;
}
