#include "watch/WatchSchedule.h"

void WatchSchedule::packedFrom(const InputScan& scan) {
    packed_ = scan;
    latest_ = scan;
}

bool WatchSchedule::observe(const InputScan& scan, int64_t nowMs) {
    if (scan != latest_) {
        latest_ = scan;
        lastChangeMs_ = nowMs;
    }
    return latest_ != packed_ && nowMs - lastChangeMs_ >= settleMs_;
}

void runWatch(const WatchHooks& hooks, const InputScan& packed, int64_t pollMs, int64_t settleMs) {
    WatchSchedule schedule(settleMs);
    schedule.packedFrom(packed);
    while (!hooks.stopped()) {
        if (schedule.observe(hooks.scan(), hooks.nowMs())) {
            const ScanChanges changes = schedule.pending();
            const InputScan scan = schedule.latest();
            schedule.packedFrom(scan);
            hooks.pack(scan, changes);
            continue;  // straight to the next scan: the pack took its time
        }
        hooks.sleep(pollMs);
    }
}
