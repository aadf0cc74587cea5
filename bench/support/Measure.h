// Measuring helpers shared by the benchmarks: wall time, memory of this process, running
// a reference command on the same file, and printing one figure a line.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

class Stopwatch {
public:
    Stopwatch() : m_start(std::chrono::steady_clock::now()) {}
    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    }

private:
    std::chrono::steady_clock::time_point m_start;
};

// Resident memory now and at its peak, in bytes (from /proc/self/status).
uint64_t CurrentRss();
uint64_t PeakRss();
// Starts the peak over from the memory resident now (after a reference that touched memory
// of its own in this process).
void ResetPeakRss();

// CPU seconds (user and system) used so far by the calling thread, and by the whole
// process. Beside the wall time they show which thread a pipeline waits for.
double ThreadCpuSeconds();
double ProcessCpuSeconds();

// Runs `command` through the shell, its output read and dropped, and returns the wall time in
// seconds; the best of `runs` runs, so a cold cache does not count against the tool.
double TimeCommand(const std::string& command, int runs = 2);

// Seconds to map `bytes` of fresh memory (huge pages advised) and touch every page once:
// the least a program pays to keep that much text in memory. On a virtual machine a first
// touch of guest memory can cost several times more than on bare metal.
double TimeFreshMemory(uint64_t bytes);

// Prints "NAME VALUE UNIT" on its own line.
void Report(const std::string& name, double value, const std::string& unit);

// Options every benchmark understands: --size BYTES, --file PATH (an existing log), and
// --only NAME (run only the figures whose name starts with NAME).
struct BenchOptions {
    uint64_t size = 200ull << 20;
    std::string file;
    std::string only;
    std::string dataDir = "bench-data";
    bool Wants(const std::string& name) const { return only.empty() || name.rfind(only, 0) == 0; }
};
BenchOptions ParseBenchOptions(int argc, char** argv, uint64_t defaultSize);

// The generated log of the options' size (made once, kept in the data directory) or the
// file the options name; its quorvix.ini beside it.
std::string PrepareLog(const BenchOptions& options);
