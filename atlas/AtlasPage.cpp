#include "atlas/AtlasPage.h"

#include "image/TextureImage.h"

namespace {

constexpr int32_t kNoPage = -1;

}  // namespace

std::vector<AtlasPage> atlasPages(const std::vector<Sprite>& sprites,
                                  const std::vector<int32_t>& packedSprites,
                                  const std::vector<PackBox>& boxes,
                                  const PagePlan& plan) {
    std::vector<int32_t> pageOf(sprites.size(), kNoPage);
    std::vector<Frame> frameOf(sprites.size());
    std::vector<AtlasPage> pages(plan.pages.size());
    for (size_t p = 0; p < plan.pages.size(); ++p) {
        const PlannedPage& planned = plan.pages[p];
        pages[p].size = planned.size;
        for (size_t k = 0; k < planned.boxes.size(); ++k) {
            const auto box = static_cast<size_t>(planned.boxes[k]);
            const Placement& at = planned.placements[k];
            const int32_t w = at.turned ? boxes[box].height : boxes[box].width;
            const int32_t h = at.turned ? boxes[box].width : boxes[box].height;
            const Point corner = at.placed ? Point{at.x, at.y} : Point{planned.size.width, planned.size.height};
            const auto sprite = static_cast<size_t>(packedSprites[box]);
            pageOf[sprite] = static_cast<int32_t>(p);
            frameOf[sprite] = {static_cast<int32_t>(sprite), Rect{0, 0, w, h}.movedTo(corner), at.turned, !at.placed};
        }
    }
    for (size_t s = 0; s < sprites.size(); ++s) {
        const size_t owner = sprites[s].isAlias() ? static_cast<size_t>(sprites[s].aliasOf) : s;
        if (pageOf[owner] == kNoPage) continue;
        Frame frame = frameOf[owner];
        frame.sprite = static_cast<int32_t>(s);
        pages[static_cast<size_t>(pageOf[owner])].frames.push_back(frame);
    }
    return pages;
}

void placeImages(const std::vector<AtlasPage>& pages, const std::vector<Sprite>& sprites) {
    for (const AtlasPage& page : pages) {
        for (const Frame& frame : page.frames) {
            sprites[static_cast<size_t>(frame.sprite)].image->setPosition(frame.place.left, frame.place.top);
        }
    }
}
