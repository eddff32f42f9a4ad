#pragma once

struct HWND__;  // the window handle of <windows.h>, declared the way it declares it

// The three modal settings dialogs, each shown over `owner` and true when it was closed with OK. Each works on a copy
// where it has one (the spacing, the area size) or on the settings directly (the file settings, only on OK), so that
// Cancel and the close button leave the settings byte for byte as they were.

// The automatic layout's spacing and sort key.
bool runAutoLayoutDialog(HWND__* owner);
// The path mode, the UV options, the ID header texts and the five usual places.
bool runFileSettingsDialog(HWND__* owner);
// The layout area's width and height, stepped by their up-down controls through the powers of two from 32 to 1024.
bool runAreaSizeDialog(HWND__* owner);
