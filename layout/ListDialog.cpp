#include "layout/ListDialog.h"

ListDialog& ListDialog::instance() {
    static ListDialog dialog;
    return dialog;
}

void ListDialog::resetList() {
    if (!exists_) return;
    names_.clear();
    viewReset();
}

void ListDialog::appendName(const std::string& name) {
    if (!exists_) return;
    names_.append(name);
    viewAppend(name);
}

void ListDialog::insertFirst(const std::string& name) {
    insertAt(name, 0);
}

void ListDialog::insertAt(const std::string& name, int32_t index) {
    if (exists_ && index != -1 && names_.insert(index, name)) viewInsert(index, name);
}

void ListDialog::removeName(const std::string& name) {
    const int32_t index = findName(name);
    if (index < 0) return;
    names_.remove(index);
    viewRemove(index);
}

void ListDialog::markName(const std::string& name) {
    const int32_t index = findName(name);
    if (index < 0) return;
    names_.highlight(index);
    viewHighlight(index);
}

void ListDialog::clearMarks() {
    if (!exists_) return;
    names_.highlight(-1);
    viewHighlight(-1);
}

int32_t ListDialog::findName(const std::string& name) const {
    return exists_ ? names_.find(name) : -1;
}
