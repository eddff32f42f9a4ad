#include "cli/Json.h"

#include "base/TextEncoding.h"

Json jsonText(const std::string& programText) {
    return utf8Text(programText);
}

// nlohmann/json writes U+0008 and U+000C as \b and \f, where the command line has always written \u0008 and \u000c.
// Any other backslash in the text starts an escape of its own (a backslash in a string is written \\), so the pairs
// are walked one escape at a time.
std::string jsonDump(const Json& value) {
    const std::string text = value.dump(2, ' ', false, Json::error_handler_t::replace);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] != '\\' || i + 1 == text.size()) continue;
        const char escaped = text[++i];
        out += escaped == 'b' ? "u0008" : escaped == 'f' ? "u000c" : std::string(1, escaped);
    }
    return out;
}
