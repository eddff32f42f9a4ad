#include <windows.h>

#include "base/MessageBox.h"

MessageHandler messageBoxHandler(HWND__* owner) {
    return [owner](const std::string& text, const std::string& caption) {
        MessageBoxA(owner, text.c_str(), caption.c_str(), MB_OK);
    };
}
