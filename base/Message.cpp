#include "base/Message.h"

#include <cstdio>
#include <utility>

namespace {

MessageHandler& currentHandler() {
    static MessageHandler handler;
    return handler;
}

}  // namespace

MessageHandler setMessageHandler(MessageHandler handler) {
    return std::exchange(currentHandler(), std::move(handler));
}

void showMessage(const std::string& text, const std::string& caption) {
    const MessageHandler& handler = currentHandler();
    if (handler) {
        handler(text, caption);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}
