#include "cli/Options.h"

#include <CLI/CLI.hpp>
#include <algorithm>

namespace {

// CLI11 names the option in its complaints as "--size: 1 required TEXT missing" or "quiet was given a disallowed flag
// override"; the command line has its own words for both.
std::string inOwnWords(const CLI::ArgumentMismatch& error) {
    const std::string text = error.what();
    const size_t override = text.find(" was given a disallowed flag override");
    if (override != std::string::npos) {
        const std::string name = text.substr(0, override);
        return std::string("option '") + (name.size() == 1 ? "-" : "--") + name + "' takes no value";
    }
    const size_t colon = text.find(':');
    if (colon != std::string::npos && text.find("required", colon) != std::string::npos) {
        return "option '" + text.substr(0, colon) + "' needs a value";
    }
    return text;
}

}  // namespace

std::string parseOptions(const std::vector<std::string>& args,
                         const std::vector<Option>& options,
                         std::vector<std::string>& positional) {
    CLI::App app;
    app.set_help_flag();  // main() answers --help itself
    app.allow_extras();   // unknown options are told below, in argument order
    for (const Option& o : options) {
        CLI::Option* added =
            o.flag ? app.add_flag(o.name, *o.flag)->disable_flag_override() : app.add_option(o.name, *o.value);
        added->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    }
    app.add_option("arguments", positional);
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ArgumentMismatch& error) {
        return inOwnWords(error);
    } catch (const CLI::ParseError& error) {
        return error.what();
    }
    const std::vector<std::string> unknown = app.remaining();
    if (unknown.empty()) return {};
    return "unknown option '" + unknown.front().substr(0, unknown.front().find('=')) + "'";
}
