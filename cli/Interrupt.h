#pragma once

// Ctrl+C (SIGINT; on Windows the console's Ctrl+C and Ctrl+Break) asks a long-running command to end at its next
// safe point instead of ending the program at once, so that a watch stops between packs and never in the middle of
// putting outputs in place.

// From now on an interrupt is noted rather than ending the program.
void catchInterrupts();
// True once an interrupt was noted.
bool interrupted();
