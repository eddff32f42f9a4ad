#include <atomic>
#include <csignal>

#include "cli/Interrupt.h"

namespace {

// The one flag a signal handler may set: an interrupt belongs to the whole process, and so does this flag.
std::atomic<bool>& interruptFlag() {
    static std::atomic<bool> flag{false};
    return flag;
}

void onInterrupt(int) {
    interruptFlag() = true;
}

}  // namespace

void catchInterrupts() {
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
}

bool interrupted() {
    return interruptFlag();
}
