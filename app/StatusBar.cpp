#include <windows.h>
#include <commctrl.h>

#include "app/CanvasGeometry.h"
#include "app/MainFrame.h"
#include "app/StatusBar.h"
#include "base/MessageBox.h"
#include "base/ShiftJis.h"
#include "project/Settings.h"
#include "res/resource.h"

namespace {

constexpr size_t kMaxPartText = 255;

}  // namespace

StatusBar& StatusBar::instance() {
    static StatusBar bar;
    return bar;
}

StatusBar::StatusBar() {
    InitCommonControls();
}

bool StatusBar::create() {
    window_ = CreateStatusWindowA(WS_CHILD | SBARS_SIZEGRIP | CCS_BOTTOM, "", MainFrame::instance().window(),
                                  IDC_STATUS_BAR);
    if (!window_) {
        showMessageBox(nullptr, "ウィンドウの生成に失敗！", "Error", MB_OK);
        return false;
    }
    int edges[] = {300, 400, 500, 1000};
    SendMessageA(window_, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(edges));
    for (int part = 0; part < 4; ++part) texts_[part].clear();
    setText(zoomText(Settings::instance().zoom), kZoomPart);
    return true;
}

void StatusBar::show() {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
}

// At shutdown the main window's destruction has already taken the status window with it.
void StatusBar::destroy() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    window_ = nullptr;
}

Point StatusBar::size() const {
    RECT rect;
    if (!window_ || !GetWindowRect(window_, &rect)) return {0, 0};
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void StatusBar::setText(const std::string& text, int part) {
    texts_[part] = cutAtCharacter(text, kMaxPartText);
    if (window_) SendMessageA(window_, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(texts_[part].c_str()));
}
