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
