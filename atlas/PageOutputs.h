#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "atlas/AtlasPage.h"
#include "image/AtlasExport.h"

class Settings;

// Where a pack writes, each a full program path ("" for none). With several pages every name holds "{n}", which
// becomes the page's number from 0; with one page the names are used as they stand.
struct PackOutputs {
    std::string bmp, tga, png, json, quv, uvArray, uvDefines, ids;
};

// The pattern with every "{n}" replaced by the page number.
std::string pageFileName(const std::string& pattern, size_t page);
bool hasPagePlaceholder(const std::string& pattern);

// A file as another file names it (the JSON its atlas image and the other pages' JSON): relative to that file's folder
// where that can be formed, with '/' between folders as engines load it, in UTF-8.
std::string fileReference(const std::string& from, const std::string& to);

// The atlas image the JSON names: the PNG, else the TGA, else the BMP ("" for none).
const std::string& atlasForJson(const PackOutputs& outputs);

// Writes every output of page p in a fixed order (the atlases as BMP, TGA and PNG, the ID header, the QUV list, the UV
// array, the #define list, the JSON), with the UV options of `settings`, whose area size is set to the page's first.
// `written` hears of every file written. False at the first failure, with `failed` naming the file.
bool writePageOutputs(const PackOutputs& outputs,
                      const std::vector<AtlasPage>& pages,
                      size_t p,
                      const std::vector<Sprite>& sprites,
                      const AtlasOptions& atlasOptions,
                      Settings& settings,
                      const std::function<void(const std::string& path)>& written,
                      std::string& failed);
