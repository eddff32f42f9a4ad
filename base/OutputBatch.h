#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/SafeFileWriter.h"

// Writes several files so that they take their places together or not at all. Each file is first written whole to a
// new file beside its target, flushed to disk and closed (staged); commit() then renames every staged file over its
// target in the order staged. Before a rename replaces an existing file, that file is kept under a second name beside
// it (a hard link, else a copy), so that when a later rename fails every target already replaced gets its old file
// back and every target that did not exist is removed again; the kept files are removed once all are in place. On any
// failure every target is as it was and no file of the batch is left behind.
//
// A target that already holds exactly the bytes staged for it is left as it is, its time included, so that whatever
// depends on it (a game's build) sees no change.
//
// A reader looking at the targets during commit() sees each of them whole, old or new, never a partial file; while
// the renames run (and while a failed commit puts the old files back) some may already be new and others still old.
class OutputBatch {
public:
    OutputBatch() = default;
    ~OutputBatch();  // an uncommitted batch removes its staged files
    OutputBatch(const OutputBatch&) = delete;
    OutputBatch& operator=(const OutputBatch&) = delete;

    // Stages one file: `fill` writes its bytes into the opened new file, which is then finished. False when any step
    // fails; failedPath() then names the target.
    bool write(const std::string& target, const std::function<bool(SafeFileWriter&)>& fill);
    bool write(const std::string& target, const std::vector<uint8_t>& bytes);
    bool write(const std::string& target, const std::string& text);

    // Puts every staged file in place; false when one cannot be, with failedPath() naming it and every target as it
    // was. The batch is empty afterwards either way.
    bool commit();

    // The targets staged so far, in order.
    std::vector<std::string> targets() const;
    const std::string& failedPath() const { return failed_; }
    // The targets the last successful commit() left as they were, since they held the staged bytes already.
    const std::vector<std::string>& unchanged() const { return unchanged_; }

private:
    struct Staged {
        std::unique_ptr<SafeFileWriter> file;
        std::string kept;  // the old file's second name while the new one replaces it; "" when there was none
        bool placed = false;
    };

    void rollBack();

    std::vector<Staged> staged_;
    std::string failed_;
    std::vector<std::string> unchanged_;
};
