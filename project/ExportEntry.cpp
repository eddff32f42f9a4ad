#include "project/ExportEntry.h"

#include "layout/TextureCollection.h"

ExportEntries exportEntries(const TextureCollection& images) {
    ExportEntries entries;
    entries.reserve(images.images().size());
    for (const auto& image : images.images()) entries.push_back({image->name(), image->bounds()});
    return entries;
}
