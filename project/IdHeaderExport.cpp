#include "project/IdHeaderExport.h"

#include "base/Format.h"
#include "base/ShiftJis.h"
#include "layout/TextureCollection.h"
#include "project/Settings.h"

namespace {

constexpr size_t kMaxIdName = 63;

}  // namespace

std::string idName(const std::string& prefix, const std::string& imageName) {
    return cutAtCharacter(prefix + imageName, kMaxIdName);
}

std::string idHeaderText(const TextureCollection& images, const Settings& settings) {
    std::string text = Settings::text(settings.idHeaderText);
    text += "\n";
    const std::string declaration = Settings::text(settings.idDeclaration);
    const std::string prefix = Settings::text(settings.idPrefix);
    const std::string connector = Settings::text(settings.idConnector);
    int32_t number = 0;
    for (const auto& image : images.images()) {
        text += formatText("%s %30s\t%s%d\n", declaration.c_str(), idName(prefix, image->name()).c_str(),
                           connector.c_str(), number);
        ++number;
    }
    return text;
}
