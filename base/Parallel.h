#pragma once

#include <cstddef>
#include <functional>

// The number of threads a command uses when told 0: the machine's cores as the standard library reports them, at
// least 1.
unsigned defaultThreadCount();

// Runs task(i) once for every i from 0 to count - 1, on up to `threads` threads (the calling one among them; 0 means
// defaultThreadCount()). Indices are handed out in rising order, each to the next free thread, so a task must put its
// result in a place of its own (the i-th slot of a vector made beforehand), never append in the order tasks finish:
// then the results are the same whatever the number of threads. Returns when every task has run. A thread the system
// refuses to start is simply not used; with one thread, or one task, everything runs on the calling thread.
void parallelFor(size_t count, unsigned threads, const std::function<void(size_t index)>& task);
