#pragma once

#include <functional>
#include <string>

// The one way the portable core tells the user of a failure: a text and a caption (both Shift-JIS), handed to
// whatever handler the program installed at start-up: a message box in the GUI, standard error in the command line,
// a recorder in tests. Without a handler the message goes to standard error.
using MessageHandler = std::function<void(const std::string& text, const std::string& caption)>;

// Installs a handler and returns the one it replaces (an empty function for the default).
MessageHandler setMessageHandler(MessageHandler handler);

void showMessage(const std::string& text, const std::string& caption);
