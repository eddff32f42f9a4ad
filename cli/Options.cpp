#include "cli/Options.h"

#include <algorithm>
#include <map>

#include <CLI/CLI.hpp>

namespace {

// CLI11 names the option in its complaint about a missing value as "--size: 1 required TEXT missing"; the command line
// has its own words for it.
std::string inOwnWords(const CLI::ArgumentMismatch& error) {
    const std::string text = error.what();
    const size_t colon = text.find(':');
    if (colon != std::string::npos && text.find("required", colon) != std::string::npos) {
        return "option '" + text.substr(0, colon) + "' needs a value";
    }
    return text;
}

}  // namespace

std::string parseOptions(const std::vector<std::string>& args,
                         const std::vector<Option>& options,
                         std::vector<std::string>& positional,
                         std::vector<std::string>* given) {
    CLI::App app;
    app.set_help_flag();  // main() answers --help itself
    app.allow_extras();   // unknown options are told below, in argument order
    for (const Option& o : options) {
        if (o.sequence) {
            app.add_option(o.name)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
            continue;
        }
        CLI::Option* added =
            o.flag ? app.add_flag(o.name, *o.flag)->disable_flag_override() : app.add_option(o.name, *o.value);
        added->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    }
    app.add_option("arguments", positional);
    // Two forms CLI11 reads otherwise than the command line always has: "--flag=..." is refused, and "--name=" is an
    // empty value (CLI11 would take the next argument).
    std::vector<std::string> expanded;
    bool onlyArguments = false;
    for (size_t a = 0; a < args.size(); ++a) {
        const std::string& arg = args[a];
        const auto implicit = std::find_if(options.begin(), options.end(), [&](const Option& o) {
            return o.implicitValue && arg == o.name && (a + 1 == args.size() || !o.takesNext(args[a + 1]));
        });
        if (!onlyArguments && implicit != options.end()) {
            expanded.insert(expanded.end(), {arg, implicit->implicitValue});
            continue;
        }
        bool emptyValue = false;
        for (const Option& o : options) {
            const std::string withEquals = std::string(o.name) + "=";
            if (onlyArguments || arg.compare(0, withEquals.size(), withEquals) != 0) continue;
            if (o.flag) return "option '" + std::string(o.name) + "' takes no value";
            emptyValue = arg == withEquals;
        }
        onlyArguments = onlyArguments || arg == "--";
        expanded.push_back(emptyValue ? arg.substr(0, arg.size() - 1) : arg);
        if (emptyValue) expanded.emplace_back();
    }
    std::vector<std::string> reversed(expanded.rbegin(), expanded.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ArgumentMismatch& error) {
        return inOwnWords(error);
    } catch (const CLI::ParseError& error) {
        return error.what();
    }
    // CLI11 keeps the "--" that ends the options among the arguments it did not take.
    for (const std::string& unknown : app.remaining()) {
        if (unknown != "--") return "unknown option '" + unknown.substr(0, unknown.find('=')) + "'";
    }
    // The occurrences of the sequence options, in the order CLI11 met them, each taking its next value.
    std::map<const CLI::Option*, size_t> taken;
    for (const CLI::Option* parsed : app.parse_order()) {
        const auto o = std::find_if(options.begin(), options.end(),
                                    [&](const Option& option) { return parsed->check_name(option.name); });
        if (o == options.end()) continue;
        if (given && std::find(given->begin(), given->end(), o->name) == given->end()) given->push_back(o->name);
        if (o->sequence) o->sequence->emplace_back(o->name, parsed->results().at(taken[parsed]++));
    }
    return {};
}
