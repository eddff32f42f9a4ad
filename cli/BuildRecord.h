#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "atlas/StableLayout.h"
#include "incremental/BuildState.h"
#include "incremental/UpToDate.h"

// The record a pack keeps beside its outputs (BuildState.h), as one pack uses it: before packing, whether the outputs
// can stay as they are and where the sprites lay; after packing, what was packed.
//
// The description is every setting that shapes the outputs, as texts ("--spacing=2", "--trim", the inputs as given,
// the outputs' full paths); of it, the layout options (spacing, extrusion, turning, the page rules) decide whether the
// earlier places can be kept at all.
class BuildRecord {
public:
    // Reads the record at `path`; one that is missing, damaged or of another version is as no record.
    explicit BuildRecord(std::string path);

    const std::string& path() const { return path_; }
    // Why there is no earlier record to go by (Ok when there is one).
    StateReading reading() const { return reading_; }

    // The files a pack reads, in its order, with their stamps now (a file that is gone has no stamp).
    // `listed` holds the stamps a folder's listing gave moments ago, so that a build with nothing to do looks at each
    // file once; any other path is looked at here.
    static std::vector<CurrentInput> currentInputs(const std::vector<std::string>& paths,
                                                   const std::unordered_map<std::string, FileStamp>& listed = {});

    // Whether the outputs can stay as they are (UpToDate.h). When they can and some stamps moved, or stamps that were
    // too recent to trust have become old enough, the record is saved again so that the next check trusts them.
    UpToDateCheck check(const std::vector<std::string>& description, const std::vector<CurrentInput>& inputs);

    // Where each box lay in the earlier pack, found by its sprite's name; none is known when there is no record or the
    // earlier pack was laid out under other layout options.
    std::vector<EarlierPlace> earlierPlaces(const std::vector<std::string>& description,
                                            const std::vector<std::string>& names) const;
    std::vector<AreaSize> earlierPages() const;

    // Records the pack just made: the inputs with their stamps from before they were read (and the hashes of their
    // bytes, taken again where a stamp differs from the record's, and of their pixels, 0 where not known), the outputs
    // as they are now, and every box's place by its sprite's name. False when the record cannot be written.
    bool save(const std::vector<std::string>& description,
              const std::vector<CurrentInput>& inputs,
              const std::vector<uint64_t>& pixelHashes,
              const std::vector<std::string>& outputs,
              const PagePlan& plan,
              const std::vector<std::string>& boxNames,
              const std::vector<PackBox>& boxes);

private:
    std::string path_;
    StateReading reading_ = StateReading::Missing;
    BuildState earlier_;
    int64_t racyFrom_ = INT64_MAX;
};

// The version a record names: a pack by another program version packs afresh.
const char* programVersion();

// The record's file for a pack whose first output is `firstOutput`: beside it, hidden (".atlas.png.qbstate"), so that a
// folder scan passes over it.
std::string recordPathFor(const std::string& firstOutput);
