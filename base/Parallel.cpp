#include "base/Parallel.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

unsigned defaultThreadCount() {
    return std::max(1u, std::thread::hardware_concurrency());
}

void parallelFor(size_t count, unsigned threads, const std::function<void(size_t index)>& task) {
    if (threads == 0) threads = defaultThreadCount();
    const size_t helpers = std::min<size_t>(threads, count) - (count > 0 ? 1 : 0);
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1)) task(i);
    };
    std::vector<std::thread> started;
    for (size_t t = 0; t < helpers; ++t) {
        try {
            started.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // the calling thread and those started do the rest
        } catch (const std::bad_alloc&) {
            break;  // no memory for another thread's state: the same
        }
    }
    work();
    for (std::thread& thread : started) thread.join();
}
