#pragma once

#include <memory>
#include <vector>

#include "atlas/AtlasPage.h"
#include "atlas/DataFormat.h"
#include "image/AtlasExport.h"

class TextureImage;

// The images one page's atlas is composed of, in frame order: a frame's own image where it shows the image whole and
// unturned (placeImages put it there), else a copy of the kept part, turned as `turn` says where the frame is turned,
// at the frame's place. Aliases add nothing (their sprite is drawn once), nor do parked frames, which lie outside the
// page with their extrusion. Owns the copies.
class PageImages {
public:
    PageImages(const AtlasPage& page, const std::vector<Sprite>& sprites, Turn turn);
    PageImages(const PageImages&) = delete;
    PageImages& operator=(const PageImages&) = delete;

    const AtlasImages& images() const { return images_; }

private:
    std::vector<std::unique_ptr<TextureImage>> copies_;
    AtlasImages images_;
};

// The kept part of the image as an image of its own (of the same kind, alpha and path), turned a quarter when `turn`
// says: clockwise, the kept part's top row becomes the copy's right column; counter-clockwise, its left column.
void cutOut(const TextureImage& image, const Rect& kept, Turn turn, TextureImage& copy);
