#include "incremental/UpToDate.h"

#include <algorithm>
#include <unordered_set>

#include "base/FileSystem.h"
#include "incremental/ContentHash.h"

namespace {

// The largest file hashed: an image file's limit.
constexpr uint64_t kMaxHashedBytes = uint64_t{257} << 20;

UpToDateCheck needsPack(std::string reason) {
    UpToDateCheck check;
    check.reason = std::move(reason);
    return check;
}

// Whether an input whose stamp changed still holds what was packed; its record takes today's stamp and hashes.
bool sameInput(InputRecord& record, const FileStamp& now, const FileProbe& probe) {
    uint64_t bytes = 0, pixels = 0;
    if (!probe.contentHash(record.path, bytes)) return false;
    if (bytes != record.contentHash) {
        if (record.pixelHash == 0 || !probe.pixelHash || !probe.pixelHash(record.path, pixels)) return false;
        if (pixels != record.pixelHash) return false;
    }
    record.stamp = now;
    record.contentHash = bytes;
    return true;
}

// Whether an output still holds what was written: the same stamp, else the same bytes.
bool sameOutput(OutputRecord& record, const FileProbe& probe, int64_t racyFrom, UpToDateCheck& check) {
    FileStamp now;
    uint64_t bytes = 0;
    if (!probe.stamp(record.path, now)) return false;
    if (now == record.stamp && now.modified < racyFrom) return true;
    if (!probe.contentHash(record.path, bytes) || bytes != record.contentHash) return false;
    if (now == record.stamp) check.newestRacyStamp = std::max(check.newestRacyStamp, now.modified);
    check.restamped = check.restamped || now != record.stamp;
    record.stamp = now;
    return true;
}

// What changed in a list of inputs that differs from the recorded one: a file added, one removed, else their order.
std::string inputsChange(const std::vector<CurrentInput>& inputs, const std::vector<InputRecord>& records) {
    std::unordered_set<std::string> now, before;
    for (const CurrentInput& input : inputs) now.insert(input.path);
    for (const InputRecord& record : records) before.insert(record.path);
    for (const CurrentInput& input : inputs) {
        if (!before.count(input.path)) return input.path + " was added";
    }
    for (const InputRecord& record : records) {
        if (!now.count(record.path)) return record.path + " was removed";
    }
    return "the inputs' order changed";
}

}  // namespace

FileProbe diskProbe(std::function<bool(const std::string& path, uint64_t& hash)> pixelHash) {
    FileProbe probe;
    probe.contentHash = [](const std::string& path, uint64_t& hash) {
        std::vector<uint8_t> bytes;
        if (readWholeFile(path, kMaxHashedBytes, bytes) != FileReadResult::Ok) return false;
        hash = contentHash(bytes);
        return true;
    };
    probe.pixelHash = std::move(pixelHash);
    probe.stamp = fileStamp;
    return probe;
}

UpToDateCheck checkUpToDate(const BuildState& earlier,
                            const std::string& programVersion,
                            const std::vector<std::string>& options,
                            const std::vector<CurrentInput>& inputs,
                            const FileProbe& probe,
                            int64_t racyFrom) {
    if (earlier.programVersion != programVersion) {
        return needsPack("the program changed (" + earlier.programVersion + " before, " + programVersion + " now)");
    }
    if (earlier.options != options) return needsPack("the options changed");
    UpToDateCheck check;
    check.state = earlier;
    std::vector<InputRecord>& records = check.state.inputs;
    for (size_t i = 0; i < inputs.size() || i < records.size(); ++i) {
        if (i >= records.size() || i >= inputs.size()) return needsPack(inputsChange(inputs, records));
        if (inputs[i].path != records[i].path) return needsPack(inputsChange(inputs, records));
        const bool sameStamp = inputs[i].stamp == records[i].stamp;
        if (sameStamp && inputs[i].stamp.modified < racyFrom) continue;
        if (!sameInput(records[i], inputs[i].stamp, probe)) return needsPack(inputs[i].path + " changed");
        check.restamped = check.restamped || !sameStamp;
        if (sameStamp) check.newestRacyStamp = std::max(check.newestRacyStamp, inputs[i].stamp.modified);
    }
    for (OutputRecord& output : check.state.outputs) {
        if (!sameOutput(output, probe, racyFrom, check)) {
            return needsPack(output.path + " is missing or no longer what was written");
        }
    }
    check.upToDate = true;
    return check;
}

int64_t racyStampsFrom(const FileStamp& stateFile) {
    return stateFile.modified - 2 * kStampTicksPerSecond;
}
