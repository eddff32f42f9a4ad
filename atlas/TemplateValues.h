#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <kainjow/mustache.hpp>

#include "atlas/AtlasPage.h"

using TemplateData = kainjow::mustache::data;

// Where the files of a data output lie (full program paths): its own file, and per page the data file of the same
// format and the atlas image. Every path a template gets is relative to its own file, '/' between folders, in UTF-8.
struct TemplateFiles {
    std::string data;
    std::vector<std::string> pageData;
    std::vector<std::string> pageImages;
    std::string scale = "1";  // the pages' scale against the input images, as the formats write it
};

// What a template of page `current` gets (all text; the names starting "is", "any", "first", "last" and "multiPack"
// are true or false, for sections; `sprites`, `pages` and `otherPages` are lists):
//   app, version, pageCount, multiPack (more than one page), pages (every page's values, each with its sprites),
//   and the current page's values:
//     number (from 0), image, data (this format's file of the page), width, height, format ("RGBA8888"), scale (the
//     files' scale, "1" unless scaled), spriteCount, anySprites, sprites (those wholly on the page, in list order),
//     otherPages, first, last;
//   each sprite:
//     name, index (its row in the page's UV list and ID header), x, y (its place on the page), w, h (its kept size,
//     unturned), atlasW, atlasH (what it covers on the page), rotated/isRotated, trimmed/isTrimmed, trimX, trimY (the
//     kept part's place within the image), trimRight, trimBottom (the columns and rows cut right and below), cutW, cutH
//     (all the columns and rows cut), sourceW, sourceH (the image's size), backgroundX, backgroundY (trimX - x,
//     trimY - y: where the page lies behind a box of the image's size), alias/isAlias, aliasOf and aliasIndex (the
//     name and row of the sprite whose pixels it shares, "" and "-1" for none), first, last.
// Names are the images' names in UTF-8. The lists of pages are made only when the template names them (`needs`):
// each holds a copy of every page's sprites, which on thousands of sprites costs more than the rest.
struct TemplateNeeds {
    bool pages = true;
    bool otherPages = true;
};
TemplateData templateValues(const std::vector<AtlasPage>& pages,
                            size_t current,
                            const std::vector<Sprite>& sprites,
                            const TemplateFiles& files,
                            const TemplateNeeds& needs = {});

// The animations (Sprite::animation) whose frames lie on more than one page, which a page's `pageAnimations` leaves
// out.
std::vector<std::string> animationsOnSeveralPages(const std::vector<AtlasPage>& pages,
                                                  const std::vector<Sprite>& sprites);

// Stand-in values with every name above, made as a pack would make them, for checking a template before any pack: each
// flag and each list is true or non-empty in one of them and false or empty in another, so that every section is
// entered at least once.
std::vector<TemplateData> probeValues();
