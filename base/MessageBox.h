#pragma once

#include "base/Message.h"

struct HWND__;  // the window handle of <windows.h>, declared the way it declares it

// The window program's handler for the message seam: a modal message box with one OK button, owned by `owner` (none
// when null), with the text and caption as they are (Shift-JIS, shown through the ANSI call).
MessageHandler messageBoxHandler(HWND__* owner);
