#include "atlas/Json.h"

#include "base/TextEncoding.h"
#include "image/TextureImage.h"

#ifndef QUILTBOX_VERSION
#define QUILTBOX_VERSION "unknown"
#endif

Json jsonText(const std::string& programText) {
    return utf8Text(programText);
}

// nlohmann/json writes U+0008 and U+000C as \b and \f, where the command line has always written \u0008 and \u000c.
// Any other backslash in the text starts an escape of its own (a backslash in a string is written \\), so the pairs
// are walked one escape at a time.
std::string jsonDump(const Json& value) {
    const std::string text = value.dump(2, ' ', false, Json::error_handler_t::replace);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] != '\\' || i + 1 == text.size()) continue;
        const char escaped = text[++i];
        out += escaped == 'b' ? "u0008" : escaped == 'f' ? "u000c" : std::string(1, escaped);
    }
    return out;
}

Json atlasJsonHash(const AtlasPage& page,
                   const std::vector<Sprite>& sprites,
                   const std::string& image,
                   const std::vector<std::string>& otherPages) {
    Json frames = Json::object();
    for (const Frame& f : page.frames) {
        const Rect& at = f.place;
        if (at.left < 0 || at.top < 0 || int64_t{at.left} + at.width() > page.size.width ||
            int64_t{at.top} + at.height() > page.size.height) {
            continue;
        }
        const Sprite& sprite = sprites[static_cast<size_t>(f.sprite)];
        const Rect& kept = sprite.kept;
        frames[utf8Text(sprite.image->name())] = {
            {"frame", {{"x", at.left}, {"y", at.top}, {"w", kept.width()}, {"h", kept.height()}}},
            {"rotated", f.turned},
            {"trimmed", sprite.isTrimmed()},
            {"spriteSourceSize", {{"x", kept.left}, {"y", kept.top}, {"w", kept.width()}, {"h", kept.height()}}},
            {"sourceSize", {{"w", sprite.image->width()}, {"h", sprite.image->height()}}},
        };
    }
    Json meta = {
        {"app", "quiltbox-cli"},
        {"version", QUILTBOX_VERSION},
        {"image", image},
        {"format", "RGBA8888"},
        {"size", {{"w", page.size.width}, {"h", page.size.height}}},
        {"scale", "1"},
    };
    if (!otherPages.empty()) meta["related_multi_packs"] = otherPages;
    return {{"frames", std::move(frames)}, {"meta", std::move(meta)}};
}
