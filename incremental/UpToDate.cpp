#include "incremental/UpToDate.h"

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
bool sameOutput(OutputRecord& record, const FileProbe& probe, int64_t racyFrom, bool& restamped) {
    FileStamp now;
    uint64_t bytes = 0;
    if (!probe.stamp(record.path, now)) return false;
    if (now == record.stamp && now.modified < racyFrom) return true;
    if (!probe.contentHash(record.path, bytes) || bytes != record.contentHash) return false;
    restamped = restamped || now != record.stamp;
    record.stamp = now;
    return true;
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
        if (i >= records.size()) return needsPack(inputs[i].path + " was added");
        if (i >= inputs.size()) return needsPack(records[i].path + " was removed");
        if (inputs[i].path != records[i].path) {
            return needsPack("the inputs changed at " + inputs[i].path + " (" + records[i].path + " before)");
        }
        const bool sameStamp = inputs[i].stamp == records[i].stamp;
        if (sameStamp && inputs[i].stamp.modified < racyFrom) continue;
        if (!sameInput(records[i], inputs[i].stamp, probe)) return needsPack(inputs[i].path + " changed");
        check.restamped = check.restamped || !sameStamp;
    }
    for (OutputRecord& output : check.state.outputs) {
        if (!sameOutput(output, probe, racyFrom, check.restamped)) {
            return needsPack(output.path + " is missing or no longer what was written");
        }
    }
    check.upToDate = true;
    return check;
}

int64_t racyStampsFrom(const FileStamp& stateFile) {
    return stateFile.modified - 2 * kStampTicksPerSecond;
}
