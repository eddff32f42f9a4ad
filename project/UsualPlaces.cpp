#include "project/UsualPlaces.h"

#include "layout/TextureCollection.h"
#include "project/Settings.h"

const std::vector<UsualPlace>& usualPlaces() {
    static const std::vector<UsualPlace> places = {
        {Settings::kUsualBmp, "BMP\n",
         [](const TextureCollection& c, const std::string& p, const Settings& s) {
             return c.writeAtlasBmp(p, s.areaWidth, s.areaHeight);
         }},
        {Settings::kUsualTga, "TGA\n",
         [](const TextureCollection& c, const std::string& p, const Settings& s) {
             return c.writeAtlasTga(p, s.areaWidth, s.areaHeight);
         }},
        {Settings::kUsualIdHeader, "ID\n",
         [](const TextureCollection& c, const std::string& p, const Settings&) { return c.writeIdHeader(p); }},
        {Settings::kUsualQuv, "UV\n",
         [](const TextureCollection& c, const std::string& p, const Settings&) { return c.writeQuvList(p); }},
        {Settings::kUsualUvArray, "UV C,C++変数定義テキスト形式\n",
         [](const TextureCollection& c, const std::string& p, const Settings&) { return c.writeUvArray(p); }},
    };
    return places;
}

std::string writeToUsualPlaces(const TextureCollection& images, const Settings& settings) {
    std::string report;
    for (const UsualPlace& place : usualPlaces()) {
        const std::string path = Settings::text(settings.usualPaths[place.entry]);
        if (!path.empty() && place.write(images, path, settings)) report += place.reportLine;
    }
    return report.empty() ? "出力しませんでした。" : report + "\nを出力しました。";
}
