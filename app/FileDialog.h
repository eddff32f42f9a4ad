#pragma once

#include <windows.h>
#include <commdlg.h>

#include <functional>
#include <string>
#include <vector>

// One of the program's common file dialogs, with its own description and its own name buffer, both kept for the
// run: each opens with the name chosen the last time it was used. It carries no title of its own, is owned by the
// main window, and ends its filters with "すべてのファイル {*.*}"; the first filter is preselected.
class FileDialog {
public:
    enum class Kind { Open, Save };
    struct Filter {
        const char* label;
        const char* pattern;
    };

    FileDialog(Kind kind, std::vector<Filter> filters, size_t bufferSize, DWORD flags, const char* defaultExtension);
    FileDialog(const FileDialog&) = delete;
    FileDialog& operator=(const FileDialog&) = delete;

    // Shows the dialog over `owner`; false when it was cancelled (or failed, which counts the same).
    bool run(HWND owner);
    // The chosen name: one full path, or for a multiple selection the folder and the names, each ending in a zero.
    const std::vector<char>& buffer() const { return buffer_; }
    std::string path() const { return std::string(buffer_.data()); }
    void forgetName() { buffer_.assign(buffer_.size(), '\0'); }

private:
    Kind kind_;
    std::string filter_;  // "label\0pattern\0...\0\0"
    std::vector<char> buffer_;
    OPENFILENAMEA description_;
};

// Every file dialog goes through here: the real GetOpenFileNameA or GetSaveFileNameA, or a test's handler that reads
// the description and fills in its buffer as a user would.
using FileDialogHandler = std::function<bool(OPENFILENAMEA& description, FileDialog::Kind kind)>;
FileDialogHandler setFileDialogHandler(FileDialogHandler handler);
