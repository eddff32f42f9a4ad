#include "atlas/PageOutputs.h"

#include <algorithm>

#include "atlas/Json.h"
#include "atlas/PageImages.h"
#include "base/RelativePath.h"
#include "base/SafeFileWriter.h"
#include "base/TextEncoding.h"
#include "image/TextureImage.h"
#include "project/IdHeaderExport.h"
#include "project/Settings.h"
#include "project/UvExport.h"

namespace {

const std::string kPlaceholder = "{n}";

ExportEntries pageEntries(const AtlasPage& page, const std::vector<Sprite>& sprites) {
    ExportEntries entries;
    entries.reserve(page.frames.size());
    for (const Frame& frame : page.frames) {
        entries.push_back({sprites[static_cast<size_t>(frame.sprite)].image->name(), frame.place});
    }
    return entries;
}

}  // namespace

std::string pageFileName(const std::string& pattern, size_t page) {
    std::string name = pattern;
    const std::string number = std::to_string(page);
    for (size_t at = name.find(kPlaceholder); at != std::string::npos; at = name.find(kPlaceholder, at)) {
        name.replace(at, kPlaceholder.size(), number);
        at += number.size();
    }
    return name;
}

bool hasPagePlaceholder(const std::string& pattern) {
    return pattern.find(kPlaceholder) != std::string::npos;
}

std::string fileReference(const std::string& from, const std::string& to) {
    std::string relative;
    if (!relativePathBetweenFiles(withoutDotComponents(pathForRelativeForm(from)),
                                  withoutDotComponents(pathForRelativeForm(to)), relative)) {
        relative = to;
    }
    std::string text = utf8Text(relative);  // from here on a '\\' is never half of a double-byte character
    if (text.rfind(".\\", 0) == 0) text.erase(0, 2);
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

const std::string& atlasForJson(const PackOutputs& outputs) {
    return !outputs.png.empty() ? outputs.png : !outputs.tga.empty() ? outputs.tga : outputs.bmp;
}

bool writePageOutputs(const PackOutputs& outputs,
                      const std::vector<AtlasPage>& pages,
                      size_t p,
                      const std::vector<Sprite>& sprites,
                      const AtlasOptions& atlasOptions,
                      Settings& settings,
                      const std::function<void(const std::string& path)>& written,
                      std::string& failed) {
    const AtlasPage& page = pages[p];
    settings.areaWidth = page.size.width;
    settings.areaHeight = page.size.height;
    const PageImages images(page, sprites);
    const ExportEntries entries = pageEntries(page, sprites);
    const int32_t w = page.size.width, h = page.size.height;
    const auto json = [&](const std::string& path) {
        std::vector<std::string> others;
        for (size_t other = 0; other < pages.size(); ++other) {
            if (other != p) others.push_back(fileReference(path, pageFileName(outputs.json, other)));
        }
        const std::string image = fileReference(path, pageFileName(atlasForJson(outputs), p));
        return writeFileSafely(path, jsonDump(atlasJsonHash(page, sprites, image, others)) + "\n");
    };
    const std::pair<const std::string*, std::function<bool(const std::string&)>> writers[] = {
        {&outputs.bmp,
         [&](const std::string& path) { return writeAtlasBmpFile(images.images(), path, w, h, atlasOptions); }},
        {&outputs.tga,
         [&](const std::string& path) { return writeAtlasTgaFile(images.images(), path, w, h, atlasOptions); }},
        {&outputs.png,
         [&](const std::string& path) { return writeAtlasPngFile(images.images(), path, w, h, atlasOptions); }},
        {&outputs.ids, [&](const std::string& path) { return writeFileSafely(path, idHeaderText(entries, settings)); }},
        {&outputs.quv, [&](const std::string& path) { return writeFileSafely(path, quvList(entries, settings)); }},
        {&outputs.uvArray,
         [&](const std::string& path) { return writeFileSafely(path, uvArrayText(entries, settings)); }},
        {&outputs.uvDefines,
         [&](const std::string& path) { return writeFileSafely(path, uvDefinesText(entries, settings)); }},
        {&outputs.json, json},
    };
    for (const auto& [pattern, write] : writers) {
        if (pattern->empty()) continue;
        const std::string path = pageFileName(*pattern, p);
        if (!write(path)) {
            failed = path;
            return false;
        }
        written(path);
    }
    return true;
}
