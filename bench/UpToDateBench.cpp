// Times what a build does when nothing changed, on a folder of sprites: the inputs scanned (a walk of the folder with
// every file's size and time), the record of the last build read, and the decision made, which reads no file whose
// stamp is unchanged. Also times the same decision when every input's time changed but not its bytes (every file read
// and hashed), and a scan alone (what the watch does a few times a second).
// Usage: up_to_date_bench SPRITE_FOLDER STATE_FILE [OUTPUT...] [--repetitions N]; prints Markdown table rows with the
// median times in ms.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "MedianTime.h"
#include "image/TextureImage.h"
#include "incremental/BuildState.h"
#include "incremental/UpToDate.h"
#include "watch/InputScan.h"

namespace {

bool isImage(const std::string& path) {
    return path.size() > 4 &&
           (path.compare(path.size() - 4, 4, ".bmp") == 0 || path.compare(path.size() - 4, 4, ".tga") == 0 ||
            path.compare(path.size() - 4, 4, ".png") == 0);
}

std::vector<CurrentInput> currentInputs(const WatchedInputs& watched) {
    std::vector<CurrentInput> inputs;
    for (ScannedFile& file : scanInputs(watched, isImage).files) inputs.push_back({std::move(file.path), file.stamp});
    return inputs;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: up_to_date_bench SPRITE_FOLDER STATE_FILE [OUTPUT...] [--repetitions N]\n");
        return 2;
    }
    WatchedInputs watched;
    watched.folders = {argv[1]};
    const std::string statePath = argv[2];
    std::vector<std::string> outputs;
    int repetitions = 15;
    for (int i = 3; i < argc; ++i) {
        if (std::string(argv[i]) == "--repetitions" && i + 1 < argc) {
            repetitions = std::atoi(argv[++i]);
        } else {
            outputs.push_back(argv[i]);
        }
    }
    const FileProbe probe = diskProbe(nullptr);

    // The record a build would leave: every input's stamp and hash, every output's.
    BuildState state;
    state.programVersion = "bench";
    state.options = {"--size", "auto"};
    for (const CurrentInput& input : currentInputs(watched)) {
        InputRecord record{input.path, input.stamp, 0, 0};
        if (!probe.contentHash(input.path, record.contentHash))
            return std::fprintf(stderr, "cannot read %s\n", input.path.c_str()), 1;
        state.inputs.push_back(record);
    }
    for (const std::string& path : outputs) {
        OutputRecord record{path, {}, 0};
        if (!probe.stamp(path, record.stamp) || !probe.contentHash(path, record.contentHash)) {
            return std::fprintf(stderr, "cannot read %s\n", path.c_str()), 1;
        }
        state.outputs.push_back(record);
    }
    if (!saveBuildState(statePath, state)) return std::fprintf(stderr, "cannot write %s\n", statePath.c_str()), 1;

    // As a build would, the stamps written before the state's own (less the clock's tick) are trusted.
    FileStamp saved;
    if (!fileStamp(statePath, saved)) return 1;
    const int64_t racyFrom = racyStampsFrom(saved);
    bool upToDate = true;
    const double check = medianMs(repetitions, [&] {
        BuildState earlier;
        upToDate =
            upToDate && loadBuildState(statePath, earlier) == StateReading::Ok &&
            checkUpToDate(earlier, "bench", {"--size", "auto"}, currentInputs(watched), probe, racyFrom).upToDate;
    });
    const double scan = medianMs(repetitions, [&] { currentInputs(watched); });
    // Every input's time moved, its bytes the same: each file read and hashed.
    BuildState moved = state;
    for (InputRecord& record : moved.inputs) ++record.stamp.modified;
    const double hashed = medianMs(repetitions, [&] {
        upToDate = upToDate &&
                   checkUpToDate(moved, "bench", {"--size", "auto"}, currentInputs(watched), probe, racyFrom).upToDate;
    });
    if (!upToDate) return std::fprintf(stderr, "the unchanged inputs were not found up to date\n"), 1;
    std::printf("| %zu sprites, %zu outputs | no change: scan, record read, decision | %.1f ms |\n",
                state.inputs.size(), state.outputs.size(), check);
    std::printf("| | a scan alone (one poll of the watch) | %.1f ms |\n", scan);
    std::printf("| | every input's time changed, bytes the same (all read and hashed) | %.1f ms |\n", hashed);
    return 0;
}
