#include <windows.h>

#include <atomic>

#include "cli/Interrupt.h"

namespace {

// The one flag the console's handler sets: an interrupt belongs to the whole process, and so does this flag.
std::atomic<bool>& interruptFlag() {
    static std::atomic<bool> flag{false};
    return flag;
}

// The console calls this on a thread of its own; TRUE tells it the event is handled and the process goes on.
BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    interruptFlag() = true;
    return TRUE;
}

}  // namespace

void catchInterrupts() {
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

bool interrupted() {
    return interruptFlag();
}
