#pragma once

#include <string>
#include <vector>

class Settings;
class TextureCollection;

// The output to the usual places: the exports whose paths the settings preset, in the order they are written (the ID
// header before the UV lists, although the settings keep its path last), each with the line that reports it.
struct UsualPlace {
    int entry;               // index into Settings::usualPaths
    const char* reportLine;  // what the window program's report says once it was written
    bool (*write)(const TextureCollection& images, const std::string& path, const Settings& settings);
};
const std::vector<UsualPlace>& usualPlaces();

// Writes every export whose usual path is set, to that path as it stands, and returns the report of those written:
// their lines followed by "\nを出力しました。", or "出力しませんでした。" when none was. A failed export is left out
// of the report and reported nowhere else.
std::string writeToUsualPlaces(const TextureCollection& images, const Settings& settings);
