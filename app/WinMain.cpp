#include <windows.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "app/Application.h"

// The command line as the runtime parsed it: the first argument after the program, if any, names a project.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Application* application = new (std::nothrow) Application;
    if (!application) return 0;
    const std::vector<std::string> args(__argv, __argv + __argc);
    if (application->init(args)) application->run();
    application->shutdown();
    delete application;
    return 0;
}
