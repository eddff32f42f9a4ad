#include "project/IdHeaderExport.h"

#include "base/Format.h"
#include "base/ShiftJis.h"
#include "project/Settings.h"

namespace {

constexpr size_t kMaxIdName = 63;

}  // namespace

std::string idName(const std::string& prefix, const std::string& imageName) {
    return cutAtCharacter(prefix + imageName, kMaxIdName);
}

std::string idHeaderText(const ExportEntries& entries, const Settings& settings) {
    std::string text = Settings::text(settings.idHeaderText);
    text += "\n";
    const std::string declaration = Settings::text(settings.idDeclaration);
    const std::string prefix = Settings::text(settings.idPrefix);
    const std::string connector = Settings::text(settings.idConnector);
    int32_t number = 0;
    for (const ExportEntry& entry : entries) {
        text += formatText("%s %30s\t%s%d\n", declaration.c_str(), idName(prefix, entry.name).c_str(),
                           connector.c_str(), number);
        ++number;
    }
    return text;
}
