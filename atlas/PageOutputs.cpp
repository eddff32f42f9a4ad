#include "atlas/PageOutputs.h"

#include <algorithm>
#include <exception>
#include <functional>

#include "atlas/PageImages.h"
#include "atlas/TemplateValues.h"
#include "base/OutputBatch.h"
#include "base/Parallel.h"
#include "base/RelativePath.h"
#include "base/TextEncoding.h"
#include "image/ComposedAtlas.h"
#include "image/TextureImage.h"
#include "project/IdHeaderExport.h"
#include "project/Settings.h"
#include "project/UvExport.h"

namespace {

const std::string kPlaceholder = "{n}";

TemplateFiles templateFiles(const PackOutputs& outputs, const DataOutput& data, size_t pageCount, size_t p) {
    TemplateFiles files{pageFileName(data.path, p), {}, {}, outputs.scale};
    for (size_t q = 0; q < pageCount; ++q) {
        files.pageData.push_back(pageFileName(data.path, q));
        files.pageImages.push_back(pageFileName(atlasForJson(outputs), q));
    }
    return files;
}

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

std::vector<std::string> outputNames(const std::string& pattern, size_t pageCount) {
    std::vector<std::string> names;
    const size_t count = hasPagePlaceholder(pattern) ? pageCount : std::min<size_t>(pageCount, 1);
    for (size_t p = 0; p < count; ++p) names.push_back(pageFileName(pattern, p));
    return names;
}

const std::string& atlasForJson(const PackOutputs& outputs) {
    return !outputs.png.empty() ? outputs.png : !outputs.tga.empty() ? outputs.tga : outputs.bmp;
}

std::string unwritableName(const PackOutputs& outputs, const std::vector<Sprite>& sprites) {
    for (const DataOutput& data : outputs.data) {
        for (const Sprite& sprite : sprites) {
            const std::string& name = sprite.name;
            if (name.find_first_of(data.format.forbidden) == std::string::npos) continue;
            return "the " + data.format.name + " format cannot hold the name " + name + " (it reads " +
                   data.format.forbidden + " as its own)";
        }
    }
    return {};
}

bool writePageOutputs(const PackOutputs& outputs,
                      const std::vector<AtlasPage>& pages,
                      size_t p,
                      const std::vector<Sprite>& sprites,
                      const AtlasOptions& atlasOptions,
                      Settings& settings,
                      OutputBatch& batch) {
    const AtlasPage& page = pages[p];
    settings.areaWidth = page.size.width;
    settings.areaHeight = page.size.height;
    const PageImages images(page, sprites, outputs.turn);
    const ExportEntries entries = pageEntries(page, sprites);
    const int32_t w = page.size.width, h = page.size.height;
    using Writer = std::function<bool(const std::string&)>;
    // Composed once, when the first image file asks for it; the writers below come in the order it needs.
    ComposedAtlas composed(images.images(), w, h, atlasOptions);
    const auto atlas = [&](bool (ComposedAtlas::*write)(SafeFileWriter&)) {
        return [&, write](const std::string& path) {
            return batch.write(path, [&](SafeFileWriter& file) { return (composed.*write)(file); });
        };
    };
    const auto text = [&](auto make) {
        return [&, make](const std::string& path) { return batch.write(path, make(entries, settings)); };
    };
    std::vector<std::pair<std::string, Writer>> imageWriters = {
        {outputs.bmp, atlas(&ComposedAtlas::writeBmp)},
        {outputs.tga, atlas(&ComposedAtlas::writeTga)},
        {outputs.png, atlas(&ComposedAtlas::writePng)},
    };
    std::vector<std::pair<std::string, Writer>> texts = {
        {outputs.ids, text(idHeaderText)},
        {outputs.quv, text(quvList)},
        {outputs.uvArray, text(uvArrayText)},
        {outputs.uvDefines, text(uvDefinesText)},
    };
    for (auto* list : {&imageWriters, &texts}) {
        for (auto& writer : *list) writer.first = writer.first.empty() ? "" : pageFileName(writer.first, p);
    }
    // The data files' texts are filled on a thread of their own while the images are composed and written (on
    // thousands of sprites a template costs as much as a PNG band or two); every file is still staged in the same
    // order: the images, the design's texts, the data files.
    struct DataFile {
        const DataOutput& output;
        size_t page;  // the page its values are of
        TemplateFiles files;
        std::string text;
    };
    std::vector<DataFile> dataFiles;
    for (const DataOutput& data : outputs.data) {
        // A file naming every page is written once, after the last page, under page 0's name.
        if (!data.format.perPage && p + 1 < pages.size()) continue;
        const size_t current = data.format.perPage ? p : 0;
        dataFiles.push_back({data, current, templateFiles(outputs, data, pages.size(), current), {}});
    }
    bool imagesWritten = true;
    std::exception_ptr failure[2];
    parallelFor(2, atlasOptions.threads, [&](size_t task) {
        try {
            if (task == 0) {
                for (const auto& [path, write] : imageWriters) {
                    imagesWritten = imagesWritten && (path.empty() || write(path));
                }
                return;
            }
            for (DataFile& data : dataFiles) {
                data.text = data.output.filler.fill(
                    templateValues(pages, data.page, sprites, data.files, data.output.filler.needs()));
            }
        } catch (...) {
            failure[task] = std::current_exception();
        }
    });
    for (const std::exception_ptr& thrown : failure) {
        if (thrown) std::rethrow_exception(thrown);
    }
    if (!imagesWritten) return false;
    for (const auto& [path, write] : texts) {
        if (!path.empty() && !write(path)) return false;
    }
    for (const DataFile& data : dataFiles) {
        if (!batch.write(data.files.data, data.text)) return false;
    }
    return true;
}
