#include <windows.h>

#include "app/Application.h"
#include "app/MainFrame.h"
#include "app/StatusBar.h"
#include "base/MessageBox.h"
#include "layout/ListDialog.h"

bool Application::init(const std::vector<std::string>& args) {
    // The core reports its failures (an image that cannot be read, a damaged project) in message boxes.
    setMessageHandler(messageBoxHandler(nullptr));
    MainFrame& frame = MainFrame::instance();
    if (!frame.create(args) || !StatusBar::instance().create()) return false;
    frame.show();
    StatusBar::instance().show();
    return true;
}

// The list dialog takes its keys (Tab, Enter) whether shown or hidden.
int Application::run() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        HWND list = ListDialog::instance().window();
        if (list && IsDialogMessageA(list, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 1;
}

void Application::shutdown() {
    MainFrame::instance().destroy();
    StatusBar::instance().destroy();
    ListDialog::instance().destroy();
}
