#include "cli/BuildRecord.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "atlas/SpritePreparation.h"
#include "base/FileSystem.h"
#include "base/RelativePath.h"
#include "base/ShiftJis.h"
#include "cli/CommandSupport.h"
#include "image/TextureImage.h"

#ifndef QUILTBOX_VERSION
#define QUILTBOX_VERSION "unknown"
#endif

namespace {

// The options under which places stay meaningful: the gaps kept around sprites, whether they may turn, and the rules
// the pages' sizes keep.
const char* const kLayoutOptions[] = {
    "--spacing=", "--extrude=", "--rotate", "--size=", "--max-size=", "--square", "--multiple-of=", "--pages"};

std::vector<std::string> layoutOptions(const std::vector<std::string>& description) {
    std::vector<std::string> layout;
    for (const std::string& entry : description) {
        const bool shapes = std::any_of(std::begin(kLayoutOptions), std::end(kLayoutOptions),
                                        [&](const char* name) { return entry.rfind(name, 0) == 0; });
        if (shapes) layout.push_back(entry);
    }
    return layout;
}

bool hashFile(const std::string& path, uint64_t& hash) {
    return diskProbe(nullptr).contentHash(path, hash);
}

// The pixels of an image file as a pack sees them, so that a sprite saved again with other bytes but the same pixels
// is found unchanged.
bool pixelHashOf(const std::string& path, uint64_t& hash) {
    TextureImage image;
    bool loaded = false;
    switch (imageKindAnyCase(path)) {
        case ImageKind::Bmp:
            loaded = image.loadBmp(path) == nullptr;
            break;
        case ImageKind::Tga:
            loaded = image.loadTga(path);
            break;
        case ImageKind::Png:
            loaded = image.loadPng(path) == nullptr;
            break;
        case ImageKind::None:
            break;
    }
    if (loaded) hash = keptPixelsHash(image, Rect{0, 0, image.width(), image.height()});
    return loaded;
}

}  // namespace

BuildRecord::BuildRecord(std::string path) : path_(std::move(path)) {
    reading_ = loadBuildState(path_, earlier_);
    FileStamp stamp;
    if (reading_ == StateReading::Ok && fileStamp(path_, stamp)) racyFrom_ = racyStampsFrom(stamp);
}

std::vector<CurrentInput> BuildRecord::currentInputs(const std::vector<std::string>& paths,
                                                     const std::unordered_map<std::string, FileStamp>& listed) {
    std::vector<CurrentInput> inputs;
    inputs.reserve(paths.size());
    for (const std::string& path : paths) {
        CurrentInput input{path, {}};
        const auto known = listed.find(path);
        if (known != listed.end()) {
            input.stamp = known->second;
        } else {
            fileStamp(path, input.stamp);
        }
        inputs.push_back(std::move(input));
    }
    return inputs;
}

UpToDateCheck BuildRecord::check(const std::vector<std::string>& description, const std::vector<CurrentInput>& inputs) {
    if (reading_ != StateReading::Ok) {
        UpToDateCheck check;
        check.reason = stateReadingText(reading_);
        return check;
    }
    UpToDateCheck check =
        checkUpToDate(earlier_, programVersion(), description, inputs, diskProbe(pixelHashOf), racyFrom_);
    if (!check.upToDate) return check;
    // Saved again once the clock has passed the recent stamps, the record trusts them from then on; saved before, it
    // would not, and writing it would change nothing.
    const bool trustNow =
        check.newestRacyStamp != INT64_MIN &&
        check.newestRacyStamp < stampTicksNow() - 2 * kStampTicksPerSecond - kStampTicksPerSecond / 10;
    if ((check.restamped || trustNow) && saveBuildState(path_, check.state)) {
        earlier_ = check.state;
        FileStamp stamp;
        if (fileStamp(path_, stamp)) racyFrom_ = racyStampsFrom(stamp);
    }
    return check;
}

std::vector<EarlierPlace> BuildRecord::earlierPlaces(const std::vector<std::string>& description,
                                                     const std::vector<std::string>& names) const {
    std::vector<EarlierPlace> places(names.size());
    if (reading_ != StateReading::Ok || layoutOptions(earlier_.options) != layoutOptions(description)) return places;
    std::unordered_map<std::string, const PlaceRecord*> byName;
    for (const PlaceRecord& place : earlier_.places) byName.emplace(place.name, &place);
    for (size_t i = 0; i < names.size(); ++i) {
        const auto found = byName.find(names[i]);
        if (found == byName.end()) continue;
        const PlaceRecord& r = *found->second;
        byName.erase(found);  // a second sprite of the same name is new
        places[i] = {true, r.page, {r.x, r.y, r.turned, true}, {r.width, r.height}};
    }
    return places;
}

std::vector<AreaSize> BuildRecord::earlierPages() const {
    std::vector<AreaSize> pages;
    if (reading_ != StateReading::Ok) return pages;
    for (const PageRecord& page : earlier_.pages) pages.push_back({page.width, page.height});
    return pages;
}

bool BuildRecord::save(const std::vector<std::string>& description,
                       const std::vector<CurrentInput>& inputs,
                       const std::vector<uint64_t>& pixelHashes,
                       const std::vector<std::string>& outputs,
                       const PagePlan& plan,
                       const std::vector<std::string>& boxNames,
                       const std::vector<PackBox>& boxes) {
    BuildState state;
    state.programVersion = programVersion();
    state.options = description;
    std::unordered_map<std::string, const InputRecord*> known;
    if (reading_ == StateReading::Ok) {
        for (const InputRecord& r : earlier_.inputs) known.emplace(r.path, &r);
    }
    for (size_t i = 0; i < inputs.size(); ++i) {
        InputRecord r{inputs[i].path, inputs[i].stamp, 0, i < pixelHashes.size() ? pixelHashes[i] : 0};
        const auto earlier = known.find(r.path);
        // A stamp as recorded and old enough to trust keeps its bytes' hash; any other file is read again.
        if (earlier != known.end() && earlier->second->stamp == r.stamp && r.stamp.modified < racyFrom_) {
            r.contentHash = earlier->second->contentHash;
        } else if (!hashFile(r.path, r.contentHash)) {
            r.stamp = {};  // gone since: the next build looks again
        } else if (FileStamp after; !fileStamp(r.path, after) || after != r.stamp) {
            // Saved again while it was packed: the bytes just hashed may not be the ones packed, so the next build
            // reads the file and goes by the pixels that were packed.
            r.contentHash = 0;
        }
        state.inputs.push_back(std::move(r));
    }
    for (const std::string& path : outputs) {
        OutputRecord r{path, {}, 0};
        if (!fileStamp(path, r.stamp) || !hashFile(path, r.contentHash)) r.stamp = {};
        state.outputs.push_back(std::move(r));
    }
    for (size_t p = 0; p < plan.pages.size(); ++p) {
        const PlannedPage& page = plan.pages[p];
        state.pages.push_back({page.size.width, page.size.height});
        for (size_t k = 0; k < page.boxes.size(); ++k) {
            const Placement& at = page.placements[k];
            const size_t box = static_cast<size_t>(page.boxes[k]);
            if (!at.placed) continue;
            state.places.push_back(
                {boxNames[box], static_cast<int32_t>(p), at.x, at.y, boxes[box].width, boxes[box].height, at.turned});
        }
    }
    if (!saveBuildState(path_, state)) return false;
    earlier_ = std::move(state);
    reading_ = StateReading::Ok;
    FileStamp stamp;
    if (fileStamp(path_, stamp)) racyFrom_ = racyStampsFrom(stamp);
    return true;
}

const char* programVersion() {
    // The version, and the program file's size and time, so that a program rebuilt under the same version number
    // packs afresh too.
    static const std::string version = [] {
        std::string text = QUILTBOX_VERSION;
        FileStamp stamp;
        const std::string program = runningProgramPath();
        if (!program.empty() && fileStamp(program, stamp)) {
            text += "+" + std::to_string(stamp.size) + "." + std::to_string(stamp.modified);
        }
        return text;
    }();
    return version.c_str();
}

std::string recordPathFor(const std::string& firstOutput) {
    const PathParts parts = splitPath(firstOutput);
    return parts.drive + parts.folder + "." + parts.title + parts.extension + ".qbstate";
}
