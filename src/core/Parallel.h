// Work that splits into independent parts, spread over the processors: Find All, Analyze
// and Copy share their scans of a long list this way.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

// [0, count) cut into consecutive ranges, one for each processor (at most four), none
// shorter than `grain` unless there is only one. Returns the range boundaries, from 0 to
// count.
std::vector<size_t> SplitForParallel(size_t count, size_t grain);

// Runs work(0) .. work(parts - 1) at once, part 0 on the calling thread and each other on
// a thread of its own, and returns when every part has finished (every thread joined).
// The parts may read data nobody changes meanwhile and write only their own. A part whose
// thread cannot be started (no memory left for its stack) runs on the calling thread
// instead. When a part throws (std::bad_alloc, say), the others still run to their end,
// and the first exception is thrown again here after every thread was joined.
void RunInParallel(size_t parts, const std::function<void(size_t part)>& work);
