#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

// Writes a file so that it either appears complete or not at all: the bytes go to a new file beside the target, and
// only when every write, the flush to disk and the close succeeded is that file renamed over the target. On any
// failure the new file is removed and an existing target stays exactly as it was.
class SafeFileWriter {
public:
    explicit SafeFileWriter(std::string target);
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    // Creates the new file; false when the folder does not exist or cannot be written.
    bool open();
    // Appends bytes; a failure is remembered and makes commit() fail.
    bool write(const void* data, size_t n);
    bool write(const std::vector<uint8_t>& bytes) { return write(bytes.data(), bytes.size()); }
    bool write(const std::string& text) { return write(text.data(), text.size()); }
    // Flushes the new file to disk and closes it; false (the new file removed) on any failure so far.
    bool finish();
    // Renames the finished file over the target; false (the new file removed, the target untouched) when that fails.
    bool putInPlace();
    // Finishes the file and puts it in the target's place; false (target untouched) on any failure so far.
    bool commit() { return finish() && putInPlace(); }
    // True when the finished file holds exactly the bytes of the file at the target, so that putting it in place would
    // change nothing but the target's time; false when either cannot be read.
    bool matchesTarget() const;

    const std::string& target() const { return target_; }

private:
    void discard();

    std::string target_;
    std::string tempPath_;
    FILE* file_ = nullptr;
    bool failed_ = false;
};

// The whole file in one call through a SafeFileWriter.
bool writeFileSafely(const std::string& path, const void* data, size_t n);
inline bool writeFileSafely(const std::string& path, const std::vector<uint8_t>& bytes) {
    return writeFileSafely(path, bytes.data(), bytes.size());
}
inline bool writeFileSafely(const std::string& path, const std::string& text) {
    return writeFileSafely(path, text.data(), text.size());
}
