#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TextureCollection;

// The list of image names that mirrors the collection, one entry per image in collection order, with at most one
// highlighted entry. The collection tells it of every change through the list operations below; each does nothing
// while the list does not exist (before create, after destroy). This build keeps the entries in memory, with the
// behaviour of a single-selection list box.
class ListDialog {
public:
    static ListDialog& instance();

    bool create(TextureCollection* collection);
    void destroy();
    bool exists() const { return exists_; }

    void resetList();
    void appendName(const std::string& name);
    void insertFirst(const std::string& name);
    void insertAt(const std::string& name, int32_t index);
    void removeName(const std::string& name);
    void markName(const std::string& name);
    void clearMarks();
    int32_t findName(const std::string& name) const;

    // What the list shows: its entries from the top, and the index of the highlighted entry or -1.
    const std::vector<std::string>& entries() const { return entries_; }
    int32_t current() const { return current_; }

private:
    ListDialog() = default;
    void insert(size_t index, const std::string& name);

    bool exists_ = false;
    TextureCollection* collection_ = nullptr;
    std::vector<std::string> entries_;
    int32_t current_ = -1;
};
