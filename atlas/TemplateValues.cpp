#include "atlas/TemplateValues.h"

#include <algorithm>
#include <map>
#include <memory>

#include "image/DecodedImage.h"

#include "atlas/PageOutputs.h"
#include "base/RelativePath.h"
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

// A fraction in millionths as the shortest decimal that is exactly it: "0", "0.5", "0.125", "1".
std::string fraction(int32_t millionths) {
    std::string digits = std::to_string(millionths % 1000000);
    digits.insert(0, 6 - digits.size(), '0');
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    return std::to_string(millionths / 1000000) + (digits.empty() ? "" : "." + digits);
}

void setEdges(data& v, const char* prefix, const Edges& edges) {
    const std::string p = prefix;
    v.set(p + "Left", text(edges.left));
    v.set(p + "Top", text(edges.top));
    v.set(p + "Right", text(edges.right));
    v.set(p + "Bottom", text(edges.bottom));
}

// What a data format writes beside a sprite's place: its pivot, its nine-slice edges and its animation. Each group's
// values are set only where its flag is true, since on thousands of sprites every value costs memory; a template
// reads them inside the flag's section.
void setExtras(data& v, const Sprite& sprite) {
    v.set("hasPivot", sprite.pivot.given);
    if (sprite.pivot.given) {
        v.set("pivotX", fraction(sprite.pivot.x));
        v.set("pivotY", fraction(sprite.pivot.y));
    }
    v.set("isNinePatch", sprite.ninePatch);
    if (sprite.ninePatch) {
        setEdges(v, "border", sprite.slices);
        setEdges(v, "pad", sprite.padding);
        const int64_t w = sprite.kept.width(), h = sprite.kept.height();
        v.set("centerW", text(w - sprite.slices.left - sprite.slices.right));
        v.set("centerH", text(h - sprite.slices.top - sprite.slices.bottom));
    }
    v.set("isAnimationFrame", !sprite.animation.empty());
    v.set("animationFrame", text(sprite.animation.empty() ? -1 : sprite.animationFrame));
    if (!sprite.animation.empty()) v.set("animation", utf8Text(sprite.animation));
}

data spriteValues(const Frame& frame, int32_t row, int32_t aliasRow, const std::vector<Sprite>& sprites) {
    const Sprite& sprite = sprites[static_cast<size_t>(frame.sprite)];
    const Rect& kept = sprite.kept;
    const int64_t sourceW = sprite.image->width(), sourceH = sprite.image->height();
    data v;
    v.set("name", utf8Text(sprite.name));
    v.set("id", utf8Text(sprite.image->name()));
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
    v.set("aliasOf", sprite.isAlias() ? utf8Text(sprites[static_cast<size_t>(sprite.aliasOf)].name) : "");
    v.set("aliasIndex", text(aliasRow));
    setExtras(v, sprite);
    return v;
}

// One frame of an animation where it lies: its page, its row there and the row whose pixels it shows.
struct AnimationFrame {
    int32_t number = 0;
    size_t page = 0;
    int32_t row = 0, textureRow = 0;
    int32_t sprite = 0;
};

struct Animation {
    std::string name;
    int32_t fps = 0;
    std::vector<AnimationFrame> frames;  // in the order of their numbers

    bool onOnePage() const {
        return std::all_of(frames.begin(), frames.end(),
                           [&](const AnimationFrame& f) { return f.page == frames[0].page; });
    }
};

// The animations of the sprites wholly on the pages, in the order of their first sprites, each frame where it lies.
std::vector<Animation> animationsOf(const std::vector<AtlasPage>& pages, const std::vector<Sprite>& sprites) {
    std::map<int32_t, AnimationFrame> placed;  // by sprite
    for (size_t p = 0; p < pages.size(); ++p) {
        std::map<int32_t, int32_t> rowOf;
        for (size_t k = 0; k < pages[p].frames.size(); ++k) rowOf[pages[p].frames[k].sprite] = static_cast<int32_t>(k);
        for (size_t k = 0; k < pages[p].frames.size(); ++k) {
            const Frame& frame = pages[p].frames[k];
            const Sprite& sprite = sprites[static_cast<size_t>(frame.sprite)];
            if (sprite.animation.empty() || !wholeOnPage(frame.place, pages[p].size)) continue;
            const int32_t row = static_cast<int32_t>(k);
            placed[frame.sprite] = {sprite.animationFrame, p, row, sprite.isAlias() ? rowOf[sprite.aliasOf] : row,
                                    frame.sprite};
        }
    }
    std::vector<Animation> animations;
    std::map<std::string, size_t> indexOf;
    for (const auto& [s, frame] : placed) {
        const Sprite& sprite = sprites[static_cast<size_t>(s)];
        const auto [at, added] = indexOf.emplace(sprite.animation, animations.size());
        if (added) animations.push_back({sprite.animation, sprite.animationFps, {}});
        animations[at->second].frames.push_back(frame);
    }
    for (Animation& a : animations) {
        std::sort(a.frames.begin(), a.frames.end(),
                  [](const AnimationFrame& x, const AnimationFrame& y) { return x.number < y.number; });
    }
    return animations;
}

data animationValues(const Animation& animation, const std::vector<Sprite>& sprites) {
    std::vector<data> frames;
    for (const AnimationFrame& f : animation.frames) {
        data v;
        v.set("name", utf8Text(sprites[static_cast<size_t>(f.sprite)].name));
        v.set("page", text(static_cast<int64_t>(f.page)));
        v.set("index", text(f.row));
        v.set("textureIndex", text(f.textureRow));
        v.set("frameNumber", text(f.number));
        frames.push_back(std::move(v));
    }
    data v;
    v.set("name", utf8Text(animation.name));
    v.set("fps", text(animation.fps));
    v.set("frameCount", text(static_cast<int64_t>(frames.size())));
    setList(v, "frames", frames);
    return v;
}

// Sets `name` to the list of the animations (those `wanted` takes), and `flagName` to whether there are any.
template <typename Wanted>
void setAnimations(data& owner,
                   const char* name,
                   const char* flagName,
                   const std::vector<Animation>& animations,
                   const std::vector<Sprite>& sprites,
                   Wanted wanted) {
    std::vector<data> items;
    for (const Animation& a : animations) {
        if (wanted(a)) items.push_back(animationValues(a, sprites));
    }
    owner.set(flagName, !items.empty());
    setList(owner, name, items);
}

// A page's own values, without the list of the others.
data pageValues(const std::vector<AtlasPage>& pages,
                size_t p,
                const std::vector<Sprite>& sprites,
                const TemplateFiles& files,
                const std::vector<Animation>& animations) {
    const AtlasPage& page = pages[p];
    std::vector<int32_t> rowOf(sprites.size(), -1);
    for (size_t k = 0; k < page.frames.size(); ++k) rowOf[static_cast<size_t>(page.frames[k].sprite)] = int32_t(k);
    std::vector<data> items;
    items.reserve(page.frames.size());
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
    v.set("scale", files.scale);
    v.set("spriteCount", text(static_cast<int64_t>(items.size())));
    v.set("anySprites", !items.empty());
    setList(v, "sprites", items);
    // A per-page format is read one page at a time (PixiJS finds an animation's frames in its own sheet only), so a
    // page lists the animations whose frames all lie on it.
    setAnimations(v, "pageAnimations", "anyPageAnimations", animations, sprites,
                  [&](const Animation& a) { return a.onOnePage() && a.frames[0].page == p; });
    return v;
}

}  // namespace

TemplateData templateValues(const std::vector<AtlasPage>& pages,
                            size_t current,
                            const std::vector<Sprite>& sprites,
                            const TemplateFiles& files,
                            const TemplateNeeds& needs) {
    const std::vector<Animation> animations = animationsOf(pages, sprites);
    data v = pageValues(pages, current, sprites, files, animations);
    std::vector<data> all, others;
    for (size_t p = 0; p < pages.size() && (needs.pages || needs.otherPages); ++p) {
        if (p == current) {
            if (needs.pages) all.push_back(v);
            continue;
        }
        data page = pageValues(pages, p, sprites, files, animations);
        if (needs.otherPages) others.push_back(page);
        if (needs.pages) all.push_back(std::move(page));
    }
    v.set("first", current == 0);
    v.set("last", current + 1 == pages.size());
    if (needs.otherPages) setList(v, "otherPages", others);
    if (needs.pages) setList(v, "pages", all);
    v.set("pageCount", text(static_cast<int64_t>(pages.size())));
    v.set("multiPack", pages.size() > 1);
    setAnimations(v, "animations", "anyAnimations", animations, sprites, [](const Animation&) { return true; });
    v.set("app", "quiltbox-cli");
    v.set("version", QUILTBOX_VERSION);
    return v;
}

std::vector<std::string> animationsOnSeveralPages(const std::vector<AtlasPage>& pages,
                                                  const std::vector<Sprite>& sprites) {
    std::vector<std::string> names;
    for (const Animation& a : animationsOf(pages, sprites)) {
        if (!a.onOnePage()) names.push_back(a.name);
    }
    return names;
}

std::vector<TemplateData> probeValues() {
    // A 2 x 2 image whose bottom row is transparent, for a sprite that is trimmed and turned, one that shares its
    // pixels, and a plain one, a nine-patch with a pivot; the first and the last frames of an animation. A second page
    // without sprites; a single page without sprites.
    std::vector<std::unique_ptr<TextureImage>> images;
    for (int i = 0; i < 3; ++i) {
        DecodedImage pixels{2, 2, std::vector<uint8_t>(16), {0, 0, 255, 255}};
        images.push_back(std::make_unique<TextureImage>());
        images.back()->takePixels("probe.png", pixels, ImageKind::Png);
    }
    std::vector<Sprite> sprites = {{images[0].get(), {0, 0, 2, 1}, -1, "probe_1"},
                                   {images[1].get(), {0, 0, 2, 2}, 0, "probe"},
                                   {images[2].get(), {0, 0, 2, 2}, -1, "probe_2"}};
    for (int i : {0, 2}) sprites[i].animation = "probe", sprites[i].animationFrame = i + 1, sprites[i].animationFps = 1;
    sprites[2].ninePatch = true;
    sprites[2].pivot = {true, 500000, 1000000};
    const std::vector<AtlasPage> two = {
        {{8, 8}, {{0, {0, 0, 1, 2}, true, false}, {1, {0, 0, 1, 2}, true, false}, {2, {2, 0, 4, 2}, false, false}}},
        {{8, 8}, {}}};
    const std::vector<AtlasPage> one = {{{8, 8}, {}}};
    const TemplateFiles files = {"probe.json", {"probe-0.json", "probe-1.json"}, {"probe-0.png", "probe-1.png"}};
    return {templateValues(two, 0, sprites, files), templateValues(two, 1, sprites, files),
            templateValues(one, 0, sprites, files)};
}
