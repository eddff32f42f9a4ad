#include <windows.h>

#include "app/MainFrame.h"
#include "layout/ListDialog.h"
#include "layout/TextureCollection.h"
#include "res/resource.h"

// The real list dialog: modeless, hidden until the list command shows it, owned by the main window.

namespace {

INT_PTR CALLBACK listDialogProc(HWND, UINT message, WPARAM wParam, LPARAM) {
    ListDialog& dialog = ListDialog::instance();
    switch (message) {
        case WM_CLOSE: return dialog.onClose();
        case WM_CHAR: return dialog.onChar(static_cast<uint32_t>(wParam));
        case WM_COMMAND: return dialog.onCommand(LOWORD(wParam), HIWORD(wParam));
        default: return FALSE;
    }
}

}  // namespace

bool ListDialog::create(TextureCollection* collection, HWND__* owner) {
    window_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LIST), owner, listDialogProc, 0);
    if (!window_) return false;
    exists_ = true;
    visible_ = false;
    owner_ = owner;
    collection_ = collection;
    names_.clear();
    return true;
}

// The window may already be gone with its owner; DestroyWindow then fails harmlessly.
void ListDialog::destroy() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    window_ = nullptr;
    exists_ = false;
    visible_ = false;
    collection_ = nullptr;
    names_.clear();
}

void ListDialog::show() {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    visible_ = true;
}

void ListDialog::hide() {
    ShowWindow(window_, SW_HIDE);
    UpdateWindow(window_);
    visible_ = false;
}

bool ListDialog::onClose() {
    SendMessageA(owner_, WM_COMMAND, ID_SHOW_LIST, 0);
    return true;
}

// The letters press the reorder buttons; the character itself still counts as not handled.
bool ListDialog::onChar(uint32_t character) {
    static const struct {
        char upper, lower;
        int button;
    } kKeys[] = {{'F', 'f', IDC_TO_TOP}, {'B', 'b', IDC_TO_BOTTOM}, {'U', 'u', IDC_UP_ONE}, {'D', 'd', IDC_DOWN_ONE}};
    for (const auto& key : kKeys) {
        if (character == static_cast<uint32_t>(key.upper) || character == static_cast<uint32_t>(key.lower)) {
            SendMessageA(window_, WM_COMMAND, key.button, 0);
        }
    }
    return false;
}

bool ListDialog::onCommand(int control, int notification) {
    switch (control) {
        case IDC_IMAGE_LIST:
            if (notification == LBN_SELCHANGE && collection_) selectClickedNames();
            return false;
        case IDC_LIST_CLOSE: return onClose();
        case IDC_TO_TOP: collection_->moveSelectedToFirst(); return true;
        case IDC_TO_BOTTOM: collection_->moveSelectedToLast(); return true;
        case IDC_UP_ONE: collection_->moveSelectedUp(); return true;
        case IDC_DOWN_ONE: collection_->moveSelectedDown(); return true;
        default: return false;
    }
}

// Every image bearing a selected entry's name becomes selected, and no other; the list is not told, so the click
// causes no echo.
void ListDialog::selectClickedNames() {
    collection_->deselectAllQuietly();
    HWND list = GetDlgItem(window_, IDC_IMAGE_LIST);
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const auto index = static_cast<size_t>(i);
        if (index < names_.entries().size() && SendMessageA(list, LB_GETSEL, i, 0) > 0) {
            collection_->selectByName(names_.entries()[index]);
        }
    }
    MainFrame::instance().redrawCanvas();
}

void ListDialog::viewReset() {
    SendDlgItemMessageA(window_, IDC_IMAGE_LIST, LB_RESETCONTENT, 0, 0);
}

void ListDialog::viewAppend(const std::string& name) {
    SendDlgItemMessageA(window_, IDC_IMAGE_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

void ListDialog::viewInsert(int32_t index, const std::string& name) {
    SendDlgItemMessageA(window_, IDC_IMAGE_LIST, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(name.c_str()));
    viewHighlight(index);
}

void ListDialog::viewRemove(int32_t index) {
    SendDlgItemMessageA(window_, IDC_IMAGE_LIST, LB_DELETESTRING, index, 0);
}

void ListDialog::viewHighlight(int32_t index) {
    SendDlgItemMessageA(window_, IDC_IMAGE_LIST, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}
