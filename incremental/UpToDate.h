#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "incremental/BuildState.h"

// Whether a build can leave its outputs as they are, decided from the state of the last build and today's inputs.
//
// A pack is needed when the program's version or the options differ, when an input was added, removed or moved in
// the order, when an input's contents changed, or when an output is missing or no longer what was written. An input
// whose path, size and time are those recorded is taken as unchanged without reading it; one whose stamp changed is
// unchanged when its bytes hash as before, or, where the bytes differ, when its decoded pixels do (a sprite saved
// again by an editor). An output is judged the same way by its bytes.
//
// A file's time only moves with the file system's clock, whose tick may be a few milliseconds (Linux) or two seconds
// (FAT): a file written again within the tick in which it was read for the pack keeps its stamp. So a stamp from the
// last moments before the state was saved proves nothing, and such a file is compared by its contents every time
// (the cure of git's "racily clean" files); racyStampsFrom() gives the moment from which stamps are not trusted.

// An input as it is now: its program path and stamp, in the pack's order.
struct CurrentInput {
    std::string path;
    FileStamp stamp;
};

// How the check looks at a file whose stamp changed; each gives false when the file cannot be read (or decoded).
struct FileProbe {
    std::function<bool(const std::string& path, uint64_t& hash)> contentHash;
    std::function<bool(const std::string& path, uint64_t& hash)> pixelHash;
    std::function<bool(const std::string& path, FileStamp& stamp)> stamp;
};

// A probe on the disk: bytes read and hashed whole (up to 257 MiB, an image file's limit), stamps from the file
// system; the pixels' hash is the caller's, who knows how to decode an image (empty: never the same pixels).
FileProbe diskProbe(std::function<bool(const std::string& path, uint64_t& hash)> pixelHash);

struct UpToDateCheck {
    bool upToDate = false;
    std::string reason;      // why a pack is needed: the first thing found that changed (a program text)
    bool restamped = false;  // up to date, but some stamps changed: the state is worth saving again
    // The latest time of a file whose stamp was as recorded but too recent to trust, so that its contents were
    // compared (INT64_MIN: none). Once the clock is past racyStampsFrom of it, a state saved again trusts its stamp.
    int64_t newestRacyStamp = INT64_MIN;
    BuildState state;  // when up to date: the earlier state with today's stamps
};

// Stamps whose time is at or after `racyFrom` are not trusted (INT64_MIN: none is, INT64_MAX: every one is).
UpToDateCheck checkUpToDate(const BuildState& earlier,
                            const std::string& programVersion,
                            const std::vector<std::string>& options,
                            const std::vector<CurrentInput>& inputs,
                            const FileProbe& probe,
                            int64_t racyFrom);

// The moment from which stamps are not trusted, for the state file saved with the given stamp: two seconds before it.
int64_t racyStampsFrom(const FileStamp& stateFile);
