#include "base/OutputBatch.h"

#include <cerrno>
#include <cstdio>
#include <utility>

#include "base/FileSystem.h"

namespace {

// Second names tried beside a target before its old file is copied instead.
constexpr int kLinkNames = 16;
constexpr size_t kCopyChunk = size_t{1} << 16;

// A copy of the file at `target` beside it, on disk before it counts; `copy` names it. False (nothing left) on failure.
bool copyBeside(const std::string& target, std::string& copy) {
    FILE* in = openFile(target, "rb");
    if (!in) return false;
    FILE* out = createFileBeside(target, copy);
    bool ok = out != nullptr;
    std::vector<char> chunk(kCopyChunk);
    while (ok) {
        const size_t got = std::fread(chunk.data(), 1, chunk.size(), in);
        ok = std::fwrite(chunk.data(), 1, got, out) == got && !std::ferror(in);
        if (got < chunk.size()) break;
    }
    std::fclose(in);
    if (!out) return false;
    ok = ok && flushToDisk(out);
    ok = std::fclose(out) == 0 && ok;
    if (!ok) removeFile(copy);
    return ok;
}

// Keeps the file standing at `target` under a second name beside it: a hard link where the file system makes one,
// else a copy. `kept` names it, "" when there was no file to keep (nothing there, or a folder, which the rename then
// refuses to replace). False when there was a file and it could not be kept.
bool keepExisting(const std::string& target, std::string& kept) {
    kept.clear();
    if (pathKind(target) != PathKind::File) return true;
    for (int n = 0; n < kLinkNames; ++n) {
        const std::string name = target + ".~qb.old" + std::to_string(n);
        if (pathKind(name) != PathKind::None) continue;
        if (hardLink(target, name)) {
            kept = name;
            return true;
        }
        break;
    }
    return copyBeside(target, kept);
}

}  // namespace

OutputBatch::~OutputBatch() = default;

bool OutputBatch::write(const std::string& target, const std::function<bool(SafeFileWriter&)>& fill) {
    staged_.push_back({std::make_unique<SafeFileWriter>(target), {}, false});
    SafeFileWriter& file = *staged_.back().file;
    if (file.open() && fill(file) && file.finish()) return true;
    failed_ = target;
    staged_.pop_back();
    return false;
}

bool OutputBatch::write(const std::string& target, const std::vector<uint8_t>& bytes) {
    return write(target, [&](SafeFileWriter& file) { return file.write(bytes); });
}

bool OutputBatch::write(const std::string& target, const std::string& text) {
    return write(target, [&](SafeFileWriter& file) { return file.write(text); });
}

bool OutputBatch::commit() {
    unchanged_.clear();
    std::vector<std::string> unchanged;
    for (Staged& staged : staged_) {
        const std::string& target = staged.file->target();
        if (staged.file->matchesTarget()) {
            unchanged.push_back(target);  // its staged copy goes with the batch
            continue;
        }
        if (!keepExisting(target, staged.kept) || !staged.file->putInPlace()) {
            failed_ = target;
            const int error = errno;  // the failure's reason, whatever putting the old files back does to it
            rollBack();
            errno = error;
            return false;
        }
        staged.placed = true;
    }
    for (const Staged& staged : staged_) {
        if (!staged.kept.empty()) removeFile(staged.kept);
    }
    staged_.clear();
    unchanged_ = std::move(unchanged);
    return true;
}

// Last placed first, so that every target ends with the file it had before the batch. An old file that cannot be put
// back stays under its second name rather than be lost.
void OutputBatch::rollBack() {
    for (size_t i = staged_.size(); i-- > 0;) {
        Staged& staged = staged_[i];
        const std::string& target = staged.file->target();
        if (staged.placed && staged.kept.empty()) {
            removeFile(target);
        } else if (staged.placed) {
            renameReplacing(staged.kept, target);
        } else if (!staged.kept.empty()) {
            removeFile(staged.kept);
        }
    }
    staged_.clear();  // the files never placed are removed with their writers
}

std::vector<std::string> OutputBatch::targets() const {
    std::vector<std::string> targets;
    targets.reserve(staged_.size());
    for (const Staged& staged : staged_) targets.push_back(staged.file->target());
    return targets;
}
