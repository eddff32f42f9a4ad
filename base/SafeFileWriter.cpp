#include "base/SafeFileWriter.h"

#include <utility>

#include "base/FileSystem.h"

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
