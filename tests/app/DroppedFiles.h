#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

// Drops files on a window as the shell does: a DROPFILES handle with the names, sent as WM_DROPFILES (which frees it).
inline void dropFiles(HWND window, const std::vector<std::string>& paths) {
    std::string names;
    for (const std::string& p : paths) names += p + '\0';
    HGLOBAL handle = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() + 1);  // zeroed: the list's own end is there
    auto* header = static_cast<DROPFILES*>(GlobalLock(handle));
    header->pFiles = sizeof(DROPFILES);
    std::memcpy(header + 1, names.data(), names.size());
    GlobalUnlock(handle);
    SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(handle), 0);
}
