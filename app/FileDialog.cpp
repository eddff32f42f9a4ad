#include "app/FileDialog.h"

#include <utility>

namespace {

FileDialogHandler& currentHandler() {
    static FileDialogHandler handler;
    return handler;
}

}  // namespace

FileDialogHandler setFileDialogHandler(FileDialogHandler handler) {
    std::swap(currentHandler(), handler);
    return handler;
}

FileDialog::FileDialog(Kind kind, std::vector<Filter> filters, size_t bufferSize, DWORD flags,
                       const char* defaultExtension)
    : kind_(kind), buffer_(bufferSize, '\0'), description_() {
    filters.push_back({"すべてのファイル {*.*}", "*.*"});
    for (const Filter& filter : filters) {
        filter_ += filter.label;
        filter_ += '\0';
        filter_ += filter.pattern;
        filter_ += '\0';
    }
    // The version 4.00 form of the description, without the fields later systems added behind it.
    description_.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    description_.lpstrFilter = filter_.c_str();
    description_.nFilterIndex = 1;
    description_.Flags = flags;
    description_.lpstrDefExt = defaultExtension;
}

bool FileDialog::run(HWND owner) {
    description_.hwndOwner = owner;
    description_.hInstance = GetModuleHandleA(nullptr);
    description_.lpstrFile = buffer_.data();
    description_.nMaxFile = static_cast<DWORD>(buffer_.size());
    if (const FileDialogHandler& handler = currentHandler()) return handler(description_, kind_);
    return (kind_ == Kind::Open ? GetOpenFileNameA(&description_) : GetSaveFileNameA(&description_)) != FALSE;
}
