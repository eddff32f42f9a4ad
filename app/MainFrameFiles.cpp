#include "app/MainFrame.h"
#include "app/ShellRules.h"
#include "base/FileSystem.h"
#include "base/Format.h"
#include "base/MessageBox.h"
#include "project/ProjectFile.h"
#include "project/Settings.h"
#include "project/UsualPlaces.h"

// The file commands: the project's open, save and save as, adding images, and every export, through the common file
// dialogs; and the output to the usual places.

namespace {

const char* const kErrorCaption = "Error";
const char* const kWriteFailed = "ファイル出力に失敗！";
// A file chosen among several is joined to its folder in a 256-byte buffer.
constexpr size_t kMaxJoinedPath = 255;

}  // namespace

bool MainFrame::openProjectDialog() {
    if (!openProjectDialog_.run(window_)) return true;
    return openProject(openProjectDialog_.path());
}

// A project that loads whole becomes the current one. A file that is damaged keeps the images read before the damage
// but not the name of the file, so that the next save asks for one instead of overwriting it.
bool MainFrame::openProject(const std::string& path) {
    if (!confirmDiscard("プロジェクトロード")) return true;
    Settings::instance().resetToDefaults();
    images_.clear();
    // A name given on the command line may be relative: the project's image paths are formed against its full path.
    std::string full = absolutePath(path);
    if (full.empty()) full = path;
    std::vector<uint8_t> bytes;
    const FileReadResult read = readWholeFile(full, kMaxProjectFileBytes, bytes);
    bool opened = read != FileReadResult::CannotOpen && read != FileReadResult::ReadError;
    if (!opened) {
        showMessageBox(window_, "プロジェクトファイルのオープンに失敗！", kErrorCaption, MB_OK);
    } else if (loadProjectFile(full, images_)) {
        projectSaved(full);
    }
    syncViewState();
    return opened;
}

void MainFrame::projectSaved(const std::string& path) {
    projectPath_ = path;
    saved_.take(images_);
}

bool MainFrame::reportFailedWrite(bool written) {
    if (!written) showMessageBox(window_, kWriteFailed, kErrorCaption, MB_OK);
    return written;
}

bool MainFrame::saveProjectAs() {
    if (!saveProjectDialog_.run(window_)) return true;
    const std::string path = saveProjectDialog_.path();
    if (!reportFailedWrite(saveProjectFile(path, images_))) return false;
    projectSaved(path);
    return true;
}

// A save that cannot replace the project file says so and asks for another name.
bool MainFrame::saveProject() {
    if (projectPath_.empty()) return saveProjectAs();
    if (!reportFailedWrite(saveProjectFile(projectPath_, images_))) return saveProjectAs();
    projectSaved(projectPath_);
    showTransientMessage("上書き保存しました");
    return true;
}

bool MainFrame::openImages() {
    if (!openImagesDialog_.run(window_)) return false;
    const std::vector<ChosenFile> chosen = chosenFiles(openImagesDialog_.buffer(), kMaxJoinedPath);
    bool added = false;
    for (const ChosenFile& file : chosen) {
        if (file.tooLong) {
            showMessageBox(nullptr, formatText("パスが長すぎます\n\"%s\"", file.path.c_str()), "Failed!", MB_OK);
        } else if (images_.addFromFile(file.path, true)) {
            added = true;
        }
    }
    if (chosen.size() > 1) openImagesDialog_.forgetName();
    if (added) {
        updateAreaOrigin();
        redrawCanvas();
    }
    return true;
}

bool MainFrame::runExport(FileDialog& dialog, const std::function<bool(const std::string& path)>& write) {
    if (!dialog.run(window_)) return false;
    return reportFailedWrite(write(dialog.path()));
}

bool MainFrame::exportBmp() {
    const Settings& settings = Settings::instance();
    return runExport(bmpDialog_, [&](const std::string& path) {
        return images_.writeAtlasBmp(path, settings.areaWidth, settings.areaHeight);
    });
}

bool MainFrame::exportTga() {
    const Settings& settings = Settings::instance();
    return runExport(tgaDialog_, [&](const std::string& path) {
        return images_.writeAtlasTga(path, settings.areaWidth, settings.areaHeight);
    });
}

// The name is written as typed: no extension is added.
bool MainFrame::exportText(int kind) {
    return runExport(textDialog_, [&](const std::string& path) {
        switch (kind) {
            case IdHeader: return images_.writeIdHeader(path);
            case UvDefines: return images_.writeUvDefines(path);
            default: return images_.writeUvArray(path);
        }
    });
}

bool MainFrame::exportQuv() {
    return runExport(quvDialog_, [&](const std::string& path) { return images_.writeQuvList(path); });
}

bool MainFrame::exportToUsualPlaces() {
    showMessageBox(window_, writeToUsualPlaces(images_, Settings::instance()), "いつもの場所に出力", MB_OK);
    return true;
}
