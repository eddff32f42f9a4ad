#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The names the list dialog shows, one entry per image in collection order, with at most one highlighted entry, kept
// the way a single-selection list box keeps its entries: an inserted entry becomes the highlighted one, deleting
// entries shifts the highlight with its entry or clears it with it, and entries are found by their exact text, the
// first from the top.
class NameList {
public:
    void clear();
    void append(const std::string& name);
    // Inserts before `index` and highlights the new entry; an index past the end inserts nothing.
    bool insert(int32_t index, const std::string& name);
    void remove(int32_t index);
    void highlight(int32_t index) { current_ = index; }
    int32_t find(const std::string& name) const;

    const std::vector<std::string>& entries() const { return entries_; }
    int32_t current() const { return current_; }

private:
    std::vector<std::string> entries_;
    int32_t current_ = -1;
};
