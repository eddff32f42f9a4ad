#include <windows.h>

#include "base/MessageBox.h"

namespace {

MessageBoxHandler& currentHandler() {
    static MessageBoxHandler handler;
    return handler;
}

}  // namespace

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler) {
    std::swap(currentHandler(), handler);
    return handler;
}

int showMessageBox(HWND__* owner, const std::string& text, const std::string& caption, unsigned type) {
    const MessageBoxHandler& handler = currentHandler();
    if (handler) return handler({owner, text, caption, type});
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

MessageHandler messageBoxHandler(HWND__* owner) {
    return [owner](const std::string& text, const std::string& caption) {
        showMessageBox(owner, text, caption, MB_OK);
    };
}
