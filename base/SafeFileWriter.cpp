#include "base/SafeFileWriter.h"

#include <cstring>
#include <utility>
#include <vector>

#include "base/FileSystem.h"

namespace {

constexpr size_t kCompareChunk = size_t{1} << 16;

// Whether two open files hold the same bytes from where they stand to their ends.
bool sameRest(FILE* a, FILE* b) {
    std::vector<char> chunkA(kCompareChunk), chunkB(kCompareChunk);
    for (;;) {
        const size_t gotA = std::fread(chunkA.data(), 1, chunkA.size(), a);
        const size_t gotB = std::fread(chunkB.data(), 1, chunkB.size(), b);
        if (gotA != gotB || std::ferror(a) || std::ferror(b)) return false;
        if (std::memcmp(chunkA.data(), chunkB.data(), gotA) != 0) return false;
        if (gotA < chunkA.size()) return true;
    }
}

}  // namespace

SafeFileWriter::SafeFileWriter(std::string target) : target_(std::move(target)) {}

SafeFileWriter::~SafeFileWriter() {
    discard();
}

bool SafeFileWriter::open() {
    discard();
    failed_ = false;
    file_ = createFileBeside(target_, tempPath_);
    if (!file_) failed_ = true;
    return file_ != nullptr;
}

bool SafeFileWriter::write(const void* data, size_t n) {
    if (!file_ || failed_) {
        failed_ = true;
        return false;
    }
    if (n > 0 && std::fwrite(data, 1, n, file_) != n) failed_ = true;
    return !failed_;
}

bool SafeFileWriter::finish() {
    if (!file_ || failed_) {
        discard();
        return false;
    }
    const bool flushed = flushToDisk(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed || !closed) discard();
    return flushed && closed;
}

bool SafeFileWriter::putInPlace() {
    if (file_ || tempPath_.empty()) return false;  // never opened, or not finished
    const bool renamed = renameReplacing(tempPath_, target_);
    if (!renamed) removeFile(tempPath_);
    tempPath_.clear();
    return renamed;
}

bool SafeFileWriter::matchesTarget() const {
    FileStamp staged, existing;
    if (file_ || tempPath_.empty() || !fileStamp(tempPath_, staged) || !fileStamp(target_, existing) ||
        staged.size != existing.size) {
        return false;
    }
    FILE* a = openFile(tempPath_, "rb");
    FILE* b = openFile(target_, "rb");
    const bool same = a && b && sameRest(a, b);
    if (a) std::fclose(a);
    if (b) std::fclose(b);
    return same;
}

void SafeFileWriter::discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!tempPath_.empty()) {
        removeFile(tempPath_);
        tempPath_.clear();
    }
}

bool writeFileSafely(const std::string& path, const void* data, size_t n) {
    SafeFileWriter writer(path);
    return writer.open() && writer.write(data, n) && writer.commit();
}
