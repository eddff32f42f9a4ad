#pragma once

#include <string>
#include <vector>

// The program's run: start-up, the message loop and shutdown, in their order. It holds no state of its own: the
// main window, the status bar, the list dialog and the settings are the process-wide objects it starts and ends.
class Application {
public:
    // The main window (hidden, with the project named by args[1] loaded), then the status bar, then both shown.
    // False when a window could not be made; the message loop is then skipped.
    bool init(const std::vector<std::string>& args);
    // Offers every message to the list dialog first, dispatches the rest, and ends at the quit message: 1.
    int run();
    // Destroys the main window, the status bar and the list dialog, in that order, whichever still exist.
    void shutdown();
};
