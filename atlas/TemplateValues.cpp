#include "atlas/TemplateValues.h"

#include <memory>

#include "image/DecodedImage.h"

#include "atlas/PageOutputs.h"
#include "base/TextEncoding.h"
#include "image/TextureImage.h"

#ifndef QUILTBOX_VERSION
#define QUILTBOX_VERSION "unknown"
#endif

namespace {

using kainjow::mustache::data;

std::string text(int64_t value) {
    return std::to_string(value);
}

std::string yesNo(bool value) {
    return value ? "true" : "false";
}

bool wholeOnPage(const Rect& at, AreaSize size) {
    return at.left >= 0 && at.top >= 0 && int64_t{at.right} <= size.width && int64_t{at.bottom} <= size.height;
}

void setFlag(data& values, const char* name, const char* flagName, bool value) {
    values.set(name, yesNo(value));
    values.set(flagName, value);
}

// Sets `name` to the list of the items, each marked first and last. kainjow's data takes values by copy only, which on
// thousands of sprites costs more than making them; so the list is set empty and the items are moved into the list
// the owner then holds (a list of its own, no const object, which is why the cast is sound).
void setList(data& owner, const char* name, std::vector<data>& items) {
    owner.set(name, data{data::type::list});
    auto& list = const_cast<kainjow::mustache::list&>(owner.get(name)->list_value());
    list.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        items[i].set("first", i == 0);
        items[i].set("last", i + 1 == items.size());
        list.push_back(std::move(items[i]));
    }
}

data spriteValues(const Frame& frame, int32_t row, int32_t aliasRow, const std::vector<Sprite>& sprites) {
    const Sprite& sprite = sprites[static_cast<size_t>(frame.sprite)];
    const Rect& kept = sprite.kept;
    const int64_t sourceW = sprite.image->width(), sourceH = sprite.image->height();
    data v;
    v.set("name", utf8Text(sprite.image->name()));
    v.set("index", text(row));
    v.set("x", text(frame.place.left));
    v.set("y", text(frame.place.top));
    v.set("w", text(kept.width()));
    v.set("h", text(kept.height()));
    v.set("atlasW", text(frame.place.width()));
    v.set("atlasH", text(frame.place.height()));
    setFlag(v, "rotated", "isRotated", frame.turned);
    setFlag(v, "trimmed", "isTrimmed", sprite.isTrimmed());
    v.set("trimX", text(kept.left));
    v.set("trimY", text(kept.top));
    v.set("trimRight", text(sourceW - kept.right));
    v.set("trimBottom", text(sourceH - kept.bottom));
    v.set("cutW", text(sourceW - kept.width()));
    v.set("cutH", text(sourceH - kept.height()));
    v.set("sourceW", text(sourceW));
    v.set("sourceH", text(sourceH));
    v.set("backgroundX", text(int64_t{kept.left} - frame.place.left));
    v.set("backgroundY", text(int64_t{kept.top} - frame.place.top));
    setFlag(v, "alias", "isAlias", sprite.isAlias());
    v.set("aliasOf", sprite.isAlias() ? utf8Text(sprites[static_cast<size_t>(sprite.aliasOf)].image->name()) : "");
    v.set("aliasIndex", text(aliasRow));
    return v;
}

// A page's own values, without the list of the others.
data pageValues(const std::vector<AtlasPage>& pages,
                size_t p,
                const std::vector<Sprite>& sprites,
                const TemplateFiles& files) {
    const AtlasPage& page = pages[p];
    std::vector<int32_t> rowOf(sprites.size(), -1);
    for (size_t k = 0; k < page.frames.size(); ++k) rowOf[static_cast<size_t>(page.frames[k].sprite)] = int32_t(k);
    std::vector<data> items;
    for (size_t k = 0; k < page.frames.size(); ++k) {
        const Frame& frame = page.frames[k];
        if (!wholeOnPage(frame.place, page.size)) continue;
        const Sprite& sprite = sprites[static_cast<size_t>(frame.sprite)];
        const int32_t aliasRow = sprite.isAlias() ? rowOf[static_cast<size_t>(sprite.aliasOf)] : -1;
        items.push_back(spriteValues(frame, static_cast<int32_t>(k), aliasRow, sprites));
    }
    data v;
    v.set("number", text(static_cast<int64_t>(p)));
    v.set("image", fileReference(files.data, files.pageImages[p]));
    v.set("data", fileReference(files.data, files.pageData[p]));
    v.set("width", text(page.size.width));
    v.set("height", text(page.size.height));
    v.set("format", "RGBA8888");
    v.set("scale", "1");
    v.set("spriteCount", text(static_cast<int64_t>(items.size())));
    v.set("anySprites", !items.empty());
    setList(v, "sprites", items);
    return v;
}

}  // namespace

TemplateData templateValues(const std::vector<AtlasPage>& pages,
                            size_t current,
                            const std::vector<Sprite>& sprites,
                            const TemplateFiles& files,
                            const TemplateNeeds& needs) {
    data v = pageValues(pages, current, sprites, files);
    std::vector<data> all, others;
    for (size_t p = 0; p < pages.size() && (needs.pages || needs.otherPages); ++p) {
        if (p == current) {
            if (needs.pages) all.push_back(v);
            continue;
        }
        data page = pageValues(pages, p, sprites, files);
        if (needs.otherPages) others.push_back(page);
        if (needs.pages) all.push_back(std::move(page));
    }
    v.set("first", current == 0);
    v.set("last", current + 1 == pages.size());
    if (needs.otherPages) setList(v, "otherPages", others);
    if (needs.pages) setList(v, "pages", all);
    v.set("pageCount", text(static_cast<int64_t>(pages.size())));
    v.set("multiPack", pages.size() > 1);
    v.set("app", "quiltbox-cli");
    v.set("version", QUILTBOX_VERSION);
    return v;
}

std::vector<TemplateData> probeValues() {
    // A 2 x 2 image whose bottom row is transparent, for a sprite that is trimmed and turned, one that shares its
    // pixels, and a plain one; a second page without sprites; a single page without sprites.
    std::vector<std::unique_ptr<TextureImage>> images;
    for (int i = 0; i < 3; ++i) {
        DecodedImage pixels{2, 2, std::vector<uint8_t>(16), {0, 0, 255, 255}};
        images.push_back(std::make_unique<TextureImage>());
        images.back()->takePixels("probe.png", pixels, ImageKind::Png);
    }
    const std::vector<Sprite> sprites = {
        {images[0].get(), {0, 0, 2, 1}, -1}, {images[1].get(), {0, 0, 2, 2}, 0}, {images[2].get(), {0, 0, 2, 2}, -1}};
    const std::vector<AtlasPage> two = {
        {{8, 8}, {{0, {0, 0, 1, 2}, true, false}, {1, {0, 0, 1, 2}, true, false}, {2, {2, 0, 4, 2}, false, false}}},
        {{8, 8}, {}}};
    const std::vector<AtlasPage> one = {{{8, 8}, {}}};
    const TemplateFiles files = {"probe.json", {"probe-0.json", "probe-1.json"}, {"probe-0.png", "probe-1.png"}};
    return {templateValues(two, 0, sprites, files), templateValues(two, 1, sprites, files),
            templateValues(one, 0, sprites, files)};
}
