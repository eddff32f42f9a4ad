#include "project/ProjectFile.h"

#include <utility>

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "base/FileSystem.h"
#include "base/Format.h"
#include "base/Message.h"
#include "base/RelativePath.h"
#include "base/SafeFileWriter.h"
#include "base/ShiftJis.h"
#include "layout/TextureCollection.h"
#include "project/Settings.h"

namespace {

const char* const kErrorCaption = "Error";
const char* const kCannotOpen = "プロジェクトファイルのオープンに失敗！";
const char* const kDamaged = "プロジェクトファイルが壊れています!";
const char* const kCannotStorePath = "出力に失敗 : \"%s\"";
// A stored text, padding included, must fit the reader's 512-byte buffer with its terminator.
constexpr int kMaxStoredText = 511;

// An int16 length and that many bytes; the text ends at the first zero byte (the padding).
bool readStoredText(ByteReader& in, std::string& text) {
    const int16_t length = in.i16();
    if (!in.ok() || length < 0 || length > kMaxStoredText) return false;
    const uint8_t* bytes = in.take(static_cast<size_t>(length));
    if (!bytes) return false;
    size_t n = 0;
    while (n < static_cast<size_t>(length) && bytes[n] != 0) ++n;
    text.assign(reinterpret_cast<const char*>(bytes), n);
    return true;
}

bool readRecord(ByteReader& in, StoredImage& record) {
    if (!readStoredText(in, record.path) || !readStoredText(in, record.name)) return false;
    record.x = in.i16();
    record.y = in.i16();
    return in.ok();
}

void writeStoredText(ByteWriter& out, const std::string& text) {
    const size_t padded = (text.size() + 1) & ~size_t{1};
    out.i16(static_cast<int16_t>(padded));
    out.text(text);
    out.zeros(padded - text.size());
}

}  // namespace

bool parseImageList(ByteReader& in, std::vector<StoredImage>& records) {
    const int32_t count = in.i32();
    if (!in.ok() || count < 0) return false;
    for (int32_t i = 0; i < count; ++i) {
        StoredImage record;
        if (!readRecord(in, record)) return false;
        records.push_back(std::move(record));
    }
    return true;
}

std::string resolveStoredPath(const std::string& stored, const std::string& projectPath, bool absolute) {
    if (absolute) return pathForPlatform(stored);
    const PathParts project = splitPath(projectPath);
    return pathForPlatform(formatText("%s%s", project.drive.c_str(), project.folder.c_str()) + stored);
}

// The records are read whole before any image is added, so that a record cut off by damage adds nothing.
bool TextureCollection::readImageList(ByteReader& in, const std::string& projectPath, int32_t* missing) {
    const bool absolute = Settings::instance().absolutePaths == 1;
    std::vector<StoredImage> records;
    const bool sound = parseImageList(in, records);
    int32_t notLoaded = 0;
    for (const StoredImage& record : records) {
        if (!addFromFile(resolveStoredPath(record.path, projectPath, absolute), false)) {
            ++notLoaded;
            continue;
        }
        setName(last(), TextureImage::exportableName(record.name));
        last().setPosition(record.x, record.y);
    }
    relist();
    if (missing) *missing = notLoaded;
    if (!sound) showMessage(kDamaged, kErrorCaption);
    return sound;
}

namespace {

bool writeImageList(ByteWriter& out, const AtlasImages& images, const std::string& projectPath) {
    const bool absolute = Settings::instance().absolutePaths == 1;
    out.i32(static_cast<int32_t>(images.size()));
    for (const TextureImage* image : images) {
        std::string stored = image->path();
        // Dot components are taken out first: an image loaded as folder + ".\x.bmp" is stored as ".\x.bmp" again.
        const bool formed =
            absolute || relativePathBetweenFiles(withoutDotComponents(pathForRelativeForm(projectPath)),
                                                 withoutDotComponents(pathForRelativeForm(image->path())), stored);
        if (!formed || stored.size() + (stored.size() & 1) > kMaxStoredText) {
            showMessage(formatText(kCannotStorePath, image->path().c_str()), kErrorCaption);
            return false;
        }
        writeStoredText(out, stored);
        writeStoredText(out, image->name());
        out.i16(static_cast<int16_t>(image->x()));
        out.i16(static_cast<int16_t>(image->y()));
    }
    return true;
}

}  // namespace

bool loadProjectFile(const std::string& path, TextureCollection& images, int32_t* missing) {
    Settings& settings = Settings::instance();
    settings.resetToDefaults();
    images.clear();
    std::vector<uint8_t> file;
    const FileReadResult read = readWholeFile(path, kMaxProjectFileBytes, file);
    if (read == FileReadResult::CannotOpen || read == FileReadResult::ReadError) {
        showMessage(kCannotOpen, kErrorCaption);
        return false;
    }
    if (read == FileReadResult::TooLarge) {
        showMessage(kDamaged, kErrorCaption);
        return false;
    }
    ByteReader in(file);
    if (!settings.readFrom(in)) {
        settings.resetToDefaults();
        return false;
    }
    return images.readImageList(in, path, missing);
}

bool saveProjectFile(const std::string& path, const TextureCollection& images) {
    return saveProjectFile(path, atlasImages(images));
}

bool saveProjectFile(const std::string& path, const AtlasImages& images) {
    Settings& settings = Settings::instance();
    const Settings::Record record = settings.record();
    std::vector<uint8_t> bytes;
    if (!projectFileBytes(path, images, bytes) || !writeFileSafely(path, bytes)) return false;
    settings.savedCopy = record;
    return true;
}

bool projectFileBytes(const std::string& path, const AtlasImages& images, std::vector<uint8_t>& bytes) {
    ByteWriter out;
    const Settings::Record record = Settings::instance().record();
    out.bytes(record.data(), record.size());
    if (!writeImageList(out, images, path)) return false;
    bytes = std::move(out.buffer());
    return true;
}
