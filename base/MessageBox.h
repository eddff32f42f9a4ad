#pragma once

#include <functional>
#include <string>

#include "base/Message.h"

struct HWND__;  // the window handle of <windows.h>, declared the way it declares it

// Every message box of the window program goes through here: a modal box owned by `owner` (none when null) with the
// text and caption as they are (Shift-JIS, shown through the ANSI call) and the MB_ button and icon flags of `type`;
// the result is the button pressed (IDOK, IDCANCEL, IDYES, IDNO). Tests replace the box with a handler of their own.
struct MessageBoxCall {
    HWND__* owner;
    std::string text;
    std::string caption;
    unsigned type;
};
using MessageBoxHandler = std::function<int(const MessageBoxCall& call)>;

// Installs a handler and returns the one it replaces; an empty handler shows the real message box.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);
int showMessageBox(HWND__* owner, const std::string& text, const std::string& caption, unsigned type);

// The window program's handler for the core's message seam: a message box with one OK button, owned by `owner`.
MessageHandler messageBoxHandler(HWND__* owner);
