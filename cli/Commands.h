#pragma once

#include <string>
#include <vector>

// The commands of quiltbox-cli, each given the arguments that follow its name. They return the exit status: 0 on
// success, 1 when anything failed (after a message on standard error), 2 for a usage error (with a one-line hint).
enum ExitStatus { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

int runPack(const std::vector<std::string>& args);
int runExport(const std::vector<std::string>& args);
int runLayout(const std::vector<std::string>& args);
int runInfo(const std::vector<std::string>& args);
int runBuild(const std::vector<std::string>& args);

// The help text of a command ("" for the whole program).
std::string helpText(const std::string& command);
// One option in a command's help: "  --name VALUE" and what it does in a column of its own, wrapped.
std::string optionHelpLine(const char* name, const char* valueHint, const std::string& help);
// The lines of build's own options.
std::string buildOptionsHelp();
