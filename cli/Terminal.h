#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "base/TextEncoding.h"

// The command line's boundary with the outside world. Inside, every text and path is Shift-JIS (code page 932), as in
// the rest of the program; arguments and terminals speak UTF-8 on Linux and the ANSI code page (932) on Windows.

// An argument as a program text; false when it cannot be held in Shift-JIS.
bool argumentText(const std::string& argument, std::string& text);
// A program text as the terminal shows it; bytes that are no Shift-JIS become '?'.
std::string terminalText(const std::string& text);
// A program text as an argument would give it (a path made by the program, handed on as if given).
std::string argumentFromProgramText(const std::string& text);
// UTF-8 text (a recipe's) as an argument would give it; false when the arguments' encoding cannot hold it.
bool argumentFromUtf8(const std::string& utf8, std::string& argument);
// UTF-8 text (a recipe's) as a program text for messages; a character Shift-JIS cannot hold becomes '?'.
std::string programTextFromUtf8(const std::string& utf8);
// An argument as UTF-8 text (for a recipe); false when it is no text of the arguments' encoding.
bool utf8FromArgument(const std::string& argument, std::string& utf8);

bool isTerminal(FILE* stream);

// Reports the core's messages on standard error as "quiltbox-cli: caption: text" and counts them.
void reportMessagesOnStandardError();

// A count of done steps shown on standard error while it is a terminal and the work is long; silent otherwise.
class Progress {
public:
    Progress(const char* what, size_t total, bool wanted);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void step(size_t done);

private:
    const char* what_;
    size_t total_;
    bool shown_;
    size_t lastShown_ = 0;
};
