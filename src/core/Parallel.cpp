#include "core/Parallel.h"

#include <algorithm>
#include <pthread.h>
#include <thread>

std::vector<size_t> SplitForParallel(size_t count, size_t grain) {
    constexpr size_t kMostParts = 4;
    const size_t processors = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, kMostParts);
    const size_t parts = std::clamp<size_t>(count / std::max<size_t>(grain, 1), 1, processors);
    std::vector<size_t> bounds(parts + 1);
    for (size_t part = 0; part <= parts; ++part)
        bounds[part] = count * part / parts;
    return bounds;
}

void RunInParallel(size_t parts, const std::function<void(size_t part)>& work) {
    std::vector<std::thread> workers;
    workers.reserve(parts > 0 ? parts - 1 : 0);
    for (size_t part = 1; part < parts; ++part) {
        workers.emplace_back([&work, part] {
            // A name of its own, so profilers and debuggers tell the workers from the GUI.
            pthread_setname_np(pthread_self(), "quorvix-part");
            work(part);
        });
    }
    if (parts > 0)
        work(0);
    for (std::thread& worker : workers)
        worker.join();
}
