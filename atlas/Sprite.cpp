#include "atlas/Sprite.h"

#include "layout/TextureCollection.h"

bool Sprite::isTrimmed() const {
    return kept != Rect{0, 0, image->width(), image->height()};
}

std::vector<Sprite> spritesOf(const TextureCollection& images) {
    std::vector<Sprite> sprites;
    sprites.reserve(images.images().size());
    for (const auto& image : images.images()) {
        sprites.push_back({image.get(), Rect{0, 0, image->width(), image->height()}, -1, image->name()});
    }
    return sprites;
}
