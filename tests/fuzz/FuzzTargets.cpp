#include "fuzz/FuzzTargets.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "base/FileSystem.h"
#include "base/Message.h"
#include "image/AtlasExport.h"
#include "image/BmpReader.h"
#include "image/ImageLimits.h"
#include "image/TextureImage.h"
#include "layout/TextureCollection.h"
#include "project/IdHeaderExport.h"
#include "project/ProjectFile.h"
#include "project/Settings.h"
#include "project/UvExport.h"

// The fuzzed code must hold the same Shift-JIS literals in every build; the fuzz build gets them from
// scripts/clang-cp932.py, and this stops it if it ever does not: a plain text, a second byte that is a backslash, and
// an escape right before a converted character.
static_assert(std::string_view("テクスチャー") == "\x83\x65\x83\x4e\x83\x58\x83\x60\x83\x83\x81\x5b",
              "narrow literals are code page 932");
static_assert(std::string_view("表\x41テ") == "\x95\x5c\x41\x83\x65", "narrow literals are code page 932");

namespace {

namespace stdfs = std::filesystem;

// Counts the core's messages instead of showing them, while alive.
class MessageCounter {
public:
    MessageCounter() : previous_(setMessageHandler([this](const std::string&, const std::string&) { ++count_; })) {}
    ~MessageCounter() { setMessageHandler(std::move(previous_)); }
    MessageCounter(const MessageCounter&) = delete;
    MessageCounter& operator=(const MessageCounter&) = delete;

    int count() const { return count_; }

private:
    int count_ = 0;
    MessageHandler previous_;
};

// Notes the first property that fails; the outcome names that one.
void require(std::string& broken, bool holds, const std::string& what) {
    if (!holds && broken.empty()) broken = what;
}

// What every image the core holds must satisfy, whichever reader made it: a size within the caps and buffers of
// exactly the size that drawing and copying walk.
void checkImage(const TextureImage& image, std::string& broken) {
    const int64_t w = image.width();
    const int64_t h = image.height();
    require(broken, image.kind() != ImageKind::None, "an image without kind was kept");
    require(broken, imageSizeAllowed(w, h), "an image size outside the caps was taken");
    require(broken, image.info().biWidth == w && image.info().biHeight == h, "the DIB header disagrees with the size");
    require(broken, image.info().biBitCount == 24 && image.info().biCompression == kBiRgb,
            "the in-memory image is not a plain 24-bit DIB");
    require(broken, static_cast<int64_t>(image.pixels().size()) == dibRowStride(w) * h,
            "the pixel buffer is not rows x stride bytes");
    require(broken, image.kind() != ImageKind::Tga || static_cast<int64_t>(image.alpha().size()) == w * h,
            "a TGA image's alpha plane is not width x height bytes");
    require(broken, image.kind() != ImageKind::Bmp || !image.hasAlpha(), "a BMP image has an alpha plane");
    require(broken, image.name().size() <= TextureImage::kMaxNameBytes, "an image name is longer than 127 bytes");
}

// Copies the image onto a small atlas with each of its corners in turn inside, so that the pixels at the ends of its
// first and last rows are read, then straddling the atlas's far corner.
void copyAround(TextureImage& image) {
    constexpr int32_t kSide = 16;
    std::vector<uint8_t> atlas(kSide * kSide * 4);
    const int32_t w = image.width();
    const int32_t h = image.height();
    const Point places[] = {{0, 0}, {1 - w, 0}, {0, 1 - h}, {1 - w, 1 - h}, {kSide - 2, kSide - 2}};
    for (const Point& at : places) {
        image.setPosition(at.x, at.y);
        image.copyTo24(atlas.data(), kSide, kSide);
        image.copyTo32(atlas.data(), kSide, kSide);
    }
    image.setPosition(0, 0);
}

// A folder of its own for one run, removed with everything in it at the end.
class PrivateFolder {
public:
    PrivateFolder() {
        static std::atomic<unsigned> counter{0};
        static const unsigned process = std::random_device{}();
        const stdfs::path parent = parentFolder();
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const stdfs::path candidate =
                parent / ("quiltbox-fuzz-" + std::to_string(process) + "-" + std::to_string(counter++));
            std::error_code error;
            if (stdfs::create_directory(candidate, error)) path_ = candidate.string();
        }
    }
    ~PrivateFolder() {
        std::error_code ignored;
        if (!path_.empty()) stdfs::remove_all(path_, ignored);
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    bool exists() const { return !path_.empty(); }
    std::string file(const char* name) const { return (stdfs::path(path_) / name).string(); }
    // A file in a new folder inside this one.
    std::string fileInFolder(const char* folder, const char* name) const {
        std::error_code ignored;
        stdfs::create_directory(stdfs::path(path_) / folder, ignored);
        return (stdfs::path(path_) / folder / name).string();
    }

private:
    static stdfs::path parentFolder() {
        std::error_code error;
        if (const char* chosen = std::getenv("QUILTBOX_FUZZ_TMP"); chosen && *chosen)
            return stdfs::absolute(chosen, error);
#ifndef _WIN32
        if (stdfs::is_directory("/dev/shm", error)) return "/dev/shm";
#endif
        return stdfs::temp_directory_path(error);
    }

    std::string path_;
};

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = openFile(path, "wb");
    if (!file) return false;
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

constexpr std::string_view kPartSeparator = "#QBFILE#";
const char* const kProjectName = "project.qbp";
const char* const kImageNames[] = {"a.bmp", "b.tga", "c.bmp", "d.tga"};

std::vector<std::vector<uint8_t>> splitParts(const uint8_t* data, size_t size) {
    std::vector<std::vector<uint8_t>> parts;
    const uint8_t* end = data + size;
    const uint8_t* at = data;
    while (parts.size() < 1 + std::size(kImageNames)) {
        const uint8_t* stop = std::search(at, end, kPartSeparator.begin(), kPartSeparator.end());
        parts.emplace_back(at, stop);
        if (stop == end) break;
        at = stop + kPartSeparator.size();
    }
    return parts;
}

// Placed images lie inside the area, at least the spacing away from its edges, and never overlap one another (the
// layout's collision test keeps even touching ones apart on one side). An image at (W, H) was parked.
void checkLayout(const TextureCollection& images, const Settings& settings, std::string& broken) {
    const int64_t s = settings.layoutSpacing;
    const int64_t areaW = settings.areaWidth;
    const int64_t areaH = settings.areaHeight;
    std::vector<const TextureImage*> placed;
    for (const auto& image : images.images()) {
        const int64_t x = image->x();
        const int64_t y = image->y();
        if (x == areaW && y == areaH) continue;
        require(broken, x >= s && y >= s && x + image->width() <= areaW - s && y + image->height() <= areaH - s,
                "the layout placed an image outside the area less its spacing");
        placed.push_back(image.get());
    }
    for (size_t i = 0; i < placed.size() && broken.empty(); ++i) {
        const Rect a = placed[i]->bounds();
        for (size_t j = i + 1; j < placed.size(); ++j) {
            const Rect b = placed[j]->bounds();
            require(broken, !(a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom),
                    "the layout placed two images on top of each other");
        }
    }
}

// Everything the program makes from a collection: the layout, the atlas (on an area cut to at most 64 x 64, enough to
// copy whatever lands near the origin) and the three text exports and the QUV list.
void useCollection(TextureCollection& images, std::string& broken) {
    const Settings& settings = Settings::instance();
    images.autoLayout(settings.layoutSpacing, settings.areaWidth, settings.areaHeight);
    checkLayout(images, settings, broken);

    const int32_t atlasW = std::min(settings.areaWidth, 64);
    const int32_t atlasH = std::min(settings.areaHeight, 64);
    for (int bytesPerPixel : {3, 4}) {
        std::vector<uint8_t> atlas;
        require(broken, composeAtlas(images, atlasW, atlasH, bytesPerPixel, atlas), "no atlas for a sound area");
        require(broken, atlas.size() == static_cast<size_t>(atlasW * atlasH * bytesPerPixel), "atlas of a wrong size");
    }
    require(broken, quvList(images, settings).size() == 8 + 16 * static_cast<size_t>(images.count()),
            "the QUV list is not its header and 16 bytes per image");
    const std::string texts =
        uvArrayText(images, settings) + uvDefinesText(images, settings) + idHeaderText(images, settings);
    require(broken, !texts.empty(), "empty text exports");
}

// A collection saved and loaded again is the one that was saved: the same settings, images, names and places (the
// file keeps 16-bit coordinates). A save may fail (a path too long to store); that is no fault of the load. The copy
// goes into a folder below the images, so that its relative paths climb.
void saveAndReload(const TextureCollection& images, const PrivateFolder& folder, std::string& broken) {
    const Settings::Record record = Settings::instance().record();
    const std::string path = folder.fileInFolder("saved", "again.qbp");
    if (!saveProjectFile(path, images)) return;
    require(broken, !Settings::instance().isChanged(), "a saved project still counts as changed");
    TextureCollection again;
    if (!loadProjectFile(path, again)) {
        require(broken, false, "a saved project does not load");
        return;
    }
    require(broken, Settings::instance().record() == record, "the settings changed on their way through a file");
    require(broken, again.count() == images.count(), "the image count changed on its way through a file");
    for (int32_t i = 0; i < std::min(again.count(), images.count()); ++i) {
        const TextureImage& before = *images.images()[i];
        const TextureImage& after = *again.images()[i];
        require(broken, after.name() == before.name(), "an image name changed on its way through a file");
        require(broken, after.x() == static_cast<int16_t>(before.x()) && after.y() == static_cast<int16_t>(before.y()),
                "an image position changed on its way through a file");
        require(broken,
                after.kind() == before.kind() && after.pixels() == before.pixels() && after.alpha() == before.alpha(),
                "a saved project names another image than the one loaded");
    }

    // Deleting by name: every image that bears the first image's name goes, and with it the last one, which a load
    // leaves selected.
    if (again.count() == 0) return;
    const std::string name = again.images().front()->name();
    again.selectByName(name);
    again.deleteSelected();
    for (const auto& image : again.images()) {
        require(broken, image->name() != name, "an image bearing a deleted name is still there");
        require(broken, !image->isSelected(), "a selected image survived deleting the selection");
    }
}

// A decoded image: its buffers must match its size, and copying it onto an atlas from every corner must stay in them.
FuzzOutcome acceptedImage(TextureImage& image) {
    FuzzOutcome outcome;
    outcome.accepted = true;
    checkImage(image, outcome.broken);
    if (outcome.broken.empty()) copyAround(image);
    return outcome;
}

}  // namespace

FuzzOutcome fuzzBmp(const uint8_t* data, size_t size) {
    FuzzOutcome outcome;
    TextureImage image;
    const char* failure = image.takeBmp("fuzz.bmp", data, size);
    if (failure) {
        require(outcome.broken,
                failure == kBmpHeaderFailed || failure == kBmpNotUncompressed || failure == kBmpWrongDepth ||
                    failure == kBmpPixelsFailed,
                "a failure text the reader does not declare");
        return outcome;
    }
    return acceptedImage(image);
}

FuzzOutcome fuzzTga(const uint8_t* data, size_t size) {
    TextureImage image;
    if (!image.takeTga("fuzz.tga", data, size)) return {};
    return acceptedImage(image);
}

FuzzOutcome fuzzSettings(const uint8_t* data, size_t size) {
    FuzzOutcome outcome;
    std::string& broken = outcome.broken;
    MessageCounter messages;
    // A record that differs from the defaults, so that "untouched" and "back to the defaults" can be told apart.
    Settings settings;
    settings.zoom = 512;
    Settings::setText(settings.idPrefix, "OLD_");
    const Settings::Record before = settings.record();

    ByteReader in(data, size);
    const bool read = settings.readFrom(in);
    ByteReader tagReader(data, size);
    const int32_t tag = tagReader.i32();
    const bool known = tagReader.ok() && (tag == Settings::kVersion || tag == Settings::kOldVersion);
    if (!read) {
        require(broken, messages.count() == 1, "a refused record was not reported once");
        require(broken, settings.record() == (known ? Settings().record() : before),
                known ? "a damaged record did not leave the defaults" : "a foreign file changed the settings");
        return outcome;
    }
    outcome.accepted = true;
    require(broken, known && messages.count() == 0, "a record was taken without a known version, or reported");
    const bool old = tag == Settings::kOldVersion;
    require(broken, in.offset() == (old ? Settings::kOldRecordSize : Settings::kRecordSize),
            "the reader does not stand right behind the record");
    require(broken, settings.version == Settings::kVersion, "a record was taken without the current version");
    require(broken,
            settings.zoom > 0 && settings.areaWidth >= 1 && settings.areaWidth <= Settings::kMaxAreaSide &&
                settings.areaHeight >= 1 && settings.areaHeight <= Settings::kMaxAreaSide,
            "a zoom or area size outside the accepted ranges was taken");
    require(broken, settings.isChanged() == old, "only an upgraded record counts as changed");

    ByteWriter out;
    settings.writeTo(out);
    require(broken, !settings.isChanged(), "a written record still counts as changed");
    Settings again;
    ByteReader back(out.buffer());
    require(broken, again.readFrom(back) && again.record() == settings.record() && !again.isChanged(),
            "a written record does not read back as itself");

    // The texts of the record go into the ID header as they stand, unterminated arrays included.
    TextureCollection none;
    require(broken, !idHeaderText(none, settings).empty(), "an empty ID header");
    return outcome;
}

FuzzOutcome fuzzProject(const uint8_t* data, size_t size) {
    FuzzOutcome outcome;
    std::string& broken = outcome.broken;
    PrivateFolder folder;
    if (!folder.exists()) {
        broken = "cannot create a private folder for the project's files";
        return outcome;
    }
    const std::vector<std::vector<uint8_t>> parts = splitParts(data, size);
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string path = folder.file(i == 0 ? kProjectName : kImageNames[i - 1]);
        if (!writeFile(path, parts[i])) {
            broken = "cannot write " + path;
            return outcome;
        }
    }

    MessageCounter messages;
    {
        TextureCollection images;
        const bool loaded = loadProjectFile(folder.file(kProjectName), images);
        outcome.accepted = loaded && messages.count() == 0;
        for (const auto& image : images.images()) checkImage(*image, broken);
        // A damaged image list keeps the images read before the damage, and the program goes on with them.
        if (broken.empty()) {
            useCollection(images, broken);
            saveAndReload(images, folder, broken);
        }
    }
    Settings::instance().resetToDefaults();
    return outcome;
}
