#include "atlas/DataTemplate.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace {

using kainjow::mustache::context;
using kainjow::mustache::data;
using kainjow::mustache::mustache;

// A context that notes every name it was asked for, the first it did not have, and every partial.
class NotingContext : public context<std::string> {
public:
    explicit NotingContext(const data* values) : context(values) {}
    const data* get(const std::string& name) const override {
        const data* found = context::get(name);
        if (!found && missing.empty()) missing = name;
        asked.insert(name);
        return found;
    }
    const data* get_partial(const std::string& name) const override {
        if (missing.empty()) missing = ">" + name;
        return nullptr;
    }
    mutable std::string missing;
    mutable std::set<std::string> asked;
};

int lineAt(const std::string& text, size_t offset) {
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + std::min(offset, text.size()), '\n'));
}

// The line of the first tag that names `name` ("{{name}}", "{{#name}}", "{{> name}}", ...); 0 when none is found.
int lineOfTag(const std::string& text, const std::string& name) {
    for (size_t at = text.find("{{"); at != std::string::npos; at = text.find("{{", at + 2)) {
        const size_t end = text.find("}}", at + 2);
        if (end == std::string::npos) break;
        std::string tag = text.substr(at + 2, end - at - 2);
        tag.erase(0, tag.find_first_not_of("{#^/&> \t"));
        tag.erase(tag.find_last_not_of("} \t") + 1);
        if (tag == name) return lineAt(text, at);
    }
    return 0;
}

// kainjow tells a parse error by its offset ("Unclosed tag at 12"); the user gets the line.
std::string parseError(const std::string& text, const std::string& message) {
    const size_t at = message.rfind(" at ");
    if (at == std::string::npos) return message;
    const size_t offset = std::strtoull(message.c_str() + at + 4, nullptr, 10);
    std::string reason = message.substr(0, at);
    if (!reason.empty()) reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
    return "line " + std::to_string(lineAt(text, offset)) + ": " + reason;
}

}  // namespace

bool DataTemplate::read(const std::string& text, Escape escape, std::string& error) {
    auto parsed = std::make_shared<mustache>(text);
    if (!parsed->is_valid()) {
        error = parseError(text, parsed->error_message());
        return false;
    }
    parsed->set_custom_escape([escape](const std::string& value) { return escaped(value, escape); });
    // Every section is entered with one of the probes, so between them they ask for every name the template holds.
    needs_ = {false, false};
    for (const TemplateData& values : probeValues()) {
        NotingContext noting(&values);
        parsed->render(noting);
        if (!parsed->is_valid()) {
            error = parseError(text, parsed->error_message());
            return false;
        }
        needs_.pages = needs_.pages || noting.asked.count("pages") > 0;
        needs_.otherPages = needs_.otherPages || noting.asked.count("otherPages") > 0;
        if (noting.missing.empty()) continue;
        const bool partial = noting.missing[0] == '>';
        const std::string name = partial ? noting.missing.substr(1) : noting.missing;
        error = "line " + std::to_string(lineOfTag(text, name)) + ": " +
                (partial ? "there are no partials, but it asks for \"" + name + "\""
                         : "no value is called \"" + name + "\"");
        return false;
    }
    template_ = std::move(parsed);
    return true;
}

std::string DataTemplate::fill(const TemplateData& values) const {
    return template_->render(values);
}
