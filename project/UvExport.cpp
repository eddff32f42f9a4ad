#include "project/UvExport.h"

#include <cstring>

#include "base/ByteWriter.h"
#include "base/Format.h"
#include "base/ShiftJis.h"
#include "project/Settings.h"

namespace {

constexpr size_t kMaxMacroName = 127;
const char* const kUvComment = "//---- テクスチャーUVリスト ----//\n";
const char* const kSuffixes[4] = {"_U0", "_V0", "_U1", "_V1"};

}  // namespace

UvPixels uvRectangle(const Rect& b, const Settings& settings) {
    UvPixels uv = {b.left, b.top, b.right, b.bottom};
    const auto mirrored = [](int32_t size, int32_t v) {
        return static_cast<int32_t>(static_cast<uint32_t>(int64_t{size} - v));
    };
    if (settings.reverseHorizontal != 0)
        uv = {mirrored(settings.areaWidth, uv[2]), uv[1], mirrored(settings.areaWidth, uv[0]), uv[3]};
    if (settings.reverseVertical != 0)
        uv = {uv[0], mirrored(settings.areaHeight, uv[3]), uv[2], mirrored(settings.areaHeight, uv[1])};
    return uv;
}

UvRatios uvRatios(const Rect& b, const Settings& settings) {
    const double w = settings.areaWidth;
    const double h = settings.areaHeight;
    UvRatios uv = {static_cast<float>(b.left / w), static_cast<float>(b.top / h), static_cast<float>(b.right / w),
                   static_cast<float>(b.bottom / h)};
    if (settings.reverseHorizontal != 0) {
        uv = {static_cast<float>(1.0 - uv[2]), uv[1], static_cast<float>(1.0 - uv[0]), uv[3]};
    }
    if (settings.reverseVertical != 0) {
        uv = {uv[0], static_cast<float>(1.0 - uv[3]), uv[2], static_cast<float>(1.0 - uv[1])};
    }
    return uv;
}

std::vector<uint8_t> quvList(const ExportEntries& entries, const Settings& settings) {
    ByteWriter out;
    out.text("QUV ");
    out.i32(static_cast<int32_t>(entries.size()));
    for (const ExportEntry& entry : entries) {
        if (settings.uvRatio != 0) {
            for (float v : uvRatios(entry.bounds, settings)) out.f32(v);
        } else {
            for (int32_t v : uvRectangle(entry.bounds, settings)) out.i32(v);
        }
    }
    return out.buffer();
}

std::string uvArrayText(const ExportEntries& entries, const Settings& settings) {
    const bool ratio = settings.uvRatio != 0;
    std::string text = formatText("#define TEXTURE_MAX\t( %d )\n\n", static_cast<int32_t>(entries.size()));
    text += "#define MIN_U\t( 0 )\n#define MIN_V\t( 1 )\n#define MAX_U\t( 2 )\n#define MAX_V\t( 3 )\n";
    text += "\n";
    text += kUvComment;
    text += ratio ? "const float UV_LIST[TEXTURE_MAX][4] =\n{\n" : "const long UV_LIST[TEXTURE_MAX][4] =\n{\n";
    for (const ExportEntry& entry : entries) {
        text += formatText("// %s\n\t{", entry.name.c_str());
        if (ratio) {
            const UvRatios uv = uvRatios(entry.bounds, settings);
            for (size_t i = 0; i < 4; ++i) {
                const std::string value = formatText("%.4f", uv[i]);
                text += formatText(i < 3 ? " %7s," : " %7s", value.c_str());
            }
        } else {
            for (int32_t v : uvRectangle(entry.bounds, settings)) text += formatText(" %d,", v);
        }
        text += " },\n";
    }
    text += "};\n";
    return text;
}

std::string uvMacroName(const std::string& imageName, const char* suffix) {
    const std::string tail = suffix;
    return cutAtCharacter(imageName, kMaxMacroName - tail.size()) + tail;
}

std::string uvDefinesText(const ExportEntries& entries, const Settings& settings) {
    const bool ratio = settings.uvRatio != 0;
    std::string text = kUvComment;
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (const ExportEntry& entry : entries) names.push_back(entry.name);
    const std::vector<std::string> stems = cutApart(names, kMaxMacroName - std::strlen(kSuffixes[0]));
    for (size_t e = 0; e < entries.size(); ++e) {
        const ExportEntry& entry = entries[e];
        text += formatText("// %s\n", entry.name.c_str());
        const UvPixels pixels = uvRectangle(entry.bounds, settings);
        const UvRatios ratios = uvRatios(entry.bounds, settings);
        for (size_t i = 0; i < 4; ++i) {
            const std::string macro = uvMacroName(stems[e], kSuffixes[i]);
            text += ratio ? formatText("#define %33s\t%f\n", macro.c_str(), ratios[i])
                          : formatText("#define %33s\t%d\n", macro.c_str(), pixels[i]);
        }
    }
    return text;
}
