#include "layout/ListDialog.h"

// The list without a window: the command line and the core's tests keep only the entries.

bool ListDialog::create(TextureCollection* collection, HWND__* owner) {
    exists_ = true;
    collection_ = collection;
    owner_ = owner;
    names_.clear();
    return true;
}

void ListDialog::destroy() {
    exists_ = false;
    visible_ = false;
    collection_ = nullptr;
    names_.clear();
}

void ListDialog::show() {
    visible_ = true;
}

void ListDialog::hide() {
    visible_ = false;
}

void ListDialog::viewReset() {}
void ListDialog::viewAppend(const std::string&) {}
void ListDialog::viewInsert(int32_t, const std::string&) {}
void ListDialog::viewRemove(int32_t) {}
void ListDialog::viewHighlight(int32_t) {}
