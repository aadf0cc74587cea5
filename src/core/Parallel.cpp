#include "core/Parallel.h"

#include <algorithm>
#include <exception>
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
    // Room for the bookkeeping first: once a thread runs, noting a part cannot fail.
    std::vector<std::exception_ptr> failures(parts);
    std::vector<size_t> inlineParts;
    inlineParts.reserve(parts);
    std::vector<std::thread> workers;
    workers.reserve(parts);
    const auto run = [&work, &failures](size_t part) {
        try {
            work(part);
        } catch (...) {
            failures[part] = std::current_exception();
        }
    };
    for (size_t part = 1; part < parts; ++part) {
        try {
            workers.emplace_back([&run, part] {
                // A name of its own, so profilers and debuggers tell the workers from the GUI.
                pthread_setname_np(pthread_self(), "quorvix-part");
                run(part);
            });
        } catch (const std::exception&) {
            // No thread to be had (std::system_error, std::bad_alloc): this thread does it.
            inlineParts.push_back(part);
        }
    }
    if (parts > 0)
        run(0);
    for (const size_t part : inlineParts)
        run(part);
    for (std::thread& worker : workers)
        worker.join();
    for (const std::exception_ptr& failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
}
