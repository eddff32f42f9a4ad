#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

// Drops files on a window as the shell does: a drop handle holding a DROPFILES header and the names, each ending in a
// zero and the list in another, sent as WM_DROPFILES (the window releases the handle).
inline void dropFiles(HWND window, const std::vector<std::string>& paths) {
    size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& p : paths) size += p.size() + 1;
    HGLOBAL handle = GlobalAlloc(GHND, size);
    auto* header = static_cast<DROPFILES*>(GlobalLock(handle));
    header->pFiles = sizeof(DROPFILES);
    char* names = reinterpret_cast<char*>(header + 1);
    for (const std::string& p : paths) names = std::strcpy(names, p.c_str()) + p.size() + 1;
    GlobalUnlock(handle);
    SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(handle), 0);
}
