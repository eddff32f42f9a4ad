#include "layout/ListDialog.h"

ListDialog& ListDialog::instance() {
    static ListDialog dialog;
    return dialog;
}

bool ListDialog::create(TextureCollection* collection) {
    exists_ = true;
    collection_ = collection;
    entries_.clear();
    current_ = -1;
    return true;
}

void ListDialog::destroy() {
    exists_ = false;
    collection_ = nullptr;
    entries_.clear();
    current_ = -1;
}

void ListDialog::resetList() {
    if (!exists_) return;
    entries_.clear();
    current_ = -1;
}

void ListDialog::appendName(const std::string& name) {
    if (!exists_) return;
    entries_.push_back(name);
}

// An inserted entry becomes the highlighted one; an index past the end inserts nothing, as in a list box.
void ListDialog::insert(size_t index, const std::string& name) {
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(index), name);
    current_ = static_cast<int32_t>(index);
}

void ListDialog::insertFirst(const std::string& name) {
    if (!exists_) return;
    insert(0, name);
}

void ListDialog::insertAt(const std::string& name, int32_t index) {
    if (!exists_ || index == -1) return;
    if (index < 0 || static_cast<size_t>(index) > entries_.size()) return;
    insert(static_cast<size_t>(index), name);
}

void ListDialog::removeName(const std::string& name) {
    if (!exists_) return;
    const int32_t index = findName(name);
    if (index < 0) return;
    entries_.erase(entries_.begin() + index);
    if (current_ == index) {
        current_ = -1;
    } else if (current_ > index) {
        --current_;
    }
}

void ListDialog::markName(const std::string& name) {
    if (!exists_) return;
    const int32_t index = findName(name);
    if (index >= 0) current_ = index;
}

void ListDialog::clearMarks() {
    if (!exists_) return;
    current_ = -1;
}

int32_t ListDialog::findName(const std::string& name) const {
    if (!exists_) return -1;
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i] == name) return static_cast<int32_t>(i);
    }
    return -1;
}
