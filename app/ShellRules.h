#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Point.h"

// The main window's decisions that need no window: which key sends which command, when a mouse move drags, what a
// dropped file becomes, which help text a menu item has, and what a multiple-selection file dialog chose.

// The command a character sends (upper and lower case alike), or 0. Esc is not a command: it asks the unsaved-change
// question itself.
int commandForCharacter(uint32_t character);
constexpr uint32_t kEscapeCharacter = 27;

// The step of an arrow key (virtual-key codes 0x25 to 0x28) in area pixels; false for any other key.
bool arrowStep(uint32_t virtualKey, Point& step);

// A mouse move drags only with the left button alone held (no Ctrl, Shift or other button) after a press.
constexpr uint32_t kLeftButtonOnly = 0x0001;  // MK_LBUTTON
inline bool isDragStep(uint32_t keyFlags, bool dragging) {
    return keyFlags == kLeftButtonOnly && dragging;
}

// What a dropped file becomes, by its extension compared case-sensitively: a project when it is the only file
// dropped, an image for ".bmp" and ".tga", nothing otherwise.
enum class DropAction { Ignore, OpenProject, AddImage };
DropAction dropAction(const std::string& path, size_t droppedCount);

// The string-table ID of a menu command's help text, or 0 when it has none (save, the pop-ups, the menu closing).
int menuHelpString(int command);

// The files a multiple-selection open dialog chose, from its name buffer: one full path, or the folder followed by
// each chosen name, every item ending in a zero byte and the list in an empty one. Names are joined to the folder as
// "folder/name"; a joined path longer than maxJoined bytes is marked, to be refused rather than cut.
struct ChosenFile {
    std::string path;
    bool tooLong;
};
std::vector<ChosenFile> chosenFiles(const std::vector<char>& buffer, size_t maxJoined);
