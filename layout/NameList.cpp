#include "layout/NameList.h"

void NameList::clear() {
    entries_.clear();
    current_ = -1;
}

void NameList::append(const std::string& name) {
    entries_.push_back(name);
}

bool NameList::insert(int32_t index, const std::string& name) {
    if (index < 0 || static_cast<size_t>(index) > entries_.size()) return false;
    entries_.insert(entries_.begin() + index, name);
    current_ = index;
    return true;
}

void NameList::remove(int32_t index) {
    entries_.erase(entries_.begin() + index);
    if (current_ == index) {
        current_ = -1;
    } else if (current_ > index) {
        --current_;
    }
}

int32_t NameList::find(const std::string& name) const {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i] == name) return static_cast<int32_t>(i);
    }
    return -1;
}
