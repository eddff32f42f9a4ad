#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/Format.h"
#include "project/Settings.h"
#include "project/SettingsDialogRules.h"
#include "project/SettingsDialogs.h"
#include "res/resource.h"

// Each dialog is one process-wide object holding its window while it is open and its working copy; one procedure
// template serves the three: the dialog's own init, OK and control notifications, and Cancel (also the close button).

namespace {

std::string itemText(HWND dialog, int control) {
    HWND item = GetDlgItem(dialog, control);
    std::string text(static_cast<size_t>(GetWindowTextLengthA(item)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(item, &text[0], static_cast<int>(text.size()))));
    return text;
}

void setItemNumber(HWND dialog, int control, int32_t value) {
    SetDlgItemTextA(dialog, control, formatText("%d", value).c_str());
}

bool isChecked(HWND dialog, int control) {
    return IsDlgButtonChecked(dialog, control) == BST_CHECKED;
}

template <typename Dialog>
INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM) {
    Dialog& dialog = Dialog::instance();
    switch (message) {
        case WM_INITDIALOG:
            dialog.window = window;
            dialog.onInit();
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    dialog.onOk();
                    EndDialog(window, IDOK);
                    return TRUE;
                case IDCANCEL: EndDialog(window, IDCANCEL); return TRUE;
                default: return dialog.onControl(LOWORD(wParam), HIWORD(wParam));
            }
        case WM_DESTROY: dialog.window = nullptr; return FALSE;
        default: return FALSE;
    }
}

// Shows the template modally; true when it closed with OK (1) rather than Cancel or the close button (2).
template <typename Dialog>
bool runModal(HWND owner, int resource) {
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource), owner, dialogProcedure<Dialog>, 0) ==
           IDOK;
}

struct AutoLayoutDialog {
    static AutoLayoutDialog& instance() {
        static AutoLayoutDialog dialog;
        return dialog;
    }

    void onInit() const {
        setItemNumber(window, IDC_SPACING, spacing);
        const int sort = Settings::instance().sortByEdgeLength != 0 ? IDC_SORT_BY_EDGE : IDC_SORT_BY_PIXELS;
        CheckRadioButton(window, IDC_SORT_BY_PIXELS, IDC_SORT_BY_EDGE, sort);
    }
    // No range is enforced: 0 and negative spacings are kept as typed.
    void onOk() {
        spacing = parseDecimal(itemText(window, IDC_SPACING).substr(0, 255));
        Settings::instance().sortByEdgeLength = isChecked(window, IDC_SORT_BY_PIXELS) ? 0 : 1;
    }
    bool onControl(int, int) { return false; }

    HWND window = nullptr;
    int32_t spacing = 0;
};

struct FileSettingsDialog {
    static FileSettingsDialog& instance() {
        static FileSettingsDialog dialog;
        return dialog;
    }

    // Each edit and the text field it shows and sets.
    struct TextField {
        int control;
        char* field;
        size_t size;
    };
    static std::vector<TextField> textFields() {
        Settings& s = Settings::instance();
        const size_t path = sizeof s.usualPaths[0];
        return {{IDC_ID_HEADER, s.idHeaderText, sizeof s.idHeaderText},
                {IDC_ID_PREFIX, s.idPrefix, sizeof s.idPrefix},
                {IDC_ID_DECLARATION, s.idDeclaration, sizeof s.idDeclaration},
                {IDC_ID_CONNECTOR, s.idConnector, sizeof s.idConnector},
                {IDC_USUAL_BMP, s.usualPaths[Settings::kUsualBmp], path},
                {IDC_USUAL_TGA, s.usualPaths[Settings::kUsualTga], path},
                {IDC_USUAL_QUV, s.usualPaths[Settings::kUsualQuv], path},
                {IDC_USUAL_UV_ARRAY, s.usualPaths[Settings::kUsualUvArray], path},
                {IDC_USUAL_ID_HEADER, s.usualPaths[Settings::kUsualIdHeader], path}};
    }

    // The header is shown as stored: line breaks typed into it come back as CR LF and are stored so.
    void onInit() const {
        const Settings& s = Settings::instance();
        for (const TextField& t : textFields()) {
            SetDlgItemTextA(window, t.control, std::string(t.field, strnlen(t.field, t.size)).c_str());
        }
        CheckRadioButton(window, IDC_RELATIVE_PATHS, IDC_ABSOLUTE_PATHS,
                         s.absolutePaths != 0 ? IDC_ABSOLUTE_PATHS : IDC_RELATIVE_PATHS);
        CheckRadioButton(window, IDC_UV_PIXELS, IDC_UV_RATIO, s.uvRatio != 0 ? IDC_UV_RATIO : IDC_UV_PIXELS);
        CheckDlgButton(window, IDC_REVERSE_HORIZONTAL, s.reverseHorizontal != 0 ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(window, IDC_REVERSE_VERTICAL, s.reverseVertical != 0 ? BST_CHECKED : BST_UNCHECKED);
    }
    // Each text is cut to its field less the terminator, at a character boundary; the bytes behind a shorter text
    // stay, so that OK without an edit changes no byte.
    void onOk() const {
        Settings& s = Settings::instance();
        for (const TextField& t : textFields()) Settings::setText(t.field, t.size, itemText(window, t.control));
        s.absolutePaths = isChecked(window, IDC_RELATIVE_PATHS) ? 0 : 1;
        s.uvRatio = isChecked(window, IDC_UV_PIXELS) ? 0 : 1;
        s.reverseHorizontal = isChecked(window, IDC_REVERSE_HORIZONTAL) ? 1 : 0;
        s.reverseVertical = isChecked(window, IDC_REVERSE_VERTICAL) ? 1 : 0;
    }
    bool onControl(int, int) { return false; }

    HWND window = nullptr;
};

struct AreaSizeDialog {
    static AreaSizeDialog& instance() {
        static AreaSizeDialog dialog;
        return dialog;
    }

    // One step of an up-down control moves its edit's value by one; the step turns that into the next power of two,
    // and the texts written meanwhile do not run it again.
    void onInit() {
        reentered() = true;
        for (int spin : {IDC_AREA_WIDTH_SPIN, IDC_AREA_HEIGHT_SPIN}) {
            SendDlgItemMessageA(window, spin, UDM_SETRANGE32, kSmallestAreaStep - 1, kLargestAreaStep + 1);
        }
        showSides();
        ready = true;
        reentered() = false;
    }
    void onOk() {}
    bool onControl(int control, int notification) {
        if ((control != IDC_AREA_WIDTH && control != IDC_AREA_HEIGHT) || notification != EN_CHANGE) return false;
        if (!ready || reentered()) return false;
        reentered() = true;
        const int32_t oldWidth = width, oldHeight = height;
        width = nextAreaSide(width, parseDecimal(itemText(window, IDC_AREA_WIDTH).substr(0, 63)));
        height = nextAreaSide(height, parseDecimal(itemText(window, IDC_AREA_HEIGHT).substr(0, 63)));
        if (width != oldWidth || height != oldHeight) showSides();
        reentered() = false;
        return false;
    }
    void showSides() const {
        setItemNumber(window, IDC_AREA_WIDTH, width);
        setItemNumber(window, IDC_AREA_HEIGHT, height);
    }
    // Shared by the whole process.
    static bool& reentered() {
        static bool flag = false;
        return flag;
    }

    HWND window = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    bool ready = false;
};

}  // namespace

bool runAutoLayoutDialog(HWND__* owner) {
    AutoLayoutDialog& dialog = AutoLayoutDialog::instance();
    Settings& settings = Settings::instance();
    dialog.spacing = settings.layoutSpacing;
    const bool ok = runModal<AutoLayoutDialog>(owner, IDD_AUTO_LAYOUT_SETTING);
    settings.layoutSpacing = dialog.spacing;
    return ok;
}

bool runFileSettingsDialog(HWND__* owner) {
    return runModal<FileSettingsDialog>(owner, IDD_FILE_SETTING);
}

bool runAreaSizeDialog(HWND__* owner) {
    AreaSizeDialog& dialog = AreaSizeDialog::instance();
    Settings& settings = Settings::instance();
    dialog.width = settings.areaWidth;
    dialog.height = settings.areaHeight;
    dialog.ready = false;
    if (!runModal<AreaSizeDialog>(owner, IDD_SIZE_CHANGE)) return false;
    settings.areaWidth = dialog.width;
    settings.areaHeight = dialog.height;
    return true;
}
