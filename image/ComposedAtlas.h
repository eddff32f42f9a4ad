#pragma once

#include <cstdint>
#include <vector>

#include "image/AtlasExport.h"

class SafeFileWriter;

// One page's atlas composed once for all its image files (AtlasExport.h): the images and their extrusion are laid down
// when the first file asks for them, the BMP takes its colours from there, bleeding and premultiplying follow once for
// the TGA and the PNG, and the PNG, which reorders the pixels, comes last. The files are written in that order, each
// at most once; a write out of that order fails (and asserts). The images and options are read, not owned.
class ComposedAtlas {
public:
    ComposedAtlas(const AtlasImages& images, int32_t areaWidth, int32_t areaHeight, const AtlasOptions& options)
        : images_(images), width_(areaWidth), height_(areaHeight), options_(options) {}
    ComposedAtlas(const ComposedAtlas&) = delete;
    ComposedAtlas& operator=(const ComposedAtlas&) = delete;

    bool writeBmp(SafeFileWriter& file);
    bool writeTga(SafeFileWriter& file);
    bool writePng(SafeFileWriter& file);

private:
    // How far the pixels have come; each stage follows the one before.
    enum class Stage { None, Composed, Finished, Written };
    bool reach(Stage stage);

    const AtlasImages& images_;
    int32_t width_, height_;
    const AtlasOptions& options_;
    std::vector<uint8_t> pixels_;
    Stage stage_ = Stage::None;
};
