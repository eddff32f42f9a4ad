#include "app/ProjectSnapshot.h"

#include "layout/TextureCollection.h"
#include "project/Settings.h"

std::vector<ProjectSnapshot::Entry> ProjectSnapshot::entriesOf(const TextureCollection& images) {
    std::vector<Entry> entries;
    entries.reserve(images.images().size());
    for (const auto& image : images.images()) entries.push_back({image->path(), image->name(), image->x(), image->y()});
    return entries;
}

void ProjectSnapshot::take(const TextureCollection& images) {
    entries_ = entriesOf(images);
}

bool ProjectSnapshot::isChanged(const TextureCollection& images, const Settings& settings) const {
    return settings.isChanged() || entriesOf(images) != entries_;
}
