#include "app/ShellRules.h"

#include <cstring>

#include "base/ShiftJis.h"
#include "res/resource.h"

int commandForCharacter(uint32_t character) {
    switch (character) {
        case ',': return ID_ZOOM_OUT;
        case '.': return ID_ZOOM_IN;
        case 'A': case 'a': return ID_SHOW_ALPHA;
        case 'F': case 'f': return ID_AUTO_LAYOUT;
        case 'L': case 'l': return ID_SHOW_BORDER;
        case 'N': case 'n': return ID_PROJECT_NEW;
        case 'O': case 'o': return ID_PROJECT_OPEN;
        case 'S': case 's': return ID_PROJECT_SAVE;
        default: return 0;
    }
}

bool arrowStep(uint32_t virtualKey, Point& step) {
    switch (virtualKey) {
        case 0x25: step = {-1, 0}; return true;
        case 0x26: step = {0, -1}; return true;
        case 0x27: step = {1, 0}; return true;
        case 0x28: step = {0, 1}; return true;
        default: return false;
    }
}

DropAction dropAction(const std::string& path, size_t droppedCount) {
    const std::string extension = splitPath(path).extension;
    if (extension == ".qbp") return droppedCount == 1 ? DropAction::OpenProject : DropAction::Ignore;
    if (extension == ".bmp" || extension == ".tga") return DropAction::AddImage;
    return DropAction::Ignore;
}

int menuHelpString(int command) {
    // Searched in this order; the first entry with the command wins.
    static const struct {
        int command, text;
    } kHelp[] = {
        {ID_PROJECT_NEW, IDS_HELP_NEW},
        {ID_PROJECT_OPEN, IDS_HELP_OPEN},
        {ID_PROJECT_SAVE_AS, IDS_HELP_SAVE_AS},
        {ID_OPEN_IMAGES, IDS_HELP_OPEN_IMAGES},
        {ID_EXPORT_BMP, IDS_HELP_EXPORT_BMP},
        {ID_EXPORT_TGA, IDS_HELP_EXPORT_TGA},
        {ID_EXPORT_UV_DEFINES, IDS_HELP_EXPORT_UV_DEFINES},
        {ID_EXPORT_UV_ARRAY, IDS_HELP_EXPORT_UV_ARRAY},
        {ID_EXPORT_QUV, IDS_HELP_EXPORT_QUV},
        {ID_EXPORT_IDS, IDS_HELP_EXPORT_IDS},
        {ID_EXPORT_USUAL_PLACES, IDS_HELP_USUAL_PLACES},
        {ID_FILE_SETTINGS, IDS_HELP_FILE_SETTINGS},
        {ID_APP_EXIT, IDS_HELP_EXIT},
        {ID_AREA_SIZE, IDS_HELP_AREA_SIZE},
        {ID_IMAGES_TO_ORIGIN, IDS_HELP_IMAGES_TO_ORIGIN},
        {ID_AUTO_LAYOUT, IDS_HELP_AUTO_LAYOUT},
        {ID_AUTO_LAYOUT_SETTINGS, IDS_HELP_AUTO_LAYOUT_SETTINGS},
        {ID_DELETE, IDS_HELP_DELETE},
        {ID_BACKGROUND_WHITE, IDS_HELP_BACKGROUND_WHITE},
        {ID_BACKGROUND_BLACK, IDS_HELP_BACKGROUND_BLACK},
        {ID_BACKGROUND_GRAY, IDS_HELP_BACKGROUND_GRAY},
        {ID_ZOOM_IN, IDS_HELP_ZOOM_IN},
        {ID_ZOOM_OUT, IDS_HELP_ZOOM_OUT},
        {ID_SHOW_ALPHA, IDS_HELP_SHOW_ALPHA},
        {ID_SHOW_BORDER, IDS_HELP_SHOW_BORDER},
        {ID_CENTER_AREA, IDS_HELP_CENTER_AREA},
        {ID_SHOW_LIST, IDS_HELP_SHOW_LIST},
        {ID_VERSION, IDS_HELP_VERSION},
    };
    for (const auto& entry : kHelp) {
        if (entry.command == command) return entry.text;
    }
    return 0;
}

std::vector<ChosenFile> chosenFiles(const std::vector<char>& buffer, size_t maxJoined) {
    // The items as the dialog left them; a buffer without its final terminators ends the list where it ends.
    std::vector<std::string> items;
    for (size_t at = 0; at < buffer.size() && buffer[at] != '\0';) {
        const size_t length = strnlen(&buffer[at], buffer.size() - at);
        items.emplace_back(&buffer[at], length);
        at += length + 1;
    }
    if (items.size() == 1) return {{items[0], false}};
    std::vector<ChosenFile> files;
    for (size_t i = 1; i < items.size(); ++i) {
        std::string path = items[0] + "/" + items[i];
        const bool tooLong = path.size() > maxJoined;
        files.push_back({std::move(path), tooLong});
    }
    return files;
}
