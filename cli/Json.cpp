#include "cli/Json.h"

#include "cli/Terminal.h"
#include "layout/TextureCollection.h"

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

Json atlasJsonHash(const TextureCollection& images, int32_t areaWidth, int32_t areaHeight, const std::string& image) {
    Json frames = Json::object();
    for (const auto& sprite : images.images()) {
        const int64_t x = sprite->x(), y = sprite->y(), w = sprite->width(), h = sprite->height();
        if (x < 0 || y < 0 || x + w > areaWidth || y + h > areaHeight) continue;
        frames[utf8Text(sprite->name())] = {
            {"frame", {{"x", x}, {"y", y}, {"w", w}, {"h", h}}},
            {"rotated", false},
            {"trimmed", false},
            {"spriteSourceSize", {{"x", 0}, {"y", 0}, {"w", w}, {"h", h}}},
            {"sourceSize", {{"w", w}, {"h", h}}},
        };
    }
    Json meta = {
        {"app", "quiltbox-cli"},
        {"version", QUILTBOX_VERSION},
        {"image", image},
        {"format", "RGBA8888"},
        {"size", {{"w", areaWidth}, {"h", areaHeight}}},
        {"scale", "1"},
    };
    return {{"frames", std::move(frames)}, {"meta", std::move(meta)}};
}
