#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "layout/NameList.h"

class TextureCollection;
struct HWND__;  // the window handle of <windows.h>, declared the way it declares it

// The list of image names that mirrors the collection, one entry per image in collection order, with at most one
// highlighted entry; its buttons reorder the images and a click on a name selects every image of that name. The
// collection tells it of every change through the list operations below; each does nothing while the list does not
// exist (before create, after destroy).
//
// The list operations keep the entries in a NameList (ListDialog.cpp) and show each change through the view below. The
// window program links the real modeless dialog, whose list box is that view (ListDialogWin32.cpp); the command line
// and the core's tests link a list without a view (ListDialogMemory.cpp). Finding a name never asks the list box for
// its texts one by one.
class ListDialog {
public:
    static ListDialog& instance();

    // Creates the list, hidden, acting on `collection`; the dialog is owned by `owner` (the main window), which
    // receives its close requests as the list command.
    bool create(TextureCollection* collection, HWND__* owner = nullptr);
    void destroy();
    bool exists() const { return exists_; }
    HWND__* window() const { return window_; }

    void show();
    void hide();
    bool isVisible() const { return visible_; }

    void resetList();
    void appendName(const std::string& name);
    void insertFirst(const std::string& name);
    void insertAt(const std::string& name, int32_t index);
    void removeName(const std::string& name);
    void markName(const std::string& name);
    void clearMarks();
    int32_t findName(const std::string& name) const;

    // What the list shows: its entries from the top, and the index of the highlighted entry or -1.
    const std::vector<std::string>& entries() const { return names_.entries(); }
    int32_t current() const { return names_.current(); }

    // The dialog's handlers (the real dialog only): the frame's close request, a character, a control's command.
    // Each returns whether the message counts as handled.
    bool onClose();
    bool onChar(uint32_t character);
    bool onCommand(int control, int notification);

private:
    ListDialog() = default;
    // The view of the entries: the list box, or nothing.
    void viewReset();
    void viewAppend(const std::string& name);
    void viewInsert(int32_t index, const std::string& name);  // and highlight it
    void viewRemove(int32_t index);
    void viewHighlight(int32_t index);                        // -1: none
    void selectClickedNames();

    NameList names_;
    bool exists_ = false;
    bool visible_ = false;
    TextureCollection* collection_ = nullptr;
    HWND__* window_ = nullptr;
    HWND__* owner_ = nullptr;
};
