// quiltbox-cli: the atlas from a build script. The same core as the window program, so the same files byte for byte.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Terminal.h"

#ifndef QUILTBOX_VERSION
#define QUILTBOX_VERSION "unknown"
#endif

namespace {

bool isHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    reportMessagesOnStandardError();
    if (args.empty()) {
        std::fputs(helpText("").c_str(), stderr);
        return kExitUsage;
    }
    const std::string command = args[0];
    if (isHelp(command)) {
        std::fputs(helpText("").c_str(), stdout);
        return kExitOk;
    }
    if (command == "--version") {
        std::printf("quiltbox-cli %s\n", QUILTBOX_VERSION);
        return kExitOk;
    }
    args.erase(args.begin());
    using Command = int (*)(const std::vector<std::string>&);
    const struct {
        const char* name;
        Command run;
    } commands[] = {
        {"pack", runPack}, {"build", runBuild}, {"export", runExport}, {"layout", runLayout}, {"info", runInfo}};
    for (const auto& c : commands) {
        if (command != c.name) continue;
        for (const std::string& arg : args) {
            if (arg == "--") break;
            if (isHelp(arg)) {
                std::fputs(helpText(command).c_str(), stdout);
                return kExitOk;
            }
        }
        return c.run(args);
    }
    std::fprintf(stderr, "quiltbox-cli: unknown command '%s'\nTry 'quiltbox-cli --help'.\n", command.c_str());
    return kExitUsage;
}
