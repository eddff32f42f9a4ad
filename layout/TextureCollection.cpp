#include "layout/TextureCollection.h"

#include <algorithm>
#include <cassert>
#include <new>

#include "base/Format.h"
#include "base/Message.h"
#include "base/SafeFileWriter.h"
#include "base/ShiftJis.h"
#include "image/AtlasExport.h"
#include "layout/AutoLayout.h"
#include "layout/ListDialog.h"
#include "project/IdHeaderExport.h"
#include "project/Settings.h"
#include "project/UvExport.h"

namespace {

const char* const kFailedCaption = "Failed!";

ListDialog& list() {
    return ListDialog::instance();
}

}  // namespace

ImageKind imageKindByExtension(const std::string& path) {
    const std::string extension = splitPath(path).extension;
    if (extension == ".bmp") return ImageKind::Bmp;
    if (extension == ".tga") return ImageKind::Tga;
    return ImageKind::None;
}

TextureCollection::~TextureCollection() {
    clear();
}

void TextureCollection::clear() {
    images_.clear();
    onlyBackSelected_ = true;
    nameCounts_.clear();
    list().resetList();
}

LoadedImage loadImageFile(const std::string& path, ImageKindRule rule) {
    LoadedImage loaded;
    std::unique_ptr<TextureImage> image(new (std::nothrow) TextureImage);
    if (!image) return loaded;
    const ImageKind kind = rule(path);
    if (kind == ImageKind::Bmp) {
        if (const char* failure = image->loadBmp(path)) {
            loaded.failure = formatText("BMP Error : %s \n\"%s\"", failure, path.c_str());
            return loaded;
        }
    } else if (kind == ImageKind::Tga) {
        if (!image->loadTga(path)) {
            loaded.failure = formatText("TGA読み込みに失敗！\n\"%s\"", path.c_str());
            return loaded;
        }
    } else if (kind == ImageKind::Png) {
        if (const char* failure = image->loadPng(path)) {
            loaded.failure = formatText("PNG Error : %s \n\"%s\"", failure, path.c_str());
            return loaded;
        }
    } else {
        loaded.failure = formatText("BMPまたはTGAと識別できませんでした\n\"%s\"", path.c_str());
        return loaded;
    }
    loaded.image = std::move(image);
    return loaded;
}

bool TextureCollection::addFromFile(const std::string& path, bool makeUnique) {
    return addLoaded(loadImageFile(path, kindRule_), makeUnique);
}

bool TextureCollection::addLoaded(LoadedImage loaded, bool makeUnique) {
    if (!loaded.image) {
        // No image and no text: memory ran out before the file was read, which says nothing.
        if (!loaded.failure.empty()) showMessage(loaded.failure, kFailedCaption);
        return false;
    }
    append(std::move(loaded.image), makeUnique);
    return true;
}

void TextureCollection::append(std::unique_ptr<TextureImage> image, bool makeUnique) {
    if (makeUnique) image->setName(uniqueName(image->name()));
    ++nameCounts_[image->name()];
    if (onlyBackSelected_) {
        if (!images_.empty()) images_.back()->setSelected(false);
        list().clearMarks();
    } else {
        deselectAll();
    }
    images_.push_back(std::move(image));
    images_.back()->setSelected(true);
    onlyBackSelected_ = true;
    list().appendName(images_.back()->name());
    list().clearMarks();
    list().markName(images_.back()->name());
}

// The base name, then base_1, base_2, ... : the first that no image bears. The base is cut (at a character boundary)
// where base and suffix together would pass the 127 bytes a name may have.
std::string TextureCollection::uniqueName(const std::string& base) const {
    std::string name = base;
    for (int32_t counter = 1; nameCounts_.count(name) != 0; ++counter) {
        const std::string suffix = formatText("_%d", counter);
        name = cutAtCharacter(base, TextureImage::kMaxNameBytes - suffix.size()) + suffix;
    }
    return name;
}

void TextureCollection::forgetName(const std::string& name) {
    auto it = nameCounts_.find(name);
    assert(it != nameCounts_.end());
    if (it != nameCounts_.end() && --it->second == 0) nameCounts_.erase(it);
}

void TextureCollection::setName(TextureImage& image, const std::string& name) {
    forgetName(image.name());
    image.setName(name);
    ++nameCounts_[name];
}

void TextureCollection::setUniqueName(TextureImage& image, const std::string& base) {
    forgetName(image.name());
    image.setName(uniqueName(base));
    ++nameCounts_[image.name()];
}

void TextureCollection::relist() {
    list().resetList();
    for (const auto& image : images_) list().appendName(image->name());
    if (!images_.empty()) list().markName(images_.back()->name());
}

TextureImage& TextureCollection::last() {
    assert(!images_.empty());
    return *images_.back();
}

void TextureCollection::pickAt(Point point) {
    deselectAll();
    pickAdditionalAt(point);
}

bool TextureCollection::pickAdditionalAt(Point point) {
    for (size_t i = images_.size(); i-- > 0;) {
        if (!images_[i]->contains(point)) continue;
        images_[i]->setSelected(true);
        onlyBackSelected_ = false;
        moveImage(i, images_.size() - 1);
        list().markName(images_.back()->name());
        return true;
    }
    return false;
}

void TextureCollection::selectByName(const std::string& name) {
    onlyBackSelected_ = false;
    for (const auto& image : images_) {
        if (image->name() == name) image->setSelected(true);
    }
}

void TextureCollection::deselectAll() {
    deselectAllQuietly();
    list().clearMarks();
}

void TextureCollection::deselectAllQuietly() {
    for (const auto& image : images_) image->setSelected(false);
    onlyBackSelected_ = true;
}

void TextureCollection::deleteSelected() {
    auto kept = images_.begin();
    for (auto& image : images_) {
        if (image->isSelected()) {
            list().removeName(image->name());
            forgetName(image->name());
            image.reset();
        } else {
            *kept++ = std::move(image);
        }
    }
    images_.erase(kept, images_.end());
    onlyBackSelected_ = true;  // every selected image is gone
}

void TextureCollection::moveImage(size_t from, size_t to) {
    if (from < to) {
        std::rotate(images_.begin() + from, images_.begin() + from + 1, images_.begin() + to + 1);
    } else if (to < from) {
        std::rotate(images_.begin() + to, images_.begin() + from, images_.begin() + from + 1);
    }
}

// Each selected image met walking from the front goes to the front; the walk goes on behind it, so the selected images
// end at the front in reverse of their previous order.
void TextureCollection::moveSelectedToFirst() {
    onlyBackSelected_ = false;
    for (size_t i = 0; i < images_.size(); ++i) {
        if (!images_[i]->isSelected()) continue;
        moveImage(i, 0);
        list().removeName(images_[0]->name());
        list().insertFirst(images_[0]->name());
    }
}

// The selected images, in their previous order, go to the back and keep that order there.
void TextureCollection::moveSelectedToLast() {
    onlyBackSelected_ = false;
    std::vector<TextureImage*> selected;
    for (const auto& image : images_) {
        if (image->isSelected()) selected.push_back(image.get());
    }
    for (TextureImage* image : selected) {
        const auto at = std::find_if(images_.begin(), images_.end(), [&](const auto& p) { return p.get() == image; });
        moveImage(static_cast<size_t>(at - images_.begin()), images_.size() - 1);
        list().removeName(image->name());
        list().appendName(image->name());
    }
}

// A selected image whose predecessor is not selected trades places with it: a selected run moves up as a whole, and
// a run at the very front stays.
void TextureCollection::moveSelectedUp() {
    onlyBackSelected_ = false;
    for (size_t i = 1; i < images_.size(); ++i) {
        if (!images_[i]->isSelected() || images_[i - 1]->isSelected()) continue;
        std::swap(images_[i], images_[i - 1]);
        list().removeName(images_[i - 1]->name());
        list().insertAt(images_[i - 1]->name(), static_cast<int32_t>(i - 1));
    }
}

// A selected image other than the one that was last at the start trades places with its successor, and the walk goes
// on behind its new place: of two neighbouring selected images only the first moves.
void TextureCollection::moveSelectedDown() {
    onlyBackSelected_ = false;
    if (images_.empty()) return;
    const TextureImage* lastAtStart = images_.back().get();
    for (size_t i = 0; i + 1 < images_.size(); ++i) {
        if (!images_[i]->isSelected() || images_[i].get() == lastAtStart) continue;
        std::swap(images_[i], images_[i + 1]);
        ++i;
        list().removeName(images_[i]->name());
        list().insertAt(images_[i]->name(), static_cast<int32_t>(i));
    }
}

void TextureCollection::moveSelectedBy(Point delta) {
    for (const auto& image : images_) {
        if (image->isSelected()) image->moveBy(delta);
    }
}

void TextureCollection::moveSelectedToOrigin() {
    for (const auto& image : images_) {
        if (image->isSelected()) image->moveToOrigin();
    }
}

std::vector<bool> TextureCollection::autoLayout(int32_t spacing,
                                                int32_t areaWidth,
                                                int32_t areaHeight,
                                                int32_t margin) {
    std::vector<LayoutBox> boxes;
    boxes.reserve(images_.size());
    for (const auto& image : images_) boxes.push_back({image->width(), image->height()});
    const LayoutSortKey key =
        Settings::instance().sortByEdgeLength == 1 ? LayoutSortKey::LongestSide : LayoutSortKey::PixelCount;
    std::vector<bool> parked;
    const std::vector<Point> positions =
        computeAutoLayoutWithMargin(boxes, spacing, margin, areaWidth, areaHeight, key, parked);
    for (size_t i = 0; i < images_.size(); ++i) images_[i]->setPosition(positions[i].x, positions[i].y);
    return parked;
}

void TextureCollection::setOriginAll(Point origin) {
    for (const auto& image : images_) image->setOrigin(origin);
}

bool TextureCollection::writeAtlasBmp(const std::string& path, int32_t areaWidth, int32_t areaHeight) const {
    return writeAtlasBmpFile(atlasImages(*this), path, areaWidth, areaHeight);
}

bool TextureCollection::writeAtlasTga(const std::string& path, int32_t areaWidth, int32_t areaHeight) const {
    return writeAtlasTgaFile(atlasImages(*this), path, areaWidth, areaHeight);
}

bool TextureCollection::writeQuvList(const std::string& path) const {
    return writeFileSafely(path, quvList(exportEntries(*this), Settings::instance()));
}

bool TextureCollection::writeUvArray(const std::string& path) const {
    return writeFileSafely(path, uvArrayText(exportEntries(*this), Settings::instance()));
}

bool TextureCollection::writeUvDefines(const std::string& path) const {
    return writeFileSafely(path, uvDefinesText(exportEntries(*this), Settings::instance()));
}

bool TextureCollection::writeIdHeader(const std::string& path) const {
    return writeFileSafely(path, idHeaderText(exportEntries(*this), Settings::instance()));
}
