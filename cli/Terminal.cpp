#include "cli/Terminal.h"

#include "base/Message.h"
#include "base/TextEncoding.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

bool argumentText(const std::string& argument, std::string& text) {
#ifdef _WIN32
    text = argument;
    return true;
#else
    return utf8ToCp932(argument, text);
#endif
}

std::string terminalText(const std::string& text) {
#ifdef _WIN32
    return text;
#else
    return utf8Text(text, "?");
#endif
}

std::string argumentFromProgramText(const std::string& text) {
#ifdef _WIN32
    return text;
#else
    return utf8Text(text);
#endif
}

bool argumentFromUtf8(const std::string& utf8, std::string& argument) {
#ifdef _WIN32
    return utf8ToCp932(utf8, argument);
#else
    argument = utf8;
    return true;
#endif
}

std::string programTextFromUtf8(const std::string& utf8) {
    std::string text;
    if (utf8ToCp932(utf8, text)) return text;
    std::string shown;
    for (const char c : utf8) shown += static_cast<unsigned char>(c) < 0x80 ? c : '?';
    return shown;
}

bool utf8FromArgument(const std::string& argument, std::string& utf8) {
#ifdef _WIN32
    return cp932ToUtf8(argument, utf8);
#else
    std::string text;
    if (!utf8ToCp932(argument, text)) return false;  // no UTF-8, or nothing the program could hold anyway
    utf8 = argument;
    return true;
#endif
}

bool isTerminal(FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

void reportMessagesOnStandardError() {
    setMessageHandler([](const std::string& text, const std::string& caption) {
        std::fprintf(stderr, "quiltbox-cli: %s: %s\n", terminalText(caption).c_str(), terminalText(text).c_str());
    });
}

Progress::Progress(const char* what, size_t total, bool wanted)
    : what_(what), total_(total), shown_(wanted && isTerminal(stderr)) {}

Progress::~Progress() {
    if (shown_ && lastShown_ > 0) std::fprintf(stderr, "\r%s: %zu/%zu\n", what_, total_, total_);
}

void Progress::step(size_t done) {
    if (!shown_ || (done - lastShown_ < total_ / 100 && done != total_)) return;
    lastShown_ = done;
    std::fprintf(stderr, "\r%s: %zu/%zu", what_, done, total_);
    std::fflush(stderr);
}
