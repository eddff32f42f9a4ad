#include <windows.h>

#include "layout/TextureCollection.h"

void TextureCollection::drawAll(HDC__* dc, int32_t zoom) const {
    for (const auto& image : images_) image->draw(dc, zoom);
}

void TextureCollection::drawAllAlpha(HDC__* dc, int32_t zoom) {
    for (const auto& image : images_) image->drawAlpha(dc, zoom);
}
