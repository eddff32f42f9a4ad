#pragma once

#include <cstdint>
#include <functional>

#include "watch/InputScan.h"

// When a watch packs: a short moment after the last change it saw, so that a sprite saved in several writes, or a
// dozen sprites saved at once, give one pack rather than one per write, and a file still being written is not read
// half way (when it is, the pack fails and the next write changes it again).
//
// The watch polls: it scans the inputs' stamps a few times a second. A change notification of the platform (inotify,
// ReadDirectoryChangesW) would need two implementations, and under Wine, on network drives and in containers such
// notifications come late or not at all; a scan of a thousand sprites' stamps costs under two milliseconds, so polling
// costs nothing that shows and behaves the same everywhere.

constexpr int64_t kWatchPollMs = 200;
constexpr int64_t kWatchSettleMs = 300;

class WatchSchedule {
public:
    explicit WatchSchedule(int64_t settleMs = kWatchSettleMs) : settleMs_(settleMs) {}

    // The inputs as the pack about to run (or the build before the watch began) saw them.
    void packedFrom(const InputScan& scan);
    // A scan taken at nowMs (a steady clock's milliseconds). True when a pack is due: the inputs differ from those
    // last packed, and nothing changed for the settling time. Changes that undo themselves (a file saved and put
    // back as it was) give no pack.
    bool observe(const InputScan& scan, int64_t nowMs);

    const InputScan& latest() const { return latest_; }
    // What differs between the inputs last packed and the latest scan.
    ScanChanges pending() const { return changesBetween(packed_, latest_); }

private:
    int64_t settleMs_;
    InputScan packed_;
    InputScan latest_;
    int64_t lastChangeMs_ = 0;
};

// What a watch does, given as functions so that a test can drive it with its own clock and files.
struct WatchHooks {
    std::function<InputScan()> scan;
    // Packs from the scan (the changes say why); reports its own success or failure and keeps the previous outputs
    // when it fails.
    std::function<void(const InputScan& scan, const ScanChanges& changes)> pack;
    std::function<int64_t()> nowMs;
    std::function<void(int64_t ms)> sleep;
    std::function<bool()> stopped;  // the user interrupted
};

// Watches until stopped, starting from the inputs the last build packed: scan, wait for the changes to settle, pack,
// and on again. A change made while a pack runs is seen by the next scan and packed after it.
void runWatch(const WatchHooks& hooks,
              const InputScan& packed,
              int64_t pollMs = kWatchPollMs,
              int64_t settleMs = kWatchSettleMs);
