#include "image/ComposedAtlas.h"

#include <cassert>

bool ComposedAtlas::reach(Stage stage) {
    assert(stage_ <= stage);
    if (stage_ > stage) return false;
    if (stage_ == Stage::None && stage >= Stage::Composed) {
        if (!composeAtlasImages(images_, width_, height_, 4, pixels_, options_)) return false;
        stage_ = Stage::Composed;
    }
    if (stage_ == Stage::Composed && stage >= Stage::Finished) {
        if (!finishAtlas(images_, width_, height_, pixels_, options_)) return false;
        stage_ = Stage::Finished;
    }
    return true;
}

bool ComposedAtlas::writeBmp(SafeFileWriter& file) {
    return reach(Stage::Composed) && writeBmpPixels(pixels_, 4, file, width_, height_);
}

bool ComposedAtlas::writeTga(SafeFileWriter& file) {
    return reach(Stage::Finished) && writeTgaPixels(pixels_, file, width_, height_);
}

bool ComposedAtlas::writePng(SafeFileWriter& file) {
    if (!reach(Stage::Finished)) return false;
    stage_ = Stage::Written;
    return writePngPixels(pixels_, file, width_, height_, options_);
}
