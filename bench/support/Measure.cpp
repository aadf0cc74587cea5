#include "support/Measure.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/mman.h>
#include <sys/resource.h>

#include "support/LogGenerator.h"

namespace {

uint64_t StatusField(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(field);
    while (std::getline(in, line)) {
        if (line.compare(0, n, field) == 0)
            return std::strtoull(line.c_str() + n + 1, nullptr, 10) * 1024;
    }
    return 0;
}

} // namespace

uint64_t CurrentRss() {
    return StatusField("VmRSS");
}

namespace {
double CpuSeconds(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}
} // namespace

double ThreadCpuSeconds() {
    return CpuSeconds(RUSAGE_THREAD);
}
double ProcessCpuSeconds() {
    return CpuSeconds(RUSAGE_SELF);
}
uint64_t PeakRss() {
    return StatusField("VmHWM");
}
void ResetPeakRss() {
    // Linux: writing 5 to clear_refs sets the peak to the resident size.
    if (std::FILE* file = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", file);
        std::fclose(file);
    }
}

double TimeCommand(const std::string& command, int runs) {
    double best = 1e100;
    for (int i = 0; i < runs; ++i) {
        Stopwatch watch;
        // Through a pipe: GNU grep notices output to /dev/null and stops at the first match.
        if (std::system(("(" + command + ") 2>&1 | cat > /dev/null").c_str()) == -1)
            return 0;
        best = std::min(best, watch.Seconds());
    }
    return best;
}

double TimeFreshMemory(uint64_t bytes) {
    Stopwatch watch;
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return 0;
    ::madvise(p, bytes, MADV_HUGEPAGE);
    auto* page = static_cast<volatile char*>(p);
    for (uint64_t at = 0; at < bytes; at += 4096)
        page[at] = 1;
    const double seconds = watch.Seconds();
    ::munmap(p, bytes);
    return seconds;
}

void Report(const std::string& name, double value, const std::string& unit) {
    std::printf("%s %.6g %s\n", name.c_str(), value, unit.c_str());
    std::fflush(stdout);
}

BenchOptions ParseBenchOptions(int argc, char** argv, uint64_t defaultSize) {
    BenchOptions options;
    options.size = defaultSize;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--size")
            options.size = std::strtoull(argv[i + 1], nullptr, 10);
        else if (flag == "--file")
            options.file = argv[i + 1];
        else if (flag == "--only")
            options.only = argv[i + 1];
        else if (flag == "--data")
            options.dataDir = argv[i + 1];
    }
    return options;
}

std::string PrepareLog(const BenchOptions& options) {
    namespace fs = std::filesystem;
    if (!options.file.empty())
        return options.file;
    fs::create_directories(options.dataDir);
    const std::string path = options.dataDir + "/generated-v2-" + std::to_string(options.size) + ".log";
    const std::string config = options.dataDir + "/quorvix.ini";
    std::ofstream(config, std::ios::trunc) << GeneratorConfig();
    std::error_code error;
    const bool exists = fs::exists(path, error) && fs::file_size(path, error) >= options.size;
    // The program benchmark writes one copy of the log beside it at a time (cp, then
    // Save As), so the data directory needs room for that copy, and for the log itself
    // when it is still to be made. A log larger than memory may well not fit: say so
    // before writing anything, not half way through.
    const uint64_t needed = options.size * (exists ? 1 : 2);
    const fs::space_info space = fs::space(options.dataDir, error);
    if (!error && space.available < needed) {
        std::fprintf(stderr,
                     "not enough free disk space in %s for a benchmark on a %llu-byte log: %llu bytes free, "
                     "%llu needed\n",
                     options.dataDir.c_str(), static_cast<unsigned long long>(options.size),
                     static_cast<unsigned long long>(space.available),
                     static_cast<unsigned long long>(needed));
        std::exit(2);
    }
    if (!exists) {
        std::fprintf(stderr, "generating %s ...\n", path.c_str());
        GenerateLog(path, options.size);
    }
    return path;
}
