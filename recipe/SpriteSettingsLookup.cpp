#include "recipe/SpriteSettingsLookup.h"

#include <algorithm>

#include "recipe/NamePattern.h"

namespace {

bool matches(const SpriteSettings& entry, const std::string& name) {
    return isNamePattern(entry.pattern) ? matchesNamePattern(entry.pattern, name) : entry.pattern == name;
}

// True when a is more specific than b.
bool moreSpecific(const SpriteSettings& a, const SpriteSettings& b) {
    const bool exactA = !isNamePattern(a.pattern), exactB = !isNamePattern(b.pattern);
    if (exactA != exactB) return exactA;
    const size_t literalA = literalLength(a.pattern), literalB = literalLength(b.pattern);
    if (literalA != literalB) return literalA > literalB;
    return a.pattern < b.pattern;
}

}  // namespace

SpriteSettings settingsForFrame(const std::vector<SpriteSettings>& entries, const std::string& frameName) {
    std::vector<const SpriteSettings*> matching;
    for (const SpriteSettings& entry : entries) {
        if (matches(entry, frameName)) matching.push_back(&entry);
    }
    std::sort(matching.begin(), matching.end(),
              [](const SpriteSettings* a, const SpriteSettings* b) { return moreSpecific(*a, *b); });
    SpriteSettings settings;
    settings.pattern = frameName;
    for (const SpriteSettings* entry : matching) {
        if (entry->hasPivot && !settings.hasPivot) settings.hasPivot = true, settings.pivot = entry->pivot;
        if (entry->hasNineSlice && !settings.hasNineSlice) {
            settings.hasNineSlice = true, settings.nineSlice = entry->nineSlice;
        }
    }
    return settings;
}

std::vector<std::string> settingsMatchingNoFrame(const std::vector<SpriteSettings>& entries,
                                                 const std::vector<std::string>& frameNames) {
    std::vector<std::string> unused;
    for (const SpriteSettings& entry : entries) {
        const bool used =
            std::any_of(frameNames.begin(), frameNames.end(), [&](const std::string& n) { return matches(entry, n); });
        if (!used) unused.push_back(entry.pattern);
    }
    return unused;
}
