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
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (const ExportEntry& entry : entries) names.push_back(prefix + entry.name);
    const std::vector<std::string> ids = cutApart(names, kMaxIdName);
    for (size_t number = 0; number < ids.size(); ++number) {
        text += formatText("%s %30s\t%s%d\n", declaration.c_str(), ids[number].c_str(), connector.c_str(),
                           static_cast<int32_t>(number));
    }
    return text;
}
