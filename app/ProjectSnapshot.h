#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Settings;
class TextureCollection;

// The project as it was last loaded, saved or newly created: its image list (order, paths, names, positions). With
// the settings' own saved copy it tells whether the project holds work that would be lost: a project counts as
// changed when either differs, so that dragging, reordering or renaming images is never thrown away unasked.
class ProjectSnapshot {
public:
    void take(const TextureCollection& images);
    bool isChanged(const TextureCollection& images, const Settings& settings) const;

private:
    struct Entry {
        std::string path;
        std::string name;
        int32_t x, y;
        bool operator==(const Entry& other) const {
            return x == other.x && y == other.y && path == other.path && name == other.name;
        }
    };
    static std::vector<Entry> entriesOf(const TextureCollection& images);

    std::vector<Entry> entries_;
};
