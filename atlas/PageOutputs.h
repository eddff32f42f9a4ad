#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "atlas/AtlasPage.h"
#include "atlas/DataFormat.h"
#include "atlas/DataTemplate.h"
#include "image/AtlasExport.h"

class OutputBatch;
class Settings;

// A data file of a pack: its format, its template read, where it goes, and the option that asked for it (for
// messages: "--json", "--format spine --data").
struct DataOutput {
    DataFormat format;
    DataTemplate filler;
    std::string path;
    std::string option;
};

// Where a pack writes, each a full program path ("" for none). With several pages every name holds "{n}", which
// becomes the page's number from 0 (a data format naming every page in one file is written once, as page 0's); with
// one page the names are used as they stand. `turn` is how turned sprites lie on the pages, as the data formats read
// them.
struct PackOutputs {
    std::string bmp, tga, png, quv, uvArray, uvDefines, ids;
    std::vector<DataOutput> data;
    Turn turn = Turn::Clockwise;
    std::string scale = "1";  // the data formats' scale of the pages
};

// The pattern with every "{n}" replaced by the page number.
std::string pageFileName(const std::string& pattern, size_t page);
bool hasPagePlaceholder(const std::string& pattern);
// Every file name an output pattern produces on `pageCount` pages: one for each page when it holds "{n}", else itself.
std::vector<std::string> outputNames(const std::string& pattern, size_t pageCount);

// The atlas image the data files name: the PNG, else the TGA, else the BMP ("" for none).
const std::string& atlasForJson(const PackOutputs& outputs);

// A sprite name a data format cannot hold (Spine's text reads a name with a colon as a field), as a message naming
// both;
// "" when every name can be written.
std::string unwritableName(const PackOutputs& outputs, const std::vector<Sprite>& sprites);

// Stages every output of page p into the batch in a fixed order (the atlases as BMP, TGA and PNG, the ID header, the
// QUV list, the UV array, the #define list, the data files of one page, in their order; after the last page, the
// data files naming every page), with the UV options of `settings`, whose area size is set to the page's first. False
// at the first failure, the batch's failedPath() naming the file.
bool writePageOutputs(const PackOutputs& outputs,
                      const std::vector<AtlasPage>& pages,
                      size_t p,
                      const std::vector<Sprite>& sprites,
                      const AtlasOptions& atlasOptions,
                      Settings& settings,
                      OutputBatch& batch);
