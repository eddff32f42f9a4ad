#pragma once

#include <string>
#include <vector>

#include "base/Rect.h"

class TextureCollection;

// One row of the UV lists and of the texture ID header: an image's name and its rectangle on the area. The rows are
// written in the order given, numbered from 0.
struct ExportEntry {
    std::string name;
    Rect bounds;
};
using ExportEntries = std::vector<ExportEntry>;

// The rows of a collection: every image front to back, at its place.
ExportEntries exportEntries(const TextureCollection& images);
