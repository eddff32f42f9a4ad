#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/Point.h"
#include "image/TextureImage.h"

class ByteReader;
class Settings;

// Which reader a file goes to, told by its path; ImageKind::None for a file that is no image.
using ImageKindRule = ImageKind (*)(const std::string& path);
// The window program's rule: ".bmp" and ".tga", compared case-sensitively.
ImageKind imageKindByExtension(const std::string& path);

// An image file read apart from any collection, so that several can be read at once on several threads: the image, or
// (image empty) the message and caption a failed load shows.
struct LoadedImage {
    std::unique_ptr<TextureImage> image;
    std::string failure;
};
LoadedImage loadImageFile(const std::string& path, ImageKindRule rule);

// The project's images in one ordered list that owns them. The list order is the program's single order: images are
// drawn front to back (the last lies on top), picked back to front, listed, saved and exported front to back, so an
// image's index is its row in the UV lists and its number in the ID header. Every change of membership, order or
// canvas-side selection is told at once to the ListDialog. No operation repaints; the callers do.
class TextureCollection {
public:
    TextureCollection() = default;
    ~TextureCollection();
    TextureCollection(const TextureCollection&) = delete;
    TextureCollection& operator=(const TextureCollection&) = delete;

    void clear();
    // Loads a .bmp or .tga file (extension compared case-sensitively, unless another rule was set), appends it and
    // leaves it the only selected image. A failure is reported through the message seam (caption "Failed!") and
    // changes nothing. With makeUnique the loaded name gets "_1", "_2", ... until no other image bears it.
    bool addFromFile(const std::string& path, bool makeUnique);
    // The second half of addFromFile for a file read by loadImageFile: its failure reported through the message seam
    // (false, nothing changed), else its image appended as addFromFile appends it.
    bool addLoaded(LoadedImage loaded, bool makeUnique);
    // The rule by which addFromFile, and so a project load, picks the reader (the command line takes PNG files and
    // extensions in any letter case); imageKindByExtension until set.
    void setImageKindRule(ImageKindRule rule) { kindRule_ = rule; }
    ImageKindRule imageKindRule() const { return kindRule_; }

    void pickAt(Point point);
    bool pickAdditionalAt(Point point);
    void selectByName(const std::string& name);
    void deselectAll();
    void deselectAllQuietly();
    void deleteSelected();
    void moveSelectedToFirst();
    void moveSelectedToLast();
    void moveSelectedUp();
    void moveSelectedDown();
    void moveSelectedBy(Point delta);
    void moveSelectedToOrigin();
    void setOriginAll(Point origin);
#ifdef _WIN32
    void drawAll(HDC__* dc, int32_t zoom) const;
    void drawAllAlpha(HDC__* dc, int32_t zoom);
#endif

    // Places every image inside the area by size, largest first, with `spacing` pixels between images and along the
    // edges (see AutoLayout.h); the sort key is Settings::sortByEdgeLength (exactly 1: the longer side, else the pixel
    // count). Only positions change: order, selection, names and the list stay. An image that finds no place is
    // parked at (areaWidth, areaHeight); the result tells, per image in list order, whether it was parked.
    // With a margin m (the command line's extrusion) each image keeps m pixels clear around it (see
    // computeAutoLayoutWithMargin).
    std::vector<bool> autoLayout(int32_t spacing, int32_t areaWidth, int32_t areaHeight, int32_t margin = 0);

    int32_t count() const {
        return static_cast<int32_t>(images_.size());
    }
    // The image at the back; the collection must not be empty.
    TextureImage& last();
    // Read-only walk, front to back.
    const std::vector<std::unique_ptr<TextureImage>>& images() const {
        return images_;
    }
    // The atlas as a 24-bit BMP or a 32-bit TGA of the given area size (see AtlasExport.h).
    bool writeAtlasBmp(const std::string& path, int32_t areaWidth, int32_t areaHeight) const;
    bool writeAtlasTga(const std::string& path, int32_t areaWidth, int32_t areaHeight) const;

    // The UV lists and the texture ID header, with the options of Settings::instance() (see UvExport.h and
    // IdHeaderExport.h). Each replaces an existing file only when the new one was written whole; false on any failure.
    bool writeQuvList(const std::string& path) const;
    bool writeUvArray(const std::string& path) const;
    bool writeUvDefines(const std::string& path) const;
    bool writeIdHeader(const std::string& path) const;

    // The image list of a project file (see ProjectFile.h), read from behind the settings record, which must have been
    // read into Settings::instance() from the same file (saveProjectFile writes it). projectPath is the project file's
    // full path: relative image paths are resolved against its folder.
    // With `missing`, the reader tells how many images could not be loaded.
    bool readImageList(ByteReader& in, const std::string& projectPath, int32_t* missing = nullptr);

    // Renames an image held by the collection, without any uniqueness check. The list is not told: a caller that
    // renames images shown in it calls relist() when done.
    void setName(TextureImage& image, const std::string& name);
    // Renames an image held by the collection to `base`, or base_1, base_2, ... : the first that no other image bears
    // (as addFromFile names a file's image). The list is not told either.
    void setUniqueName(TextureImage& image, const std::string& base);
    // Fills the list anew with the names in collection order and highlights the last image's entry.
    void relist();

private:
    void append(std::unique_ptr<TextureImage> image, bool makeUnique);
    std::string uniqueName(const std::string& base) const;
    void forgetName(const std::string& name);
    void moveImage(size_t from, size_t to);

    std::vector<std::unique_ptr<TextureImage>> images_;
    // How many images bear each name, so that unique naming needs no walk over the list.
    std::unordered_map<std::string, int32_t> nameCounts_;
    ImageKindRule kindRule_ = imageKindByExtension;
    // True while no image but the back one can be selected, so that an append deselects only that one instead of
    // walking the list (loading thousands of files stays linear). Anything that selects or reorders clears it.
    bool onlyBackSelected_ = true;
};
